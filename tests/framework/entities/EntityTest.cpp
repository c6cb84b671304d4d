#include "EClasses.h"

#include "Clipboard.h"
#include "ContextManager.h"
#include "DbTables.h"
#include "Exceptions.h"
#include "../FreeWatch.h"
#include "ObjectManager.h"
#include "SchemaNavigator.h"
#include "TestEntities.h"
#include "TestEnvironment.h"
#include "TreeView.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using namespace EntityTests;
using ContextManager::GetContextByName;
using ContextManager::TContext;
using EClasses::TEntity;
using EClasses::TEntityChildList;
using EClasses::TEntityContainer;
using ObjectManager::Objects;

std::vector<std::pair<qint64, QString>> Children(const TEntityChildList& List)
{
    std::vector<std::pair<qint64, QString>> children;
    for (int i = 0; i < List.Count(); ++i)
        children.emplace_back(List.GetID(i), List.GetName(i));
    return children;
}

using TChildren = std::vector<std::pair<qint64, QString>>;

TEST(EntityChildList, KeepsInsertionOrderAndFindsTheFirstChildOfAnId)
{
    TEntityChildList list;
    list.AddChild(5, QStringLiteral("Петров"));
    list.AddChild(3, QStringLiteral("Иванов"));
    list.AddChild(5, QStringLiteral("Сидоров"));
    EXPECT_EQ(Children(list), (TChildren{{5, QStringLiteral("Петров")}, {3, QStringLiteral("Иванов")},
                                  {5, QStringLiteral("Сидоров")}}));
    EXPECT_EQ(list.IndexByID(5), 0);
    EXPECT_EQ(list.IndexByID(3), 1);
    EXPECT_EQ(list.IndexByID(4), -1);

    list.SetID(0, Q_INT64_C(9000000000));
    list.SetName(0, QStringLiteral("Петрова"));
    EXPECT_EQ(list.IndexByID(5), 2);
    list.DeleteChild(1);
    EXPECT_EQ(Children(list), (TChildren{{Q_INT64_C(9000000000), QStringLiteral("Петрова")}, {5, QStringLiteral("Сидоров")}}));

    EXPECT_THROW(list.GetID(2), EListError);
    EXPECT_THROW(list.GetName(-1), EListError);
    EXPECT_THROW(list.SetID(2, 1), EListError);
    EXPECT_THROW(list.DeleteChild(2), EListError);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.IndexByID(5), -1);
}

class EntityTest : public testing::Test {
protected:
    TRegisteredClasses Classes;
};

TEST_F(EntityTest, AFreshEntityHasItsDefaultsAndFreesWhatItOwns)
{
    auto* dataSet = new TQuery;
    auto entity = std::make_unique<TOrderList>(QStringLiteral("STATE=1"), dataSet);
    TContext* defaultContext = GetContextByName(QStringLiteral("_default"));
    ASSERT_NE(defaultContext, nullptr);
    EXPECT_EQ(entity->Context, defaultContext);
    EXPECT_EQ(entity->PreviousContext, defaultContext);
    EXPECT_EQ(entity->InheritedContext, defaultContext);
    EXPECT_EQ(entity->GetContext(), defaultContext);
    EXPECT_EQ(entity->Condition, QStringLiteral("STATE=1"));
    EXPECT_EQ(entity->DataSet, dataSet);
    EXPECT_FALSE(entity->UserFlag);
    EXPECT_EQ(entity->Form, nullptr);
    EXPECT_EQ(entity->Node, nullptr);
    EXPECT_TRUE(entity->ParentCondition.isEmpty());
    EXPECT_TRUE(entity->TableName.isEmpty());
    ASSERT_NE(entity->NewTable, nullptr);
    ASSERT_NE(entity->DeletedTable, nullptr);
    EXPECT_NE(entity->NewTable, entity->DeletedTable);
    EXPECT_TRUE(entity->NewTable->TableName().isEmpty());
    EXPECT_TRUE(entity->IsVisible());
    EXPECT_EQ(entity->GetNewPrimaryKey(), 0);

    auto* auxObject = new TStringList;
    auto* query = new TQuery;
    entity->AuxList2->AddObject(QStringLiteral("aux"), auxObject);
    entity->Queries->AddObject(QStringLiteral("q"), query);
    TestSupport::TFreeWatch auxWatch(auxObject);
    entity.reset();
    EXPECT_TRUE(auxWatch.Freed());
    // Queries and the dataset stay their owners' business.
    TestSupport::TFreeWatch queryWatch(query);
    delete query;
    EXPECT_TRUE(queryWatch.Freed());
    delete dataSet;
}

