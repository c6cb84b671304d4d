#include "ModuleManager.h"

#include "DatabaseFixture.h"
#include "DatabaseManager.h"
#include "Env.h"
#include "StatusBar.h"
#include "TestEnvironment.h"
#include "WizardManager.h"
#include "../../packages/TestPackages.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

using TestPackages::Log;

const qint32 User = 7;

// The loader over a database with table modul and a package directory holding copies of
// the test packages.
class ModuleManagerTest : public TestSupport::TDatabaseTest {
protected:
    void SetUp() override
    {
        TDatabaseTest::SetUp();
        if (IsSkipped())
            return;
        WizardManager::Initialize();
        TestPackages::ClearLogs();
        DatabaseManager::RegisterDatabase(Database());
        Env::Database = Database();
        Env::CurrentUserID = User;
        FPackages = std::make_unique<QTemporaryDir>(TestSupport::TempDir() + QStringLiteral("/packages-XXXXXX"));
        Env::PackagesPath = FPackages->path();
        for (const char* name : {"pkg_alpha", "pkg_beta", "pkg_gamma", "pkg_initfails", "pkg_finifails"})
            ASSERT_TRUE(QFile::copy(TestPackages::File(QLatin1String(name)), Path(QLatin1String(name) + QStringLiteral(".bpl"))));
        FStatusBar = std::make_unique<TStatusBar>(nullptr, nullptr);
        FStatusBar->AddPanel();
        Env::MessagePanel = FStatusBar->AddPanel();
    }

    void TearDown() override
    {
        if (!IsSkipped()) {
            ModuleManager::UnloadPackages();
            EXPECT_TRUE(Env::Modules->IsEmpty());
            Env::MessagePanel = nullptr;
            Env::Database = nullptr;
            Env::PackagesPath.clear();
            DatabaseManager::UnregisterDatabase(Database());
            WizardManager::Finalize();
            EXPECT_TRUE(TestSupport::Dialogs().Calls().empty());
        }
        TDatabaseTest::TearDown();
    }

    static bool IsSkipped() { return testing::Test::IsSkipped(); }

    QString Path(const QString& Name) const { return FPackages->path() + QLatin1Char('/') + Name; }

    void CreateModul() { ExecSQL(QStringLiteral("create table modul (STROKA varchar(200), POLZ_ID integer, ORDER_NO integer)")); }

    void AddRow(const QString& Name, qint32 UserID, int OrderNo)
    {
        ExecSQL(QStringLiteral("insert into modul (STROKA, POLZ_ID, ORDER_NO) values ('%1', %2, %3)").arg(Name).arg(UserID).arg(OrderNo));
    }

    static QStringList ModuleNames() { return Env::Modules->ToQStringList(); }

    std::unique_ptr<QTemporaryDir> FPackages;
    std::unique_ptr<TStatusBar> FStatusBar;
};

TEST_P(ModuleManagerTest, LoadsTheListedPackagesByOrderNumberAndUnloadsThemInReverse)
{
    CreateModul();
    AddRow(QStringLiteral("pkg_gamma.bpl"), User, 30);
    AddRow(QStringLiteral("pkg_alpha.bpl"), User, 10);
    AddRow(QStringLiteral("pkg_beta.bpl"), User + 1, 5);
    AddRow(QStringLiteral("pkg_beta.bpl"), User, 20);

    ModuleManager::LoadPackages();
    EXPECT_EQ(ModuleNames(), (QStringList{QStringLiteral("pkg_alpha.bpl"), QStringLiteral("pkg_beta.bpl"), QStringLiteral("pkg_gamma.bpl")}));
    for (int i = 0; i < Env::Modules->Count(); ++i) {
        auto* information = Env::Modules->ObjectAs<Env::TPackageInformation>(i);
        ASSERT_NE(information, nullptr);
        EXPECT_EQ(information->PackageName, Env::Modules->Strings(i));
        EXPECT_TRUE(TestPackages::Mapped(Path(information->PackageName)));
        EXPECT_NE(information->PackageHandle, 0u);
    }
    EXPECT_EQ(Log(), QStringLiteral("+pkg_alpha +pkg_beta +pkg_gamma"));
    const QString loading = QStringLiteral("Загружается модуль ") + FPackages->path() + QLatin1Char('/');
    EXPECT_EQ(TestPackages::StatusLog(), loading + QStringLiteral("pkg_alpha.bpl|") + loading + QStringLiteral("pkg_beta.bpl|") + loading + QStringLiteral("pkg_gamma.bpl"));
    EXPECT_EQ(Env::MessagePanel->Text(), QString());

    TestPackages::ClearLogs();
    ModuleManager::UnloadPackages();
    EXPECT_TRUE(Env::Modules->IsEmpty());
    EXPECT_EQ(Log(), QStringLiteral("-pkg_gamma ~pkg_gamma -pkg_beta ~pkg_beta -pkg_alpha ~pkg_alpha"));
    EXPECT_EQ(TestPackages::StatusLog(), QStringLiteral("Выгружается модуль pkg_gamma.bpl|Выгружается модуль pkg_beta.bpl|Выгружается модуль pkg_alpha.bpl"));
}

