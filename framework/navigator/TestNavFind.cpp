// Finding nodes by caption: the find field over the tree with its keys, and the search among
// the nodes that exist, one pass over them per keystroke.

#include "TestNav.h"
#include "TestNavPrivate.h"

#include "Controls.h"
#include "Menus.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QPalette>
#include <QPersistentModelIndex>
#include <QStyle>
#include <QTimer>

#include <functional>

#include <algorithm>
#include <limits>
#include <unordered_map>
#include <utility>
#include <vector>

namespace TestNav {

namespace {

const QColor NothingFoundColor(255, 185, 185);

// A character as the find compares it: in lower case, "ё" as "е". Latin and Russian letters,
// nearly all of every caption, are folded without the Unicode tables.
inline char16_t FoldedChar(QChar Char)
{
    const char16_t c = Char.unicode();
    if (c < 0x80)
        return c >= u'A' && c <= u'Z' ? char16_t(c + 0x20) : c;
    if (c >= u'а' && c <= u'я')
        return c;
    if (c >= u'А' && c <= u'Я')
        return char16_t(c + 0x20);
    if (c == u'ё' || c == u'Ё')
        return u'е';
    return Char.toLower().unicode();
}

// Writes Text folded at To; returns the end.
char16_t* WriteFolded(char16_t* To, QStringView Text)
{
    for (QChar c : Text)
        *To++ = FoldedChar(c);
    return To;
}

QString FoldedText(const QString& Text)
{
    QString folded(Text.size(), Qt::Uninitialized);
    WriteFolded(reinterpret_cast<char16_t*>(folded.data()), Text);
    return folded;
}

// The width of an action's button at the end of a line edit: a small icon with its margins.
int ListButtonWidth()
{
    const int iconMargins = 6;
    return QApplication::style()->pixelMetric(QStyle::PM_SmallIconSize) + iconMargins;
}

// The rows from the roots down to Item; empty for none.
std::vector<int> PathOf(const QTreeWidgetItem* Item)
{
    std::vector<int> path;
    for (; Item; Item = Item->parent()) {
        const QTreeWidgetItem* parent = Item->parent();
        path.push_back(parent ? parent->indexOfChild(const_cast<QTreeWidgetItem*>(Item))
                              : Item->treeWidget()->indexOfTopLevelItem(const_cast<QTreeWidgetItem*>(Item)));
    }
    return {path.rbegin(), path.rend()};
}

} // namespace

// The matches of one pass, in tree order, and where the selected node stands among them.
struct TTestNavigator::TFindMatches {
    std::vector<TTreeNode*> Nodes;
    // How many matches come before the selected node, and whether it matches itself.
    int Before = 0;
    bool SelectedMatches = false;
};

// The folded captions of the tree's nodes, kept per parent: the captions of its children side
// by side in one buffer, so that a find reads one buffer instead of visiting every node, with
// the rows of the children that have children of their own. A parent's buffer is dropped when
// its rows or their captions change. It is made again as soon as the event loop runs after
// rows were added and no long work is under way (just after an expansion), so that the first
// keystroke after an expansion finds it made; else by the first find below it.
class TTestNavigator::TFindIndex : public QObject {
public:
    explicit TFindIndex(TTreeView* Tree);
    // Visits, in tree order, every node below Parent whose caption contains Folded, with its
    // rows from the roots (Path holds Parent's rows on entry and again on return).
    template <class Visit>
    void ForEachMatch(QTreeWidgetItem* Parent, QStringView Folded, std::vector<int>& Path, Visit& Visitor);

private:
    struct TBlock {
        // Each child's folded caption followed by a null character, which no text contains.
        std::vector<char16_t> Captions;
        std::vector<qsizetype> Starts;
        std::vector<int> Parents;
    };
    const TBlock& BlockOf(QTreeWidgetItem* Parent);
    static std::vector<int> MatchingRows(const TBlock& Block, QStringView Folded);
    // Drops the buffers of the children in rows First to Last and of everything below them.
    void DropSubtreesOf(const QTreeWidgetItem* Parent, int First, int Last);
    // Tells the block of Item's parent whether Item has children now.
    void SetHasRows(QTreeWidgetItem* Item, bool HasRows);
    void MakePendingBlocks();

