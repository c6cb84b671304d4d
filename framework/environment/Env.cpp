#include "Env.h"

#include "Application.h"
#include "Controls.h"
#include "Dialogs.h"
#include "EClasses.h"
#include "Exceptions.h"
#include "Packages.h"
#include "PropertyPages.h"
#include "StatusBar.h"
#include "UnitLifetime.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>
#include <map>
#include <vector>

namespace Env {

VEL_IMPLEMENT_CLASS(TPackageInformation)

TDatabase* Database = nullptr;
QString PackagesPath;
QString CurrentUser;
qint32 CurrentUserID = 0;
QString CurrentUserEx;
QString CurrentOrganization;
QString RegistryKeyRoot;
bool ShutDownNeeded = false;
TStringList* ContextsNames = nullptr;
TStringList* ContextsIDs = nullptr;
TStringList* ClassNames = nullptr;
TStringList* ClassTypes = nullptr;
TStringList* ClassString = nullptr;
TStringList* ClassForms = nullptr;
TStringList* Modules = nullptr;
TStringList* Classificators = nullptr;
QString USER_NAME;
TStringList* Navigators = nullptr;
TStringList* Services = nullptr;
EClasses::TMainForm* ApplicationMainForm = nullptr;
TComponent* FormOwner = nullptr;
TForm* CurrentDataForm = nullptr;
TObject* CurrentObject = nullptr;
qint32 CurrentPeriodID = 0;
qint32 ActualPeriodID = 0;
TStatusPanel* PrograssorPanel = nullptr;
TStatusPanel* MessagePanel = nullptr;
TStatusPanel* AdditionalPanel = nullptr;
QString ProgramPath;
QString ApplicationPath;
QString ReportPath;
MessageManager::TMessageManager* Post = nullptr;
EClasses::TEntityApplication* EntityApplication = nullptr;
EClasses::THelper* Help = nullptr;
bool TerminationState = false;
bool StopPostMessage = false;
HWND MainFormHWND = 0;
EClasses::TCopyService* CopyService = nullptr;
TForm* DirectoryChooseForm = nullptr;
qint32 Sopost = 0;

namespace {

void DeleteAt(TStringList* List, int Index)
{
    delete List->Objects(Index);
    List->Delete(Index);
}

// The packages that registered the application object and the help object (0: none did).
quintptr ApplicationPackage = 0;
quintptr HelpPackage = 0;

// The sweeps to run for each package that registered something while loading.
std::map<quintptr, std::vector<TLeftoverSweep>> PendingSweeps;

QString Quoted(const QString& Text)
{
    return QLatin1Char('"') + Text + QLatin1Char('"');
}

// Told every report of SweepLeftovers.
std::function<void(const QString&)> LeftoverObserver;

// Runs the sweeps of Package and reports what they took back.
void SweepLeftovers(quintptr Package)
{
    const auto pending = PendingSweeps.extract(Package);
    QStringList left;
    for (TLeftoverSweep sweep : pending.mapped())
        left += sweep(Package);
    if (left.isEmpty())
        return;
    const QString report = QStringLiteral("Пакет %1 при выгрузке оставил зарегистрированными, они сняты: %2")
                               .arg(PackageFileName(Package), left.join(QStringLiteral(", ")));
    std::fprintf(stderr, "%s\n", qUtf8Printable(report));
    if (LeftoverObserver)
        LeftoverObserver(report);
}

// The entries of the environment's own registries and of the property pages.
QStringList SweepRegistries(quintptr Package)
{
    QStringList left = SweepEntries(ClassNames, Package, QStringLiteral("класс"), [](int Index) {
        for (TStringList* list : {ClassNames, ClassForms, ClassString, ClassTypes})
            list->Delete(Index);
    });
    left += SweepEntries(Navigators, Package, QStringLiteral("навигатор"), [](int Index) { Navigators->Delete(Index); });
    left += SweepEntries(Services, Package, QStringLiteral("сервис"), [](int Index) { DeleteAt(Services, Index); });
    left += SweepEntries(Classificators, Package, QStringLiteral("классификатор"), [](int Index) { DeleteAt(Classificators, Index); });
    left += SweepEntries(PropertyPages::Pages, Package, QStringLiteral("страница свойств"), [](int Index) {
        PropertyPages::Pages->Delete(Index);
        DeleteAt(PropertyPages::PagesProc, Index);
    });
    left += SweepObject(EntityApplication, ApplicationPackage, Package, QStringLiteral("объект приложения"));
    left += SweepObject(Help, HelpPackage, Package, QStringLiteral("объект справки"));
    return left;
}

// Frees the wrapper records the environment made for the entries of List.
void FreeWrappers(TStringList* List)
{
    for (int i = 0; i < List->Count(); ++i)
        delete List->Objects(i);
}

void FreeList(TStringList*& List)
{
    delete List;
    List = nullptr;
}

void InitializeUnit()
{
    EntityApplication = nullptr;
    ShutDownNeeded = false;
    AddLogRecord(QStringLiteral("Новый сеанс работы"));
    ClassNames = new TStringList;
    ClassString = new TStringList;
    ClassForms = new TStringList;
    ClassTypes = new TStringList;
    Modules = new TStringList;
    Navigators = new TStringList;
    Services = new TStringList;
    Classificators = new TStringList;
    StopPostMessage = false;
    CopyService = new EClasses::TCopyService;
    Sopost = 0;
}

void FinalizeUnit()
{
    delete CopyService;
    CopyService = nullptr;
    StopPostMessage = true;
    // Entries a package left behind: the environment's own wrapper records go with the lists.
    FreeWrappers(Services);
    FreeWrappers(Classificators);
    for (TStringList** list : {&Services, &Navigators, &Modules, &ClassForms, &ClassString, &ClassNames, &ClassTypes, &Classificators})
        FreeList(*list);
    for (QString* text : {&ReportPath, &ApplicationPath, &ProgramPath, &USER_NAME, &RegistryKeyRoot, &CurrentOrganization,
                          &CurrentUserEx, &CurrentUser, &PackagesPath})
        text->clear();
}

TUnitLifetime Lifetime(InitializeUnit, FinalizeUnit);

} // namespace

bool RegisterEntityClass(TClass C, TForm* F)
{
    const QString name = C->ClassName();
    ClassNames->AddObject(name, C);
    ClassForms->AddObject(name, F);
    ClassString->Add(name);
    ClassTypes->Add(QString());
    TrackPackageRegistration(SweepRegistries);
    return true;
}

bool UnregisterEntityClass(TClass C)
{
    const int index = ClassNames->IndexOfOwn(C->ClassName());
    if (index >= 0)
        for (TStringList* list : {ClassNames, ClassForms, ClassString, ClassTypes})
            list->Delete(index);
    return true;
}

bool RegisterEntityNavigator(const QString& Name, TForm* F)
{
    Navigators->AddObject(Name, F);
    TrackPackageRegistration(SweepRegistries);
    return true;
}

bool UnregisterEntityNavigator(TForm* F)
{
    const int index = Navigators->IndexOfObject(F);
    if (index >= 0)
        Navigators->Delete(index);
    return true;
}

bool RegisterEntityService(const QString& ServiceName, qint32, const QString& MenuCaption, TMenuItem* MenuItem)
{
    Services->AddObject(ServiceName, new EClasses::TServiceInfo(MenuCaption, MenuItem));
    TrackPackageRegistration(SweepRegistries);
    return true;
}

bool UnregisterEntityService(const QString& ServiceName)
{
    const int index = Services->IndexOfOwn(ServiceName);
    if (index >= 0)
        DeleteAt(Services, index);
    return true;
}

bool RegisterPropertyPage(const QString& PageName, TTabSheet* Sheet, TProcedure SaveProc, TProcedure LoadProc)
{
    PropertyPages::Pages->AddObject(PageName, Sheet);
    PropertyPages::PagesProc->AddObject(PageName, new PropertyPages::TPageProc(SaveProc, LoadProc));
    TrackPackageRegistration(SweepRegistries);
    return true;
}

bool UnregiseterPropertyPage(const QString& PageName)
{
    const int index = PropertyPages::Pages->IndexOfOwn(PageName);
    if (index >= 0) {
        PropertyPages::Pages->Delete(index);
        DeleteAt(PropertyPages::PagesProc, index);
    }
    return true;
}

bool RegisterMainPropertyPage(EClasses::TOptionForm* Form)
{
    PropertyPages::PropertyForm = Form;
    return true;
}

bool UnRegisterMainPropertyPage()
{
    PropertyPages::PropertyForm = nullptr;
    return true;
}

void RegisterClassificator(const QString& Name, TProcedure RefreshProc)
{
    if (Classificators->IndexOf(Name) >= 0)
        return;
    Classificators->AddObject(Name, new EClasses::TRefreshProcedure(RefreshProc));
    TrackPackageRegistration(SweepRegistries);
}

void UnregisterClassificator(const QString& Name)
{
    const int index = Classificators->IndexOfOwn(Name);
    if (index >= 0)
        DeleteAt(Classificators, index);
}

void RefreshClassificators()
{
    for (int i = 0; i < Classificators->Count(); ++i) {
        try {
            // A procedure registered as null fails like any other, instead of crashing.
            const EClasses::TRefreshProcedure* refresh = Classificators->ObjectAs<EClasses::TRefreshProcedure>(i);
            if (!refresh->Proc)
                throw Exception(QStringLiteral("Процедура обновления не задана"));
            refresh->Proc();
        } catch (...) {
            ShowMessage(QStringLiteral("Ошибка обновления классификатора ") + Classificators->Strings(i));
        }
    }
}

void RegisterApplication(EClasses::TEntityApplication* Application)
{
    if (EntityApplication)
        return;
    EntityApplication = Application;
    ApplicationPackage = LoadingPackage();
    TrackPackageRegistration(SweepRegistries);
}

void UnregisterApplication(EClasses::TEntityApplication*)
{
    EntityApplication = nullptr;
}

void RegisterHelper(EClasses::THelper* Helper)
{
    Help = Helper;
    HelpPackage = LoadingPackage();
    TrackPackageRegistration(SweepRegistries);
}

void UnregisterHelper()
{
    Help = nullptr;
}

void InitDataBaseConnection(TDatabase* Connection)
{
    Database = Connection;
}

void FreeDataBaseConnection()
{
}

void CheckPermission()
{
}

void ShowProgress(const QString& Text)
{
    if (MessagePanel)
        MessagePanel->SetText(Text);
    Application::ProcessMessages();
}

void AddLogRecord(const QString&)
{
}

QString ProgramFile(const QString& FileName)
{
    if (!ProgramPath.isEmpty() && QFileInfo(ProgramPath).isWritable())
        return QDir(ProgramPath).filePath(FileName);
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty())
        state = QDir::homePath() + QStringLiteral("/.local/state");
    const QString folder = state + QStringLiteral("/velnor07");
    QDir().mkpath(folder);
    return folder + QLatin1Char('/') + FileName;
}

void SetLeftoverObserver(std::function<void(const QString& Report)> Observer)
{
    LeftoverObserver = std::move(Observer);
}

void TrackPackageRegistration(TLeftoverSweep Sweep)
{
    const quintptr package = LoadingPackage();
    if (!package)
        return;
    const auto [pending, first] = PendingSweeps.try_emplace(package);
    if (first)
        AddPackageUnloadHandler(package, [package] { SweepLeftovers(package); });
    if (std::find(pending->second.begin(), pending->second.end(), Sweep) == pending->second.end())
        pending->second.push_back(Sweep);
}

QStringList SweepEntries(TStringList* List, quintptr Package, const QString& Kind, const std::function<void(int)>& Remove)
{
    QStringList left;
    for (int i = List ? List->Count() - 1 : -1; i >= 0; --i) {
        if (List->Owner(i) != Package)
            continue;
        left.prepend(Kind + QLatin1Char(' ') + Quoted(List->Strings(i)));
        Remove(i);
    }
    return left;
}

void Initialize()
{
    Lifetime.Initialize();
}

void Finalize()
{
    Lifetime.Finalize();
}

} // namespace Env
