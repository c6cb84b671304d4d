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
// Every operation costs O(log n) in the number of references (listing operations add the
// size of what they list), so the navigator may keep hundreds of thousands of nodes.

#include "StringList.h"

#include <QHash>
#include <QString>
#include <QVarLengthArray>
#include <QtGlobal>

#include <map>
#include <memory>
#include <set>
#include <unordered_map>
#include <utility>
#include <vector>

class TTreeNode;

namespace EClasses {
class TEntityInstance;
} // namespace EClasses

namespace ObjectManager {

// The nodes filed under one key, in the order they were added, with indexes that find the
// entries of a node, of a class name or below a parent node without scanning the list. Each
// index is an ordered set of (value, sequence number) pairs, so an empty list costs no
// allocation and the first entry of a value is the lowest pair of that value.
class TNodeRefList {
public:
    struct TEntry {
        QString ClassName;
        TTreeNode* Node;
        TTreeNode* Parent;
    };

    // Parent is the node's parent when it is filed; nodes never move to another parent.
    void Add(const QString& ClassName, TTreeNode* Node, TTreeNode* Parent);
    bool IsEmpty() const { return FEntries.empty(); }
    bool Holds(TTreeNode* Node) const { return FirstOf(FByNode, Node) != nullptr; }

    // The node of the first entry of that class name (exact), or null.
    TTreeNode* FirstOfClass(const QString& ClassName) const { return NodeOf(FirstOf(FByClass, ClassName)); }
    // The first node filed below Parent, or null.
    TTreeNode* FirstBelow(TTreeNode* Parent) const { return NodeOf(FirstOf(FByParent, Parent)); }

    void RemoveFirst(TTreeNode* Node);
    void RemoveAll(TTreeNode* Node);
    void RemoveAll(TTreeNode* Node, const QString& ClassName);

    // Calls Visit(position, entry) for every entry in order, positions counted from 0.
    template <class Visitor>
    void ForEach(Visitor Visit) const
    {
        int position = 0;
        for (const auto& [sequence, entry] : FEntries)
            Visit(position++, entry);
    }

private:
    template <class Value>
    using TIndex = std::set<std::pair<Value, quint64>>;

    template <class Value>
    const quint64* FirstOf(const TIndex<Value>& Index, const Value& Key) const;
    TTreeNode* NodeOf(const quint64* Sequence) const { return Sequence ? FEntries.at(*Sequence).Node : nullptr; }
    std::vector<quint64> SequencesOf(TTreeNode* Node) const;
    void Remove(quint64 Sequence);

    std::map<quint64, TEntry> FEntries;
    TIndex<TTreeNode*> FByNode;
    TIndex<QString> FByClass;
    TIndex<TTreeNode*> FByParent;
    quint64 FNextSequence = 0;
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
    // Removes every entry of Node (of that class name only, when one is given).
    void RemoveAll(const TTreeNode* Node, const QString* ClassName = nullptr);
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

    // Class maps in the order of Env::ClassNames, and the first map of each folded name.
    std::vector<std::unique_ptr<TNodeRefList>> ClassRefs;
    std::unordered_map<QString, TNodeRefList*> FClassIndex;
    // Object ID -> the nodes showing an object with that ID. The keys are the IDs themselves:
    // their decimal texts compare alike in any letter case.
    // Open-addressed tables: no allocation per reference.
    QHash<qint64, TObjectNodes> ObjectRefs;
    // Where each node is filed, for ReleaseNodeReferences.
    std::set<std::pair<TTreeNode*, TNodeRefList*>> FClassMapsOfNode;
    QHash<TTreeNode*, QVarLengthArray<qint64, 1>> FObjectKeysOfNode;
};

// The one registry, made by the navigator when it initialises and freed when it is taken down.
extern TEObjects* Objects;

void Initialize();
void Finalize();

} // namespace ObjectManager
