#include "ObjectManager.h"

#include "Env.h"
#include "TestEntities.h"
#include "TreeView.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using EntityTests::TClient;
using EntityTests::TOrder;
using ObjectManager::TEObjects;

// A registry made while the test classes are registered, over a tree of plain nodes.
class ObjectManagerTest : public testing::Test {
protected:
    ObjectManagerTest()
        : Classes(std::make_unique<EntityTests::TRegisteredClasses>()), Registry(std::make_unique<TEObjects>())
    {
    }

    TTreeNode* Node(TTreeNode* Parent, const QString& Caption)
    {
        return Tree.Items()->AddChildObject(Parent, Caption, nullptr);
    }

    static std::vector<std::pair<QString, TObject*>> Entries(const TStringList& List)
    {
        std::vector<std::pair<QString, TObject*>> entries;
        for (int i = 0; i < List.Count(); ++i)
            entries.emplace_back(List.Strings(i), List.Objects(i));
        return entries;
    }

    std::unique_ptr<EntityTests::TRegisteredClasses> Classes;
    std::unique_ptr<TEObjects> Registry;
    TTreeView Tree;
};

using TEntries = std::vector<std::pair<QString, TObject*>>;

TEST_F(ObjectManagerTest, ClassNodesAreRecordedOnlyForClassesRegisteredWhenTheRegistryWasMade)
{
    TTreeNode* rootA = Node(nullptr, QStringLiteral("A"));
    TTreeNode* rootB = Node(nullptr, QStringLiteral("B"));
    TTreeNode* listUnderA = Node(rootA, QStringLiteral("Клиенты"));
    TTreeNode* listUnderB = Node(rootB, QStringLiteral("Клиенты"));
    TTreeNode* secondUnderA = Node(rootA, QStringLiteral("Клиенты 2"));

    Registry->AddClassObjectReference(QStringLiteral("TClientList"), QStringLiteral("ignored"), listUnderA);
    Registry->AddClassObjectReference(QStringLiteral("tclientlist"), QString(), listUnderB);
    Registry->AddClassObjectReference(QStringLiteral("TClientList"), QString(), secondUnderA);
    Registry->AddClassObjectReference(QStringLiteral("TLaterClass"), QString(), rootA);

    // Class names are keys: any letter case finds the class, the first node below a parent wins.
    EXPECT_EQ(Registry->FindClassObjectReference(QStringLiteral("TCLIENTLIST"), rootA), listUnderA);
    EXPECT_EQ(Registry->FindClassObjectReference(QStringLiteral("TClientList"), rootB), listUnderB);
    EXPECT_EQ(Registry->FindClassObjectReference(QStringLiteral("TClientList"), nullptr), nullptr);
    EXPECT_EQ(Registry->FindClassObjectReference(QStringLiteral("TLaterClass"), nullptr), nullptr);
    EXPECT_EQ(Registry->FindClassObjectReference(QStringLiteral("TOrderList"), rootA), nullptr);

    // Positions are appended after what the caller's list holds, in the order of adding.
    TStringList found;
    found.AddObject(QStringLiteral("before"), rootB);
    Registry->FindClassObjectReferences(QStringLiteral("TClientList"), &found);
    EXPECT_EQ(Entries(found), (TEntries{{QStringLiteral("before"), rootB}, {QStringLiteral("0"), listUnderA},
                                  {QStringLiteral("1"), listUnderB}, {QStringLiteral("2"), secondUnderA}}));
    TStringList none;
    Registry->FindClassObjectReferences(QStringLiteral("TLaterClass"), &none);
    EXPECT_TRUE(none.IsEmpty());

    // Releasing takes the first entry of the node only; the next node below the parent shows.
    Registry->AddClassObjectReference(QStringLiteral("TClientList"), QString(), listUnderA);
    Registry->ReleaseClassObjectReference(QStringLiteral("TClientList"), listUnderA);
    EXPECT_EQ(Registry->FindClassObjectReference(QStringLiteral("TClientList"), rootA), secondUnderA);
    Registry->ReleaseClassObjectReference(QStringLiteral("TClientList"), secondUnderA);
    EXPECT_EQ(Registry->FindClassObjectReference(QStringLiteral("TClientList"), rootA), listUnderA);
    Registry->ReleaseClassObjectReference(QStringLiteral("TClientList"), listUnderA);
    Registry->ReleaseClassObjectReference(QStringLiteral("TClientList"), listUnderA);
    Registry->ReleaseClassObjectReference(QStringLiteral("TLaterClass"), rootA);
    EXPECT_EQ(Registry->FindClassObjectReference(QStringLiteral("TClientList"), rootA), nullptr);
    EXPECT_EQ(Registry->FindClassObjectReference(QStringLiteral("TClientList"), rootB), listUnderB);

    // Emptied class lists still answer, and take new nodes again.
    Registry->ReleaseClassObjectReference(QStringLiteral("TClientList"), listUnderB);
    TStringList empty;
    Registry->FindClassObjectReferences(QStringLiteral("TClientList"), &empty);
    EXPECT_TRUE(empty.IsEmpty());
    Registry->AddClassObjectReference(QStringLiteral("TClientList"), QString(), listUnderB);
    EXPECT_EQ(Registry->FindClassObjectReference(QStringLiteral("TClientList"), rootB), listUnderB);
}

