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
#include "NavigatorManager.h"
#include "ObjectManager.h"
#include "TreeView.h"
#include "WizardManager.h"

#include <QDate>
#include <QSet>

namespace DemoOrderWizard {

VEL_IMPLEMENT_CLASS(TNewOrderWizard)

namespace {

const QString Orders = QStringLiteral("ZAKAZY");

TNewOrderWizard Wizard;
TMenuItem* RecalculateItem = nullptr;
TMenuItem* NewOrderItem = nullptr;

// The client's code typed by the user; 0 when cancelled, not a number or not a client.
qint64 AskClient()
{
    QString text;
    if (!InputQuery(WizardName, QStringLiteral("Код клиента"), text))
        return 0;
    return DemoSalesClasses::ExistingClient(text);
}

QString OrderName(qint64 ID, const QDate& Day)
{
    return QStringLiteral("Заказ № %1 от %2").arg(ID, 6, 10, QLatin1Char('0')).arg(Day.toString(QStringLiteral("dd.MM.yyyy")));
}

// Writes the order; returns its name.
QString InsertOrder(qint64 ID, qint64 ClientID)
{
    const QDate today = QDate::currentDate();
    const QString name = OrderName(ID, today);
    DemoRecords::ExecSQL(
        QStringLiteral("insert into ZAKAZY (ID, NAZVANIE, KLIENT_ID, DATA, STATUS, SUMMA) values (:ID, :NAZVANIE, :KLIENT_ID, :DATA, :STATUS, 0)"),
        {{QStringLiteral("ID"), ID}, {QStringLiteral("NAZVANIE"), name}, {QStringLiteral("KLIENT_ID"), ClientID},
            {QStringLiteral("DATA"), today}, {QStringLiteral("STATUS"), DemoSettings::NewOrderStatus()}});
    return name;
}

// The class nodes of a class now in the navigator's tree.
QList<TTreeNode*> ClassNodes(const QString& ClassName)
{
    TStringList found;
    ObjectManager::Objects->FindClassObjectReferences(ClassName, &found);
    QList<TTreeNode*> nodes;
    for (int i = 0; i < found.Count(); ++i)
        nodes.append(found.ObjectAs<TTreeNode>(i));
    return nodes;
}

// The new order joins every order journal node that already lists its rows (one not yet
// expanded reads it from the database when it is) and becomes the selected node.
void ShowNewOrder(qint64 ID, const QString& Name)
{
    EClasses::TNavigator* navigator = NavigatorManager::CurrentNavigator;
    const TClass journal = DemoRecords::RegisteredClass(QStringLiteral("TOrdersClass"));
    const TClass order = DemoRecords::RegisteredClass(QStringLiteral("TOrderInstance"));
    if (!navigator || !ObjectManager::Objects || !journal || !order)
        return;
    for (TTreeNode* node : ClassNodes(journal->ClassName()))
        if (node->Count() > 0)
            navigator->RefreshNodeByAddingObject(node, ID, Name);
    navigator->ActivateObjectInstance(journal, order, ID);
}

// Every order shown in the tree is told it changed, once however many nodes show it, so that
// the entities below it (its lines) reload; the form on show is shown again with its new sum
// unless it holds unsaved edits.
void NotifyShownOrders()
{
    EClasses::TNavigator* navigator = NavigatorManager::CurrentNavigator;
    if (!navigator || !ObjectManager::Objects)
        return;
    QSet<qint64> orders;
    for (const char* listClass : {"TOrdersClass", "TNewOrdersClass", "TClientOrdersClass"})
        for (TTreeNode* node : ClassNodes(QString::fromLatin1(listClass)))
            for (int i = 0; i < node->Count(); ++i)
                if (const auto* order = node->Item(i)->DataAs<EClasses::TEntityInstance>())
                    orders.insert(order->ID);
    const QString orderClass = QStringLiteral("TOrderInstance");
    for (qint64 id : std::as_const(orders))
        if (TTreeNode* node = ObjectManager::Objects->FindObjectReference(orderClass, id, nullptr))
            navigator->NotifyObjectChanged(node->DataAs<EClasses::TEntity>());
    // Showing the object again reloads its fields: edits not yet saved are kept instead.
    const auto* shown = dynamic_cast<const EClasses::TEntityInstance*>(Env::CurrentObject);
    if (!shown || !shown->Modified)
        navigator->Refresh();
}

void RecalculateClick(TObject*)
{
    DemoSalesClasses::RecalculateOrderSums(0);
    NotifyShownOrders();
    ShowMessage(QStringLiteral("Суммы заказов пересчитаны"));
}

} // namespace

qint32 TNewOrderWizard::Execute()
{
    const qint64 client = AskClient();
    if (client == 0)
        return 0;
    const qint64 id = DemoSequencer::NextKey(Orders);
    const QString name = InsertOrder(id, client);
    {
        DemoSalesClasses::TOrderInstance order(id, QString());
        order.AddToNew(Orders, id);
        if (Env::Post)
            Env::Post->Send(&order, DemoMessages::OrderCreated, QString::number(id));
    }
    ShowNewOrder(id, name);
    return static_cast<qint32>(id);
}

void RegisterWizardAndService()
{
    WizardManager::RegisterWizard(WizardName, &Wizard);
    RecalculateItem = DemoRecords::RegisterMenuService(RecalculateServiceName, QStringLiteral("Сервис"), RecalculateClick);
    NewOrderItem = DemoRecords::RegisterMenuService(NewOrderServiceName, QStringLiteral("Сервис"),
        [](TObject*) { WizardManager::CallWizard(WizardName); });
}

void UnregisterWizardAndService()
{
    DemoRecords::UnregisterMenuService(NewOrderServiceName, NewOrderItem);
    DemoRecords::UnregisterMenuService(RecalculateServiceName, RecalculateItem);
    WizardManager::UnregisterWizard(WizardName);
}

} // namespace DemoOrderWizard
