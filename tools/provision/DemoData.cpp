#include "DemoData.h"

#include "DemoNames.h"
#include "DemoTables.h"

#include <QDate>
#include <QVariantList>

namespace DemoData {

namespace {

using DemoNames::TRandom;

// Each part of the data draws from its own sequence, so that the reference data stay the
// same whatever the number of clients.
enum TSeed : quint32 { SupplierSeed = 11, GoodsSeed = 23, WarehouseSeed = 37, ClientSeed = 41, OrderSeed = 53 };

constexpr int FirmPercent = 40;
constexpr int MaxStock = 500;
constexpr int MaxQuantity = 20;

qint64 Kopecks(double Roubles)
{
    return qRound64(Roubles * 100);
}

void FillSuppliers(const QSqlDatabase& Connection)
{
    TRandom random(SupplierSeed);
    auto writer = DemoTables::Writer(Connection, QStringLiteral("POSTAVSHCHIKI"));
    for (qint64 id = 1; id <= SupplierCount; ++id)
        writer->Add({id, DemoNames::FirmName(random), DemoNames::City(random), DemoNames::Phone(random)});
    writer->Finish();
}

void FillGoods(const QSqlDatabase& Connection)
{
    TRandom random(GoodsSeed);
    auto writer = DemoTables::Writer(Connection, QStringLiteral("TOVARY"));
    qint64 id = 0;
    for (const DemoNames::TGood& good : DemoNames::Goods())
        writer->Add({++id, good.Name, good.Unit, good.Price, qint64(random.Between(1, SupplierCount))});
    writer->Finish();
}

// One warehouse per city, and every good in stock in every warehouse.
void FillWarehouses(const QSqlDatabase& Connection)
{
    TRandom random(WarehouseSeed);
    auto warehouses = DemoTables::Writer(Connection, QStringLiteral("SKLADY"));
    auto stock = DemoTables::Writer(Connection, QStringLiteral("OSTATKI"));
    const auto& goods = DemoNames::Goods();
    qint64 warehouseID = 0, stockID = 0;
    for (const QString& city : DemoNames::WarehouseCities()) {
        ++warehouseID;
        warehouses->Add({warehouseID, QStringLiteral("Склад № %1 (%2)").arg(warehouseID).arg(city), city,
                         DemoNames::Street(random)});
        for (qsizetype good = 0; good < qsizetype(goods.size()); ++good)
            stock->Add({++stockID, goods[good].Name, warehouseID, qint64(good + 1), random.Between(0, MaxStock)});
    }
    warehouses->Finish();
    stock->Finish();
}

void FillClients(const QSqlDatabase& Connection, int Rows)
{
    TRandom random(ClientSeed);
    auto writer = DemoTables::Writer(Connection, QStringLiteral("KLIENTY"));
    for (qint64 id = 1; id <= Rows; ++id) {
        const bool firm = random.Below(100) < FirmPercent;
        const QString name = firm ? DemoNames::FirmName(random) : DemoNames::PersonName(random);
        writer->Add({id, name, DemoNames::City(random), DemoNames::Phone(random), DemoNames::TaxNumber(random, firm),
                     DemoNames::Day(random)});
    }
    writer->Finish();
}

// Orders of random clients; each order's sum is the sum of its lines.
void FillOrders(const QSqlDatabase& Connection, int Rows)
{
    TRandom random(OrderSeed);
    auto orders = DemoTables::Writer(Connection, QStringLiteral("ZAKAZY"));
    auto lines = DemoTables::Writer(Connection, QStringLiteral("STROKI_ZAKAZA"));
    const auto& goods = DemoNames::Goods();
    const auto& statuses = DemoNames::OrderStatuses();
    qint64 lineID = 0;
    for (qint64 orderID = 1; orderID <= Rows; ++orderID) {
        const qint64 clientID = random.Between(1, Rows);
        const QDate day = DemoNames::Day(random);
        const QString status = statuses[random.Below(int(statuses.size()))];
        qint64 total = 0;
        for (int line = random.Between(1, MaxLinesPerOrder); line > 0; --line) {
            const int good = random.Below(int(goods.size()));
            const int quantity = random.Between(1, MaxQuantity);
            total += Kopecks(goods[good].Price) * quantity;
            lines->Add({++lineID, goods[good].Name, orderID, qint64(good + 1), quantity, goods[good].Price});
        }
        const QString name = QStringLiteral("Заказ № %1 от %2")
                                 .arg(orderID, 6, 10, QLatin1Char('0'))
                                 .arg(day.toString(QStringLiteral("dd.MM.yyyy")));
        orders->Add({orderID, name, clientID, day, status, total / 100.0});
    }
    orders->Finish();
    lines->Finish();
}

} // namespace

void Fill(const QSqlDatabase& Connection, int Rows)
{
    FillSuppliers(Connection);
    FillGoods(Connection);
    FillWarehouses(Connection);
    FillClients(Connection, Rows);
    FillOrders(Connection, Rows);
}

} // namespace DemoData
