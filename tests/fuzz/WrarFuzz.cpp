// Fuzz target: the archiver's extraction. The input is saved as an archive in a scratch folder
// and extracted into a folder inside it. Afterwards the scratch folder must hold nothing but
// the archive and the target, the target nothing but plain files, and every file there must
// hold the data of an entry of its name that reads without a fault: no damaged or partial
// file is ever left, whether the extraction succeeded or failed.

#include "Wrar.h"

#include <archive.h>
#include <archive_entry.h>

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <string>

namespace fs = std::filesystem;

namespace {

// Small limits keep each run short; the limits' own logic is the same at any size.
const Wrar::TExtractionLimits Limits{std::uintmax_t(4) << 20, 200};
constexpr std::uintmax_t MaxEntryBytes = std::uintmax_t(4) << 20;

// The scratch folder of this process, removed when the fuzzer ends.
const fs::path& Scratch()
{
    struct TScratch {
        fs::path Path = fs::temp_directory_path() / ("velnor-fuzz-wrar-" + std::to_string(getpid()));
        ~TScratch()
        {
            std::error_code ignored;
            fs::remove_all(Path, ignored);
        }
    };
    static const TScratch scratch;
    return scratch.Path;
}

// The contents of every entry of the archive that reads to its end without a fault, by the
// file name it flattens to: read independently of the archiver, with every format it knows.
std::map<std::string, std::set<std::string>> IntactEntries(const fs::path& Archive)
{
    std::map<std::string, std::set<std::string>> intact;
    std::unique_ptr<archive, decltype(&archive_read_free)> reader(archive_read_new(), archive_read_free);
    archive_read_support_filter_all(reader.get());
    archive_read_support_format_all(reader.get());
    if (archive_read_open_filename(reader.get(), Archive.c_str(), 65536) != ARCHIVE_OK)
        return intact;
    archive_entry* entry;
    while (archive_read_next_header(reader.get(), &entry) >= ARCHIVE_WARN) {
        const char* name = archive_entry_pathname_utf8(entry) ? archive_entry_pathname_utf8(entry) : archive_entry_pathname(entry);
        std::string data;
        const void* block;
        size_t length;
        la_int64_t offset;
        int status;
        while ((status = archive_read_data_block(reader.get(), &block, &length, &offset)) == ARCHIVE_OK && offset >= 0
               && static_cast<std::uintmax_t>(offset) + length <= MaxEntryBytes) {
            if (data.size() < static_cast<size_t>(offset) + length)
                data.resize(static_cast<size_t>(offset) + length);
            data.replace(static_cast<size_t>(offset), length, static_cast<const char*>(block), length);
        }
        if (status == ARCHIVE_EOF && name) {
            std::string flat = name;
            for (char& c : flat)
                if (c == '\\')
                    c = '/';
            intact[fs::path(flat).filename().string()].insert(data);
        }
    }
    return intact;
}

std::string Contents(const fs::path& File)
{
    std::ifstream input(File, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(input), std::istreambuf_iterator<char>());
}

void CheckScratch(const fs::path& Archive, const fs::path& Target)
{
    for (const fs::directory_entry& entry : fs::directory_iterator(Scratch()))
        if (entry.path() != Archive && entry.path() != Target)
            std::abort();
    bool any = false;
    for (const fs::directory_entry& entry : fs::directory_iterator(Target)) {
        if (!entry.is_regular_file() || entry.is_symlink())
            std::abort();
        any = true;
    }
    if (!any)
        return;
    const std::map<std::string, std::set<std::string>> intact = IntactEntries(Archive);
    for (const fs::directory_entry& entry : fs::directory_iterator(Target)) {
        const auto found = intact.find(entry.path().filename().string());
        if (found == intact.end() || !found->second.count(Contents(entry.path())))
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    const fs::path archive = Scratch() / "input.archive";
    const fs::path target = Scratch() / "target";
    fs::remove_all(Scratch());
    fs::create_directories(target);
    {
        std::ofstream output(archive, std::ios::binary);
        output.write(reinterpret_cast<const char*>(Data), static_cast<std::streamsize>(Size));
    }
    try {
        Wrar::Extract(archive, target, Limits);
    } catch (const Wrar::TFailure&) {
    } catch (const fs::filesystem_error&) {
    }
    CheckScratch(archive, target);
    return 0;
}