    TTreeView* FTree;
    std::unordered_map<const QTreeWidgetItem*, TBlock> FBlocks;
    // Parents that got rows since the event loop was idle last; an invalid index is the tree's
    // root only while FRootPending says so (a removed parent's index turns invalid too).
    std::vector<QPersistentModelIndex> FPending;
    bool FRootPending = false;
    QTimer FIdle;
};

TTestNavigator::TFindIndex::TFindIndex(TTreeView* Tree) : QObject(Tree), FTree(Tree)
{
    const QAbstractItemModel* model = Tree->model();
    FIdle.setSingleShot(true);
    FIdle.setInterval(0);
    connect(&FIdle, &QTimer::timeout, this, [this] { MakePendingBlocks(); });
    connect(model, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex& Parent) {
        QTreeWidgetItem* item = FTree->ItemAt(Parent);
        FBlocks.erase(item);
        SetHasRows(item, true);
        // A long list comes a part at a time under one parent: it is noted once.
        if (!Parent.isValid())
            FRootPending = true;
        else if (FPending.empty() || FPending.back() != Parent)
            FPending.emplace_back(Parent);
        FIdle.start();
    });
    connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, this, [this](const QModelIndex& Parent, int First, int Last) {
        QTreeWidgetItem* item = FTree->ItemAt(Parent);
        DropSubtreesOf(item, First, Last);
        FBlocks.erase(item);
    });
    connect(model, &QAbstractItemModel::rowsRemoved, this, [this](const QModelIndex& Parent) {
        QTreeWidgetItem* item = FTree->ItemAt(Parent);
        if (item->childCount() == 0)
            SetHasRows(item, false);
    });
    connect(model, &QAbstractItemModel::dataChanged, this,
        [this](const QModelIndex& TopLeft, const QModelIndex&, const QList<int>& Roles) {
            if (Roles.isEmpty() || Roles.contains(Qt::DisplayRole) || Roles.contains(Qt::EditRole))
                FBlocks.erase(FTree->ItemAt(TopLeft.parent()));
        });
    const auto dropAll = [this] { FBlocks.clear(); };
    connect(model, &QAbstractItemModel::modelAboutToBeReset, this, dropAll);
    connect(model, &QAbstractItemModel::layoutAboutToBeChanged, this, dropAll);
    connect(model, &QAbstractItemModel::rowsAboutToBeMoved, this, dropAll);
}

template <class Visit>
void TTestNavigator::TFindIndex::ForEachMatch(QTreeWidgetItem* Parent, QStringView Folded, std::vector<int>& Path,
    Visit& Visitor)
{
    // Elements of an unordered map stay where they are while others are added below.
    const TBlock& block = BlockOf(Parent);
    const std::vector<int> matches = MatchingRows(block, Folded);
    const auto rowAt = [](const std::vector<int>& Rows, size_t Index) {
        return Index < Rows.size() ? Rows[Index] : std::numeric_limits<int>::max();
    };
    size_t match = 0, parent = 0;
    while (match < matches.size() || parent < block.Parents.size()) {
        const int row = std::min(rowAt(matches, match), rowAt(block.Parents, parent));
        QTreeWidgetItem* child = Parent->child(row);
        Path.push_back(row);
        if (rowAt(matches, match) == row) {
            Visitor(TTreeView::NodeOf(child), Path);
            ++match;
        }
        if (rowAt(block.Parents, parent) == row) {
            ForEachMatch(child, Folded, Path, Visitor);
            ++parent;
        }
        Path.pop_back();
    }
}