TEST_F(EntityTest, ClassReferencesCreateEntitiesThroughTheConstructorOfTheirKind)
{
    std::unique_ptr<EClasses::TEntityInstance> client(EClasses::CreateInstance(TClient::StaticClass(), 42, QStringLiteral("Иванов")));
    EXPECT_EQ(client->ClassName(), QStringLiteral("TClient"));
    EXPECT_EQ(client->ID, 42);
    EXPECT_EQ(client->Name, QStringLiteral("Иванов"));
    EXPECT_FALSE(client->Found);
    EXPECT_FALSE(client->Modified);
    EXPECT_TRUE(client->Condition.isEmpty());

    std::unique_ptr<TEntity> list(EClasses::CreateEntity(TClientList::StaticClass(), QStringLiteral("ID>1"), nullptr));
    EXPECT_EQ(list->ClassName(), QStringLiteral("TClientList"));
    EXPECT_EQ(list->Condition, QStringLiteral("ID>1"));
    std::unique_ptr<TEntity> instanceAsClass(EClasses::CreateEntity(TClient::StaticClass(), QStringLiteral("X=1"), nullptr));
    EXPECT_EQ(instanceAsClass->ClassName(), QStringLiteral("TClient"));

    std::unique_ptr<TEntityContainer> box(
        EClasses::CreateContainer(TOrderBox::StaticClass(), 17, QStringLiteral("Заказы"), QStringLiteral("#CLIENT_ID")));
    EXPECT_EQ(box->ClassName(), QStringLiteral("TOrderBox"));
    EXPECT_EQ(box->Condition, QStringLiteral("CLIENT_ID=17"));

    EXPECT_TRUE(EClasses::IsInstanceClass(TClient::StaticClass()));
    EXPECT_FALSE(EClasses::IsInstanceClass(TOrderBox::StaticClass()));
    EXPECT_FALSE(EClasses::IsInstanceClass(nullptr));
    EXPECT_TRUE(EClasses::IsContainerClass(TOrderBox::StaticClass()));
    EXPECT_FALSE(EClasses::IsContainerClass(TClientList::StaticClass()));
    EXPECT_THROW(EClasses::CreateInstance(TClientList::StaticClass(), 1, QString()), EClassNotConstructible);
}

struct TContainerCase {
    const char* Params;
    const char* Condition;
    const char* CT;
    const char* CK;
    const char* DT;
    const char* FK;
};

TEST_F(EntityTest, ContainerParametersInEveryForm)
{
    const TContainerCase cases[] = {
        {"#CLIENT_ID", "CLIENT_ID=5", "", "", "", ""},
        {"$STATE=1", "STATE=1", "", "", "", ""},
        {"$", "", "", "", "", ""},
        {"A=B=C", "A=C", "", "", "", ""},
        {"CLIENT_ID=", "CLIENT_ID=", "", "", "", ""},
        {"=7", "=7", "", "", "", ""},
        {"!CK=X&CT=T", "X=5", "", "X", "", ""},
        {"!", "=5", "", "", "", ""},
        {"!CT=ORDERS&CK=CLIENT_ID&", "CLIENT_ID=5", "ORDERS", "CLIENT_ID", "", ""},
        {"!dt=D&fk=F&ct=A=B&CT=second&ck=K&", "K=5", "A=B", "K", "D", "F"},
        {"!CK&CK=Y&", "Y=5", "", "Y", "", ""},
    };
    for (const TContainerCase& c : cases) {
        SCOPED_TRACE(c.Params);
        TOrderBox box(5, QStringLiteral("ignored"), QString::fromUtf8(c.Params));
        EXPECT_EQ(box.ID, 5);
        EXPECT_EQ(box.Condition, QString::fromUtf8(c.Condition));
        EXPECT_EQ(box.CT, QString::fromUtf8(c.CT));
        EXPECT_EQ(box.CK, QString::fromUtf8(c.CK));
        EXPECT_EQ(box.DT, QString::fromUtf8(c.DT));
        EXPECT_EQ(box.FK, QString::fromUtf8(c.FK));
    }
    TOrderBox negative(-3, QString(), QStringLiteral("#PARENT"));
    EXPECT_EQ(negative.Condition, QStringLiteral("PARENT=-3"));

    EXPECT_THROW(TOrderBox(5, QString(), QString()), ERangeError);
    EXPECT_THROW(TOrderBox(5, QString(), QStringLiteral("CLIENT_ID 5")), ERangeError);
    EXPECT_THROW(EClasses::CreateContainer(TOrderBox::StaticClass(), 5, QString(), QString()), ERangeError);
}

