// Export of a whole dataset into a spreadsheet file (the unit NUtilities).

#include "NUtilities.h"

#include "Db.h"
#include "Env.h"
#include "ExcelExportSteps.h"

namespace NUtilities {

using namespace ExcelExportSteps;

bool ExportToMsExcel(TDataSet* DataSet, const QString& FileName)
{
    Env::ShowProgress(QStringLiteral("Экспорт текущих данных"));
    TOleVariant excel;
    bool written = false;
    WithQuit(excel, [&] {
        excel = StartWithNewWorkbook();
        written = WriteEachRecord(DataSet, -1, [&](int Index) {
            for (int i = 0; i < DataSet->FieldCount(); ++i)
                PutCell(excel, Index + 3, i + 2, DataSet->Fields(i)->AsString());
        });
        if (!written)
            return;
        Env::ShowProgress(QStringLiteral("Сохранение"));
        SaveAndClose(excel, OutputPath(Env::ReportPath, FileName));
    });
    return EndExport(written);
}

} // namespace NUtilities
