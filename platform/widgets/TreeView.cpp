#include "TreeView.h"

#include <QHeaderView>

VEL_IMPLEMENT_CLASS(TTreeNode)
VEL_IMPLEMENT_CLASS(TTreeView)

namespace {

qint64 NextItemId = 0;

bool IsCaption(int Column, int Role)
{
    return Column == 0 && (Role == Qt::DisplayRole || Role == Qt::EditRole);
}

} // namespace

TTreeNode::TTreeNode(TTreeView* TreeView, const QString& Text, TObject* Data)
    : FTreeView(TreeView), FData(Data), FItemId(++NextItemId), FText(Text)
{
}

QVariant TTreeNode::data(int Column, int Role) const
{
    return IsCaption(Column, Role) ? QVariant(FText) : QTreeWidgetItem::data(Column, Role);
}

void TTreeNode::setData(int Column, int Role, const QVariant& Value)
{
    if (!IsCaption(Column, Role)) {
        QTreeWidgetItem::setData(Column, Role, Value);
        return;
    }
    const QString text = Value.toString();
    if (text == FText)
        return;
    FText = text;
    emitDataChanged();
}

TTreeNode::~TTreeNode()
{
    // The children go first, while this node can still be left by them.
    while (childCount() > 0)
        delete takeChild(childCount() - 1);
    FTreeView->FItems.Forget(this);
}

bool TTreeNode::HasChildren() const
{
    return childCount() > 0 || childIndicatorPolicy() == QTreeWidgetItem::ShowIndicator;
}

void TTreeNode::SetHasChildren(bool HasChildren)
{
    setChildIndicatorPolicy(HasChildren ? QTreeWidgetItem::ShowIndicator : QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

TTreeNode* TTreeNode::Item(int Index) const
{
    return TTreeView::NodeOf(child(Index));
}

TTreeNode* TTreeNode::Parent() const
{
    return parent() ? TTreeView::NodeOf(parent()) : nullptr;
}

int TTreeNode::Index() const
{
    return parent() ? parent()->indexOfChild(const_cast<TTreeNode*>(this))
                    : FTreeView->indexOfTopLevelItem(const_cast<TTreeNode*>(this));
}

int TTreeNode::Level() const
{
    int level = 0;
    for (const QTreeWidgetItem* item = parent(); item; item = item->parent())
        ++level;
    return level;
}

TTreeNode* TTreeNode::GetNextSibling() const
{
    const int next = Index() + 1;
    if (TTreeNode* parentNode = Parent())
        return next < parentNode->Count() ? parentNode->Item(next) : nullptr;
    return next < FTreeView->FItems.RootCount() ? FTreeView->FItems.Root(next) : nullptr;
}

void TTreeNode::Expand(bool Recurse)
{
    if (!Expanded() && FTreeView->AskExpanding(this)) {
        FTreeView->FExpandingByCode = true;
        setExpanded(true);
        FTreeView->FExpandingByCode = false;
    }
    if (Recurse)
        for (int i = 0; i < Count(); ++i)
            Item(i)->Expand(true);
}

void TTreeNode::Collapse(bool Recurse)
{
    if (Recurse)
        for (int i = 0; i < Count(); ++i)
            Item(i)->Collapse(true);
    setExpanded(false);
}

void TTreeNode::Delete()
{
    delete this;
}

void TTreeNode::DeleteChildren()
{
    // Taken out of the tree at once: one change of the view instead of one per child.
    const QList<QTreeWidgetItem*> children = takeChildren();
    for (auto it = children.rbegin(); it != children.rend(); ++it)
        delete *it;
}

bool TTreeNode::Selected() const
{
    return FTreeView->currentItem() == this;
}

void TTreeNode::SetSelected(bool Selected)
{
    if (Selected)
        FTreeView->SetSelected(this);
    else if (this->Selected())
        FTreeView->SetSelected(nullptr);
}

void TTreeNode::MakeVisible()
{
    for (TTreeNode* node = Parent(); node; node = node->Parent())
        node->Expand(false);
    FTreeView->scrollToItem(this);
}

bool TTreeNode::IsVisible() const
{
    for (const TTreeNode* node = Parent(); node; node = node->Parent())
        if (!node->Expanded())
            return false;
    return true;
}

TNodeHandles::TPage* TNodeHandles::PageOf(qint64 Handle) const
{
    const qint64 number = Handle / PageSize;
    if (number != FLastPageNumber) {
        auto found = FPages.find(number);
        FLastPage = found == FPages.end() ? nullptr : found->second.get();
        FLastPageNumber = number;
    }
    return FLastPage;
}

void TNodeHandles::Insert(qint64 Handle, TTreeNode* Node)
{
    TPage* page = PageOf(Handle);
    if (!page) {
        page = (FPages[Handle / PageSize] = std::make_unique<TPage>()).get();
        FLastPage = page;
    }
    TTreeNode*& slot = page->Nodes[Handle % PageSize];
    if (!slot) {
        ++page->Live;
        ++FSize;
    }
    slot = Node;
}

void TNodeHandles::Remove(qint64 Handle)
{
    TPage* page = PageOf(Handle);
    TTreeNode** slot = page ? &page->Nodes[Handle % PageSize] : nullptr;
    if (!slot || !*slot)
        return;
    *slot = nullptr;
    --FSize;
    if (--page->Live == 0) {
        FPages.erase(Handle / PageSize);
        FLastPageNumber = -1;
        FLastPage = nullptr;
    }
}

TTreeNode* TNodeHandles::Find(qint64 Handle) const
{
    const TPage* page = Handle > 0 ? PageOf(Handle) : nullptr;
    return page ? page->Nodes[Handle % PageSize] : nullptr;
}

TTreeNode* TTreeNodes::NewNode(const QString& Text, TObject* Data)
{
    auto* node = new TTreeNode(FTreeView, Text, Data);
    FById.Insert(node->ItemId(), node);
    return node;
}

TTreeNode* TTreeNodes::AddObject(const QString& Text, TObject* Data)
{
    return AddChildObject(nullptr, Text, Data);
}

TTreeNode* TTreeNodes::AddChildObject(TTreeNode* Parent, const QString& Text, TObject* Data, bool HasChildren)
{
    TTreeNode* node = NewNode(Text, Data);
    node->SetHasChildren(HasChildren);
    if (Parent)
        Parent->addChild(node);
    else
        FTreeView->addTopLevelItem(node);
    return node;
}

std::vector<TTreeNode*> TTreeNodes::AddChildrenObjects(TTreeNode* Parent, const std::vector<std::pair<QString, TObject*>>& Children,
    bool HasChildren)
{
    std::vector<TTreeNode*> nodes;
    nodes.reserve(Children.size());
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(Children.size()));
    for (const auto& [text, data] : Children) {
        nodes.push_back(NewNode(text, data));
        nodes.back()->SetHasChildren(HasChildren);
        items.append(nodes.back());
    }
    if (Parent)
        Parent->addChildren(items);
    else
        FTreeView->addTopLevelItems(items);
    return nodes;
}

TTreeNode* TTreeNodes::InsertChildObject(TTreeNode* Parent, int Index, const QString& Text, TObject* Data)
{
    TTreeNode* node = NewNode(Text, Data);
    if (Parent)
        Parent->insertChild(Index, node);
    else
        FTreeView->insertTopLevelItem(Index, node);
    return node;
}

int TTreeNodes::RootCount() const
{
    return FTreeView->topLevelItemCount();
}

TTreeNode* TTreeNodes::Root(int Index) const
{
    return TTreeView::NodeOf(FTreeView->topLevelItem(Index));
}

std::vector<TTreeNode*> TTreeNodes::AllNodes() const
{
    std::vector<TTreeNode*> nodes;
    nodes.reserve(static_cast<size_t>(FById.Size()));
    std::function<void(TTreeNode*)> visit = [&](TTreeNode* node) {
        nodes.push_back(node);
        for (int i = 0; i < node->Count(); ++i)
            visit(node->Item(i));
    };
    for (int i = 0; i < RootCount(); ++i)
        visit(Root(i));
    return nodes;
}

TTreeNode* TTreeNodes::FindByItemId(qint64 ItemId) const
{
    return FById.Find(ItemId);
}

void TTreeNodes::Clear()
{
    while (RootCount() > 0)
        delete FTreeView->takeTopLevelItem(RootCount() - 1);
}

void TTreeNodes::BeginUpdate()
{
    if (FUpdateCount++ == 0)
        FTreeView->setUpdatesEnabled(false);
}

void TTreeNodes::EndUpdate()
{
    if (FUpdateCount > 0 && --FUpdateCount == 0)
        FTreeView->setUpdatesEnabled(true);
}

TTreeView::TTreeView(TComponent* AOwner, QWidget* Parent)
    : QTreeWidget(Parent), TComponent(AOwner), FItems(this)
{
    setColumnCount(1);
    header()->hide();
    // Every row is one line of text: the view then finds rows by arithmetic instead of asking
    // each row for its height.
    setUniformRowHeights(true);
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QTreeWidget::itemExpanded, this, &TTreeView::ItemExpanded);
    connect(this, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* item) {
        if (OnCollapsed)
            OnCollapsed(NodeOf(item));
    });
    connect(this, &QTreeWidget::currentItemChanged, this, &TTreeView::CurrentItemChanged);
    connect(this, &QWidget::customContextMenuRequested, this, [this](const QPoint& position) {
        if (OnContextPopup)
            OnContextPopup(position);
    });
}

