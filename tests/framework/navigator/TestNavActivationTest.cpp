#include "NavigatorFixture.h"

#include "Env.h"
#include "Exceptions.h"
#include "ObjectManager.h"
#include "TestEnvironment.h"
#include "TreeView.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <utility>

namespace NavigatorTests {

namespace {

using EClasses::TEntity;
using EClasses::TEntityInstance;
using EClasses::TNavigationInfo;

TClass Registered(const char* Name)
{
    return Env::ClassNames->ObjectAs<TMetaClass>(Env::ClassNames->IndexOf(QString::fromLatin1(Name)));
}

const QStringList Clients{QStringLiteral("CLIENTS и клиенты")};
const QStringList Vasiliev{QStringLiteral("CLIENTS и клиенты"), QStringLiteral("Васильев")};
const QStringList Boxes{QStringLiteral("BOXES")};

// An instance whose form cannot be shown.
class TNFailingShow : public TEntityInstance {
    VEL_DECLARE_CLASS(TNFailingShow, TEntityInstance)
public:
    TNFailingShow(qint64 ID, const QString& Name) : TEntityInstance(ID, Name)
    {
        Form = NavigatorTest::FormOf(QStringLiteral("TNFailingShow"));
    }
    void Show() override { throw Exception(QStringLiteral("форма не показана")); }
};
VEL_IMPLEMENT_CLASS(TNFailingShow)

class ActivationTest : public NavigatorTest {
protected:
    void SetUp() override
    {
        NavigatorTest::SetUp();
        if (IsSkipped())
            return;
        // Boxes -> archive -> payments -> orders: a chain of class nodes below a root, with a
        // link of the archive to itself; payments also stand below every client (an instance).
        ExecSQL(QStringList{
            QStringLiteral("insert into PAYMENTS values (301, 'Платёж', 0)"),
            QStringLiteral("insert into CLIENTS values (5000000000, 'Гусев')"),
            QStringLiteral("insert into CLASS values (15, 'TNFailingShow', 'Не показывается', 2)"),
        });
        Link(16, QStringLiteral("TNBoxes"), QStringLiteral("TNArchive"), 4);
        Link(17, QStringLiteral("TNArchive"), QStringLiteral("TNPayments"), 4, QStringLiteral("PARENT_ID=0"));
        Link(18, QStringLiteral("TNPayments"), QStringLiteral("TNOrder"), 2);
        Link(19, QStringLiteral("TNArchive"), QStringLiteral("TNArchive"), 4);
        ExecSQL(QStringLiteral("insert into NAVIGATSIA values (20, 8, 15, 2, '', '_default', 1)"));
        Env::RegisterEntityClass(TNFailingShow::StaticClass(), nullptr);
    }
    void TearDown() override
    {
        NavigatorTest::TearDown();
        Env::UnregisterEntityClass(TNFailingShow::StaticClass());
    }

