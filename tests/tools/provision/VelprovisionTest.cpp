// The velprovision program, run as the user runs it: the files it leaves in the demo
// directory, the alias the engine then opens, and its failures.

#include "DatabaseFixture.h"
#include "DemoSchema.h"
#include "DemoSetup.h"
#include "Exceptions.h"
#include "RegistryFile.h"
#include "TestEnvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

#include <memory>

namespace {

using TestSupport::TDatabaseTest;

const QString ApplicationKey = QStringLiteral("Software\\Velnor07\\DEMO");

struct TRun {
    int ExitCode;
    QString Output;
    QString Errors;
};

TRun RunTool(const QStringList& Arguments)
{
    QProcess process;
    process.start(QCoreApplication::applicationDirPath() + QStringLiteral("/velprovision"), Arguments);
    process.waitForFinished(120000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromLocal8Bit(process.readAllStandardOutput()), QString::fromLocal8Bit(process.readAllStandardError())};
}

QString NewDirectory(const QString& Name)
{
    const QString dir = TestSupport::TempDir() + QLatin1Char('/') + Name;
    QDir(dir).removeRecursively();
    return dir;
}

QByteArray Content(const QString& FileName)
{
    QFile file(FileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TRegistryDocument Registry(const QString& Dir)
{
    const QString file = Dir + QStringLiteral("/registry.reg");
    return TRegistryDocument::Parse(Content(file), file);
}

QString StringValue(const TRegistryDocument& Document, const QString& Key, const QString& Name)
{
    const TRegistryValue* value = Document.FindValue(Key, Name);
    return value && value->Kind == TRegistryValue::TKind::String ? value->Text : QStringLiteral("<missing>");
}

qint32 IntegerValue(const TRegistryDocument& Document, const QString& Key, const QString& Name)
{
    const TRegistryValue* value = Document.FindValue(Key, Name);
    return value && value->Kind == TRegistryValue::TKind::Integer ? value->Integer : -1;
}

// Points the engine at another alias file while it lives.
class TAliasFileOverride {
public:
    explicit TAliasFileOverride(const QString& FileName) : FOld(qgetenv("VELNOR_ALIASES"))
    {
        qputenv("VELNOR_ALIASES", QFile::encodeName(FileName));
    }
    ~TAliasFileOverride()
    {
        Session().DropConnections();
        qputenv("VELNOR_ALIASES", FOld);
    }

private:
    QByteArray FOld;
};

// Opens the alias "DEMO" of the demo's alias file as the shell does and runs its user check.
QString DemoUserID(const QString& Dir)
{
    TAliasFileOverride aliases(Dir + QStringLiteral("/aliases.ini"));
    TDatabase database;
    database.SetDatabaseName(QStringLiteral("Navigate"));
    database.SetAliasName(QStringLiteral("DEMO"));
    database.Open();
    TQuery query;
    query.SetDatabaseName(QStringLiteral("Navigate"));
    query.SQL()->Add(QStringLiteral("select * from POLZOVATEL where NAZVANIE='DEMO'"));
    query.Open();
    return query.Eof() ? QString() : query.FieldByName(QStringLiteral("ID"))->AsString();
}

// Nothing of the staging is left behind.
QStringList StrayFiles(const QString& Dir)
{
    return QDir(Dir).entryList({QStringLiteral("*.new"), QStringLiteral("*.lock")}, QDir::Files);
}

TEST(TVelprovisionTest, ProvisionsSQLiteDemoAndReplacesItWhenRunAgain)
{
    const QString dir = NewDirectory(QStringLiteral("demo sqlite"));
    const TRun first = RunTool({QStringLiteral("--dir"), dir, QStringLiteral("--rows"), QStringLiteral("120"),
                                QStringLiteral("--packages-path"), QStringLiteral("/opt/velnor/packages")});
    ASSERT_EQ(first.ExitCode, 0) << first.Errors.toStdString();
    EXPECT_EQ(first.Output, QStringLiteral("export VELNOR_REGISTRY='%1/registry.reg'\nexport VELNOR_ALIASES='%1/aliases.ini'\n").arg(dir));

    const TRegistryDocument registry = Registry(dir);
    EXPECT_EQ(IntegerValue(registry, QStringLiteral("Software\\Velnor07"), QStringLiteral("AutoConnect")), 1);
    EXPECT_EQ(StringValue(registry, QStringLiteral("Software\\Velnor07"), QStringLiteral("LastUser")), QStringLiteral("DEMO"));
    EXPECT_EQ(StringValue(registry, ApplicationKey, QStringLiteral("Alias")), QStringLiteral("DEMO"));
    EXPECT_EQ(StringValue(registry, ApplicationKey, QStringLiteral("PackagesPath")), QStringLiteral("/opt/velnor/packages"));
    EXPECT_EQ(StringValue(registry, ApplicationKey, QStringLiteral("ApplicationPath")), dir);
    EXPECT_EQ(IntegerValue(registry, ApplicationKey, QStringLiteral("ConnectNeeded")), 0);
    EXPECT_TRUE(StringValue(registry, ApplicationKey, QStringLiteral("ApplicationTitle")).contains(QStringLiteral("Торговый дом")));
    EXPECT_EQ(registry.SubKeyNames(QStringLiteral("Software\\Velnor07")), QStringList{QStringLiteral("DEMO")});

    EXPECT_EQ(Content(dir + QStringLiteral("/aliases.ini")), QByteArray("[DEMO]\nDriver=SQLITE\nDatabase=demo.db\n"));
    EXPECT_EQ(DemoUserID(dir), QStringLiteral("1"));
    EXPECT_TRUE(StrayFiles(dir).isEmpty()) << StrayFiles(dir).join(QLatin1Char(' ')).toStdString();

    // Again, with the default package folder and fewer rows: everything replaced, nothing doubled.
    const TRun second = RunTool({QStringLiteral("--dir"), dir, QStringLiteral("--rows"), QStringLiteral("30")});
    ASSERT_EQ(second.ExitCode, 0) << second.Errors.toStdString();
    const TRegistryDocument again = Registry(dir);
    EXPECT_EQ(StringValue(again, ApplicationKey, QStringLiteral("PackagesPath")), QCoreApplication::applicationDirPath() + QStringLiteral("/packages"));
    EXPECT_EQ(again.FindKey(ApplicationKey)->Values.size(), 5u);
    EXPECT_EQ(Content(dir + QStringLiteral("/aliases.ini")), QByteArray("[DEMO]\nDriver=SQLITE\nDatabase=demo.db\n"));
    EXPECT_EQ(DemoUserID(dir), QStringLiteral("1"));
    {
        TAliasFileOverride aliases(dir + QStringLiteral("/aliases.ini"));
        TQuery query;
        query.SetDatabaseName(QStringLiteral("DEMO"));
        query.SQL()->Add(QStringLiteral("select count(*) N from KLIENTY"));
        query.Open();
        EXPECT_EQ(query.FieldByName(QStringLiteral("N"))->AsInteger(), 30);
    }
    EXPECT_TRUE(StrayFiles(dir).isEmpty());
}

TEST(TVelprovisionTest, FailuresEndWithAMessageAndLeaveNoFiles)
{
    // The directory cannot be made: its parent is a file (root may write anywhere else).
    const QString parent = NewDirectory(QStringLiteral("blocked"));
    QDir().mkpath(parent);
    QFile(parent + QStringLiteral("/file")).open(QIODevice::WriteOnly);
    const TRun unwritable = RunTool({QStringLiteral("--dir"), parent + QStringLiteral("/file/demo")});
    EXPECT_EQ(unwritable.ExitCode, 1);
    EXPECT_TRUE(unwritable.Errors.contains(parent + QStringLiteral("/file/demo"))) << unwritable.Errors.toStdString();
    EXPECT_TRUE(unwritable.Output.isEmpty());

    // An unreachable server into a fresh directory: no alias, no registry.
    const QString fresh = NewDirectory(QStringLiteral("unreachable"));
    const QStringList unreachable = {QStringLiteral("--postgres"), QStringLiteral("host=127.0.0.1 port=1 dbname=demo user=nobody")};
    const TRun refused = RunTool(QStringList{QStringLiteral("--dir"), fresh} + unreachable);
    EXPECT_EQ(refused.ExitCode, 1);
    EXPECT_TRUE(refused.Errors.contains(QStringLiteral("PostgreSQL"))) << refused.Errors.toStdString();
    EXPECT_FALSE(QFile::exists(fresh + QStringLiteral("/registry.reg")));
    EXPECT_FALSE(QFile::exists(fresh + QStringLiteral("/aliases.ini")));

    // The same over a provisioned demo leaves its files as they were.
    const QString existing = NewDirectory(QStringLiteral("existing"));
    ASSERT_EQ(RunTool({QStringLiteral("--dir"), existing, QStringLiteral("--rows"), QStringLiteral("10")}).ExitCode, 0);
    const QByteArray registry = Content(existing + QStringLiteral("/registry.reg"));
    const QByteArray aliases = Content(existing + QStringLiteral("/aliases.ini"));
    EXPECT_EQ(RunTool(QStringList{QStringLiteral("--dir"), existing} + unreachable).ExitCode, 1);
    EXPECT_EQ(Content(existing + QStringLiteral("/registry.reg")), registry);
    EXPECT_EQ(Content(existing + QStringLiteral("/aliases.ini")), aliases);
    EXPECT_TRUE(StrayFiles(existing).isEmpty());

    // Wrong arguments.
    EXPECT_EQ(RunTool({QStringLiteral("--dir"), existing, QStringLiteral("--rows"), QStringLiteral("0")}).ExitCode, 2);
    EXPECT_EQ(RunTool({QStringLiteral("--rows"), QStringLiteral("10")}).ExitCode, 2);
}

// An author's own demo: the program's tables only, their package and their SQL; a file with an
// error names its line and leaves no demo.
TEST(TVelprovisionTest, AuthorsSqlMakesADemoOfTheirOwnAndAWrongFileNamesItsLine)
{
    const QString dir = NewDirectory(QStringLiteral("author"));
    const QString sql = TestSupport::TempDir() + QStringLiteral("/author.sql");
    QFile file(sql);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write("create table KNIGI (ID integer primary key, NAZVANIE varchar(250));\n"
               "insert into KNIGI values (7, 'Азбука');\n");
    file.close();
    const TRun run = RunTool({QStringLiteral("--dir"), dir, QStringLiteral("--no-sample"), QStringLiteral("--package"),
                              QStringLiteral("library.bpl"), QStringLiteral("--sql"), sql});
    ASSERT_EQ(run.ExitCode, 0) << run.Errors.toStdString();
    {
        TAliasFileOverride aliases(dir + QStringLiteral("/aliases.ini"));
        TQuery query;
        query.SetDatabaseName(QStringLiteral("DEMO"));
        query.SQL()->Add(QStringLiteral("select (select NAZVANIE from KNIGI where ID = 7) BOOK, (select STROKA from modul where POLZ_ID = 1) PACKAGE"));
        query.Open();
        EXPECT_EQ(query.FieldByName(QStringLiteral("BOOK"))->AsString(), QStringLiteral("Азбука"));
        EXPECT_EQ(query.FieldByName(QStringLiteral("PACKAGE"))->AsString(), QStringLiteral("library.bpl"));
    }

    const QString fresh = NewDirectory(QStringLiteral("author broken"));
    file.open(QIODevice::Append);
    file.write("\ninsert into KNIGI values (7, 'again');\n");
    file.close();
    const TRun broken = RunTool({QStringLiteral("--dir"), fresh, QStringLiteral("--no-sample"), QStringLiteral("--sql"), sql});
    EXPECT_EQ(broken.ExitCode, 1);
    EXPECT_TRUE(broken.Errors.contains(sql + QStringLiteral(", строка 4: "))) << broken.Errors.toStdString();
    EXPECT_FALSE(QFile::exists(fresh + QStringLiteral("/demo.db")));
    EXPECT_FALSE(QFile::exists(fresh + QStringLiteral("/aliases.ini")));
}

TEST(TVelprovisionTest, PostgresConnectionStringSplitsIntoAliasKeys)
{
    const DemoSetup::TPostgresTarget target =
        DemoSetup::ParsePostgres(QStringLiteral("host=db.local port = 5433 dbname=trade user=kassa password='a b\\'c' sslmode=disable"));
    EXPECT_EQ(target.Host, QStringLiteral("db.local"));
    EXPECT_EQ(target.Port, QStringLiteral("5433"));
    EXPECT_EQ(target.Database, QStringLiteral("trade"));
    EXPECT_EQ(target.Options, QStringLiteral("user=kassa;password='a b\\'c';sslmode=disable"));

    EXPECT_THROW(DemoSetup::ParsePostgres(QStringLiteral("host=db.local user=kassa")), EConvertError);
    EXPECT_THROW(DemoSetup::ParsePostgres(QStringLiteral("dbname=trade password=a;b")), EConvertError);
    EXPECT_THROW(DemoSetup::ParsePostgres(QStringLiteral("dbname=trade port=fünf")), EConvertError);
    EXPECT_THROW(DemoSetup::ParsePostgres(QStringLiteral("dbname=trade password='open")), EConvertError);
    EXPECT_THROW(DemoSetup::ParsePostgres(QStringLiteral("dbname")), EConvertError);
}

// The tool against the test server, into the fixture's own schema (given as a server option).
class TVelprovisionPostgresTest : public TDatabaseTest {};

TEST_P(TVelprovisionPostgresTest, ProvisionsPostgresDemo)
{
    const QString schema = QueryValue(QStringLiteral("select current_schema()")).toString();
    const QString dir = NewDirectory(QStringLiteral("demo postgres"));
    const QString connection = TestSupport::PostgresConnection() + QStringLiteral(" options=-csearch_path=") + schema;
    const TRun run = RunTool({QStringLiteral("--dir"), dir, QStringLiteral("--rows"), QStringLiteral("2500"), QStringLiteral("--postgres"), connection});
    ASSERT_EQ(run.ExitCode, 0) << run.Errors.toStdString();

    const DemoSetup::TPostgresTarget target = DemoSetup::ParsePostgres(TestSupport::PostgresConnection());
    const QByteArray expected = QStringLiteral("[DEMO]\nDriver=POSTGRESQL\nHost=%1\nPort=%2\nDatabase=%3\nOptions=%4;options=-csearch_path=%5\n")
                                    .arg(target.Host, target.Port, target.Database, target.Options, schema)
                                    .toUtf8();
    EXPECT_EQ(Content(dir + QStringLiteral("/aliases.ini")), expected);
    EXPECT_FALSE(QFile::exists(dir + QStringLiteral("/demo.db")));
    EXPECT_EQ(StringValue(Registry(dir), ApplicationKey, QStringLiteral("Alias")), QStringLiteral("DEMO"));
    EXPECT_EQ(DemoUserID(dir), QStringLiteral("1"));
    // More rows than one multi-row statement holds.
    EXPECT_EQ(QueryValue(QStringLiteral("select count(*) from KLIENTY")).toInt(), 2500);
    EXPECT_EQ(QueryValue(QStringLiteral("select count(*) from NAVIGATSIA")).toInt(), 25);
}

// The SQLite demo is provisioned by TVelprovisionTest above.
INSTANTIATE_TEST_SUITE_P(Backends, TVelprovisionPostgresTest, testing::Values(TestSupport::TBackend::PostgreSQL),
                         TestSupport::BackendName);

} // namespace
