#include "DatabaseFixture.h"
#include "Exceptions.h"
#include "ExtendedCopy.h"
#include "LongWork.h"
#include "NUtilities.h"
#include "TestEnvironment.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

using NUtilities::NUCopyTables;
using ExtendedCopy::SimpleCopyTables;

// Keys above 2^31, which a 32-bit read would cut.
const qint64 Big = (qint64(1) << 31) + 5;
const qint64 Bigger = (qint64(1) << 32) + 5;

class TableCopyTest : public TestSupport::TDatabaseTest {
protected:
    void SetUp() override
    {
        TDatabaseTest::SetUp();
        if (IsSkipped())
            return;
        ExecSQL(QStringList{
            QStringLiteral("create table DEST (ID bigint primary key, NAZVANIE varchar(100), GOROD varchar(100), "
                           "PRIMECHANIE varchar(100) default 'нет')"),
            QStringLiteral("insert into DEST (ID, NAZVANIE, GOROD) values (1, 'Альфа', 'Омск'), (2, 'Бета', 'Тверь'), "
                           "(%1, 'Большой', 'Тула')").arg(Big),
        });
        FSource.SetDatabaseName(AliasName());
        FDestination.SetDatabaseName(AliasName());
        FDestination.SetTableName(QStringLiteral("DEST"));
    }

    void SetSource(const QString& SQL)
    {
        FSource.SQL()->Clear();
        FSource.SQL()->Add(SQL);
    }
    // DEST as "ID NAZVANIE GOROD PRIMECHANIE" lines, ordered by ID.
    QStringList Destination()
    {
        TQuery rows;
        rows.SetDatabaseName(AliasName());
        rows.SQL()->Add(QStringLiteral("select ID, NAZVANIE, GOROD, PRIMECHANIE from DEST order by ID"));
        rows.Open();
        QStringList lines;
        for (; !rows.Eof(); rows.Next())
            lines.append(QStringList{rows.Fields(0)->AsString(), rows.Fields(1)->AsString(), rows.Fields(2)->AsString(),
                                     rows.Fields(3)->AsString()}.join(QLatin1Char(' ')));
        return lines;
    }
    bool BothClosed() const { return !FSource.Active() && !FDestination.Active(); }

    TQuery FSource;
    TTable FDestination;
};

TEST_P(TableCopyTest, MergeUpdatesRecordsByTheirKeyAndAppendsTheOthers)
{
    SetSource(QStringLiteral("select %1 as ID, 'Большой-2' as NAZVANIE, 'Тула-2' as GOROD "
                             "union all select 2, 'Бета-2', 'Тверь-2' "
                             "union all select %2, 'Новый', 'Орёл' "
                             "union all select %2, 'Новый-2', 'Орёл-2'").arg(Big).arg(Bigger));
    EXPECT_TRUE(NUCopyTables(&FSource, &FDestination));
    EXPECT_TRUE(BothClosed());
    EXPECT_TRUE(TestSupport::Dialogs().Calls().empty());
    EXPECT_EQ(Destination(), QStringList({QStringLiteral("1 Альфа Омск нет"), QStringLiteral("2 Бета-2 Тверь-2 нет"),
                                          QStringLiteral("%1 Большой-2 Тула-2 нет").arg(Big),
                                          QStringLiteral("%1 Новый-2 Орёл-2 нет").arg(Bigger)}))
        << "the same new ID twice appends once and updates that record";

    // An empty source opens and closes both and changes nothing.
    SetSource(QStringLiteral("select ID, NAZVANIE from DEST where ID < 0"));
    EXPECT_TRUE(NUCopyTables(&FSource, &FDestination));
    EXPECT_TRUE(BothClosed());
    EXPECT_EQ(Destination().size(), 4);
}

