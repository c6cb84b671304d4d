#include "DemoSchema.h"

#include "DemoData.h"
#include "DemoTables.h"
#include "Exceptions.h"
#include "SqlScript.h"

#include <QSqlError>
#include <QSqlQuery>

#include <array>
#include <functional>

namespace DemoSchema {

namespace {

constexpr int PseudoClass = 0, ClassNode = 1, InstanceNode = 2, ContainerNode = 3;
constexpr int SubFormClassLink = 1, ListLink = 2, FilteredClassLink = 3, ClassLink = 4;

struct TClassRow {
    const char* Name;       // the registered class name
    const char16_t* Text;   // the display text
    int Type;
};

// CLASS.ID is the position in this list, from 1.
const std::array Classes = {
    TClassRow{"RootClass", u"Корень", PseudoClass},
    TClassRow{"TClientsClass", u"Клиенты (clients)", ClassNode},
    TClassRow{"TClientInstance", u"Клиент", InstanceNode},
    TClassRow{"TClientOrdersClass", u"Заказы клиента", ClassNode},
    TClassRow{"TOrderInstance", u"Заказ", InstanceNode},
    TClassRow{"TOrderLinesClass", u"Строки заказа", ClassNode},
    TClassRow{"TOrderLineInstance", u"Строка заказа", InstanceNode},
    TClassRow{"TGoodsClass", u"Товары / Goods", ClassNode},
    TClassRow{"TGoodsInstance", u"Товар", InstanceNode},
    TClassRow{"TSuppliersClass", u"Поставщики", ClassNode},
    TClassRow{"TSupplierInstance", u"Поставщик", InstanceNode},
    TClassRow{"TSupplierGoodsClass", u"Товары поставщика", ClassNode},
    TClassRow{"TWarehousesClass", u"Склады (stock)", ClassNode},
    TClassRow{"TStockContainer", u"Остатки склада", ContainerNode},
    TClassRow{"TStockInstance", u"Остаток", InstanceNode},
    TClassRow{"TOrdersClass", u"Журнал заказов (orders)", ClassNode},
    TClassRow{"TNewOrdersClass", u"Новые заказы", ClassNode},
    TClassRow{"TStockGoodClass", u"Товар остатка", ClassNode},
};

struct TLinkRow {
    const char* From;
    const char* To;
    int NavType;
    const char16_t* Parameter;
    const char16_t* Context;
};

const char16_t* const DefaultContext = u"_default";
const char16_t* const StockContext = u"Склад";
const char16_t* const StockGoodContext = u"Склад: товар";

// The navigation schema of the demo user, in NAVIGATSIA.ID order.
const std::array DemoLinks = {
    TLinkRow{"RootClass", "TClientsClass", ClassLink, u"", DefaultContext},
    TLinkRow{"RootClass", "TGoodsClass", ClassLink, u"", DefaultContext},
    TLinkRow{"RootClass", "TOrdersClass", ClassLink, u"", DefaultContext},
    TLinkRow{"RootClass", "TWarehousesClass", ClassLink, u"", DefaultContext},
    TLinkRow{"RootClass", "TSuppliersClass", ClassLink, u"", DefaultContext},
    TLinkRow{"TClientsClass", "TClientInstance", ListLink, u"", DefaultContext},
    TLinkRow{"TClientInstance", "TClientOrdersClass", FilteredClassLink, u"KLIENT_ID", DefaultContext},
    TLinkRow{"TClientOrdersClass", "TOrderInstance", ListLink, u"", DefaultContext},
    TLinkRow{"TOrderInstance", "TOrderLinesClass", FilteredClassLink, u"ZAKAZ_ID", DefaultContext},
    TLinkRow{"TOrderLinesClass", "TOrderLineInstance", ListLink, u"", DefaultContext},
    TLinkRow{"TGoodsClass", "TGoodsInstance", ListLink, u"", DefaultContext},
    TLinkRow{"TOrdersClass", "TNewOrdersClass", SubFormClassLink, u"STATUS='Новый'", DefaultContext},
    TLinkRow{"TOrdersClass", "TOrderInstance", ListLink, u"", DefaultContext},
    TLinkRow{"TNewOrdersClass", "TOrderInstance", ListLink, u"", DefaultContext},
    TLinkRow{"TSuppliersClass", "TSupplierInstance", ListLink, u"", DefaultContext},
    TLinkRow{"TSupplierInstance", "TSupplierGoodsClass", FilteredClassLink, u"POSTAVSHCHIK_ID", DefaultContext},
    TLinkRow{"TSupplierGoodsClass", "TGoodsInstance", ListLink, u"", DefaultContext},
    TLinkRow{"TWarehousesClass", "TStockContainer", ListLink, u"!CT=OSTATKI&CK=SKLAD_ID&DT=TOVARY&FK=TOVAR_ID&", DefaultContext},
    TLinkRow{"TStockContainer", "TStockInstance", ListLink, u"", StockContext},
    // A stock row switched into the context "Склад: товар" shows its good below it.
    TLinkRow{"TStockInstance", "TStockGoodClass", FilteredClassLink, u"ID", StockGoodContext},
    TLinkRow{"TStockGoodClass", "TGoodsInstance", ListLink, u"", StockGoodContext},
};

// The sales clerk sees the clients and their orders only.
const std::array ClerkLinks = {
    TLinkRow{"RootClass", "TClientsClass", ClassLink, u"", DefaultContext},
    TLinkRow{"TClientsClass", "TClientInstance", ListLink, u"", DefaultContext},
    TLinkRow{"TClientInstance", "TClientOrdersClass", FilteredClassLink, u"KLIENT_ID", DefaultContext},
    TLinkRow{"TClientOrdersClass", "TOrderInstance", ListLink, u"", DefaultContext},
};

// Package load order numbers: gaps leave room for packages added later.
constexpr int OrderStep = 10;

qint64 ClassID(const char* Name)
{
    for (qsizetype i = 0; i < qsizetype(Classes.size()); ++i)
        if (qstrcmp(Classes[i].Name, Name) == 0)
            return i + 1;
    throw ERangeError(QStringLiteral("Нет класса %1").arg(QLatin1String(Name)));
}

void FillUsers(const QSqlDatabase& Connection)
{
    auto writer = DemoTables::Writer(Connection, QStringLiteral("POLZOVATEL"));
    writer->Add({qint64(DemoUserID), DemoUserName(), QStringLiteral("Демонстрационный пользователь")});
    writer->Add({qint64(ClerkUserID), ClerkUserName(), QStringLiteral("Петрова Анна Сергеевна")});
    writer->Finish();
}

// Each user gets every package; the rows are stored last package first, so that only
// ORDER_NO gives the load order.
void FillPackages(const QSqlDatabase& Connection, const QStringList& Files)
{
    auto writer = DemoTables::Writer(Connection, QStringLiteral("modul"));
    qint64 id = 0;
    for (qint32 user : {DemoUserID, ClerkUserID})
        for (qsizetype i = Files.size() - 1; i >= 0; --i)
            writer->Add({++id, Files[i], user, int(i + 1) * OrderStep});
    writer->Finish();
}

// The first Count classes of the list.
void FillClasses(const QSqlDatabase& Connection, qsizetype Count = qsizetype(Classes.size()))
{
    auto writer = DemoTables::Writer(Connection, QStringLiteral("CLASS"));
    for (qsizetype i = 0; i < Count; ++i)
        writer->Add({qint64(i + 1), QString::fromLatin1(Classes[i].Name), QString::fromUtf16(Classes[i].Text), Classes[i].Type});
    writer->Finish();
}

template <typename Links>
void AddLinks(RowWriter::TRowWriter& Writer, qint64& ID, const Links& Rows, qint32 User)
{
    for (const TLinkRow& link : Rows)
        Writer.Add({++ID, ClassID(link.From), ClassID(link.To), link.NavType, QString::fromUtf16(link.Parameter),
                    QString::fromUtf16(link.Context), User});
}

void FillNavigation(const QSqlDatabase& Connection)
{
    auto writer = DemoTables::Writer(Connection, QStringLiteral("NAVIGATSIA"));
    qint64 id = 0;
    AddLinks(*writer, id, DemoLinks, DemoUserID);
    AddLinks(*writer, id, ClerkLinks, ClerkUserID);
    writer->Finish();
}

qint64 MaxID(const QSqlDatabase& Connection, const QString& Table)
{
    QSqlQuery query(Connection);
    if (!query.exec(QStringLiteral("select max(ID) from %1").arg(Table)) || !query.next())
        throw EDatabaseError(QStringLiteral("%1: %2").arg(Table, query.lastError().text()));
    return query.value(0).toLongLong();
}

// The last key issued for each entity table, where the sequencer goes on from.
void FillKeys(const QSqlDatabase& Connection)
{
    auto writer = DemoTables::Writer(Connection, QStringLiteral("KLYUCHI"));
    qint64 id = 0;
    for (const QString& table : EntityTables())
        writer->Add({++id, table, MaxID(Connection, table)});
    writer->Finish();
}

void DropTables(const QSqlDatabase& Connection)
{
    for (const QString& table : AllTables())
        RowWriter::Exec(Connection, QStringLiteral("drop table if exists %1").arg(table));
}

// The system tables, and the entity tables of the sample application when Entities.
void CreateTables(const QSqlDatabase& Connection, bool Entities)
{
    for (const DemoTables::TTable& table : DemoTables::Tables())
        if (Entities || !table.Entity)
            for (const QString& statement : DemoTables::CreateStatements(table, Connection))
            RowWriter::Exec(Connection, statement);
}

void CreateIndexes(const QSqlDatabase& Connection)
{
    for (const DemoTables::TTable& table : DemoTables::Tables())
        for (const QString& statement : DemoTables::IndexStatements(table))
            RowWriter::Exec(Connection, statement);
}

// Drops whatever tables of ours are there, creates the system tables (and the entity tables
// when Entities) and lists Packages for the users.
void StartBuild(const QSqlDatabase& Connection, const QStringList& Packages, bool Entities)
{
    // PostgreSQL notes every table "drop ... if exists" does not find; nobody needs them.
    if (Connection.driverName() == QLatin1String("QPSQL"))
        RowWriter::Exec(Connection, QStringLiteral("set local client_min_messages = warning"));
    DropTables(Connection);
    CreateTables(Connection, Entities);
    FillUsers(Connection);
    FillPackages(Connection, Packages);
}

void Build(const QSqlDatabase& Connection, int Rows, const QStringList& Packages)
{
    StartBuild(Connection, Packages, true);
    FillClasses(Connection);
    FillNavigation(Connection);
    DemoData::Fill(Connection, Rows);
    FillKeys(Connection);
    CreateIndexes(Connection);
}

// Runs Steps as one transaction: rolled back when they raise.
void InTransaction(const QSqlDatabase& Connection, const std::function<void(const QSqlDatabase&)>& Steps)
{
    QSqlDatabase connection = Connection;
    if (!connection.transaction())
        throw EDatabaseError(QStringLiteral("Не удалось начать транзакцию: %1").arg(connection.lastError().text()));
    try {
        Steps(connection);
    } catch (...) {
        connection.rollback();
        throw;
    }
    if (!connection.commit())
        throw EDatabaseError(QStringLiteral("Не удалось завершить транзакцию: %1").arg(connection.lastError().text()));
}

} // namespace

QString DemoUserName()
{
    return QStringLiteral("DEMO");
}

QString ClerkUserName()
{
    return QStringLiteral("ПРОДАВЕЦ");
}

QStringList PackageFiles()
{
    return {QStringLiteral("demo_core.bpl"), QStringLiteral("demo_sales.bpl")};
}

QStringList EntityTables()
{
    QStringList names;
    for (const DemoTables::TTable& table : DemoTables::Tables())
        if (table.Entity)
            names.append(table.Name);
    return names;
}

QStringList AllTables()
{
    QStringList names;
    for (const DemoTables::TTable& table : DemoTables::Tables())
        names.append(DemoTables::StoredNames(table));
    return names;
}

void Provision(const QSqlDatabase& Connection, int Rows, const QStringList& Packages, const QStringList& SqlFiles)
{
    if (Rows <= 0)
        throw ERangeError(QStringLiteral("Число строк должно быть больше нуля: %1").arg(Rows));
    InTransaction(Connection, [&](const QSqlDatabase& connection) {
        Build(connection, Rows, Packages);
        SqlScript::RunFiles(connection, SqlFiles);
    });
}

void ProvisionProgramTables(const QSqlDatabase& Connection, const QStringList& Packages, const QStringList& SqlFiles)
{
    InTransaction(Connection, [&](const QSqlDatabase& connection) {
        StartBuild(connection, Packages, false);
        FillClasses(connection, 1);
        SqlScript::RunFiles(connection, SqlFiles);
    });
}

} // namespace DemoSchema