TEST_F(EntityTest, OnlyAChangeBetweenTwoParticularContextsIsAnnounced)
{
    TSchemaNavigator navigator;
    auto* watcher = new TContextWatcher(1, QStringLiteral("Иванов"));
    TTreeNode* node = navigator.AddEntityNode(nullptr, watcher->Name, watcher);
    TContext* defaultContext = GetContextByName(QStringLiteral("_default"));
    auto* stock = new TContext(101, QStringLiteral("Склад"));
    auto* shop = new TContext(102, QStringLiteral("Магазин"));

    // From "_default": changed, not announced.
    watcher->SetContext(stock);
    EXPECT_EQ(watcher->Context, stock);
    EXPECT_EQ(watcher->PreviousContext, defaultContext);
    EXPECT_TRUE(watcher->Changes.empty());
    EXPECT_TRUE(navigator.ContextRefreshes.empty());

    // To the same context: nothing announced.
    watcher->SetContext(stock);
    EXPECT_EQ(watcher->PreviousContext, stock);
    EXPECT_TRUE(watcher->Changes.empty());

    // Between two particular contexts: the entity, then the navigator.
    watcher->SetContext(shop);
    EXPECT_EQ(watcher->Changes, (std::vector<std::pair<TContext*, TContext*>>{{stock, shop}}));
    EXPECT_EQ(navigator.ContextRefreshes, std::vector<TTreeNode*>{node});

    // Back to "_default": not announced; the name decides, not the object.
    watcher->SetContext(defaultContext);
    auto* namedDefault = new TContext(103, QStringLiteral("_default"));
    watcher->SetContext(shop);
    watcher->SetContext(namedDefault);
    EXPECT_EQ(watcher->Context, namedDefault);
    EXPECT_EQ(watcher->Changes.size(), 1u);
    EXPECT_EQ(navigator.ContextRefreshes.size(), 1u);
}

TEST_F(EntityTest, ContextChangeWithoutANavigatorIsAnnouncedToTheEntityOnly)
{
    TContextWatcher watcher(1, QString());
    auto* north = new TContext(104, QStringLiteral("Север"));
    auto* south = new TContext(105, QStringLiteral("Юг"));
    watcher.SetContext(north);
    watcher.SetContext(south);
    EXPECT_EQ(watcher.Changes.size(), 1u);
}

TEST_F(EntityTest, ShowShowsTheFormAndTellsItItsEntity)
{
    TClient client(1, QStringLiteral("Иванов"));
    client.Show();
    EClasses::TEntityForm form;
    client.Form = &form;
    client.Show();
    EXPECT_EQ(form.Entity, &client);
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(form.InNavigatorForm);
    EClasses::TNavigatorForm navigatorForm;
    EXPECT_EQ(navigatorForm.DockSite, nullptr);
}

TEST_F(EntityTest, CopyQueryPutsTheSqlOfEveryQueryOnTheClipboard)
{
    Clipboard::SetText(QStringLiteral("untouched"));
    TOrderList list(QString(), nullptr);
    list.CopyQuery();
    EXPECT_EQ(Clipboard::Text(), QStringLiteral("untouched"));

    TQuery first;
    first.SQL()->Add(QStringLiteral("select ID, NAZVANIE"));
    first.SQL()->Add(QStringLiteral("from ORDERS"));
    TQuery second;
    second.SQL()->Add(QStringLiteral("select 1"));
    list.Queries->AddObject(QStringLiteral("first"), &first);
    list.Queries->AddObject(QStringLiteral("second"), &second);
    list.CopyQuery();
    EXPECT_EQ(Clipboard::Text(),
        QStringLiteral("select ID, NAZVANIE\r\nfrom ORDERS\r\n\n\r\r\nselect 1\r\n\n\r\r\n"));
}