TEST_F(ObjectManagerTest, ObjectsOfDifferentClassesShareAnIdAndAreToldApartByClassName)
{
    TTreeNode* p = Node(nullptr, QStringLiteral("P"));
    TTreeNode* q = Node(nullptr, QStringLiteral("Q"));
    TTreeNode* r = Node(q, QStringLiteral("R"));

    Registry->AddObjectReference(QStringLiteral("TClient"), 7, p);
    Registry->AddObjectReference(QStringLiteral("TOrder"), 7, q);
    Registry->AddObjectReference(QStringLiteral("TOrder"), 7, r);
    Registry->AddObjectReference(QStringLiteral("TOrder"), -1, p);

    EXPECT_EQ(Registry->FindObjectReference(QStringLiteral("TOrder"), 7, nullptr), q);
    // The node argument does not narrow the search to its subtree.
    EXPECT_EQ(Registry->FindObjectReference(QStringLiteral("TClient"), 7, r), p);
    // Class names of entries compare exactly.
    EXPECT_EQ(Registry->FindObjectReference(QStringLiteral("tclient"), 7, nullptr), nullptr);
    EXPECT_EQ(Registry->FindObjectReference(QStringLiteral("TClient"), 8, nullptr), nullptr);
    EXPECT_EQ(Registry->FindObjectReference(QStringLiteral("TOrder"), -1, nullptr), p);

    // Positions count every entry under the ID's key.
    TOrder order(7, QStringLiteral("Заказ 7"));
    TStringList orders;
    Registry->FindObjectReferences(&order, &orders);
    EXPECT_EQ(Entries(orders), (TEntries{{QStringLiteral("1"), q}, {QStringLiteral("2"), r}}));

    Registry->ReleaseObjectReference(QStringLiteral("TClient"), 7, p);
    EXPECT_EQ(Registry->FindObjectReference(QStringLiteral("TClient"), 7, nullptr), nullptr);
    EXPECT_EQ(Registry->FindObjectReference(QStringLiteral("TOrder"), 7, nullptr), q);
    // A node filed twice under its class is released in one call; other classes' entries of it stay.
    Registry->AddObjectReference(QStringLiteral("TOrder"), 7, q);
    Registry->AddObjectReference(QStringLiteral("TClient"), 7, q);
    Registry->ReleaseObjectReference(QStringLiteral("TOrder"), 7, q);
    EXPECT_EQ(Registry->FindObjectReference(QStringLiteral("TOrder"), 7, nullptr), r);
    EXPECT_EQ(Registry->FindObjectReference(QStringLiteral("TClient"), 7, nullptr), q);
    Registry->ReleaseObjectReference(QStringLiteral("TOrder"), 7, r);
    Registry->ReleaseObjectReference(QStringLiteral("TClient"), 7, q);
    TClient client(7, QStringLiteral("Иванов"));
    TStringList clients;
    Registry->FindObjectReferences(&client, &clients);
    EXPECT_TRUE(clients.IsEmpty());
    // A key emptied and filled again starts a fresh list.
    Registry->AddObjectReference(QStringLiteral("TClient"), 7, r);
    Registry->FindObjectReferences(&client, &clients);
    EXPECT_EQ(Entries(clients), (TEntries{{QStringLiteral("0"), r}}));
}

