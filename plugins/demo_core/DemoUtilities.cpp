#include "DemoUtilities.h"

#include "DbTables.h"
#include "DemoCoreClasses.h"
#include "DemoRecords.h"
#include "Dialogs.h"
#include "Env.h"
#include "Exceptions.h"
#include "Menus.h"
#include "NUtilities.h"
#include "Registry.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QStyle>

#include <memory>
#include <vector>

namespace DemoUtilities {

VEL_IMPLEMENT_CLASS(TCitySearch)

namespace {

const QString ImportDatabaseName = QStringLiteral("DEMO_IMPORT");
std::vector<TMenuItem*> ServiceItems;
bool Registered = false;

// The distinct non-empty values of a query's first column.
void ReadCities(const QString& SQL, TStringList* Cities)
{
    auto query = std::make_unique<TQuery>();
    query->SetDatabaseName(DemoRecords::SessionDatabaseName());
    query->SQL()->Add(SQL);
    query->Open();
    for (; !query->Eof(); query->Next())
        if (const QString city = query->Fields(0)->AsString().trimmed(); !city.isEmpty() && Cities->IndexOf(city) < 0)
            Cities->Add(city);
}

// The application's import alias, or empty when the settings name none.
QString ImportAlias()
{
    TRegistry registry;
    if (!registry.OpenKeyReadOnly(Env::RegistryKeyRoot) || !registry.ValueExists(QStringLiteral("AliasImport")))
        return QString();
    const QString alias = registry.ReadString(QStringLiteral("AliasImport"));
    return alias == QStringLiteral("none") ? QString() : alias;
}

// The archive of the reports folder: the user confirms or changes the folder first.
bool AskFolder(const QString& Prompt, QString& Folder)
{
    return InputQuery(QStringLiteral("Отчёты"), Prompt, Folder) && !Folder.trimmed().isEmpty();
}

void PackClick(TObject*)
{
    QString folder = ReportsFolder();
    if (!AskFolder(QStringLiteral("Папка отчётов"), folder))
        return;
    if (NUtilities::PackFiles(folder, QStringLiteral("*.*"), ArchiveOf(folder)))
        ShowMessage(QStringLiteral("Отчёты упакованы в архив ") + ArchiveOf(folder));
}

void UnpackClick(TObject*)
{
    const QString archive = ArchiveOf(ReportsFolder());
    QString target = ReportsFolder() + QStringLiteral(" (распакованные)");
    if (!AskFolder(QStringLiteral("Распаковать архив ") + archive + QStringLiteral(" в папку"), target))
        return;
    if (!QDir().mkpath(target)) {
        ShowMessage(QStringLiteral("Не удалось создать папку ") + target);
        return;
    }
    if (NUtilities::UnPackFiles(target, QString(), archive))
        ShowMessage(QStringLiteral("Архив распакован в папку ") + target);
}

void ImportClick(TObject*)
{
    if (ImportClients())
        ShowMessage(QStringLiteral("Клиенты импортированы"));
}

void AddService(const QString& Name, TNotifyEvent OnClick)
{
    auto* item = new TMenuItem;
    item->SetCaption(Name);
    item->OnClick = std::move(OnClick);
    Env::RegisterEntityService(Name, 0, QStringLiteral("Сервис"), item);
    ServiceItems.push_back(item);
}

// The city field of the client form gets a button that opens the list of cities.
void AddCityButton()
{
    auto* form = DemoRecords::FormOf<DemoRecords::TRecordForm>(DemoCoreClasses::TClientInstance::StaticClass());
    TEdit* city = form ? form->EditOf(QStringLiteral("GOROD")) : nullptr;
    if (!city)
        return;
    QAction* choose = city->addAction(QApplication::style()->standardIcon(QStyle::SP_FileDialogContentsView),
                                      QLineEdit::TrailingPosition);
    choose->setToolTip(QStringLiteral("Выбрать город из списка (F4)"));
    choose->setShortcut(Qt::Key_F4);
    choose->setShortcutContext(Qt::WidgetShortcut);
    QObject::connect(choose, &QAction::triggered, city, [city] { ChooseCity(city); });
}

} // namespace

void TCitySearch::Process(const QString& Text)
{
    TStringList found;
    ReadCities(QStringLiteral("select GOROD from KLIENTY union select GOROD from POSTAVSHCHIKI"), &found);
    FCities->Clear();
    for (int i = 0; i < found.Count(); ++i)
        if (found.Strings(i).contains(Text.trimmed(), Qt::CaseInsensitive))
            FCities->Add(found.Strings(i));
}

void ChooseCity(TEdit* CityEdit)
{
    TStringList cities;
    ReadCities(QStringLiteral("select distinct GOROD from KLIENTY"), &cities);
    TCitySearch search(&cities);
    QString city = CityEdit->Text();
    ListChooseDialog::ListDialog->FFilter = true;
    ListChooseDialog::ListDialog->Show(QStringLiteral("Город клиента"), &cities, city, true, &search);
    if (!city.isEmpty())
        CityEdit->SetText(city);
}

bool ImportClients()
{
    const QString alias = ImportAlias();
    if (alias.isEmpty()) {
        ShowMessage(QStringLiteral("Алиас для импорта не задан в параметрах приложения"));
        return false;
    }
    TDatabase source;
    source.SetDatabaseName(ImportDatabaseName);
    source.SetAliasName(alias);
    if (Env::Database)
        source.Params()->AddStrings(*Env::Database->Params());
    try {
        source.Open();
    } catch (const Exception& Error) {
        ShowMessage(QStringLiteral("Нет связи с базой данных импорта: ") + Error.Message());
        return false;
    }
    TQuery clients;
    clients.SetDatabaseName(ImportDatabaseName);
    clients.SQL()->Add(QStringLiteral("select * from KLIENTY order by ID"));
    TTable destination;
    destination.SetDatabaseName(DemoRecords::SessionDatabaseName());
    destination.SetTableName(QStringLiteral("KLIENTY"));
    return NUtilities::NUCopyTables(&clients, &destination);
}

QString ReportsFolder()
{
    const QString folder = Env::ReportPath.isEmpty() ? QDir::home().filePath(QStringLiteral("Отчёты торгового дома")) : Env::ReportPath;
    return QDir::cleanPath(folder);
}

QString ArchiveOf(const QString& Folder)
{
    return QDir::cleanPath(Folder) + QStringLiteral(".zip");
}

void RegisterUtilities()
{
    ListChooseDialog::Initialize();
    Registered = true;
    AddCityButton();
    AddService(ImportServiceName, ImportClick);
    AddService(PackServiceName, PackClick);
    AddService(UnpackServiceName, UnpackClick);
}

void UnregisterUtilities()
{
    for (TMenuItem* item : ServiceItems) {
        Env::UnregisterEntityService(item->Caption());
        delete item;
    }
    ServiceItems.clear();
    if (Registered)
        ListChooseDialog::Finalize();
    Registered = false;
}

} // namespace DemoUtilities
