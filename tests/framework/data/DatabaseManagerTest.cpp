#include "DatabaseFixture.h"
#include "DatabaseManager.h"
#include "Env.h"
#include "Exceptions.h"
#include "TestEnvironment.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

using namespace DatabaseManager;

// A fresh program folder and form owner per test; restores the globals afterwards.
class TProgramFolder {
public:
    TProgramFolder()
    {
        static int counter = 0;
        FPath = TestSupport::TempDir() + QStringLiteral("/program-%1/").arg(++counter);
        QDir().mkpath(FPath);
        FPreviousPath = Env::ProgramPath;
        Env::ProgramPath = FPath;
        Env::FormOwner = &FOwner;
        LogSQL = true;
    }
    ~TProgramFolder()
    {
        Env::ProgramPath = FPreviousPath;
        Env::FormOwner = nullptr;
        LogSQL = true;
    }
    QString LogFile() const { return FPath + QStringLiteral("log_txt"); }
    TComponent& Owner() { return FOwner; }

private:
    QString FPath;
    QString FPreviousPath;
    TComponent FOwner;
};

QString ReadLog(const QString& FileName)
{
    QFile file(FileName);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << FileName.toStdString();
    return QString::fromUtf8(file.readAll());
}

// Takes one record's "date time " stamp off the front of Log; the time must be one of the
// seconds since Since.
bool TakeStamp(QString& Log, const QDateTime& Since)
{
    const QLocale locale;
    for (QDateTime at = Since; at <= QDateTime::currentDateTime().addSecs(1); at = at.addSecs(1)) {
        const QString stamp = locale.toString(at.date(), QLocale::ShortFormat) + QLatin1Char(' ')
                            + locale.toString(at.time(), QLocale::LongFormat) + QLatin1Char(' ');
        if (Log.startsWith(stamp)) {
            Log.remove(0, stamp.size());
            return true;
        }
    }
    return false;
}

// The log holds exactly these records, each a stamp followed by its message.
void ExpectRecords(const QString& FileName, const QDateTime& Since, const QStringList& Messages)
{
    QString log = ReadLog(FileName);
    for (const QString& message : Messages) {
        ASSERT_TRUE(TakeStamp(log, Since)) << "no stamp before: " << log.toStdString();
        ASSERT_TRUE(log.startsWith(message)) << log.toStdString() << "\nexpected: " << message.toStdString();
        log.remove(0, message.size());
    }
    EXPECT_EQ(log, QString());
}

TEST(DatabaseManager, RegistrationKeepsTheFirstRecordAndIgnoresLetterCase)
{
    TProgramFolder folder;
    TDatabase main;
    main.SetDatabaseName(QStringLiteral("Main"));
    TDatabase upper;
    upper.SetDatabaseName(QStringLiteral("MAIN"));
    RegisterDatabase(&main);
    auto* first = Databases->ObjectAs<TDatabaseInfo>(Databases->IndexOf(QStringLiteral("main")));
    RegisterDatabase(&upper);
    RegisterDatabase(&main);
    ASSERT_EQ(Databases->Count(), 1);
    EXPECT_EQ(Databases->Objects(0), first);
    EXPECT_EQ(first->RegisteredDatabase, &main);

    TNavQuery* query = GetQuery(&upper);
    ASSERT_NE(query, nullptr);
    EXPECT_EQ(query->DatabaseName(), QStringLiteral("MAIN"));
    EXPECT_EQ(query->Owner(), &folder.Owner());
    EXPECT_EQ(first->QueryList->IndexOfObject(query), 0);

    TDatabase other;
    other.SetDatabaseName(QStringLiteral("Other"));
    UnregisterDatabase(&other);
    EXPECT_EQ(Databases->Count(), 1);
    UnregisterDatabase(&upper);
    EXPECT_EQ(Databases->Count(), 0);
    EXPECT_EQ(folder.Owner().ComponentCount(), 0);
    EXPECT_TRUE(TestSupport::Dialogs().Messages().empty());

    UnregisterDatabase(nullptr);
    EXPECT_EQ(TestSupport::Dialogs().Messages(), std::vector<QString>{QStringLiteral("База данных не задана")});
}

