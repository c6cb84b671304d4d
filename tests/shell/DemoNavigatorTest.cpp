// The whole program on the demo: connect as DEMO, walk the navigator, disconnect and connect
// again.

#include "DatabaseFixture.h"
#include "DemoSchema.h"
#include "DemoSetup.h"
#include "Docking.h"
#include "EClasses.h"
#include "NavigatorSettings.h"
#include "OptionsForm.h"
#include "StatusBar.h"
#include "Env.h"
#include "ShellFixture.h"
#include "TestEnvironment.h"
#include "TestKit.h"
#include "TestNav.h"
#include "TreeView.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

using ShellTest::TShell;
using TestKit::ButtonOf;
using TestKit::ClickInto;

// An order's node by its handle, and its ID.
struct THeldOrder {
    qint64 Node;
    qint64 ID;
};

const int DemoRows = 40;

class DemoProgram : public TestSupport::TDatabaseTest {
protected:
    void SetUp() override
    {
        TDatabaseTest::SetUp();
        if (IsSkipped())
            return;
        DemoSchema::Provision(Database()->Connection(), DemoRows);
        ShellTest::WriteApplications({{QStringLiteral("DEMO"),
            {{QStringLiteral("Alias"), AliasName()}, {QStringLiteral("PackagesPath"), DemoSetup::DefaultPackagesPath()}}}});
        Shell = std::make_unique<TShell>();
    }

    void TearDown() override
    {
        Shell.reset();
        TDatabaseTest::TearDown();
    }

    void Connect()
    {
        TShell::ChooseTitle(QStringLiteral("DEMO"));
        Shell->Form()->ConnectItem->Click();
    }

    static TTreeView* Tree() { return TestNav::TestNavigator->TreeView1; }

    static QStringList RootCaptions()
    {
        QStringList captions;
        for (int i = 0; i < Tree()->Items()->RootCount(); ++i)
            captions.append(Tree()->Items()->Root(i)->Text());
        return captions;
    }

    static EClasses::TEntityInstance* SelectedObject() { return Tree()->Selected()->DataAs<EClasses::TEntityInstance>(); }

    static void ClickButton(QWidget* Form, const QString& Caption) { ButtonOf(Form, Caption)->Click(); }

    static void RunService(const QString& Name)
    {
        Env::Services->ObjectAs<EClasses::TServiceInfo>(Env::Services->IndexOf(Name))->MenuItem->Click();
    }

    // Clicks into the form's field of that column and types Text at its end.
    static void TypeInto(QWidget* Form, const QString& Column, const QString& Text)
    {
        TestKit::TypeInto(TestKit::ControlOf(Form, Column), Text, TestKit::TTyping::Append);
    }

    // Connects with the main window on screen and active, as a person sees it.
    void ConnectOnScreen()
    {
        Shell->Form()->show();
        QApplication::setActiveWindow(Shell->Form());
        Connect();
    }

    void SelectFirstClient()
    {
        TTreeNode* clients = Tree()->Items()->Root(0);
        clients->Expand(false);
        Tree()->SetSelected(clients->Item(0));
    }

    std::unique_ptr<TShell> Shell;
};

// A clerk clicks into a client's field, then disconnects, connects again and quits: the
// field's focus leaves with its form, so the main window never names a field of a package
// that is gone.
TEST_P(DemoProgram, AFieldClickedIntoSurvivesDisconnectConnectAndExit)
{
    ConnectOnScreen();
    // A stock row shows its context in the first panel; the disconnect clears it.
    TTreeNode* warehouse = Tree()->Items()->Root(3);
    warehouse->Expand(false);
    warehouse->Item(0)->Expand(false);
    Tree()->SetSelected(warehouse->Item(0)->Item(0));
    ASSERT_FALSE(Env::PrograssorPanel->Text().isEmpty());
    for (int session = 0; session < 2; ++session) {
        SelectFirstClient();
        QLineEdit* field = SelectedObject()->Form->findChild<QLineEdit*>();
        ASSERT_NE(field, nullptr);
        ClickInto(field);
        ASSERT_EQ(Shell->Form()->focusWidget(), field);
        const QWidget* fieldAddress = field;
        if (session == 0) {
            Shell->Form()->DisconnectItem->Click();
            EXPECT_NE(Shell->Form()->focusWidget(), fieldAddress);
            EXPECT_NE(QApplication::focusWidget(), fieldAddress);
            EXPECT_TRUE(Env::PrograssorPanel->Text().isEmpty());
            Connect();
        } else {
            Shell->Form()->CloseItem->Click();
            EXPECT_FALSE(Shell->Form()->SessionRunning());
            EXPECT_NE(Shell->Form()->focusWidget(), fieldAddress);
        }
    }
    EXPECT_TRUE(TestSupport::Dialogs().Messages().empty());
}

