// Fuzz target: the registry file parser, on any bytes (both header forms, UTF-8 and UTF-16 LE
// are in the seeds). A file that parses must format into a file that parses to the same text.

#include "RegistryFile.h"

#include "Exceptions.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    const QByteArray content(reinterpret_cast<const char*>(Data), static_cast<qsizetype>(Size));
    try {
        const TRegistryDocument document = TRegistryDocument::Parse(content, QStringLiteral("fuzz.reg"));
        const QString formatted = document.Format();
        const TRegistryDocument again = TRegistryDocument::Parse(document.Bytes(), QStringLiteral("again.reg"));
        if (again.Format() != formatted)
            std::abort();
    } catch (const ERegistryException&) {
    }
    return 0;
}