// The tree of a small order application: a client list, its clients, their order lists.
class EntityTreeTest : public EntityTest {
protected:
    void SetUp() override
    {
        Navigator.Link(QStringLiteral("TRootClass"), QStringLiteral("TClientList"));
        Navigator.Link(QStringLiteral("TRootClass"), QStringLiteral("TArchive"));
        Navigator.Link(QStringLiteral("TClientList"), QStringLiteral("TClient"), 2);
        Navigator.Link(QStringLiteral("TArchive"), QStringLiteral("TClient"), 2);
        Navigator.Link(QStringLiteral("TClient"), QStringLiteral("TOrderList"));
        Navigator.Link(QStringLiteral("TOrderList"), QStringLiteral("TOrder"), 2);

        Root = ClassNode(nullptr, new TRootClass(QString(), nullptr));
        Archive = ClassNode(Root, new TArchive(QString(), nullptr));
        Clients = ClassNode(Root, new TClientList(QString(), nullptr));
        ArchivedClient = ObjectNode(Archive, new TClient(1, QStringLiteral("Архивный")));
        ArchivedOrders = ClassNode(ArchivedClient, new TOrderList(QString(), nullptr));
        Client1 = ObjectNode(Clients, new TClient(1, QStringLiteral("Иванов")));
        Client2 = ObjectNode(Clients, new TClient(2, QStringLiteral("Петров")));
        Orders1 = ClassNode(Client1, new TOrderList(QStringLiteral("CLIENT_ID=1"), nullptr));
        Orders2 = ClassNode(Client2, new TOrderList(QStringLiteral("CLIENT_ID=2"), nullptr));
    }

    TTreeNode* ClassNode(TTreeNode* Parent, TEntity* Entity)
    {
        TTreeNode* node = Navigator.AddEntityNode(Parent, Entity->ClassName(), Entity);
        Objects->AddClassObjectReference(Entity->ClassName(), QString(), node);
        return node;
    }

    TTreeNode* ObjectNode(TTreeNode* Parent, EClasses::TEntityInstance* Entity)
    {
        TTreeNode* node = Navigator.AddEntityNode(Parent, Entity->Name, Entity);
        Objects->AddObjectReference(Entity->ClassName(), Entity->ID, node);
        return node;
    }

    EClasses::TEntityClass* EntityOf(TTreeNode* Node) { return Node->DataAs<EClasses::TEntityClass>(); }

    static std::vector<QString> Captions(TTreeNode* Node)
    {
        std::vector<QString> captions;
        for (int i = 0; i < Node->Count(); ++i)
            captions.push_back(Node->Item(i)->Text());
        return captions;
    }

    TSchemaNavigator Navigator;
    TTreeNode* Root = nullptr;
    TTreeNode* Archive = nullptr;
    TTreeNode* Clients = nullptr;
    TTreeNode* ArchivedClient = nullptr;
    TTreeNode* ArchivedOrders = nullptr;
    TTreeNode* Client1 = nullptr;
    TTreeNode* Client2 = nullptr;
    TTreeNode* Orders1 = nullptr;
    TTreeNode* Orders2 = nullptr;
};

TEST_F(EntityTreeTest, AddInstanceAddsAndFilesTheNodeOrReportsTheFailure)
{
    EntityOf(Orders2)->AddInstance(QStringLiteral("TOrder"), QStringLiteral("Заказ 501"), 501, Orders2);
    ASSERT_EQ(Captions(Orders2), std::vector<QString>{QStringLiteral("Заказ 501")});
    EXPECT_EQ(Objects->FindObjectReference(QStringLiteral("TOrder"), 501, nullptr), Orders2->Item(0));
    EXPECT_EQ(Orders2->Item(0)->DataAs<TOrder>()->ID, 501);

    EntityOf(Orders2)->AddInstance(QStringLiteral("TUnregistered"), QStringLiteral("x"), 502, Orders2);
    EXPECT_EQ(Orders2->Count(), 1);
    EXPECT_EQ(Objects->FindObjectReference(QStringLiteral("TUnregistered"), 502, nullptr), nullptr);
    EXPECT_EQ(TestSupport::Dialogs().Messages(),
        std::vector<QString>{QStringLiteral("Ошибка добавления экземпляра класса TUnregistered")});
}

