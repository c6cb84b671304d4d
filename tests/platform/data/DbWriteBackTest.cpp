// Two workstations, each with a connection of its own, edit the same rows: edits are written
// back only over the values each of them read, so no update is lost silently.

#include "DatabaseFixture.h"
#include "DbTables.h"
#include "Exceptions.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using TestSupport::TBackend;

const QString RecordChanged = QStringLiteral("Запись не найдена: она изменена или удалена другим пользователем");

QString MessageOf(const std::function<void()>& Operation)
{
    try {
        Operation();
    } catch (const EDatabaseError& e) {
        return e.Message();
    }
    return QStringLiteral("no EDatabaseError was raised");
}

// Workstation A works on the fixture's connection, workstation B on a second one to the same
// database. Table K holds clients: row 1 with every value, row 2 with NULLs.
class TDbWriteBackTest : public TestSupport::TDatabaseTest {
protected:
    static QString SecondName() { return QStringLiteral("SECONDWS"); }

    void SetUp() override
    {
        TDatabaseTest::SetUp();
        if (IsSkipped())
            return;
        ExecSQL(QStringList{
            QStringLiteral("create table K (ID integer primary key, NAZVANIE varchar(100), GOROD varchar(100), TELEFON varchar(20))"),
            QStringLiteral("insert into K values (1, 'Альфа', 'Тверь', '111'), (2, 'Бета', NULL, NULL)"),
        });
        // On SQLite the second connection gives up waiting for a lock soon.
        if (Backend() == TBackend::SQLite)
            TestSupport::WriteAlias(SecondName(), {{QStringLiteral("Driver"), QStringLiteral("SQLITE")},
                                                   {QStringLiteral("Database"), Database()->Connection().databaseName()},
                                                   {QStringLiteral("Options"), QStringLiteral("QSQLITE_BUSY_TIMEOUT=100")}});
        FSecond.SetDatabaseName(SecondName());
        FSecond.SetAliasName(Backend() == TBackend::SQLite ? SecondName() : AliasName());
        FSecond.Params()->AddStrings(*Database()->Params());
        FSecond.Open();
    }

    void TearDown() override
    {
        FSecond.Close();
        TDatabaseTest::TearDown();
    }

    static std::unique_ptr<TTable> OpenTable(const QString& DatabaseName, const QString& Table, qint64 ID)
    {
        auto table = std::make_unique<TTable>();
        table->SetDatabaseName(DatabaseName);
        table->SetTableName(Table);
        table->Open();
        // Read to the end: an SQLite cursor left open would keep other connections from writing.
        table->RecordCount();
        EXPECT_TRUE(table->Locate(QStringLiteral("ID"), ID, 0));
        return table;
    }

    // Writes Value into Field of the dataset's current row and posts it.
    static void PostValue(TDataSet& DataSet, const QString& Field, const QVariant& Value)
    {
        DataSet.Edit();
        DataSet.FieldByName(Field)->SetValue(Value);
        DataSet.Post();
    }

    QString Stored(const QString& Column, qint64 ID)
    {
        return QueryValue(QStringLiteral("select %1 from K where ID = %2").arg(Column).arg(ID)).toString();
    }

    TDatabase FSecond;
};

