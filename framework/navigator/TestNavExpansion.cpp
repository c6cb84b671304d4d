// The navigator's lazy tree: making the children of a node from the navigation schema and
// the database, removing them again, and the node maintenance plug-ins call.

#include "TestNav.h"
#include "TestNavPrivate.h"

#include "Env.h"
#include "Exceptions.h"
#include "ObjectManager.h"
#include "StatusBar.h"

#include <QElapsedTimer>
#include <QTime>

#include <algorithm>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace TestNav {

using EClasses::TEntityChildList;
using EClasses::TEntityClass;
using EClasses::TEntityContainer;
using EClasses::TEntityInstance;

namespace {

// The class registered under Name and its position in Env::ClassNames; raises when the
// class is not (or no longer) registered.
std::pair<TClass, int> RegisteredClass(const QString& Name)
{
    const int index = Env::ClassNames->IndexOf(Name);
    if (index < 0)
        throw Exception(QStringLiteral("Класс ") + Name + QStringLiteral(" не зарегистрирован"));
    return {Env::ClassNames->ObjectAs<TMetaClass>(index), index};
}

// The ID of the object an instance or a container stands for; false for class nodes.
bool ObjectIDOf(const TEntity* Entity, qint64& ID)
{
    if (const auto* instance = dynamic_cast<const TEntityInstance*>(Entity)) {
        ID = instance->ID;
        return true;
    }
    if (const auto* container = dynamic_cast<const TEntityContainer*>(Entity)) {
        ID = container->ID;
        return true;
    }
    return false;
}

// The rows a class or container node lists; an instance node lists nothing.
void ReadChildren(TEntity* Parent, TEntityChildList* List)
{
    if (auto* classEntity = dynamic_cast<TEntityClass*>(Parent))
        classEntity->GetChildList(List);
    else if (auto* container = dynamic_cast<TEntityContainer*>(Parent))
        container->GetChildList(List);
}

// The making of a list's children as long work: a stop asked for meanwhile ends it at the
// next row, and the children made so far stay. Rows read before a stop during the reading
// are all made, as after a read error.
class TStoppableMaking {
public:
    explicit TStoppableMaking(int Rows) : FWork(Rows), FReadingStopped(FWork.Stopped()) {}
    ~TStoppableMaking()
    {
        if (FWork.Stopped())
            FWork.SetStoppedText(QStringLiteral("Прервано пользователем: прочитано %1 из %2").arg(FMade).arg(FWork.Total()));
    }
    TStoppableMaking(const TStoppableMaking&) = delete;
    TStoppableMaking& operator=(const TStoppableMaking&) = delete;

    bool Stopped() const { return FWork.Stopped(); }
    // Whether the row Row is made.
    bool Goes(int Row)
    {
        if (!FReadingStopped && !FWork.Step())
            return false;
        FMade = Row + 1;
        return true;
    }

private:
    LongWork::TLongWork FWork;
    bool FReadingStopped;
    int FMade = 0;
};

} // namespace

// Children of one list link made one after the other and added to the tree together, which
// is much faster for long lists. Whatever was made when a plug-in's code fails still gets
// its node.
struct TTestNavigator::TChildBatch {
    static constexpr size_t PartSize = 1024;
    TTestNavigator* Navigator;
    TTreeNode* Parent;
    QString ClassName;
    bool WithChildren;
    std::vector<std::pair<QString, TObject*>> Children;
    std::vector<TEntity*> Entities;
    std::vector<qint64> IDs;

    void Reserve(int Count)
    {
        ObjectManager::Objects->ReserveObjectReferences(static_cast<size_t>(Count));
        const size_t part = std::min(static_cast<size_t>(Count), PartSize);
        Children.reserve(part);
        Entities.reserve(part);
        IDs.reserve(part);
    }

    void Add(std::unique_ptr<TEntity> Child, const QString& Caption, qint64 ID)
    {
        Entities.push_back(Child.get());
        Children.emplace_back(Caption, Child.release());
        IDs.push_back(ID);
    }

    // Long lists go into the tree a part at a time, so that the screen is repainted in between
    // and a stop leaves little to add.
    void FlushWhenFull()
    {
        if (Children.size() >= PartSize)
            Flush();
    }