TEST_F(EntityTreeTest, AddInstanceAsSubChildTakesTheFirstChildOfTheSubclassOnly)
{
    // Only the first child of the subclass counts: an empty client list before the real one
    // is not marked as having children, so nothing is added anywhere.
    TTreeNode* emptyList = Navigator.Tree->Items()->InsertChildObject(Root, 0, QStringLiteral("Пусто"),
        new TClientList(QString(), nullptr));
    EntityOf(Root)->AddInstanceAsSubChild(QStringLiteral("TClient"), QStringLiteral("TClientList"),
        QStringLiteral("Сидоров"), 3, Root);
    EXPECT_EQ(emptyList->Count(), 0);
    EXPECT_EQ(Clients->Count(), 2);
    emptyList->SetHasChildren(true);
    EntityOf(Root)->AddInstanceAsSubChild(QStringLiteral("TClient"), QStringLiteral("TClientList"),
        QStringLiteral("Сидоров"), 3, Root);
    EXPECT_EQ(Captions(emptyList), std::vector<QString>{QStringLiteral("Сидоров")});
    EXPECT_EQ(Clients->Count(), 2);

    EntityOf(Clients)->AddInstanceAsSubChild(QStringLiteral("TOrder"), QStringLiteral("TOrderList"),
        QStringLiteral("Заказ 7"), 7, Client2);
    EXPECT_EQ(Orders2->Count(), 0);
    Orders2->SetHasChildren(true);
    EntityOf(Clients)->AddInstanceAsSubChild(QStringLiteral("TOrder"), QStringLiteral("TOrderList"),
        QStringLiteral("Заказ 7"), 7, Client2);
    EXPECT_EQ(Captions(Orders2), std::vector<QString>{QStringLiteral("Заказ 7")});
    EXPECT_EQ(Objects->FindObjectReference(QStringLiteral("TOrder"), 7, nullptr), Orders2->Item(0));

    // Class names compare exactly; a node without children flag is left alone.
    EntityOf(Clients)->AddInstanceAsSubChild(QStringLiteral("TOrder"), QStringLiteral("torderlist"),
        QStringLiteral("Заказ 8"), 8, Client2);
    EntityOf(Orders1)->AddInstanceAsSubChild(QStringLiteral("TOrder"), QStringLiteral("TOrder"),
        QStringLiteral("Заказ 9"), 9, Orders1);
    EXPECT_EQ(Orders2->Count(), 1);
    EXPECT_EQ(Orders1->Count(), 0);
    EXPECT_TRUE(TestSupport::Dialogs().Calls().empty());
}

TEST_F(EntityTreeTest, AddInstanceAsChildOfFindsTheParentAlongTheSchemaOnly)
{
    // From the second client: its order list is two levels down the schema path.
    EntityOf(Clients)->AddInstanceAsChildOf(QStringLiteral("TOrder"), QStringLiteral("TOrderList"),
        QStringLiteral("Заказ 501"), QString(), 501, Client2);
    EXPECT_EQ(Captions(Orders2), std::vector<QString>{QStringLiteral("Заказ 501")});
    EXPECT_TRUE(Orders2->Expanded());
    EXPECT_EQ(Objects->FindObjectReference(QStringLiteral("TOrder"), 501, nullptr), Orders2->Item(0));

    // An object already shown anywhere is not added again.
    EntityOf(Clients)->AddInstanceAsChildOf(QStringLiteral("TOrder"), QStringLiteral("TOrderList"),
        QStringLiteral("Заказ 501"), QString(), 501, Clients);
    EXPECT_EQ(Orders1->Count(), 0);
    EXPECT_EQ(Orders2->Count(), 1);

    // From the client list, depth first: the first client's order list.
    EntityOf(Clients)->AddInstanceAsChildOf(QStringLiteral("TOrder"), QStringLiteral("TOrderList"),
        QStringLiteral("Заказ 502"), QString(), 502, Clients);
    EXPECT_EQ(Captions(Orders1), std::vector<QString>{QStringLiteral("Заказ 502")});

    // From the root the order lists lie one level beyond the search.
    EntityOf(Root)->AddInstanceAsChildOf(QStringLiteral("TOrder"), QStringLiteral("TOrderList"),
        QStringLiteral("Заказ 503"), QString(), 503, Root);
    EXPECT_EQ(Objects->FindObjectReference(QStringLiteral("TOrder"), 503, nullptr), nullptr);
    EXPECT_TRUE(TestSupport::Dialogs().Calls().empty());
}