TEST(DatabaseManager, FactoriesFillTheDatasetBeforeListingItAndDatasetsLeaveTheirListWhenFreed)
{
    TProgramFolder folder;
    TDatabase db;
    db.SetDatabaseName(QStringLiteral("Factories"));
    EXPECT_EQ(GetQuery(&db), nullptr);
    EXPECT_EQ(GetTableWithName(&db, QStringLiteral("T")), nullptr);
    RegisterDatabase(&db);
    auto* info = Databases->ObjectAs<TDatabaseInfo>(Databases->IndexOf(QStringLiteral("Factories")));

    TStringList lines;
    lines.Add(QStringLiteral("select 1"));
    lines.Add(QStringLiteral("from T"));
    TNavQuery* withLines = GetQueryWithSQL(&db, &lines);
    TNavQuery* withText = GetQueryWithSQL_TEXT(&db, QStringLiteral("select 2\r\nfrom T"));
    TNavQuery* bare = GetQuery(&db);
    TNavTable* table = GetTableWithName(&db, QStringLiteral("T"));
    TNavTable* bareTable = GetTable(&db);
    EXPECT_EQ(withLines->SQL()->Text(), QStringLiteral("select 1\r\nfrom T\r\n"));
    EXPECT_EQ(lines.Count(), 2);
    EXPECT_EQ(withText->SQL()->Text(), QStringLiteral("select 2\r\nfrom T\r\n"));
    EXPECT_EQ(table->TableName(), QStringLiteral("T"));
    EXPECT_EQ(bareTable->DatabaseName(), QStringLiteral("Factories"));
    ASSERT_EQ(info->QueryList->Count(), 3);
    ASSERT_EQ(info->TableList->Count(), 2);
    EXPECT_EQ(folder.Owner().ComponentCount(), 5);

    delete withText;
    delete bareTable;
    EXPECT_EQ(info->QueryList->Count(), 2);
    EXPECT_EQ(info->QueryList->IndexOfObject(withText), -1);
    EXPECT_EQ(info->QueryList->IndexOfObject(bare), 1);
    EXPECT_EQ(info->TableList->Count(), 1);

    UnregisterDatabase(&db);
    EXPECT_EQ(folder.Owner().ComponentCount(), 0);
    EXPECT_EQ(GetQuery(&db), nullptr);

    RegisterDatabase(&db);
    info = Databases->ObjectAs<TDatabaseInfo>(Databases->IndexOf(QStringLiteral("Factories")));
    EXPECT_EQ(info->QueryList->Count(), 0);
    EXPECT_EQ(info->TableList->Count(), 0);
    TNavQuery* again = GetQuery(&db);
    EXPECT_EQ(info->QueryList->Count(), 1);
    delete again;
    EXPECT_EQ(info->QueryList->Count(), 0);
    UnregisterDatabase(&db);
}

TEST(DatabaseManager, FreeingTheFormOwnerFreesItsDatasetsAndEmptiesTheLists)
{
    TDatabase db;
    db.SetDatabaseName(QStringLiteral("Owned"));
    RegisterDatabase(&db);
    auto* info = Databases->ObjectAs<TDatabaseInfo>(Databases->IndexOf(QStringLiteral("Owned")));
    {
        TProgramFolder folder;
        GetQuery(&db);
        GetTable(&db);
        EXPECT_EQ(info->QueryList->Count() + info->TableList->Count(), 2);
    }
    EXPECT_EQ(info->QueryList->Count(), 0);
    EXPECT_EQ(info->TableList->Count(), 0);
    UnregisterDatabase(&db);
}

class TDatabaseManagerTest : public TestSupport::TDatabaseTest {
protected:
    void SetUp() override
    {
        TDatabaseTest::SetUp();
        if (IsSkipped())
            return;
        FFolder = std::make_unique<TProgramFolder>();
        FSince = QDateTime::currentDateTime().addSecs(-1);
        ExecSQL(QStringLiteral("create table T (ID integer primary key, NAZVANIE varchar(100))"));
        ExecSQL(QStringLiteral("insert into T values (1, 'один'), (2, 'два')"));
        RegisterDatabase(Database());
    }
    void TearDown() override
    {
        if (Database())
            UnregisterDatabase(Database());
        FFolder.reset();
        TDatabaseTest::TearDown();
    }
    QString LogFile() const { return FFolder->LogFile(); }

    std::unique_ptr<TProgramFolder> FFolder;
    QDateTime FSince;
};

TEST_P(TDatabaseManagerTest, QueriesAndTablesAreLoggedRecordByRecord)
{
    TNavQuery* query = GetQueryWithSQL_TEXT(Database(), QStringLiteral("select NAZVANIE\nfrom T order by ID"));
    LogSQL = false;
    query->Open();
    EXPECT_TRUE(query->Active());
    EXPECT_FALSE(QFile::exists(LogFile()));
    query->Close();

    LogSQL = true;
    query->Open();
    EXPECT_EQ(query->Fields(0)->AsString(), QStringLiteral("один"));
    TNavTable* table = GetTableWithName(Database(), QStringLiteral("T"));
    table->Open();
    EXPECT_EQ(table->RecordCount(), 2);
    TNavQuery* update = GetQueryWithSQL_TEXT(Database(), QStringLiteral("update T set NAZVANIE = 'x' where ID = 2"));
    update->ExecSQL();
    EXPECT_EQ(update->RowsAffected(), 1);

    // Opening through the generic dataset interface bypasses the log.
    TNavQuery* quiet = GetQueryWithSQL_TEXT(Database(), QStringLiteral("select 1"));
    quiet->SetActive(true);
    EXPECT_TRUE(quiet->Active());

    ExpectRecords(LogFile(), FSince,
                  {QStringLiteral("(TESTDB)select NAZVANIE\r\nfrom T order by ID\r\n"), QStringLiteral("(TESTDB)T"),
                   QStringLiteral("(TESTDB)update T set NAZVANIE = 'x' where ID = 2\r\n")});
    EXPECT_TRUE(TestSupport::Dialogs().Messages().empty());
}

