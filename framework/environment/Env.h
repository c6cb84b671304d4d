#pragma once
// The process-wide shared environment: the globals through which the shell, the framework's
// own units and every plug-in package see the current session, and the registries into
// which plug-in packages enter what they contribute.

#include "StringList.h"

#include <QString>
#include <QtGlobal>

class TComponent;
class TDatabase;
class TForm;
class TStatusPanel;

namespace EClasses {
class TCopyService;
class TEntityApplication;
class THelper;
class TMainForm;
} // namespace EClasses

namespace MessageManager {
class TMessageManager;
} // namespace MessageManager

namespace Env {

// A window handle: the address of a window that accepts posted window messages.
using HWND = quintptr;

// One loaded plug-in package.
class TPackageInformation : public TObject {
    VEL_DECLARE_CLASS(TPackageInformation, TObject)
public:
    TPackageInformation() = default;
    quintptr PackageHandle = 0;
    QString PackageName;
};

// The exported globals, in their declaration order.
extern TDatabase* Database;
extern QString PackagesPath;
extern QString CurrentUser;
extern qint32 CurrentUserID;
extern QString CurrentUserEx;
extern QString CurrentOrganization;
extern QString RegistryKeyRoot;
extern bool ShutDownNeeded;
extern TStringList* ContextsNames;
extern TStringList* ContextsIDs;
extern TStringList* ClassNames;
extern TStringList* ClassTypes;
extern TStringList* ClassString;
extern TStringList* ClassForms;
extern TStringList* Modules;
extern TStringList* Classificators;
extern QString USER_NAME;
extern TStringList* Navigators;
extern TStringList* Services;
extern EClasses::TMainForm* ApplicationMainForm;
extern TComponent* FormOwner;
extern TForm* CurrentDataForm;
extern TObject* CurrentObject;
extern qint32 CurrentPeriodID;
extern qint32 ActualPeriodID;
extern TStatusPanel* PrograssorPanel;
extern TStatusPanel* MessagePanel;
extern TStatusPanel* AdditionalPanel;
extern QString ProgramPath;
extern QString ApplicationPath;
extern QString ReportPath;
extern MessageManager::TMessageManager* Post;
extern EClasses::TEntityApplication* EntityApplication;
extern EClasses::THelper* Help;
extern bool TerminationState;
extern bool StopPostMessage;
extern HWND MainFormHWND;
extern EClasses::TCopyService* CopyService;
extern TForm* DirectoryChooseForm;
extern qint32 Sopost;

} // namespace Env
