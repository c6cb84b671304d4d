#pragma once
// Russian names, places and goods for the demo data, drawn by a deterministic generator so
// that every run with the same row count yields the same database.

#include <QDate>
#include <QString>
#include <QtGlobal>

#include <vector>

namespace DemoNames {

// A small xorshift generator: the same seed gives the same sequence on every platform.
class TRandom {
public:
    explicit TRandom(quint32 Seed) : FState(Seed ? Seed : 1) {}
    quint32 Next();
    // 0 <= result < Count (Count > 0).
    int Below(int Count) { return int(Next() % quint32(Count)); }
    // Low <= result <= High.
    int Between(int Low, int High) { return Low + Below(High - Low + 1); }

private:
    quint32 FState;
};

// "Фамилия Имя Отчество" of a man or a woman.
QString PersonName(TRandom& Random);
// A firm with its legal form, e.g. "ООО «Северный ветер»".
QString FirmName(TRandom& Random);
QString City(TRandom& Random);
QString Street(TRandom& Random);
// "+7 (9xx) xxx-xx-xx".
QString Phone(TRandom& Random);
// Digits of a taxpayer number: 10 for a firm, 12 for a person.
QString TaxNumber(TRandom& Random, bool Firm);
// A day of the years 2021 to 2024.
QDate Day(TRandom& Random);

struct TGood {
    QString Name;
    QString Unit;
    double Price;   // roubles, two decimals
};
// The firm's assortment, always the same list in the same order.
const std::vector<TGood>& Goods();
// The cities where the firm keeps warehouses.
const std::vector<QString>& WarehouseCities();
// The order statuses, the new one first.
const std::vector<QString>& OrderStatuses();

} // namespace DemoNames
