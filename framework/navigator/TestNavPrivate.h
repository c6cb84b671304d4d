#pragma once
// What the navigator's source files share and plug-ins never see.

#include "TestNav.h"

#include "Application.h"
#include "StatusBar.h"
#include "ContextManager.h"
#include "LongWork.h"
#include "TreeView.h"

#include <QElapsedTimer>
#include <QRect>
#include <QString>
#include <QTime>

namespace TestNav {

inline const QString DefaultContextName = QStringLiteral("_default");

// Link kinds (NAVIGATSIA.TIP_NAV_ID): the objects the predecessor lists, one class node
// filtered by the predecessor object's ID; these and class links of the first kind show their
// forms inside the predecessor's form. Every other value is a plain class link.
enum TNavType : qint32 { SubFormClassLink = 1, ListLink = 2, FilteredClassLink = 3 };

// The top of the tree below the history buttons, when the find field is hidden.
inline const int TreeTop = 28;

// Where undocked forms and controls go: hidden, at the screen origin, 1 by 1.
inline const QRect FloatingRect(0, 0, 1, 1);

// The entity a node carries, or null.
inline TEntity* EntityOf(const TTreeNode* Node)
{
    return Node ? Node->DataAs<TEntity>() : nullptr;
}

// The object on show when it holds unsaved edits, else null.
inline EClasses::TEntityInstance* ModifiedInstance(TObject* Object)
{
    auto* instance = dynamic_cast<EClasses::TEntityInstance*>(Object);
    return instance && instance->Modified ? instance : nullptr;
}

// The class name of a node's entity; empty when it carries none.
inline QString ClassNameOf(const TTreeNode* Node)
{
    const TEntity* entity = EntityOf(Node);
    return entity ? entity->ClassName() : QString();
}

// The list attached to the first entry of that name, or null.
TStringList* LinkListOf(TStringList* Lists, const QString& ClassName);

inline void SetPanelText(TStatusPanel* Panel, const QString& Text)
{
    if (Panel)
        Panel->SetText(Text);
}

// Elapsed time as a time of day: hours, minutes, seconds.
inline QString ElapsedText(const QElapsedTimer& Timer)
{
    return QTime::fromMSecsSinceStartOfDay(static_cast<int>(Timer.elapsed())).toString(QStringLiteral("H:mm:ss"));
}

// A tree operation under way: the user's input is held back until it ends, so that no
// click or key changes the tree in its middle while progress texts are painted. Lasting
// long, it shows its progress bar and can be stopped (an operation inside another is part
// of it).
class TTestNavigator::TTreeOperation {
public:
    TTreeOperation() = default;

private:
    LongWork::TLongWork FWork;
};

// Nodes are being removed: the tree's reports of a changed selection are not handled
// meanwhile (they may name nodes whose entities are gone). When the last removal ends and
// the tree's selection has moved to another node, that node is handled afterwards, once
// control is back in the event loop.
class TTestNavigator::TNodeRemoval {
public:
    explicit TNodeRemoval(TTestNavigator* Navigator) : FNavigator(Navigator) { ++FNavigator->FRemovingNodes; }
    ~TNodeRemoval();
    TNodeRemoval(const TNodeRemoval&) = delete;
    TNodeRemoval& operator=(const TNodeRemoval&) = delete;

private:
    TTestNavigator* FNavigator;
    TTreeOperation FOperation;
};

// A node held across a save, a modal box or a status text: they let messages run, and a
// message may rebuild the list the node stood in. Get() finds the node again by its handle,
// which is never reused, and is null once the node is gone.
class THeldNode {
public:
    explicit THeldNode(TTreeNode* Node)
        : FNodes(Node ? Node->TreeView()->Items() : nullptr), FItem(Node ? Node->ItemId() : -1)
    {
    }
    TTreeNode* Get() const { return FNodes ? FNodes->FindByItemId(FItem) : nullptr; }

private:
    TTreeNodes* FNodes;
    qint64 FItem;
};

// The begin and end of a batch update of the tree's nodes, the end also on failure.
class TBatchUpdate {
public:
    explicit TBatchUpdate(TTreeView* Tree) : FNodes(Tree->Items()) { FNodes->BeginUpdate(); }
    ~TBatchUpdate() { FNodes->EndUpdate(); }
    TBatchUpdate(const TBatchUpdate&) = delete;
    TBatchUpdate& operator=(const TBatchUpdate&) = delete;

private:
    TTreeNodes* FNodes;
};

} // namespace TestNav
