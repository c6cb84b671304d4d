// An author's SQL files: how a file is cut into statements, and the files run after the
// program's own tables on SQLite and PostgreSQL, all or nothing.

#include "DatabaseFixture.h"
#include "DemoSchema.h"
#include "Exceptions.h"
#include "SqlScript.h"
#include "TestEnvironment.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

using TestSupport::TDatabaseTest;

QString WriteScript(const QString& Name, const QString& Text)
{
    const QString fileName = TestSupport::TempDir() + QLatin1Char('/') + Name;
    QFile file(fileName);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(Text.toUtf8());
    return fileName;
}

QString ErrorOf(const std::function<void()>& Step)
{
    try {
        Step();
    } catch (const Exception& error) {
        return error.Message();
    }
    return QStringLiteral("<no error>");
}

TEST(TSqlScriptTest, SemicolonsInTextsNamesCommentsAndDollarBodiesDoNotEndAStatement)
{
    const QString script = QStringLiteral(
        "-- a comment; not a statement\n"
        "insert into T values ('a;b', 'it''s');;\n"
        "/* a block;\n   comment */ select \"odd;name\" from T;\n"
        "create function F() returns int as $$ select 1; $$ language sql;\n"
        "do $body$ begin perform $1; end $body$;\n"
        "select 1 -- the last one needs no semicolon");
    const std::vector<SqlScript::TStatement> statements = SqlScript::Split(script);
    ASSERT_EQ(statements.size(), 5u);
    EXPECT_EQ(statements[0].Text, QStringLiteral("insert into T values ('a;b', 'it''s')"));
    EXPECT_EQ(statements[0].Line, 2);
    EXPECT_EQ(statements[1].Text, QStringLiteral("select \"odd;name\" from T"));
    EXPECT_EQ(statements[1].Line, 4);
    EXPECT_EQ(statements[2].Text, QStringLiteral("create function F() returns int as $$ select 1; $$ language sql"));
    EXPECT_EQ(statements[3].Text, QStringLiteral("do $body$ begin perform $1; end $body$"));
    EXPECT_EQ(statements[4].Line, 7);

    for (const QString& open : {QStringLiteral("select 1;\n\nselect 'open;"), QStringLiteral("select 1;\n\n/* open"),
                                QStringLiteral("select 1;\n\nselect $x$ open")})
        EXPECT_TRUE(ErrorOf([&] { SqlScript::Split(open); }).startsWith(QStringLiteral("строка 3:"))) << open.toStdString();
}

class TSqlScriptDatabaseTest : public TDatabaseTest {};

// The author's file after the program's tables: its rows are there, and a failing statement
// is named by file and line and takes back the whole provisioning.
TEST_P(TSqlScriptDatabaseTest, AuthorsFilesRunAfterTheProgramsTablesAllOrNothing)
{
    const QString good = WriteScript(QStringLiteral("library.sql"), QStringLiteral(
        "create table KNIGI (ID integer primary key, NAZVANIE varchar(250));\n"
        "insert into KNIGI values (1, 'Война и мир; том 1');\n"
        "insert into CLASS (ID, NAZVANIE, STROKA, TIP_CLASS_ID) values (101, 'TBooksClass', 'Книги', 1);\n"));
    DemoSchema::ProvisionProgramTables(Database()->Connection(), {QStringLiteral("library.bpl")}, {good});
    EXPECT_EQ(QueryValue(QStringLiteral("select NAZVANIE from KNIGI where ID = 1")).toString(), QStringLiteral("Война и мир; том 1"));
    EXPECT_EQ(QueryValue(QStringLiteral("select count(*) from CLASS")).toInt(), 2);
    EXPECT_EQ(QueryValue(QStringLiteral("select STROKA from modul where POLZ_ID = 1")).toString(), QStringLiteral("library.bpl"));
    EXPECT_THROW(QueryValue(QStringLiteral("select count(*) from KLIENTY")), EDatabaseError);

    ExecSQL(QStringLiteral("drop table KNIGI"));
    const QString bad = WriteScript(QStringLiteral("broken.sql"), QStringLiteral(
        "create table AVTORY (ID integer primary key);\n\n"
        "insert into NET_TAKOY values (1);\n"));
    const QString error = ErrorOf([&] { DemoSchema::Provision(Database()->Connection(), 5, DemoSchema::PackageFiles(), {good, bad}); });
    EXPECT_TRUE(error.startsWith(bad + QStringLiteral(", строка 3: "))) << error.toStdString();
    EXPECT_TRUE(error.endsWith(QStringLiteral("\ninsert into NET_TAKOY values (1)"))) << error.toStdString();
    // As it was: the program's tables of the first run, no sample tables, nothing of the files.
    EXPECT_EQ(QueryValue(QStringLiteral("select count(*) from CLASS")).toInt(), 2);
    EXPECT_THROW(QueryValue(QStringLiteral("select count(*) from AVTORY")), EDatabaseError);
    EXPECT_THROW(QueryValue(QStringLiteral("select count(*) from KNIGI")), EDatabaseError);
    EXPECT_THROW(QueryValue(QStringLiteral("select count(*) from KLIENTY")), EDatabaseError);
}

VELNOR_INSTANTIATE_DATABASE_TEST(TSqlScriptDatabaseTest);

} // namespace
