#pragma once
// TStringList: the ordered list of (text, object) entries behind every registry.
//
// Lookups by text ignore letter case (Unicode case folding, Cyrillic included) and find the
// first match. Deleting an entry never frees its object unless the list owns its objects.
// A sorted list keeps its entries in order, finds keys by binary search and ignores the
// addition of a key it already holds. A longer unsorted list finds a text through a hash of
// case-folded texts to their first index: made by the first look-up, kept up to date by
// appends and deletions of the last entry and dropped by any other change, so a list that is
// filled and then searched costs O(1) per look-up. A look-up may thus write to the list's
// index: a list shared between threads needs its writers' lock for its look-ups too.
//
// Every entry remembers the package that added it: the one loading or unloading at the time
// (LoadingPackage(), Packages.h), 0 for the program's own. The registries use it to remove,
// on an Unregister call, the entry of the calling package rather than another package's
// entry of the same name, and to take back what a package left registered.

#include "Object.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <vector>

class TStringList : public TObject {
    VEL_DECLARE_CLASS(TStringList, TObject)
public:
    TStringList() = default;
    explicit TStringList(bool OwnsObjects) : FOwnsObjects(OwnsObjects) {}
    ~TStringList() override;

    int Count() const { return static_cast<int>(FItems.size()); }
    bool IsEmpty() const { return FItems.empty(); }

    // Adds an entry and returns its index (for a sorted list, its sorted position; an
    // existing key is not added again and its index is returned).
    int Add(const QString& S);
    int AddObject(const QString& S, TObject* Object);
    int AddObject(const QString& S, const TMetaClass* Class);
    void Insert(int Index, const QString& S);
    void InsertObject(int Index, const QString& S, TObject* Object);
    void AddStrings(const TStringList& Other);
    void Delete(int Index);
    void Clear();
    void Exchange(int Index1, int Index2);

    const QString& Strings(int Index) const;
    void SetString(int Index, const QString& S);
    TObject* Objects(int Index) const;
    void SetObject(int Index, TObject* Object);
    template <class T>
    T* ObjectAs(int Index) const { return dynamic_cast<T*>(Objects(Index)); }

    int IndexOf(const QString& S) const;
    int IndexOfObject(const TObject* Object) const;
    // The entry S of the package loading or unloading now, else the first entry S that no
    // package added; -1 when there is neither. With no package loading: IndexOf(S).
    int IndexOfOwn(const QString& S) const;
    // The package that added entry Index (its module handle), 0 for the program's own.
    quintptr Owner(int Index) const;
    // Finds S in a sorted list; Index receives its position or where it would be inserted.
    bool Find(const QString& S, int& Index) const;

    // name=value access: Names(i) is the text before the first "=", Values(Name) the text
    // after the first "=" of the first entry with that name.
    QString Names(int Index) const;
    QString ValueFromIndex(int Index) const;
    int IndexOfName(const QString& Name) const;
    QString Values(const QString& Name) const;
    void SetValue(const QString& Name, const QString& Value);

    // All lines, each followed by CR LF (the last one too).
    QString Text() const;
    // Replaces the entries by the lines of Text (split at CR LF, LF or CR).
    void SetText(const QString& Text);
    QStringList ToQStringList() const;

    bool Sorted() const { return FSorted; }
    void SetSorted(bool Sorted);
    bool OwnsObjects() const { return FOwnsObjects; }
    void SetOwnsObjects(bool Owns) { FOwnsObjects = Owns; }

    static int CompareText(const QString& A, const QString& B);
    static bool SameText(const QString& A, const QString& B) { return CompareText(A, B) == 0; }

private:
    struct TItem {
        QString Text;
        TObject* Object = nullptr;
        quintptr Owner = 0;
    };
    void CheckIndex(int Index) const;
    void FreeObject(TObject* Object);
    bool UsesIndex() const;
    int IndexedIndexOf(const QString& S) const;
    void BuildIndex() const;
    void IndexAppended();
    void DropIndex()
    {
        FIndexValid = false;
        FLastFoundIndex = -1;
    }

    std::vector<TItem> FItems;
    // Case-folded text -> index of its first entry; valid only while FIndexValid.
    mutable QHash<QString, int> FIndex;
    mutable bool FIndexValid = false;
    // The text the index found last, exactly as asked, and its index (-1: none): callers ask
    // for one text many times in a row (a class's form for each of its objects), and an exact
    // repeat needs no case folding. Appends never change a found first index.
    mutable QString FLastFound;
    mutable int FLastFoundIndex = -1;
    bool FSorted = false;
    bool FOwnsObjects = false;
};