    void Flush()
    {
        const std::vector<TTreeNode*> nodes =
            Navigator->TreeView1->Items()->AddChildrenObjects(Parent, Children, WithChildren);
        for (size_t i = 0; i < nodes.size(); ++i)
            Entities[i]->Node = nodes[i];
        ObjectManager::Objects->AddObjectReferences(ClassName, IDs, nodes);
        Children.clear();
        Entities.clear();
        IDs.clear();
    }
};

// --- making children ------------------------------------------------------------------------

TStringList* LinkListOf(TStringList* Lists, const QString& ClassName)
{
    const int index = Lists ? Lists->IndexOf(ClassName) : -1;
    return index < 0 ? nullptr : Lists->ObjectAs<TStringList>(index);
}

bool TTestNavigator::HasLinks(TContextInfo* Record, const QString& ClassName) const
{
    const TStringList* links = LinkListOf(Record->ClassLinks, ClassName);
    return links && links->Count() > 0;
}

void TTestNavigator::InitChild(TEntity* Parent, TEntity* Child)
{
    Child->ParentCondition = Parent->Condition;
    Child->AfterCreate();
    Child->InheritedContext = Parent->Context;
    Child->SetContext(InheritContext(Parent->Context, Child->Context));
}

void TTestNavigator::NodeExpanding(TTreeNode* Node, bool& AllowExpansion)
{
    TTreeOperation operation;
    Env::TProgressText progress(QStringLiteral("Раскрытие узла: поиск потомков"));
    TEntity* parent = EntityOf(Node);
    if (Node->Count() > 0 || !parent)
        return;
    TContextInfo* record = FindContextRecord(parent->Context->Name);
    if (!record)
        return;
    TStringList* links = LinkListOf(record->ClassLinks, parent->ClassName());
    if (!links || links->Count() == 0) {
        Node->SetHasChildren(false);
        AllowExpansion = false;
        return;
    }
    for (int i = 0; i < links->Count() && !LongWork::TLongWork::StopAsked(); ++i)
        ExpandLink(Node, parent, record, links->ObjectAs<TEntityLink>(i));
}

void TTestNavigator::NodeExpandingCheck(TTreeNode*, TStringList*)
{
}

void TTestNavigator::ExpandLink(TTreeNode* Node, TEntity* Parent, TContextInfo* Record, TEntityLink* Link)
{
    const auto [entityClass, index] = RegisteredClass(Link->LinkClassName);
    const QString caption = Env::ClassString->Strings(index);
    if (Link->NavType == ListLink) {
        MakeListChildren(Node, Parent, Record, entityClass, Link);
        return;
    }
    std::unique_ptr<TEntity> child;
    qint64 parentID = 0;
    if (Link->NavType == FilteredClassLink) {
        if (!ObjectIDOf(Parent, parentID))
            return;
        child.reset(EClasses::CreateEntity(entityClass, Link->Parameter + QLatin1Char('=') + QString::number(parentID), nullptr));
    } else if (EClasses::IsContainerClass(entityClass)) {
        child.reset(EClasses::CreateContainer(entityClass, 0, Link->LinkClassName, Link->Parameter));
    } else {
        child.reset(EClasses::CreateEntity(entityClass, Link->Parameter, nullptr));
    }
    InitChild(Parent, child.get());
    if (!child->IsVisible())
        return;
    TEntity* entity = child.release();
    TTreeNode* node = TreeView1->Items()->AddChildObject(Node, caption, entity, HasLinks(Record, entityClass->ClassName()));
    entity->Node = node;
    ObjectManager::Objects->AddClassObjectReference(entityClass->ClassName(), QString(), node);
}

// One child per row the parent lists: instances, or containers configured by the link.
void TTestNavigator::MakeListChildren(TTreeNode* Node, TEntity* Parent, TContextInfo* Record, TClass EntityClass,
    TEntityLink* Link)
{
    std::function<TEntity*(qint64, const QString&)> make;
    if (EClasses::IsInstanceClass(EntityClass))
        make = [&construct = EntityClass->Constructor<TEntityInstance, qint64, QString>()](qint64 ID, const QString& Name) {
            return construct(ID, Name);
        };
    else if (EClasses::IsContainerClass(EntityClass))
        make = [&construct = EntityClass->Constructor<TEntityContainer, qint64, QString, QString>(), Link](
                   qint64 ID, const QString& Name) { return construct(ID, Name, Link->Parameter); };
    else
        return;
    TEntityChildList rows;
    ReadChildren(Parent, &rows);
    TChildBatch batch{this, Node, EntityClass->ClassName(), HasLinks(Record, EntityClass->ClassName()), {}, {}, {}};
    batch.Reserve(rows.Count());
    TStoppableMaking making(rows.Count());
    try {
        for (int i = 0; i < rows.Count() && making.Goes(i); ++i) {
            const qint64 id = rows.GetID(i);
            const QString name = rows.GetName(i);
            std::unique_ptr<TEntity> child(make(id, name));
            InitChild(Parent, child.get());
            if (child->IsVisible())
                batch.Add(std::move(child), name, id);
            batch.FlushWhenFull();
        }
    } catch (...) {
        batch.Flush();
        throw;
    }
    batch.Flush();
    if (making.Stopped())
        rows.ClearInBackground();
}