void TTestNavigator::TFindIndex::MakePendingBlocks()
{
    // Long work lets the event loop run while it adds rows a part at a time: a buffer made
    // then would be dropped by the next part and made again, over and over for a long list.
    if (LongWork::TLongWork::Current()) {
        FIdle.start();
        return;
    }
    if (std::exchange(FRootPending, false))
        BlockOf(FTree->invisibleRootItem());
    const std::vector<QPersistentModelIndex> pending = std::exchange(FPending, {});
    // A parent whose rows went again meanwhile gets none: only nodes with children have one.
    for (const QPersistentModelIndex& parent : pending)
        if (QTreeWidgetItem* item = parent.isValid() ? FTree->ItemAt(parent) : nullptr; item && item->childCount() > 0)
            BlockOf(item);
}

// One pass over the children, each caption folded straight into the buffer: every node is
// read once.
const TTestNavigator::TFindIndex::TBlock& TTestNavigator::TFindIndex::BlockOf(QTreeWidgetItem* Parent)
{
    const auto [at, made] = FBlocks.try_emplace(Parent);
    TBlock& block = at->second;
    if (!made)
        return block;
    const int count = Parent->childCount();
    const size_t typicalCaption = 24;
    block.Captions.reserve(static_cast<size_t>(count) * typicalCaption);
    block.Starts.reserve(static_cast<size_t>(count));
    for (int row = 0; row < count; ++row) {
        QTreeWidgetItem* child = Parent->child(row);
        const QString& caption = TTreeView::NodeOf(child)->Text();
        const size_t start = block.Captions.size();
        block.Starts.push_back(static_cast<qsizetype>(start));
        block.Captions.resize(start + static_cast<size_t>(caption.size()) + 1);
        *WriteFolded(block.Captions.data() + start, caption) = u'\0';
        if (child->childCount() > 0)
            block.Parents.push_back(row);
    }
    return block;
}

std::vector<int> TTestNavigator::TFindIndex::MatchingRows(const TBlock& Block, QStringView Folded)
{
    // The first character is looked for with the vector instructions of a character search,
    // and the rest compared where it stands: much faster than a search for the whole text.
    std::vector<int> rows;
    const QStringView captions(Block.Captions.data(), static_cast<qsizetype>(Block.Captions.size()));
    const QChar first = Folded.front();
    const QStringView rest = Folded.mid(1);
    qsizetype at = 0;
    while ((at = captions.indexOf(first, at)) >= 0) {
        if (!captions.mid(at + 1).startsWith(rest)) {
            ++at;
            continue;
        }
        const auto next = std::upper_bound(Block.Starts.begin(), Block.Starts.end(), at);
        rows.push_back(static_cast<int>(next - Block.Starts.begin()) - 1);
        at = next == Block.Starts.end() ? captions.size() : *next;
    }
    return rows;
}

// Only a node with children of its own can have a buffer: a long list of leaves costs no
// lookups.
void TTestNavigator::TFindIndex::DropSubtreesOf(const QTreeWidgetItem* Parent, int First, int Last)
{
    for (int row = First; row <= Last && !FBlocks.empty(); ++row)
        if (const QTreeWidgetItem* child = Parent->child(row); child->childCount() > 0) {
            FBlocks.erase(child);
            DropSubtreesOf(child, 0, child->childCount() - 1);
        }
}

void TTestNavigator::TFindIndex::SetHasRows(QTreeWidgetItem* Item, bool HasRows)
{
    if (Item == FTree->invisibleRootItem())
        return;
    QTreeWidgetItem* parent = Item->parent() ? Item->parent() : FTree->invisibleRootItem();
    const auto at = FBlocks.find(parent);
    if (at == FBlocks.end())
        return;
    std::vector<int>& parents = at->second.Parents;
    const int row = parent->indexOfChild(Item);
    const auto place = std::lower_bound(parents.begin(), parents.end(), row);
    const bool listed = place != parents.end() && *place == row;
    if (HasRows && !listed)
        parents.insert(place, row);
    else if (!HasRows && listed)
        parents.erase(place);
}

