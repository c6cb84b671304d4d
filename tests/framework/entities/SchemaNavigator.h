#pragma once
// A small navigator for the entity tests: a tree, a schema in FClassNames built link by link,
// and the node operations the entity model calls, with a record of the calls. While it lives
// it is the current navigator, and a fresh object reference registry is in place.

#include "EClasses.h"
#include "StubNavigator.h"

#include <QString>

#include <vector>

class TTreeView;

namespace EntityTests {

class TSchemaNavigator : public TestSupport::TStubNavigator {
public:
    TSchemaNavigator();
    ~TSchemaNavigator() override;

    // Appends the link From -> To to the schema (To's class as registered in Env::ClassNames).
    void Link(const QString& From, const QString& To, qint32 NavType = 0, const QString& Parameter = QString());
    // Adds a node carrying Entity below Parent (a root when Parent is null) and sets its Node.
    TTreeNode* AddEntityNode(TTreeNode* Parent, const QString& Caption, EClasses::TEntity* Entity);

    // Adds a node for a new instance of the class registered as ClassName.
    TTreeNode* AddNode(const QString& ClassName, const QString& Name, qint64 ID, TTreeNode* ParentNode) override;
    // Frees the entities below Node, then removes Node with its subtree.
    void DeleteNode(TTreeNode* Node) override;
    void ChangeNode(TTreeNode* Node, const QString& Text) override;
    TTreeNode* GetCurrentNode() override;
    void RefreshNodeAfterContextChange(TTreeNode* Node) override;


    TTreeView* Tree;
    std::vector<TTreeNode*> ContextRefreshes;
    std::vector<QString> DeletedCaptions;
    // When set, DeleteNode raises after its work (a navigator that fails to delete).
    bool FailDeleting = false;

private:
    void FreeEntities(TTreeNode* Node);
    void FreeSchema();
};

} // namespace EntityTests
