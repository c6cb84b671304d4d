#include "Wrar.h"

#include <archive.h>
#include <archive_entry.h>

#include <fcntl.h>
#include <fnmatch.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace Wrar {

namespace {

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

[[noreturn]] void FailWithErrno(const std::string& What)
{
    throw TFailure(What + ": " + std::strerror(errno));
}

void Check(int Status, archive* Archive, const std::string& What)
{
    if (Status < ARCHIVE_WARN)
        Fail(What, Archive);
}

void Refused(const std::string& Why)
{
    std::fprintf(stderr, "wrar: skipped %s\n", Why.c_str());
}

// A descriptor closed when it goes out of scope.
class TDescriptor {
public:
    explicit TDescriptor(int Fd) : FFd(Fd) {}
    TDescriptor(const TDescriptor&) = delete;
    TDescriptor& operator=(const TDescriptor&) = delete;
    ~TDescriptor() { Close(); }
    int Fd() const { return FFd; }
    bool Close()
    {
        const int fd = FFd;
        FFd = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int FFd;
};

// The new files not yet renamed into place. A program that started the archiver ends it with
// SIGTERM when its user stops the work: they are removed then, so that nothing half-written
// stays behind. The list changes with SIGTERM blocked, so the handler never sees it half-changed.
class TPartialFiles {
public:
    static void Add(const char* Path) { Change([Path] { List().push_back(Path); }); }
    static void Remove(const char* Path)
    {
        Change([Path] { std::erase(List(), Path); });
    }

private:
    static std::vector<const char*>& List()
    {
        static std::vector<const char*> paths;
        return paths;
    }

    template <class F>
    static void Change(F&& Edit)
    {
        static const bool installed = [] {
            struct sigaction action {};
            action.sa_handler = RemoveAllAndEnd;
            sigemptyset(&action.sa_mask);
            return ::sigaction(SIGTERM, &action, nullptr) == 0;
        }();
        (void)installed;
        sigset_t term, previous;
        sigemptyset(&term);
        sigaddset(&term, SIGTERM);
        ::sigprocmask(SIG_BLOCK, &term, &previous);
        Edit();
        ::sigprocmask(SIG_SETMASK, &previous, nullptr);
    }

    static void RemoveAllAndEnd(int Signal)
    {
        for (const char* path : List())
            ::unlink(path);
        ::signal(Signal, SIG_DFL);
        ::raise(Signal);
    }
};

// A new file with a unique name in Folder, removed again unless it was renamed into place.
class TNewFile {
public:
    TNewFile(const fs::path& Folder, const std::string& Stem)
        : FPath((Folder / ("." + Stem + ".XXXXXX")).string()), FFile(::mkstemp(FPath.data()))
    {
        if (FFile.Fd() < 0)
            FailWithErrno("cannot write into " + Folder.string());
        TPartialFiles::Add(FPath.c_str());
    }
    TNewFile(const TNewFile&) = delete;
    TNewFile& operator=(const TNewFile&) = delete;
    ~TNewFile()
    {
        FFile.Close();
        if (FPath.empty())
            return;
        ::unlink(FPath.c_str());
        TPartialFiles::Remove(FPath.c_str());
    }

    int Fd() const { return FFile.Fd(); }

    // Closes the file once its data are written; it stays under its unique name.
    void Close(const fs::path& Final)
    {
        if (!FFile.Close())
            FailWithErrno("cannot write " + Final.string());
    }

    // Gives the file the permission bits of the file it replaces, or those the umask leaves
    // of rw-rw-rw- for a new one, and renames it over Final.
    void Commit(const fs::path& Final)
    {
        struct stat replaced {};
        ::chmod(FPath.c_str(), ::stat(Final.c_str(), &replaced) == 0 ? replaced.st_mode & 07777 : 0666 & ~CurrentUmask());
        Close(Final);
        if (::rename(FPath.c_str(), Final.c_str()) != 0)
            FailWithErrno("cannot write " + Final.string());
        TPartialFiles::Remove(FPath.c_str());
        FPath.clear();
    }

private:
    // The archiver runs in one thread: reading the umask by setting it back is safe.
    static mode_t CurrentUmask()
    {
        const mode_t mask = ::umask(022);
        ::umask(mask);
        return mask;
    }

