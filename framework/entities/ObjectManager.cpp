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

void TNodeRefList::Add(const QString& ClassName, TTreeNode* Node, TTreeNode* Parent)
{
    const quint64 sequence = FNextSequence++;
    FEntries.emplace(sequence, TEntry{ClassName, Node, Parent});
    FByNode.emplace(Node, sequence);
    FByClass.emplace(ClassName, sequence);
    FByParent.emplace(Parent, sequence);
}

template <class Value>
const quint64* TNodeRefList::FirstOf(const TIndex<Value>& Index, const Value& Key) const
{
    auto found = Index.lower_bound({Key, 0});
    return found != Index.end() && found->first == Key ? &found->second : nullptr;
}

std::vector<quint64> TNodeRefList::SequencesOf(TTreeNode* Node) const
{
    std::vector<quint64> sequences;
    for (auto it = FByNode.lower_bound({Node, 0}); it != FByNode.end() && it->first == Node; ++it)
        sequences.push_back(it->second);
    return sequences;
}

void TNodeRefList::RemoveFirst(TTreeNode* Node)
{
    if (const quint64* sequence = FirstOf(FByNode, Node))
        Remove(*sequence);
}

void TNodeRefList::RemoveAll(TTreeNode* Node)
{
    for (quint64 sequence : SequencesOf(Node))
        Remove(sequence);
}

void TNodeRefList::RemoveAll(TTreeNode* Node, const QString& ClassName)
{
    for (quint64 sequence : SequencesOf(Node))
        if (FEntries.at(sequence).ClassName == ClassName)
            Remove(sequence);
}

void TNodeRefList::Remove(quint64 Sequence)
{
    auto found = FEntries.find(Sequence);
    const TEntry& entry = found->second;
    FByNode.erase({entry.Node, Sequence});
    FByClass.erase({entry.ClassName, Sequence});
    FByParent.erase({entry.Parent, Sequence});
    FEntries.erase(found);
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

void TObjectNodes::RemoveAll(const TTreeNode* Node, const QString* ClassName)
{
    for (qsizetype i = FEntries.size() - 1; i >= 0; --i)
        if (FEntries[i].Node == Node && (!ClassName || FEntries[i].ClassName == *ClassName))
            FEntries.remove(i);
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
    classMap->Add(QString(), Node, Node ? Node->Parent() : nullptr);
    FClassMapsOfNode.emplace(Node, classMap);
}

void TEObjects::ReleaseClassObjectReference(const QString& ClassName, TTreeNode* Node)
{
    TNodeRefList* classMap = ClassMap(ClassName);
    if (!classMap)
        return;
    classMap->RemoveFirst(Node);
    if (!classMap->Holds(Node))
        FClassMapsOfNode.erase({Node, classMap});
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

void TEObjects::ReserveObjectReferences(int Count)
{
    ObjectRefs.reserve(ObjectRefs.size() + Count);
    FObjectKeysOfNode.reserve(FObjectKeysOfNode.size() + Count);
}

void TEObjects::AddObjectReference(const QString& ClassName, qint64 ID, TTreeNode* Node)
{
    ObjectRefs[ID].Add(ClassName, Node);
    FObjectKeysOfNode[Node].append(ID);
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

// Removes the entries of Node (of one class, when given) under ID, the key when it empties,
// and the node's record of the key when it is no longer filed there.
void TEObjects::ReleaseObjectNode(qint64 ID, TTreeNode* Node, const QString* ClassName)
{
    TObjectNodes* list = ObjectList(ID);
    if (!list)
        return;
    list->RemoveAll(Node, ClassName);
    const bool stillFiled = list->Holds(Node);
    if (list->IsEmpty())
        ObjectRefs.remove(ID);
    if (stillFiled)
        return;
    auto keys = FObjectKeysOfNode.find(Node);
    if (keys == FObjectKeysOfNode.end())
        return;
    keys->removeIf([ID](qint64 Filed) { return Filed == ID; });
    if (keys->isEmpty())
        FObjectKeysOfNode.erase(keys);
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
    auto classMaps = FClassMapsOfNode.lower_bound({Node, nullptr});
    while (classMaps != FClassMapsOfNode.end() && classMaps->first == Node) {
        classMaps->second->RemoveAll(Node);
        classMaps = FClassMapsOfNode.erase(classMaps);
    }
    const QVarLengthArray<qint64, 1> ids = FObjectKeysOfNode.value(Node);
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
