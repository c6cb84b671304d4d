#include "Registry.h"

#include "Exceptions.h"
#include "StringList.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include <csignal>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace {

const QString AppKey = QStringLiteral("Software\\Velnor07\\Склад");

QByteArray FileBytes()
{
    QFile file(TRegistry::FileName());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteFileBytes(const QByteArray& Bytes)
{
    QFile file(TRegistry::FileName());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(Bytes);
}

QStringList Names(const TStringList& List)
{
    return List.ToQStringList();
}

// Runs Body in a child process; the child's exit status is 0 when Body returned normally.
pid_t RunChild(const std::function<void()>& Body)
{
    const pid_t pid = fork();
    if (pid == 0) {
        int status = 0;
        try {
            Body();
        } catch (...) {
            status = 1;
        }
        _exit(status);
    }
    return pid;
}

class RegistryTest : public testing::Test {
protected:
    void SetUp() override { QFile::remove(TRegistry::FileName()); }
    void TearDown() override { QFile::remove(TRegistry::FileName()); }
};

TEST_F(RegistryTest, FileLocationFollowsTheEnvironment)
{
    EXPECT_EQ(TRegistry::FileName(), TestSupport::RegistryFile());
    const QByteArray saved = qgetenv("VELNOR_REGISTRY");
    qunsetenv("VELNOR_REGISTRY");
    EXPECT_EQ(TRegistry::FileName(), TestSupport::TempDir() + QStringLiteral("/velnor07/registry.reg"));
    qputenv("VELNOR_REGISTRY", saved);
}

TEST_F(RegistryTest, StringsAndIntegersSurviveTheFileWithEscapesAndCyrillicText)
{
    const QString tricky = QStringLiteral("Путь \"C:\\Данные\\\" и\nвторая строка");
    {
        TRegistry writer;
        ASSERT_TRUE(writer.OpenKey(AppKey, true));
        writer.WriteString(QStringLiteral("Псевдоним"), tricky);
        writer.WriteString(QStringLiteral("Name \"quoted\""), QStringLiteral("x"));
        writer.WriteInteger(QStringLiteral("AutoConnect"), 10);
        writer.WriteInteger(QStringLiteral("Negative"), -1);
        writer.WriteString(QString(), QStringLiteral("default"));
    }
    const QString text = QString::fromUtf8(FileBytes());
    EXPECT_TRUE(text.contains(QStringLiteral("[HKEY_CURRENT_USER\\Software\\Velnor07\\Склад]\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("\"Псевдоним\"=\"Путь \\\"C:\\\\Данные\\\\\\\" и\\nвторая строка\"\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("\"AutoConnect\"=dword:0000000a\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("\"Negative\"=dword:ffffffff\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("@=\"default\"\n")));

    TRegistry reader;
    ASSERT_TRUE(reader.OpenKeyReadOnly(AppKey));
    EXPECT_EQ(reader.ReadString(QStringLiteral("Псевдоним")), tricky);
    EXPECT_EQ(reader.ReadString(QStringLiteral("Name \"quoted\"")), QStringLiteral("x"));
    EXPECT_EQ(reader.ReadInteger(QStringLiteral("AutoConnect")), 10);
    EXPECT_EQ(reader.ReadInteger(QStringLiteral("Negative")), -1);
    EXPECT_EQ(reader.ReadString(QStringLiteral("AutoConnect")), QStringLiteral("10"));
    EXPECT_EQ(reader.ReadString(QStringLiteral("Negative")), QStringLiteral("-1"));
    EXPECT_EQ(reader.ReadString(QString()), QStringLiteral("default"));
    EXPECT_EQ(reader.ReadString(QStringLiteral("Missing")), QString());
}

TEST_F(RegistryTest, KeyPathsAndValueNamesIgnoreLetterCase)
{
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey(AppKey, true));
    registry.WriteString(QStringLiteral("UserName"), QStringLiteral("first"));
    registry.WriteString(QStringLiteral("USERNAME"), QStringLiteral("second"));
    TStringList names;
    registry.GetValueNames(&names);
    EXPECT_EQ(Names(names), QStringList{QStringLiteral("UserName")});
    EXPECT_EQ(registry.ReadString(QStringLiteral("username")), QStringLiteral("second"));

    registry.CloseKey();
    EXPECT_TRUE(registry.KeyExists(QStringLiteral("SOFTWARE\\velnor07\\СКЛАД")));
    ASSERT_TRUE(registry.OpenKey(QStringLiteral("software\\VELNOR07\\склад"), true));
    EXPECT_TRUE(registry.ValueExists(QStringLiteral("USERNAME")));
    EXPECT_FALSE(QString::fromUtf8(FileBytes()).contains(QStringLiteral("склад")));
}

