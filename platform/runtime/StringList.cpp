#include "StringList.h"

#include "Exceptions.h"
#include "Packages.h"

#include <algorithm>

VEL_IMPLEMENT_CLASS(TStringList)

namespace {

// Below this many entries a scan is cheaper than folding every text into the index.
constexpr int IndexedCount = 16;

// The key under which the index files a text: equal keys exactly when CompareText finds the
// texts equal, since both fold letter case code point by code point.
QString IndexKey(const QString& Text)
{
    return Text.toCaseFolded();
}

} // namespace

TStringList::~TStringList()
{
    Clear();
}

int TStringList::CompareText(const QString& A, const QString& B)
{
    return QString::compare(A, B, Qt::CaseInsensitive);
}

void TStringList::CheckIndex(int Index) const
{
    if (Index < 0 || Index >= Count())
        throw EListError(QStringLiteral("Индекс списка вне допустимого диапазона (%1)").arg(Index));
}

void TStringList::FreeObject(TObject* Object)
{
    if (FOwnsObjects)
        delete Object;
}

int TStringList::Add(const QString& S)
{
    return AddObject(S, static_cast<TObject*>(nullptr));
}

int TStringList::AddObject(const QString& S, TObject* Object)
{
    if (!FSorted) {
        FItems.push_back({S, Object, LoadingPackage()});
        IndexAppended();
        return Count() - 1;
    }
    int index = 0;
    if (Find(S, index))
        return index;
    FItems.insert(FItems.begin() + index, TItem{S, Object, LoadingPackage()});
    return index;
}

int TStringList::AddObject(const QString& S, const TMetaClass* Class)
{
    return AddObject(S, const_cast<TObject*>(static_cast<const TObject*>(Class)));
}

void TStringList::Insert(int Index, const QString& S)
{
    InsertObject(Index, S, nullptr);
}

void TStringList::InsertObject(int Index, const QString& S, TObject* Object)
{
    if (FSorted)
        throw EListError(QStringLiteral("Операция недопустима для сортированного списка"));
    if (Index < 0 || Index > Count())
        throw EListError(QStringLiteral("Индекс списка вне допустимого диапазона (%1)").arg(Index));
    FItems.insert(FItems.begin() + Index, TItem{S, Object, LoadingPackage()});
    if (Index == Count() - 1)
        IndexAppended();
    else
        DropIndex();
}

void TStringList::AddStrings(const TStringList& Other)
{
    for (const TItem& item : Other.FItems)
        AddObject(item.Text, item.Object);
}

void TStringList::Delete(int Index)
{
    CheckIndex(Index);
    TObject* object = FItems[Index].Object;
    // Deleting the last entry keeps the index: no later entry can hold its text.
    if (Index < Count() - 1)
        DropIndex();
    else if (FIndexValid && FIndex.value(IndexKey(FItems[Index].Text), -1) == Index) {
        FIndex.remove(IndexKey(FItems[Index].Text));
        if (FLastFoundIndex == Index)
            FLastFoundIndex = -1;
    }
    FItems.erase(FItems.begin() + Index);
    FreeObject(object);
}

void TStringList::Clear()
{
    std::vector<TItem> items;
    items.swap(FItems);
    DropIndex();
    for (auto it = items.rbegin(); it != items.rend(); ++it)
        FreeObject(it->Object);
}

void TStringList::Exchange(int Index1, int Index2)
{
    CheckIndex(Index1);
    CheckIndex(Index2);
    std::swap(FItems[Index1], FItems[Index2]);
    DropIndex();
}

const QString& TStringList::Strings(int Index) const
{
    CheckIndex(Index);
    return FItems[Index].Text;
}

void TStringList::SetString(int Index, const QString& S)
{
    CheckIndex(Index);
    FItems[Index].Text = S;
    DropIndex();
}

TObject* TStringList::Objects(int Index) const
{
    CheckIndex(Index);
    return FItems[Index].Object;
}

void TStringList::SetObject(int Index, TObject* Object)
{
    CheckIndex(Index);
    FItems[Index].Object = Object;
}

int TStringList::IndexOf(const QString& S) const
{
    if (FSorted) {
        int index = 0;
        return Find(S, index) ? index : -1;
    }
    if (UsesIndex())
        return IndexedIndexOf(S);
    for (int i = 0; i < Count(); ++i)
        if (SameText(FItems[i].Text, S))
            return i;
    return -1;
}

