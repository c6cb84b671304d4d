#include "ExtendedExcelExport.h"

#include "DBGrids.h"
#include "Env.h"
#include "ExcelExportSteps.h"
#include "Registry.h"

namespace ExtendedExcelExport {

using namespace ExcelExportSteps;

namespace {

const QString ExportStatus = QStringLiteral("Экспорт текущих данных");
const QString SaveStatus = QStringLiteral("Сохранение");

TDataSet* GridDataSet(TDBGrid* Grid)
{
    TDataSet* dataSet = Grid->DataSet();
    if (!dataSet)
        throw EDatabaseError(QStringLiteral("У таблицы нет набора данных"));
    return dataSet;
}

// Row 3 from column 2 on: the columns' title captions.
void WriteTitles(const TOleVariant& Excel, TDBGrid* Grid)
{
    for (int i = 0; i < Grid->Columns()->Count(); ++i)
        PutCell(Excel, 3, i + 2, Grid->Columns()->Items(i)->Title()->Caption);
}

// Every record from row 4 on: WriteRecord(row) writes one, then the progress is shown. False
// when the user stopped it.
template <class F>
bool WriteRecords(TDataSet* DataSet, F&& WriteRecord)
{
    const int count = DataSet->RecordCount();
    return WriteEachRecord(DataSet, count, [&](int Index) {
        WriteRecord(Index + 4);
        ShowProcessed(Index + 1, count);
    });
}

// A value typed by its field: texts, 32-bit integers and doubles as such, the rest as text;
// an empty value as an empty text, not as a zero.
TOleVariant TypedValue(const TField* Field)
{
    if (Field->IsNull())
        return QString();
    switch (Field->DataType()) {
    case ftInteger: return Field->AsInteger();
    case ftFloat: return Field->AsFloat();
    default: return Field->AsString();
    }
}

// Saves the report when all its records were written: a stopped export leaves the file as it was.
void SaveReport(const TOleVariant& Excel, const QString& FileName, bool Written)
{
    if (!Written)
        return;
    Env::ShowProgress(SaveStatus);
    SaveAndClose(Excel, OutputPath(ReportDirectory(), FileName));
}

} // namespace

QString ReportDirectory()
{
    TRegistry registry;
    QString directory;
    const QString name = QStringLiteral("ReportPath");
    if (registry.OpenKeyReadOnly(Env::RegistryKeyRoot + QStringLiteral("\\ZayavkaReportDialog")) && registry.ValueExists(name))
        directory = registry.ReadString(name);
    registry.CloseKey();
    return directory;
}

bool ExportToMsExcelWithTemplate(TDBGrid* Grid, const QString& TemplateName, const QString& FileName)
{
    Env::ShowProgress(ExportStatus);
    TOleVariant excel;
    bool written = false;
    WithQuit(excel, [&] {
        excel = StartWithTemplate(TemplateName);
        WriteTitles(excel, Grid);
        TDataSet* dataSet = GridDataSet(Grid);
        written = WriteRecords(dataSet, [&](int Row) {
            for (int i = 0; i < Grid->Columns()->Count(); ++i)
                PutCell(excel, Row, i + 2, dataSet->FieldByName(Grid->Columns()->Items(i)->FieldName)->AsString());
        });
        SaveReport(excel, FileName, written);
    });
    return EndExport(written);
}

bool ExportToMsExcelWithDBGrid(TDBGrid* Grid, const QString& FileName)
{
    Env::ShowProgress(ExportStatus);
    TOleVariant excel;
    bool written = false;
    TDataSet* disabled = nullptr;
    try {
        WithQuit(excel, [&] {
            excel = StartWithNewWorkbook();
            WriteTitles(excel, Grid);
            TDataSet* dataSet = GridDataSet(Grid);
            dataSet->DisableControls();
            disabled = dataSet;
            written = WriteRecords(dataSet, [&](int Row) {
                for (int i = 0; i < Grid->Columns()->Count(); ++i) {
                    try {
                        PutCell(excel, Row, i + 2, TypedValue(dataSet->FieldByName(Grid->Columns()->Items(i)->FieldName)));
                    } catch (const Exception&) {
                        // The cell stays empty; the export goes on.
                    }
                }
            });
            SaveReport(excel, FileName, written);
        });
    } catch (...) {
        if (disabled)
            disabled->EnableControls();
        throw;
    }
    disabled->EnableControls();
    return EndExport(written);
}

void ShowExcelReport(const QString&)
{
}

} // namespace ExtendedExcelExport
