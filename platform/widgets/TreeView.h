#pragma once
// The tree view: nodes with a caption, attached data, an expand button that may stand
// without children (children are made when the node expands), and handles that are never
// reused, so a node can be found again by its handle or learnt to be gone.
//
// A node does not own its data: whoever attaches an object frees it before removing the node.

#include "Component.h"

#include <QHash>
#include <QTreeWidget>
#include <QTreeWidgetItem>

#include <functional>
#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

class TTreeView;

class TTreeNode : public TObject, public QTreeWidgetItem {
    VEL_DECLARE_CLASS(TTreeNode, TObject)
public:
    ~TTreeNode() override;

    // The caption: kept as text only, not in the item's own variants, so that reading it costs
    // no conversion (a find runs over every node on each keystroke) and a node of a long list
    // carries no list of variants.
    const QString& Text() const { return FText; }
    void SetText(const QString& Text) { setText(0, Text); }
    // The caption is read and set as Text() however it is asked for (text(), the model, an
    // editor); other roles and columns are the item's own.
    QVariant data(int Column, int Role) const override;
    void setData(int Column, int Role, const QVariant& Value) override;
    TObject* Data() const { return FData; }
    void SetData(TObject* Data) { FData = Data; }
    template <class T>
    T* DataAs() const { return dynamic_cast<T*>(FData); }

    // The expand button: shown when the node has children or is marked as having them. A
    // change makes the view lay out all its rows again when it next paints or scrolls.
    bool HasChildren() const;
    void SetHasChildren(bool HasChildren);

    int Count() const { return childCount(); }
    TTreeNode* Item(int Index) const;
    TTreeNode* Parent() const;
    int Index() const;
    int Level() const;
    TTreeNode* GetFirstChild() const { return Count() > 0 ? Item(0) : nullptr; }
    TTreeNode* GetNextSibling() const;

    bool Expanded() const { return isExpanded(); }
    // Expands the node (asking the tree's OnExpanding first); Recurse expands the subtree.
    void Expand(bool Recurse);
    void Collapse(bool Recurse);
    // Removes the node with its subtree (the node is destroyed).
    void Delete();
    void DeleteChildren();

    qint64 ItemId() const { return FItemId; }
    TTreeView* TreeView() const { return FTreeView; }
    bool Selected() const;
    void SetSelected(bool Selected);
    // Expands the parents and scrolls the node into view.
    void MakeVisible();
    bool IsVisible() const;

private:
    friend class TTreeNodes;
    TTreeNode(TTreeView* TreeView, const QString& Text, TObject* Data);

    TTreeView* FTreeView;
    TObject* FData;
    qint64 FItemId;
    QString FText;
};

// Node handles -> nodes. Handles are handed out in ascending order, so the table is a set of
// pages of consecutive handles: filing a node writes one slot (no hashing, no allocation but
// one per page), and a page goes with its last node.
class TNodeHandles {
public:
    void Insert(qint64 Handle, TTreeNode* Node);
    void Remove(qint64 Handle);
    TTreeNode* Find(qint64 Handle) const;
    int Size() const { return FSize; }

private:
    static constexpr qint64 PageSize = 1024;
    struct TPage {
        int Live = 0;
        TTreeNode* Nodes[PageSize] = {};
    };
    TPage* PageOf(qint64 Handle) const;

    std::unordered_map<qint64, std::unique_ptr<TPage>> FPages;
    // The page used last: nodes are filed and removed in runs of neighbouring handles.
    mutable qint64 FLastPageNumber = -1;
    mutable TPage* FLastPage = nullptr;
    int FSize = 0;
};

// The nodes of a tree: adding, finding by handle, clearing, batch updates.
class TTreeNodes {
public:
    explicit TTreeNodes(TTreeView* TreeView) : FTreeView(TreeView) {}

    // Appends a root node (after the existing roots).
    TTreeNode* AddObject(const QString& Text, TObject* Data);
    // Appends a child of Parent (a root node when Parent is nullptr). HasChildren marks it with
    // an expand button before it enters the tree: marking a node in the tree makes the view lay
    // out all its rows again.
    TTreeNode* AddChildObject(TTreeNode* Parent, const QString& Text, TObject* Data, bool HasChildren = false);
    // Appends many children at once: much faster than one by one for big lists. HasChildren
    // marks each with an expand button before it enters the tree.
    std::vector<TTreeNode*> AddChildrenObjects(TTreeNode* Parent, const std::vector<std::pair<QString, TObject*>>& Children,
        bool HasChildren = false);
    // Inserts a child of Parent at Index.
    TTreeNode* InsertChildObject(TTreeNode* Parent, int Index, const QString& Text, TObject* Data);

    int RootCount() const;
    TTreeNode* Root(int Index) const;
    TTreeNode* GetFirstNode() const { return RootCount() > 0 ? Root(0) : nullptr; }
    // Every node, depth first (parents before their children).
    std::vector<TTreeNode*> AllNodes() const;
    // The node with that handle, or nullptr when it is gone.
    TTreeNode* FindByItemId(qint64 ItemId) const;
    int Count() const { return FById.Size(); }

    void Clear();
    void BeginUpdate();
    void EndUpdate();

private:
    friend class TTreeNode;
    TTreeNode* NewNode(const QString& Text, TObject* Data);
    void Forget(const TTreeNode* Node) { FById.Remove(Node->ItemId()); }

    TTreeView* FTreeView;
    TNodeHandles FById;
    int FUpdateCount = 0;
};

class TTreeView : public QTreeWidget, public TComponent {
    Q_OBJECT
    VEL_DECLARE_CLASS(TTreeView, TComponent)
public:
    explicit TTreeView(TComponent* AOwner = nullptr, QWidget* Parent = nullptr);
    ~TTreeView() override;

    TTreeNodes* Items() { return &FItems; }
    TTreeNode* Selected() const;
    void SetSelected(TTreeNode* Node);

    // Before a node's children are shown; set Allow to false to keep it closed.
    std::function<void(TTreeNode* Node, bool& Allow)> OnExpanding;
    std::function<void(TTreeNode* Node)> OnCollapsed;
    // The selected node changed (nullptr when nothing is selected). It is reported once the
    // tree has done with the change: at once after SetSelected, and from the event loop after
    // a change by the user or by the removal of nodes. A handler may so show a modal box, or
    // remove nodes, without pulling the tree's own bookkeeping of the change from under it.
    std::function<void(TTreeNode* Node)> OnChange;
    // A context menu was asked for at Position (widget coordinates).
    std::function<void(const QPoint& Position)> OnContextPopup;

    static TTreeNode* NodeOf(QTreeWidgetItem* Item) { return static_cast<TTreeNode*>(Item); }
    // The item behind an index of the tree's model; the invisible root for an invalid index.
    QTreeWidgetItem* ItemAt(const QModelIndex& Index) const
    {
        return Index.isValid() ? itemFromIndex(Index) : invisibleRootItem();
    }

private:
    friend class TTreeNode;
    bool AskExpanding(TTreeNode* Node);
    void ItemExpanded(QTreeWidgetItem* Item);
    void CurrentItemChanged();
    void ReportChange();

    TTreeNodes FItems;
    bool FExpandingByCode = false;
    bool FSelectingByCode = false;
    bool FChangedByCode = false;
    bool FChangeQueued = false;
};