int TStringList::IndexedIndexOf(const QString& S) const
{
    if (FLastFoundIndex >= 0 && S == FLastFound)
        return FLastFoundIndex;
    const int index = FIndex.value(IndexKey(S), -1);
    if (index >= 0) {
        FLastFound = S;
        FLastFoundIndex = index;
    }
    return index;
}

// Whether IndexOf goes through the index (building it first when it is not valid).
bool TStringList::UsesIndex() const
{
    if (Count() < IndexedCount)
        return false;
    if (!FIndexValid)
        BuildIndex();
    return true;
}

void TStringList::BuildIndex() const
{
    FIndex.clear();
    FIndex.reserve(Count());
    // From the last entry to the first, so that each text ends up filed under its first index.
    for (int i = Count() - 1; i >= 0; --i)
        FIndex.insert(IndexKey(FItems[i].Text), i);
    FIndexValid = true;
}

// Files the entry just appended, unless an earlier entry already holds its text.
void TStringList::IndexAppended()
{
    if (!FIndexValid)
        return;
    const QString key = IndexKey(FItems.back().Text);
    if (!FIndex.contains(key))
        FIndex.insert(key, Count() - 1);
}

int TStringList::IndexOfOwn(const QString& S) const
{
    const quintptr package = LoadingPackage();
    if (!package)
        return IndexOf(S);
    int unowned = -1;
    for (int i = 0; i < Count(); ++i) {
        if (!SameText(FItems[i].Text, S))
            continue;
        if (FItems[i].Owner == package)
            return i;
        if (FItems[i].Owner == 0 && unowned < 0)
            unowned = i;
    }
    return unowned;
}

quintptr TStringList::Owner(int Index) const
{
    CheckIndex(Index);
    return FItems[Index].Owner;
}

int TStringList::IndexOfObject(const TObject* Object) const
{
    for (int i = 0; i < Count(); ++i)
        if (FItems[i].Object == Object)
            return i;
    return -1;
}

bool TStringList::Find(const QString& S, int& Index) const
{
    auto position = std::lower_bound(FItems.begin(), FItems.end(), S,
        [](const TItem& item, const QString& key) { return CompareText(item.Text, key) < 0; });
    Index = static_cast<int>(position - FItems.begin());
    return position != FItems.end() && SameText(position->Text, S);
}

QString TStringList::Names(int Index) const
{
    const QString& text = Strings(Index);
    const int equals = text.indexOf(QLatin1Char('='));
    return equals < 0 ? QString() : text.left(equals);
}

QString TStringList::ValueFromIndex(int Index) const
{
    const QString& text = Strings(Index);
    const int equals = text.indexOf(QLatin1Char('='));
    return equals < 0 ? QString() : text.mid(equals + 1);
}

int TStringList::IndexOfName(const QString& Name) const
{
    for (int i = 0; i < Count(); ++i) {
        const QString& text = FItems[i].Text;
        const int equals = text.indexOf(QLatin1Char('='));
        if (equals >= 0 && SameText(text.left(equals), Name))
            return i;
    }
    return -1;
}

QString TStringList::Values(const QString& Name) const
{
    const int index = IndexOfName(Name);
    return index < 0 ? QString() : ValueFromIndex(index);
}

void TStringList::SetValue(const QString& Name, const QString& Value)
{
    const int index = IndexOfName(Name);
    if (Value.isEmpty()) {
        if (index >= 0)
            Delete(index);
        return;
    }
    const QString text = Name + QLatin1Char('=') + Value;
    if (index >= 0)
        SetString(index, text);
    else
        Add(text);
}

QString TStringList::Text() const
{
    QString text;
    for (const TItem& item : FItems) {
        text += item.Text;
        text += QLatin1String("\r\n");
    }
    return text;
}

void TStringList::SetText(const QString& Text)
{
    Clear();
    QString normalised = Text;
    normalised.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    normalised.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (normalised.endsWith(QLatin1Char('\n')))
        normalised.chop(1);
    if (Text.isEmpty())
        return;
    for (const QString& line : normalised.split(QLatin1Char('\n')))
        Add(line);
}

QStringList TStringList::ToQStringList() const
{
    QStringList lines;
    lines.reserve(Count());
    for (const TItem& item : FItems)
        lines << item.Text;
    return lines;
}

void TStringList::SetSorted(bool Sorted)
{
    DropIndex();
    if (Sorted && !FSorted)
        std::stable_sort(FItems.begin(), FItems.end(),
            [](const TItem& a, const TItem& b) { return CompareText(a.Text, b.Text) < 0; });
    FSorted = Sorted;
}
