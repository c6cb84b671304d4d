#include "ObjectManager.h"

#include "EClasses.h"
#include "Env.h"
#include "TreeView.h"
#include "UnitLifetime.h"

#include <algorithm>
#include <utility>

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

// --- TRecordTable --------------------------------------------------------------------------

namespace {

// Filled to at most three quarters: probes stay short.
size_t CapacityFor(size_t Count)
{
    return std::max<size_t>(8, Count + Count / 3 + 1);
}

} // namespace

// Fibonacci hashing spreads sequential IDs and aligned pointers alike; the product's high
// half maps the hash onto any capacity.
size_t TRecordTable::HomeOf(quint64 Key) const
{
    const quint64 hash = Key * 0x9E3779B97F4A7C15ULL;
    return static_cast<size_t>((static_cast<unsigned __int128>(hash) * FSlots.size()) >> 64);
}

void TRecordTable::Reserve(size_t Count)
{
    const size_t capacity = CapacityFor(FCount + Count);
    if (capacity > FSlots.size())
        Resize(capacity);
}

void TRecordTable::Add(quint64 Key, quint64 Value, quint32 Tag)
{
    if (CapacityFor(FCount + 1) > FSlots.size())
        Resize(CapacityFor(2 * FCount + 1));
    Place(TRecord{Key, Value, Tag, 1});
    ++FCount;
}

void TRecordTable::Clear()
{
    FSlots.clear();
    FCount = 0;
}

void TRecordTable::Place(const TRecord& Record)
{
    size_t slot = HomeOf(Record.Key);
    while (FSlots[slot].Used)
        slot = Next(slot);
    FSlots[slot] = Record;
}

// Re-files the records in probe order, starting behind an empty slot, so that the records of
// a key keep their order.
void TRecordTable::Resize(size_t Capacity)
{
    const std::vector<TRecord> old = std::exchange(FSlots, std::vector<TRecord>(Capacity, TRecord{0, 0, 0, 0}));
    if (FCount == 0)
        return;
    size_t start = 0;
    while (old[start].Used)
        ++start;
    for (size_t i = 1; i <= old.size(); ++i) {
        const TRecord& record = old[(start + i) % old.size()];
        if (record.Used)
            Place(record);
    }
}

// Shifts back every record behind the slot that may stand nearer its home, so that no
// search stops early at the emptied slot.
void TRecordTable::EraseAt(size_t Slot)
{
    size_t hole = Slot;
    for (size_t slot = Next(Slot); FSlots[slot].Used; slot = Next(slot)) {
        const size_t home = HomeOf(FSlots[slot].Key);
        const bool homeAfterHole = hole <= slot ? (home > hole && home <= slot) : (home > hole || home <= slot);
        if (!homeAfterHole) {
            FSlots[hole] = FSlots[slot];
            hole = slot;
        }
    }
    FSlots[hole].Used = 0;
    --FCount;
}

// --- TNodeRefList ---------------------------------------------------------------------------

namespace {

// How many entries ahead a bulk operation asks for the memory it will need.
constexpr size_t PrefetchAhead = 8;

// A node as the key or value of a record.
quint64 AddressOf(const void* Object)
{
    return reinterpret_cast<quintptr>(Object);
}

TTreeNode* NodeOfValue(quint64 Value)
{
    return reinterpret_cast<TTreeNode*>(static_cast<quintptr>(Value));
}

} // namespace

void TNodeRefList::Add(TTreeNode* Node, TTreeNode* Parent)
{
    const quint64 sequence = FBase + FEntries.size();
    FEntries.push_back(TEntry{Node, Parent, true});
    ++FLive;
    FByNode.Add(AddressOf(Node), sequence, FNumber);
    FByParent.Add(AddressOf(Parent), sequence);
}

template <class Visitor>
void TNodeRefList::Unfile(TTreeNode* Node, bool First, Visitor Unfiled)
{
    FByNode.RemoveOf(AddressOf(Node), [this, &Unfiled](const TRecordTable::TRecord& Record) {
        if (Record.Tag != FNumber)
            return false;
        Unfiled(Record.Value);
        return true;
    }, First);
}