// --- the tree's events ----------------------------------------------------------------------

void TTestNavigator::TreeView1Expanding(TObject*, TTreeNode* Node, bool& AllowExpansion)
{
    TTreeOperation operation;
    Env::ShowProgress(QStringLiteral("Раскрывается узел"));
    SetPanelText(Env::AdditionalPanel, QString());
    QElapsedTimer timer;
    timer.start();
    NodeExpanding(Node, AllowExpansion);
    Node->SetHasChildren(true);
    // Long lists are marked with the screen repainted in between. After a stop the children
    // kept stay as they were made (with the expand button where the schema leads further),
    // so that the stop takes effect at once.
    LongWork::TLongWork marking(Node->Count());
    for (int i = 0; i < Node->Count() && marking.Step(); ++i)
        Node->Item(i)->SetHasChildren(true);
    Env::ShowProgress(QString());
    SetPanelText(Env::AdditionalPanel, ElapsedText(timer));
}

void TTestNavigator::TreeView1Collapsed(TObject*, TTreeNode*)
{
    Env::ShowProgress(QString());
}

void TTestNavigator::Panel2Resize(TObject*)
{
    const int width = Panel2->width();
    TreeView1->setGeometry(TreeView1->x(), TreeView1->y(), width - 5, std::max(0, Panel2->height() - TreeView1->y() - 2));
    // The history buttons and the combo box keep their distance from the right edge.
    SpeedButton1->move(width - 52, SpeedButton1->y());
    SpeedButton2->move(width - 28, SpeedButton2->y());
    ComboBox1->resize(std::max(0, width - 60), ComboBox1->height());
    Edit1->resize(width - 5, Edit1->height());
}

// --- removing children ----------------------------------------------------------------------

TTestNavigator::TNodeRemoval::~TNodeRemoval()
{
    if (--FNavigator->FRemovingNodes == 0)
        FNavigator->QueueSelectionSync();
}

// Children are released from the registry level by level, the deepest first; the instance
// children of one level at once, before the nodes go (the registry looks at them).
void TTestNavigator::NodeCollapsing(TTreeNode* Node)
{
    TNodeRemoval removal(this);
    Env::TProgressText progress(QStringLiteral("Идет обработка..."));
    std::vector<std::pair<qint64, TTreeNode*>> instances;
    for (int i = Node->Count() - 1; i >= 0; --i) {
        TTreeNode* child = Node->Item(i);
        if (child->Count() > 0)
            NodeCollapsing(child);
        if (auto* instance = child->DataAs<TEntityInstance>())
            instances.emplace_back(instance->ID, child);
        else
            ObjectManager::Objects->ReleaseNodeReferences(child);
    }
    ObjectManager::Objects->ReleaseObjectNodes(instances);
    for (int i = Node->Count() - 1; i >= 0; --i)
        FreeEntityOf(Node->Item(i));
    Node->DeleteChildren();
    Node->SetHasChildren(true);
}

// Frees a node's entity before the node goes: its form is taken down when it is on show,
// and nothing of the navigator names the node afterwards.
void TTestNavigator::FreeEntityOf(TTreeNode* Node)
{
    ForgetRemovedNode(Node);
    ReleaseEntityOf(Node);
}

void TTestNavigator::ReleaseEntityOf(TTreeNode* Node)
{
    TEntity* entity = EntityOf(Node);
    if (entity && entity->Form && entity->Form->Entity == entity)
        entity->Form->Entity = nullptr;
    delete entity;
    Node->SetData(nullptr);
}

