#include "DemoClientExport.h"

#include "DbTables.h"
#include "DemoRecords.h"
#include "Dialogs.h"
#include "Env.h"
#include "ExcelExportSteps.h"
#include "ExtendedExcelExport.h"
#include "NUtilities.h"

namespace DemoClientExport {

namespace {

const QString FileName = QStringLiteral("Клиенты");
TMenuItem* ServiceItem = nullptr;

} // namespace

void UseReportDirectory()
{
    Env::ReportPath = ExtendedExcelExport::ReportDirectory();
}

void ExportClients()
{
    TQuery clients;
    clients.SetDatabaseName(DemoRecords::SessionDatabaseName());
    clients.SQL()->Add(QStringLiteral("select ID, NAZVANIE, GOROD, TELEFON, INN, DATA_REG from KLIENTY order by NAZVANIE"));
    clients.Open();
    if (NUtilities::ExportToMsExcel(&clients, FileName))
        ShowMessage(QStringLiteral("Файл сохранён: ") + ExcelExportSteps::OutputPath(Env::ReportPath, FileName));
}

void RegisterService()
{
    ServiceItem = DemoRecords::RegisterMenuService(ServiceName, QStringLiteral("Сервис"), [](TObject*) { ExportClients(); });
}

void UnregisterService()
{
    DemoRecords::UnregisterMenuService(ServiceName, ServiceItem);
}

} // namespace DemoClientExport
