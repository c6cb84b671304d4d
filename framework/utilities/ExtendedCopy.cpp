#include "ExtendedCopy.h"

#include "Db.h"
#include "Dialogs.h"
#include "Exceptions.h"

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
    CloseBoth(Source, Destination);
    return true;
}

bool SimpleCopyTables(TDataSet* Source, TDataSet* Destination)
{
    return CopyRecords(Source, Destination, [] { return false; }, [] {});
}

} // namespace ExtendedCopy
