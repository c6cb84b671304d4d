#include "NavigatorFixture.h"

#include "Clipboard.h"
#include "Controls.h"
#include "Docking.h"
#include "Env.h"
#include "ObjectManager.h"
#include "Registry.h"
#include "StatusBar.h"
#include "TestEnvironment.h"
#include "TreeView.h"

#include <QCoreApplication>
#include <QFile>
#include <QKeyEvent>

#include <gtest/gtest.h>

#include <memory>

namespace NavigatorTests {

namespace {

using EClasses::TEntity;
using TestNav::TNodeInfo;

QStringList Messages()
{
    QStringList messages;
    for (const QString& message : TestSupport::Dialogs().Messages())
        if (!message.startsWith(QStringLiteral("Ошибка в запросе")))
            messages.append(message);
    return messages;
}

QStringList Stack(const TStringList* History)
{
    QStringList captions;
    for (int i = 0; i < History->Count(); ++i)
        captions.append(History->Strings(i));
    return captions;
}

int StoredWidth()
{
    TRegistry registry;
    registry.OpenKey(QStringLiteral("Software\\Velnor07\\NAVTEST\\TTestNavigator"), true);
    return registry.ValueExists(QStringLiteral("Width")) ? registry.ReadInteger(QStringLiteral("Width")) : -1;
}

const QStringList Clients{QStringLiteral("CLIENTS и клиенты")};
const QStringList Vasiliev{QStringLiteral("CLIENTS и клиенты"), QStringLiteral("Васильев")};
const QStringList Boxes{QStringLiteral("BOXES")};
const QStringList Box{QStringLiteral("BOXES"), QStringLiteral("Коробка")};

} // namespace

TEST_P(NavigatorTest, LoadsTheUsersSchemaPerContextAndMakesTheRoots)
{
    TRegistry().DeleteKey(QStringLiteral("Software\\Velnor07\\NAVTEST"));
    Start();
    TTreeView* tree = Navigator()->TreeView1;
    // Roots in schema order, Latin letters in capitals; the unregistered class makes none.
    ASSERT_EQ(tree->Items()->RootCount(), 2);
    EXPECT_EQ(Node(Clients), tree->Items()->Root(0));
    EXPECT_EQ(Node(Boxes), tree->Items()->Root(1));
    EXPECT_TRUE(Node(Clients)->HasChildren());
    // Each root was activated in turn: the last stays selected with its form on show.
    EXPECT_EQ(Navigator()->FLastNode, Node(Boxes));
    EXPECT_EQ(tree->Selected(), Node(Boxes));
    EXPECT_EQ(Env::CurrentDataForm, FormOf(QStringLiteral("TNBoxes")));
    const int nodes = tree->Items()->Count();
    EXPECT_TRUE(Navigator()->FBackHistory->IsEmpty());
    EXPECT_TRUE(Clipboard::Text().startsWith(QStringLiteral("select  distinct a.ID, a.NAZVANIE  PREDOK, a.STROKA STROKA,  c.CONTEXT CON")));

    // A predecessor in two contexts is listed twice; the first entry has the links of both.
    TStringList* classNames = Navigator()->FClassNames;
    QStringList clientLists;
    for (int i = 0; i < classNames->Count(); ++i)
        if (classNames->Strings(i) == QStringLiteral("TNClients"))
            clientLists.append(QString::number(classNames->ObjectAs<TStringList>(i)->Count()));
    EXPECT_EQ(clientLists, (QStringList{QStringLiteral("2"), QStringLiteral("0")}));
    EXPECT_EQ(Navigator()->FContexts->Count(), 3);
    const int archive = Env::ClassNames->IndexOf(QStringLiteral("TNArchive"));
    EXPECT_EQ(Env::ClassString->Strings(archive), QStringLiteral("Архив"));
    EXPECT_EQ(Env::ClassTypes->Strings(archive), QStringLiteral("1"));

    // The tree's width: 250 without a stored one, written back at the end; a stored 0 is 120.
    EXPECT_EQ(Navigator()->Panel2->width(), 250);
    EXPECT_EQ(StoredWidth(), 250);
    Navigator()->Panel2->resize(180, Navigator()->Panel2->height());
    Navigator()->Unplug();
    EXPECT_EQ(StoredWidth(), 180);
    EXPECT_EQ(ObjectManager::Objects, nullptr);
    TRegistry registry;
    registry.OpenKey(QStringLiteral("Software\\Velnor07\\NAVTEST\\TTestNavigator"), true);
    registry.WriteInteger(QStringLiteral("Width"), 0);

    // A second start loads everything again, with nothing left from the first.
    Start();
    EXPECT_EQ(Navigator()->Panel2->width(), 120);
    EXPECT_EQ(tree->Items()->Count(), nodes);
    EXPECT_NE(ObjectManager::Objects->FindObjectReference(QStringLiteral("TNClient"), 12, nullptr), nullptr);
    EXPECT_TRUE(Messages().isEmpty());
}

TEST_P(NavigatorTest, ReportsEachFailingQueryAndAnEmptySchema)
{
    ExecSQL(QStringLiteral("drop table NAVIGATSIA"));
    Start();
    EXPECT_EQ(Messages(), (QStringList{QStringLiteral("Ошибка второго запроса"), QStringLiteral("Ошибка четвертого запроса"),
                              QStringLiteral("Ошибка первого запроса"), QStringLiteral("Ошибка третьего запроса"),
                              QStringLiteral("В навигаторе отсутсвуют элементы, необходимо обратиться к администратору")}));
    EXPECT_EQ(Navigator()->TreeView1->Items()->Count(), 0);
}

TEST_P(NavigatorTest, ExpandsEveryKindOfLinkOnce)
{
    Start();
    TTreeNode* clients = Expanded(Clients);
    // A hidden client between two visible ones is freed at once and gets no node.
    EXPECT_EQ(Captions(clients), (QStringList{QStringLiteral("Алексеев"), QStringLiteral("Васильев")}));
    EXPECT_EQ(FreedEntities(), std::vector<QString>{QStringLiteral("TNClient")});
    TTreeNode* vasiliev = Node(Vasiliev);
    EXPECT_EQ(ObjectManager::Objects->FindObjectReference(QStringLiteral("TNClient"), 12, nullptr), vasiliev);
    EXPECT_TRUE(vasiliev->HasChildren());

    // A filtered class link filters by the object's ID; class links take their parameter.
    vasiliev->Expand(false);
    EXPECT_EQ(Captions(vasiliev), (QStringList{QStringLiteral("Заказы"), QStringLiteral("Заметки"), QStringLiteral("Платежи")}));
    auto* orders = vasiliev->Item(0)->DataAs<TEntity>();
    EXPECT_EQ(orders->Condition, QStringLiteral("PARENT_ID=12"));
    EXPECT_EQ(vasiliev->Item(1)->DataAs<TEntity>()->Condition, QStringLiteral("NOTE_KIND=7"));
    EXPECT_EQ(ObjectManager::Objects->FindClassObjectReference(QStringLiteral("TNOrders"), vasiliev), vasiliev->Item(0));
    TTreeNode* vasilievOrders = Expanded(Vasiliev + QStringList{QStringLiteral("Заказы")});
    EXPECT_EQ(Captions(vasilievOrders), (QStringList{QStringLiteral("Заказ 1"), QStringLiteral("Заказ 2")}));
    // Expanding again makes nothing new.
    TTreeNode* first = vasilievOrders->Item(0);
    vasilievOrders->Collapse(false);
    vasilievOrders->Expand(false);
    EXPECT_EQ(vasilievOrders->Count(), 2);
    EXPECT_EQ(vasilievOrders->Item(0), first);

    // An empty list opens empty; a node without links keeps its button but does not open.
    Expanded({Clients[0], QStringLiteral("Алексеев")});
    TTreeNode* emptyOrders = Expanded({Clients[0], QStringLiteral("Алексеев"), QStringLiteral("Заказы")});
    EXPECT_EQ(emptyOrders->Count(), 0);
    EXPECT_TRUE(emptyOrders->Expanded());
    first->Expand(false);
    EXPECT_FALSE(first->Expanded());
    EXPECT_TRUE(first->HasChildren());

    // Containers from a list link, filed by their ID, running their subtree in their context.
    TTreeNode* box = Expanded(Box);
    EXPECT_EQ(box->DataAs<TEntity>()->Context->Name, QStringLiteral("Склад-тест"));
    EXPECT_EQ(ObjectManager::Objects->FindObjectReference(QStringLiteral("TNBox"), 1, nullptr), box);
    EXPECT_EQ(Captions(box), (QStringList{QStringLiteral("Винт"), QStringLiteral("Гайка")}));
    EXPECT_EQ(box->Item(1)->DataAs<TEntity>()->InheritedContext->Name, QStringLiteral("Склад-тест"));

    // A list that fails in the middle is reported; the children read before stay.
    EXPECT_TRUE(Messages().isEmpty());
    TTreeNode* broken = Expanded({Boxes[0], QStringLiteral("Битая таблица")});
    EXPECT_EQ(Captions(broken), QStringList{QStringLiteral("а")});
    ASSERT_EQ(Messages().size(), 1);
    EXPECT_TRUE(Messages()[0].startsWith(QStringLiteral("Произошла ошибка чтения данных из таблицы BROKEN\n")))
        << Messages()[0].toStdString();
}

TEST_P(NavigatorTest, CollapsingReleasesTheDeepestFirstAndForgetsContainers)
{
    Start();
    TTreeNode* boxes = Expanded(Boxes);
    Expanded(Box);
    FreedEntities().clear();
    Navigator()->NodeCollapsing(boxes);
    EXPECT_EQ(FreedEntities(), (std::vector<QString>{QStringLiteral("TNItem"), QStringLiteral("TNItem"),
                                   QStringLiteral("TNBroken"), QStringLiteral("TNBox")}));
    EXPECT_EQ(boxes->Count(), 0);
    EXPECT_TRUE(boxes->HasChildren());
    EXPECT_EQ(ObjectManager::Objects->FindObjectReference(QStringLiteral("TNBox"), 1, nullptr), nullptr);
    EXPECT_EQ(ObjectManager::Objects->FindObjectReference(QStringLiteral("TNItem"), 1002, nullptr), nullptr);
    // Made again on the next expansion.
    boxes->Collapse(false);
    Expanded(Boxes);
    Expanded(Box);
    EXPECT_NE(ObjectManager::Objects->FindObjectReference(QStringLiteral("TNItem"), 1002, nullptr), nullptr);
}

TEST_P(NavigatorTest, GoesBackAndForwardThroughTheNodesLeft)
{
    Start();
    Expanded(Clients);
    const QStringList alekseev{Clients[0], QStringLiteral("Алексеев")};
    const auto expect = [&](const QStringList& Back, const QStringList& Forward, const QString& Current) {
        EXPECT_EQ(Stack(Navigator()->FBackHistory), Back);
        EXPECT_EQ(Stack(Navigator()->FForwardHistory), Forward);
        EXPECT_EQ(Navigator()->SpeedButton1->Enabled(), !Back.isEmpty());
        EXPECT_EQ(Navigator()->SpeedButton2->Enabled(), !Forward.isEmpty());
        EXPECT_EQ(Navigator()->TreeView1->Selected()->Text(), Current);
        EXPECT_EQ(Navigator()->FLastNode, Navigator()->TreeView1->Selected());
    };
    // R (the root selected at start), then A, B, C.
    const QString r = Boxes[0], a = Clients[0], b = Vasiliev[1], c = alekseev[1];
    Click(Clients);
    Click(Vasiliev);
    Click(alekseev);
    expect({r, a, b}, {}, c);
    // B was left closed: opened since, going back closes it again.
    Node(Vasiliev)->Expand(false);
    Navigator()->SpeedButton1->Click();
    expect({r, a}, {c}, b);
    EXPECT_FALSE(Node(Vasiliev)->Expanded());
    Navigator()->SpeedButton1->Click();
    expect({r}, {c, b}, a);
    Navigator()->SpeedButton2->Click();
    expect({r, a}, {c}, b);
    Click(Box);
    expect({r, a, b}, {}, Box[1]);

    // A node removed since is reported, and the history goes on past it.
    Click(Boxes);
    Navigator()->NodeCollapsing(Node(Boxes));
    Navigator()->BackByHistory();
    EXPECT_EQ(Messages(), QStringList{QStringLiteral("Предупреждение: объект из истории переходов был удален.")});
    EXPECT_EQ(Stack(Navigator()->FForwardHistory), Boxes);
}

TEST_P(NavigatorTest, ShowsTheSelectedFormWithItsSubFormsAndAsksBeforeLeavingChanges)
{
    TStatusBar status(nullptr, nullptr);
    for (int i = 0; i < 3; ++i)
        status.AddPanel();
    Env::PrograssorPanel = status.Panels(0);
    Env::AdditionalPanel = status.Panels(2);
    Start();
    Expanded(Clients);
    EClasses::TNavigatorForm* clientForm = FormOf(QStringLiteral("TNClient"));
    auto* site = new TPanel(clientForm, clientForm);
    site->setGeometry(0, 0, 300, 100);
    clientForm->DockSite = site;
    Click(Vasiliev);
    auto* vasiliev = Node(Vasiliev)->DataAs<EClasses::TEntityInstance>();
    EXPECT_EQ(Env::CurrentObject, vasiliev);
    EXPECT_EQ(Env::CurrentDataForm, clientForm);
    EXPECT_EQ(clientForm->Entity, vasiliev);
    EXPECT_EQ(HostDockSite(clientForm), Navigator()->Panel1);
    // Three sub-forms as equal bands of the site.
    const QList<QWidget*> bands = DockClients(site);
    ASSERT_EQ(bands.size(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(bands[i]->geometry(), QRect(0, 33 * i, 300, 33));
    EXPECT_TRUE(FormOf(QStringLiteral("TNOrders"))->InNavigatorForm);
    EXPECT_EQ(status.Panels(0)->Text(), QString());
    EXPECT_FALSE(status.Panels(2)->Text().isEmpty());

    // Cancel keeps the changed form on show while the new node is selected.
    vasiliev->Modified = true;
    TestSupport::Dialogs().QueueMessageAnswer(mrCancel);
    Click(Boxes);
    EXPECT_EQ(Messages(), QStringList{QStringLiteral("Объект изменен. Сохранить изменения?")});
    EXPECT_EQ(Env::CurrentDataForm, clientForm);
    EXPECT_EQ(Navigator()->FLastNode, Node(Boxes));
    // No shows the new form and saves nothing; the sub-forms are taken down with their form.
    TestSupport::Dialogs().QueueMessageAnswer(mrNo);
    Click(Clients);
    EXPECT_EQ(Env::CurrentDataForm, FormOf(QStringLiteral("TNClients")));
    EXPECT_TRUE(DockClients(site).isEmpty());
    EXPECT_EQ(ClientSaves(), 0);
    // Yes saves first; the saved name reaches the tree.
    Click(Vasiliev);
    vasiliev->Modified = true;
    vasiliev->Name = QStringLiteral("Васильев-Петров");
    TestSupport::Dialogs().QueueMessageAnswer(mrYes);
    Click(Boxes);
    EXPECT_EQ(ClientSaves(), 1);
    EXPECT_EQ(Env::CurrentDataForm, FormOf(QStringLiteral("TNBoxes")));
    EXPECT_EQ(Node(Clients)->Item(1)->Text(), QStringLiteral("Васильев-Петров"));
    // Activation by code saves without asking.
    Navigator()->TreeView1->SetSelected(Node(Clients)->Item(1));
    vasiliev->Modified = true;
    const int asked = TestSupport::Dialogs().Messages().size();
    Navigator()->ActivateNode(Node(Boxes));
    EXPECT_EQ(ClientSaves(), 2);
    EXPECT_EQ(static_cast<int>(TestSupport::Dialogs().Messages().size()), asked);

    // Selecting the last handled node again changes nothing; a context other than "_default"
    // is shown; an entity without a form is reported.
    const int entries = Navigator()->FBackHistory->Count();
    Navigator()->TreeView1Change(Navigator()->TreeView1, Node(Boxes));
    EXPECT_EQ(Navigator()->FBackHistory->Count(), entries);
    Expanded(Box);
    Click(Box + QStringList{QStringLiteral("Винт")});
    EXPECT_EQ(status.Panels(0)->Text(), QStringLiteral("Склад-тест"));
    EXPECT_EQ(Messages().back(), QStringLiteral("Объект не существует"));
    EXPECT_EQ(Env::CurrentDataForm, nullptr);
    Env::PrograssorPanel = Env::AdditionalPanel = nullptr;
}

TEST_P(NavigatorTest, ServiceInformationAndQueryOfTheSelectedNode)
{
    Start();
    Expanded(Vasiliev);
    Click(Vasiliev);
    Navigator()->N1Click(nullptr);
    Click(Vasiliev + QStringList{QStringLiteral("Заказы")});
    Navigator()->N1Click(nullptr);
    EXPECT_EQ(Messages(), (QStringList{
                              QStringLiteral("TNClient(12:)\n\r\n\rКонтекст: _default\n\rНаследуемый контекст: _default"),
                              QStringLiteral("TNOrders(PARENT_ID=12)\n\r\n\rКонтекст: _default\n\rНаследуемый контекст: _default"),
                          }));
    Clipboard::SetText(QStringLiteral("прежнее"));
    Navigator()->N3Click(nullptr);
    EXPECT_EQ(Clipboard::Text(), QStringLiteral("прежнее"));
}

// A class that lists instances but cannot make them from an ID and a name.
class TNWithoutInstanceConstructor : public EClasses::TEntityInstance {
    VEL_DECLARE_CLASS(TNWithoutInstanceConstructor, EClasses::TEntityInstance)
public:
    TNWithoutInstanceConstructor(const QString& Condition, TDataSet* DataSet) : TEntityInstance(Condition, DataSet) {}
};
VEL_IMPLEMENT_CLASS(TNWithoutInstanceConstructor)

// No click or key reaches the tree while a tree operation is under way; plug-in code that
// fails inside a tree event is reported and the program goes on.
TEST_P(NavigatorTest, TreeOperationsHoldInputBackAndReportFailures)
{
    ExecSQL(QStringLiteral("insert into CLASS values (14, 'TNWithoutInstanceConstructor', 'Без конструктора', 2)"));
    ExecSQL(QStringLiteral("insert into NAVIGATSIA values (15, 9, 14, 2, '', 'Склад-тест', 1)"));
    Env::RegisterEntityClass(TNWithoutInstanceConstructor::StaticClass(), nullptr);
    Start();
    Click(Clients);
    TestSupport::Dialogs().SetMessageObserver([&](const TScriptedDialogHost::TCall&) {
        QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
        QCoreApplication::sendEvent(Navigator()->TreeView1, &down);
    });
    // The broken table's read error is shown in the middle of the rebuilding: the key is dropped.
    Navigator()->RefreshNode(Node({Boxes[0], QStringLiteral("Битая таблица")}));
    TestSupport::Dialogs().SetMessageObserver(nullptr);
    EXPECT_EQ(Navigator()->TreeView1->Selected(), Node(Clients));
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QCoreApplication::sendEvent(Navigator()->TreeView1, &down);
    EXPECT_NE(Navigator()->TreeView1->Selected(), Node(Clients));

    // The class without the constructor its list link needs: a clear error, the nodes made
    // before it stay, and the tree goes on working.
    TTreeNode* box = Expanded(Box);
    EXPECT_EQ(Messages().back(), QStringLiteral("Класс TNWithoutInstanceConstructor не имеет такого конструктора"));
    EXPECT_EQ(Captions(box), (QStringList{QStringLiteral("Винт"), QStringLiteral("Гайка")}));
    Click(Box + QStringList{QStringLiteral("Гайка")});
    EXPECT_EQ(Navigator()->FLastNode, box->Item(1));
    Env::UnregisterEntityClass(TNWithoutInstanceConstructor::StaticClass());
}

// A registry that cannot be written, or a width that is no number, never stops the navigator:
// the default width is taken, a failed write told once, and every step of the shutdown runs,
// so that the next start builds the same tree again.
TEST_P(NavigatorTest, AReadOnlyRegistryOrABadWidthNeverStopsStartOrShutdown)
{
    TRegistry registry;
    registry.OpenKey(QStringLiteral("Software\\Velnor07\\NAVTEST\\TTestNavigator"), true);
    registry.WriteString(QStringLiteral("Width"), QStringLiteral("широко"));
    Start();
    EXPECT_EQ(Navigator()->Panel2->width(), 250);
    const int nodes = Navigator()->TreeView1->Items()->Count();
    Navigator()->Unplug();
    EXPECT_TRUE(Messages().isEmpty());

    TRegistry().DeleteKey(QStringLiteral("Software\\Velnor07\\NAVTEST"));
    const QString file = TestSupport::RegistryFile();
    ASSERT_TRUE(QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));
    const std::shared_ptr<void> writable(
        nullptr, [file](void*) { QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner); });
    Start();
    EXPECT_EQ(Navigator()->Panel2->width(), 250);
    ASSERT_EQ(Messages().size(), 1);
    EXPECT_TRUE(Messages()[0].contains(file)) << Messages()[0].toStdString();
    EXPECT_EQ(Navigator()->TreeView1->Items()->Count(), nodes);
    // The splitter dragged: the width cannot be written (told already); all is freed the same.
    Navigator()->Panel2->resize(180, Navigator()->Panel2->height());
    Navigator()->Unplug();
    EXPECT_EQ(Messages().size(), 1);
    EXPECT_EQ(Navigator()->TreeView1->Items()->Count(), 0);
    EXPECT_EQ(Navigator()->FClassNames, nullptr);
    EXPECT_EQ(ObjectManager::Objects, nullptr);
    Start();
    EXPECT_EQ(Navigator()->TreeView1->Items()->Count(), nodes);
}

// Schema rows that cannot make a link are skipped and told once, each by its ID; a root whose
// node cannot be shown is told with the reason; the rest of the tree comes up.
TEST_P(NavigatorTest, BadSchemaRowsAreToldByTheirIDAndTheRestComesUp)
{
    ExecSQL(QStringList{
        QStringLiteral("insert into NAVIGATSIA values (30, 2, 3, NULL, '', '_default', 1)"),
        QStringLiteral("insert into NAVIGATSIA values (31, 3, 7, 3, NULL, '_default', 1)"),
        QStringLiteral("insert into CLASS values (14, 'TNWithoutInstanceConstructor', 'Без конструктора', 2)"),
        QStringLiteral("insert into NAVIGATSIA values (32, 2, 14, 2, '', '_default', 1)"),
    });
    Env::RegisterEntityClass(TNWithoutInstanceConstructor::StaticClass(), nullptr);
    const std::shared_ptr<void> unregister(
        nullptr, [](void*) { Env::UnregisterEntityClass(TNWithoutInstanceConstructor::StaticClass()); });
    Start();
    ASSERT_EQ(Messages().size(), 2);
    EXPECT_EQ(Messages()[0], QStringLiteral("Строки схемы навигации пропущены:\nNAVIGATSIA ID=30: не задан TIP_NAV_ID\n"
                                            "NAVIGATSIA ID=31: не задан PARAMETR связи с отбором"));
    EXPECT_EQ(Messages()[1], QStringLiteral("Ошибка открытия узла «Clients и клиенты»: "
                                            "Класс TNWithoutInstanceConstructor не имеет такого конструктора"));
    ASSERT_EQ(Navigator()->TreeView1->Items()->RootCount(), 2);
    EXPECT_EQ(Navigator()->TreeView1->Selected(), Node(Boxes));
    EXPECT_EQ(Captions(Expanded(Vasiliev)),
        (QStringList{QStringLiteral("Заказы"), QStringLiteral("Заметки"), QStringLiteral("Платежи")}));
    EXPECT_EQ(Messages().size(), 2);
}

// The maintenance plug-ins call, on the real navigator: AddNode refuses a parent that is no
// node with its box; DeleteNode of the node on show forgets it before any status text lets
// messages run; the tree cleared at shutdown leaves no form naming a freed entity.
TEST_P(NavigatorTest, NodeMaintenanceGuardsItsCallersAndForgetsRemovedNodes)
{
    TStatusBar status(nullptr, nullptr);
    Env::MessagePanel = status.AddPanel();
    const std::shared_ptr<void> panel(nullptr, [](void*) { Env::MessagePanel = nullptr; });
    Start();
    Expanded(Clients);
    EXPECT_EQ(Navigator()->AddNode(QStringLiteral("TNClient"), QStringLiteral("Новый"), 15, nullptr), nullptr);
    EXPECT_EQ(Messages(), QStringList{QStringLiteral("Ошибка добавления узла")});
    TTreeNode* added = Navigator()->AddNode(QStringLiteral("TNClient"), QStringLiteral("Новый"), 15, Node(Clients));
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(added->Parent(), Node(Clients));
    Navigator()->ChangeNode(added, QStringLiteral("Новый клиент"));
    EXPECT_EQ(Captions(Node(Clients)).last(), QStringLiteral("Новый клиент"));

    Click(Vasiliev);
    TTreeNode* vasiliev = Node(Vasiliev);
    bool forgottenBeforeStatus = false;
    Env::MessagePanel->OnChange = [&](TObject*) {
        if (Env::MessagePanel->Text() == QStringLiteral("Удаляется узел..."))
            forgottenBeforeStatus = Navigator()->FFormNode == nullptr && Env::CurrentObject == nullptr
                && Navigator()->FLastNode != vasiliev;
    };
    delete vasiliev->DataAs<TEntity>();
    Navigator()->DeleteNode(vasiliev);
    Env::MessagePanel->OnChange = nullptr;
    EXPECT_TRUE(forgottenBeforeStatus);
    EXPECT_EQ(Node(Vasiliev), nullptr);

    Click({Clients[0], QStringLiteral("Алексеев")});
    EClasses::TNavigatorForm* form = FormOf(QStringLiteral("TNClient"));
    ASSERT_EQ(form->Entity, Node({Clients[0], QStringLiteral("Алексеев")})->DataAs<TEntity>());
    Navigator()->Unplug();
    EXPECT_EQ(form->Entity, nullptr);
    EXPECT_EQ(Messages().size(), 1);
}

TEST_P(NavigatorTest, PublishedOperationsAreFoundByName)
{
    Start();
    TEntity* clients = Node(Clients)->DataAs<TEntity>();
    EXPECT_TRUE(QMetaObject::invokeMethod(Navigator(), "NotifyObjectChanged", Q_ARG(EClasses::TEntity*, clients)));
    EXPECT_TRUE(QMetaObject::invokeMethod(Navigator(), "Refresh"));
    EXPECT_TRUE(QMetaObject::invokeMethod(Navigator(), "RefreshNodeByAddingObject", Q_ARG(TTreeNode*, Node(Clients)),
        Q_ARG(qint64, 15), Q_ARG(QString, QStringLiteral("Новый клиент"))));
    EXPECT_EQ(Node(Clients)->Item(Node(Clients)->Count() - 1)->Text(), QStringLiteral("Новый клиент"));
    bool allow = true;
    EXPECT_TRUE(QMetaObject::invokeMethod(Navigator(), "TreeView1Expanding", Q_ARG(TObject*, nullptr),
        Q_ARG(TTreeNode*, Node(Boxes)), Q_ARG(bool&, allow)));
    EXPECT_GT(Node(Boxes)->Count(), 0);
    bool handled = false;
    EXPECT_TRUE(QMetaObject::invokeMethod(Navigator(), "TreeView1ContextPopup", Q_ARG(TObject*, nullptr),
        Q_ARG(QPoint, QPoint(-1, -1)), Q_ARG(bool&, handled)));
}

VELNOR_INSTANTIATE_DATABASE_TEST(NavigatorTest);

} // namespace NavigatorTests
