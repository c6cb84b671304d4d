#include "RegistryFile.h"

#include "FileReplacement.h"

#include "Exceptions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray NativePath(const QString& Path)
{
    return QFile::encodeName(Path);
}

// Holds an open file descriptor and closes it.
class TDescriptor {
public:
    explicit TDescriptor(int Fd) : FFd(Fd) {}
    TDescriptor(const TDescriptor&) = delete;
    TDescriptor& operator=(const TDescriptor&) = delete;
    ~TDescriptor()
    {
        if (FFd >= 0)
            ::close(FFd);
    }
    int Fd() const { return FFd; }
    bool Valid() const { return FFd >= 0; }
    // Closes now and reports whether the close succeeded.
    bool Close()
    {
        const int fd = FFd;
        FFd = -1;
        return ::close(fd) == 0;
    }

private:
    int FFd;
};

bool WriteAll(int Fd, const QByteArray& Bytes)
{
    const char* data = Bytes.constData();
    qsizetype left = Bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(Fd, data, static_cast<size_t>(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        left -= written;
    }
    return true;
}

bool ReadAll(int Fd, QByteArray& Bytes)
{
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(Fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        Bytes.append(buffer, got);
    }
}

bool LockExclusive(int Fd)
{
    while (::flock(Fd, LOCK_EX) != 0)
        if (errno != EINTR)
            return false;
    return true;
}

void SyncDirectory(const QString& Directory)
{
    TDescriptor dir(::open(NativePath(Directory).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Valid())
        ::fsync(dir.Fd());
}

TRegistryFile::TFileIdentity IdentityOf(const struct stat& Info)
{
    return {true, Info.st_dev, Info.st_ino, static_cast<quint64>(Info.st_size),
            Info.st_mtim.tv_sec, Info.st_mtim.tv_nsec, Info.st_ctim.tv_sec, Info.st_ctim.tv_nsec};
}

// The parsed registry files of the process, by file name, shared by all their objects.
std::mutex SnapshotsMutex;
std::map<QString, std::shared_ptr<const TRegistryFile::TSnapshot>> Snapshots;

std::shared_ptr<const TRegistryFile::TSnapshot> SharedSnapshot(const QString& FileName)
{
    const std::lock_guard lock(SnapshotsMutex);
    const auto found = Snapshots.find(FileName);
    return found == Snapshots.end() ? nullptr : found->second;
}

void ShareSnapshot(const QString& FileName, const std::shared_ptr<const TRegistryFile::TSnapshot>& Snapshot)
{
    const std::lock_guard lock(SnapshotsMutex);
    Snapshots[FileName] = Snapshot;
}

} // namespace

TRegistryFile::TRegistryFile(QString FileName)
    : FFileName(std::move(FileName))
{
}

const TRegistryDocument& TRegistryFile::Document()
{
    Reload(false);
    return *FSnapshot->Document;
}

void TRegistryFile::Reload(bool Locked)
{
    struct stat info {};
    TFileIdentity identity;
    if (::stat(NativePath(FFileName).constData(), &info) == 0)
        identity = IdentityOf(info);
    else if (errno != ENOENT)
        RaiseIoError(QStringLiteral("открытие"));
    if (!FSnapshot || FSnapshot->Identity != identity)
        if (std::shared_ptr<const TSnapshot> shared = SharedSnapshot(FFileName))
            FSnapshot = std::move(shared);
    if (!Locked && FSnapshot && FSnapshot->Identity == identity)
        return;

    auto snapshot = std::make_shared<TSnapshot>();
    TDescriptor file(::open(NativePath(FFileName).constData(), O_RDONLY | O_CLOEXEC));
    if (file.Valid()) {
        if (::fstat(file.Fd(), &info) != 0 || !ReadAll(file.Fd(), snapshot->Content))
            RaiseIoError(QStringLiteral("чтение"));
        snapshot->Identity = IdentityOf(info);
    } else if (errno != ENOENT) {
        RaiseIoError(QStringLiteral("открытие"));
    }
    // A file rewritten with the same bytes is not parsed again.
    if (FSnapshot && FSnapshot->Content == snapshot->Content && FSnapshot->Document)
        snapshot->Document = FSnapshot->Document;
    else
        snapshot->Document = std::make_shared<const TRegistryDocument>(TRegistryDocument::Parse(snapshot->Content, FFileName));
    FSnapshot = snapshot;
    ShareSnapshot(FFileName, FSnapshot);
}

void TRegistryFile::Update(const std::function<void(TRegistryDocument&)>& Change)
{
    const QString target = FileReplacement::TargetOf(FFileName);
    const QString directory = QFileInfo(target).absolutePath();
    if (!QDir().mkpath(directory))
        throw ERegistryException(QStringLiteral("Не удаётся создать каталог файла реестра %1").arg(directory));
    TDescriptor lock(::open(NativePath(target + QStringLiteral(".lock")).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (!lock.Valid() || !LockExclusive(lock.Fd()))
        RaiseIoError(QStringLiteral("блокировка"));
    Reload(true);
    if (FSnapshot->Identity.Exists && !FileReplacement::Writable(target))
        throw ERegistryException(QStringLiteral("Файл реестра %1 доступен только для чтения").arg(FFileName));
    TRegistryDocument changed = *FSnapshot->Document;
    Change(changed);
    auto snapshot = std::make_shared<TSnapshot>();
    snapshot->Content = changed.Bytes();
    WriteReplacement(target, snapshot->Content);
    SyncDirectory(directory);
    // The cache takes the state just written, under the lock, without parsing it again.
    struct stat info {};
    if (::stat(NativePath(FFileName).constData(), &info) != 0)
        RaiseIoError(QStringLiteral("чтение"));
    snapshot->Identity = IdentityOf(info);
    snapshot->Document = std::make_shared<const TRegistryDocument>(std::move(changed));
    FSnapshot = snapshot;
    ShareSnapshot(FFileName, FSnapshot);
}

void TRegistryFile::WriteReplacement(const QString& Target, const QByteArray& Content)
{
    const QString temporary = Target + QStringLiteral(".tmp");
    TDescriptor file(::open(NativePath(temporary).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    if (!file.Valid())
        RaiseIoError(QStringLiteral("создание временного файла"));
    struct stat original {};
    if (::stat(NativePath(Target).constData(), &original) == 0)
        ::fchmod(file.Fd(), original.st_mode & 07777);
    if (!WriteAll(file.Fd(), Content) || ::fsync(file.Fd()) != 0 || !file.Close())
        RaiseIoError(QStringLiteral("запись"));
    if (::rename(NativePath(temporary).constData(), NativePath(Target).constData()) != 0)
        RaiseIoError(QStringLiteral("замена"));
}

void TRegistryFile::RaiseIoError(const QString& Action) const
{
    const QString reason = QString::fromLocal8Bit(std::strerror(errno));
    throw ERegistryException(QStringLiteral("Ошибка файла реестра %1 (%2): %3").arg(FFileName, Action, reason));
}
