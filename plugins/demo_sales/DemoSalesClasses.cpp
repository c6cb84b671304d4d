#include "DemoSalesClasses.h"

#include "DemoMessages.h"
#include "DemoOrderForm.h"
#include "DemoSettings.h"
#include "Dialogs.h"
#include "TreeView.h"

namespace DemoSalesClasses {

VEL_IMPLEMENT_CLASS(TOrderListClass)
VEL_IMPLEMENT_CLASS(TClientOrdersClass)
VEL_IMPLEMENT_CLASS(TOrderInstance)
VEL_IMPLEMENT_CLASS(TOrderLinesClass)
VEL_IMPLEMENT_CLASS(TOrderLineInstance)
VEL_IMPLEMENT_CLASS(TOrdersClass)
VEL_IMPLEMENT_CLASS(TNewOrdersClass)

using DemoRecords::Col;
using DemoRecords::TColumnKind;
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

TOrderListClass::TOrderListClass(const QString& Condition, TDataSet* DataSet, TListForm* ListForm)
    : TRecordClass(Condition, DataSet, Orders, ListForm)
{
    Subscriptions.Subscribe(DemoMessages::OrderCreated);
}

bool TOrderListClass::AlreadyShows(const EClasses::TMessageInfo* Info) const
{
    bool number = false;
    const qint64 order = Info->Text.toLongLong(&number);
    for (int i = 0; number && Node && i < Node->Count(); ++i) {
        const auto* child = Node->Item(i)->DataAs<EClasses::TEntityInstance>();
        if (child && child->ID == order)
            return true;
    }
    return false;
}

TClientOrdersClass::TClientOrdersClass(const QString& Condition, TDataSet* DataSet)
    : TOrderListClass(Condition, DataSet, FormOf<TListForm>(StaticClass()))
{
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
    : TOrderListClass(Condition, DataSet, FormOf<TListForm>(StaticClass()))
{
}

// Without a condition from its link the node still lists only the new orders.
TNewOrdersClass::TNewOrdersClass(const QString& Condition, TDataSet* DataSet)
    : TOrderListClass(Condition.isEmpty() ? NewOrdersCondition() : Condition, DataSet, FormOf<TListForm>(StaticClass()))
{
}

qint64 ExistingClient(const QString& Text)
{
    bool number = false;
    const qint64 client = Text.trimmed().toLongLong(&number);
    if (number
        && !DemoRecords::QueryValue(QStringLiteral("select ID from KLIENTY where ID = :ID"), {{QStringLiteral("ID"), client}})
                .isNull())
        return client;
    ShowMessage(QStringLiteral("Клиент с кодом %1 не найден").arg(Text.trimmed()));
    return 0;
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
            {Col("NAZVANIE", "Наименование"), Col("KLIENT_ID", "Код клиента", TColumnKind::Integer), Col("DATA", "Дата"), Col("STATUS", "Статус"),
                Col("SUMMA", "Сумма", TColumnKind::Number)}));
    Registrations.RegisterList(TOrderLinesClass::StaticClass(), "Строки заказа");
    Registrations.RegisterRecord(TOrderLineInstance::StaticClass(), "Строка заказа",
        {Col("NAZVANIE", "Наименование"), Col("ZAKAZ_ID", "Код заказа", TColumnKind::Integer), Col("TOVAR_ID", "Код товара", TColumnKind::Integer),
            Col("KOLICHESTVO", "Количество", TColumnKind::Integer), Col("CENA", "Цена", TColumnKind::Number)},
        false);
    Registrations.RegisterList(TOrdersClass::StaticClass(), "Журнал заказов");
    Registrations.RegisterList(TNewOrdersClass::StaticClass(), "Новые заказы");
}

void UnregisterClasses()
{
    Registrations.UnregisterAll();
}

} // namespace DemoSalesClasses
