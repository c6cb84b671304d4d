#include "Env.h"

#include "Application.h"
#include "Controls.h"
#include "Dialogs.h"
#include "EClasses.h"
#include "PropertyPages.h"
#include "StatusBar.h"
#include "UnitLifetime.h"

#include <QDir>
#include <QFileInfo>

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

// Frees the wrapper records the environment made for the entries of List.
void FreeWrappers(TStringList* List)
{
    for (int i = 0; i < List->Count(); ++i)
        delete List->Objects(i);
}

void DeleteAt(TStringList* List, int Index)
{
    delete List->Objects(Index);
    List->Delete(Index);
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
    return true;
}

bool UnregisterEntityClass(TClass C)
{
    const int index = ClassNames->IndexOf(C->ClassName());
    if (index >= 0)
        for (TStringList* list : {ClassNames, ClassForms, ClassString, ClassTypes})
            list->Delete(index);
    return true;
}

bool RegisterEntityNavigator(const QString& Name, TForm* F)
{
    Navigators->AddObject(Name, F);
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
    return true;
}

bool UnregisterEntityService(const QString& ServiceName)
{
    const int index = Services->IndexOf(ServiceName);
    if (index >= 0)
        DeleteAt(Services, index);
    return true;
}

bool RegisterPropertyPage(const QString& PageName, TTabSheet* Sheet, TProcedure SaveProc, TProcedure LoadProc)
{
    PropertyPages::Pages->AddObject(PageName, Sheet);
    PropertyPages::PagesProc->AddObject(PageName, new PropertyPages::TPageProc(SaveProc, LoadProc));
    return true;
}

bool UnregiseterPropertyPage(const QString& PageName)
{
    const int index = PropertyPages::Pages->IndexOf(PageName);
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
    if (Classificators->IndexOf(Name) < 0)
        Classificators->AddObject(Name, new EClasses::TRefreshProcedure(RefreshProc));
}

void UnregisterClassificator(const QString& Name)
{
    const int index = Classificators->IndexOf(Name);
    if (index >= 0)
        DeleteAt(Classificators, index);
}

void RefreshClassificators()
{
    for (int i = 0; i < Classificators->Count(); ++i) {
        try {
            Classificators->ObjectAs<EClasses::TRefreshProcedure>(i)->Proc();
        } catch (...) {
            ShowMessage(QStringLiteral("Ошибка обновления классификатора ") + Classificators->Strings(i));
        }
    }
}

void RegisterApplication(EClasses::TEntityApplication* Application)
{
    if (!EntityApplication)
        EntityApplication = Application;
}

void UnregisterApplication(EClasses::TEntityApplication*)
{
    EntityApplication = nullptr;
}

void RegisterHelper(EClasses::THelper* Helper)
{
    Help = Helper;
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

void Initialize()
{
    Lifetime.Initialize();
}

void Finalize()
{
    Lifetime.Finalize();
}

} // namespace Env
