#pragma once
// The steps the spreadsheet exports share: the automation calls on "Excel.Application",
// the output path, and the quit that ends every export whether it succeeded or not.

#include "Automation.h"
#include "Db.h"
#include "LongWork.h"

#include <QString>

namespace ExcelExportSteps {

// The output path: Directory (the home directory when empty), "/", the file-name part of
// FileName and ".xls"; a name already ending in ".xls" gets a second one.
QString OutputPath(const QString& Directory, const QString& FileName);

// A new application object with a new workbook (or the template opened), sheet 1 selected.
TOleVariant StartWithNewWorkbook();
TOleVariant StartWithTemplate(const QString& TemplateName);
// Puts Value into the cell (Row, Column) of sheet 1, going through the application each time.
void PutCell(const TOleVariant& Excel, int Row, int Column, const TOleVariant& Value);
// Saves workbook 1 as Path and closes the workbooks.
void SaveAndClose(const TOleVariant& Excel, const QString& Path);

// Runs Export with the application it starts in Excel, then tells the application to quit:
// after a failure the quit is attempted and the failure passes on; after success a failing
// quit reaches the caller.
template <class F>
void WithQuit(TOleVariant& Excel, F&& Export)
{
    try {
        Export();
    } catch (...) {
        try {
            if (!Excel.IsEmpty())
                Excel.Call(QStringLiteral("Quit"));
        } catch (...) {
        }
        throw;
    }
    Excel.Call(QStringLiteral("Quit"));
}

// Goes through DataSet from its first record, WriteRecord(Index) for each (Index from 0), as
// long work the user can stop (Total: the records, below zero when not known). Stopped, no
// further record is written, the status panel tells how many were, and the result is false.
template <class F>
bool WriteEachRecord(TDataSet* DataSet, qint64 Total, F&& WriteRecord)
{
    LongWork::TLongWork work(Total);
    DataSet->First();
    for (int index = 0; !DataSet->Eof(); ++index) {
        if (!work.Step()) {
            const QString done = QStringLiteral("Прервано пользователем: обработано %1 записей").arg(index);
            work.SetStoppedText(Total < 0 ? done : done + QStringLiteral(" из %1").arg(Total));
            return false;
        }
        WriteRecord(index);
        DataSet->Next();
    }
    return true;
}

// "Обработано N записей из M..." every 20 records.
void ShowProcessed(int Processed, int Count);

// Clears the status text after a finished export (a stopped one keeps its report); Written.
bool EndExport(bool Written);

} // namespace ExcelExportSteps
