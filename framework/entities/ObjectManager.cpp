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
    return found == ObjectRefs.end() ? nullptr : const_cast<TNodeRefList*>(&found->second);
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

void TEObjects::AddObjectReference(const QString& ClassName, qint64 ID, TTreeNode* Node)
{
    const QString key = KeyOf(ID);
    ObjectRefs[key].Add(ClassName, Node, nullptr);
    FObjectKeysOfNode.emplace(Node, key);
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
    FObjectKeysOfNode.erase({Node, Key});
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
    auto classMaps = FClassMapsOfNode.lower_bound({Node, nullptr});
    while (classMaps != FClassMapsOfNode.end() && classMaps->first == Node) {
        classMaps->second->RemoveAll(Node);
        classMaps = FClassMapsOfNode.erase(classMaps);
    }
    std::vector<QString> keys;
    for (auto it = FObjectKeysOfNode.lower_bound({Node, QString()}); it != FObjectKeysOfNode.end() && it->first == Node; ++it)
        keys.push_back(it->second);
    for (const QString& key : keys)
        ReleaseObjectNode(key, Node);
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