TEST_P(TableCopyTest, PlainCopyAppendsAndReportsAFailedRecordKeepingThoseBefore)
{
    SetSource(QStringLiteral("select 10 as ID, 'Десять' as NAZVANIE union all select 11, 'Одиннадцать' "
                             "union all select 1, 'Повтор' union all select 12, 'После'"));
    EXPECT_FALSE(SimpleCopyTables(&FSource, &FDestination));
    EXPECT_TRUE(BothClosed());
    const std::vector<QString> messages = TestSupport::Dialogs().Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].startsWith(QStringLiteral("Ошибка переноса:")) && messages[0].size() > 16) << messages[0].toStdString();
    EXPECT_EQ(Destination().size(), 5) << "the two records before the duplicate key stay";
    EXPECT_TRUE(Destination().contains(QStringLiteral("11 Одиннадцать  нет")));
}

// A table that asks the copy under way to stop once it has written StopAfter rows.
class TStoppingTable : public TTable {
public:
    int StopAfter = 0;

protected:
    std::vector<QVariant> WriteRow(const std::vector<QVariant>& Old, const std::vector<QVariant>& New,
                                   const std::vector<bool>& Modified) override
    {
        std::vector<QVariant> row = TTable::WriteRow(Old, New, Modified);
        if (--StopAfter == 0)
            LongWork::TLongWork::Current()->Stop();
        return row;
    }
};

// Stopped by the user after its second record, a copy ends as a failure does: both datasets
// closed, the two records kept and reported.
TEST_P(TableCopyTest, AStoppedCopyKeepsAndReportsTheRecordsCopiedAsAFailureDoes)
{
    TStoppingTable destination;
    destination.SetDatabaseName(AliasName());
    destination.SetTableName(QStringLiteral("DEST"));
    destination.StopAfter = 2;
    SetSource(QStringLiteral("select 10 as ID, 'Десять' as NAZVANIE union all select 11, 'Одиннадцать' "
                             "union all select 12, 'Двенадцать' union all select 13, 'Тринадцать'"));
    EXPECT_FALSE(SimpleCopyTables(&FSource, &destination));
    EXPECT_FALSE(FSource.Active() || destination.Active());
    EXPECT_EQ(TestSupport::Dialogs().Messages(),
        std::vector<QString>{QStringLiteral("Прервано пользователем\nСохранено записей: 2")});
    EXPECT_EQ(Destination().size(), 5);
    EXPECT_TRUE(Destination().contains(QStringLiteral("11 Одиннадцать  нет")));
}

// Whatever fails, the message says how many records were really kept, and that many are in
// the table. A deferred constraint fails where a full disk does: on SQLite at the commit of
// the copy's one transaction, which then keeps nothing (also after an earlier failure); on
// PostgreSQL at the post of its record, each record before it kept.
TEST_P(TableCopyTest, AFailedCopySaysHowManyRecordsWereReallyKept)
{
    if (Backend() == TestSupport::TBackend::SQLite)
        ExecSQL(QStringLiteral("pragma foreign_keys = on"));
    ExecSQL(QStringLiteral("create table LINKS (ID bigint primary key, DEST_ID bigint references DEST (ID) deferrable initially deferred)"));
    FDestination.SetTableName(QStringLiteral("LINKS"));
    const QRegularExpression kept(QStringLiteral("\nСохранено записей: (\\d+)$"));
    const auto keptBy = [&](const QString& Message) { return kept.match(Message).captured(1).toInt(); };

    SetSource(QStringLiteral("select 100 as ID, 1 as DEST_ID union all select 101, 999 union all select 102, 2"));
    EXPECT_FALSE(SimpleCopyTables(&FSource, &FDestination));
    ASSERT_EQ(TestSupport::Dialogs().Messages().size(), 1u);
    QString message = TestSupport::Dialogs().Messages()[0];
    EXPECT_TRUE(message.startsWith(QStringLiteral("Ошибка переноса:")))
        << message.toStdString();
    EXPECT_TRUE(kept.match(message).hasMatch()) << message.toStdString();
    EXPECT_EQ(keptBy(message), Backend() == TestSupport::TBackend::SQLite ? 0 : 1) << message.toStdString();
    EXPECT_EQ(QueryValue(QStringLiteral("select count(*) from LINKS")).toInt(), keptBy(message));

    // A duplicate key first, then the commit fails as well: both are told.
    TestSupport::Dialogs().Reset();
    ExecSQL(QStringLiteral("delete from LINKS"));
    SetSource(QStringLiteral("select 200 as ID, 1 as DEST_ID union all select 201, 999 union all select 200, 2"));
    EXPECT_FALSE(SimpleCopyTables(&FSource, &FDestination));
    ASSERT_EQ(TestSupport::Dialogs().Messages().size(), 1u);
    message = TestSupport::Dialogs().Messages()[0];
    EXPECT_TRUE(kept.match(message).hasMatch()) << message.toStdString();
    EXPECT_EQ(QueryValue(QStringLiteral("select count(*) from LINKS")).toInt(), keptBy(message)) << message.toStdString();
    if (Backend() == TestSupport::TBackend::SQLite) {
        EXPECT_TRUE(message.contains(QStringLiteral("Перенесённые записи не сохранены: "))) << message.toStdString();
    }
}

