// wrar: the archiver shipped beside the program.
//
//   wrar a -ep1 ARCHIVE DIR/MASK   packs the files of DIR whose names match MASK, stored
//                                  with names relative to DIR. The archive is written in the
//                                  format its extension names (zip when libarchive knows no
//                                  writer for it) and replaces an older archive only once
//                                  it is complete.
//   wrar x -y -ep ARCHIVE TARGET/  extracts every file into TARGET without stored paths,
//                                  overwriting; entries with absolute names, ".." or links
//                                  are skipped, so nothing is written outside TARGET.
//
// Arguments come as an argument vector, never through a shell. A failure ends with a
// non-zero exit status and one line on standard error.

#include <archive.h>
#include <archive_entry.h>

#include <fcntl.h>
#include <fnmatch.h>
#include <langinfo.h>
#include <sys/stat.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct TFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct TReaderDeleter {
    void operator()(archive* Archive) const { archive_read_free(Archive); }
};
struct TWriterDeleter {
    void operator()(archive* Archive) const { archive_write_free(Archive); }
};
using TReader = std::unique_ptr<archive, TReaderDeleter>;
using TWriter = std::unique_ptr<archive, TWriterDeleter>;

[[noreturn]] void Fail(const std::string& What, archive* Archive = nullptr)
{
    const char* reason = Archive ? archive_error_string(Archive) : nullptr;
    throw TFailure(reason ? What + ": " + reason : What);
}

void Check(int Status, archive* Archive, const std::string& What)
{
    if (Status < ARCHIVE_WARN)
        Fail(What, Archive);
}

// ---------------------------------------------------------------------------------------
// Packing

// "*.*" names every file, also those without a dot.
bool MatchesMask(const std::string& Name, const std::string& Mask)
{
    return Mask == "*.*" || fnmatch(Mask.c_str(), Name.c_str(), FNM_PERIOD) == 0;
}

std::vector<fs::path> MatchingFiles(const fs::path& Dir, const std::string& Mask)
{
    std::vector<fs::path> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(Dir))
        if (entry.is_regular_file() && MatchesMask(entry.path().filename().string(), Mask))
            files.push_back(entry.path());
    if (files.empty())
        Fail("no files match " + (Dir / Mask).string());
    return files;
}

TWriter NewWriter(const fs::path& ArchiveName)
{
    TWriter writer(archive_write_new());
    if (archive_write_set_format_filter_by_ext(writer.get(), ArchiveName.c_str()) != ARCHIVE_OK) {
        writer.reset(archive_write_new());
        Check(archive_write_set_format_zip(writer.get()), writer.get(), "zip format");
    }
    return writer;
}

void AddFile(archive* Writer, const fs::path& File)
{
    struct stat status {};
    if (stat(File.c_str(), &status) != 0)
        Fail("cannot read " + File.string());
    std::unique_ptr<archive_entry, decltype(&archive_entry_free)> entry(archive_entry_new(), archive_entry_free);
    archive_entry_copy_stat(entry.get(), &status);
    archive_entry_set_pathname_utf8(entry.get(), File.filename().c_str());
    Check(archive_write_header(Writer, entry.get()), Writer, File.string());

    FILE* input = std::fopen(File.c_str(), "rb");
    if (!input)
        Fail("cannot read " + File.string());
    char buffer[65536];
    size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, input)) > 0)
        if (archive_write_data(Writer, buffer, count) < 0) {
            std::fclose(input);
            Fail(File.string(), Writer);
        }
    const bool failed = std::ferror(input);
    std::fclose(input);
    if (failed)
        Fail("cannot read " + File.string());
}

void Pack(const fs::path& ArchiveName, const std::string& FilesToPack)
{
    const fs::path pattern(FilesToPack);
    const fs::path dir = pattern.has_parent_path() ? pattern.parent_path() : fs::path(".");
    const std::vector<fs::path> files = MatchingFiles(dir, pattern.filename().string());

    const fs::path partial = ArchiveName.string() + ".partial";
    TWriter writer = NewWriter(ArchiveName);
    Check(archive_write_open_filename(writer.get(), partial.c_str()), writer.get(), partial.string());
    try {
        for (const fs::path& file : files)
            AddFile(writer.get(), file);
        Check(archive_write_close(writer.get()), writer.get(), ArchiveName.string());
    } catch (...) {
        writer.reset();
        fs::remove(partial);
        throw;
    }
    fs::rename(partial, ArchiveName);
}

// ---------------------------------------------------------------------------------------
// Extraction

// The entry's stored name, with the backslashes of archives made elsewhere read as separators.
std::string StoredName(archive_entry* Entry)
{
    const char* utf8 = archive_entry_pathname_utf8(Entry);
    const char* name = utf8 ? utf8 : archive_entry_pathname(Entry);
    std::string stored = name ? name : "";
    for (char& c : stored)
        if (c == '\\')
            c = '/';
    return stored;
}

