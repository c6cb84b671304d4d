#include "DemoSalesClasses.h"

#include "DemoMessages.h"
#include "DemoOrderForm.h"
#include "DemoSettings.h"

namespace DemoSalesClasses {

VEL_IMPLEMENT_CLASS(TClientOrdersClass)
VEL_IMPLEMENT_CLASS(TOrderInstance)
VEL_IMPLEMENT_CLASS(TOrderLinesClass)
VEL_IMPLEMENT_CLASS(TOrderLineInstance)
VEL_IMPLEMENT_CLASS(TOrdersClass)
VEL_IMPLEMENT_CLASS(TNewOrdersClass)

using DemoRecords::Col;
using DemoRecords::FormOf;
using DemoRecords::TListForm;
using DemoRecords::TRecordForm;

namespace {

const QString Orders = QStringLiteral("ZAKAZY");
const QString OrderLines = QStringLiteral("STROKI_ZAKAZA");

DemoRecords::TClassRegistrations Registrations;

// The status of new orders as an SQL condition; a quote in the status is doubled.
QString NewOrdersCondition()
{
    QString status = DemoSettings::NewOrderStatus();
    return QStringLiteral("STATUS='%1'").arg(status.replace(QLatin1Char('\''), QStringLiteral("''")));
}

} // namespace

TClientOrdersClass::TClientOrdersClass(const QString& Condition, TDataSet* DataSet)
    : TRecordClass(Condition, DataSet, Orders, FormOf<TListForm>(StaticClass()))
{
    Subscriptions.Subscribe(DemoMessages::OrderCreated);
}

TOrderInstance::TOrderInstance(qint64 ID, const QString& Name)
    : TRecordInstance(ID, Name, Orders, FormOf<TRecordForm>(StaticClass()))
{
}

void TOrderInstance::Show()
{
    TRecordInstance::Show();
    // The exported files are named after the order as stored.
    const QString name = Values.value(QStringLiteral("NAZVANIE"));
    if (auto* form = dynamic_cast<DemoOrderForm::TOrderForm*>(Form))
        form->ShowLines(ID, name.isEmpty() ? QStringLiteral("Заказ %1").arg(ID) : name);
}

TOrderLinesClass::TOrderLinesClass(const QString& Condition, TDataSet* DataSet)
    : TRecordClass(Condition, DataSet, OrderLines, FormOf<TListForm>(StaticClass()))
{
    Subscriptions.Subscribe(DemoMessages::StockChanged);
}

TOrderLineInstance::TOrderLineInstance(qint64 ID, const QString& Name)
    : TRecordInstance(ID, Name, OrderLines, FormOf<TRecordForm>(StaticClass()))
{
}

void TOrderLineInstance::Saved()
{
    const qint64 order = Values.value(QStringLiteral("ZAKAZ_ID")).toLongLong();
    if (order != 0)
        RecalculateOrderSums(order);
}

TOrdersClass::TOrdersClass(const QString& Condition, TDataSet* DataSet)
    : TRecordClass(Condition, DataSet, Orders, FormOf<TListForm>(StaticClass()))
{
    Subscriptions.Subscribe(DemoMessages::OrderCreated);
}

// Without a condition from its link the node still lists only the new orders.
TNewOrdersClass::TNewOrdersClass(const QString& Condition, TDataSet* DataSet)
    : TRecordClass(Condition.isEmpty() ? NewOrdersCondition() : Condition, DataSet, Orders, FormOf<TListForm>(StaticClass()))
{
    Subscriptions.Subscribe(DemoMessages::OrderCreated);
}

void RecalculateOrderSums(qint64 OrderID)
{
    const QString total = QStringLiteral(
        "update ZAKAZY set SUMMA = (select coalesce(sum(KOLICHESTVO * CENA), 0) from STROKI_ZAKAZA where ZAKAZ_ID = ZAKAZY.ID)");
    if (OrderID == 0)
        DemoRecords::ExecSQL(total, {});
    else
        DemoRecords::ExecSQL(total + QStringLiteral(" where ID = :ID"), {{QStringLiteral("ID"), OrderID}});
}

void RegisterClasses()
{
    Registrations.RegisterList(TClientOrdersClass::StaticClass(), "Заказы клиента");
    Registrations.Register(TOrderInstance::StaticClass(),
        new DemoOrderForm::TOrderForm(QStringLiteral("Заказ"),
            {Col("NAZVANIE", "Наименование"), Col("KLIENT_ID", "Код клиента"), Col("DATA", "Дата"), Col("STATUS", "Статус"),
                Col("SUMMA", "Сумма")}));
    Registrations.RegisterList(TOrderLinesClass::StaticClass(), "Строки заказа");
    Registrations.RegisterRecord(TOrderLineInstance::StaticClass(), "Строка заказа",
        {Col("NAZVANIE", "Наименование"), Col("ZAKAZ_ID", "Код заказа"), Col("TOVAR_ID", "Код товара"),
            Col("KOLICHESTVO", "Количество"), Col("CENA", "Цена")},
        false);
    Registrations.RegisterList(TOrdersClass::StaticClass(), "Журнал заказов");
    Registrations.RegisterList(TNewOrdersClass::StaticClass(), "Новые заказы");
}

void UnregisterClasses()
{
    Registrations.UnregisterAll();
}

} // namespace DemoSalesClasses