TEST_P(ModuleManagerTest, EqualOrderNumbersLoadInTheOrderTheDatabaseReturns)
{
    CreateModul();
    for (const char* name : {"pkg_gamma.bpl", "pkg_alpha.bpl", "pkg_beta.bpl"})
        AddRow(QLatin1String(name), User, 1);
    TQuery query;
    query.SetDatabaseName(Database()->DatabaseName());
    query.SQL()->Add(QStringLiteral("select STROKA, POLZ_ID, ORDER_NO from modul where POLZ_ID=7 order by ORDER_NO"));
    QStringList databaseOrder;
    for (query.Open(); !query.Eof(); query.Next())
        databaseOrder.append(query.FieldByName(QStringLiteral("STROKA"))->AsString());
    query.Close();

    ModuleManager::LoadPackages();
    EXPECT_EQ(ModuleNames(), databaseOrder);
    EXPECT_EQ(databaseOrder.size(), 3);
}

TEST_P(ModuleManagerTest, APackageListedTwiceHasTwoEntriesAndIsUnloadedTwice)
{
    CreateModul();
    AddRow(QStringLiteral("pkg_alpha.bpl"), User, 1);
    AddRow(QStringLiteral("pkg_alpha.bpl"), User, 2);

    ModuleManager::LoadPackages();
    ASSERT_EQ(ModuleNames(), (QStringList{QStringLiteral("pkg_alpha.bpl"), QStringLiteral("pkg_alpha.bpl")}));
    EXPECT_EQ(Env::Modules->ObjectAs<Env::TPackageInformation>(0)->PackageHandle,
              Env::Modules->ObjectAs<Env::TPackageInformation>(1)->PackageHandle);
    // One mapping: initialised once, finalised with its last unload.
    EXPECT_EQ(Log(), QStringLiteral("+pkg_alpha"));

    ModuleManager::UnloadPackages();
    EXPECT_TRUE(Env::Modules->IsEmpty());
    EXPECT_EQ(Log(), QStringLiteral("+pkg_alpha -pkg_alpha ~pkg_alpha"));
    EXPECT_FALSE(TestPackages::Mapped(Path(QStringLiteral("pkg_alpha.bpl"))));
}

TEST_P(ModuleManagerTest, MissingFilesAreSkippedAndTheDirectoryIsNotScanned)
{
    CreateModul();
    AddRow(QStringLiteral("missing.bpl"), User, 1);
    AddRow(QStringLiteral("sub/none.bpl"), User, 2);
    testing::internal::CaptureStderr();
    ModuleManager::LoadPackages();
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(Env::Modules->IsEmpty());
    EXPECT_EQ(Log(), QString());
    EXPECT_EQ(errors.find(".bpl"), std::string::npos) << errors;

    AddRow(QStringLiteral("pkg_beta.bpl"), User, 3);
    ModuleManager::LoadPackages();
    EXPECT_EQ(ModuleNames(), QStringList{QStringLiteral("pkg_beta.bpl")});
}