// An order edited by typing, then «Клиент заказа»: the question comes as on a click. Cancel
// keeps the order with its edit on show; No goes to the client without saving; Yes saves the
// order first. A client code that is no number is refused with the field named.
TEST_P(DemoProgram, LeavingAnEditedOrderByItsClientButtonAsksAndAWrongNumberIsRefused)
{
    ConnectOnScreen();
    TTreeNode* journal = Tree()->Items()->Root(2);
    journal->Expand(false);
    const THeldOrder order{journal->Item(1)->ItemId(), journal->Item(1)->DataAs<EClasses::TEntityInstance>()->ID};
    const QString nameQuery = QStringLiteral("select NAZVANIE from ZAKAZY where ID = %1").arg(order.ID);
    const QString savedName = QueryValue(nameQuery).toString();
    for (const int answer : {mrCancel, mrNo, mrYes}) {
        TTreeNode* orderNode = Tree()->Items()->FindByItemId(order.Node);
        ASSERT_NE(orderNode, nullptr);
        Tree()->SetSelected(orderNode);
        TForm* form = SelectedObject()->Form;
        TypeInto(form, QStringLiteral("NAZVANIE"), QStringLiteral(" pravka"));
        ASSERT_TRUE(SelectedObject()->Modified);
        TestSupport::Dialogs().Reset();
        TestSupport::Dialogs().QueueMessageAnswer(answer);
        ClickInto(ButtonOf(form, QStringLiteral("Клиент заказа")));
        EXPECT_EQ(TestSupport::Dialogs().Messages(), std::vector<QString>{QStringLiteral("Объект изменен. Сохранить изменения?")});
        if (answer == mrCancel) {
            EXPECT_EQ(SelectedObject()->ID, order.ID);
            EXPECT_EQ(Env::CurrentDataForm, form);
            EXPECT_TRUE(form->findChild<QLineEdit*>(QStringLiteral("NAZVANIE"))->text().endsWith(QStringLiteral(" pravka")));
            EXPECT_EQ(QueryValue(nameQuery).toString(), savedName);
        } else {
            EXPECT_EQ(SelectedObject()->ClassName(), QStringLiteral("TClientInstance"));
            EXPECT_EQ(QueryValue(nameQuery).toString(), answer == mrYes ? savedName + QStringLiteral(" pravka") : savedName);
        }
    }

    Tree()->SetSelected(Tree()->Items()->FindByItemId(order.Node));
    TForm* form = SelectedObject()->Form;
    const QString clientQuery = QStringLiteral("select KLIENT_ID from ZAKAZY where ID = %1").arg(order.ID);
    const QVariant client = QueryValue(clientQuery);
    TypeInto(form, QStringLiteral("KLIENT_ID"), QStringLiteral(" PRAVKA"));
    TestSupport::Dialogs().Reset();
    ClickInto(ButtonOf(form, QStringLiteral("Сохранить")));
    ASSERT_EQ(TestSupport::Dialogs().Messages().size(), 1u);
    EXPECT_TRUE(TestSupport::Dialogs().Messages()[0].contains(QStringLiteral("«Код клиента»")))
        << TestSupport::Dialogs().Messages()[0].toStdString();
    EXPECT_EQ(QueryValue(clientQuery), client);
}