TEST_F(RegistryTest, SubkeysAreListedInStoredOrderIncludingKeysOnlyImpliedByTheirSubkeys)
{
    WriteFileBytes("[HKEY_CURRENT_USER\\Software\\Velnor07\\Zeta\\Inner]\n"
                   "\"A\"=\"1\"\n\n"
                   "[HKEY_CURRENT_USER\\Software\\Velnor07\\Alpha]\n");
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey(QStringLiteral("Software\\Velnor07"), false));
    ASSERT_TRUE(registry.OpenKey(QStringLiteral("Mid"), true));
    EXPECT_EQ(registry.CurrentPath(), QStringLiteral("Software\\Velnor07\\Mid"));
    ASSERT_TRUE(registry.OpenKey(QStringLiteral("\\Software\\Velnor07"), false));

    TStringList names;
    registry.GetKeyNames(&names);
    EXPECT_EQ(Names(names), (QStringList{QStringLiteral("Zeta"), QStringLiteral("Alpha"), QStringLiteral("Mid")}));

    // Writing into a key known only through its subkey gives it a section of its own.
    ASSERT_TRUE(registry.OpenKey(QStringLiteral("Zeta"), false));
    registry.WriteInteger(QStringLiteral("Width"), 300);
    TRegistry other;
    ASSERT_TRUE(other.OpenKeyReadOnly(QStringLiteral("Software\\Velnor07\\Zeta")));
    EXPECT_EQ(other.ReadInteger(QStringLiteral("Width")), 300);
    other.GetKeyNames(&names);
    EXPECT_EQ(Names(names), QStringList{QStringLiteral("Inner")});
}

TEST_F(RegistryTest, ReadingAnIntegerFromAStringOrAMissingValueRaises)
{
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey(QStringLiteral("Software\\Velnor02"), true));
    registry.WriteString(QStringLiteral("DebugMessages"), QStringLiteral("1"));
    EXPECT_THROW(registry.ReadInteger(QStringLiteral("DebugMessages")), ERegistryException);
    EXPECT_THROW(registry.ReadInteger(QStringLiteral("Absent")), ERegistryException);
    registry.WriteInteger(QStringLiteral("DebugMessages"), 1);
    EXPECT_EQ(registry.ReadInteger(QStringLiteral("DebugMessages")), 1);
}

TEST_F(RegistryTest, WritesNeedAnOpenWritableKeyThatStillExists)
{
    TRegistry registry;
    EXPECT_FALSE(registry.OpenKey(AppKey, false));
    EXPECT_FALSE(registry.OpenKeyReadOnly(AppKey));
    EXPECT_THROW(registry.WriteString(QStringLiteral("A"), QStringLiteral("1")), ERegistryException);
    EXPECT_FALSE(QFile::exists(TRegistry::FileName()));

    ASSERT_TRUE(registry.OpenKey(AppKey, true));
    registry.WriteString(QStringLiteral("A"), QStringLiteral("1"));
    TRegistry readOnly;
    ASSERT_TRUE(readOnly.OpenKeyReadOnly(AppKey));
    EXPECT_THROW(readOnly.WriteString(QStringLiteral("A"), QStringLiteral("2")), ERegistryException);
    EXPECT_THROW(readOnly.DeleteValue(QStringLiteral("A")), ERegistryException);

    TRegistry remover;
    EXPECT_TRUE(remover.DeleteKey(QStringLiteral("Software\\Velnor07")));
    EXPECT_FALSE(remover.DeleteKey(QStringLiteral("Software\\Velnor07")));
    EXPECT_FALSE(remover.DeleteKey(QStringLiteral("\\")));
    EXPECT_THROW(registry.WriteString(QStringLiteral("A"), QStringLiteral("3")), ERegistryException);
    EXPECT_FALSE(registry.KeyExists(QStringLiteral("\\") + AppKey));
    EXPECT_TRUE(registry.KeyExists(QStringLiteral("\\Software")));
}

