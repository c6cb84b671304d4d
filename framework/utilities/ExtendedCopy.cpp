#include "ExtendedCopy.h"

#include "DbTables.h"
#include "Dialogs.h"
#include "Exceptions.h"

#include <QSqlError>

namespace ExtendedCopy {

namespace {

void CloseBoth(TDataSet* Source, TDataSet* Destination)
{
    Destination->Close();
    Source->Close();
}

// Runs Step; on a failure closes both datasets and shows Message followed by the error's
// text (unless WithReason is false). True when the step succeeded.
bool Guarded(TDataSet* Source, TDataSet* Destination, const QString& Message, bool WithReason,
             const std::function<void()>& Step)
{
    try {
        Step();
        return true;
    } catch (...) {
        const QString reason = ExceptionMessage(std::current_exception());
        CloseBoth(Source, Destination);
        ShowMessage(WithReason ? Message + reason : Message);
        return false;
    }
}

// Posted one by one, every record is a transaction of its own, and SQLite syncs the disk for
// each: 100,000 records would take minutes. There the copy writes in one transaction,
// committed whenever the copy ends, after a failure too, so that the records posted before
// it stay. (A failed statement aborts a whole PostgreSQL transaction and would take those
// records with it: there each record stays a transaction of its own.)
class TWriteBatch {
public:
    explicit TWriteBatch(const TDataSet* Destination)
        : FDatabase(Session().FindDatabase(Destination->DatabaseName()))
    {
        if (FDatabase && FDatabase->Connected() && FDatabase->Connection().driverName() == QStringLiteral("QSQLITE"))
            FActive = FDatabase->Connection().transaction();
    }
    TWriteBatch(const TWriteBatch&) = delete;
    TWriteBatch& operator=(const TWriteBatch&) = delete;
    // After a failure the copy reports that failure, not one of the commit.
    ~TWriteBatch() { Commit(); }

    // Commits what was posted; when that fails, rolls back and returns the reason.
    QString Commit()
    {
        if (!FActive)
            return QString();
        FActive = false;
        QSqlDatabase connection = FDatabase->Connection();
        FDatabase->FinishPendingCursors();
        if (connection.commit())
            return QString();
        const QString reason = connection.lastError().text();
        connection.rollback();
        return reason;
    }

private:
    TDatabase* FDatabase;
    bool FActive = false;
};

void TransferRecord(TDataSet* Source, TDataSet* Destination)
{
    for (int i = 0; i < Source->FieldCount(); ++i) {
        TField* target = Destination->Fields(i);
        target->SetValue(Source->FieldByName(target->FieldName())->Value());
    }
}

} // namespace

bool CopyRecords(TDataSet* Source, TDataSet* Destination, const std::function<bool()>& FindRecord,
                 const std::function<void()>& Posted)
{
    if (!Guarded(Source, Destination, QStringLiteral("Ошибка открытия запроса"), false, [Source] { Source->Open(); }))
        return false;
    if (!Guarded(Source, Destination, QStringLiteral("Ошибка открытия таблицы:"), true, [Destination] { Destination->Open(); }))
        return false;
    TWriteBatch batch(Destination);
    while (!Source->Eof()) {
        const bool found = FindRecord();
        if (!Guarded(Source, Destination, QStringLiteral("Ошибка редактирования "), true,
                     [Destination, found] { found ? Destination->Edit() : Destination->Append(); }))
            return false;
        if (!Guarded(Source, Destination, QStringLiteral("Ошибка переноса:"), true, [&] {
                TransferRecord(Source, Destination);
                Destination->Post();
                Posted();
                Source->Next();
            }))
            return false;
    }
    return Guarded(Source, Destination, QStringLiteral("Ошибка переноса:"), true, [&] {
        CloseBoth(Source, Destination);
        if (const QString reason = batch.Commit(); !reason.isEmpty())
            throw EDatabaseError(reason);
    });
}

bool SimpleCopyTables(TDataSet* Source, TDataSet* Destination)
{
    return CopyRecords(Source, Destination, [] { return false; }, [] {});
}

} // namespace ExtendedCopy
