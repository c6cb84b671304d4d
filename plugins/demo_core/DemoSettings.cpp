#include "DemoSettings.h"

#include "DbTables.h"
#include "DemoRecords.h"
#include "DemoSequencer.h"
#include "Dialogs.h"
#include "Env.h"
#include "Menus.h"
#include "Registry.h"

#include <memory>

namespace DemoSettings {

VEL_IMPLEMENT_CLASS(TTradeSheet)
VEL_IMPLEMENT_CLASS(TReferenceCopyCartridge)

namespace {

const QString StatusValue = QStringLiteral("NewOrderStatus");
const QString DefaultStatus = QStringLiteral("Новый");
const QStringList ReferenceTables = {QStringLiteral("KLIENTY"), QStringLiteral("TOVARY"), QStringLiteral("POSTAVSHCHIKI"),
    QStringLiteral("SKLADY")};

QStringList Statuses;
// Whether the last refresh of the classificators read the order statuses.
bool StatusesRefreshed = false;
TTradeSheet* Sheet = nullptr;
TMenuItem* ServiceItem = nullptr;
TReferenceCopyCartridge Cartridge;

void LoadPage()
{
    Sheet->LoadSheetProperties();
}

void SavePage()
{
    Sheet->SaveSheetProperties();
}

void RefreshStatuses()
{
    ReloadOrderStatuses();
    StatusesRefreshed = true;
}

// The reference tables' columns after ID, as the database names them.
QStringList CopiedColumns(const QString& Table)
{
    auto query = std::make_unique<TQuery>();
    query->SetDatabaseName(DemoRecords::SessionDatabaseName());
    query->SQL()->Add(QStringLiteral("select * from %1 where 1 = 0").arg(Table));
    query->Open();
    TStringList names;
    query->GetFieldNames(&names);
    query->Close();
    QStringList columns;
    for (const QString& name : names.ToQStringList())
        if (name.compare(QStringLiteral("ID"), Qt::CaseInsensitive) != 0 && name.compare(QStringLiteral("NAZVANIE"), Qt::CaseInsensitive) != 0)
            columns.append(name);
    return columns;
}

// The framework tells a failed refresh itself; the service then says that the reference
// data was not updated rather than that it was.
void ServiceClick(TObject*)
{
    StatusesRefreshed = false;
    Env::RefreshClassificators();
    if (StatusesRefreshed)
        ShowMessage(QStringLiteral("Справочники обновлены: статусов заказов %1").arg(Statuses.size()));
    else
        ShowMessage(QStringLiteral("Справочники не обновлены: статусы заказов не прочитаны"));
}

} // namespace

// --- the property page ----------------------------------------------------------------------

TTradeSheet::TTradeSheet()
    : TEntityTabSheet(nullptr), StatusEdit(nullptr)
{
    SetCaption(PageName);
    auto* label = new TLabel(this, this);
    label->SetCaption(QStringLiteral("Статус нового заказа"));
    label->SetAlign(alTop);
    StatusEdit = new TEdit(this, this);
    StatusEdit->SetAlign(alTop);
}

void TTradeSheet::LoadSheetProperties()
{
    StatusEdit->SetText(NewOrderStatus());
}

void TTradeSheet::SaveSheetProperties()
{
    TRegistry registry;
    if (!registry.OpenKey(SettingsKey(), true))
        return;
    const QString status = StatusEdit->Text().trimmed();
    registry.WriteString(StatusValue, status.isEmpty() ? DefaultStatus : status);
    registry.CloseKey();
}

QString SettingsKey()
{
    const QString root = Env::RegistryKeyRoot.isEmpty() ? QStringLiteral("Software\\Velnor07") : Env::RegistryKeyRoot;
    return root + QStringLiteral("\\DemoCore");
}

QString NewOrderStatus()
{
    TRegistry registry;
    if (!registry.OpenKeyReadOnly(SettingsKey()) || !registry.ValueExists(StatusValue))
        return DefaultStatus;
    const QString status = registry.ReadString(StatusValue);
    return status.isEmpty() ? DefaultStatus : status;
}

// --- the classificator ----------------------------------------------------------------------

QStringList OrderStatuses()
{
    return Statuses;
}

void ReloadOrderStatuses()
{
    auto query = std::make_unique<TQuery>();
    query->SetDatabaseName(DemoRecords::SessionDatabaseName());
    query->SQL()->Add(QStringLiteral("select distinct STATUS from ZAKAZY where STATUS is not null order by STATUS"));
    query->Open();
    Statuses.clear();
    for (; !query->Eof(); query->Next())
        Statuses.append(query->Fields(0)->AsString());
    query->Close();
}

void ForgetOrderStatuses()
{
    Statuses.clear();
}

// --- the copy cartridge ---------------------------------------------------------------------

bool TReferenceCopyCartridge::CanCopy(TObject* Source)
{
    auto* instance = dynamic_cast<DemoRecords::TRecordInstance*>(Source);
    return instance && ReferenceTables.contains(instance->TableName, Qt::CaseInsensitive);
}

TObject* TReferenceCopyCartridge::Copy(TObject* Source)
{
    if (!CanCopy(Source))
        return nullptr;
    auto* source = static_cast<DemoRecords::TRecordInstance*>(Source);
    const QString table = source->TableName;
    const QString columns = CopiedColumns(table).join(QStringLiteral(", "));
    const qint64 id = DemoSequencer::NextKey(table);
    const QString name = QStringLiteral("Копия ") + source->Name;
    const QString tail = columns.isEmpty() ? QString() : QStringLiteral(", ") + columns;
    DemoRecords::ExecSQL(QStringLiteral("insert into %1 (ID, NAZVANIE%2) select :NEWID, :NAME%2 from %1 where ID = :OLDID").arg(table, tail),
        {{QStringLiteral("NEWID"), id}, {QStringLiteral("NAME"), name}, {QStringLiteral("OLDID"), source->ID}});
    EClasses::TEntityInstance* copy = EClasses::CreateInstance(source->ClassType(), id, name);
    copy->AddToNew(table, id);
    return copy;
}

QString TReferenceCopyCartridge::Description()
{
    return QStringLiteral("Копирование клиентов, товаров, поставщиков и складов");
}

// --- registration ---------------------------------------------------------------------------

void RegisterSettings()
{
    Sheet = new TTradeSheet;
    Env::RegisterPropertyPage(PageName, Sheet, SavePage, LoadPage);
    Env::RegisterClassificator(ClassificatorName, RefreshStatuses);
    Env::CopyService->RegisterCopyCartridge(CartridgeName, &Cartridge);
    ServiceItem = DemoRecords::RegisterMenuService(ServiceName, ServiceName, ServiceClick);
}

void UnregisterSettings()
{
    // The page is registered first: without it nothing else was.
    if (!Sheet)
        return;
    DemoRecords::UnregisterMenuService(ServiceName, ServiceItem);
    if (Env::CopyService && Env::CopyService->GetCopyCartridge(CartridgeName) == &Cartridge)
        Env::CopyService->UnRegisterCopyCartridge(CartridgeName, &Cartridge);
    Env::UnregisterClassificator(ClassificatorName);
    Env::UnregiseterPropertyPage(PageName);
    delete Sheet;
    Sheet = nullptr;
    Statuses.clear();
}

} // namespace DemoSettings
