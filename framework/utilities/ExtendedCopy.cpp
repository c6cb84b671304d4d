#include "ExtendedCopy.h"

#include "DbTables.h"
#include "Dialogs.h"
#include "Exceptions.h"
#include "LongWork.h"

#include <QSqlError>

namespace ExtendedCopy {

namespace {

void CloseBoth(TDataSet* Source, TDataSet* Destination)
{
    Destination->Close();
    Source->Close();
}

// Runs Step; the failure's message (Message followed by the error's text), or an empty string.
QString Attempted(const QString& Message, const std::function<void()>& Step)
{
    try {
        Step();
        return QString();
    } catch (...) {
        return Message + ExceptionMessage(std::current_exception());
    }
}

// Runs Step; on a failure closes both datasets and shows Message followed by the error's
// text (unless WithReason is false). True when the step succeeded.
bool Guarded(TDataSet* Source, TDataSet* Destination, const QString& Message, bool WithReason,
             const std::function<void()>& Step)
{
    const QString failure = Attempted(Message, Step);
    if (failure.isEmpty())
        return true;
    CloseBoth(Source, Destination);
    ShowMessage(WithReason ? failure : Message);
    return false;
}

// Posted one by one, every record is a transaction of its own, and SQLite syncs the disk for
// each: 100,000 records would take minutes. There the copy writes in one transaction,
// committed whenever the copy ends, after a failure too, so that the records posted before
// it stay when they can. (A failed statement aborts a whole PostgreSQL transaction and would
// take those records with it: there each record stays a transaction of its own.) Whether the
// posted records were kept is known only after the commit: a full disk or a deferred
// constraint can fail it, and SQLite may have rolled the transaction back by itself.
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
    // Commits when a failure of the key lookup leaves the copy.
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

// What a copy that failed tells the user: the first failure, a failed commit, and how many
// records were really kept.
QString FailureReport(const QString& Failure, const QString& CommitFailure, int Kept)
{
    QString report = Failure.isEmpty() ? QStringLiteral("Ошибка переноса:") + CommitFailure : Failure;
    if (!Failure.isEmpty() && !CommitFailure.isEmpty())
        report += QStringLiteral("\nПеренесённые записи не сохранены: ") + CommitFailure;
    return report + QStringLiteral("\nСохранено записей: %1").arg(Kept);
}

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
    LongWork::TLongWork work;
    int posted = 0;
    QString failure;
    while (failure.isEmpty() && !Source->Eof()) {
        // A stop the user asks for ends the copy as a failure does, telling how many were kept.
        if (!work.Step()) {
            failure = QStringLiteral("Прервано пользователем");
            break;
        }
        const bool found = FindRecord();
        failure = Attempted(QStringLiteral("Ошибка редактирования "), [Destination, found] { found ? Destination->Edit() : Destination->Append(); });
        if (failure.isEmpty())
            failure = Attempted(QStringLiteral("Ошибка переноса:"), [&] {
                TransferRecord(Source, Destination);
                Destination->Post();
                ++posted;
                Posted();
                Source->Next();
            });
    }
    CloseBoth(Source, Destination);
    const QString commitFailure = batch.Commit();
    if (failure.isEmpty() && commitFailure.isEmpty())
        return true;
    ShowMessage(FailureReport(failure, commitFailure, commitFailure.isEmpty() ? posted : 0));
    return false;
}

bool SimpleCopyTables(TDataSet* Source, TDataSet* Destination)
{
    return CopyRecords(Source, Destination, [] { return false; }, [] {});
}

} // namespace ExtendedCopy