TTreeNode* TNodeRefList::FirstBelow(TTreeNode* Parent) const
{
    TTreeNode* first = nullptr;
    FByParent.ForEachOf(AddressOf(Parent), [this, &first](const TRecordTable::TRecord& Record) {
        first = EntryOf(Record.Value).Node;
        return false;
    });
    return first;
}

void TNodeRefList::RemoveFirst(TTreeNode* Node)
{
    RemoveEntries(Node, true);
}

void TNodeRefList::RemoveAll(TTreeNode* Node)
{
    RemoveEntries(Node, false);
}

void TNodeRefList::RemoveEntries(TTreeNode* Node, bool First)
{
    bool removed = false;
    Unfile(Node, First, [this, &removed](quint64 Sequence) {
        Remove(Sequence);
        removed = true;
    });
    if (removed)
        DropDeadEntries();
}

// Marks the entry dead and takes it out of the parent index (the node index has lost it).
void TNodeRefList::Remove(quint64 Sequence)
{
    TEntry& entry = EntryOf(Sequence);
    FByParent.RemoveOf(AddressOf(entry.Parent), [Sequence](const TRecordTable::TRecord& Record) {
        return Record.Value == Sequence;
    }, true);
    entry.Live = false;
    --FLive;
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
    for (const TEntry& entry : living)
        Unfile(entry.Node, false, [](quint64) {});
    FEntries.clear();
    FByParent.Clear();
    FBase = 0;
    FHead = 0;
    FLive = 0;
    for (const TEntry& entry : living)
        Add(entry.Node, entry.Parent);
}

// --- TEObjects ------------------------------------------------------------------------------

VEL_IMPLEMENT_CLASS(TEObjects)