void TTestNavigator::CreateFindField()
{
    FFindIndex = new TFindIndex(TreeView1);
    Edit1 = new TEdit(this, Panel2);
    Edit1->setGeometry(2, TreeTop, TreeView1->width(), Edit1->sizeHint().height());
    Edit1->Hide();
    Edit1->installEventFilter(this);
    // The count stands at the field's right end, placed by the field's own align layout.
    Label1 = new TLabel(this, Edit1);
    Label1->SetAlign(alRight);
    // Left of the button "Искать в списке" at the field's end, which it would otherwise cover.
    Label1->setContentsMargins(0, 0, ListButtonWidth(), 0);
    connect(Edit1, &QLineEdit::textEdited, this, [this](const QString& Text) {
        Application::Guarded([&] { FindText(Text); });
    });
    FFindAction = AddPanelAction(QString(), QKeySequence::Find, [this] { ShowFindField(); });
    FListAction = AddPanelAction(QStringLiteral("Искать в списке"), QKeySequence(Qt::ALT | Qt::Key_Return),
        [this] { FindInList(Edit1->Text()); });
    FListAction->setIcon(style()->standardIcon(QStyle::SP_FileDialogContentsView));
    Edit1->addAction(FListAction, QLineEdit::TrailingPosition);
}

// An action of the tree's panel, its shortcut working in the tree and in the find field.
QAction* TTestNavigator::AddPanelAction(const QString& Text, const QKeySequence& Shortcut, std::function<void()> Run)
{
    auto* action = new QAction(Text, Panel2);
    action->setShortcut(Shortcut);
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    Panel2->addAction(action);
    connect(action, &QAction::triggered, this, [Run = std::move(Run)] { Application::Guarded(Run); });
    return action;
}

void TTestNavigator::SetFindEnabled(bool Enabled)
{
    FFindEnabled = Enabled;
    N4->SetVisible(Enabled);
    FFindAction->setEnabled(Enabled);
    FListAction->setEnabled(Enabled);
    if (!Enabled && !Edit1->isHidden())
        HideFindField();
}

void TTestNavigator::ShowFindField()
{
    if (!FFindEnabled)
        return;
    Edit1->Show();
    PlaceTree();
    Edit1->setFocus();
    Edit1->selectAll();
}

void TTestNavigator::HideFindField()
{
    Edit1->Hide();
    FFindScopeItem = -1;
    PlaceTree();
    TreeView1->setFocus();
}

void TTestNavigator::N4Click(TObject*)
{
    ShowFindField();
}

// The tree starts below the find field while it is shown, else below the history buttons.
void TTestNavigator::PlaceTree()
{
    const int top = Edit1->isHidden() ? TreeTop : Edit1->y() + Edit1->height() + 2;
    TreeView1->move(TreeView1->x(), top);
    Panel2Resize(Panel2);
}

// Esc hides the field; Enter and F3 find the next match, Shift+F3 the previous one, and
// Alt+Enter finds in the selected list. Whatever a find lets escape is shown in the default
// error box.
bool TTestNavigator::FindKeyPress(QKeyEvent* Event)
{
    const bool enter = Event->key() == Qt::Key_Return || Event->key() == Qt::Key_Enter;
    const bool shift = Event->modifiers().testFlag(Qt::ShiftModifier);
    std::function<void()> run;
    if (Event->key() == Qt::Key_Escape)
        run = [this] { HideFindField(); };
    else if (enter && Event->modifiers().testFlag(Qt::AltModifier))
        run = [this] { FListAction->trigger(); };
    else if (enter || (Event->key() == Qt::Key_F3 && !shift))
        run = [this] { FindNext(); };
    else if (Event->key() == Qt::Key_F3)
        run = [this] { FindPrevious(); };
    else
        return false;
    Application::Guarded(run);
    return true;
}

