#include "DemoOrderForm.h"

#include "DemoSalesClasses.h"
#include "Dialogs.h"
#include "Env.h"
#include "ExcelExportSteps.h"
#include "ExtendedExcelExport.h"
#include "NavigatorManager.h"
#include "Registry.h"

namespace DemoOrderForm {

VEL_IMPLEMENT_CLASS(TOrderForm)

namespace {

const int LinesHeight = 220;

const char* LinesSQL = "select s.ID, t.NAZVANIE as TOVAR, t.EDINICA, s.KOLICHESTVO, s.CENA from STROKI_ZAKAZA s "
                       "join TOVARY t on t.ID = s.TOVAR_ID where s.ZAKAZ_ID = :ID order by s.ID";

} // namespace

QString OrderTemplate()
{
    TRegistry registry;
    QString name;
    if (registry.OpenKeyReadOnly(Env::RegistryKeyRoot + QStringLiteral("\\ZayavkaReportDialog"))
        && registry.ValueExists(QStringLiteral("OrderTemplate")))
        name = registry.ReadString(QStringLiteral("OrderTemplate"));
    registry.CloseKey();
    return name;
}

TOrderForm::TOrderForm(const QString& Caption, const QList<DemoRecords::TColumn>& Columns)
    : TRecordForm(Caption, Columns, true), FLines(new TQuery(this)), FSource(new TDataSource(this))
{
    auto* lines = new TPanel(this, this);
    lines->SetAlign(alTop);
    lines->setFixedHeight(LinesHeight);
    TPanel* bar = DemoRecords::NewButtonBar(lines, lines, alBottom);
    FExportButton = DemoRecords::AddBarButton(bar, QStringLiteral("Выгрузить в Excel"), [this](TObject*) { ExportClick(); });
    FTemplateButton = DemoRecords::AddBarButton(bar, QStringLiteral("Бланк заказа"), [this](TObject*) { TemplateClick(); });
    FClientButton = DemoRecords::AddBarButton(bar, QStringLiteral("Клиент заказа"), [this](TObject*) { ClientClick(); });
    FSaveButton = DemoRecords::AddBarButton(bar, QStringLiteral("Сохранить"), [this](TObject*) { SaveClick(); });
    FGrid = new TDBGrid(lines, lines);
    FGrid->SetAlign(alClient);
    FGrid->Columns()->Add(QStringLiteral("TOVAR"), QStringLiteral("Товар"));
    FGrid->Columns()->Add(QStringLiteral("EDINICA"), QStringLiteral("Ед."));
    FGrid->Columns()->Add(QStringLiteral("KOLICHESTVO"), QStringLiteral("Количество"));
    FGrid->Columns()->Add(QStringLiteral("CENA"), QStringLiteral("Цена"));
    FGrid->setColumnWidth(0, 260);
    FLines->SQL()->Add(QString::fromUtf8(LinesSQL));
    FSource->SetDataSet(FLines);
    FGrid->SetDataSource(FSource);
}

void TOrderForm::ShowLines(qint64 OrderID, const QString& OrderName)
{
    FOrderName = OrderName;
    FLines->Close();
    FLines->SetDatabaseName(DemoRecords::SessionDatabaseName());
    FLines->ParamByName(QStringLiteral("ID"))->SetValue(OrderID);
    FLines->Open();
}

void TOrderForm::ExportClick()
{
    if (ExtendedExcelExport::ExportToMsExcelWithDBGrid(FGrid, FOrderName))
        Exported(FOrderName);
}

void TOrderForm::TemplateClick()
{
    const QString templateName = OrderTemplate();
    if (templateName.isEmpty()) {
        ShowMessage(QStringLiteral("Не задан шаблон бланка заказа (значение OrderTemplate в настройках отчётов)"));
        return;
    }
    const QString fileName = QStringLiteral("Бланк ") + FOrderName;
    if (ExtendedExcelExport::ExportToMsExcelWithTemplate(FGrid, templateName, fileName))
        Exported(fileName);
}

// The client of the code in the form's field, which is what the user sees.
void TOrderForm::ClientClick()
{
    EClasses::TNavigator* navigator = NavigatorManager::CurrentNavigator;
    const TClass clients = DemoRecords::RegisteredClass(QStringLiteral("TClientsClass"));
    const TClass client = DemoRecords::RegisteredClass(QStringLiteral("TClientInstance"));
    if (!navigator || !clients || !client)
        return;
    if (const qint64 id = DemoSalesClasses::ExistingClient(EditOf(QStringLiteral("KLIENT_ID"))->Text()))
        navigator->ActivateObjectInstance(clients, client, id);
}

// The rebuilding frees the order's entity and makes a new one: nothing of the old one is
// touched afterwards. A save that failed leaves the form as it is, with the user's edits.
void TOrderForm::SaveClick()
{
    auto* order = dynamic_cast<EClasses::TEntityInstance*>(Entity);
    if (!order || !SaveShownRow())
        return;
    if (NavigatorManager::CurrentNavigator)
        NavigatorManager::CurrentNavigator->RefreshObjectDependences(order);
}

void TOrderForm::Exported(const QString& FileName)
{
    ShowMessage(QStringLiteral("Файл сохранён: ")
                + ExcelExportSteps::OutputPath(ExtendedExcelExport::ReportDirectory(), FileName));
}

} // namespace DemoOrderForm
