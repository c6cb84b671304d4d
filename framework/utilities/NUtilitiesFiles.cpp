// NUtilities: file housekeeping and the archiver.

#include "NUtilities.h"

#include "Dialogs.h"
#include "Env.h"
#include "FileReplacement.h"
#include "LongWork.h"
#include "Processes.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
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

// The archiver's exit status when it did its work but refused files or entries (links, names
// outside the folder); their number is its output.
constexpr int ArchiverRefusedExit = 2;

// What the user is told about an archiver that did not do all of its work.
QString ArchiverFailure(const TProcessResult& Result)
{
    switch (Result.Outcome) {
    case TProcessOutcome::Failed: {
        if (Result.ExitCode == ArchiverRefusedExit)
            return QStringLiteral("Пропущено файлов: ") + QString::fromUtf8(Result.Output).trimmed();
        const QString reason = QString::fromLocal8Bit(Result.Errors).trimmed().section(QLatin1Char('\n'), -1);
        return QStringLiteral("Приложение архивации данных завершилось с ошибкой (код %1)").arg(Result.ExitCode)
            + (reason.isEmpty() ? QString() : QStringLiteral(": ") + reason);
    }
    case TProcessOutcome::Crashed:
        return QStringLiteral("Приложение архивации данных завершилось аварийно");
    default:
        return QStringLiteral("Произошла ошибка запуска приложения архивации данных");
    }
}

// True only when the archiver did all its work: true would tell the caller that files were
// packed or unpacked when they were not.
// A run the user stopped says so in the status panel; the archiver removed its partial output.
bool RunArchiver(const QStringList& Arguments)
{
    LongWork::TLongWork work;
    const TProcessResult result = RunProcess(ArchiverProgram(), Arguments, ArchiverTimeout, [&work] { return work.Poll(); });
    if (result.Outcome == TProcessOutcome::Finished)
        return true;
    if (result.Outcome == TProcessOutcome::Stopped)
        work.SetStoppedText(QStringLiteral("Прервано пользователем"));
    else
        ShowMessage(ArchiverFailure(result));
    return false;
}

// An empty folder name would make the archiver work on the root folder.
bool FolderGiven(const QString& Dir, const QString& Message)
{
    if (!Dir.trimmed().isEmpty())
        return true;
    ShowMessage(Message);
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

// Copies FileName into TargetDir through a new file that replaces the target only when the
// copy is complete, so that a full or removed disk never leaves a truncated copy (nor spoils
// an older one). A failure is told to the user with the file it concerns; false then.
bool CopyOnto(const QString& FileName, const QString& TargetDir)
{
    const QString target = FileReplacement::TargetOf(WithSeparator(TargetDir) + QFileInfo(FileName).fileName());
    const QString temporary = FileReplacement::CreateBeside(target);
    std::error_code error;
    if (temporary.isEmpty())
        error = std::error_code(errno, std::generic_category());
    else if (fs::copy_file(FsPath(FileName), FsPath(temporary), fs::copy_options::overwrite_existing, error)
             && !FileReplacement::Replace(temporary, target))
        error = std::error_code(errno, std::generic_category());
    if (!error)
        return true;
    if (!temporary.isEmpty())
        QFile::remove(temporary);
    ShowMessage(QStringLiteral("Не удалось записать файл %1: %2").arg(target, QString::fromLocal8Bit(error.message())));
    return false;
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
    return FolderGiven(SourceDir, QStringLiteral("Не указана папка с файлами для архивации"))
        && RunArchiver({QStringLiteral("a"), QStringLiteral("-ep1"), QStringLiteral("--"), ArchiveName, WithSeparator(SourceDir) + FileMask});
}

bool UnPackFiles(const QString& TargetDir, const QString&, const QString& ArchivePath)
{
    return FolderGiven(TargetDir, QStringLiteral("Не указана папка для распаковки архива"))
        && RunArchiver({QStringLiteral("x"), QStringLiteral("-y"), QStringLiteral("-ep"), QStringLiteral("--"), ArchivePath, WithSeparator(TargetDir)});
}

bool FileCopyProc(const QString& Question, const QString& FileName, const QString& TargetDir)
{
    if (!Asked(Question))
        return false;
    bool copied = true;
    do {
        ShowMessage(QStringLiteral("Вставьте дискету в дисковод A:"));
        const TSpaceCheck check = CheckSpace(FileName, TargetDir);
        if (check == TSpaceCheck::Ended)
            break;
        if (check == TSpaceCheck::Passed)
            copied = CopyOnto(FileName, TargetDir);
    } while (Asked(QStringLiteral("Сделать еще одну копию?")));
    return copied;
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