TEST_F(RegistryTest, ReadsSeeChangesMadeThroughAnotherRegistryObject)
{
    TRegistry reader;
    TRegistry writer;
    ASSERT_TRUE(writer.OpenKey(AppKey, true));
    ASSERT_TRUE(reader.OpenKeyReadOnly(AppKey));
    EXPECT_FALSE(reader.ValueExists(QStringLiteral("LastUser")));
    writer.WriteString(QStringLiteral("LastUser"), QStringLiteral("Петров"));
    EXPECT_EQ(reader.ReadString(QStringLiteral("LastUser")), QStringLiteral("Петров"));
    EXPECT_TRUE(writer.DeleteValue(QStringLiteral("LastUser")));
    EXPECT_FALSE(writer.DeleteValue(QStringLiteral("LastUser")));
    EXPECT_FALSE(reader.ValueExists(QStringLiteral("LastUser")));
}

// A package writes its own constant texts, which go when it is unloaded; the registry keeps
// them in a document that outlives the package, so it must keep copies of its own.
TEST_F(RegistryTest, TextsWrittenFromMemoryThatGoesAwayAreKeptAsWritten)
{
    std::u16string key = u"Software\\Velnor07\\Borrowed";
    std::u16string name = u"Город";
    std::u16string text = u"Тверь";
    const auto borrowed = [](const std::u16string& Text) {
        return QString::fromRawData(reinterpret_cast<const QChar*>(Text.data()), static_cast<qsizetype>(Text.size()));
    };
    {
        TRegistry writer;
        ASSERT_TRUE(writer.OpenKey(borrowed(key), true));
        writer.WriteString(borrowed(name), borrowed(text));
    }
    std::fill(key.begin(), key.end(), u'x');
    std::fill(name.begin(), name.end(), u'x');
    std::fill(text.begin(), text.end(), u'x');
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey(QStringLiteral("Software\\Velnor07\\Borrowed"), false));
    registry.WriteInteger(QStringLiteral("Width"), 5); // formats the whole document again
    EXPECT_EQ(registry.ReadString(QStringLiteral("Город")), QStringLiteral("Тверь"));
}

TEST_F(RegistryTest, AnUnparseableFileRaisesWithFileAndLineAndIsNeverOverwritten)
{
    const QByteArray broken = "[HKEY_CURRENT_USER\\Software\\Velnor07]\n"
                              "\"AutoConnect\"=dword:00000001\n"
                              "\"LastUser\"=\"unterminated\n";
    WriteFileBytes(broken);
    TRegistry registry;
    try {
        registry.OpenKey(QStringLiteral("Software\\Velnor07"), true);
        FAIL() << "an unparseable file was accepted";
    } catch (const ERegistryException& error) {
        EXPECT_TRUE(error.Message().contains(TRegistry::FileName())) << error.what();
        EXPECT_TRUE(error.Message().contains(QStringLiteral("строка 3"))) << error.what();
    }
    EXPECT_THROW(registry.OpenKey(QStringLiteral("Software\\Other"), true), ERegistryException);
    EXPECT_EQ(FileBytes(), broken);

    for (const QByteArray& line : {QByteArray("\"Orphan\"=\"value before any section\""),
                                   QByteArray("[HKEY_LOCAL_MACHINE\\Software]"),
                                   QByteArray("[HKEY_CURRENT_USER\\Software]\n\"N\"=dword:1"),
                                   QByteArray("[HKEY_CURRENT_USER\\Software]\n\"N\"=hex:01,02"),
                                   QByteArray("[HKEY_CURRENT_USER\\Software]\n\"N\"=\"bad \\q escape\""),
                                   QByteArray("[HKEY_CURRENT_USER\\Software]\n\"N\"=\"\xff\xfe\"")}) {
        WriteFileBytes(line);
        EXPECT_THROW(TRegistry().KeyExists(QStringLiteral("Software")), ERegistryException) << line.constData();
    }
}

TEST_F(RegistryTest, ProcessesWritingAtOnceLoseNothing)
{
    ASSERT_TRUE(TRegistry().OpenKey(AppKey, true));
    const int processes = 4;
    const int writesEach = 40;
    std::vector<pid_t> children;
    for (int p = 0; p < processes; ++p)
        children.push_back(RunChild([p] {
            TRegistry registry;
            if (!registry.OpenKey(AppKey, false))
                throw Exception(QStringLiteral("key missing"));
            for (int i = 0; i < writesEach; ++i)
                registry.WriteInteger(QStringLiteral("P%1_%2").arg(p).arg(i), p * 1000 + i);
        }));
    for (const pid_t child : children) {
        int status = -1;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKeyReadOnly(AppKey));
    TStringList names;
    registry.GetValueNames(&names);
    EXPECT_EQ(names.Count(), processes * writesEach);
    for (int p = 0; p < processes; ++p)
        for (int i = 0; i < writesEach; ++i)
            EXPECT_EQ(registry.ReadInteger(QStringLiteral("P%1_%2").arg(p).arg(i)), p * 1000 + i);
}