TEST_P(TDatabaseManagerTest, AFailedQueryIsLoggedTwiceAndShownOnceWithoutRaising)
{
    TNavQuery* query = GetQueryWithSQL_TEXT(Database(), QStringLiteral("select * from MISSING"));
    TNavQuery* direct = GetQueryWithSQL_TEXT(Database(), QStringLiteral("select * from MISSING"));
    QString message;
    try {
        direct->TQuery::Open();
    } catch (const EDatabaseError& e) {
        message = e.Message();
    }
    ASSERT_FALSE(message.isEmpty());

    EXPECT_NO_THROW(query->Open());
    EXPECT_FALSE(query->Active());
    ASSERT_EQ(TestSupport::Dialogs().Messages().size(), 1u);
    EXPECT_EQ(TestSupport::Dialogs().Messages()[0], QStringLiteral("Ошибка в запросе: ") + message);

    TNavTable* table = GetTableWithName(Database(), QStringLiteral("MISSING"));
    EXPECT_NO_THROW(table->Open());
    EXPECT_FALSE(table->Active());
    EXPECT_EQ(TestSupport::Dialogs().Messages().size(), 2u);

    ExpectRecords(LogFile(), FSince,
                  {QStringLiteral("(TESTDB)select * from MISSING\r\n"), message, QStringLiteral("(TESTDB)MISSING"), message});
    // The table's error message record follows the table record on the same line.
    EXPECT_TRUE(ReadLog(LogFile()).contains(QStringLiteral("(TESTDB)MISSING") + QLocale().toString(QDate::currentDate(), QLocale::ShortFormat)));
}

TEST_P(TDatabaseManagerTest, ALogThatCannotBeWrittenRaisesBeforeTheDatasetIsTouched)
{
    ASSERT_TRUE(QDir().mkpath(LogFile()));
    TNavQuery* query = GetQueryWithSQL_TEXT(Database(), QStringLiteral("select * from T"));
    EXPECT_THROW(query->Open(), EInOutError);
    EXPECT_FALSE(query->Active());
    TNavQuery* update = GetQueryWithSQL_TEXT(Database(), QStringLiteral("delete from T"));
    EXPECT_THROW(update->ExecSQL(), EInOutError);
    EXPECT_EQ(QueryValue(QStringLiteral("select count(*) from T")).toInt(), 2);
    EXPECT_TRUE(TestSupport::Dialogs().Messages().empty());

    LogSQL = false;
    query->Open();
    EXPECT_TRUE(query->Active());
}

// While it lives, the process cannot write into Folder: the folder is read-only and, when the
// tests run as root (who may write anywhere), the process acts as the user nobody, keeping
// the right to become root again.
class TReadOnlyFolder {
public:
    explicit TReadOnlyFolder(const QString& Folder)
        : FFolder(Folder), FRoot(geteuid() == 0)
    {
        QFile::setPermissions(FFolder, QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadGroup | QFileDevice::ExeGroup
                                           | QFileDevice::ReadOther | QFileDevice::ExeOther);
        if (FRoot && setresuid(Nobody, Nobody, 0) != 0)
            ADD_FAILURE() << "cannot act as nobody";
    }
    ~TReadOnlyFolder()
    {
        if (FRoot && setresuid(0, 0, 0) != 0)
            ADD_FAILURE() << "cannot become root again";
        QFile::setPermissions(FFolder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

private:
    static constexpr uid_t Nobody = 65534;
    QString FFolder;
    bool FRoot;
};

TEST_P(TDatabaseManagerTest, TheLogGoesToTheStateFolderWhenTheProgramFolderIsReadOnly)
{
    QTemporaryDir program, state;
    ASSERT_TRUE(program.isValid() && state.isValid());
    const auto everyone = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner | QFileDevice::ReadGroup
                        | QFileDevice::WriteGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther | QFileDevice::WriteOther
                        | QFileDevice::ExeOther;
    ASSERT_TRUE(QFile::setPermissions(state.path(), everyone));
    qputenv("XDG_STATE_HOME", QFile::encodeName(state.path() + QStringLiteral("/nested")));
    Env::ProgramPath = program.path() + QLatin1Char('/');
    TNavQuery* query = GetQueryWithSQL_TEXT(Database(), QStringLiteral("select ID from T"));
    {
        const TReadOnlyFolder readOnly(program.path());
        query->Open();
    }
    qunsetenv("XDG_STATE_HOME");
    EXPECT_TRUE(query->Active());
    EXPECT_FALSE(QFile::exists(program.filePath(QStringLiteral("log_txt"))));
    ExpectRecords(state.path() + QStringLiteral("/nested/velnor07/log_txt"), FSince, {QStringLiteral("(TESTDB)select ID from T\r\n")});
    EXPECT_TRUE(TestSupport::Dialogs().Messages().empty());
}

VELNOR_INSTANTIATE_DATABASE_TEST(TDatabaseManagerTest);

} // namespace