TEST_P(TDbWriteBackTest, TheSecondSaveOfAFieldChangedMeanwhileFailsAndKeepsItsEditWhileOtherFieldsBothSave)
{
    auto first = OpenTable(AliasName(), QStringLiteral("K"), 1);
    auto second = OpenTable(SecondName(), QStringLiteral("K"), 1);

    PostValue(*first, QStringLiteral("GOROD"), QStringLiteral("Псков"));
    second->Edit();
    second->FieldByName(QStringLiteral("GOROD"))->SetAsString(QStringLiteral("Орёл"));
    EXPECT_EQ(MessageOf([&] { second->Post(); }), RecordChanged);
    EXPECT_EQ(second->State(), dsEdit);
    EXPECT_EQ(second->FieldByName(QStringLiteral("GOROD"))->AsString(), QStringLiteral("Орёл"));
    EXPECT_EQ(Stored(QStringLiteral("GOROD"), 1), QStringLiteral("Псков"));
    second->Cancel();

    // Different fields of one row: both saves stand, and each dataset holds the row as stored.
    PostValue(*first, QStringLiteral("NAZVANIE"), QStringLiteral("Альфа-2"));
    PostValue(*second, QStringLiteral("TELEFON"), QStringLiteral("222"));
    EXPECT_EQ(Stored(QStringLiteral("NAZVANIE"), 1), QStringLiteral("Альфа-2"));
    EXPECT_EQ(Stored(QStringLiteral("TELEFON"), 1), QStringLiteral("222"));
    EXPECT_EQ(Stored(QStringLiteral("GOROD"), 1), QStringLiteral("Псков"));
    EXPECT_EQ(second->FieldByName(QStringLiteral("GOROD"))->AsString(), QStringLiteral("Псков"));

    // SQLite commits a change only when no other connection is reading the file: a save it
    // cannot commit raises the driver's message and keeps the edit, instead of passing for done.
    if (Backend() == TBackend::SQLite) {
        TQuery reading;
        reading.SetDatabaseName(AliasName());
        reading.SQL()->Add(QStringLiteral("select ID from K"));
        reading.Open();
        second->Edit();
        second->FieldByName(QStringLiteral("TELEFON"))->SetAsString(QStringLiteral("333"));
        EXPECT_TRUE(MessageOf([&] { second->Post(); }).contains(QStringLiteral("locked")));
        EXPECT_EQ(second->State(), dsEdit);
        reading.Close();
        second->Post();
        EXPECT_EQ(Stored(QStringLiteral("TELEFON"), 1), QStringLiteral("333"));
    }
}

TEST_P(TDbWriteBackTest, NullValuesReadCompareAsNullInTablesAndInQueriesWithAnUpdateTable)
{
    auto first = OpenTable(AliasName(), QStringLiteral("K"), 2);
    TQuery second;
    second.SetDatabaseName(SecondName());
    second.SQL()->Add(QStringLiteral("select ID, GOROD, TELEFON from K where ID = :ID"));
    second.ParamByName(QStringLiteral("ID"))->SetValue(2);
    second.SetUpdateTableName(QStringLiteral("K"));
    second.Open();
    second.RecordCount();

    PostValue(*first, QStringLiteral("GOROD"), QStringLiteral("Тула"));
    second.Edit();
    second.FieldByName(QStringLiteral("GOROD"))->SetAsString(QStringLiteral("Калуга"));
    EXPECT_EQ(MessageOf([&] { second.Post(); }), RecordChanged) << "NULL was read, Тула is stored";
    second.Cancel();
    PostValue(second, QStringLiteral("TELEFON"), QStringLiteral("333"));
    EXPECT_EQ(Stored(QStringLiteral("TELEFON"), 2), QStringLiteral("333"));
    EXPECT_EQ(second.FieldByName(QStringLiteral("GOROD"))->AsString(), QStringLiteral("Тула")) << "the row as stored";

    // Back to NULL: the value the first workstation wrote and read is no longer there.
    PostValue(second, QStringLiteral("GOROD"), QVariant());
    EXPECT_TRUE(QueryValue(QStringLiteral("select GOROD from K where ID = 2")).isNull());
    EXPECT_EQ(MessageOf([&] { PostValue(*first, QStringLiteral("GOROD"), QStringLiteral("Тверь")); }), RecordChanged);
    first->Cancel();

    // A query without an update table stays read only.
    TQuery plain;
    plain.SetDatabaseName(AliasName());
    plain.SQL()->Add(QStringLiteral("select ID, GOROD from K"));
    plain.Open();
    plain.Edit();
    plain.Fields(1)->SetAsString(QStringLiteral("x"));
    EXPECT_EQ(MessageOf([&] { plain.Post(); }), QStringLiteral("Набор данных только для чтения"));
}

