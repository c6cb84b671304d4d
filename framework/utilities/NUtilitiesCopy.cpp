// NUtilities: merging table contents by the key field "ID".

#include "NUtilities.h"

#include "Db.h"
#include "ExtendedCopy.h"

#include <QHash>

#include <algorithm>

namespace NUtilities {

namespace {

const QString KeyField = QStringLiteral("ID");

// The rows of Destination by their key, built at the first lookup: finding a key costs one
// hash lookup instead of a scan of the table. Where a key occurs twice the first row wins,
// as a search from the top would find it.
class TKeyIndex {
public:
    explicit TKeyIndex(TDataSet* Destination) : FDestination(Destination) {}

    // Moves Destination onto the row whose key is Key; false when there is none.
    bool Locate(qint64 Key)
    {
        if (!FBuilt)
            Build();
        const auto row = FRows.constFind(Key);
        if (row == FRows.cend())
            return false;
        FDestination->SetRecNo(row.value());
        return true;
    }

    // Destination is on a row just posted: an appended row becomes findable by its key.
    void AddCurrent()
    {
        if (FBuilt)
            Add(FDestination->FieldByName(KeyField)->Value(), FDestination->RecNo());
    }

private:
    void Build()
    {
        TField* key = FDestination->FieldByName(KeyField);
        for (FDestination->First(); !FDestination->Eof(); FDestination->Next())
            Add(key->Value(), FDestination->RecNo());
        FBuilt = true;
    }

    void Add(const QVariant& Key, int RecNo)
    {
        bool isNumber = false;
        const qint64 key = Key.toLongLong(&isNumber);
        if (isNumber && !Key.isNull())
            FRows.insert(key, std::min(FRows.value(key, RecNo), RecNo));
    }

    TDataSet* FDestination;
    QHash<qint64, int> FRows;
    bool FBuilt = false;
};

} // namespace

bool NUCopyTables(TDataSet* Source, TDataSet* Destination)
{
    TKeyIndex index(Destination);
    return ExtendedCopy::CopyRecords(
        Source, Destination, [&] { return index.Locate(Source->FieldByName(KeyField)->AsLargeInt()); },
        [&] { index.AddCurrent(); });
}

} // namespace NUtilities
