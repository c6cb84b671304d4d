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
    WithQuit(excel, [&] {
        excel = StartWithNewWorkbook();
        DataSet->First();
        for (int row = 3; !DataSet->Eof(); ++row) {
            for (int i = 0; i < DataSet->FieldCount(); ++i)
                PutCell(excel, row, i + 2, DataSet->Fields(i)->AsString());
            DataSet->Next();
        }
        Env::ShowProgress(QStringLiteral("Сохранение"));
        SaveAndClose(excel, OutputPath(Env::ReportPath, FileName));
    });
    Env::ShowProgress(QString());
    return true;
}

} // namespace NUtilities