// Why an entry must not be written, or empty when it may.
std::string RefusalOf(archive_entry* Entry)
{
    const std::string name = StoredName(Entry);
    const fs::path path(name);
    if (path.filename().empty())
        return "an entry without a file name: " + name;
    if (path.is_absolute())
        return "absolute name " + name;
    for (const fs::path& part : path)
        if (part == "..")
            return "name with \"..\" " + name;
    if (archive_entry_symlink(Entry) || archive_entry_hardlink(Entry) || archive_entry_filetype(Entry) == AE_IFLNK)
        return "link " + name;
    return {};
}

// Writes the entry's data into a temporary file in Target and renames it over the final
// name, so that an existing link of that name is replaced, never followed.
void ExtractEntry(archive* Reader, const fs::path& Target, const std::string& FileName)
{
    const fs::path final = Target / FileName;
    std::string temporary = (Target / ".wrar-XXXXXX").string();
    const int output = mkstemp(temporary.data());
    if (output < 0)
        Fail("cannot write into " + Target.string());
    auto fail = [&](const std::string& What, archive* Archive) {
        close(output);
        unlink(temporary.c_str());
        Fail(What, Archive);
    };
    if (archive_read_data_into_fd(Reader, output) < ARCHIVE_WARN)
        fail(final.string(), Reader);
    fchmod(output, 0644);
    if (close(output) != 0 || rename(temporary.c_str(), final.c_str()) != 0) {
        unlink(temporary.c_str());
        Fail("cannot write " + final.string());
    }
}

void Extract(const fs::path& ArchiveName, const fs::path& Target)
{
    if (!fs::is_directory(Target))
        Fail("no such folder " + Target.string());
    TReader reader(archive_read_new());
    archive_read_support_filter_all(reader.get());
    // Archive formats only: the textual formats that describe files elsewhere on the disk
    // (mtree) or take any file as one entry (raw) would read damaged input as an archive.
    for (auto support : {archive_read_support_format_7zip, archive_read_support_format_ar,
                         archive_read_support_format_cab, archive_read_support_format_cpio,
                         archive_read_support_format_iso9660, archive_read_support_format_lha,
                         archive_read_support_format_rar, archive_read_support_format_rar5,
                         archive_read_support_format_tar, archive_read_support_format_xar,
                         archive_read_support_format_zip})
        support(reader.get());
    Check(archive_read_open_filename(reader.get(), ArchiveName.c_str(), 65536), reader.get(), ArchiveName.string());
    archive_entry* entry;
    int status;
    while ((status = archive_read_next_header(reader.get(), &entry)) != ARCHIVE_EOF) {
        Check(status, reader.get(), ArchiveName.string());
        if (archive_entry_filetype(entry) == AE_IFDIR)
            continue;
        if (const std::string refusal = RefusalOf(entry); !refusal.empty()) {
            std::fprintf(stderr, "wrar: skipped %s\n", refusal.c_str());
            continue;
        }
        ExtractEntry(reader.get(), Target, fs::path(StoredName(entry)).filename().string());
    }
}

// ---------------------------------------------------------------------------------------
// Command line

// The command's words without its switches.
std::vector<std::string> Operands(int Argc, char** Argv)
{
    std::vector<std::string> operands;
    for (int i = 2; i < Argc; ++i)
        if (Argv[i][0] != '-' || Argv[i][1] == '\0')
            operands.emplace_back(Argv[i]);
    return operands;
}

void Run(int Argc, char** Argv)
{
    const std::string command = Argc > 1 ? Argv[1] : "";
    const std::vector<std::string> operands = Operands(Argc, Argv);
    if (operands.size() != 2 || (command != "a" && command != "x"))
        Fail("usage: wrar a -ep1 ARCHIVE DIR/MASK | wrar x -y -ep ARCHIVE TARGET/");
    if (command == "a")
        Pack(operands[0], operands[1]);
    else
        Extract(operands[0], operands[1]);
}

// File names are UTF-8 on this platform: the archive writers convert names through the
// locale's character set, which must therefore be UTF-8 too.
void UseUtf8Locale()
{
    const char* chosen = std::setlocale(LC_ALL, "");
    if (!chosen || !std::strstr(nl_langinfo(CODESET), "UTF-8"))
        std::setlocale(LC_ALL, "C.UTF-8");
}

} // namespace

int main(int Argc, char** Argv)
{
    UseUtf8Locale();
    try {
        Run(Argc, Argv);
        return 0;
    } catch (const std::exception& Error) {
        std::fprintf(stderr, "wrar: %s\n", Error.what());
        return 1;
    }
}