TEST_P(DemoProgram, AConnectShowsTheNavigatorWhereAClientOpensOntoItsOrders)
{
    Connect();
    ASSERT_TRUE(Shell->Form()->Database1->Connected());
    EXPECT_EQ(HostDockSite(TestNav::TestNavigator), Shell->Form()->Panel1);
    const QStringList roots = RootCaptions();
    ASSERT_EQ(roots.size(), 5);
    EXPECT_TRUE(roots[0].startsWith(QStringLiteral("Клиенты")));

    TTreeNode* clients = Tree()->Items()->Root(0);
    clients->Expand(false);
    ASSERT_EQ(clients->Count(), DemoRows);
    Tree()->SetSelected(clients->Item(0));
    auto* client = clients->Item(0)->DataAs<EClasses::TEntityInstance>();
    ASSERT_NE(client->Form, nullptr);
    EXPECT_EQ(Env::CurrentDataForm, client->Form);
    EXPECT_EQ(HostDockSite(client->Form), TestNav::TestNavigator->Panel1);
    // The client's orders are docked below its fields.
    auto* form = static_cast<EClasses::TNavigatorForm*>(client->Form);
    const QList<QWidget*> subForms = DockClients(form->DockSite);
    ASSERT_EQ(subForms.size(), 1);
    auto* orders = clients->Item(0)->Item(0)->DataAs<EClasses::TEntity>();
    EXPECT_EQ(orders->ClassName(), QStringLiteral("TClientOrdersClass"));
    EXPECT_EQ(subForms[0], orders->Form);
    EXPECT_EQ(orders->Condition, QStringLiteral("KLIENT_ID=%1").arg(client->ID));

    // Disconnecting takes the navigator down before the packages go; a new connect loads it all again.
    Shell->Form()->DisconnectItem->Click();
    EXPECT_EQ(Tree()->Items()->Count(), 0);
    EXPECT_EQ(Env::CurrentDataForm, nullptr);
    Connect();
    EXPECT_EQ(RootCaptions(), roots);
    Tree()->Items()->Root(0)->Expand(false);
    EXPECT_EQ(Tree()->Items()->Root(0)->Count(), DemoRows);
    EXPECT_TRUE(TestSupport::Dialogs().Messages().empty());
}

