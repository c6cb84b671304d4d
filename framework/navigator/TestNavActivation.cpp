// Activation of objects on request: finding a given object in the tree, building the part
// of the tree that leads to it when it was never expanded, and selecting it.

#include "TestNav.h"
#include "TestNavPrivate.h"

#include "Dialogs.h"
#include "Env.h"
#include "ObjectManager.h"

#include <QSet>

#include <memory>
#include <vector>

namespace TestNav {

using EClasses::TNavigationInfo;

namespace {

const qint32 SearchLevels = 5;
const qint32 DeepestSearchLevel = 4;

ObjectManager::TEObjects* Objects()
{
    return ObjectManager::Objects;
}

// Every class node of the class, in the order the registry gives them.
std::vector<TTreeNode*> ClassNodes(const QString& ClassName)
{
    TStringList found;
    Objects()->FindClassObjectReferences(ClassName, &found);
    std::vector<TTreeNode*> nodes;
    for (int i = 0; i < found.Count(); ++i)
        nodes.push_back(found.ObjectAs<TTreeNode>(i));
    return nodes;
}

// A class a path may pass through: registered, of the class type "1".
bool MayLeadToList(const QString& ClassName)
{
    const int index = Env::ClassNames->IndexOf(ClassName);
    return index >= 0 && Env::ClassTypes->Strings(index) == QStringLiteral("1");
}

TTreeNode* ObjectNode(TClass ObjectClass, qint64 ObjectID)
{
    return Objects()->FindObjectReference(ObjectClass->ClassName(), ObjectID, nullptr);
}

} // namespace

// Takes the shown form down and runs Select inside a batch update of the tree, then shows
// the docking area again.
template <class Steps>
void TTestNavigator::SelectFound(Steps Select)
{
    Panel1->Hide();
    HideNavigatorForm();
    {
        TBatchUpdate batch(TreeView1);
        Select();
    }
    Panel1->Show();
}

void TTestNavigator::LeaveLastNode()
{
    if (FLastNode)
        AddNodeToHistory(FLastNode);
}

void TTestNavigator::Expand(TTreeNode* Node)
{
    bool allow = true;
    NodeExpanding(Node, allow);
}

void TTestNavigator::ActivateObject(TClass ListClass, TClass ObjectClass, qint64 ObjectID)
{
    TTreeOperation operation;
    Env::TProgressText progress(QStringLiteral("Активизация объекта..."));
    if (!FFormNode)
        return;
    TTreeNode* listNode = FFormNode;
    if (ClassNameOf(listNode) != ListClass->ClassName()) {
        listNode = nullptr;
        for (int i = 0; i < FFormNode->Count() && !listNode; ++i)
            if (ClassNameOf(FFormNode->Item(i)) == ListClass->ClassName())
                listNode = FFormNode->Item(i);
        if (!listNode)
            return;
    }
    {
        TBatchUpdate batch(TreeView1);
        Expand(listNode);
    }
    TTreeNode* found = ObjectNode(ObjectClass, ObjectID);
    if (!found || !LeaveShownObject() || !(found = ObjectNode(ObjectClass, ObjectID)))
        return;
    SelectAndShow(found);
}

void TTestNavigator::SelectAndShow(TTreeNode* Found)
{
    SelectFound([&] {
        LeaveLastNode();
        SelectByCode(Found);
        Found->MakeVisible();
        FLastNode = Found;
        ShowNewForm(Found);
    });
}

void TTestNavigator::ActivateObjectInstance(TClass ListClass, TClass ObjectClass, qint64 ObjectID)
{
    TTreeOperation operation;
    Env::TProgressText progress(QStringLiteral("Активизация объекта..."));
    const QString listClass = ListClass->ClassName();
    std::vector<TTreeNode*> listNodes = ClassNodes(listClass);
    if (listNodes.empty())
        listNodes = ExpandAncestorsOf(listClass);
    TTreeNode* found = nullptr;
    for (size_t i = 0; i < listNodes.size() && !found; ++i) {
        found = ObjectNode(ObjectClass, ObjectID);
        if (!found) {
            Expand(listNodes[i]);
            found = ObjectNode(ObjectClass, ObjectID);
        }
    }
    if (found && LeaveShownObject() && (found = ObjectNode(ObjectClass, ObjectID)))
        SelectFound([&] { SelectActivated(found); });
}

// Before an activation leaves the object on show, its unsaved edits are dealt with as on a
// click: saved (Yes), dropped (No), or kept with the object on show and no activation
// (Cancel, or a save that failed). The question and the save let messages run, so the
// caller looks the found object up again afterwards.
bool TTestNavigator::LeaveShownObject()
{
    EClasses::TEntityInstance* modified = ModifiedInstance(Env::CurrentObject);
    if (!modified)
        return true;
    const quint64 showing = FShowings;
    const int answer = AskToSave(mbYes | mbNo | mbCancel);
    if (answer == mrYes)
        return SaveLeftObject(modified, showing);
    return answer == mrNo;
}

void TTestNavigator::SelectActivated(TTreeNode* Found)
{
    try {
        LeaveLastNode();
        Env::AddLogRecord(QStringLiteral("Активизирован узел ") + Found->Text());
        SelectByCode(Found);
        ShowNewForm(Found);
        Found->MakeVisible();
        Found->Collapse(false);
        FLastNode = Found;
    } catch (...) {
        ShowMessage(QStringLiteral("Эта возможность активизации объекта находится в стадии разработки")
            + QStringLiteral("\n\r") + QStringLiteral(" требуется его выбор в дереве."));
        FLastNode = nullptr;
    }
}

// Builds the tree down to the class nodes of ListClass along a path of its ancestors,
// starting from the nearest ancestor whose node is visible; returns those class nodes.
std::vector<TTreeNode*> TTestNavigator::ExpandAncestorsOf(const QString& ListClass)
{
    TStringList ancestors;
    QStringList chain{ListClass};
    QSet<QString> followed;
    BuildAncestorTree(ListClass, &ancestors, chain, followed);
    TStringList path;
    FindAncestorPath(&ancestors, &path);
    FreeAncestorTree(&ancestors);
    std::vector<TTreeNode*> listNodes;
    for (int i = path.Count() - 1; i >= 0; --i) {
        for (TTreeNode* node : ClassNodes(path.Strings(i)))
            listNodes.push_back(node);
        if (listNodes.empty())
            continue;
        for (TTreeNode* node : listNodes)
            Expand(node);
        listNodes = ClassNodes(ListClass);
    }
    return listNodes;
}

// The predecessors of a class, each with the tree of its own predecessors, up to the
// classes whose first node is visible. A class already on the chain is not followed again,
// so a schema in which a class leads back to itself ends the search. Each class is followed
// once per search: met again on another way, it is a dead end (no branch), since the way up
// from it was searched already; a class no path may pass through is not followed at all. So
// a dense schema is searched in time linear in its links.
void TTestNavigator::BuildAncestorTree(const QString& ClassName, TStringList* Tree, QStringList& Chain,
    QSet<QString>& Followed)
{
    TStringList* predecessors = LinkListOf(FParentNames, ClassName);
    if (!predecessors)
        return;
    for (int i = 0; i < predecessors->Count(); ++i) {
        const QString predecessor = predecessors->Strings(i);
        if (Chain.contains(predecessor, Qt::CaseInsensitive))
            continue;
        const QString key = predecessor.toCaseFolded();
        if (Followed.contains(key) || !MayLeadToList(predecessor)) {
            Tree->AddObject(predecessor, static_cast<TObject*>(nullptr));
            continue;
        }
        Followed.insert(key);
        auto* branch = new TStringList;
        Tree->AddObject(predecessor, branch);
        const std::vector<TTreeNode*> nodes = ClassNodes(predecessor);
        if (nodes.empty() || !nodes.front()->IsVisible()) {
            Chain.append(predecessor);
            BuildAncestorTree(predecessor, branch, Chain, Followed);
            Chain.removeLast();
        }
    }
}

// Depth first: a chain of registered classes of type "1" from the first level of Tree to a
// class whose branch ends; an entry without a branch is a dead end. Path holds the chain found.
bool TTestNavigator::FindAncestorPath(TStringList* Tree, TStringList* Path)
{
    if (Tree->IsEmpty())
        return true;
    for (int i = 0; i < Tree->Count(); ++i) {
        const QString className = Tree->Strings(i);
        auto* branch = Tree->ObjectAs<TStringList>(i);
        if (!branch || !MayLeadToList(className))
            continue;
        Path->Add(className);
        if (FindAncestorPath(branch, Path))
            return true;
        Path->Delete(Path->Count() - 1);
    }
    return false;
}

void TTestNavigator::FreeAncestorTree(TStringList* Tree)
{
    for (int i = Tree->Count() - 1; i >= 0; --i) {
        if (auto* branch = Tree->ObjectAs<TStringList>(i)) {
            FreeAncestorTree(branch);
            delete branch;
        }
        Tree->Delete(i);
    }
}

bool TTestNavigator::FindPath(const QString& From, const QString& To, qint32 Level, qint32 MaxLevel, TNavigationInfo* Info)
{
    if (From == To) {
        Info->AddClassInfo(Level, From);
        return true;
    }
    if (Level >= MaxLevel)
        return false;
    bool found = false;
    if (TStringList* links = LinkListOf(FClassNames, From))
        for (int i = 0; i < links->Count(); ++i)
            found = FindPath(links->Strings(i), To, Level + 1, MaxLevel, Info) || found;
    if (found)
        Info->AddClassInfo(Level, From);
    return found;
}

void TTestNavigator::BuildNavigationInfo(const QString& From, const QString& To, qint32 MaxLevel, TNavigationInfo* Info)
{
    FindPath(From, To, 1, MaxLevel, Info);
}

bool TTestNavigator::FindNodeOfObject(TTreeNode* Node, TClass ObjectClass, qint64 ObjectID, qint32 Level,
    TNavigationInfo* Info)
{
    if (!Info->CheckClassInfo(Level, ClassNameOf(Node)))
        return false;
    Expand(Node);
    if (ObjectNode(ObjectClass, ObjectID))
        return true;
    if (Level >= DeepestSearchLevel)
        return false;
    for (int i = 0; i < Node->Count(); ++i)
        if (FindNodeOfObject(Node->Item(i), ObjectClass, ObjectID, Level + 1, Info))
            return true;
    return false;
}

bool TTestNavigator::ObjectBelow(TTreeNode* StartNode, TClass ObjectClass, qint64 ObjectID)
{
    TNavigationInfo info(SearchLevels);
    BuildNavigationInfo(ClassNameOf(StartNode), ObjectClass->ClassName(), DeepestSearchLevel, &info);
    return FindNodeOfObject(StartNode, ObjectClass, ObjectID, 1, &info);
}

void TTestNavigator::ActivateObjectInstanceWithParentObject(TClass ListClass, qint64, TClass ObjectClass,
    qint64 ObjectID, TTreeNode* StartNode)
{
    TTreeOperation operation;
    Env::TProgressText progress(QStringLiteral("Активизация объекта с определенным предком"));
    if (ObjectBelow(StartNode, ObjectClass, ObjectID))
        ActivateObjectInstance(ListClass, ObjectClass, ObjectID);
}

void TTestNavigator::MakeVisibleObjectItsAndExpandChildren(TClass, qint64, TClass ObjectClass, qint64 ObjectID,
    TTreeNode* StartNode)
{
    TTreeOperation operation;
    Env::TProgressText progress(QStringLiteral("Поиск узла-предка..."));
    if (!ObjectBelow(StartNode, ObjectClass, ObjectID))
        return;
    if (TTreeNode* node = ObjectNode(ObjectClass, ObjectID)) {
        QStringList chain;
        ExpandBelow(node, chain);
    }
}

// Expands a node with all its descendants. Children are made as nodes open, so a schema in
// which a class leads back to itself would never end: a node whose class is already on the
// path from the first node is left closed.
void TTestNavigator::ExpandBelow(TTreeNode* Node, QStringList& Chain)
{
    const QString className = ClassNameOf(Node);
    if (Chain.contains(className))
        return;
    const THeldNode held(Node);
    Node->Expand(false);
    if (!(Node = held.Get()))
        return;
    Chain.append(className);
    std::vector<THeldNode> children;
    for (int i = 0; i < Node->Count(); ++i)
        children.emplace_back(Node->Item(i));
    for (const THeldNode& child : children)
        if (TTreeNode* living = child.Get())
            ExpandBelow(living, Chain);
    Chain.removeLast();
}

void TTestNavigator::NodeCLose(TTreeNode* Node)
{
    for (int i = Node->Count() - 1; i >= 0; --i) {
        TTreeNode* child = Node->Item(i);
        if (child->Count() > 0)
            NodeCLose(child);
        child->Collapse(false);
    }
}

} // namespace TestNav