// The navigator stops naming the node before anything lets messages run (taking its form
// down paints a status text).
void TTestNavigator::ForgetRemovedNode(TTreeNode* Node)
{
    if (Node == FLastNode)
        FLastNode = nullptr;
    if (Node == FFormNode) {
        FFormNode = nullptr;
        Env::CurrentObject = nullptr;
        ++FShowings;
        HideNavigatorForm();
    }
}

// --- node maintenance -----------------------------------------------------------------------

TTreeNode* TTestNavigator::AddNode(const QString& ClassName, const QString& Name, qint64 ID, TTreeNode* ParentNode)
{
    TTreeNode* node = nullptr;
    try {
        TTreeOperation operation;
        TBatchUpdate batch(TreeView1);
        Env::TProgressText progress(QStringLiteral("Добавляется узел..."));
        const TClass entityClass = RegisteredClass(ClassName).first;
        TEntity* parent = EntityOf(ParentNode);
        if (!parent)
            throw Exception(QStringLiteral("Узел-предок не задан или не несёт объекта"));
        TContextInfo* record = FindContextRecord(parent->Context->Name);
        if (!record)
            return nullptr;
        TEntity* entity = nullptr;
        if (EClasses::IsContainerClass(entityClass))
            entity = EClasses::CreateContainer(entityClass, ID, Name, LinkTo(record, parent->ClassName(), ClassName)->Parameter);
        else if (EClasses::IsInstanceClass(entityClass))
            entity = EClasses::CreateInstance(entityClass, ID, Name);
        else
            return nullptr;
        node = TreeView1->Items()->AddChildObject(ParentNode, Name, entity);
        entity->InheritedContext = parent->Context;
    } catch (...) {
        ShowMessage(QStringLiteral("Ошибка добавления узла"));
    }
    return node;
}

// The link from a class to a successor in a context's schema; raises when there is none.
TEntityLink* TTestNavigator::LinkTo(TContextInfo* Record, const QString& From, const QString& To) const
{
    TStringList* links = LinkListOf(Record->ClassLinks, From);
    const int index = links ? links->IndexOf(To) : -1;
    if (index < 0)
        throw Exception(QStringLiteral("Нет связи ") + From + QStringLiteral(" -> ") + To);
    return links->ObjectAs<TEntityLink>(index);
}

void TTestNavigator::DeleteNode(TTreeNode* Node)
{
    try {
        TNodeRemoval removal(this);
        // The caller has freed the node's entity: only the navigator's own record of it goes,
        // before the status text lets messages run.
        ForgetRemovedNode(Node);
        Node->SetData(nullptr);
        const THeldNode held(Node);
        TBatchUpdate batch(TreeView1);
        Env::TProgressText progress(QStringLiteral("Удаляется узел..."));
        if (!(Node = held.Get()))
            return;
        NodeCollapsing(Node);
        Node->Delete();
    } catch (...) {
        ShowMessage(QStringLiteral("Ошибка удаления узла"));
    }
}

void TTestNavigator::ChangeNode(TTreeNode* Node, const QString& Text)
{
    TBatchUpdate batch(TreeView1);
    Node->SetText(Text);
}

void TTestNavigator::RefreshNodeByAddingObject(TTreeNode* Node, qint64 ID, const QString& Name)
{
    TTreeOperation operation;
    TEntity* parent = EntityOf(Node);
    TContextInfo* record = parent ? FindContextRecord(parent->Context->Name) : nullptr;
    TStringList* links = record ? LinkListOf(record->ClassLinks, parent->ClassName()) : nullptr;
    if (!links)
        return;
    for (int i = 0; i < links->Count(); ++i) {
        auto* link = links->ObjectAs<TEntityLink>(i);
        if (link->NavType != ListLink)
            continue;
        const TClass entityClass = RegisteredClass(link->LinkClassName).first;
        TEntity* child = nullptr;
        if (EClasses::IsInstanceClass(entityClass))
            child = EClasses::CreateInstance(entityClass, ID, Name);
        else if (EClasses::IsContainerClass(entityClass))
            child = EClasses::CreateContainer(entityClass, ID, Name, link->Parameter);
        else
            continue;
        TTreeNode* node = TreeView1->Items()->AddChildObject(Node, Name, child, HasLinks(record, entityClass->ClassName()));
        child->Node = node;
        InitChild(parent, child);
        ObjectManager::Objects->AddObjectReference(entityClass->ClassName(), ID, node);
    }
}

TTreeNode* TTestNavigator::GetCurrentNode()
{
    return TreeView1->Selected();
}

} // namespace TestNav