TTreeView::~TTreeView()
{
    // Nodes leave the handle map as they go: clear them while it still exists.
    blockSignals(true);
    FItems.Clear();
}

TTreeNode* TTreeView::Selected() const
{
    return currentItem() ? NodeOf(currentItem()) : nullptr;
}

void TTreeView::SetSelected(TTreeNode* Node)
{
    FSelectingByCode = true;
    FChangedByCode = false;
    setCurrentItem(Node);
    FSelectingByCode = false;
    if (FChangedByCode)
        ReportChange();
}

// Qt tells of the change in the middle of its own: the report waits until that is over.
void TTreeView::CurrentItemChanged()
{
    if (FSelectingByCode) {
        FChangedByCode = true;
        return;
    }
    if (FChangeQueued)
        return;
    FChangeQueued = true;
    QMetaObject::invokeMethod(this, [this] {
        FChangeQueued = false;
        ReportChange();
    }, Qt::QueuedConnection);
}

// The node selected now: a queued report never names a node removed meanwhile.
void TTreeView::ReportChange()
{
    if (OnChange)
        OnChange(Selected());
}

bool TTreeView::AskExpanding(TTreeNode* Node)
{
    bool allow = true;
    if (OnExpanding)
        OnExpanding(Node, allow);
    return allow;
}

void TTreeView::ItemExpanded(QTreeWidgetItem* Item)
{
    // Expansion by the user: ask first, and close the node again when refused.
    if (FExpandingByCode)
        return;
    if (!AskExpanding(NodeOf(Item))) {
        FExpandingByCode = true;
        Item->setExpanded(false);
        FExpandingByCode = false;
    }
}
