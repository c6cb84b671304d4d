#include "SchemaNavigator.h"

#include "Env.h"
#include "Exceptions.h"
#include "NavigatorManager.h"
#include "ObjectManager.h"
#include "TreeView.h"

namespace EntityTests {

TSchemaNavigator::TSchemaNavigator()
    : Tree(new TTreeView(this, this))
{
    FClassNames = new TStringList;
    NavigatorManager::CurrentNavigator = this;
    delete ObjectManager::Objects;
    ObjectManager::Objects = new ObjectManager::TEObjects;
}

TSchemaNavigator::~TSchemaNavigator()
{
    for (int i = Tree->Items()->RootCount() - 1; i >= 0; --i)
        FreeEntities(Tree->Items()->Root(i));
    Tree->Items()->Clear();
    FreeSchema();
    delete ObjectManager::Objects;
    ObjectManager::Objects = nullptr;
    NavigatorManager::CurrentNavigator = nullptr;
}

void TSchemaNavigator::FreeSchema()
{
    for (int i = 0; i < FClassNames->Count(); ++i) {
        auto* links = FClassNames->ObjectAs<TStringList>(i);
        for (int j = 0; j < links->Count(); ++j)
            delete links->Objects(j);
        delete links;
    }
    delete FClassNames;
    FClassNames = nullptr;
}

void TSchemaNavigator::Link(const QString& From, const QString& To, qint32 NavType, const QString& Parameter)
{
    int index = FClassNames->IndexOf(From);
    if (index < 0)
        index = FClassNames->AddObject(From, new TStringList);
    const int registered = Env::ClassNames->IndexOf(To);
    TClass successor = registered < 0 ? nullptr : static_cast<TClass>(Env::ClassNames->Objects(registered));
    FClassNames->ObjectAs<TStringList>(index)->AddObject(To, new EClasses::TEntityLink(To, successor, NavType, Parameter));
}

TTreeNode* TSchemaNavigator::AddEntityNode(TTreeNode* Parent, const QString& Caption, EClasses::TEntity* Entity)
{
    TTreeNode* node = Tree->Items()->AddChildObject(Parent, Caption, Entity);
    Entity->Node = node;
    return node;
}

TTreeNode* TSchemaNavigator::AddNode(const QString& ClassName, const QString& Name, qint64 ID, TTreeNode* ParentNode)
{
    const int registered = Env::ClassNames->IndexOf(ClassName);
    if (registered < 0)
        throw Exception(QStringLiteral("класс не зарегистрирован"));
    auto* entity = EClasses::CreateInstance(static_cast<TClass>(Env::ClassNames->Objects(registered)), ID, Name);
    return Tree->Items()->AddChildObject(ParentNode, Name, entity);
}

void TSchemaNavigator::FreeEntities(TTreeNode* Node)
{
    for (int i = Node->Count() - 1; i >= 0; --i)
        FreeEntities(Node->Item(i));
    ObjectManager::Objects->ReleaseNodeReferences(Node);
    delete Node->Data();
    Node->SetData(nullptr);
}

void TSchemaNavigator::DeleteNode(TTreeNode* Node)
{
    DeletedCaptions.push_back(Node->Text());
    FreeEntities(Node);
    Node->Delete();
    if (FailDeleting)
        throw Exception(QStringLiteral("узел не удалён"));
}

void TSchemaNavigator::ChangeNode(TTreeNode* Node, const QString& Text)
{
    Node->SetText(Text);
}

TTreeNode* TSchemaNavigator::GetCurrentNode()
{
    return Tree->Selected();
}

void TSchemaNavigator::RefreshNodeAfterContextChange(TTreeNode* Node)
{
    ContextRefreshes.push_back(Node);
}

} // namespace EntityTests
