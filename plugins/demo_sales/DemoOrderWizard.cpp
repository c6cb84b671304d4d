#include "DemoOrderWizard.h"

#include "DemoMessages.h"
#include "DemoRecords.h"
#include "DemoSalesClasses.h"
#include "DemoSequencer.h"
#include "DemoSettings.h"
#include "Dialogs.h"
#include "Env.h"
#include "Menus.h"
#include "MessageManager.h"
#include "WizardManager.h"

#include <QDate>

namespace DemoOrderWizard {

VEL_IMPLEMENT_CLASS(TNewOrderWizard)

namespace {

const QString Orders = QStringLiteral("ZAKAZY");

TNewOrderWizard Wizard;
TMenuItem* RecalculateItem = nullptr;

bool ClientExists(qint64 ClientID)
{
    return !DemoRecords::QueryValue(QStringLiteral("select ID from KLIENTY where ID = :ID"), {{QStringLiteral("ID"), ClientID}}).isNull();
}

// The client's code typed by the user; 0 when cancelled, not a number or not a client.
qint64 AskClient()
{
    QString text;
    if (!InputQuery(WizardName, QStringLiteral("Код клиента"), text))
        return 0;
    bool number = false;
    const qint64 client = text.trimmed().toLongLong(&number);
    if (number && ClientExists(client))
        return client;
    ShowMessage(QStringLiteral("Клиент с кодом %1 не найден").arg(text.trimmed()));
    return 0;
}

QString OrderName(qint64 ID, const QDate& Day)
{
    return QStringLiteral("Заказ № %1 от %2").arg(ID, 6, 10, QLatin1Char('0')).arg(Day.toString(QStringLiteral("dd.MM.yyyy")));
}

void InsertOrder(qint64 ID, qint64 ClientID)
{
    const QDate today = QDate::currentDate();
    DemoRecords::ExecSQL(
        QStringLiteral("insert into ZAKAZY (ID, NAZVANIE, KLIENT_ID, DATA, STATUS, SUMMA) values (:ID, :NAZVANIE, :KLIENT_ID, :DATA, :STATUS, 0)"),
        {{QStringLiteral("ID"), ID}, {QStringLiteral("NAZVANIE"), OrderName(ID, today)}, {QStringLiteral("KLIENT_ID"), ClientID},
            {QStringLiteral("DATA"), today}, {QStringLiteral("STATUS"), DemoSettings::NewOrderStatus()}});
}

void RecalculateClick(TObject*)
{
    DemoSalesClasses::RecalculateOrderSums(0);
    ShowMessage(QStringLiteral("Суммы заказов пересчитаны"));
}

} // namespace

qint32 TNewOrderWizard::Execute()
{
    const qint64 client = AskClient();
    if (client == 0)
        return 0;
    const qint64 id = DemoSequencer::NextKey(Orders);
    InsertOrder(id, client);
    DemoSalesClasses::TOrderInstance order(id, QString());
    order.AddToNew(Orders, id);
    if (Env::Post)
        Env::Post->Send(&order, DemoMessages::OrderCreated, QString::number(id));
    return static_cast<qint32>(id);
}

void RegisterWizardAndService()
{
    WizardManager::RegisterWizard(WizardName, &Wizard);
    RecalculateItem = DemoRecords::RegisterMenuService(RecalculateServiceName, QStringLiteral("Сервис"), RecalculateClick);
}

void UnregisterWizardAndService()
{
    DemoRecords::UnregisterMenuService(RecalculateServiceName, RecalculateItem);
    WizardManager::UnregisterWizard(WizardName);
}

} // namespace DemoOrderWizard