// The sample application drives the navigator: the order form jumps to its client, the
// wizard selects the order it made, the recalculation reloads the lines shown, an explicit
// save rebuilds the order's nodes and a good's form jumps to its supplier.
TEST_P(DemoProgram, PluginsActivateObjectsAndKeepTheTreeTrue)
{
    Connect();
    TTreeNode* clients = Tree()->Items()->Root(0);
    TTreeNode* journal = Tree()->Items()->Root(2);
    ASSERT_FALSE(clients->Expanded());
    journal->Expand(false);
    TTreeNode* orderNode = journal->Item(1); // after «Новые заказы»
    Tree()->SetSelected(orderNode);
    const qint64 orderID = SelectedObject()->ID;
    const qint64 clientID = QueryValue(QStringLiteral("select KLIENT_ID from ZAKAZY where ID = %1").arg(orderID)).toLongLong();

    // «Клиент заказа» opens «Клиенты» and selects the client with its form docked.
    ClickButton(SelectedObject()->Form, QStringLiteral("Клиент заказа"));
    EClasses::TEntityInstance* client = SelectedObject();
    EXPECT_EQ(client->ClassName(), QStringLiteral("TClientInstance"));
    EXPECT_EQ(client->ID, clientID);
    EXPECT_EQ(Env::CurrentObject, client);
    EXPECT_EQ(HostDockSite(client->Form), TestNav::TestNavigator->Panel1);
    EXPECT_EQ(Tree()->Selected()->Parent(), clients);
    EXPECT_TRUE(Tree()->Selected()->IsVisible());

    // "Новый заказ..." runs the wizard: the order joins the expanded journal once and is
    // selected; the announcement "Заказ создан" refreshes «Новые заказы» and leaves it selected.
    TTreeNode* newOrders = journal->Item(0);
    newOrders->Expand(false);
    const int newCount = newOrders->Count();
    TestSupport::Dialogs().QueueInputAnswer(true, QString::number(clientID));
    RunService(QStringLiteral("Новый заказ..."));
    TTreeNode* created = Tree()->Selected();
    EXPECT_EQ(SelectedObject()->ID, QueryValue(QStringLiteral("select max(ID) from ZAKAZY")).toLongLong());
    EXPECT_EQ(created->Parent(), journal);
    for (QDeadlineTimer deadline(10000); newOrders->Count() == newCount && !deadline.hasExpired();)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    ASSERT_EQ(newOrders->Count(), newCount + 1);
    ASSERT_EQ(Tree()->Selected(), created);
    EXPECT_EQ(journal->Count(), DemoRows + 2);

    // The recalculation sets the sums and lists the lines of every order shown anew.
    orderNode->Expand(false);
    TTreeNode* lines = orderNode->Item(0);
    lines->Expand(false);
    const int lineCount = lines->Count();
    const qint64 firstLine = lines->Item(0)->ItemId();
    ExecSQL(QStringLiteral("update ZAKAZY set SUMMA = 0"));
    RunService(QStringLiteral("Пересчитать суммы заказов"));
    EXPECT_EQ(QueryValue(QStringLiteral("select SUMMA from ZAKAZY where ID = %1").arg(orderID)).toDouble(),
        QueryValue(QStringLiteral("select sum(KOLICHESTVO * CENA) from STROKI_ZAKAZA where ZAKAZ_ID = %1").arg(orderID)).toDouble());
    EXPECT_EQ(lines->Count(), lineCount);
    EXPECT_NE(lines->Item(0)->ItemId(), firstLine);

    // «Сохранить» rebuilds the order's node and selects the new one, its lines below it.
    Tree()->SetSelected(orderNode);
    const qint64 oldNode = orderNode->ItemId();
    ClickButton(SelectedObject()->Form, QStringLiteral("Сохранить"));
    TTreeNode* saved = Tree()->Selected();
    EXPECT_EQ(SelectedObject()->ID, orderID);
    EXPECT_NE(saved->ItemId(), oldNode);
    saved->Expand(false);
    saved->Item(0)->Expand(false);
    EXPECT_EQ(saved->Item(0)->Count(), lineCount);

    // A good's «Поставщик» selects its supplier below «Поставщики».
    Tree()->Items()->Root(1)->Expand(false);
    Tree()->SetSelected(Tree()->Items()->Root(1)->Item(0));
    const qint64 good = SelectedObject()->ID;
    ClickButton(SelectedObject()->Form, QStringLiteral("Поставщик"));
    EXPECT_EQ(SelectedObject()->ID, QueryValue(QStringLiteral("select POSTAVSHCHIK_ID from TOVARY where ID = %1").arg(good)).toLongLong());
    EXPECT_EQ(Tree()->Selected()->Parent(), Tree()->Items()->Root(4));

    // A stock row switched into "Склад: товар" has its node rebuilt with its good below it,
    // and switched back, without it.
    TTreeNode* warehouse = Tree()->Items()->Root(3);
    warehouse->Expand(false);
    warehouse->Item(0)->Expand(false);
    TTreeNode* row = warehouse->Item(0)->Item(0);
    Tree()->SetSelected(row);
    const qint64 stockGood = QueryValue(QStringLiteral("select TOVAR_ID from OSTATKI where ID = %1").arg(SelectedObject()->ID)).toLongLong();
    ClickButton(SelectedObject()->Form, QStringLiteral("Товар остатка"));
    ASSERT_EQ(row->Count(), 1);
    EXPECT_EQ(row->Item(0)->Text(), QStringLiteral("Товар остатка"));
    row->Item(0)->Expand(false);
    ASSERT_EQ(row->Item(0)->Count(), 1);
    EXPECT_EQ(row->Item(0)->Item(0)->DataAs<EClasses::TEntityInstance>()->ID, stockGood);
    ClickButton(SelectedObject()->Form, QStringLiteral("Товар остатка"));
    EXPECT_EQ(row->Count(), 0);
    EXPECT_EQ(TestSupport::Dialogs().Messages(), std::vector<QString>{QStringLiteral("Суммы заказов пересчитаны")});
}