TEST_F(EntityTreeTest, AddInstanceAsChildOfDescendsOnlyThroughClassesOnAPath)
{
    // An order list below an archive node under the first client: the archive is not on the
    // schema path from the client list to orders, so the search passes it by.
    TTreeNode* strayArchive = Navigator.Tree->Items()->InsertChildObject(Client1, 0, QStringLiteral("Архив"),
        new TArchive(QString(), nullptr));
    TTreeNode* strayOrders = ClassNode(strayArchive, new TOrderList(QString(), nullptr));
    EntityOf(Clients)->AddInstanceAsChildOf(QStringLiteral("TOrder"), QStringLiteral("TOrderList"),
        QStringLiteral("Заказ 9"), QString(), 9, Clients);
    EXPECT_EQ(strayOrders->Count(), 0);
    EXPECT_EQ(Captions(Orders1), std::vector<QString>{QStringLiteral("Заказ 9")});

    // Once the schema leads from clients through archives to order lists, the search from the
    // client goes into the archive, its first child.
    Navigator.Link(QStringLiteral("TClient"), QStringLiteral("TArchive"));
    Navigator.Link(QStringLiteral("TArchive"), QStringLiteral("TOrderList"));
    EntityOf(Clients)->AddInstanceAsChildOf(QStringLiteral("TOrder"), QStringLiteral("TOrderList"),
        QStringLiteral("Заказ 10"), QString(), 10, Client1);
    EXPECT_EQ(Captions(strayOrders), std::vector<QString>{QStringLiteral("Заказ 10")});
}

TEST_F(EntityTreeTest, DeleteInstanceRemovesEveryNodeThatShowsTheObject)
{
    // Client 1 is shown three times: in the archive, in the list and once more in the list.
    TTreeNode* third = ObjectNode(Clients, new TClient(1, QStringLiteral("Иванов (копия)")));
    TestSupport::TFreeWatch firstEntity(Client1->Data());
    TestSupport::TFreeWatch thirdEntity(third->Data());
    const qint64 orders1Handle = Orders1->ItemId();

    EntityOf(Clients)->DeleteInstance(QStringLiteral("TClient"), 1);

    EXPECT_EQ(Navigator.DeletedCaptions, (std::vector<QString>{QStringLiteral("Архивный"), QStringLiteral("Иванов"),
                                             QStringLiteral("Иванов (копия)")}));
    EXPECT_TRUE(firstEntity.Freed());
    EXPECT_TRUE(thirdEntity.Freed());
    EXPECT_EQ(Captions(Clients), std::vector<QString>{QStringLiteral("Петров")});
    EXPECT_EQ(Archive->Count(), 0);
    EXPECT_EQ(Navigator.Tree->Items()->FindByItemId(orders1Handle), nullptr);
    EXPECT_EQ(Objects->FindObjectReference(QStringLiteral("TClient"), 1, nullptr), nullptr);
    EXPECT_EQ(Objects->FindObjectReference(QStringLiteral("TClient"), 2, nullptr), Client2);
    EXPECT_TRUE(TestSupport::Dialogs().Calls().empty());
}

TEST_F(EntityTreeTest, AFailedNodeDeletionIsReportedAndTheNextNodeStillGoes)
{
    Navigator.FailDeleting = true;
    EntityOf(Clients)->DeleteInstance(QStringLiteral("TClient"), 1);
    EXPECT_EQ(Navigator.DeletedCaptions.size(), 2u);
    EXPECT_EQ(TestSupport::Dialogs().Messages(),
        (std::vector<QString>{QStringLiteral("Ошибка удаления узла"), QStringLiteral("Ошибка удаления узла")}));
    EXPECT_EQ(Objects->FindObjectReference(QStringLiteral("TClient"), 1, nullptr), nullptr);
}

TEST_F(EntityTreeTest, SaveShowsTheCurrentNameInTheObjectsNode)
{
    auto* client = Client2->DataAs<TClient>();
    client->Name = QStringLiteral("Петров-Водкин");
    client->Modified = true;
    client->Save();
    EXPECT_EQ(Client2->Text(), QStringLiteral("Петров-Водкин"));
    EXPECT_FALSE(client->Modified);

    TClient unshown(99, QStringLiteral("Никто"));
    unshown.Modified = true;
    unshown.Save();
    EXPECT_FALSE(unshown.Modified);
}

} // namespace
