#pragma once
// A navigator for tests whose every operation does nothing: a test derives from it and
// overrides only the operations it watches.

#include "EClasses.h"

namespace TestSupport {

class TStubNavigator : public EClasses::TNavigator {
public:
    void Initialize() override {}
    void Unplug() override {}
    void Refresh() override {}
    void ActivateObject(TClass, TClass, qint64) override {}
    void ActivateObjectInstance(TClass, TClass, qint64) override {}
    void ActivateObjectInstanceWithParentObject(TClass, qint64, TClass, qint64, TTreeNode*) override {}
    void MakeVisibleObjectItsAndExpandChildren(TClass, qint64, TClass, qint64, TTreeNode*) override {}
    void RefreshObjectDependences(EClasses::TEntity*) override {}
    void RefreshClassObject(EClasses::TEntity*) override {}
    void RefreshNodeByAddingObject(TTreeNode*, qint64, const QString&) override {}
    void DeleteNode(TTreeNode*) override {}
    TTreeNode* AddNode(const QString&, const QString&, qint64, TTreeNode*) override { return nullptr; }
    void ChangeNode(TTreeNode*, const QString&) override {}
    TTreeNode* GetCurrentNode() override { return nullptr; }
    void NotifyObjectChanged(EClasses::TEntity*) override {}
    void RefreshNodeAfterContextChange(TTreeNode*) override {}
};

} // namespace TestSupport