TEST_F(ObjectManagerTest, BulkReleaseRemovesTheListedNodesWhateverTheirClass)
{
    TTreeNode* p = Node(nullptr, QStringLiteral("P"));
    TTreeNode* q = Node(nullptr, QStringLiteral("Q"));
    TTreeNode* kept = Node(nullptr, QStringLiteral("kept"));
    Registry->AddObjectReference(QStringLiteral("TClient"), 12, p);
    Registry->AddObjectReference(QStringLiteral("TOrder"), 12, p);
    Registry->AddObjectReference(QStringLiteral("TClient"), 12, kept);
    Registry->AddObjectReference(QStringLiteral("TOrder"), 3, q);

    TStringList doomed;
    doomed.AddObject(QStringLiteral("12"), p);
    doomed.AddObject(QStringLiteral("99"), kept);
    doomed.AddObject(QStringLiteral("3"), q);
    Registry->ReleaseListObjectsReference(QStringLiteral("TNothing"), &doomed);

    EXPECT_EQ(Registry->FindObjectReference(QStringLiteral("TClient"), 12, nullptr), kept);
    EXPECT_EQ(Registry->FindObjectReference(QStringLiteral("TOrder"), 12, nullptr), nullptr);
    EXPECT_EQ(Registry->FindObjectReference(QStringLiteral("TOrder"), 3, nullptr), nullptr);
    EXPECT_EQ(doomed.Count(), 3);
}

TEST_F(ObjectManagerTest, ReleasingANodeForgetsItWhereverItIsFiled)
{
    // A container node is filed by its ID and, like class nodes, by its class.
    TTreeNode* client = Node(nullptr, QStringLiteral("Иванов"));
    TTreeNode* box = Node(client, QStringLiteral("Заказы"));
    TTreeNode* otherBox = Node(client, QStringLiteral("Заказы 2"));
    Registry->AddObjectReference(QStringLiteral("TOrderBox"), 17, box);
    Registry->AddObjectReference(QStringLiteral("TOrderBox"), 17, otherBox);
    Registry->AddObjectReference(QStringLiteral("TOrder"), 5, box);
    Registry->AddClassObjectReference(QStringLiteral("TOrderBox"), QString(), box);
    Registry->AddClassObjectReference(QStringLiteral("TOrderBox"), QString(), box);
    Registry->AddClassObjectReference(QStringLiteral("TOrderList"), QString(), box);

    // The navigator releases a collapsed container by class only; the node must still go.
    Registry->ReleaseClassObjectReference(QStringLiteral("TOrderBox"), box);
    Registry->ReleaseNodeReferences(box);

    EXPECT_EQ(Registry->FindObjectReference(QStringLiteral("TOrderBox"), 17, nullptr), otherBox);
    EXPECT_EQ(Registry->FindObjectReference(QStringLiteral("TOrder"), 5, nullptr), nullptr);
    EXPECT_EQ(Registry->FindClassObjectReference(QStringLiteral("TOrderBox"), client), nullptr);
    EXPECT_EQ(Registry->FindClassObjectReference(QStringLiteral("TOrderList"), client), nullptr);
    TStringList boxes;
    Registry->FindClassObjectReferences(QStringLiteral("TOrderBox"), &boxes);
    EXPECT_TRUE(boxes.IsEmpty());

    // Releasing a node that is filed nowhere, or again, changes nothing.
    Registry->ReleaseNodeReferences(box);
    Registry->ReleaseNodeReferences(client);
    EXPECT_EQ(Registry->FindObjectReference(QStringLiteral("TOrderBox"), 17, nullptr), otherBox);
    Registry->ReleaseNodeReferences(otherBox);
    EXPECT_EQ(Registry->FindObjectReference(QStringLiteral("TOrderBox"), 17, nullptr), nullptr);
}

