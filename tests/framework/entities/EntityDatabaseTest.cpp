#include "EClasses.h"

#include "DatabaseFixture.h"
#include "Env.h"
#include "Exceptions.h"
#include "TestEntities.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using namespace EntityTests;
using EClasses::TEntityChildList;

using TChildren = std::vector<std::pair<qint64, QString>>;

TChildren Children(const TEntityChildList& List)
{
    TChildren children;
    for (int i = 0; i < List.Count(); ++i)
        children.emplace_back(List.GetID(i), List.GetName(i));
    return children;
}

// Entity tables of clients and their orders, with the client table's journals, in the
// session database.
class EntityDatabaseTest : public TestSupport::TDatabaseTest {
protected:
    void SetUp() override
    {
        TDatabaseTest::SetUp();
        if (IsSkipped())
            return;
        Env::Database = Database();
        ExecSQL(QStringList{
            QStringLiteral("create table CLIENTS (ID bigint primary key, NAZVANIE varchar(100))"),
            QStringLiteral("insert into CLIENTS values (2, 'Воронин'), (9000000000, 'Астахов'), (5, 'Борисов')"),
            QStringLiteral("create table ORDERS (ID bigint primary key, NAZVANIE varchar(100), CLIENT_ID bigint)"),
            QStringLiteral("insert into ORDERS values (1, 'Заказ Б', 17), (2, 'Заказ А', 17), (3, 'Заказ В', 18)"),
            QStringLiteral("create table CLIENTS_N (ID bigint primary key)"),
            QStringLiteral("create table CLIENTS_D (ID bigint primary key)"),
            QStringLiteral("create table ORDERS_N (ID bigint primary key)"),
        });
    }

    void TearDown() override
    {
        Env::Database = nullptr;
        TDatabaseTest::TearDown();
    }

    qint64 Count(const QString& Table, qint64 ID)
    {
        return QueryValue(QStringLiteral("select count(*) from %1 where ID=%2").arg(Table).arg(ID)).toLongLong();
    }

    qint64 Count(const QString& Table) { return QueryValue(QStringLiteral("select count(*) from ") + Table).toLongLong(); }

    static std::unique_ptr<TClientList> ClientList(const QString& Condition)
    {
        auto list = std::make_unique<TClientList>(Condition, nullptr);
        list->TableName = QStringLiteral("CLIENTS");
        return list;
    }
};

TEST_P(EntityDatabaseTest, ChildListsAreAppendedInNameOrderUnderTheCondition)
{
    TEntityChildList list;
    list.AddChild(0, QStringLiteral("прежний"));
    ClientList(QString())->GetChildList(&list);
    EXPECT_EQ(Children(list), (TChildren{{0, QStringLiteral("прежний")}, {Q_INT64_C(9000000000), QStringLiteral("Астахов")},
                                  {5, QStringLiteral("Борисов")}, {2, QStringLiteral("Воронин")}}));

    // A condition ending in a number is read as written.
    TEntityChildList filtered;
    ClientList(QStringLiteral("ID<9"))->GetChildList(&filtered);
    EXPECT_EQ(Children(filtered), (TChildren{{5, QStringLiteral("Борисов")}, {2, QStringLiteral("Воронин")}}));

    // A container reads its own table below its parent object.
    TOrderBox box(17, QStringLiteral("Заказы"), QStringLiteral("!CT=ORDERS&CK=CLIENT_ID&"));
    TEntityChildList orders;
    box.GetChildList(&orders);
    EXPECT_EQ(Children(orders), (TChildren{{2, QStringLiteral("Заказ А")}, {1, QStringLiteral("Заказ Б")}}));
    TOrderBox byColumn(18, QString(), QStringLiteral("#CLIENT_ID"));
    byColumn.CT = QStringLiteral("ORDERS");
    TEntityChildList other;
    byColumn.GetChildList(&other);
    EXPECT_EQ(Children(other), (TChildren{{3, QStringLiteral("Заказ В")}}));
    EXPECT_TRUE(TestSupport::Dialogs().Calls().empty());
}

