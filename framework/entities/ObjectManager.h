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
#include <QVarLengthArray>
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

// The class nodes of one class, in the order they were added, with indexes that find the
// entries of a node or below a parent node without scanning the list. Entries are numbered in
// the order added; a removed entry is marked dead, and dead entries are dropped from the front
// at once and from the middle when they outnumber the living ones.
class TNodeRefList {
public:
    // Parent is the node's parent when it is filed; nodes never move to another parent.
    void Add(TTreeNode* Node, TTreeNode* Parent);
    bool Holds(TTreeNode* Node) const { return FByNode.contains(Node); }
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
    // Sequence numbers of entries, ascending.
    using TSequences = QVarLengthArray<quint64, 1>;
    using TIndex = QHash<TTreeNode*, TSequences>;

    TEntry& EntryOf(quint64 Sequence) { return FEntries[static_cast<size_t>(Sequence - FBase)]; }
    const TEntry& EntryOf(quint64 Sequence) const { return FEntries[static_cast<size_t>(Sequence - FBase)]; }
    void Remove(quint64 Sequence);
    static void Forget(TIndex& Index, TTreeNode* Key, quint64 Sequence);
    void DropDeadEntries();
    void Renumber();

    std::vector<TEntry> FEntries;
    quint64 FBase = 0;   // sequence number of FEntries[0]
    size_t FHead = 0;    // FEntries before this position are dead
    size_t FLive = 0;
    TIndex FByNode;
    TIndex FByParent;
};

// The nodes showing objects with one ID, in the order they were added: almost always one,
// so it is kept without an allocation of its own.
class TObjectNodes {
public:
    struct TEntry {
        QString ClassName;
        TTreeNode* Node;
    };

    void Add(const QString& ClassName, TTreeNode* Node) { FEntries.append(TEntry{ClassName, Node}); }
    bool IsEmpty() const { return FEntries.isEmpty(); }
    bool Holds(const TTreeNode* Node) const;
    // The node of the first entry of that class name (exact), or null.
    TTreeNode* FirstOfClass(const QString& ClassName) const;
    // Removes every entry of Node (of that class name only, when one is given); returns how many.
    qsizetype RemoveAll(const TTreeNode* Node, const QString* ClassName = nullptr);
    const QVarLengthArray<TEntry, 1>& Entries() const { return FEntries; }

private:
    QVarLengthArray<TEntry, 1> FEntries;
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

    // Makes room for Count more object nodes at once (before filing a long list of them).
    void ReserveObjectReferences(int Count);

    // Object nodes, filed under the decimal text of ID.
    void AddObjectReference(const QString& ClassName, qint64 ID, TTreeNode* Node);
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
    TNodeRefList* ClassMap(const QString& ClassName) const;
    TObjectNodes* ObjectList(qint64 ID) const;
    void ReleaseObjectNode(qint64 ID, TTreeNode* Node, const QString* ClassName = nullptr);
    void RecordKeyOfNode(TTreeNode* Node, qint64 ID);
    void DropLeftoverKeysOfNodes();

    // Class maps in the order of Env::ClassNames, and the first map of each folded name.
    std::vector<std::unique_ptr<TNodeRefList>> ClassRefs;
    std::unordered_map<QString, TNodeRefList*> FClassIndex;
    // The class name looked up last, as given, and its map: callers name one class many times
    // in a row, and an exact repeat needs no case folding.
    mutable QString FLastClassName;
    mutable TNodeRefList* FLastClassMap = nullptr;
    // Object ID -> the nodes showing an object with that ID. The keys are the IDs themselves:
    // their decimal texts compare alike in any letter case.
    // Open-addressed tables: no allocation per reference.
    QHash<qint64, TObjectNodes> ObjectRefs;
    // Where each node is filed, for ReleaseNodeReferences: its class maps, and the IDs it was
    // filed under (some of which it may have left since).
    QHash<TTreeNode*, QVarLengthArray<TNodeRefList*, 1>> FClassMapsOfNode;
    QHash<TTreeNode*, QVarLengthArray<qint64, 1>> FObjectKeysOfNode;
    qsizetype FObjectReferenceCount = 0;
};

// The one registry, made by the navigator when it initialises and freed when it is taken down.
extern TEObjects* Objects;

void Initialize();
void Finalize();

} // namespace ObjectManager
