// The tree as the user left it: when the session stops, the paths of the expanded nodes and
// of the selected node, each as the class names and object IDs from a root down to it; at the
// next start those nodes are expanded and the node selected again through the activation's
// selection, what no longer exists skipped without a word.

#include "TestNav.h"
#include "TestNavPrivate.h"

#include "Env.h"
#include "NavigatorSettings.h"

#include <optional>

namespace TestNav {

namespace {

const QChar StepSeparator = QLatin1Char('/');
const QChar IdSeparator = QLatin1Char(':');

// An object's ID, or none for a class node.
std::optional<qint64> ObjectIdOf(const TEntity* Entity)
{
    if (const auto* instance = dynamic_cast<const EClasses::TEntityInstance*>(Entity))
        return instance->ID;
    if (const auto* container = dynamic_cast<const EClasses::TEntityContainer*>(Entity))
        return container->ID;
    return std::nullopt;
}

// A node's step: its class name, and for an object ":" and its ID ("TClientInstance:17").
QString StepOf(const TTreeNode* Node)
{
    const TEntity* entity = EntityOf(Node);
    if (!entity)
        return QString();
    const std::optional<qint64> id = ObjectIdOf(entity);
    return id ? entity->ClassName() + IdSeparator + QString::number(*id) : entity->ClassName();
}

} // namespace

// One step of a stored path, read back.
struct TTestNavigator::TPathStep {
    QString ClassName;
    std::optional<qint64> ID;

    explicit TPathStep(QStringView Text)
    {
        const qsizetype at = Text.lastIndexOf(IdSeparator);
        bool number = false;
        const qint64 id = at < 0 ? 0 : Text.mid(at + 1).toLongLong(&number);
        ClassName = (number ? Text.left(at) : Text).toString();
        if (number)
            ID = id;
    }

    bool Matches(const TTreeNode* Node) const
    {
        const TEntity* entity = EntityOf(Node);
        return entity && entity->ClassName() == ClassName && ObjectIdOf(entity) == ID;
    }
};

namespace {

// The expanded nodes from Node down (Node's own path is Path), the subtrees of collapsed
// nodes left out: they are not on show.
void CollectExpanded(TTreeNode* Node, const QString& Path, QStringList& Expanded)
{
    if (!Node->Expanded())
        return;
    Expanded.append(Path);
    for (int i = 0; i < Node->Count(); ++i)
        if (TTreeNode* child = Node->Item(i); child->Expanded())
            CollectExpanded(child, Path + StepSeparator + StepOf(child), Expanded);
}

QString PathOf(const TTreeNode* Node)
{
    QStringList steps;
    for (; Node; Node = Node->Parent())
        steps.prepend(StepOf(Node));
    return steps.join(StepSeparator);
}

} // namespace

void TTestNavigator::StoreTree()
{
    // A session whose navigator never started has no tree: what was stored before stays.
    if (TreeView1->Items()->RootCount() == 0 || !NavigatorSettings::RestoreTree())
        return;
    NavigatorSettings::TStoredTree tree;
    for (int i = 0; i < TreeView1->Items()->RootCount(); ++i) {
        TTreeNode* root = TreeView1->Items()->Root(i);
        CollectExpanded(root, StepOf(root), tree.Expanded);
    }
    tree.Selected = PathOf(TreeView1->Selected());
    NavigatorSettings::StoreTree(tree);
}

void TTestNavigator::RestoreTree()
{
    if (!NavigatorSettings::RestoreTree())
        return;
    const NavigatorSettings::TStoredTree tree = NavigatorSettings::StoredTree();
    if (tree.IsEmpty())
        return;
    TTreeOperation operation;
    int restored = 0;
    for (const QString& path : tree.Expanded) {
        if (TTreeNode* node = NodeOfPath(path)) {
            node->Expand(false);
            ++restored;
        }
    }
    TTreeNode* selected = tree.Selected.isEmpty() ? nullptr : NodeOfPath(tree.Selected);
    if (selected) {
        SelectAndShow(selected);
        ++restored;
    }
    const int stored = static_cast<int>(tree.Expanded.size()) + (tree.Selected.isEmpty() ? 0 : 1);
    // The widest panel the navigator writes to; the next selection shows its context there again.
    SetPanelText(Env::PrograssorPanel, QStringLiteral("Восстановлено: %1 из %2").arg(restored).arg(stored));
}

// The node a stored path leads to, the children on the way read as needed; null when a step
// is no longer there, or reading the children on the way failed.
TTreeNode* TTestNavigator::NodeOfPath(const QString& Path)
{
    TTreeNode* node = nullptr;
    try {
        for (QStringView step : QStringView(Path).split(StepSeparator)) {
            if (node && node->Count() == 0) {
                const THeldNode held(node);
                TBatchUpdate batch(TreeView1);
                Expand(node);
                node = held.Get();
            }
            node = ChildOfStep(node, TPathStep(step));
            if (!node)
                return nullptr;
        }
    } catch (...) {
        return nullptr;
    }
    return node;
}

// The first child of Parent (a root for none) that Step names.
TTreeNode* TTestNavigator::ChildOfStep(TTreeNode* Parent, const TPathStep& Step) const
{
    const int count = Parent ? Parent->Count() : TreeView1->Items()->RootCount();
    for (int i = 0; i < count; ++i) {
        TTreeNode* child = Parent ? Parent->Item(i) : TreeView1->Items()->Root(i);
        if (Step.Matches(child))
            return child;
    }
    return nullptr;
}

} // namespace TestNav