TEST_F(ObjectManagerTest, ManyNodesUnderOneKeyKeepTheirOrder)
{
    TTreeNode* root = Node(nullptr, QStringLiteral("root"));
    std::vector<TTreeNode*> nodes;
    for (int i = 0; i < 200; ++i) {
        nodes.push_back(Node(root, QString::number(i)));
        Registry->AddObjectReference(i % 2 ? QStringLiteral("TOrder") : QStringLiteral("TClient"), 1, nodes.back());
    }
    for (int i = 0; i < 200; i += 4)
        Registry->ReleaseObjectReference(QStringLiteral("TClient"), 1, nodes[static_cast<size_t>(i)]);
    // Clients left: 2, 6, 10, ...; their positions count the orders between them.
    EXPECT_EQ(Registry->FindObjectReference(QStringLiteral("TClient"), 1, nullptr), nodes[2]);
    TClient client(1, QString());
    TStringList clients;
    Registry->FindObjectReferences(&client, &clients);
    ASSERT_EQ(clients.Count(), 50);
    EXPECT_EQ(clients.Strings(0), QStringLiteral("1"));
    EXPECT_EQ(clients.Objects(0), nodes[2]);
    EXPECT_EQ(clients.Strings(49), QStringLiteral("148"));
    EXPECT_EQ(clients.Objects(49), nodes[198]);
}

// Class nodes released from the front, the middle and the end of a long list keep the others'
// order and first-below-parent answers; object nodes released in bulk and filed again under
// other IDs are still forgotten everywhere by ReleaseNodeReferences.
TEST_F(ObjectManagerTest, LongListsKeepOrderAndFirstMatchesThroughChurn)
{
    const QString listClass = QStringLiteral("TClientList");
    std::vector<TTreeNode*> parents;
    std::vector<TTreeNode*> nodes;
    for (int i = 0; i < 300; ++i) {
        parents.push_back(Node(nullptr, QString::number(i)));
        nodes.push_back(Node(parents[static_cast<size_t>(i / 3)], QStringLiteral("c") + QString::number(i)));
        Registry->AddClassObjectReference(listClass, QString(), nodes.back());
    }
    // Drop the first 100, every second of the rest but the last one, then the last.
    for (int i = 0; i < 100; ++i)
        Registry->ReleaseClassObjectReference(listClass, nodes[static_cast<size_t>(i)]);
    for (int i = 100; i < 298; i += 2)
        Registry->ReleaseClassObjectReference(listClass, nodes[static_cast<size_t>(i)]);
    Registry->ReleaseClassObjectReference(listClass, nodes[299]);
    TStringList left;
    left.Add(QStringLiteral("before"));
    Registry->FindClassObjectReferences(listClass, &left);
    ASSERT_EQ(left.Count(), 1 + 100);
    EXPECT_EQ(left.Strings(1), QStringLiteral("0"));
    EXPECT_EQ(left.Objects(1), nodes[101]);
    EXPECT_EQ(left.Strings(99), QStringLiteral("98"));
    EXPECT_EQ(left.Objects(99), nodes[297]);
    EXPECT_EQ(left.Objects(100), nodes[298]);
    // Parent 33 held nodes 99, 100, 101: only 101 is left; parent 34 holds 103 first.
    EXPECT_EQ(Registry->FindClassObjectReference(listClass, parents[33]), nodes[101]);
    EXPECT_EQ(Registry->FindClassObjectReference(listClass, parents[34]), nodes[103]);
    EXPECT_EQ(Registry->FindClassObjectReference(listClass, parents[10]), nullptr);
    Registry->AddClassObjectReference(listClass, QString(), nodes[0]);
    left.Clear();
    Registry->FindClassObjectReferences(listClass, &left);
    EXPECT_EQ(left.Objects(left.Count() - 1), nodes[0]);

    TStringList doomed;
    std::vector<TTreeNode*> objects;
    for (int i = 0; i < 2000; ++i) {
        objects.push_back(Node(parents[0], QStringLiteral("o") + QString::number(i)));
        Registry->AddObjectReference(QStringLiteral("TClient"), i, objects.back());
        doomed.AddObject(QString::number(i), objects.back());
    }
    Registry->AddObjectReference(QStringLiteral("TClient"), 5000, objects[7]);
    Registry->ReleaseListObjectsReference(QString(), &doomed);
    EXPECT_EQ(Registry->FindObjectReference(QStringLiteral("TClient"), 1999, nullptr), nullptr);
    EXPECT_EQ(Registry->FindObjectReference(QStringLiteral("TClient"), 5000, nullptr), objects[7]);
    Registry->AddObjectReference(QStringLiteral("TOrder"), 6000, objects[7]);
    Registry->ReleaseNodeReferences(objects[7]);
    EXPECT_EQ(Registry->FindObjectReference(QStringLiteral("TClient"), 5000, nullptr), nullptr);
    EXPECT_EQ(Registry->FindObjectReference(QStringLiteral("TOrder"), 6000, nullptr), nullptr);
}

} // namespace
