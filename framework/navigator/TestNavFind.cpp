// Finding nodes by caption: the find field over the tree with its keys, and the search among
// the nodes that exist, one pass over them per keystroke.

#include "TestNav.h"
#include "TestNavPrivate.h"

#include "Controls.h"
#include "Menus.h"

#include <QAction>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPalette>
#include <QStyle>

#include <functional>

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

QString FoldedText(const QString& Text)
{
    QString folded(Text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < Text.size(); ++i)
        folded[i] = QChar(FoldedChar(Text[i]));
    return folded;
}

// Whether Caption contains the folded text Folded, the caption folded as it is read: no
// folded copy of any caption is made.
bool ContainsFolded(QStringView Caption, QStringView Folded)
{
    const qsizetype last = Caption.size() - Folded.size();
    for (qsizetype start = 0; start <= last; ++start) {
        qsizetype matched = 0;
        while (matched < Folded.size() && FoldedChar(Caption[start + matched]) == Folded[matched])
            ++matched;
        if (matched == Folded.size())
            return true;
    }
    return false;
}

// Visits every node below Parent in tree order, parents before their children.
template <class Visit>
void ForEachBelow(QTreeWidgetItem* Parent, Visit& Visitor)
{
    for (int i = 0; i < Parent->childCount(); ++i) {
        QTreeWidgetItem* child = Parent->child(i);
        Visitor(TTreeView::NodeOf(child));
        ForEachBelow(child, Visitor);
    }
}

} // namespace

// The matches of one pass, in tree order, and where the selected node stands among them.
struct TTestNavigator::TFindMatches {
    std::vector<TTreeNode*> Nodes;
    // How many matches come before the selected node, and whether it matches itself.
    int Before = 0;
    bool SelectedMatches = false;
};

void TTestNavigator::CreateFindField()
{
    Edit1 = new TEdit(this, Panel2);
    Edit1->setGeometry(2, TreeTop, TreeView1->width(), Edit1->sizeHint().height());
    Edit1->Hide();
    Edit1->installEventFilter(this);
    Label1 = new TLabel(this, Edit1);
    auto* layout = new QHBoxLayout(Edit1);
    layout->setContentsMargins(0, 0, 4, 0);
    layout->addStretch();
    layout->addWidget(Label1);
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

// The list a find is kept in, or the invisible root above the whole tree.
TTreeNode* TTestNavigator::FindScope() const
{
    return FFindScopeItem >= 0 ? TreeView1->Items()->FindByItemId(FFindScopeItem) : nullptr;
}

TTestNavigator::TFindMatches TTestNavigator::CollectMatches(const QString& Folded, TTreeNode* Scope) const
{
    TFindMatches matches;
    const TTreeNode* selected = TreeView1->Selected();
    const auto visit = [&](TTreeNode* Node) {
        const bool match = ContainsFolded(Node->Text(), Folded);
        if (Node == selected) {
            matches.Before = static_cast<int>(matches.Nodes.size());
            matches.SelectedMatches = match;
        }
        if (match)
            matches.Nodes.push_back(Node);
    };
    ForEachBelow(Scope ? static_cast<QTreeWidgetItem*>(Scope) : TreeView1->invisibleRootItem(), visit);
    return matches;
}

// One pass over the nodes; the match chosen is selected as a click selects it.
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
    Edit1->setTextMargins(0, 0, Label1->sizeHint().width() + 4, 0);
    QPalette palette;
    if (Count == 0)
        palette.setColor(QPalette::Base, NothingFoundColor);
    Edit1->setPalette(palette);
}

} // namespace TestNav
