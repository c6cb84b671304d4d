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

// The ID a key text of a caller's list names; false for a text that is no decimal ID.
bool IDOf(const QString& Text, qint64& ID)
{
    bool converted = false;
    ID = Text.toLongLong(&converted);
    return converted;
}

} // namespace

// --- TNodeRefList ---------------------------------------------------------------------------

void TNodeRefList::Add(TTreeNode* Node, TTreeNode* Parent)
{
    const quint64 sequence = FBase + FEntries.size();
    FEntries.push_back(TEntry{Node, Parent, true});
    ++FLive;
    FByNode[Node].append(sequence);
    FByParent[Parent].append(sequence);
}

TTreeNode* TNodeRefList::FirstBelow(TTreeNode* Parent) const
{
    auto found = FByParent.constFind(Parent);
    return found == FByParent.constEnd() ? nullptr : EntryOf(found->front()).Node;
}

void TNodeRefList::RemoveFirst(TTreeNode* Node)
{
    auto found = FByNode.constFind(Node);
    if (found == FByNode.constEnd())
        return;
    Remove(found->front());
    DropDeadEntries();
}

void TNodeRefList::RemoveAll(TTreeNode* Node)
{
    const TSequences sequences = FByNode.value(Node);
    for (quint64 sequence : sequences)
        Remove(sequence);
    DropDeadEntries();
}

void TNodeRefList::Remove(quint64 Sequence)
{
    TEntry& entry = EntryOf(Sequence);
    Forget(FByNode, entry.Node, Sequence);
    Forget(FByParent, entry.Parent, Sequence);
    entry.Live = false;
    --FLive;
}

void TNodeRefList::Forget(TIndex& Index, TTreeNode* Key, quint64 Sequence)
{
    auto found = Index.find(Key);
    found->removeOne(Sequence);
    if (found->isEmpty())
        Index.erase(found);
}

// Skips the dead entries at the front and frees them once they fill half the list; renumbers
// when dead entries in the middle outnumber the living ones. Either costs O(1) per removal
// on average.
void TNodeRefList::DropDeadEntries()
{
    while (FHead < FEntries.size() && !FEntries[FHead].Live)
        ++FHead;
    if (FHead * 2 >= FEntries.size()) {
        FEntries.erase(FEntries.begin(), FEntries.begin() + static_cast<std::ptrdiff_t>(FHead));
        FBase += FHead;
        FHead = 0;
    }
    if (FEntries.size() > 64 && FLive * 2 < FEntries.size() - FHead)
        Renumber();
}

void TNodeRefList::Renumber()
{
    std::vector<TEntry> living;
    living.reserve(FLive);
    for (size_t i = FHead; i < FEntries.size(); ++i)
        if (FEntries[i].Live)
            living.push_back(FEntries[i]);
    FEntries.clear();
    FByNode.clear();
    FByParent.clear();
    FBase = 0;
    FHead = 0;
    FLive = 0;
    for (const TEntry& entry : living)
        Add(entry.Node, entry.Parent);
}

// --- TObjectNodes ---------------------------------------------------------------------------

bool TObjectNodes::Holds(const TTreeNode* Node) const
{
    for (const TEntry& entry : FEntries)
        if (entry.Node == Node)
            return true;
    return false;
}

TTreeNode* TObjectNodes::FirstOfClass(const QString& ClassName) const
{
    for (const TEntry& entry : FEntries)
        if (entry.ClassName == ClassName)
            return entry.Node;
    return nullptr;
}

qsizetype TObjectNodes::RemoveAll(const TTreeNode* Node, const QString* ClassName)
{
    const qsizetype before = FEntries.size();
    for (qsizetype i = FEntries.size() - 1; i >= 0; --i)
        if (FEntries[i].Node == Node && (!ClassName || FEntries[i].ClassName == *ClassName))
            FEntries.remove(i);
    return before - FEntries.size();
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
    if (ClassName == FLastClassName && !FLastClassName.isNull())
        return FLastClassMap;
    auto found = FClassIndex.find(KeyOf(ClassName));
    FLastClassName = ClassName;
    FLastClassMap = found == FClassIndex.end() ? nullptr : found->second;
    return FLastClassMap;
}

TObjectNodes* TEObjects::ObjectList(qint64 ID) const
{
    auto found = ObjectRefs.constFind(ID);
    return found == ObjectRefs.constEnd() ? nullptr : const_cast<TObjectNodes*>(&found.value());
}

void TEObjects::AddClassObjectReference(const QString& ClassName, const QString&, TTreeNode* Node)
{
    TNodeRefList* classMap = ClassMap(ClassName);
    if (!classMap)
        return;
    classMap->Add(Node, Node ? Node->Parent() : nullptr);
    auto& classMaps = FClassMapsOfNode[Node];
    if (!classMaps.contains(classMap))
        classMaps.append(classMap);
}

