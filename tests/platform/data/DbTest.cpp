#include "DatabaseFixture.h"
#include "DbTables.h"
#include "Exceptions.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

#include <gtest/gtest.h>

namespace {

using TestSupport::TBackend;

QString MessageOf(const std::function<void()>& Operation)
{
    try {
        Operation();
    } catch (const EDatabaseError& e) {
        return e.Message();
    }
    ADD_FAILURE() << "no EDatabaseError was raised";
    return QString();
}

class TDbTest : public TestSupport::TDatabaseTest {
protected:
    void CreateNames()
    {
        ExecSQL(QStringList{
            QStringLiteral("create table T (ID integer primary key, NAZVANIE varchar(100), KOD integer)"),
            QStringLiteral("insert into T values (1, 'Бета', 10), (2, 'альфа', 20), (3, 'Гамма', 30), (4, 'Альфа-2', 40)"),
        });
    }

    std::unique_ptr<TQuery> NewQuery(const QString& SQL)
    {
        auto query = std::make_unique<TQuery>();
        query->SetDatabaseName(AliasName());
        query->SQL()->SetText(SQL);
        return query;
    }

    // The driver's own message for a statement, straight from Qt.
    QString DriverMessage(const QString& SQL)
    {
        QSqlQuery statement = Database()->NewStatement();
        EXPECT_FALSE(statement.exec(SQL));
        return statement.lastError().text();
    }
};

TEST_P(TDbTest, ReadsRowsInQueryOrderThroughFieldsByNameInAnyCaseAndByPosition)
{
    CreateNames();
    auto query = NewQuery(QStringLiteral("select ID, NAZVANIE from T order by ID desc"));
    query->Open();
    ASSERT_TRUE(query->Active());
    EXPECT_EQ(query->State(), dsBrowse);
    EXPECT_TRUE(query->Bof());
    EXPECT_FALSE(query->Eof());
    ASSERT_EQ(query->FieldCount(), 2);
    EXPECT_EQ(query->Fields(1)->DataType(), ftString);

    QStringList names;
    QList<qint64> ids;
    for (; !query->Eof(); query->Next()) {
        names.append(query->FieldByName(QStringLiteral("nazvanie"))->AsString());
        ids.append(query->FieldByName(QStringLiteral("Id"))->AsLargeInt());
        EXPECT_EQ(query->Fields(0)->AsInteger(), ids.last());
    }
    EXPECT_EQ(names, (QStringList{QStringLiteral("Альфа-2"), QStringLiteral("Гамма"), QStringLiteral("альфа"), QStringLiteral("Бета")}));
    EXPECT_EQ(ids, (QList<qint64>{4, 3, 2, 1}));
    EXPECT_EQ(query->RecNo(), 4);

    query->Prior();
    EXPECT_EQ(query->FieldByName(QStringLiteral("ID"))->AsInteger(), 2);
    EXPECT_FALSE(query->Eof());
    query->First();
    EXPECT_TRUE(query->Bof());
    EXPECT_EQ(query->Fields(0)->AsInteger(), 4);
    query->Prior();
    EXPECT_TRUE(query->Bof());
    EXPECT_EQ(query->Fields(0)->AsInteger(), 4);
    query->Last();
    EXPECT_TRUE(query->Eof());
    EXPECT_EQ(query->Fields(0)->AsInteger(), 1);
    EXPECT_EQ(query->RecordCount(), 4);

    TStringList fieldNames;
    query->GetFieldNames(&fieldNames);
    ASSERT_EQ(fieldNames.Count(), 2);
    EXPECT_EQ(fieldNames.Strings(1).toUpper(), QStringLiteral("NAZVANIE"));
    EXPECT_EQ(query->FindField(QStringLiteral("KOD")), nullptr);
    EXPECT_EQ(MessageOf([&] { query->FieldByName(QStringLiteral("KOD")); }), QStringLiteral("Поле 'KOD' не найдено"));

    const QString kept = query->Fields(1)->AsString();
    query->Close();
    EXPECT_FALSE(query->Active());
    EXPECT_EQ(kept, QStringLiteral("Бета")); // texts read stay valid after the cache is gone
    EXPECT_THROW(query->Next(), EDatabaseError);
}

TEST_P(TDbTest, RecordCountOfAPartlyReadQueryCountsEveryRowAndEmptyResultsAreEmpty)
{
    CreateNames();
    auto query = NewQuery(QStringLiteral("select * from T order by ID"));
    query->Open();
    query->Next();
    EXPECT_EQ(query->RecordCount(), 4);
    EXPECT_EQ(query->RecNo(), 2);
    EXPECT_EQ(query->FieldByName(QStringLiteral("KOD"))->AsInteger(), 20);
    EXPECT_FALSE(query->IsEmpty());

    auto empty = NewQuery(QStringLiteral("select * from T where ID > 100"));
    empty->SetActive(true);
    EXPECT_TRUE(empty->IsEmpty());
    EXPECT_TRUE(empty->Eof());
    EXPECT_TRUE(empty->Bof());
    EXPECT_EQ(empty->RecordCount(), 0);
    EXPECT_TRUE(empty->Fields(1)->IsNull());
    EXPECT_EQ(empty->Fields(1)->AsString(), QString());
    EXPECT_EQ(empty->Fields(0)->AsInteger(), 0);
}

TEST_P(TDbTest, LocateHonoursItsOptionsAndKeepsTheRowWhenNothingMatches)
{
    CreateNames();
    auto query = NewQuery(QStringLiteral("select * from T order by ID"));
    query->Open();
    query->Next();

    EXPECT_FALSE(query->Locate(QStringLiteral("NAZVANIE"), QStringLiteral("АЛЬФА"), 0));
    EXPECT_EQ(query->Fields(0)->AsInteger(), 2);
    EXPECT_FALSE(query->Locate(QStringLiteral("NAZVANIE"), QStringLiteral("Альф"), 0));

    EXPECT_TRUE(query->Locate(QStringLiteral("nazvanie"), QStringLiteral("АЛЬФА"), loCaseInsensitive));
    EXPECT_EQ(query->Fields(0)->AsInteger(), 2);
    EXPECT_TRUE(query->Locate(QStringLiteral("NAZVANIE"), QStringLiteral("Альф"), loPartialKey));
    EXPECT_EQ(query->Fields(0)->AsInteger(), 4);
    EXPECT_TRUE(query->Locate(QStringLiteral("NAZVANIE"), QStringLiteral("гам"), loPartialKey | loCaseInsensitive));
    EXPECT_EQ(query->Fields(0)->AsInteger(), 3);

    EXPECT_TRUE(query->Locate(QStringLiteral("ID"), 1, 0));
    EXPECT_EQ(query->FieldByName(QStringLiteral("NAZVANIE"))->AsString(), QStringLiteral("Бета"));
    EXPECT_TRUE(query->Locate(QStringLiteral("KOD"), QStringLiteral("40"), 0));
    EXPECT_EQ(query->Fields(0)->AsInteger(), 4);
    EXPECT_TRUE(query->Locate(QStringLiteral("ID;KOD"), QVariantList{3, 30}, 0));
    EXPECT_EQ(query->Fields(0)->AsInteger(), 3);
    EXPECT_FALSE(query->Locate(QStringLiteral("ID; KOD"), QVariantList{3, 40}, 0));
    EXPECT_EQ(query->Fields(0)->AsInteger(), 3);
    EXPECT_THROW(query->Locate(QStringLiteral("ID;KOD"), 3, 0), EDatabaseError);
}

TEST_P(TDbTest, NamedParametersBindByNameAndPreparedStatementsRunAgain)
{
    CreateNames();
    auto query = NewQuery(QStringLiteral("select NAZVANIE from T\nwhere (ID = :P or KOD = :kod * 10) and NAZVANIE <> ':NOTAPARAM' and ID >= :p\norder by ID"));
    ASSERT_EQ(query->Params()->Count(), 2);
    EXPECT_EQ(query->Params()->Items(1)->Name(), QStringLiteral("kod"));
    EXPECT_EQ(query->Params()->FindParam(QStringLiteral("NOTAPARAM")), nullptr);
    EXPECT_THROW(query->ParamByName(QStringLiteral("X")), EDatabaseError);

    query->ParamByName(QStringLiteral("p"))->SetAsInteger(1);
    EXPECT_EQ(MessageOf([&] { query->Open(); }), QStringLiteral("Нет значения параметра 'kod'"));
    EXPECT_FALSE(query->Active());

    query->ParamByName(QStringLiteral("KOD"))->SetAsInteger(3);
    query->Prepare();
    EXPECT_TRUE(query->Prepared());
    query->Open();
    EXPECT_EQ(query->RecordCount(), 2);
    EXPECT_EQ(query->Fields(0)->AsString(), QStringLiteral("Бета"));
    query->Close();

    query->ParamByName(QStringLiteral("P"))->SetAsInteger(2);
    query->ParamByName(QStringLiteral("KOD"))->Clear();
    query->Open();
    EXPECT_EQ(query->RecordCount(), 1);
    EXPECT_EQ(query->Fields(0)->AsString(), QStringLiteral("альфа"));
    query->Close();

    auto update = NewQuery(QStringLiteral("update T set NAZVANIE = :N where KOD >= :K"));
    update->ParamByName(QStringLiteral("N"))->SetAsString(QStringLiteral("новое"));
    update->ParamByName(QStringLiteral("K"))->SetAsInteger(30);
    update->ExecSQL();
    EXPECT_EQ(update->RowsAffected(), 2);
    EXPECT_EQ(QueryValue(QStringLiteral("select count(*) from T where NAZVANIE = 'новое'")).toInt(), 2);
}

TEST_P(TDbTest, TableEditsAppendsInsertsAndDeletesAreWrittenBackByPrimaryKey)
{
    CreateNames();
    TTable table;
    table.SetDatabaseName(AliasName());
    table.SetTableName(QStringLiteral("T"));
    table.Open();
    ASSERT_TRUE(table.Locate(QStringLiteral("ID"), 3, 0));
    EXPECT_THROW(table.FieldByName(QStringLiteral("NAZVANIE"))->SetAsString(QStringLiteral("x")), EDatabaseError);

    table.Edit();
    EXPECT_EQ(table.State(), dsEdit);
    table.FieldByName(QStringLiteral("NAZVANIE"))->SetAsString(QStringLiteral("Гамма-изм"));
    EXPECT_EQ(table.FieldByName(QStringLiteral("NAZVANIE"))->AsString(), QStringLiteral("Гамма-изм"));
    table.Post();
    EXPECT_EQ(table.State(), dsBrowse);
    EXPECT_EQ(QueryValue(QStringLiteral("select NAZVANIE from T where ID = 3")).toString(), QStringLiteral("Гамма-изм"));
    EXPECT_EQ(QueryValue(QStringLiteral("select KOD from T where ID = 3")).toInt(), 30);

    table.Edit();
    table.FieldByName(QStringLiteral("KOD"))->SetAsInteger(99);
    table.Cancel();
    EXPECT_EQ(table.FieldByName(QStringLiteral("KOD"))->AsInteger(), 30);

    table.Append();
    table.FieldByName(QStringLiteral("ID"))->SetAsInteger(10);
    table.FieldByName(QStringLiteral("NAZVANIE"))->SetAsString(QStringLiteral("Дельта"));
    table.Post();
    EXPECT_EQ(table.RecNo(), 5);
    EXPECT_TRUE(table.FieldByName(QStringLiteral("KOD"))->IsNull());
    EXPECT_EQ(QueryValue(QStringLiteral("select NAZVANIE from T where ID = 10")).toString(), QStringLiteral("Дельта"));

    table.First();
    table.Insert();
    table.FieldByName(QStringLiteral("ID"))->SetAsInteger(11);
    table.FieldByName(QStringLiteral("KOD"))->SetAsInteger(110);
    table.Next(); // leaving the new row posts it
    EXPECT_EQ(QueryValue(QStringLiteral("select KOD from T where ID = 11")).toInt(), 110);
    EXPECT_EQ(table.RecordCount(), 6);

    ASSERT_TRUE(table.Locate(QStringLiteral("ID"), 2, 0));
    table.Delete();
    EXPECT_EQ(table.RecordCount(), 5);
    EXPECT_FALSE(table.Locate(QStringLiteral("ID"), 2, 0));
    EXPECT_TRUE(QueryValue(QStringLiteral("select ID from T where ID = 2")).isNull());

    ASSERT_TRUE(table.Locate(QStringLiteral("ID"), 4, 0));
    table.Edit();
    table.FieldByName(QStringLiteral("ID"))->SetAsInteger(40);
    table.Post();
    EXPECT_EQ(table.FieldByName(QStringLiteral("NAZVANIE"))->AsString(), QStringLiteral("Альфа-2"));
    EXPECT_TRUE(QueryValue(QStringLiteral("select ID from T where ID = 4")).isNull());
    EXPECT_EQ(QueryValue(QStringLiteral("select NAZVANIE from T where ID = 40")).toString(), QStringLiteral("Альфа-2"));

    table.Close();
    table.Open();
    EXPECT_EQ(table.RecordCount(), 5);
    EXPECT_TRUE(table.Locate(QStringLiteral("NAZVANIE"), QStringLiteral("Гамма-изм"), 0));
}

TEST_P(TDbTest, APostOrDeleteThatReachesNoRowRaisesInsteadOfLosingTheEdit)
{
    CreateNames();
    TTable table;
    table.SetDatabaseName(AliasName());
    table.SetTableName(QStringLiteral("T"));
    table.Open();
    ExecSQL(QStringLiteral("delete from T where ID = 1"));
    table.Edit();
    table.FieldByName(QStringLiteral("KOD"))->SetAsInteger(5);
    EXPECT_THROW(table.Post(), EDatabaseError);
    EXPECT_EQ(table.State(), dsEdit);
    EXPECT_EQ(table.FieldByName(QStringLiteral("KOD"))->AsInteger(), 5);
    table.Cancel();
    EXPECT_THROW(table.Delete(), EDatabaseError);
    EXPECT_EQ(table.RecordCount(), 4);

    auto query = NewQuery(QStringLiteral("select * from T"));
    query->Open();
    query->Edit();
    query->Fields(1)->SetAsString(QStringLiteral("x"));
    EXPECT_THROW(query->Post(), EDatabaseError);
}

TEST_P(TDbTest, ErrorsCarryTheDriversOwnMessage)
{
    CreateNames();
    const QString badSQL = QStringLiteral("selec * from T");
    const QString expectedBad = DriverMessage(badSQL);
    auto bad = NewQuery(badSQL);
    EXPECT_EQ(MessageOf([&] { bad->Open(); }), expectedBad);
    EXPECT_FALSE(bad->Active());

    const QString missing = QStringLiteral("select * from MISSING_TABLE");
    const QString expectedMissing = DriverMessage(missing);
    auto query = NewQuery(missing);
    EXPECT_EQ(MessageOf([&] { query->ExecSQL(); }), expectedMissing);

    TTable table;
    table.SetDatabaseName(AliasName());
    table.SetTableName(QStringLiteral("MISSING_TABLE"));
    EXPECT_EQ(MessageOf([&] { table.Open(); }), DriverMessage(QStringLiteral("select * from MISSING_TABLE")));

    TDatabase unknown;
    unknown.SetDatabaseName(QStringLiteral("OTHER"));
    unknown.SetAliasName(QStringLiteral("NOSUCHALIAS"));
    EXPECT_EQ(MessageOf([&] { unknown.Open(); }), QStringLiteral("Псевдоним 'NOSUCHALIAS' не найден"));
    auto orphan = NewQuery(QStringLiteral("select 1"));
    orphan->SetDatabaseName(QStringLiteral("NOSUCHALIAS"));
    EXPECT_THROW(orphan->Open(), EDatabaseError);
}

TEST_P(TDbTest, CursorsOnOneConnectionSurviveOtherStatementsAndClosingTheDatabaseClosesThem)
{
    ExecSQL(QStringLiteral("create table T (ID integer primary key, NAZVANIE varchar(100))"));
    ExecSQL(QStringLiteral("insert into T (ID, NAZVANIE) select g, 'n' || g from (select 1 as g union all select 2 union all select 3) s"));
    auto first = NewQuery(QStringLiteral("select ID from T order by ID"));
    auto second = NewQuery(QStringLiteral("select ID from T order by ID desc"));
    auto update = NewQuery(QStringLiteral("update T set NAZVANIE = 'x'"));
    first->Open();
    second->Open();
    update->ExecSQL();
    QList<int> read;
    for (; !first->Eof(); first->Next())
        read.append(first->Fields(0)->AsInteger());
    for (; !second->Eof(); second->Next())
        read.append(second->Fields(0)->AsInteger());
    EXPECT_EQ(read, (QList<int>{1, 2, 3, 3, 2, 1}));

    Database()->Close();
    EXPECT_FALSE(first->Active());
    EXPECT_FALSE(second->Active());
    first->Open(); // reopens its database by name
    EXPECT_TRUE(Database()->Connected());
    EXPECT_EQ(first->RecordCount(), 3);
}

VELNOR_INSTANTIATE_DATABASE_TEST(TDbTest);

TEST(DbSession, AliasesComeFromTheAliasFileWithDriversInCapitalsAndPathsBesideIt)
{
    TestSupport::WriteAlias(QStringLiteral("Relative"), {{QStringLiteral("Driver"), QStringLiteral("sqlite")},
                                                          {QStringLiteral("Database"), QStringLiteral("relative.sqlite")}});
    TestSupport::WriteAlias(QStringLiteral("Legacy"), {{QStringLiteral("Driver"), QStringLiteral("Oracle")}});
    TStringList names;
    Session().GetAliasNames(&names);
    EXPECT_GE(names.IndexOf(QStringLiteral("relative")), 0);
    EXPECT_GE(names.IndexOf(QStringLiteral("LEGACY")), 0);
    EXPECT_EQ(Session().GetAliasDriverName(QStringLiteral("relative")), QStringLiteral("SQLITE"));
    EXPECT_EQ(Session().GetAliasDriverName(QStringLiteral("Legacy")), QStringLiteral("ORACLE"));
    EXPECT_EQ(Session().SessionName(), QStringLiteral("Default"));

    // A missing database file is an error naming it, and no empty database is made there.
    const QString relative = TestSupport::TempDir() + QStringLiteral("/relative.sqlite");
    QFile::remove(relative);
    TDatabase missing;
    missing.SetDatabaseName(QStringLiteral("Relative"));
    EXPECT_EQ(MessageOf([&] { missing.Open(); }), QStringLiteral("Файл базы данных %1 не найден").arg(relative));
    EXPECT_FALSE(missing.Connected());
    EXPECT_FALSE(QFile::exists(relative));

    // The file beside the alias file is the one opened.
    QFile(relative).open(QIODevice::WriteOnly);
    {
        TDatabase database;
        database.SetDatabaseName(QStringLiteral("Relative"));
        database.Open();
        EXPECT_TRUE(database.Connected());
        EXPECT_EQ(database.DriverName(), QStringLiteral("SQLITE"));
        TQuery query;
        query.SetDatabaseName(QStringLiteral("Relative"));
        query.SQL()->Add(QStringLiteral("create table T (ID integer)"));
        query.ExecSQL();
    }
    EXPECT_GT(QFileInfo(relative).size(), 0);

    TDatabase legacy;
    legacy.SetDatabaseName(QStringLiteral("Legacy"));
    EXPECT_EQ(MessageOf([&] { legacy.Open(); }), QStringLiteral("Драйвер 'ORACLE' не поддерживается"));
    EXPECT_FALSE(legacy.Connected());
}

} // namespace
