// Refresh after changes: rebuilding the nodes below or around a changed object, and asking
// the entities below it to reload themselves.

#include "TestNav.h"
#include "TestNavPrivate.h"

#include "Dialogs.h"
#include "Env.h"
#include "ObjectManager.h"

#include <vector>

namespace TestNav {

using EClasses::TEntityInstance;

namespace {

// The handles of the nodes a registry lookup listed: a refresh may remove some of them,
// and a handle tells a removed node from a living one.
std::vector<qint64> HandlesOf(const TStringList& Nodes)
{
    std::vector<qint64> handles;
    for (int i = 0; i < Nodes.Count(); ++i)
        handles.push_back(Nodes.ObjectAs<TTreeNode>(i)->ItemId());
    return handles;
}

std::vector<qint64> ObjectNodeHandles(TEntityInstance* Instance)
{
    TStringList nodes;
    ObjectManager::Objects->FindObjectReferences(Instance, &nodes);
    return HandlesOf(nodes);
}

} // namespace

namespace {

bool IsBelow(const TTreeNode* Node, const TTreeNode* Ancestor)
{
    for (const TTreeNode* parent = Node ? Node->Parent() : nullptr; parent; parent = parent->Parent())
        if (parent == Ancestor)
            return true;
    return false;
}

} // namespace

// The children of Node are made anew. When the node on show is among them and holds unsaved
// edits, the user is asked first: Yes saves them, No lets them go with the node.
void TTestNavigator::RefreshNode(TTreeNode* Node)
{
    TTreeOperation operation;
    const THeldNode held(Node);
    OfferToSaveBelow(Node);
    Env::TProgressText progress(QStringLiteral("Обновление узла..."));
    if (!(Node = held.Get()))
        return;
    bool expanded = Node->Expanded();
    TBatchUpdate batch(TreeView1);
    NodeCollapsing(Node);
    NodeExpanding(Node, expanded);
}

void TTestNavigator::OfferToSaveBelow(TTreeNode* Node)
{
    EClasses::TEntityInstance* modified = ModifiedInstance(Env::CurrentObject);
    const quint64 showing = FShowings;
    if (modified && !FSavingShownObject && IsBelow(FFormNode, Node) && AskToSave(mbYes | mbNo) == mrYes)
        SaveLeftObject(modified, showing);
}

void TTestNavigator::RefreshNodeAfterContextChange(TTreeNode* Node)
{
    // An entity changes its context before its node exists: there is nothing to rebuild yet.
    if (Node)
        RefreshNode(Node);
}

void TTestNavigator::RefreshClassObject(TEntity* Entity)
{
    TStringList nodes;
    ObjectManager::Objects->FindClassObjectReferences(Entity->ClassName(), &nodes);
    for (qint64 handle : HandlesOf(nodes))
        if (TTreeNode* node = TreeView1->Items()->FindByItemId(handle))
            RefreshNode(node);
}

// Rebuilds each distinct parent of the object's nodes once, then activates the object's
// first new node. The entity itself may be freed by the rebuilding: only its class name and
// ID are used afterwards.
void TTestNavigator::RefreshObjectDependences(TEntity* Entity)
{
    auto* instance = dynamic_cast<TEntityInstance*>(Entity);
    if (!instance)
        return;
    const QString className = instance->ClassName();
    const qint64 id = instance->ID;
    std::vector<qint64> parents;
    for (qint64 handle : ObjectNodeHandles(instance)) {
        TTreeNode* parent = TreeView1->Items()->FindByItemId(handle)->Parent();
        if (parent && std::find(parents.begin(), parents.end(), parent->ItemId()) == parents.end())
            parents.push_back(parent->ItemId());
    }
    for (qint64 handle : parents)
        if (TTreeNode* parent = TreeView1->Items()->FindByItemId(handle))
            RefreshNode(parent);
    if (TTreeNode* first = ObjectManager::Objects->FindObjectReference(className, id, nullptr))
        ActivateNode(first);
}

// Asks the entities right below every node of the object to refresh themselves; a failing
// one is passed over.
void TTestNavigator::NotifyObjectChanged(TEntity* Entity)
{
    auto* instance = dynamic_cast<TEntityInstance*>(Entity);
    if (!instance)
        return;
    for (qint64 handle : ObjectNodeHandles(instance)) {
        TTreeNode* node = TreeView1->Items()->FindByItemId(handle);
        for (int i = 0; node && i < node->Count(); ++i) {
            try {
                if (TEntity* child = EntityOf(node->Item(i)))
                    child->Refresh();
            } catch (...) {
                // A child that cannot refresh itself stays as it is.
            }
            node = TreeView1->Items()->FindByItemId(handle);
        }
    }
}

} // namespace TestNav
