#include "TreeView.h"

#include <gtest/gtest.h>

#include <set>

namespace {

TEST(TreeView, ExpandingAsksFirstAndARefusalKeepsTheNodeClosed)
{
    TTreeView tree;
    TTreeNode* lazy = tree.Items()->AddObject(QStringLiteral("Клиенты"), nullptr);
    lazy->SetHasChildren(true);
    EXPECT_TRUE(lazy->HasChildren());
    EXPECT_EQ(lazy->Count(), 0);

    std::vector<QString> asked;
    bool allow = false;
    tree.OnExpanding = [&](TTreeNode* node, bool& Allow) {
        asked.push_back(node->Text());
        Allow = allow;
        if (allow)
            tree.Items()->AddChildObject(node, QStringLiteral("Иванов"), nullptr);
    };
    lazy->Expand(false);
    EXPECT_FALSE(lazy->Expanded());
    EXPECT_EQ(lazy->Count(), 0);

    allow = true;
    lazy->Expand(false);
    EXPECT_TRUE(lazy->Expanded());
    ASSERT_EQ(lazy->Count(), 1);
    EXPECT_EQ(lazy->Item(0)->Parent(), lazy);
    EXPECT_EQ(asked.size(), 2u);

    // Expansion from the view itself (a click) is asked too, and undone when refused.
    lazy->Collapse(false);
    allow = false;
    tree.expandItem(lazy);
    EXPECT_FALSE(lazy->Expanded());
    EXPECT_EQ(asked.size(), 3u);
}

TEST(TreeView, TheCaptionFollowsEveryWayOfSettingIt)
{
    TTreeView tree;
    TTreeNode* node = tree.Items()->AddObject(QStringLiteral("Иванов"), nullptr);
    EXPECT_EQ(node->Text(), QStringLiteral("Иванов"));
    node->SetText(QStringLiteral("Петров"));
    EXPECT_EQ(node->Text(), QStringLiteral("Петров"));
    node->setData(0, Qt::EditRole, QStringLiteral("Сидоров"));
    EXPECT_EQ(node->Text(), QStringLiteral("Сидоров"));
    int changes = 0;
    QObject::connect(tree.model(), &QAbstractItemModel::dataChanged, [&changes] { ++changes; });
    tree.model()->setData(tree.model()->index(0, 0), QStringLiteral("Кузнецов"));
    EXPECT_EQ(node->Text(), QStringLiteral("Кузнецов"));
    // The view reads the caption back and is told of each change, only of a real one.
    EXPECT_EQ(tree.model()->data(tree.model()->index(0, 0)).toString(), QStringLiteral("Кузнецов"));
    EXPECT_EQ(node->text(0), QStringLiteral("Кузнецов"));
    node->SetText(QStringLiteral("Кузнецов"));
    EXPECT_EQ(changes, 1);
    // Other roles and columns leave it.
    node->setData(0, Qt::ToolTipRole, QStringLiteral("подсказка"));
    node->setText(1, QStringLiteral("второй столбец"));
    EXPECT_EQ(node->Text(), QStringLiteral("Кузнецов"));
}

TEST(TreeView, HandlesAreNeverReusedAndDeletedNodesAreNotFound)
{
    TTreeView tree;
    TTreeNode* root = tree.Items()->AddObject(QStringLiteral("root"), nullptr);
    std::vector<std::pair<QString, TObject*>> children;
    for (int i = 0; i < 1000; ++i)
        children.emplace_back(QString::number(i), nullptr);
    std::vector<TTreeNode*> added = tree.Items()->AddChildrenObjects(root, children);
    ASSERT_EQ(root->Count(), 1000);
    EXPECT_EQ(root->Item(999)->Text(), QStringLiteral("999"));
    EXPECT_EQ(tree.Items()->Count(), 1001);

    std::set<qint64> handles;
    for (TTreeNode* node : added)
        handles.insert(node->ItemId());
    const qint64 deletedHandle = added[10]->ItemId();
    added[10]->Delete();
    EXPECT_EQ(tree.Items()->FindByItemId(deletedHandle), nullptr);
    TTreeNode* fresh = tree.Items()->AddChildObject(root, QStringLiteral("new"), nullptr);
    EXPECT_EQ(handles.count(fresh->ItemId()), 0u);
    EXPECT_EQ(tree.Items()->FindByItemId(fresh->ItemId()), fresh);

    // Another tree's nodes, made in between, are not this tree's.
    TTreeView other;
    TTreeNode* stranger = other.Items()->AddObject(QStringLiteral("чужой"), nullptr);
    EXPECT_EQ(tree.Items()->FindByItemId(stranger->ItemId()), nullptr);
    EXPECT_EQ(other.Items()->FindByItemId(fresh->ItemId()), nullptr);

    const qint64 rootHandle = root->ItemId();
    root->DeleteChildren();
    EXPECT_EQ(tree.Items()->Count(), 1);
    tree.Items()->Clear();
    EXPECT_EQ(tree.Items()->FindByItemId(rootHandle), nullptr);
    EXPECT_EQ(tree.Items()->Count(), 0);
}

TEST(TreeView, SelectionReportsChangesAndVisibilityFollowsTheParents)
{
    TTreeView tree;
    TTreeNode* a = tree.Items()->AddObject(QStringLiteral("a"), nullptr);
    TTreeNode* b = tree.Items()->AddChildObject(a, QStringLiteral("b"), nullptr);
    TTreeNode* c = tree.Items()->InsertChildObject(a, 0, QStringLiteral("c"), nullptr);
    EXPECT_EQ(c->Index(), 0);
    EXPECT_EQ(c->GetNextSibling(), b);
    EXPECT_EQ(b->Level(), 1);
    EXPECT_FALSE(b->IsVisible());

    std::vector<TTreeNode*> changes;
    tree.OnChange = [&](TTreeNode* node) { changes.push_back(node); };
    b->MakeVisible();
    EXPECT_TRUE(b->IsVisible());
    b->SetSelected(true);
    EXPECT_TRUE(b->Selected());
    EXPECT_EQ(tree.Selected(), b);
    ASSERT_FALSE(changes.empty());
    EXPECT_EQ(changes.back(), b);
}

} // namespace
