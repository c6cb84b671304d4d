#include "ObjectManager.h"

#include "EClasses.h"
#include "Env.h"
#include "TreeView.h"
#include "UnitLifetime.h"

namespace ObjectManager {

TEObjects* Objects = nullptr;

namespace {

// A list key as the string lists compare keys: letter case ignored.
QString KeyOf(const QString& Text)
{
    return Text.toCaseFolded();
}

QString KeyOf(qint64 ID)
{
    return QString::number(ID);
}

template <class Index, class Key>
TTreeNode* FirstNodeOf(const Index& Map, const Key& Value, const std::map<quint64, TNodeRefList::TEntry>& Entries)
{
    auto found = Map.find(Value);
    if (found == Map.end())
        return nullptr;
    return Entries.at(*found->second.begin()).Node;
}

} // namespace

// --- TNodeRefList ---------------------------------------------------------------------------

void TNodeRefList::Add(const QString& ClassName, TTreeNode* Node, TTreeNode* Parent)
{
    const quint64 sequence = FNextSequence++;
    FEntries.emplace(sequence, TEntry{ClassName, Node, Parent});
    FByNode[Node].insert(sequence);
    FByClass[ClassName].insert(sequence);
    FByParent[Parent].insert(sequence);
}

TTreeNode* TNodeRefList::FirstOfClass(const QString& ClassName) const
{
    return FirstNodeOf(FByClass, ClassName, FEntries);
}

TTreeNode* TNodeRefList::FirstBelow(TTreeNode* Parent) const
{
    return FirstNodeOf(FByParent, Parent, FEntries);
}

void TNodeRefList::RemoveFirst(TTreeNode* Node)
{
    auto found = FByNode.find(Node);
    if (found != FByNode.end())
        Remove(*found->second.begin());
}

void TNodeRefList::RemoveAll(TTreeNode* Node)
{
    auto found = FByNode.find(Node);
    if (found == FByNode.end())
        return;
    const TSequences sequences = found->second;
    for (quint64 sequence : sequences)
        Remove(sequence);
}

void TNodeRefList::RemoveAll(TTreeNode* Node, const QString& ClassName)
{
    auto found = FByNode.find(Node);
    if (found == FByNode.end())
        return;
    const TSequences sequences = found->second;
    for (quint64 sequence : sequences)
        if (FEntries.at(sequence).ClassName == ClassName)
            Remove(sequence);
}

template <class Index, class Key>
void TNodeRefList::Unindex(Index& Map, const Key& Value, quint64 Sequence)
{
    auto found = Map.find(Value);
    found->second.erase(Sequence);
    if (found->second.empty())
        Map.erase(found);
}

void TNodeRefList::Remove(quint64 Sequence)
{
    auto found = FEntries.find(Sequence);
    const TEntry& entry = found->second;
    Unindex(FByNode, entry.Node, Sequence);
    Unindex(FByClass, entry.ClassName, Sequence);
    Unindex(FByParent, entry.Parent, Sequence);
    FEntries.erase(found);
}

// --- TEObjects ------------------------------------------------------------------------------

VEL_IMPLEMENT_CLASS(TEObjects)

TEObjects::TEObjects()
{
    for (int i = 0; i < Env::ClassNames->Count(); ++i) {
        ClassRefs.push_back(std::make_unique<TNodeRefList>());
        FClassIndex.emplace(KeyOf(Env::ClassNames->Strings(i)), ClassRefs.back().get());
    }
}

TEObjects::~TEObjects() = default;

TNodeRefList* TEObjects::ClassMap(const QString& ClassName) const
{
    auto found = FClassIndex.find(KeyOf(ClassName));
    return found == FClassIndex.end() ? nullptr : found->second;
}

TNodeRefList* TEObjects::ObjectList(const QString& Key) const
{
    auto found = ObjectRefs.find(Key);
    return found == ObjectRefs.end() ? nullptr : found->second.get();
}

void TEObjects::AddClassObjectReference(const QString& ClassName, const QString&, TTreeNode* Node)
{
    TNodeRefList* classMap = ClassMap(ClassName);
    if (!classMap)
        return;
    classMap->Add(QString(), Node, Node ? Node->Parent() : nullptr);
    FClassMapsOfNode[Node].insert(classMap);
}

void TEObjects::ReleaseClassObjectReference(const QString& ClassName, TTreeNode* Node)
{
    TNodeRefList* classMap = ClassMap(ClassName);
    if (!classMap)
        return;
    classMap->RemoveFirst(Node);
    if (classMap->Holds(Node))
        return;
    auto filed = FClassMapsOfNode.find(Node);
    if (filed == FClassMapsOfNode.end())
        return;
    filed->second.erase(classMap);
    if (filed->second.empty())
        FClassMapsOfNode.erase(filed);
}

TTreeNode* TEObjects::FindClassObjectReference(const QString& ClassName, TTreeNode* ParentNode) const
{
    TNodeRefList* classMap = ClassMap(ClassName);
    return classMap ? classMap->FirstBelow(ParentNode) : nullptr;
}

void TEObjects::FindClassObjectReferences(const QString& ClassName, TStringList* List) const
{
    if (TNodeRefList* classMap = ClassMap(ClassName))
        classMap->ForEach([List](int Position, const TNodeRefList::TEntry& Entry) {
            List->AddObject(QString::number(Position), Entry.Node);
        });
}

void TEObjects::AddObjectReference(const QString& ClassName, qint64 ID, TTreeNode* Node)
{
    const QString key = KeyOf(ID);
    std::unique_ptr<TNodeRefList>& list = ObjectRefs[key];
    if (!list)
        list = std::make_unique<TNodeRefList>();
    list->Add(ClassName, Node, nullptr);
    FObjectKeysOfNode[Node].insert(key);
}

TTreeNode* TEObjects::FindObjectReference(const QString& ClassName, qint64 ID, TTreeNode*) const
{
    TNodeRefList* list = ObjectList(KeyOf(ID));
    return list ? list->FirstOfClass(ClassName) : nullptr;
}

void TEObjects::FindObjectReferences(EClasses::TEntityInstance* Instance, TStringList* List) const
{
    TNodeRefList* list = ObjectList(KeyOf(Instance->ID));
    if (!list)
        return;
    const QString className = Instance->ClassName();
    list->ForEach([&](int Position, const TNodeRefList::TEntry& Entry) {
        if (Entry.ClassName == className)
            List->AddObject(QString::number(Position), Entry.Node);
    });
}

void TEObjects::ForgetObjectKeyIfReleased(const QString& Key, TNodeRefList* List, TTreeNode* Node)
{
    if (List->IsEmpty())
        ObjectRefs.erase(Key);
    else if (List->Holds(Node))
        return;
    auto filed = FObjectKeysOfNode.find(Node);
    if (filed == FObjectKeysOfNode.end())
        return;
    filed->second.erase(Key);
    if (filed->second.empty())
        FObjectKeysOfNode.erase(filed);
}

void TEObjects::ReleaseObjectReference(const QString& ClassName, qint64 ID, TTreeNode* Node)
{
    const QString key = KeyOf(ID);
    TNodeRefList* list = ObjectList(key);
    if (!list)
        return;
    list->RemoveAll(Node, ClassName);
    ForgetObjectKeyIfReleased(key, list, Node);
}

void TEObjects::ReleaseObjectNode(const QString& Key, TTreeNode* Node)
{
    TNodeRefList* list = ObjectList(Key);
    if (!list)
        return;
    list->RemoveAll(Node);
    ForgetObjectKeyIfReleased(Key, list, Node);
}

void TEObjects::ReleaseListObjectsReference(const QString&, TStringList* List)
{
    for (int i = 0; i < List->Count(); ++i)
        ReleaseObjectNode(KeyOf(List->Strings(i)), dynamic_cast<TTreeNode*>(List->Objects(i)));
}

void TEObjects::ReleaseNodeReferences(TTreeNode* Node)
{
    auto classMaps = FClassMapsOfNode.find(Node);
    if (classMaps != FClassMapsOfNode.end()) {
        for (TNodeRefList* classMap : classMaps->second)
            classMap->RemoveAll(Node);
        FClassMapsOfNode.erase(classMaps);
    }
    auto objectKeys = FObjectKeysOfNode.find(Node);
    if (objectKeys != FObjectKeysOfNode.end()) {
        const std::set<QString> keys = objectKeys->second;
        for (const QString& key : keys)
            ReleaseObjectNode(key, Node);
    }
}

// --- unit -----------------------------------------------------------------------------------

namespace {

// A registry the navigator left behind is freed with the unit.
void FreeObjects()
{
    delete Objects;
    Objects = nullptr;
}

TUnitLifetime Lifetime([] {}, FreeObjects);

} // namespace

void Initialize()
{
    Lifetime.Initialize();
}

void Finalize()
{
    Lifetime.Finalize();
}

} // namespace ObjectManager
