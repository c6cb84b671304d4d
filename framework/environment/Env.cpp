#include "Env.h"

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

} // namespace Env
