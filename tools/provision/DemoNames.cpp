#include "DemoNames.h"

#include <array>

namespace DemoNames {

namespace {

const std::array MaleFirstNames = {
    u"Александр", u"Алексей", u"Андрей", u"Борис", u"Вадим", u"Василий", u"Виктор", u"Владимир",
    u"Геннадий", u"Григорий", u"Дмитрий", u"Евгений", u"Иван", u"Игорь", u"Константин", u"Леонид",
    u"Михаил", u"Николай", u"Олег", u"Павел", u"Пётр", u"Роман", u"Сергей", u"Станислав",
    u"Фёдор", u"Юрий"};
const std::array FemaleFirstNames = {
    u"Анна", u"Валентина", u"Вера", u"Галина", u"Дарья", u"Екатерина", u"Елена", u"Ирина",
    u"Ксения", u"Лариса", u"Людмила", u"Марина", u"Мария", u"Надежда", u"Наталья", u"Нина",
    u"Ольга", u"Светлана", u"Татьяна", u"Юлия"};
struct TPatronymic {
    const char16_t* Male;
    const char16_t* Female;
};
const std::array Patronymics = {
    TPatronymic{u"Александрович", u"Александровна"}, TPatronymic{u"Алексеевич", u"Алексеевна"},
    TPatronymic{u"Андреевич", u"Андреевна"},         TPatronymic{u"Борисович", u"Борисовна"},
    TPatronymic{u"Викторович", u"Викторовна"},       TPatronymic{u"Владимирович", u"Владимировна"},
    TPatronymic{u"Григорьевич", u"Григорьевна"},     TPatronymic{u"Дмитриевич", u"Дмитриевна"},
    TPatronymic{u"Иванович", u"Ивановна"},           TPatronymic{u"Игоревич", u"Игоревна"},
    TPatronymic{u"Михайлович", u"Михайловна"},       TPatronymic{u"Николаевич", u"Николаевна"},
    TPatronymic{u"Олегович", u"Олеговна"},           TPatronymic{u"Павлович", u"Павловна"},
    TPatronymic{u"Петрович", u"Петровна"},           TPatronymic{u"Сергеевич", u"Сергеевна"},
    TPatronymic{u"Фёдорович", u"Фёдоровна"},         TPatronymic{u"Юрьевич", u"Юрьевна"}};
// Surnames in the male form; the female form adds "а" (these all end in -ов, -ев, -ин).
const std::array Surnames = {
    u"Иванов", u"Смирнов", u"Кузнецов", u"Попов", u"Васильев", u"Петров", u"Соколов", u"Михайлов",
    u"Новиков", u"Фёдоров", u"Морозов", u"Волков", u"Алексеев", u"Лебедев", u"Семёнов", u"Егоров",
    u"Павлов", u"Козлов", u"Степанов", u"Николаев", u"Орлов", u"Андреев", u"Макаров", u"Никитин",
    u"Захаров", u"Зайцев", u"Соловьёв", u"Борисов", u"Яковлев", u"Григорьев", u"Романов", u"Воробьёв",
    u"Сергеев", u"Кузьмин", u"Фролов", u"Александров", u"Дмитриев", u"Королёв", u"Гусев", u"Киселёв",
    u"Ильин", u"Максимов", u"Поляков", u"Сорокин", u"Виноградов", u"Ковалёв", u"Белов", u"Медведев"};
const std::array FirmForms = {u"ООО", u"ООО", u"ООО", u"АО", u"ИП", u"ЗАО"};
const std::array FirmWords = {
    u"Вектор", u"Альфа", u"Северный ветер", u"Гранит", u"Меридиан", u"Восход", u"Радуга", u"Берёзка",
    u"Стройторг", u"Техносила", u"Агропром", u"Надежда", u"Фортуна", u"Волга", u"Уральские зори",
    u"Каскад", u"Сибирский двор", u"Орион", u"Заря", u"Лидер", u"Престиж", u"Хлебный дом", u"Колос",
    u"Продсервис", u"Торговая линия", u"Камелия", u"Изумруд", u"Байкал", u"Полярная звезда", u"Самоцвет"};
const std::array Cities = {
    u"Москва", u"Санкт-Петербург", u"Новосибирск", u"Екатеринбург", u"Казань", u"Нижний Новгород",
    u"Самара", u"Омск", u"Ростов-на-Дону", u"Уфа", u"Красноярск", u"Воронеж", u"Пермь", u"Волгоград",
    u"Тверь", u"Ярославль", u"Тула", u"Калуга", u"Рязань", u"Владимир"};
const std::array Streets = {
    u"ул. Ленина", u"ул. Садовая", u"пр. Мира", u"ул. Гагарина", u"ул. Советская", u"ул. Пушкина",
    u"Промышленная ул.", u"Складская ул.", u"ш. Энтузиастов", u"ул. Заводская"};

struct TGoodStem {
    const char16_t* Name;
    const char16_t* Unit;
    int Kopecks;
};
// Each good is sold singly and by the box of ten, the box at a tenth off.
const std::array GoodStems = {
    TGoodStem{u"Сахар-песок", u"кг", 8900},          TGoodStem{u"Мука пшеничная", u"кг", 6450},
    TGoodStem{u"Крупа гречневая ядрица", u"кг", 11200}, TGoodStem{u"Рис круглозёрный", u"кг", 9800},
    TGoodStem{u"Пшено шлифованное", u"кг", 5600},   TGoodStem{u"Макароны рожки", u"уп", 7400},
    TGoodStem{u"Масло подсолнечное", u"л", 14500},  TGoodStem{u"Чай чёрный байховый", u"уп", 18900},
    TGoodStem{u"Кофе растворимый", u"банка", 42000}, TGoodStem{u"Соль поваренная", u"кг", 2300},
    TGoodStem{u"Молоко сгущённое", u"банка", 11900}, TGoodStem{u"Горошек зелёный", u"банка", 9500},
    TGoodStem{u"Тушёнка говяжья", u"банка", 24500}, TGoodStem{u"Шпроты в масле", u"банка", 16700},
    TGoodStem{u"Печенье овсяное", u"уп", 8700},     TGoodStem{u"Мёд цветочный", u"банка", 39000},
    TGoodStem{u"Варенье клубничное", u"банка", 27000}, TGoodStem{u"Овсяные хлопья", u"уп", 6900},
    TGoodStem{u"Фасоль красная", u"банка", 10400},  TGoodStem{u"Уксус столовый", u"бут", 4500},
    TGoodStem{u"Горчица русская", u"банка", 6100},  TGoodStem{u"Кетчуп томатный", u"бут", 12900},
    TGoodStem{u"Майонез провансаль", u"уп", 11500}, TGoodStem{u"Какао-порошок", u"уп", 21000},
    TGoodStem{u"Мыло хозяйственное", u"шт", 3900},  TGoodStem{u"Спички", u"уп", 1500},
    TGoodStem{u"Свечи хозяйственные", u"уп", 9900}, TGoodStem{u"Стиральный порошок", u"уп", 35000},
    TGoodStem{u"Бумага туалетная", u"уп", 16800},   TGoodStem{u"Салфетки бумажные", u"уп", 5200}};
constexpr int BoxSize = 10;

template <typename List>
QString Pick(TRandom& Random, const List& Items)
{
    return QString::fromUtf16(Items[Random.Below(int(Items.size()))]);
}

QString Digits(TRandom& Random, int Count)
{
    QString text;
    for (int i = 0; i < Count; ++i)
        text.append(QChar(u'0' + Random.Below(10)));
    return text;
}

QString Patronymic(TRandom& Random, bool Female)
{
    const TPatronymic& patronymic = Patronymics[Random.Below(int(Patronymics.size()))];
    return QString::fromUtf16(Female ? patronymic.Female : patronymic.Male);
}

} // namespace

quint32 TRandom::Next()
{
    FState ^= FState << 13;
    FState ^= FState >> 17;
    FState ^= FState << 5;
    return FState;
}

QString PersonName(TRandom& Random)
{
    const bool female = Random.Below(2) == 1;
    const QString surname = Pick(Random, Surnames) + (female ? QStringLiteral("а") : QString());
    const QString firstName = female ? Pick(Random, FemaleFirstNames) : Pick(Random, MaleFirstNames);
    return surname + u' ' + firstName + u' ' + Patronymic(Random, female);
}

QString FirmName(TRandom& Random)
{
    const QString form = Pick(Random, FirmForms);
    if (form == QStringLiteral("ИП"))
        return form + u' ' + PersonName(Random);
    return form + QStringLiteral(" «") + Pick(Random, FirmWords) + u'»';
}

QString City(TRandom& Random)
{
    return Pick(Random, Cities);
}

QString Street(TRandom& Random)
{
    return Pick(Random, Streets) + QStringLiteral(", д. ") + QString::number(Random.Between(1, 120));
}

QString Phone(TRandom& Random)
{
    const QString d = Digits(Random, 9);
    return QStringLiteral("+7 (9%1) %2-%3-%4").arg(d.left(2), d.mid(2, 3), d.mid(5, 2), d.mid(7, 2));
}

QString TaxNumber(TRandom& Random, bool Firm)
{
    return QString::number(Random.Between(1, 9)) + Digits(Random, Firm ? 9 : 11);
}

QDate Day(TRandom& Random)
{
    return QDate(2021, 1, 1).addDays(Random.Below(4 * 365));
}

const std::vector<TGood>& Goods()
{
    static const std::vector<TGood> goods = [] {
        std::vector<TGood> list;
        for (const TGoodStem& stem : GoodStems) {
            const QString name = QString::fromUtf16(stem.Name);
            list.push_back({name, QString::fromUtf16(stem.Unit), stem.Kopecks / 100.0});
            list.push_back({name + QStringLiteral(", коробка %1 шт.").arg(BoxSize),
                            QStringLiteral("кор"), stem.Kopecks * BoxSize * 9 / 10 / 100.0});
        }
        return list;
    }();
    return goods;
}

const std::vector<QString>& WarehouseCities()
{
    static const std::vector<QString> cities = {QStringLiteral("Москва"), QStringLiteral("Санкт-Петербург"),
                                                QStringLiteral("Екатеринбург"), QStringLiteral("Новосибирск"),
                                                QStringLiteral("Ростов-на-Дону")};
    return cities;
}

const std::vector<QString>& OrderStatuses()
{
    static const std::vector<QString> statuses = {QStringLiteral("Новый"), QStringLiteral("В работе"),
                                                  QStringLiteral("Отгружен"), QStringLiteral("Оплачен")};
    return statuses;
}

} // namespace DemoNames
