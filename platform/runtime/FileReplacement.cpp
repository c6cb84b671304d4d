#include "FileReplacement.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace FileReplacement {

namespace {

QByteArray NativePath(const QString& Path)
{
    return QFile::encodeName(Path);
}

// Opens a new file at Path with the permission bits Model has, or rw-rw-rw- less the umask
// when there is no Model; -1 when Path already exists or cannot be made.
int CreateExclusive(const QString& Path, const QString& Model)
{
    const int fd = ::open(NativePath(Path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return -1;
    struct stat model {};
    if (::stat(NativePath(Model).constData(), &model) == 0)
        ::fchmod(fd, model.st_mode & 07777);
    return fd;
}

} // namespace

QString TargetOf(const QString& Path)
{
    const QFileInfo info(Path);
    if (!info.isSymLink())
        return Path;
    const QString target = info.canonicalFilePath();
    // A link to a file not made yet: its target as written, relative to the link's folder.
    return target.isEmpty() ? info.symLinkTarget() : target;
}

bool Writable(const QString& Path)
{
    struct stat info {};
    return ::stat(NativePath(Path).constData(), &info) == 0 && (info.st_mode & 0222) != 0
        && ::access(NativePath(Path).constData(), W_OK) == 0;
}

QString CreateBeside(const QString& Target)
{
    const QFileInfo target(Target);
    const QString stem = target.absolutePath() + QStringLiteral("/.") + target.fileName() + QLatin1Char('.');
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString candidate = stem + QString::number(QRandomGenerator::global()->generate(), 36);
        const int fd = CreateExclusive(candidate, Target);
        if (fd >= 0) {
            ::close(fd);
            return candidate;
        }
        if (errno != EEXIST)
            return QString();
    }
    return QString();
}

bool Replace(const QString& Temporary, const QString& Target)
{
    const int fd = ::open(NativePath(Temporary).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    const int savedErrno = errno;
    ::close(fd);
    if (!synced) {
        errno = savedErrno;
        return false;
    }
    return ::rename(NativePath(Temporary).constData(), NativePath(Target).constData()) == 0;
}

} // namespace FileReplacement