TEST_P(EntityDatabaseTest, ReadErrorsAreReportedAndTheChildrenReadSoFarStay)
{
    ExecSQL(QStringList{
        QStringLiteral("create table ODD (ID varchar(20) primary key, NAZVANIE varchar(100))"),
        QStringLiteral("insert into ODD values ('1', 'Альфа'), ('2', 'Бета'), ('x', 'Гамма'), ('4', 'Дельта')"),
    });
    TTable ownTable;
    ownTable.SetTableName(QStringLiteral("ODD"));
    TClientList odd(QString(), &ownTable);
    odd.TableName = QStringLiteral("ODD");
    TEntityChildList list;
    odd.GetChildList(&list);
    EXPECT_EQ(Children(list), (TChildren{{1, QStringLiteral("Альфа")}, {2, QStringLiteral("Бета")}}));

    auto missing = ClientList(QString());
    missing->TableName = QStringLiteral("NO_SUCH_TABLE");
    missing->GetChildList(&list);
    EXPECT_EQ(list.Count(), 2);
    // Each names its table and keeps the reason: the value that is no ID, the database's word.
    const std::vector<QString> messages = TestSupport::Dialogs().Messages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_TRUE(messages[0].startsWith(QStringLiteral("Произошла ошибка чтения данных из таблицы ODD\n")));
    EXPECT_TRUE(messages[0].contains(QStringLiteral("'x'"))) << messages[0].toStdString();
    EXPECT_TRUE(messages[1].startsWith(QStringLiteral("Произошла ошибка чтения данных из таблицы NO_SUCH_TABLE\n")));
    EXPECT_TRUE(messages[1].mid(messages[1].indexOf(QLatin1Char('\n'))).contains(QStringLiteral("no_such_table"), Qt::CaseInsensitive))
        << messages[1].toStdString();
}

TEST_P(EntityDatabaseTest, JournalsRecordCreatedAndDeletedObjectsOnce)
{
    auto clients = ClientList(QString());
    clients->AddToNew(QString(), 7);
    clients->AddToNew(QString(), 7);
    EXPECT_EQ(Count(QStringLiteral("CLIENTS_N"), 7), 1);

    // Created and deleted in the same period: no trace in either journal.
    clients->AddToDeleted(QString(), 7);
    EXPECT_EQ(Count(QStringLiteral("CLIENTS_N")), 0);
    EXPECT_EQ(Count(QStringLiteral("CLIENTS_D")), 0);

    clients->AddToDeleted(QString(), Q_INT64_C(9000000000));
    clients->AddToDeleted(QString(), Q_INT64_C(9000000000));
    EXPECT_EQ(Count(QStringLiteral("CLIENTS_D"), Q_INT64_C(9000000000)), 1);
    EXPECT_EQ(Count(QStringLiteral("CLIENTS_D")), 1);

    // A table named in the call wins over the entity's own.
    clients->AddToNew(QStringLiteral("ORDERS"), 3);
    EXPECT_EQ(Count(QStringLiteral("ORDERS_N"), 3), 1);
    EXPECT_EQ(Count(QStringLiteral("CLIENTS_N")), 0);

    // A missing journal raises to the caller and leaves the entity usable.
    EXPECT_THROW(clients->AddToNew(QStringLiteral("NO_SUCH"), 1), EDatabaseError);
    EXPECT_THROW(clients->AddToDeleted(QStringLiteral("ORDERS"), 1), EDatabaseError);
    clients->AddToNew(QString(), 8);
    EXPECT_EQ(Count(QStringLiteral("CLIENTS_N"), 8), 1);
    EXPECT_FALSE(clients->NewTable->Active());
    EXPECT_FALSE(clients->DeletedTable->Active());
}

TEST_P(EntityDatabaseTest, LoadFindsTheObjectsRowInItsDataSet)
{
    TTable table;
    table.SetDatabaseName(AliasName());
    table.SetTableName(QStringLiteral("CLIENTS"));
    TClient client(5, QStringLiteral("Борисов"));
    client.Load();
    EXPECT_FALSE(client.Found);

    client.DataSet = &table;
    client.Load();
    EXPECT_TRUE(table.Active());
    EXPECT_TRUE(client.Found);
    EXPECT_EQ(table.FieldByName(QStringLiteral("NAZVANIE"))->AsString(), QStringLiteral("Борисов"));

    TClient absent(6, QString());
    absent.DataSet = &table;
    absent.Load();
    EXPECT_FALSE(absent.Found);
    // The journal tables of a new entity work on the session database.
    EXPECT_EQ(absent.NewTable->DatabaseName(), AliasName());
}

VELNOR_INSTANTIATE_DATABASE_TEST(EntityDatabaseTest);

} // namespace
