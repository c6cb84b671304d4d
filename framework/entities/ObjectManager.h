#pragma once
// The object reference registry: which navigator nodes show which class and which object,
// so that a change can be applied to every node that shows it.
//
// Class nodes are filed per class name (the classes registered in Env::ClassNames when the
// registry is made), object nodes per decimal text of the object's ID, where objects of
// different classes with the same ID share a key and are told apart by class name. Keys are
// looked up without regard to letter case; class names of entries compare exactly; every
// node list keeps the order in which nodes were added. The registry never owns the nodes.
//
// Every operation costs O(1) on average in the number of references (listing operations add
// the size of what they list), so the navigator may keep hundreds of thousands of nodes.

#include "StringList.h"

#include <QHash>
#include <QString>
#include <QtGlobal>

#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

class TTreeNode;

namespace EClasses {
class TEntityInstance;
} // namespace EClasses

namespace ObjectManager {

// An open-addressed table of records (key, value, tag) in one flat array, several records
// per key allowed: a record costs no allocation of its own and a lookup one cache miss or
// so. Linear probing; a removal shifts the records behind it back instead of leaving a
// tombstone. The records of one key are visited in the order they were added: a record
// always lands behind those of its key, shifts keep their order and growing re-files them
// in probe order.
class TRecordTable {
public:
    struct TRecord {
        quint64 Key;
        quint64 Value;
        quint32 Tag;
        quint32 Used;
    };

    size_t Size() const { return FCount; }
    // Makes room for Count more records at once.
    void Reserve(size_t Count);
    void Add(quint64 Key, quint64 Value, quint32 Tag = 0);
    void Clear();
    // Starts loading where the records of Key begin: a long run of lookups hides the wait for
    // memory by asking a few keys ahead.
    void Prefetch(quint64 Key) const
    {
        if (FCount > 0)
            __builtin_prefetch(&FSlots[HomeOf(Key)]);
    }

    // Calls Visit(record) for the records of Key in the order added, until it returns false.
    template <class Visitor>
    void ForEachOf(quint64 Key, Visitor Visit) const
    {
        if (FCount == 0)
            return;
        for (size_t slot = HomeOf(Key); FSlots[slot].Used; slot = Next(slot))
            if (FSlots[slot].Key == Key && !Visit(FSlots[slot]))
                return;
    }

    // Removes the records of Key that Match(record) accepts (only the first when First);
    // returns how many went.
    template <class Predicate>
    size_t RemoveOf(quint64 Key, Predicate Match, bool First = false)
    {
        size_t removed = 0;
        if (FCount == 0)
            return removed;
        for (size_t slot = HomeOf(Key); FSlots[slot].Used;) {
            if (FSlots[slot].Key == Key && Match(FSlots[slot])) {
                EraseAt(slot);
                ++removed;
                if (First)
                    break;
            } else {
                slot = Next(slot);
            }
        }
        return removed;
    }

private:
    size_t HomeOf(quint64 Key) const;
    size_t Next(size_t Slot) const { return Slot + 1 == FSlots.size() ? 0 : Slot + 1; }
    void Resize(size_t Capacity);
    void Place(const TRecord& Record);
    void EraseAt(size_t Slot);

    std::vector<TRecord> FSlots;
    size_t FCount = 0;
};

// The class nodes of one class, in the order they were added, with indexes that find the
// entries of a node or below a parent node without scanning the list. Entries are numbered in
// the order added; a removed entry is marked dead, and dead entries are dropped from the front
// at once and from the middle when they outnumber the living ones. The node index is the
// registry's table of filings, shared by all classes: records (node, entry number, Number).
class TNodeRefList {
public:
    TNodeRefList(TRecordTable& Filings, quint32 Number) : FByNode(Filings), FNumber(Number) {}

    // Parent is the node's parent when it is filed; nodes never move to another parent.
    void Add(TTreeNode* Node, TTreeNode* Parent);
    // The first node filed below Parent, or null.
    TTreeNode* FirstBelow(TTreeNode* Parent) const;

    void RemoveFirst(TTreeNode* Node);
    void RemoveAll(TTreeNode* Node);

    // Calls Visit(position, node) for every entry in order, positions counted from 0.
    template <class Visitor>
    void ForEach(Visitor Visit) const
    {
        int position = 0;
        for (size_t i = FHead; i < FEntries.size(); ++i)
            if (FEntries[i].Live)
                Visit(position++, FEntries[i].Node);
    }

private:
    struct TEntry {
        TTreeNode* Node;
        TTreeNode* Parent;
        bool Live;
    };

    TEntry& EntryOf(quint64 Sequence) { return FEntries[static_cast<size_t>(Sequence - FBase)]; }
    const TEntry& EntryOf(quint64 Sequence) const { return FEntries[static_cast<size_t>(Sequence - FBase)]; }
    void Remove(quint64 Sequence);
    void RemoveEntries(TTreeNode* Node, bool First);
    void DropDeadEntries();
    void Renumber();