TEObjects::TEObjects()
{
    for (int i = 0; i < Env::ClassNames->Count(); ++i) {
        ClassRefs.push_back(std::make_unique<TNodeRefList>(FFilings, static_cast<quint32>(i)));
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

quint32 TEObjects::FoundNameNumber(const QString& ClassName) const
{
    if (FLastNameNumber != NoClass && ClassName == FLastName)
        return FLastNameNumber;
    const quint32 number = FClassNameNumbers.value(ClassName, NoClass);
    if (number != NoClass) {
        FLastName = ClassName;
        FLastNameNumber = number;
    }
    return number;
}

quint32 TEObjects::NameNumber(const QString& ClassName)
{
    const quint32 found = FoundNameNumber(ClassName);
    if (found != NoClass)
        return found;
    const auto number = static_cast<quint32>(FClassNameNumbers.size());
    FClassNameNumbers.insert(ClassName, number);
    return FoundNameNumber(ClassName);
}

void TEObjects::AddClassObjectReference(const QString& ClassName, const QString&, TTreeNode* Node)
{
    TNodeRefList* classMap = ClassMap(ClassName);
    if (!classMap)
        return;
    classMap->Add(Node, Node ? Node->Parent() : nullptr);
}

void TEObjects::ReleaseClassObjectReference(const QString& ClassName, TTreeNode* Node)
{
    TNodeRefList* classMap = ClassMap(ClassName);
    if (!classMap)
        return;
    classMap->RemoveFirst(Node);
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

void TEObjects::PrefetchEntry(qint64 ID, TTreeNode* Node) const
{
    ObjectRefs.Prefetch(static_cast<quint64>(ID));
    FFilings.Prefetch(AddressOf(Node));
}

void TEObjects::AddObjectReference(const QString& ClassName, qint64 ID, TTreeNode* Node)
{
    ObjectRefs.Add(static_cast<quint64>(ID), AddressOf(Node), NameNumber(ClassName));
    FFilings.Add(AddressOf(Node), static_cast<quint64>(ID), ObjectFiling);
}

void TEObjects::AddObjectReferences(const QString& ClassName, const std::vector<qint64>& IDs,
    const std::vector<TTreeNode*>& Nodes)
{
    // The tables grow as records are added, at least twofold when they must: a list filed a
    // part at a time is not copied again for every part.
    const size_t count = std::min(IDs.size(), Nodes.size());
    const quint32 number = NameNumber(ClassName);
    for (size_t i = 0; i < count; ++i) {
        if (i + PrefetchAhead < count)
            PrefetchEntry(IDs[i + PrefetchAhead], Nodes[i + PrefetchAhead]);
        ObjectRefs.Add(static_cast<quint64>(IDs[i]), AddressOf(Nodes[i]), number);
        FFilings.Add(AddressOf(Nodes[i]), static_cast<quint64>(IDs[i]), ObjectFiling);
    }
}

void TEObjects::ReserveObjectReferences(size_t Count)
{
    ObjectRefs.Reserve(Count);
    FFilings.Reserve(Count);
}

TTreeNode* TEObjects::FindObjectReference(const QString& ClassName, qint64 ID, TTreeNode*) const
{
    const quint32 number = FoundNameNumber(ClassName);
    TTreeNode* found = nullptr;
    if (number != NoClass)
        ObjectRefs.ForEachOf(static_cast<quint64>(ID), [number, &found](const TRecordTable::TRecord& Record) {
            if (Record.Tag != number)
                return true;
            found = NodeOfValue(Record.Value);
            return false;
        });
    return found;
}

void TEObjects::FindObjectReferences(EClasses::TEntityInstance* Instance, TStringList* List) const
{
    const quint32 number = FoundNameNumber(Instance->ClassName());
    int position = 0;
    ObjectRefs.ForEachOf(static_cast<quint64>(Instance->ID), [number, List, &position](const TRecordTable::TRecord& Record) {
        if (Record.Tag == number)
            List->AddObject(QString::number(position), NodeOfValue(Record.Value));
        ++position;
        return true;
    });
}

// Removes the entries of Node (of one class, when given) under ID, and as many of the
// node's records of that ID.
void TEObjects::ReleaseObjectNode(qint64 ID, TTreeNode* Node, quint32 ClassNumber)
{
    const quint64 node = AddressOf(Node);
    size_t removed = ObjectRefs.RemoveOf(static_cast<quint64>(ID), [node, ClassNumber](const TRecordTable::TRecord& Record) {
        return Record.Value == node && (ClassNumber == AnyClass || Record.Tag == ClassNumber);
    });
    FFilings.RemoveOf(node, [ID, &removed](const TRecordTable::TRecord& Record) {
        if (removed == 0 || Record.Tag != ObjectFiling || Record.Value != static_cast<quint64>(ID))
            return false;
        --removed;
        return true;
    });
}

void TEObjects::ReleaseObjectReference(const QString& ClassName, qint64 ID, TTreeNode* Node)
{
    const quint32 number = FoundNameNumber(ClassName);
    if (number != NoClass)
        ReleaseObjectNode(ID, Node, number);
}

void TEObjects::ReleaseObjectNodes(const std::vector<std::pair<qint64, TTreeNode*>>& Nodes)
{
    for (size_t i = 0; i < Nodes.size(); ++i) {
        if (i + PrefetchAhead < Nodes.size())
            PrefetchEntry(Nodes[i + PrefetchAhead].first, Nodes[i + PrefetchAhead].second);
        ReleaseObjectNode(Nodes[i].first, Nodes[i].second);
    }
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
    std::vector<quint32> classMaps;
    FFilings.ForEachOf(AddressOf(Node), [&classMaps](const TRecordTable::TRecord& Record) {
        if (Record.Tag != ObjectFiling && std::find(classMaps.begin(), classMaps.end(), Record.Tag) == classMaps.end())
            classMaps.push_back(Record.Tag);
        return true;
    });
    for (quint32 classMap : classMaps)
        ClassRefs[classMap]->RemoveAll(Node);
    std::vector<quint64> ids;
    FFilings.RemoveOf(AddressOf(Node), [&ids](const TRecordTable::TRecord& Record) {
        ids.push_back(Record.Value);
        return true;
    });
    for (quint64 id : ids)
        ObjectRefs.RemoveOf(id, [Node](const TRecordTable::TRecord& Record) { return Record.Value == AddressOf(Node); });
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