TEST_P(ModuleManagerTest, AUserWithoutRowsGetsEveryPackageOfTheDirectory)
{
    CreateModul();
    AddRow(QStringLiteral("pkg_alpha.bpl"), User + 1, 1);
    QFile::remove(Path(QStringLiteral("pkg_initfails.bpl")));
    QFile::remove(Path(QStringLiteral("pkg_finifails.bpl")));
    ASSERT_TRUE(QFile::copy(TestPackages::File(QStringLiteral("pkg_gamma")), Path(QStringLiteral("pkg_gamma.so"))));
    ASSERT_TRUE(QDir(FPackages->path()).mkdir(QStringLiteral("folder.bpl")));

    ModuleManager::LoadPackages();
    QStringList names = ModuleNames();
    names.sort();
    EXPECT_EQ(names, (QStringList{QStringLiteral("pkg_alpha.bpl"), QStringLiteral("pkg_beta.bpl"), QStringLiteral("pkg_gamma.bpl")}));
    EXPECT_FALSE(TestPackages::Mapped(Path(QStringLiteral("pkg_gamma.so"))));
    EXPECT_EQ(Env::MessagePanel->Text(), QString());
}

TEST_P(ModuleManagerTest, AnUnreadableTableFallsBackToTheDirectorySilently)
{
    QFile::remove(Path(QStringLiteral("pkg_initfails.bpl")));
    QFile::remove(Path(QStringLiteral("pkg_finifails.bpl")));
    QFile::remove(Path(QStringLiteral("pkg_gamma.bpl")));

    ModuleManager::LoadPackages();
    QStringList names = ModuleNames();
    names.sort();
    EXPECT_EQ(names, (QStringList{QStringLiteral("pkg_alpha.bpl"), QStringLiteral("pkg_beta.bpl")}));
    // TearDown checks that no message box was shown.
}

TEST_P(ModuleManagerTest, APackageThatFailsToLoadIsSkippedWithOneLineOnStandardError)
{
    CreateModul();
    QFile broken(Path(QStringLiteral("broken.bpl")));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("MZ no library\n");
    broken.close();
    AddRow(QStringLiteral("pkg_alpha.bpl"), User, 1);
    AddRow(QStringLiteral("broken.bpl"), User, 2);
    AddRow(QStringLiteral("pkg_initfails.bpl"), User, 3);
    AddRow(QStringLiteral("pkg_beta.bpl"), User, 4);

    testing::internal::CaptureStderr();
    ModuleManager::LoadPackages();
    const QString errors = QString::fromStdString(testing::internal::GetCapturedStderr());
    EXPECT_EQ(ModuleNames(), (QStringList{QStringLiteral("pkg_alpha.bpl"), QStringLiteral("pkg_beta.bpl")}));
    EXPECT_EQ(Log(), QStringLiteral("+pkg_alpha +pkg_initfails -pkg_initfails ~pkg_initfails +pkg_beta"));

    QStringList lines;
    for (const QString& line : errors.split(QLatin1Char('\n')))
        if (line.contains(FPackages->path()))
            lines.append(line);
    ASSERT_EQ(lines.size(), 2) << errors.toStdString();
    EXPECT_TRUE(lines[0].startsWith(Path(QStringLiteral("broken.bpl"))));
    EXPECT_TRUE(lines[1].startsWith(Path(QStringLiteral("pkg_initfails.bpl"))));
    EXPECT_TRUE(lines[1].contains(QStringLiteral("пакет отказался начинать работу")));
}

TEST_P(ModuleManagerTest, APackageThatFailsToUnloadKeepsItsEntryAndTheOthersGo)
{
    CreateModul();
    AddRow(QStringLiteral("pkg_alpha.bpl"), User, 1);
    AddRow(QStringLiteral("pkg_finifails.bpl"), User, 2);
    AddRow(QStringLiteral("pkg_beta.bpl"), User, 3);
    ModuleManager::LoadPackages();
    TestPackages::ClearLogs();

    ModuleManager::UnloadPackages();
    EXPECT_EQ(ModuleNames(), QStringList{QStringLiteral("pkg_finifails.bpl")});
    EXPECT_EQ(Log(), QStringLiteral("-pkg_beta ~pkg_beta -pkg_alpha ~pkg_alpha"));
    EXPECT_TRUE(TestPackages::Mapped(Path(QStringLiteral("pkg_finifails.bpl"))));
    // The package finishes on the second attempt (TearDown checks the list is empty then).
}

VELNOR_INSTANTIATE_DATABASE_TEST(ModuleManagerTest);

} // namespace