bool TTestNavigator::FindText(const QString& Text)
{
    FFindText = Text;
    if (Edit1->Text() != Text)
        Edit1->SetText(Text);
    return Find(TFindStep::Refine);
}

bool TTestNavigator::FindNext()
{
    return Find(TFindStep::Next);
}

bool TTestNavigator::FindPrevious()
{
    return Find(TFindStep::Previous);
}

bool TTestNavigator::FindInList(const QString& Text)
{
    const THeldNode list(TreeView1->Selected());
    if (TTreeNode* node = list.Get(); node && node->Count() == 0) {
        TBatchUpdate batch(TreeView1);
        bool allow = true;
        NodeExpanding(node, allow);
    }
    TTreeNode* node = list.Get();
    if (node)
        node->Expand(false);
    FFindScopeItem = node ? node->ItemId() : -1;
    FFindText = Text;
    Edit1->SetText(Text);
    return Find(TFindStep::Next);
}

// The list a find is kept in; null for the whole tree, also once that list is gone.
TTreeNode* TTestNavigator::FindScope() const
{
    return FFindScopeItem >= 0 ? TreeView1->Items()->FindByItemId(FFindScopeItem) : nullptr;
}

TTestNavigator::TFindMatches TTestNavigator::CollectMatches(const QString& Folded, TTreeNode* Scope) const
{
    TFindMatches matches;
    const TTreeNode* selected = TreeView1->Selected();
    const std::vector<int> selectedPath = PathOf(selected);
    std::vector<int> path = PathOf(Scope);
    const auto visit = [&](TTreeNode* Node, const std::vector<int>& Path) {
        if (Path < selectedPath)
            ++matches.Before;
        if (Node == selected)
            matches.SelectedMatches = true;
        matches.Nodes.push_back(Node);
    };
    FFindIndex->ForEachMatch(Scope ? static_cast<QTreeWidgetItem*>(Scope) : TreeView1->invisibleRootItem(), Folded,
        path, visit);
    return matches;
}

// One pass over the folded captions; the match chosen is selected as a click selects it.
bool TTestNavigator::Find(TFindStep Step)
{
    const QString folded = FoldedText(FFindText);
    if (folded.isEmpty()) {
        ShowFindResult(-1, -1);
        return false;
    }
    const TFindMatches matches = CollectMatches(folded, FindScope());
    const int count = static_cast<int>(matches.Nodes.size());
    if (count == 0) {
        ShowFindResult(-1, 0);
        return false;
    }
    const TTreeNode* selected = TreeView1->Selected();
    const bool refiningFound = Step == TFindStep::Refine && selected && selected->ItemId() == FFoundItem;
    int index = matches.Before;
    if (Step == TFindStep::Previous)
        --index;
    else if (matches.SelectedMatches && !refiningFound)
        ++index;
    index = (index % count + count) % count;
    TTreeNode* found = matches.Nodes[static_cast<size_t>(index)];
    ShowFindResult(index, count);
    FFoundItem = found->ItemId();
    found->MakeVisible();
    TreeView1->SetSelected(found);
    return true;
}

// "N из M" for the match at Position of Count; red when nothing matches, blank without text.
void TTestNavigator::ShowFindResult(int Position, int Count)
{
    Label1->SetCaption(Count > 0 ? QStringLiteral("%1 из %2").arg(Position + 1).arg(Count) : QString());
    Label1->setFixedWidth(Label1->sizeHint().width() + 4);
    Edit1->setTextMargins(0, 0, Label1->width() - ListButtonWidth(), 0);
    QPalette palette;
    if (Count == 0)
        palette.setColor(QPalette::Base, NothingFoundColor);
    Edit1->setPalette(palette);
}

} // namespace TestNav