TEST_F(RegistryTest, AProcessKilledWhileWritingLeavesEveryAcknowledgedValue)
{
    ASSERT_TRUE(TRegistry().OpenKey(AppKey, true));
    int acks[2];
    ASSERT_EQ(pipe(acks), 0);
    const pid_t child = RunChild([&] {
        close(acks[0]);
        TRegistry registry;
        registry.OpenKey(AppKey, false);
        for (int i = 0;; ++i) {
            registry.WriteString(QStringLiteral("V%1").arg(i), QStringLiteral("значение %1").arg(i));
            if (write(acks[1], &i, sizeof i) != sizeof i)
                return;
        }
    });
    close(acks[1]);
    int acknowledged = -1;
    for (int received = 0; received < 150 && read(acks[0], &acknowledged, sizeof acknowledged) == sizeof acknowledged; ++received) {
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    int last = acknowledged;
    while (read(acks[0], &last, sizeof last) == sizeof last)
        acknowledged = last;
    close(acks[0]);

    ASSERT_GE(acknowledged, 149);
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKeyReadOnly(AppKey));
    for (int i = 0; i <= acknowledged; ++i)
        ASSERT_EQ(registry.ReadString(QStringLiteral("V%1").arg(i)), QStringLiteral("значение %1").arg(i)) << i;
}

} // namespace

namespace {

QByteArray Utf16WithBom(const QString& Text)
{
    QStringEncoder encoder(QStringEncoder::Utf16LE);
    return QByteArray("\xFF\xFE") + QByteArray(encoder.encode(Text));
}

// An export as other tools write it: a header line, CR LF line ends, comments.
QString ExportText(const QString& Header)
{
    return Header + QStringLiteral("\r\n\r\n; настройки склада\r\n[HKEY_CURRENT_USER\\Software\\Velnor07\\Склад]\r\n"
                                   "; псевдоним базы\r\n\"Alias\"=\"DEMO\"\r\n\"AutoConnect\"=dword:00000001\r\n"
                                   "\r\n; конец\r\n");
}

} // namespace

TEST_F(RegistryTest, ExportsWithEitherHeaderInUtf8OrUtf16AreReadAndKeepHeaderCommentsAndEncoding)
{
    const std::vector<std::pair<const char*, QByteArray>> exports = {
        {"UTF-8, version 5 header", ExportText(QStringLiteral("Windows Registry Editor Version 5.00")).toUtf8()},
        {"UTF-8 with BOM, old header", QByteArray("\xEF\xBB\xBF") + ExportText(QStringLiteral("REGEDIT4")).toUtf8()},
        {"UTF-16 LE with BOM", Utf16WithBom(ExportText(QStringLiteral("Windows Registry Editor Version 5.00")))},
    };
    for (const auto& [what, bytes] : exports) {
        SCOPED_TRACE(what);
        WriteFileBytes(bytes);
        TRegistry registry;
        ASSERT_TRUE(registry.OpenKey(AppKey, false));
        EXPECT_EQ(registry.ReadString(QStringLiteral("Alias")), QStringLiteral("DEMO"));
        EXPECT_EQ(registry.ReadInteger(QStringLiteral("AutoConnect")), 1);

        registry.WriteString(QStringLiteral("LastUser"), QStringLiteral("Склад"));
        const bool utf16 = bytes.startsWith("\xFF\xFE");
        const QByteArray written = FileBytes();
        EXPECT_EQ(written.startsWith("\xFF\xFE"), utf16);
        QStringDecoder decoder(utf16 ? QStringDecoder::Utf16LE : QStringDecoder::Utf8);
        const QString text = decoder.decode(written.mid(utf16 ? 2 : 0));
        EXPECT_TRUE(text.startsWith(QStringLiteral("Windows Registry Editor Version 5.00\n"))) << text.toStdString();
        const QString expectedBody = QStringLiteral("; настройки склада\n[HKEY_CURRENT_USER\\Software\\Velnor07\\Склад]\n"
                                                    "; псевдоним базы\n\"Alias\"=\"DEMO\"\n\"AutoConnect\"=dword:00000001\n"
                                                    "\"LastUser\"=\"Склад\"\n\n; конец\n");
        EXPECT_TRUE(text.endsWith(expectedBody)) << text.toStdString();
        EXPECT_EQ(TRegistry().KeyExists(AppKey), true) << "what we wrote reads back";
    }
    // The header counts only as the first line.
    WriteFileBytes("[HKEY_CURRENT_USER\\Software]\nREGEDIT4\n");
    EXPECT_THROW(TRegistry().KeyExists(QStringLiteral("Software")), ERegistryException);
}