TEST_P(TDbWriteBackTest, ADeleteNeedsTheRowAsReadAndAnEditOfADeletedRowWritesNothing)
{
    auto first = OpenTable(AliasName(), QStringLiteral("K"), 1);
    auto second = OpenTable(SecondName(), QStringLiteral("K"), 1);

    PostValue(*first, QStringLiteral("TELEFON"), QStringLiteral("999"));
    EXPECT_EQ(MessageOf([&] { second->Delete(); }), RecordChanged);
    EXPECT_EQ(second->RecordCount(), 2);
    EXPECT_EQ(Stored(QStringLiteral("TELEFON"), 1), QStringLiteral("999"));

    // Row 2 holds NULLs: a delete of the row as read matches them.
    ASSERT_TRUE(second->Locate(QStringLiteral("ID"), 2, 0));
    second->Delete();
    EXPECT_EQ(QueryValue(QStringLiteral("select count(*) from K")).toInt(), 1);

    ASSERT_TRUE(first->Locate(QStringLiteral("ID"), 1, 0));
    first->Delete();
    ASSERT_TRUE(second->Locate(QStringLiteral("ID"), 1, 0));
    second->Edit();
    second->FieldByName(QStringLiteral("NAZVANIE"))->SetAsString(QStringLiteral("Гамма"));
    EXPECT_EQ(MessageOf([&] { second->Post(); }), RecordChanged);
    EXPECT_EQ(second->State(), dsEdit);
    EXPECT_EQ(QueryValue(QStringLiteral("select count(*) from K")).toInt(), 0);
}

TEST_P(TDbWriteBackTest, FloatsAndTimestampsReadBackMatchTheirRowOnTheNextSaveAndDelete)
{
    const bool postgres = Backend() == TBackend::PostgreSQL;
    ExecSQL(QStringLiteral("create table M (ID integer primary key, KURS %1, MOMENT timestamp, SUMMA numeric(30, 20), VES real)")
                .arg(postgres ? QStringLiteral("double precision") : QStringLiteral("real")));
    // Microseconds on the server, which Qt reads to the millisecond; more digits in SUMMA and
    // fewer in VES than a double read holds.
    ExecSQL(QStringLiteral("insert into M values (1, 0.1, '2024-03-05 10:11:12.987654', 1.23456789012345678901, 0.1)"));
    const double third = 1.0 / 3.0;
    const double sum = 0.1 + 0.2;

    auto first = OpenTable(AliasName(), QStringLiteral("M"), 1);
    PostValue(*first, QStringLiteral("KURS"), sum);
    EXPECT_EQ(QueryValue(QStringLiteral("select KURS from M where ID = 1")).toDouble(), sum);
    EXPECT_EQ(first->FieldByName(QStringLiteral("KURS"))->AsFloat(), sum);
    PostValue(*first, QStringLiteral("KURS"), third); // compares the value it wrote and read back
    PostValue(*first, QStringLiteral("MOMENT"), QDateTime(QDate(2024, 3, 6), QTime(9, 0)));
    PostValue(*first, QStringLiteral("SUMMA"), 2.5);
    PostValue(*first, QStringLiteral("VES"), 0.25);
    PostValue(*first, QStringLiteral("VES"), 0.75);

    auto second = OpenTable(SecondName(), QStringLiteral("M"), 1);
    EXPECT_EQ(second->FieldByName(QStringLiteral("KURS"))->AsFloat(), third);
    PostValue(*second, QStringLiteral("KURS"), 2.5);
    EXPECT_EQ(MessageOf([&] { PostValue(*first, QStringLiteral("KURS"), 7.0); }), RecordChanged);
    first->Cancel();

    ExecSQL(QStringLiteral("insert into M values (2, %1, '2024-03-05 23:59:59.999900', 9.87654321098765432109, 0.3)").arg(third, 0, 'g', 17));
    second->Close();
    second->Open();
    ASSERT_TRUE(second->Locate(QStringLiteral("ID"), 2, 0));
    PostValue(*second, QStringLiteral("MOMENT"), QDateTime(QDate(2024, 3, 7), QTime(8, 0)));
    second->Delete();
    ASSERT_TRUE(second->Locate(QStringLiteral("ID"), 1, 0));
    second->Delete();
    EXPECT_EQ(QueryValue(QStringLiteral("select count(*) from M")).toInt(), 0);
}

VELNOR_INSTANTIATE_DATABASE_TEST(TDbWriteBackTest);

} // namespace
