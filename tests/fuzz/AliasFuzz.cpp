// Fuzz target: the alias file reader, on any bytes.

#include "AliasFile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    const QByteArray content(reinterpret_cast<const char*>(Data), static_cast<qsizetype>(Size));
    for (const AliasFile::TAlias& alias : AliasFile::Parse(content))
        for (const auto& [key, value] : alias.Keys)
            if (key != key.toLower())
                std::abort();
    return 0;
}