void TEObjects::ReleaseClassObjectReference(const QString& ClassName, TTreeNode* Node)
{
    TNodeRefList* classMap = ClassMap(ClassName);
    if (!classMap)
        return;
    classMap->RemoveFirst(Node);
    if (classMap->Holds(Node))
        return;
    auto classMaps = FClassMapsOfNode.find(Node);
    if (classMaps == FClassMapsOfNode.end())
        return;
    classMaps->removeOne(classMap);
    if (classMaps->isEmpty())
        FClassMapsOfNode.erase(classMaps);
}

TTreeNode* TEObjects::FindClassObjectReference(const QString& ClassName, TTreeNode* ParentNode) const
{
    TNodeRefList* classMap = ClassMap(ClassName);
    return classMap ? classMap->FirstBelow(ParentNode) : nullptr;
}

void TEObjects::FindClassObjectReferences(const QString& ClassName, TStringList* List) const
{
    if (TNodeRefList* classMap = ClassMap(ClassName))
        classMap->ForEach([List](int Position, TTreeNode* Node) { List->AddObject(QString::number(Position), Node); });
}

void TEObjects::ReserveObjectReferences(int Count)
{
    ObjectRefs.reserve(ObjectRefs.size() + Count);
    FObjectKeysOfNode.reserve(FObjectKeysOfNode.size() + Count);
}

void TEObjects::AddObjectReference(const QString& ClassName, qint64 ID, TTreeNode* Node)
{
    ObjectRefs[ID].Add(ClassName, Node);
    ++FObjectReferenceCount;
    RecordKeyOfNode(Node, ID);
}

TTreeNode* TEObjects::FindObjectReference(const QString& ClassName, qint64 ID, TTreeNode*) const
{
    TObjectNodes* list = ObjectList(ID);
    return list ? list->FirstOfClass(ClassName) : nullptr;
}

void TEObjects::FindObjectReferences(EClasses::TEntityInstance* Instance, TStringList* List) const
{
    TObjectNodes* list = ObjectList(Instance->ID);
    if (!list)
        return;
    const QString className = Instance->ClassName();
    const auto& entries = list->Entries();
    for (qsizetype i = 0; i < entries.size(); ++i)
        if (entries[i].ClassName == className)
            List->AddObject(QString::number(i), entries[i].Node);
}

// Removes the entries of Node (of one class, when given) under ID and the key when it
// empties. The node's record of the key stays: it only tells ReleaseNodeReferences where to
// look, and is dropped with the node or when such leftovers outnumber the references.
void TEObjects::ReleaseObjectNode(qint64 ID, TTreeNode* Node, const QString* ClassName)
{
    TObjectNodes* list = ObjectList(ID);
    if (!list)
        return;
    FObjectReferenceCount -= list->RemoveAll(Node, ClassName);
    if (list->IsEmpty())
        ObjectRefs.remove(ID);
    DropLeftoverKeysOfNodes();
}

// Makes the nodes' records of their keys anew from the references once there are many times
// more records than references: the work is paid for by the releases since the last time.
void TEObjects::DropLeftoverKeysOfNodes()
{
    if (FObjectReferenceCount == 0) {
        FObjectKeysOfNode.clear();
        return;
    }
    if (FObjectKeysOfNode.size() <= 8 * FObjectReferenceCount + 1024)
        return;
    FObjectKeysOfNode.clear();
    for (auto it = ObjectRefs.cbegin(); it != ObjectRefs.cend(); ++it)
        for (const TObjectNodes::TEntry& entry : it->Entries())
            RecordKeyOfNode(entry.Node, it.key());
}

void TEObjects::RecordKeyOfNode(TTreeNode* Node, qint64 ID)
{
    auto& keys = FObjectKeysOfNode[Node];
    if (!keys.contains(ID))
        keys.append(ID);
}

void TEObjects::ReleaseObjectReference(const QString& ClassName, qint64 ID, TTreeNode* Node)
{
    ReleaseObjectNode(ID, Node, &ClassName);
}

void TEObjects::ReleaseObjectNodes(const std::vector<std::pair<qint64, TTreeNode*>>& Nodes)
{
    for (const auto& [id, node] : Nodes)
        ReleaseObjectNode(id, node);
}

void TEObjects::ReleaseListObjectsReference(const QString&, TStringList* List)
{
    qint64 id = 0;
    for (int i = 0; i < List->Count(); ++i)
        if (IDOf(List->Strings(i), id))
            ReleaseObjectNode(id, static_cast<TTreeNode*>(List->Objects(i)));
}

void TEObjects::ReleaseNodeReferences(TTreeNode* Node)
{
    const QVarLengthArray<TNodeRefList*, 1> classMaps = FClassMapsOfNode.take(Node);
    for (TNodeRefList* classMap : classMaps)
        classMap->RemoveAll(Node);
    const QVarLengthArray<qint64, 1> ids = FObjectKeysOfNode.take(Node);
    for (qint64 id : ids)
        ReleaseObjectNode(id, Node);
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