TEST_F(RegistryTest, AChangeMadeByAnotherProcessBetweenTwoReadsIsSeen)
{
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey(AppKey, true));
    for (int round = 0; round < 20; ++round) {
        const QString expected = QStringLiteral("значение %1").arg(round, 2, 10, QLatin1Char('0'));
        const pid_t child = RunChild([&expected] {
            TRegistry writer;
            writer.OpenKey(AppKey, false);
            // The same size as the value before: only the content tells them apart.
            writer.WriteString(QStringLiteral("V"), expected);
        });
        int status = -1;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        ASSERT_EQ(registry.ReadString(QStringLiteral("V")), expected);
        ASSERT_EQ(TRegistry().OpenKeyReadOnly(AppKey), true);
    }
}

TEST_F(RegistryTest, ALinkedFileIsChangedAtItsTargetAndAReadOnlyFileNotAtAll)
{
    const QString target = TestSupport::TempDir() + QStringLiteral("/shared/registry-target.reg");
    ASSERT_TRUE(QDir().mkpath(QFileInfo(target).absolutePath()));
    QFile::remove(target);
    ASSERT_TRUE(QFile::link(target, TRegistry::FileName()));
    {
        TRegistry registry;
        ASSERT_TRUE(registry.OpenKey(AppKey, true));
        registry.WriteString(QStringLiteral("LastUser"), QStringLiteral("Склад"));
        registry.WriteInteger(QStringLiteral("AutoConnect"), 1);
    }
    EXPECT_TRUE(QFileInfo(TRegistry::FileName()).isSymLink());
    QFile targetFile(target);
    ASSERT_TRUE(targetFile.open(QIODevice::ReadOnly));
    EXPECT_TRUE(targetFile.readAll().contains("\"AutoConnect\"=dword:00000001"));
    targetFile.close();

    ASSERT_TRUE(QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
    const QByteArray before = FileBytes();
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey(AppKey, false));
    EXPECT_EQ(registry.ReadString(QStringLiteral("LastUser")), QStringLiteral("Склад"));
    try {
        registry.WriteString(QStringLiteral("LastUser"), QStringLiteral("Другой"));
        ADD_FAILURE() << "a read-only file was written";
    } catch (const ERegistryException& error) {
        EXPECT_TRUE(error.Message().contains(TRegistry::FileName())) << error.what();
    }
    EXPECT_EQ(FileBytes(), before);
    QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QFile::remove(target);
}

// A setting the program can do without is written when it can be; a registry that cannot be
// written is told once for the file as it is, and anew once the file has changed.
TEST_F(RegistryTest, ASettingThatCannotBeWrittenIsToldOnceForTheFileAsItIs)
{
    TestSupport::Dialogs().Reset();
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey(AppKey, true));
    const auto writeWidth = [&registry](int Width) {
        return TRegistry::WriteSetting([&] { registry.WriteInteger(QStringLiteral("Width"), Width); });
    };
    EXPECT_TRUE(writeWidth(100));
    const QString file = TRegistry::FileName();
    const auto readOnly = [&file] { return QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::ReadGroup); };
    const auto writable = [&file] { return QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner); };
    ASSERT_TRUE(readOnly());
    EXPECT_FALSE(writeWidth(200));
    EXPECT_FALSE(writeWidth(300));
    ASSERT_EQ(TestSupport::Dialogs().Messages().size(), 1u);
    EXPECT_TRUE(TestSupport::Dialogs().Messages()[0].contains(file));
    ASSERT_TRUE(writable());
    EXPECT_TRUE(writeWidth(400));
    EXPECT_EQ(registry.ReadInteger(QStringLiteral("Width")), 400);
    ASSERT_TRUE(readOnly());
    EXPECT_FALSE(writeWidth(500));
    EXPECT_EQ(TestSupport::Dialogs().Messages().size(), 2u);
    ASSERT_TRUE(writable());
    // Only the registry's own failures are passed over.
    EXPECT_THROW(TRegistry::WriteSetting([] { throw EConvertError(QStringLiteral("не число")); }), EConvertError);
}
