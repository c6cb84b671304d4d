// NUtilities: file housekeeping and the archiver.

#include "NUtilities.h"

#include "Dialogs.h"
#include "Env.h"
#include "Processes.h"

#include <QFile>
#include <QFileInfo>

#include <filesystem>

namespace fs = std::filesystem;

namespace NUtilities {

int ArchiverTimeout = 50000;

namespace {

fs::path FsPath(const QString& Path)
{
    return fs::path(QFile::encodeName(Path).toStdString());
}

// ---------------------------------------------------------------------------------------
// The archiver

QString ArchiverProgram()
{
    return Env::ProgramPath + QStringLiteral("wrar");
}

// The path of Dir with a separator at its end.
QString WithSeparator(const QString& Dir)
{
    return Dir.endsWith(QLatin1Char('/')) ? Dir : Dir + QLatin1Char('/');
}

// A failed archiver counts as one that did not run: true would tell the caller that files
// were packed or unpacked when they were not.
bool RunArchiver(const QStringList& Arguments)
{
    if (RunProcess(ArchiverProgram(), Arguments, ArchiverTimeout) == TProcessOutcome::Finished)
        return true;
    ShowMessage(QStringLiteral("Произошла ошибка запуска приложения архивации данных"));
    return false;
}

// ---------------------------------------------------------------------------------------
// The floppy copy dialogue

bool Asked(const QString& Question)
{
    return MessageDlg(Question, TMsgDlgType::mtInformation, mbYes | mbNo) == mrYes;
}

enum class TSpaceCheck { Passed, GivenUp, Ended };

// Checks that FileName fits into the free space of TargetDir's file system, asking again
// while it does not fit or cannot be checked, until the user says no.
TSpaceCheck CheckSpace(const QString& FileName, const QString& TargetDir)
{
    for (;;) {
        std::error_code sizeError;
        std::error_code spaceError;
        const std::uintmax_t size = fs::file_size(FsPath(FileName), sizeError);
        const fs::space_info space = fs::space(FsPath(TargetDir), spaceError);
        if (sizeError || spaceError) {
            if (!Asked(QStringLiteral("Произошла ошибка записи. Повторить?")))
                return TSpaceCheck::Ended;
        } else if (space.available < size) {
            if (!Asked(QStringLiteral("На диске A: не хватает места,  требуется ") + QString::number(size) +
                       QStringLiteral(" байт , повторить?")))
                return TSpaceCheck::GivenUp;
        } else {
            return TSpaceCheck::Passed;
        }
    }
}

void CopyOnto(const QString& FileName, const QString& TargetDir)
{
    std::error_code ignored;
    fs::copy_file(FsPath(FileName), FsPath(WithSeparator(TargetDir) + QFileInfo(FileName).fileName()),
                  fs::copy_options::overwrite_existing, ignored);
}

} // namespace

void ClearDir(const QString& Dir)
{
    std::error_code error;
    for (fs::directory_iterator it(FsPath(Dir), fs::directory_options::skip_permission_denied, error), end;
         !error && it != end; it.increment(error)) {
        std::error_code ignored;
        if (it->is_symlink(ignored) || !it->is_directory(ignored))
            fs::remove(it->path(), ignored);
    }
}

bool PackFiles(const QString& SourceDir, const QString& FileMask, const QString& ArchiveName)
{
    return RunArchiver({QStringLiteral("a"), QStringLiteral("-ep1"), ArchiveName, WithSeparator(SourceDir) + FileMask});
}

bool UnPackFiles(const QString& TargetDir, const QString&, const QString& ArchivePath)
{
    return RunArchiver({QStringLiteral("x"), QStringLiteral("-y"), QStringLiteral("-ep"), ArchivePath, WithSeparator(TargetDir)});
}

bool FileCopyProc(const QString& Question, const QString& FileName, const QString& TargetDir)
{
    if (!Asked(Question))
        return false;
    do {
        ShowMessage(QStringLiteral("Вставьте дискету в дисковод A:"));
        const TSpaceCheck check = CheckSpace(FileName, TargetDir);
        if (check == TSpaceCheck::Ended)
            break;
        if (check == TSpaceCheck::Passed)
            CopyOnto(FileName, TargetDir);
    } while (Asked(QStringLiteral("Сделать еще одну копию?")));
    return true;
}

QString SplitRange(const QString& Text, QString& Right)
{
    if (Text.isEmpty())
        return QString();
    Right = Text.mid(Text.lastIndexOf(QLatin1Char('=')) + 1);
    const qsizetype first = Text.indexOf(QLatin1Char('='));
    return first < 0 ? Text : Text.left(first);
}

} // namespace NUtilities