    TTreeNode* Selected() const { return Navigator()->TreeView1->Selected(); }
    qint64 SelectedID() const
    {
        auto* instance = EntityOfSelected<TEntityInstance>();
        return instance ? instance->ID : -1;
    }
    template <class T>
    T* EntityOfSelected() const
    {
        return Selected() ? Selected()->DataAs<T>() : nullptr;
    }
};

} // namespace

TEST_P(ActivationTest, ActivatesObjectsWhoseListNodeExistsOrIsBuiltDownToThem)
{
    Start();
    TTreeNode* clients = Node(Clients);
    Navigator()->NodeCollapsing(clients);
    TTreeNode* previous = Navigator()->FLastNode;
    // The list node exists but has no children: it is expanded, the client selected and shown.
    Navigator()->ActivateObjectInstance(Registered("TNClients"), Registered("TNClient"), 5000000000);
    EXPECT_EQ(clients->Count(), 3);
    EXPECT_EQ(SelectedID(), 5000000000);
    EXPECT_EQ(Navigator()->FLastNode, Selected());
    EXPECT_EQ(Env::CurrentObject, Selected()->DataAs<TEntity>());
    EXPECT_EQ(Navigator()->FBackHistory->Count(), 1);
    EXPECT_EQ(Navigator()->FBackHistory->ObjectAs<TestNav::TNodeInfo>(0)->Item, previous->ItemId());

    // No payments node exists: the tree is built from the visible boxes down through the
    // archive (a class of type 1; the clients above payments are instances, never on the
    // path), past the archive's link to itself.
    EXPECT_EQ(ObjectManager::Objects->FindObjectReference(QStringLiteral("TNOrder"), 301, nullptr), nullptr);
    Navigator()->ActivateObjectInstance(Registered("TNPayments"), Registered("TNOrder"), 301);
    ASSERT_EQ(SelectedID(), 301);
    EXPECT_EQ(Selected()->Parent()->Parent(), Node({Boxes[0], QStringLiteral("Архив")}));
    EXPECT_TRUE(Navigator()->TreeView1->visualItemRect(Selected()).isValid());
    EXPECT_EQ(Navigator()->FBackHistory->Count(), 2);

    // An object that is nowhere changes nothing and says nothing.
    TTreeNode* current = Selected();
    Navigator()->ActivateObjectInstance(Registered("TNClients"), Registered("TNClient"), 777);
    EXPECT_EQ(Selected(), current);
    EXPECT_TRUE(TestSupport::Dialogs().Messages().empty());

    // A form that fails to show: the failure is told and no node is the last handled one.
    Navigator()->ActivateObjectInstance(Registered("TNBoxes"), Registered("TNFailingShow"), 1);
    EXPECT_EQ(TestSupport::Dialogs().Messages(),
        std::vector<QString>{QStringLiteral("Эта возможность активизации объекта находится в стадии разработки\n\r требуется его выбор в дереве.")});
    EXPECT_EQ(Navigator()->FLastNode, nullptr);
}

TEST_P(ActivationTest, ActivatesNearTheShownFormAndSearchesBelowAGivenNode)
{
    Start();
    // Without a form on show nothing happens.
    Navigator()->FFormNode = nullptr;
    TTreeNode* before = Selected();
    Navigator()->ActivateObject(Registered("TNOrders"), Registered("TNOrder"), 102);
    EXPECT_EQ(Selected(), before);
    // With a client's form on show, its orders are its children's.
    Click(Vasiliev);
    Navigator()->ActivateObject(Registered("TNOrders"), Registered("TNOrder"), 102);
    EXPECT_EQ(SelectedID(), 102);
    EXPECT_EQ(Selected()->Parent()->Parent(), Node(Vasiliev));

    // The search below a node descends along the schema, never below level 4.
    TNavigationInfo info(10);
    for (int level = 0; level < 10; ++level)
        for (const char* name : {"TNBoxes", "TNBox", "TNItem"})
            info.AddClassInfo(level, QString::fromLatin1(name));
    TTreeNode* boxes = Node(Boxes);
    EXPECT_FALSE(Navigator()->FindNodeOfObject(boxes, Registered("TNItem"), 1001, 4, &info));
    EXPECT_EQ(Node({Boxes[0], QStringLiteral("Коробка")})->Count(), 0);
    EXPECT_TRUE(Navigator()->FindNodeOfObject(boxes, Registered("TNItem"), 1001, 3, &info));
    // Equal names are a path at any level; a schema path is recorded level by level.
    TNavigationInfo path(10);
    EXPECT_TRUE(Navigator()->FindPath(QStringLiteral("X"), QStringLiteral("X"), 9, 4, &path));
    EXPECT_TRUE(Navigator()->FindPath(QStringLiteral("TNBoxes"), QStringLiteral("TNOrder"), 1, 4, &path));
    EXPECT_EQ(path.GetLevelList(2), QStringLiteral("_TNArchive"));
    EXPECT_EQ(path.GetLevelList(4), QStringLiteral("_TNOrder"));

    // Activation through a start node; making a found object visible with its children.
    Navigator()->ActivateObjectInstanceWithParentObject(Registered("TNClients"), 0, Registered("TNClient"), 11, Node(Clients));
    EXPECT_EQ(SelectedID(), 11);
    Navigator()->MakeVisibleObjectItsAndExpandChildren(nullptr, 0, Registered("TNClient"), 12, Node(Clients));
    EXPECT_TRUE(Node(Vasiliev)->Expanded());
    EXPECT_EQ(SelectedID(), 11);
    // Closing collapses the descendants, a leaf stays as it is.
    Navigator()->NodeCLose(Node(Clients));
    EXPECT_FALSE(Node(Vasiliev)->Expanded());
    Navigator()->NodeCLose(Selected());
    EXPECT_EQ(SelectedID(), 11);
}

TEST_P(ActivationTest, RefreshesRebuildAndNotifyTheNodesAroundAnObject)
{
    // Every client twice below the clients' list.
    Link(21, QStringLiteral("TNClients"), QStringLiteral("TNClient"), 2);
    Start();
    TTreeNode* clients = Node(Clients);
    ASSERT_EQ(clients->Count(), 6);
    ExecSQL(QStringLiteral("insert into CLIENTS values (13, 'Абрамов')"));
    auto* vasiliev = clients->Item(1)->DataAs<TEntityInstance>();
    ASSERT_EQ(vasiliev->ID, 12);
    FreedEntities().clear();
    // The parent of both nodes is rebuilt once, and the object's first new node activated.
    Navigator()->RefreshObjectDependences(vasiliev);
    EXPECT_EQ(std::count(FreedEntities().begin(), FreedEntities().end(), QStringLiteral("TNClient")), 6 + 2);
    EXPECT_EQ(clients->Count(), 8);
    EXPECT_EQ(SelectedID(), 12);
    EXPECT_EQ(ObjectManager::Objects->FindObjectReference(QStringLiteral("TNClient"), 12, nullptr), Selected());
    // An object no node shows: nothing is rebuilt or activated.
    TEntityInstance nobody(999, QString());
    FreedEntities().clear();
    Navigator()->RefreshObjectDependences(&nobody);
    EXPECT_TRUE(FreedEntities().empty());

    // The entities right below an object's nodes refresh themselves, a failing one passed over;
    // a class entity is not an object.
    TTreeNode* shown = Selected();
    Navigator()->NotifyObjectChanged(shown->DataAs<TEntity>());
    EXPECT_EQ(Refreshed(), (std::vector<QString>{QStringLiteral("TNOrders"), QStringLiteral("TNNotes"),
                               QStringLiteral("TNPayments")}));
    Navigator()->NotifyObjectChanged(clients->DataAs<TEntity>());
    EXPECT_EQ(Refreshed().size(), 3u);

    // A class refreshes every node of it; a class with no node nothing.
    FreedEntities().clear();
    Navigator()->RefreshClassObject(clients->DataAs<TEntity>());
    EXPECT_EQ(clients->Count(), 8);
    EXPECT_FALSE(FreedEntities().empty());
    FreedEntities().clear();
    TEntity archive(QString(), nullptr);
    Navigator()->RefreshClassObject(&archive);
    EXPECT_TRUE(FreedEntities().empty());
}

const QString SaveQuestion = QStringLiteral("Объект изменен. Сохранить изменения?");

// Activation leaves an object with unsaved edits only as a click would: Cancel keeps it on
// show and activates nothing, a failing save is told in the database's words and keeps it too,
// No drops the edits, Yes saves them; each activation makes one history entry.
TEST_P(ActivationTest, ActivationAsksAboutUnsavedEditsAsAClickDoes)
{
    Start();
    Click(Vasiliev);
    auto* vasiliev = EntityOfSelected<TEntityInstance>();
    const int entries = Navigator()->FBackHistory->Count();
    const auto activateAlekseev = [this](int Answer) {
        TestSupport::Dialogs().Reset();
        TestSupport::Dialogs().QueueMessageAnswer(Answer);
        Navigator()->ActivateObjectInstance(Registered("TNClients"), Registered("TNClient"), 11);
    };

    vasiliev->Modified = true;
    activateAlekseev(mrCancel);
    EXPECT_EQ(TestSupport::Dialogs().Messages(), std::vector<QString>{SaveQuestion});
    EXPECT_EQ(SelectedID(), 12);
    EXPECT_EQ(Env::CurrentObject, vasiliev);
    EXPECT_EQ(Env::CurrentDataForm, vasiliev->Form);
    EXPECT_EQ(Navigator()->FBackHistory->Count(), entries);

    AfterSave = [] { throw EDatabaseError(QStringLiteral("attempt to write a readonly database")); };
    activateAlekseev(mrYes);
    EXPECT_EQ(TestSupport::Dialogs().Messages(),
        (std::vector<QString>{SaveQuestion, QStringLiteral("Объект не сохранен: attempt to write a readonly database")}));
    EXPECT_EQ(SelectedID(), 12);
    EXPECT_EQ(Env::CurrentObject, vasiliev);
    AfterSave = nullptr;

    vasiliev->Modified = true;
    const int saves = ClientSaves();
    activateAlekseev(mrNo);
    EXPECT_EQ(SelectedID(), 11);
    EXPECT_EQ(ClientSaves(), saves);
    EXPECT_EQ(Navigator()->FBackHistory->Count(), entries + 1);

    // Through a start node, Yes saves before the client is activated.
    auto* alekseev = EntityOfSelected<TEntityInstance>();
    alekseev->Modified = true;
    TestSupport::Dialogs().QueueMessageAnswer(mrYes);
    Navigator()->ActivateObjectInstanceWithParentObject(Registered("TNClients"), 0, Registered("TNClient"), 12, Node(Clients));
    EXPECT_EQ(SelectedID(), 12);
    EXPECT_EQ(ClientSaves(), saves + 1);
    EXPECT_EQ(Navigator()->FBackHistory->Count(), entries + 2);
}

// Saves and questions let messages run, and messages rebuild lists: no node is used after
// that freed it, and edits are never dropped without the question.
TEST_P(ActivationTest, NodesFreedBySavesOrRefreshesAreNeverUsedAndEditsNeverDroppedUnasked)
{
    Start();
    Click(Vasiliev);
    const auto modifyShown = [] { dynamic_cast<TEntityInstance*>(Env::CurrentObject)->Modified = true; };
    const auto refreshClients = [this] { Navigator()->RefreshNode(Node(Clients)); };

    // Yes, and the save rebuilds the list of the node on show and of the node clicked.
    modifyShown();
    AfterSave = [this] { Navigator()->RefreshObjectDependences(Node(Vasiliev)->DataAs<TEntity>()); };
    TestSupport::Dialogs().QueueMessageAnswer(mrYes);
    Click({Clients[0], QStringLiteral("Алексеев")});
    EXPECT_EQ(ClientSaves(), 1);
    EXPECT_EQ(SelectedID(), 12);
    EXPECT_EQ(Navigator()->FLastNode, Selected());
    AfterSave = nullptr;

    // A message arrives while the question is open and rebuilds the list: it asks on its own
    // (here: save), and the first answer then saves nothing twice.
    modifyShown();
    TestSupport::Dialogs().Reset();
    TestSupport::Dialogs().SetMessageObserver([&, asked = false](const auto&) mutable {
        if (!std::exchange(asked, true))
            refreshClients();
    });
    TestSupport::Dialogs().QueueMessageAnswer(mrYes);
    TestSupport::Dialogs().QueueMessageAnswer(mrYes);
    Click(Boxes);
    TestSupport::Dialogs().SetMessageObserver(nullptr);
    EXPECT_EQ(TestSupport::Dialogs().Messages(), (std::vector<QString>{SaveQuestion, SaveQuestion}));
    EXPECT_EQ(ClientSaves(), 2);
    EXPECT_EQ(Env::CurrentDataForm, FormOf(QStringLiteral("TNBoxes")));

    // A refresh that removes the node on show asks first: Yes saves, No lets the edits go.
    // A refresh elsewhere asks nothing.
    for (const int answer : {mrYes, mrNo}) {
        Click(Vasiliev);
        modifyShown();
        TestSupport::Dialogs().Reset();
        TestSupport::Dialogs().QueueMessageAnswer(answer);
        Navigator()->RefreshNode(Node(Boxes));
        EXPECT_TRUE(TestSupport::Dialogs().Messages().empty());
        refreshClients();
        EXPECT_EQ(TestSupport::Dialogs().Messages(), std::vector<QString>{SaveQuestion});
        EXPECT_EQ(ClientSaves(), 3);
    }

    // Activating a node, and the context menu, whose save frees the very node they hold.
    Click(Vasiliev);
    modifyShown();
    AfterSave = refreshClients;
    Navigator()->ActivateNode(Node({Clients[0], QStringLiteral("Алексеев")}));
    EXPECT_EQ(ClientSaves(), 4);
    Expanded(Clients);
    Click(Vasiliev);
    modifyShown();
    TTreeNode* alekseev = Node({Clients[0], QStringLiteral("Алексеев")});
    const QPoint at = Navigator()->TreeView1->visualItemRect(alekseev).center();
    bool handled = false;
    Navigator()->TreeView1ContextPopup(Navigator()->TreeView1, at, handled);
    EXPECT_EQ(ClientSaves(), 5);
}

// Dense schema classes: each of them leads to all the others and to the list class.
#define DENSE_CLASS(Name)                               \
    class Name : public EClasses::TEntityClass {        \
        VEL_DECLARE_CLASS(Name, EClasses::TEntityClass) \
    public:                                             \
        using TEntityClass::TEntityClass;               \
    };                                                  \
    VEL_IMPLEMENT_CLASS(Name)
DENSE_CLASS(TND1) DENSE_CLASS(TND2) DENSE_CLASS(TND3) DENSE_CLASS(TND4) DENSE_CLASS(TND5) DENSE_CLASS(TND6)
DENSE_CLASS(TND7) DENSE_CLASS(TND8) DENSE_CLASS(TND9) DENSE_CLASS(TND10) DENSE_CLASS(TND11) DENSE_CLASS(TNDList)

// Activation ends on any schema: eleven classes that all lead to each other (every simple
// path among them is more than a hundred million ways up), and a class below the found object
// that leads back to itself.
TEST_P(ActivationTest, ActivationEndsOnDenseAndCyclicSchemas)
{
    const std::vector<TClass> dense{TND1::StaticClass(), TND2::StaticClass(), TND3::StaticClass(), TND4::StaticClass(),
        TND5::StaticClass(), TND6::StaticClass(), TND7::StaticClass(), TND8::StaticClass(), TND9::StaticClass(),
        TND10::StaticClass(), TND11::StaticClass(), TNDList::StaticClass()};
    for (size_t i = 0; i < dense.size(); ++i) {
        ExecSQL(QStringLiteral("insert into CLASS values (%1, '%2', 'Плотный', 1)").arg(100 + i).arg(dense[i]->ClassName()));
        Env::RegisterEntityClass(dense[i], nullptr);
    }
    const std::shared_ptr<void> unregister(nullptr, [&dense](void*) {
        for (TClass entityClass : dense)
            Env::UnregisterEntityClass(entityClass);
    });
    int id = 100;
    QStringList rows;
    for (size_t from = 0; from + 1 < dense.size(); ++from)
        for (size_t to = 0; to < dense.size(); ++to)
            if (from != to)
                rows.append(QStringLiteral("(%1, %2, %3, 4, '', '_default', 1)").arg(id++).arg(100 + from).arg(100 + to));
    ExecSQL(QStringLiteral("insert into NAVIGATSIA values ") + rows.join(QLatin1Char(',')));
    // An order leads to the archive, which leads to itself.
    Link(id, QStringLiteral("TNOrder"), QStringLiteral("TNArchive"), 4);
    Start();

    Click(Boxes);
    Navigator()->ActivateObjectInstance(TNDList::StaticClass(), Registered("TNOrder"), 101);
    EXPECT_EQ(Selected(), Node(Boxes));

    Navigator()->MakeVisibleObjectItsAndExpandChildren(nullptr, 0, Registered("TNOrder"), 101, Node(Clients));
    TTreeNode* order = ObjectManager::Objects->FindObjectReference(QStringLiteral("TNOrder"), 101, nullptr);
    ASSERT_NE(order, nullptr);
    ASSERT_TRUE(order->Expanded());
    const auto childOfClass = [](TTreeNode* Parent, const QString& ClassName) -> TTreeNode* {
        for (int i = 0; i < Parent->Count(); ++i)
            if (Parent->Item(i)->DataAs<TEntity>()->ClassName() == ClassName)
                return Parent->Item(i);
        return nullptr;
    };
    TTreeNode* archive = childOfClass(order, QStringLiteral("TNArchive"));
    ASSERT_NE(archive, nullptr);
    EXPECT_TRUE(archive->Expanded());
    TTreeNode* again = childOfClass(archive, QStringLiteral("TNArchive"));
    ASSERT_NE(again, nullptr);
    EXPECT_FALSE(again->Expanded());
    EXPECT_EQ(again->Count(), 0);
}

VELNOR_INSTANTIATE_DATABASE_TEST(ActivationTest);

} // namespace NavigatorTests