// «Восстанавливать дерево при подключении» on the settings dialog's page «Навигатор»: off, a
// reconnect starts from the roots; on, it expands the nodes left expanded and selects the node
// left selected, with its form. A stock row deleted meanwhile and a class taken out of the
// schema are skipped without a word; the exit stores the tree too.
TEST_P(DemoProgram, AReconnectRestoresTheTreeAsLeftOnlyWhenSwitchedOnSkippingWhatIsGone)
{
    Connect();
    const auto leaveTree = [] {
        TTreeNode* clients = Tree()->Items()->Root(0);
        clients->Expand(false);
        clients->Item(1)->Expand(false);
        TTreeNode* warehouses = Tree()->Items()->Root(3);
        warehouses->Expand(false);
        warehouses->Item(0)->Expand(false);
        Tree()->SetSelected(warehouses->Item(0)->Item(0));
        return SelectedObject()->ID;
    };
    const auto reconnect = [this] {
        Shell->Form()->DisconnectItem->Click();
        Connect();
    };
    const auto restored = [] { return Env::PrograssorPanel->Text(); };
    leaveTree();
    reconnect();
    EXPECT_FALSE(Tree()->Items()->Root(0)->Expanded());
    EXPECT_EQ(Tree()->Selected(), Tree()->Items()->Root(4));
    EXPECT_FALSE(restored().startsWith(QStringLiteral("Восстановлено")));

    bool shownChecked = true;
    TestSupport::Dialogs().QueueModalAnswer([&shownChecked](TForm* Form) {
        auto* settings = static_cast<OptionsForm::TOptionFrm*>(Form);
        const int pages = settings->PageControl1->PageCount();
        EXPECT_EQ(settings->PageControl1->tabText(pages - 1), QStringLiteral("Навигатор")) << "after the packages' pages";
        shownChecked = NavigatorSettings::NavigatorSheet->CheckBox1->Checked();
        NavigatorSettings::NavigatorSheet->CheckBox1->SetChecked(true);
        return static_cast<int>(mrOk);
    });
    Shell->Form()->TuningItem->Click();
    EXPECT_FALSE(shownChecked);
    const qint64 client = Tree()->Items()->Root(0)->Item(1)->DataAs<EClasses::TEntityInstance>()->ID;
    const qint64 stock = leaveTree();
    reconnect();
    TTreeNode* clients = Tree()->Items()->Root(0);
    EXPECT_TRUE(clients->Expanded());
    EXPECT_TRUE(clients->Item(1)->Expanded());
    EXPECT_EQ(clients->Item(1)->DataAs<EClasses::TEntityInstance>()->ID, client);
    ASSERT_TRUE(Tree()->Items()->Root(3)->Item(0)->Expanded());
    EXPECT_EQ(SelectedObject()->ID, stock);
    EXPECT_EQ(Tree()->Selected()->Parent(), Tree()->Items()->Root(3)->Item(0));
    EXPECT_EQ(Env::CurrentObject, SelectedObject());
    EXPECT_EQ(restored(), QStringLiteral("Восстановлено: 5 из 5"));

    Shell->Form()->DisconnectItem->Click();
    ExecSQL(QStringLiteral("delete from OSTATKI where ID = %1").arg(stock));
    Connect();
    EXPECT_TRUE(Tree()->Items()->Root(3)->Item(0)->Expanded());
    EXPECT_EQ(Tree()->Selected(), Tree()->Items()->Root(4));
    EXPECT_EQ(restored(), QStringLiteral("Восстановлено: 4 из 5"));

    Shell->Form()->DisconnectItem->Click();
    ExecSQL(QStringLiteral("delete from NAVIGATSIA where CLASS_ID_POTOMOK in (select ID from CLASS where NAZVANIE = 'TClientInstance')"));
    Connect();
    EXPECT_EQ(Tree()->Items()->Root(0)->Count(), 0);
    EXPECT_TRUE(Tree()->Items()->Root(3)->Expanded());
    EXPECT_EQ(restored(), QStringLiteral("Восстановлено: 4 из 5"));
    Tree()->SetSelected(Tree()->Items()->Root(2));
    Shell->Form()->CloseItem->Click();
    EXPECT_EQ(NavigatorSettings::StoredTree().Selected, QStringLiteral("TOrdersClass"));
    EXPECT_TRUE(TestSupport::Dialogs().Messages().empty());
}

VELNOR_INSTANTIATE_DATABASE_TEST(DemoProgram);

} // namespace
