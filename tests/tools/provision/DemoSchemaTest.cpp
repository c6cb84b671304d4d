// The demo database on SQLite and PostgreSQL: the rows the shell, the module loader and the
// navigator read, read with their own SQL texts, and the application's tables.

#include "DatabaseFixture.h"
#include "DemoSchema.h"
#include "Exceptions.h"

#include <QRegularExpression>
#include <QStringList>

#include <gtest/gtest.h>

#include <memory>

namespace {

using TestSupport::TDatabaseTest;

constexpr int Rows = 40;  // clients and orders

class TDemoSchemaTest : public TDatabaseTest {
protected:
    void Provision(int RowCount) { DemoSchema::Provision(Database()->Connection(), RowCount); }

    // Opens the lines of SQL as one query on the test database, with :P set to User when
    // the text has that parameter, and gives each row as its listed fields joined by "|".
    QStringList Select(const QStringList& Lines, const QStringList& Fields, qint32 User = DemoSchema::DemoUserID)
    {
        auto query = std::make_unique<TQuery>();
        query->SetDatabaseName(AliasName());
        for (const QString& line : Lines)
            query->SQL()->Add(line);
        if (query->Params()->Count() > 0)
            query->ParamByName(QStringLiteral("P"))->SetAsInteger(User);
        query->Open();
        QStringList rows;
        for (; !query->Eof(); query->Next()) {
            QStringList values;
            for (const QString& field : Fields)
                values.append(query->FieldByName(field)->AsString());
            rows.append(values.join(QLatin1Char('|')));
        }
        return rows;
    }