TEST_P(TableCopyTest, FieldsAreMatchedByDestinationPositionAndSourceName)
{
    // Destination's third field GOROD is missing from a three-field source.
    SetSource(QStringLiteral("select 1 as ID, 'Альфа-2' as NAZVANIE, 'лишнее' as OTHER"));
    EXPECT_FALSE(NUCopyTables(&FSource, &FDestination));
    EXPECT_TRUE(BothClosed());
    ASSERT_EQ(TestSupport::Dialogs().Messages().size(), 1u);
    EXPECT_TRUE(TestSupport::Dialogs().Messages()[0].startsWith(QStringLiteral("Ошибка переноса:")));
    EXPECT_EQ(Destination().first(), QStringLiteral("1 Альфа Омск нет")) << "the unposted edit is discarded";

    // Fields in another order are matched by name.
    TestSupport::Dialogs().Reset();
    SetSource(QStringLiteral("select 'Альфа-3' as NAZVANIE, 1 as ID"));
    EXPECT_TRUE(NUCopyTables(&FSource, &FDestination));
    EXPECT_EQ(Destination().first(), QStringLiteral("1 Альфа-3 Омск нет"));
}

TEST_P(TableCopyTest, FailuresToOpenAreReportedAndAMissingKeyReachesTheCaller)
{
    SetSource(QStringLiteral("select * from NO_SUCH_TABLE"));
    EXPECT_FALSE(NUCopyTables(&FSource, &FDestination));
    SetSource(QStringLiteral("select 1 as ID"));
    FDestination.SetTableName(QStringLiteral("NO_SUCH_TABLE"));
    EXPECT_FALSE(SimpleCopyTables(&FSource, &FDestination));
    EXPECT_TRUE(BothClosed());
    const std::vector<QString> messages = TestSupport::Dialogs().Messages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0], QStringLiteral("Ошибка открытия запроса"));
    EXPECT_TRUE(messages[1].startsWith(QStringLiteral("Ошибка открытия таблицы:")) && messages[1].size() > 24)
        << messages[1].toStdString();

    TestSupport::Dialogs().Reset();
    FDestination.SetTableName(QStringLiteral("DEST"));
    SetSource(QStringLiteral("select 'Без ключа' as NAZVANIE"));
    EXPECT_THROW(NUCopyTables(&FSource, &FDestination), EDatabaseError);
    EXPECT_TRUE(FSource.Active() && FDestination.Active()) << "left open for the caller";
    FSource.Close();
    FDestination.Close();

    ExecSQL(QStringLiteral("create table NOKEY (KOD integer, NAZVANIE varchar(100))"));
    FDestination.SetTableName(QStringLiteral("NOKEY"));
    SetSource(QStringLiteral("select 1 as ID, 'x' as NAZVANIE"));
    EXPECT_THROW(NUCopyTables(&FSource, &FDestination), EDatabaseError);
    EXPECT_TRUE(TestSupport::Dialogs().Calls().empty());
}

VELNOR_INSTANTIATE_DATABASE_TEST(TableCopyTest);

} // namespace
