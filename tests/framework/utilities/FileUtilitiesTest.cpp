#include "Env.h"
#include "LongWork.h"
#include "NUtilities.h"
#include "TestEnvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <csignal>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace NUtilities;

const QString LaunchFailure = QStringLiteral("Произошла ошибка запуска приложения архивации данных");

// A fresh folder (with blanks and Cyrillic letters in its name) under the private directory.
QString NewFolder(const QString& Name)
{
    static int counter = 0;
    const QString path = TestSupport::TempDir() + QStringLiteral("/%1 %2").arg(++counter).arg(Name);
    QDir().mkpath(path);
    return path;
}

void WriteFile(const QString& Path, const QByteArray& Contents)
{
    QFile file(Path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << Path.toStdString();
    file.write(Contents);
}

QByteArray ReadFile(const QString& Path)
{
    QFile file(Path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QStringList Entries(const QString& Dir)
{
    return QDir(Dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

// A tar archive written by hand, so that it can hold what no well-behaved archiver writes.
class TTarWriter {
public:
    void AddFile(const QByteArray& Name, const QByteArray& Data) { AddEntry(Name, '0', Data, {}); }
    void AddLink(const QByteArray& Name, const QByteArray& Target) { AddEntry(Name, '2', {}, Target); }
    // A block that is no header, where a header should be: the archive is damaged there.
    void AddGarbage() { FData += QByteArray(512, 'x'); }
    QByteArray Finish() { return FData + QByteArray(1024, '\0'); }

private:
    void AddEntry(const QByteArray& Name, char Type, const QByteArray& Data, const QByteArray& Link)
    {
        QByteArray header(512, '\0');
        auto put = [&header](int Offset, const QByteArray& Text) { header.replace(Offset, Text.size(), Text); };
        put(0, Name);
        put(100, "0000644");
        put(108, "0000000");
        put(116, "0000000");
        put(124, QByteArray::number(Data.size(), 8).rightJustified(11, '0'));
        put(136, "00000000000");
        header[156] = Type;
        put(157, Link);
        put(257, QByteArray("ustar\0" "00", 8));
        put(148, "        ");
        int sum = 0;
        for (char c : header)
            sum += static_cast<unsigned char>(c);
        put(148, QByteArray::number(sum, 8).rightJustified(6, '0') + QByteArray("\0 ", 2));
        FData += header + Data + QByteArray((512 - Data.size() % 512) % 512, '\0');
    }
    QByteArray FData;
};

class FileUtilitiesTest : public testing::Test {
protected:
    void SetUp() override
    {
        // The program directory, with blanks and Cyrillic letters, holds a copy of the archiver.
        FProgramDir = NewFolder(QStringLiteral("программа «тест»")) + QLatin1Char('/');
        QFile::copy(QCoreApplication::applicationDirPath() + QStringLiteral("/wrar"), FProgramDir + QStringLiteral("wrar"));
        Env::ProgramPath = FProgramDir;
    }
    void TearDown() override
    {
        Env::ProgramPath.clear();
        ArchiverTimeout = 50000;
    }

    // Replaces the archiver by a script.
    void UseArchiverScript(const QByteArray& Script)
    {
        QFile::remove(FProgramDir + QStringLiteral("wrar"));
        WriteFile(FProgramDir + QStringLiteral("wrar"), "#!/bin/sh\n" + Script);
        QFile::setPermissions(FProgramDir + QStringLiteral("wrar"), QFile::ReadOwner | QFile::ExeOwner);
    }

    QString FProgramDir;
};

TEST_F(FileUtilitiesTest, PackedFilesOfAMaskComeBackFlatIntoAFolderWithBlanksAndCyrillicLetters)
{
    const QString source = NewFolder(QStringLiteral("отчёты за год"));
    WriteFile(source + QStringLiteral("/отчёт 1.txt"), "первый");
    WriteFile(source + QStringLiteral("/it's \"2\".txt"), "second");
    WriteFile(source + QStringLiteral("/данные.dat"), "not matching");
    QDir(source).mkpath(QStringLiteral("вложенная.txt"));
    const QString archive = NewFolder(QStringLiteral("архивы")) + QStringLiteral("/архив «1» с пробелом.zip");

    EXPECT_TRUE(PackFiles(source, QStringLiteral("*.txt"), archive));
    ASSERT_TRUE(QFileInfo::exists(archive));

    const QString target = NewFolder(QStringLiteral("распаковка сюда"));
    WriteFile(target + QStringLiteral("/отчёт 1.txt"), "older copy");
    EXPECT_TRUE(UnPackFiles(target, QString(), archive));
    EXPECT_EQ(Entries(target), QStringList({QStringLiteral("it's \"2\".txt"), QStringLiteral("отчёт 1.txt")}));
    EXPECT_EQ(ReadFile(target + QStringLiteral("/отчёт 1.txt")), QByteArray("первый")) << "overwritten";
    EXPECT_EQ(ReadFile(target + QStringLiteral("/it's \"2\".txt")), QByteArray("second"));
    EXPECT_TRUE(TestSupport::Dialogs().Calls().empty());

    // Every file of the folder, extracted where the stored paths would have been dropped.
    const QString everything = archive + QStringLiteral(".tar.gz");
    EXPECT_TRUE(PackFiles(source + QLatin1Char('/'), QStringLiteral("*.*"), everything));
    const QString second = NewFolder(QStringLiteral("вторая"));
    EXPECT_TRUE(UnPackFiles(second + QLatin1Char('/'), QString(), everything));
    EXPECT_EQ(Entries(second).size(), 3) << Entries(second).join(", ").toStdString();
}

// A zip archive of stored entries written by hand, so that it can hold a wrong CRC.
class TZipWriter {
public:
    void AddStored(const QByteArray& Name, const QByteArray& Data, quint32 Crc)
    {
        const qsizetype offset = FData.size();
        FData += Number(0x04034b50, 4) + Number(20, 2) + Number(0, 2) + Number(0, 2) + Number(0, 4) + Number(Crc, 4)
            + Number(Data.size(), 4) + Number(Data.size(), 4) + Number(Name.size(), 2) + Number(0, 2) + Name + Data;
        FDirectory += Number(0x02014b50, 4) + Number(20, 2) + Number(20, 2) + Number(0, 2) + Number(0, 2) + Number(0, 4)
            + Number(Crc, 4) + Number(Data.size(), 4) + Number(Data.size(), 4) + Number(Name.size(), 2) + Number(0, 2)
            + Number(0, 2) + Number(0, 2) + Number(0, 2) + Number(0, 4) + Number(offset, 4) + Name;
        ++FCount;
    }
    QByteArray Finish() const
    {
        return FData + FDirectory + Number(0x06054b50, 4) + Number(0, 2) + Number(0, 2) + Number(FCount, 2)
            + Number(FCount, 2) + Number(FDirectory.size(), 4) + Number(FData.size(), 4) + Number(0, 2);
    }

private:
    static QByteArray Number(quint64 Value, int Bytes)
    {
        QByteArray bytes;
        for (int i = 0; i < Bytes; ++i)
            bytes += static_cast<char>((Value >> (8 * i)) & 0xff);
        return bytes;
    }
    QByteArray FData;
    QByteArray FDirectory;
    int FCount = 0;
};

const QString ArchiverFailed = QStringLiteral("Приложение архивации данных завершилось с ошибкой (код 1)");

bool StartsWith(const std::vector<QString>& Messages, std::initializer_list<QString> Beginnings)
{
    if (Messages.size() != Beginnings.size())
        return false;
    return std::equal(Messages.begin(), Messages.end(), Beginnings.begin(),
                      [](const QString& Message, const QString& Beginning) { return Message.startsWith(Beginning); });
}

// Entries that could land outside the target, or flatten to no name, are refused and counted
// for the user; the others are extracted. A damaged member, an archive that unpacks to far
// more than its size allows, and an archive that is none fail with the archiver's status and
// leave no file behind.
TEST_F(FileUtilitiesTest, HostileArchivesWriteNothingOutsideTheTargetNorAnyDamagedFile)
{
    const QString base = NewFolder(QStringLiteral("опасный архив"));
    const QString target = base + QStringLiteral("/цель");
    QDir().mkpath(target);
    const QString outside = base + QStringLiteral("/outside.txt");
    TTarWriter tar;
    tar.AddFile("../outside.txt", "escaped");
    tar.AddFile(QFile::encodeName(outside), "absolute");
    tar.AddLink("link.txt", QFile::encodeName(outside));
    tar.AddFile("sub/.", "dot");
    tar.AddFile("deep/path/good.txt", "kept");
    WriteFile(base + QStringLiteral("/bad.tar"), tar.Finish());

    EXPECT_FALSE(UnPackFiles(target, QString(), base + QStringLiteral("/bad.tar")));
    EXPECT_EQ(TestSupport::Dialogs().Messages(), std::vector<QString>({QStringLiteral("Пропущено файлов: 4")}));
    EXPECT_EQ(Entries(target), QStringList({QStringLiteral("good.txt")}));
    EXPECT_EQ(ReadFile(target + QStringLiteral("/good.txt")), QByteArray("kept"));
    EXPECT_FALSE(QFileInfo::exists(outside));

    TestSupport::Dialogs().Reset();
    TZipWriter zip;
    zip.AddStored("first.txt", "intact", 0x0ccb2d80);
    zip.AddStored("damaged.txt", "contents", 0x12345678);
    WriteFile(base + QStringLiteral("/bad crc.zip"), zip.Finish());
    const QString damagedTarget = NewFolder(QStringLiteral("повреждённый"));
    WriteFile(damagedTarget + QStringLiteral("/damaged.txt"), "older copy");
    EXPECT_FALSE(UnPackFiles(damagedTarget, QString(), base + QStringLiteral("/bad crc.zip")));
    EXPECT_EQ(ReadFile(damagedTarget + QStringLiteral("/damaged.txt")), QByteArray("older copy"));
    // A damaged archive changes nothing, not even with the members read before the damage.
    EXPECT_EQ(Entries(damagedTarget), QStringList({QStringLiteral("damaged.txt")}));
    // Damage between two members of one name (found by fuzzing): the reader skips to the next
    // header, which must not let the second member replace the first unseen.
    TTarWriter skipping;
    skipping.AddFile("damaged.txt", "first");
    skipping.AddGarbage();
    skipping.AddFile("damaged.txt", "second");
    WriteFile(base + QStringLiteral("/skipping.tar"), skipping.Finish());
    EXPECT_FALSE(UnPackFiles(damagedTarget, QString(), base + QStringLiteral("/skipping.tar")));
    EXPECT_EQ(ReadFile(damagedTarget + QStringLiteral("/damaged.txt")), QByteArray("older copy"));

    // 80 MiB of zeros pack into well under a megabyte: far more than any report archive unpacks to.
    const QString bombSource = NewFolder(QStringLiteral("нули"));
    QFile zeros(bombSource + QStringLiteral("/zeros.bin"));
    ASSERT_TRUE(zeros.open(QIODevice::WriteOnly));
    for (int i = 0; i < 80; ++i)
        zeros.write(QByteArray(1 << 20, '\0'));
    zeros.close();
    EXPECT_TRUE(PackFiles(bombSource, QStringLiteral("*.*"), base + QStringLiteral("/bomb.zip")));
    const QString bombTarget = NewFolder(QStringLiteral("бомба"));
    EXPECT_FALSE(UnPackFiles(bombTarget, QString(), base + QStringLiteral("/bomb.zip")));
    EXPECT_EQ(Entries(bombTarget), QStringList());

    WriteFile(base + QStringLiteral("/damaged.zip"), "PK\x03\x04 this is no archive");
    EXPECT_FALSE(UnPackFiles(target, QString(), base + QStringLiteral("/damaged.zip")));
    EXPECT_FALSE(PackFiles(base + QStringLiteral("/no such folder"), QStringLiteral("*.*"), base + QStringLiteral("/new.zip")));
    EXPECT_EQ(Entries(target), QStringList({QStringLiteral("good.txt")}));
    EXPECT_FALSE(QFileInfo::exists(base + QStringLiteral("/new.zip")));
    EXPECT_TRUE(StartsWith(TestSupport::Dialogs().Messages(), {ArchiverFailed, ArchiverFailed, ArchiverFailed, ArchiverFailed, ArchiverFailed}))
        << TestSupport::Dialogs().Messages().size();
}

// Packing takes names beginning with "-" as names, never follows a link out of the folder,
// leaves nothing behind when the archive's name is a folder, and refuses an empty folder
// (which would mean the root) before the archiver runs.
TEST_F(FileUtilitiesTest, PackingKeepsToItsFolderAndTakesEveryNameAsAName)
{
    const QString base = NewFolder(QStringLiteral("упаковка"));
    const QString previous = QDir::currentPath();
    QDir::setCurrent(base);
    QDir().mkpath(QStringLiteral("-отчёты"));
    WriteFile(QStringLiteral("-отчёты/отчёт.txt"), "report");
    const QString secret = NewFolder(QStringLiteral("чужое")) + QStringLiteral("/secret.txt");
    WriteFile(secret, "secret");
    QFile::link(secret, QStringLiteral("-отчёты/link.txt"));
    EXPECT_FALSE(PackFiles(QStringLiteral("-отчёты"), QStringLiteral("*.*"), QStringLiteral("-архив.zip")));
    EXPECT_EQ(TestSupport::Dialogs().Messages(), std::vector<QString>({QStringLiteral("Пропущено файлов: 1")}));
    QDir().mkpath(QStringLiteral("-распаковано"));
    TestSupport::Dialogs().Reset();
    EXPECT_TRUE(UnPackFiles(QStringLiteral("-распаковано"), QString(), QStringLiteral("-архив.zip")));
    EXPECT_EQ(Entries(QStringLiteral("-распаковано")), QStringList({QStringLiteral("отчёт.txt")}));
    QDir::setCurrent(previous);

    QDir(base).mkpath(QStringLiteral("папка.zip"));
    EXPECT_FALSE(PackFiles(base + QStringLiteral("/-отчёты"), QStringLiteral("*.txt"), base + QStringLiteral("/папка.zip")));
    EXPECT_EQ(Entries(base), QStringList({QStringLiteral("-архив.zip"), QStringLiteral("-отчёты"), QStringLiteral("-распаковано"),
                                          QStringLiteral("папка.zip")}));
    EXPECT_TRUE(Entries(base + QStringLiteral("/папка.zip")).isEmpty());

    EXPECT_FALSE(PackFiles(QString(), QStringLiteral("*.*"), base + QStringLiteral("/root.zip")));
    EXPECT_FALSE(UnPackFiles(QStringLiteral(" "), QString(), base + QStringLiteral("/-архив.zip")));
    EXPECT_FALSE(QFileInfo::exists(base + QStringLiteral("/root.zip")));
    EXPECT_TRUE(StartsWith(TestSupport::Dialogs().Messages(),
                           {ArchiverFailed, QStringLiteral("Не указана папка с файлами для архивации"),
                            QStringLiteral("Не указана папка для распаковки архива")}));
}

TEST_F(FileUtilitiesTest, AMissingOrHangingArchiverIsReportedAndAHangingOneIsKilled)
{
    QFile::remove(FProgramDir + QStringLiteral("wrar"));
    const QString source = NewFolder(QStringLiteral("исходные"));
    EXPECT_FALSE(PackFiles(source, QStringLiteral("*.*"), source + QStringLiteral("/a.zip")));
    EXPECT_FALSE(UnPackFiles(source, QString(), source + QStringLiteral("/a.zip")));
    EXPECT_EQ(TestSupport::Dialogs().Messages(), std::vector<QString>({LaunchFailure, LaunchFailure}));

    TestSupport::Dialogs().Reset();
    UseArchiverScript("echo $$ > \"$(dirname \"$0\")/pid\"\nexec sleep 30\n");
    ArchiverTimeout = 300;
    EXPECT_FALSE(PackFiles(source, QStringLiteral("*.*"), source + QStringLiteral("/a.zip")));
    EXPECT_EQ(TestSupport::Dialogs().Messages(), std::vector<QString>({LaunchFailure}));
    const pid_t pid = ReadFile(FProgramDir + QStringLiteral("pid")).trimmed().toInt();
    ASSERT_GT(pid, 0);
    EXPECT_NE(kill(pid, 0), 0) << "the archiver still runs";

}

// The archiver's own children of this process that are still there.
int ArchiversRunning()
{
    int running = 0;
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        const QByteArray stat = ReadFile(QStringLiteral("/proc/%1/stat").arg(pid));
        const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
        running += stat.contains("(wrar)") && fields.size() > 1 && fields[1].toLongLong() == getpid();
    }
    return running;
}

// An archive that arrives through a pipe, its first file only partly there, keeps the
// archiver writing that file; stopped by the user then (asked for once the partial file is
// seen), the archiver is ended, no partial file is left and no message box is shown.
TEST_F(FileUtilitiesTest, AStoppedArchiverIsEndedAndLeavesNoPartialOutput)
{
    const QString target = NewFolder(QStringLiteral("распаковка"));
    const QByteArray pipe = QFile::encodeName(NewFolder(QStringLiteral("канал")) + QStringLiteral("/part.tar"));
    ASSERT_EQ(mkfifo(pipe.constData(), 0600), 0);
    TTarWriter tar;
    tar.AddFile("большой.txt", QByteArray(200000, 'a'));
    const QByteArray part = tar.Finish().left(512 + 150000);
    // The feeder writes the part and holds the pipe open until the test ends; its write fails
    // (instead of ending the test program) once the archiver is gone.
    const auto previous = std::signal(SIGPIPE, SIG_IGN);
    std::atomic<bool> done{false};
    std::thread feeder([&] {
        const int fd = ::open(pipe.constData(), O_WRONLY);
        if (fd < 0)
            return;
        [[maybe_unused]] const ssize_t written = ::write(fd, part.constData(), static_cast<size_t>(part.size()));
        while (!done)
            std::this_thread::yield();
        ::close(fd);
    });
    bool partialSeen = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!partialSeen && !Entries(target).isEmpty() && LongWork::TLongWork::Current()) {
            partialSeen = true;
            LongWork::TLongWork::Current()->Stop();
        }
    });
    watch.start(0);
    EXPECT_FALSE(UnPackFiles(target, QString(), QFile::decodeName(pipe)));
    done = true;
    ::close(::open(pipe.constData(), O_RDONLY | O_NONBLOCK));
    feeder.join();
    std::signal(SIGPIPE, previous);
    EXPECT_TRUE(partialSeen);
    EXPECT_EQ(Entries(target), QStringList());
    EXPECT_EQ(ArchiversRunning(), 0);
    EXPECT_TRUE(TestSupport::Dialogs().Messages().empty());
}

TEST_F(FileUtilitiesTest, ClearDirDeletesFilesAndLinksButNoFoldersNorWhatLinksPointTo)
{
    const QString dir = NewFolder(QStringLiteral("очистка"));
    const QString kept = NewFolder(QStringLiteral("чужая папка"));
    WriteFile(kept + QStringLiteral("/precious.txt"), "keep");
    WriteFile(dir + QStringLiteral("/файл.txt"), "x");
    WriteFile(dir + QStringLiteral("/.hidden"), "x");
    WriteFile(dir + QStringLiteral("/readonly"), "x");
    QFile::setPermissions(dir + QStringLiteral("/readonly"), QFile::ReadOwner);
    QDir(dir).mkpath(QStringLiteral("sub"));
    WriteFile(dir + QStringLiteral("/sub/inner.txt"), "x");
    QFile::link(kept, dir + QStringLiteral("/link to folder"));
    QFile::link(kept + QStringLiteral("/precious.txt"), dir + QStringLiteral("/link to file"));

    ClearDir(dir);
    EXPECT_EQ(Entries(dir), QStringList({QStringLiteral("sub")}));
    EXPECT_EQ(Entries(dir + QStringLiteral("/sub")), QStringList({QStringLiteral("inner.txt")}));
    EXPECT_EQ(Entries(kept), QStringList({QStringLiteral("precious.txt")}));

    ClearDir(dir + QStringLiteral("/no such folder"));
    EXPECT_TRUE(TestSupport::Dialogs().Calls().empty());
}

class FileCopyProcTest : public testing::Test {
protected:
    void SetUp() override
    {
        FFile = NewFolder(QStringLiteral("копия")) + QStringLiteral("/база данных.db");
        WriteFile(FFile, "contents");
        FDisk = NewFolder(QStringLiteral("дискета")) + QLatin1Char('/');
    }
    static void Answer(std::initializer_list<int> Answers)
    {
        for (int answer : Answers)
            TestSupport::Dialogs().QueueMessageAnswer(answer);
    }
    QString FFile;
    QString FDisk;
};

const QString Insert = QStringLiteral("Вставьте дискету в дисковод A:");
const QString Another = QStringLiteral("Сделать еще одну копию?");
const QString WriteError = QStringLiteral("Произошла ошибка записи. Повторить?");

TEST_F(FileCopyProcTest, CopiesAsOftenAsTheUserWantsAndAsksAgainWhenTheCheckFails)
{
    Answer({mrNo});
    EXPECT_FALSE(FileCopyProc(QStringLiteral("Скопировать?"), FFile, FDisk));
    EXPECT_TRUE(Entries(FDisk).isEmpty());

    TestSupport::Dialogs().Reset();
    Answer({mrYes, mrOk, mrYes, mrOk, mrNo});
    EXPECT_TRUE(FileCopyProc(QStringLiteral("Скопировать?"), FFile, FDisk));
    EXPECT_EQ(TestSupport::Dialogs().Messages(),
              std::vector<QString>({QStringLiteral("Скопировать?"), Insert, Another, Insert, Another}));
    EXPECT_EQ(ReadFile(FDisk + QStringLiteral("база данных.db")), QByteArray("contents"));
    const auto& question = TestSupport::Dialogs().Calls()[0];
    EXPECT_EQ(question.Type, TMsgDlgType::mtInformation);
    EXPECT_EQ(question.Buttons, mbYes | mbNo);

    // No disk: the check fails, Yes retries it, No ends everything without another copy.
    TestSupport::Dialogs().Reset();
    Answer({mrYes, mrOk, mrYes, mrNo});
    EXPECT_TRUE(FileCopyProc(QStringLiteral("Скопировать?"), FFile, FDisk + QStringLiteral("нет диска/")));
    EXPECT_EQ(TestSupport::Dialogs().Messages(),
              std::vector<QString>({QStringLiteral("Скопировать?"), Insert, WriteError, WriteError}));
}

TEST_F(FileCopyProcTest, AFileLargerThanTheFreeSpaceIsNotCopiedButAnotherCopyIsOffered)
{
    const qint64 size = QStorageInfo(FDisk).bytesAvailable() + (qint64(1) << 30);
    QFile huge(FFile);
    ASSERT_TRUE(huge.resize(size)) << "a sparse file larger than the free space";
    Answer({mrYes, mrOk, mrYes, mrNo, mrNo});
    EXPECT_TRUE(FileCopyProc(QStringLiteral("Скопировать?"), FFile, FDisk));
    const QString shortage = QStringLiteral("На диске A: не хватает места,  требуется %1 байт , повторить?").arg(size);
    EXPECT_EQ(TestSupport::Dialogs().Messages(),
              std::vector<QString>({QStringLiteral("Скопировать?"), Insert, shortage, shortage, Another}));
    EXPECT_TRUE(Entries(FDisk).isEmpty());
}

// A copy stopped on the way (by the file size limit here, as by a full disk) is named to the
// user and leaves no truncated file: the older copy on the disk stays as it was.
TEST_F(FileCopyProcTest, AFailedCopyIsReportedWithItsFileAndLeavesNoTruncatedCopy)
{
    WriteFile(FFile, QByteArray(256 * 1024, 'x'));
    const QString copy = FDisk + QStringLiteral("база данных.db");
    WriteFile(copy, "older copy");
    Answer({mrYes, mrOk, mrOk, mrNo});
    rlimit original {};
    getrlimit(RLIMIT_FSIZE, &original);
    const rlimit small{64 * 1024, original.rlim_max};
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    const bool copied = FileCopyProc(QStringLiteral("Скопировать?"), FFile, FDisk);
    setrlimit(RLIMIT_FSIZE, &original);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(copied);
    const std::vector<QString> messages = TestSupport::Dialogs().Messages();
    ASSERT_EQ(messages.size(), 4u);
    EXPECT_TRUE(messages[2].startsWith(QStringLiteral("Не удалось записать файл ") + copy)) << messages[2].toStdString();
    EXPECT_EQ(messages[3], Another);
    EXPECT_EQ(ReadFile(copy), QByteArray("older copy"));
    EXPECT_EQ(Entries(FDisk), QStringList({QStringLiteral("база данных.db")}));
}

TEST(SplitRange, TakesThePartBeforeTheFirstAndAfterTheLastEqualsSign)
{
    struct TCase {
        QString Text, Left, Right;
    };
    for (const TCase& c : {TCase{"10=20", "10", "20"}, TCase{"=", "", ""}, TCase{"a=", "a", ""}, TCase{"=b", "", "b"},
                           TCase{"abc", "abc", "abc"}, TCase{"a=middle=c", "a", "c"}}) {
        QString right = QStringLiteral("old");
        EXPECT_EQ(SplitRange(c.Text, right), c.Left) << c.Text.toStdString();
        EXPECT_EQ(right, c.Right) << c.Text.toStdString();
    }
    QString right = QStringLiteral("old");
    EXPECT_EQ(SplitRange(QString(), right), QString());
    EXPECT_EQ(right, QStringLiteral("old"));
}

} // namespace