    std::string FPath;
    TDescriptor FFile;
};

// ---------------------------------------------------------------------------------------
// Packing

// "*.*" names every file, also those without a dot.
bool MatchesMask(const std::string& Name, const std::string& Mask)
{
    return Mask == "*.*" || fnmatch(Mask.c_str(), Name.c_str(), FNM_PERIOD) == 0;
}

struct TFilesToPack {
    std::vector<fs::path> Files;
    int Refused = 0;
};

// The regular files of Dir matching Mask; links are refused, never followed.
TFilesToPack MatchingFiles(const fs::path& Dir, const std::string& Mask)
{
    TFilesToPack found;
    std::error_code error;
    for (fs::directory_iterator it(Dir, error), end; !error && it != end; it.increment(error)) {
        if (!MatchesMask(it->path().filename().string(), Mask))
            continue;
        const fs::file_status status = it->symlink_status();
        if (fs::is_symlink(status)) {
            Refused("link " + it->path().string());
            ++found.Refused;
        } else if (fs::is_regular_file(status)) {
            found.Files.push_back(it->path());
        }
    }
    if (error)
        Fail("cannot read the folder " + Dir.string() + ": " + error.message());
    if (found.Files.empty())
        Fail("no files match " + (Dir / Mask).string());
    return found;
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

// Adds the file, opened without following a link that took its place meanwhile.
void AddFile(archive* Writer, const fs::path& File)
{
    TDescriptor input(::open(File.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    struct stat status {};
    if (input.Fd() < 0 || ::fstat(input.Fd(), &status) != 0)
        FailWithErrno("cannot read " + File.string());
    if (!S_ISREG(status.st_mode))
        Fail("not a plain file: " + File.string());
    std::unique_ptr<archive_entry, decltype(&archive_entry_free)> entry(archive_entry_new(), archive_entry_free);
    archive_entry_copy_stat(entry.get(), &status);
    archive_entry_set_pathname_utf8(entry.get(), File.filename().c_str());
    Check(archive_write_header(Writer, entry.get()), Writer, File.string());

    char buffer[65536];
    ssize_t count;
    while ((count = ::read(input.Fd(), buffer, sizeof buffer)) > 0)
        if (archive_write_data(Writer, buffer, static_cast<size_t>(count)) < 0)
            Fail(File.string(), Writer);
    if (count < 0)
        FailWithErrno("cannot read " + File.string());
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
    const fs::path file = path.filename();
    if (file.empty() || file == "." || file == "..")
        return "an entry without a file name: " + name;
    if (path.is_absolute())
        return "absolute name " + name;
    for (const fs::path& part : path)
        if (part == "..")
            return "name with \"..\" " + name;
    if (archive_entry_symlink(Entry) || archive_entry_hardlink(Entry) || archive_entry_filetype(Entry) == AE_IFLNK)
        return "link " + name;
    if (archive_entry_filetype(Entry) != AE_IFREG)
        return "no plain file " + name;
    return {};
}

// The bytes an extraction has written, held to its limit.
class TBudget {
public:
    TBudget(const fs::path& ArchiveName, const TExtractionLimits& Limits)
    {
        std::error_code error;
        const std::uintmax_t size = fs::file_size(ArchiveName, error);
        const std::uintmax_t byRatio = error || size > UINTMAX_MAX / Limits.Ratio ? UINTMAX_MAX : size * Limits.Ratio;
        FLimit = std::max(Limits.Minimum, byRatio);
    }

    // Raises when an entry growing to Size bytes would pass the limit.
    void Check(std::uintmax_t Size) const
    {
        if (Size > FLimit - FUsed)
            Fail("the archive would unpack to more than " + std::to_string(FLimit) + " bytes, too much for its size");
    }
    void Add(std::uintmax_t Bytes) { FUsed += Bytes; }

private:
    std::uintmax_t FLimit = 0;
    std::uintmax_t FUsed = 0;
};

void WriteAllAt(int Fd, const char* Data, size_t Size, std::int64_t Offset, const fs::path& Final)
{
    while (Size > 0) {
        const ssize_t written = ::pwrite(Fd, Data, Size, Offset);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            FailWithErrno("cannot write " + Final.string());
        Data += written;
        Size -= static_cast<size_t>(written);
        Offset += written;
    }
}

// The files an extraction has written under unique names, renamed over their final names
// only once the whole archive was read without a fault: a compressed archive is checked as a
// whole at its end, and a damaged archive must change nothing.
class TExtracted {
public:
    void Add(std::unique_ptr<TNewFile> File, const fs::path& Final) { FFiles.emplace_back(std::move(File), Final); }
    void CommitAll()
    {
        for (auto& [file, final] : FFiles)
            file->Commit(final);
    }

private:
    std::vector<std::pair<std::unique_ptr<TNewFile>, fs::path>> FFiles;
};

// Writes the entry's data into a new file in Target, to be renamed over the final name when
// the archive is done, so an existing link of that name is replaced, never followed, and a
// damaged entry leaves nothing.
void ExtractEntry(archive* Reader, const fs::path& Target, const std::string& FileName, TBudget& Budget,
    TExtracted& Extracted)
{
    const fs::path final = Target / FileName;
    auto file = std::make_unique<TNewFile>(Target, "wrar");
    TNewFile& output = *file;
    std::uintmax_t size = 0;
    const void* block;
    size_t length;
    la_int64_t offset;
    int status;
    while ((status = archive_read_data_block(Reader, &block, &length, &offset)) == ARCHIVE_OK) {
        if (offset < 0)
            Fail("damaged entry " + final.string());
        const std::uintmax_t end = static_cast<std::uintmax_t>(offset) + length;
        Budget.Check(std::max(size, end));
        WriteAllAt(output.Fd(), static_cast<const char*>(block), length, offset, final);
        size = std::max(size, end);
    }
    if (status != ARCHIVE_EOF)
        Fail("damaged entry " + final.string(), Reader);
    if (::ftruncate(output.Fd(), static_cast<off_t>(size)) != 0)
        FailWithErrno("cannot write " + final.string());
    Budget.Add(size);
    output.Close(final);
    Extracted.Add(std::move(file), final);
}

TReader NewReader()
{
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
    return reader;
}

} // namespace

int Pack(const fs::path& ArchiveName, const std::string& FilesToPack)
{
    const fs::path pattern(FilesToPack);
    const fs::path dir = pattern.has_parent_path() ? pattern.parent_path() : fs::path(".");
    const TFilesToPack found = MatchingFiles(dir, pattern.filename().string());
    if (ArchiveName.filename().empty() || fs::is_directory(ArchiveName))
        Fail("the archive name is a folder: " + ArchiveName.string());

    const fs::path folder = ArchiveName.has_parent_path() ? ArchiveName.parent_path() : fs::path(".");
    TNewFile partial(folder, ArchiveName.filename().string());
    TWriter writer = NewWriter(ArchiveName);
    Check(archive_write_open_fd(writer.get(), partial.Fd()), writer.get(), ArchiveName.string());
    for (const fs::path& file : found.Files)
        AddFile(writer.get(), file);
    Check(archive_write_close(writer.get()), writer.get(), ArchiveName.string());
    partial.Commit(ArchiveName);
    return found.Refused;
}

int Extract(const fs::path& ArchiveName, const fs::path& Target, const TExtractionLimits& Limits)
{
    if (!fs::is_directory(Target))
        Fail("no such folder " + Target.string());
    TBudget budget(ArchiveName, Limits);
    TReader reader = NewReader();
    Check(archive_read_open_filename(reader.get(), ArchiveName.c_str(), 65536), reader.get(), ArchiveName.string());
    int refused = 0;
    TExtracted extracted;
    archive_entry* entry;
    int status;
    while ((status = archive_read_next_header(reader.get(), &entry)) != ARCHIVE_EOF) {
        // A header the reader had to skip past is damage in the archive, not a warning.
        if (status == ARCHIVE_RETRY)
            Fail("damaged archive " + ArchiveName.string(), reader.get());
        Check(status, reader.get(), ArchiveName.string());
        if (archive_entry_filetype(entry) == AE_IFDIR)
            continue;
        if (const std::string refusal = RefusalOf(entry); !refusal.empty()) {
            Refused(refusal);
            ++refused;
            continue;
        }
        if (archive_entry_size_is_set(entry))
            budget.Check(static_cast<std::uintmax_t>(std::max<la_int64_t>(archive_entry_size(entry), 0)));
        ExtractEntry(reader.get(), Target, fs::path(StoredName(entry)).filename().string(), budget, extracted);
    }
    Check(archive_read_close(reader.get()), reader.get(), ArchiveName.string());
    extracted.CommitAll();
    return refused;
}

} // namespace Wrar