    qint64 Count(const QString& Table) { return QueryValue(QStringLiteral("select count(*) from ") + Table).toLongLong(); }
};

TEST_P(TDemoSchemaTest, UsersAndPackagesAsTheShellAndTheLoaderReadThem)
{
    Provision(Rows);

    // The user check of the connect command.
    EXPECT_EQ(Select({QStringLiteral("select * from POLZOVATEL where NAZVANIE='DEMO'")}, {QStringLiteral("ID")}),
              QStringList{QStringLiteral("1")});
    EXPECT_EQ(Select({QStringLiteral("select * from POLZOVATEL where NAZVANIE='ПРОДАВЕЦ'")}, {QStringLiteral("ID")}),
              QStringList{QStringLiteral("2")});
    EXPECT_EQ(Count(QStringLiteral("POLZOVATEL")), 2);

    // The module loader's query: the core package first, whatever the order of the rows.
    for (qint32 user : {DemoSchema::DemoUserID, DemoSchema::ClerkUserID})
        EXPECT_EQ(Select({QStringLiteral("select STROKA, POLZ_ID, ORDER_NO from modul where POLZ_ID=%1 order by ORDER_NO").arg(user)},
                             {QStringLiteral("STROKA")}),
                  (QStringList{QStringLiteral("demo_core.bpl"), QStringLiteral("demo_sales.bpl")}));
}

const QStringList LinksQuery = {
    QStringLiteral("select DISTINCT c.ID, a.NAZVANIE PREDOK, b.NAZVANIE POTOMOK, C.TIP_NAV_ID,"),
    QStringLiteral("b.STROKA STROKA, c.PARAMETR PARAMETR, c.Context CON"),
    QStringLiteral("from NAVIGATSIA c,CLASS a,CLASS b"),
    QStringLiteral("where a.ID=C.CLASS_ID and"),
    QStringLiteral("b.ID=C.CLASS_ID_POTOMOK  and C.POLZ_ID=:P"),
    QStringLiteral("order by C.ID")};
const QStringList PredecessorsQuery = {
    QStringLiteral("select  distinct a.ID, a.NAZVANIE  PREDOK, a.STROKA STROKA,  c.CONTEXT CON"),
    QStringLiteral("from NAVIGATSIA c, CLASS a"),
    QStringLiteral("where a.ID=C.CLASS_ID and   C.POLZ_ID=:P"),
    QStringLiteral("order by a.ID")};
const QStringList ClassesQuery = {
    QStringLiteral("select * from CLASS where ID in (select CLASS_ID from NAVIGATSIA where"),
    QStringLiteral("POLZ_ID=:P) or  ID in (select CLASS_ID_POTOMOK from NAVIGATSIA where"),
    QStringLiteral("POLZ_ID=:P)")};
const QStringList SuccessorsQuery = {
    QStringLiteral("select  distinct a.ID, a.NAZVANIE  POTOMOK, a.STROKA STROKA, c.Context CON"),
    QStringLiteral("from NAVIGATSIA c, CLASS a"),
    QStringLiteral("where a.ID=C.CLASS_ID_POTOMOK and  C.POLZ_ID=:P"),
    QStringLiteral("order by a.ID")};

TEST_P(TDemoSchemaTest, NavigatorQueriesGiveEveryKindOfLink)
{
    Provision(Rows);

    const QStringList links = Select(LinksQuery, {QStringLiteral("PREDOK"), QStringLiteral("POTOMOK"), QStringLiteral("TIP_NAV_ID"),
                                                      QStringLiteral("STROKA"), QStringLiteral("PARAMETR"), QStringLiteral("CON")});
    const QStringList expectedLinks = {
        QStringLiteral("RootClass|TClientsClass|4|Клиенты (clients)||_default"),
        QStringLiteral("RootClass|TGoodsClass|4|Товары / Goods||_default"),
        QStringLiteral("RootClass|TOrdersClass|4|Журнал заказов (orders)||_default"),
        QStringLiteral("RootClass|TWarehousesClass|4|Склады (stock)||_default"),
        QStringLiteral("RootClass|TSuppliersClass|4|Поставщики||_default"),
        QStringLiteral("TClientsClass|TClientInstance|2|Клиент||_default"),
        QStringLiteral("TClientInstance|TClientOrdersClass|3|Заказы клиента|KLIENT_ID|_default"),
        QStringLiteral("TClientOrdersClass|TOrderInstance|2|Заказ||_default"),
        QStringLiteral("TOrderInstance|TOrderLinesClass|3|Строки заказа|ZAKAZ_ID|_default"),
        QStringLiteral("TOrderLinesClass|TOrderLineInstance|2|Строка заказа||_default"),
        QStringLiteral("TGoodsClass|TGoodsInstance|2|Товар||_default"),
        QStringLiteral("TOrdersClass|TNewOrdersClass|1|Новые заказы|STATUS='Новый'|_default"),
        QStringLiteral("TOrdersClass|TOrderInstance|2|Заказ||_default"),
        QStringLiteral("TNewOrdersClass|TOrderInstance|2|Заказ||_default"),
        QStringLiteral("TSuppliersClass|TSupplierInstance|2|Поставщик||_default"),
        QStringLiteral("TSupplierInstance|TSupplierGoodsClass|3|Товары поставщика|POSTAVSHCHIK_ID|_default"),
        QStringLiteral("TSupplierGoodsClass|TGoodsInstance|2|Товар||_default"),
        QStringLiteral("TWarehousesClass|TStockContainer|2|Остатки склада|!CT=OSTATKI&CK=SKLAD_ID&DT=TOVARY&FK=TOVAR_ID&|_default"),
        QStringLiteral("TStockContainer|TStockInstance|2|Остаток||Склад"),
        QStringLiteral("TStockInstance|TStockGoodClass|3|Товар остатка|ID|Склад: товар"),
        QStringLiteral("TStockGoodClass|TGoodsInstance|2|Товар||Склад: товар")};
    EXPECT_EQ(links, expectedLinks);

    EXPECT_EQ(Select(PredecessorsQuery, {QStringLiteral("PREDOK"), QStringLiteral("CON")}),
              (QStringList{QStringLiteral("RootClass|_default"), QStringLiteral("TClientsClass|_default"),
                           QStringLiteral("TClientInstance|_default"), QStringLiteral("TClientOrdersClass|_default"),
                           QStringLiteral("TOrderInstance|_default"), QStringLiteral("TOrderLinesClass|_default"),
                           QStringLiteral("TGoodsClass|_default"), QStringLiteral("TSuppliersClass|_default"),
                           QStringLiteral("TSupplierInstance|_default"), QStringLiteral("TSupplierGoodsClass|_default"),
                           QStringLiteral("TWarehousesClass|_default"), QStringLiteral("TStockContainer|Склад"),
                           QStringLiteral("TStockInstance|Склад: товар"), QStringLiteral("TOrdersClass|_default"),
                           QStringLiteral("TNewOrdersClass|_default"), QStringLiteral("TStockGoodClass|Склад: товар")}));

    const QStringList successors = Select(SuccessorsQuery, {QStringLiteral("POTOMOK"), QStringLiteral("CON")});
    EXPECT_EQ(successors.size(), 18);
    EXPECT_FALSE(successors.contains(QStringLiteral("RootClass|_default")));
    EXPECT_TRUE(successors.contains(QStringLiteral("TStockInstance|Склад")));
    EXPECT_EQ(successors.count(QStringLiteral("TOrderInstance|_default")), 1);

    // Every class of the schema, with its kind.
    QStringList classes = Select(ClassesQuery, {QStringLiteral("NAZVANIE"), QStringLiteral("TIP_CLASS_ID")});
    classes.sort();
    EXPECT_EQ(classes.size(), 18);
    EXPECT_TRUE(classes.contains(QStringLiteral("RootClass|0")));
    EXPECT_TRUE(classes.contains(QStringLiteral("TStockContainer|3")));
    EXPECT_TRUE(classes.contains(QStringLiteral("TOrderInstance|2")));

    // The clerk's schema is a subtree of clients and orders.
    QStringList clerkClasses = Select(ClassesQuery, {QStringLiteral("NAZVANIE")}, DemoSchema::ClerkUserID);
    clerkClasses.sort();
    EXPECT_EQ(clerkClasses, (QStringList{QStringLiteral("RootClass"), QStringLiteral("TClientInstance"), QStringLiteral("TClientOrdersClass"),
                                         QStringLiteral("TClientsClass"), QStringLiteral("TOrderInstance")}));
    EXPECT_EQ(Select(LinksQuery, {QStringLiteral("POTOMOK")}, DemoSchema::ClerkUserID).size(), 4);
}

TEST_P(TDemoSchemaTest, ApplicationTablesJournalsAndData)
{
    Provision(Rows);

    for (const QString& table : DemoSchema::EntityTables()) {
        EXPECT_GT(Count(table), 0) << table.toStdString();
        EXPECT_EQ(Count(table + QStringLiteral("_N")), 0) << table.toStdString();
        EXPECT_EQ(Count(table + QStringLiteral("_D")), 0) << table.toStdString();
        // The sequencer goes on from the last key in use.
        EXPECT_EQ(QueryValue(QStringLiteral("select ZNACHENIE from KLYUCHI where NAZVANIE='%1'").arg(table)).toLongLong(),
                  QueryValue(QStringLiteral("select max(ID) from %1").arg(table)).toLongLong())
            << table.toStdString();
    }
    EXPECT_EQ(Count(QStringLiteral("KLIENTY")), Rows);
    EXPECT_EQ(Count(QStringLiteral("ZAKAZY")), Rows);
    EXPECT_GE(Count(QStringLiteral("STROKI_ZAKAZA")), Rows);
    EXPECT_LE(Count(QStringLiteral("STROKI_ZAKAZA")), 4 * Rows);
    EXPECT_EQ(Count(QStringLiteral("OSTATKI")), Count(QStringLiteral("SKLADY")) * Count(QStringLiteral("TOVARY")));

    // References lead to existing rows, and an order's sum is the sum of its lines.
    EXPECT_EQ(QueryValue(QStringLiteral("select count(*) from ZAKAZY z where not exists (select 1 from KLIENTY k where k.ID=z.KLIENT_ID)")).toInt(), 0);
    EXPECT_EQ(QueryValue(QStringLiteral("select count(*) from STROKI_ZAKAZA s where not exists (select 1 from TOVARY t where t.ID=s.TOVAR_ID)")).toInt(), 0);
    EXPECT_EQ(QueryValue(QStringLiteral("select count(*) from TOVARY t where not exists (select 1 from POSTAVSHCHIKI p where p.ID=t.POSTAVSHCHIK_ID)")).toInt(), 0);
    EXPECT_EQ(QueryValue(QStringLiteral("select count(*) from ZAKAZY z where abs(z.SUMMA - (select sum(s.KOLICHESTVO*s.CENA) "
                                        "from STROKI_ZAKAZA s where s.ZAKAZ_ID=z.ID)) > 0.001")).toInt(), 0);

    // The filtered class links find rows through their parameter columns.
    EXPECT_GT(QueryValue(QStringLiteral("select count(*) from ZAKAZY where STATUS='Новый'")).toInt(), 0);
    const QString name = QueryValue(QStringLiteral("select NAZVANIE from KLIENTY where ID=1")).toString();
    EXPECT_TRUE(name.contains(QRegularExpression(QStringLiteral("^[А-ЯЁ][а-яё]+ [А-ЯЁ]|^(ООО|АО|ЗАО|ИП) "))))
        << name.toStdString();
}

TEST_P(TDemoSchemaTest, ProvisioningAgainReplacesTheTables)
{
    Provision(Rows);
    const QString client = QueryValue(QStringLiteral("select NAZVANIE from KLIENTY where ID=7")).toString();
    ExecSQL(QStringLiteral("insert into KLIENTY_N (ID) values (5)"));

    Provision(Rows / 2);
    EXPECT_EQ(Count(QStringLiteral("KLIENTY")), Rows / 2);
    EXPECT_EQ(Count(QStringLiteral("KLIENTY_N")), 0);
    EXPECT_EQ(Count(QStringLiteral("POLZOVATEL")), 2);
    EXPECT_EQ(Count(QStringLiteral("modul")), 4);
    EXPECT_EQ(Count(QStringLiteral("NAVIGATSIA")), 25);
    // The same clients come out whatever the number asked for.
    EXPECT_EQ(QueryValue(QStringLiteral("select NAZVANIE from KLIENTY where ID=7")).toString(), client);
}

TEST_P(TDemoSchemaTest, FailedProvisioningLeavesTheDatabaseAsItWas)
{
    Provision(Rows);
    // A view where a journal table belongs: dropping it as a table fails half-way.
    ExecSQL({QStringLiteral("drop table STROKI_ZAKAZA_D"), QStringLiteral("create view STROKI_ZAKAZA_D as select 1 as ID")});

    EXPECT_THROW(Provision(Rows * 2), EDatabaseError);
    EXPECT_EQ(Count(QStringLiteral("KLIENTY")), Rows);
    EXPECT_EQ(Count(QStringLiteral("POLZOVATEL")), 2);
    EXPECT_THROW(Provision(0), ERangeError);
}

VELNOR_INSTANTIATE_DATABASE_TEST(TDemoSchemaTest);

} // namespace