    std::vector<TEntry> FEntries;
    quint64 FBase = 0;   // sequence number of FEntries[0]
    size_t FHead = 0;    // FEntries before this position are dead
    size_t FLive = 0;
    // Removes the node index records of Node of this class (only the first when First),
    // calling Unfiled with the sequence number each named.
    template <class Visitor>
    void Unfile(TTreeNode* Node, bool First, Visitor Unfiled);

    // Node, and parent node -> sequence numbers of its entries.
    TRecordTable& FByNode;
    quint32 FNumber;
    TRecordTable FByParent;
};

class TEObjects : public TObject {
    VEL_DECLARE_CLASS(TEObjects, TObject)
public:
    // Makes one class map per class name now held by Env::ClassNames.
    TEObjects();
    ~TEObjects() override;

    // Class nodes: filed under the class's pseudo-ID "-1"; Key is not used. Classes without a
    // class map are not recorded.
    void AddClassObjectReference(const QString& ClassName, const QString& Key, TTreeNode* Node);
    void ReleaseClassObjectReference(const QString& ClassName, TTreeNode* Node);
    // The first class node of that class whose parent is ParentNode, or null.
    TTreeNode* FindClassObjectReference(const QString& ClassName, TTreeNode* ParentNode) const;
    // Appends (position, node) for every class node of that class; List is not cleared.
    void FindClassObjectReferences(const QString& ClassName, TStringList* List) const;

    // Object nodes, filed under the decimal text of ID.
    void AddObjectReference(const QString& ClassName, qint64 ID, TTreeNode* Node);
    // The same for a long list of nodes of one class at once: Nodes[i] under IDs[i].
    void AddObjectReferences(const QString& ClassName, const std::vector<qint64>& IDs, const std::vector<TTreeNode*>& Nodes);
    // Makes room for Count more object nodes at once: a list filed a part at a time then
    // neither copies the tables again nor leaves them much larger than it needs.
    void ReserveObjectReferences(size_t Count);
    // The first node showing that object anywhere in the tree; Node is not used.
    TTreeNode* FindObjectReference(const QString& ClassName, qint64 ID, TTreeNode* Node) const;
    // Appends (position under the ID's key, node) for every node showing Instance.
    void FindObjectReferences(EClasses::TEntityInstance* Instance, TStringList* List) const;
    // Removes every entry of that class and node under the ID's key.
    void ReleaseObjectReference(const QString& ClassName, qint64 ID, TTreeNode* Node);
    // List holds (ID text, node) for nodes about to be deleted: removes every entry of that
    // node under that key, whatever its class. ClassName is not used.
    void ReleaseListObjectsReference(const QString& ClassName, TStringList* List);
    // The same for (ID, node) pairs, without going through the IDs' texts.
    void ReleaseObjectNodes(const std::vector<std::pair<qint64, TTreeNode*>>& Nodes);

    // Forgets Node wherever it is filed, as class node and under any ID. The navigator calls
    // it for a node it deletes, so the registry never names a node that is gone.
    void ReleaseNodeReferences(TTreeNode* Node);

private:
    // The tag of a record of FFilings that stands for a node filed under an ID; the records of
    // class nodes carry the position of their class map instead.
    static constexpr quint32 ObjectFiling = 0xFFFFFFFF;

    TNodeRefList* ClassMap(const QString& ClassName) const;
    // The number of a class name as entries name it (exactly), or NoClass when none does;
    // NameNumber also numbers a new name.
    quint32 FoundNameNumber(const QString& ClassName) const;
    quint32 NameNumber(const QString& ClassName);
    // Starts loading the records an entry (ID, Node) will touch, some entries ahead of a bulk
    // operation.
    void PrefetchEntry(qint64 ID, TTreeNode* Node) const;
    // Removes the entries of Node (of that class name number only, unless AnyClass) under ID.
    void ReleaseObjectNode(qint64 ID, TTreeNode* Node, quint32 ClassNumber = AnyClass);

    static constexpr quint32 NoClass = 0xFFFFFFFE;
    static constexpr quint32 AnyClass = 0xFFFFFFFF;

    // Node -> where it is filed: one record (node, ID, ObjectFiling) per entry of ObjectRefs,
    // and one (node, entry number, position in ClassRefs) per entry of a class map.
    TRecordTable FFilings;
    // Class maps in the order of Env::ClassNames, and the first map of each folded name.
    std::vector<std::unique_ptr<TNodeRefList>> ClassRefs;
    std::unordered_map<QString, TNodeRefList*> FClassIndex;
    // The class name looked up last, as given, and its map: callers name one class many times
    // in a row, and an exact repeat needs no case folding.
    mutable QString FLastClassName;
    mutable TNodeRefList* FLastClassMap = nullptr;
    // Object nodes: records (ID, node, number of the class name), the records of one ID in
    // the order added. Class names are numbered once, in the order first filed, and
    // compared exactly.
    TRecordTable ObjectRefs;
    QHash<QString, quint32> FClassNameNumbers;
    mutable QString FLastName;
    mutable quint32 FLastNameNumber = NoClass;
};

// The one registry, made by the navigator when it initialises and freed when it is taken down.
extern TEObjects* Objects;

void Initialize();
void Finalize();

} // namespace ObjectManager
