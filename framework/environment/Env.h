#pragma once
// The process-wide shared environment: the globals through which the shell, the framework's
// own units and every plug-in package see the current session, and the registries into
// which plug-in packages enter what they contribute.

#include "StringList.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <functional>

class TComponent;
class TDatabase;
class TForm;
class TMenuItem;
class TStatusPanel;
class TTabSheet;

namespace EClasses {
class TCopyService;
class TEntityApplication;
class THelper;
class TMainForm;
class TOptionForm;
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

// A procedure without arguments (refresh procedures, property page load and save).
using TProcedure = void (*)();

// Entity classes: one entry in each of the four parallel class lists per registration.
bool RegisterEntityClass(TClass C, TForm* F);
bool UnregisterEntityClass(TClass C);

bool RegisterEntityNavigator(const QString& Name, TForm* F);
bool UnregisterEntityNavigator(TForm* F);

// Menu services; the integer is ignored. MenuCaption names the top-level menu of the item.
bool RegisterEntityService(const QString& ServiceName, qint32 Unused, const QString& MenuCaption, TMenuItem* MenuItem);
bool UnregisterEntityService(const QString& ServiceName);

// Property pages (into PropertyPages::Pages and PagesProc) and the main property form.
bool RegisterPropertyPage(const QString& PageName, TTabSheet* Sheet, TProcedure SaveProc, TProcedure LoadProc);
bool UnregiseterPropertyPage(const QString& PageName);
bool RegisterMainPropertyPage(EClasses::TOptionForm* Form);
bool UnRegisterMainPropertyPage();

// Classificators: the first registration of a name is kept.
void RegisterClassificator(const QString& Name, TProcedure RefreshProc);
void UnregisterClassificator(const QString& Name);
// Calls every refresh procedure in list order; a failing one is reported and the rest go on.
void RefreshClassificators();

// The application object (the first registration wins) and the help object (the last wins).
void RegisterApplication(EClasses::TEntityApplication* Application);
void UnregisterApplication(EClasses::TEntityApplication* Application);
void RegisterHelper(EClasses::THelper* Helper);
void UnregisterHelper();

// Session hooks of the shell.
void InitDataBaseConnection(TDatabase* Connection);
void FreeDataBaseConnection();
void CheckPermission();
void AddLogRecord(const QString& Text);

// Puts a progress text into the message panel, when there is one, and lets the application
// process pending messages so that it is painted before the next step runs.
void ShowProgress(const QString& Text);

// Shows a progress text, as ShowProgress does, for as long as it lives, and clears it when
// it ends, on every path.
class TProgressText {
public:
    explicit TProgressText(const QString& Text) { ShowProgress(Text); }
    ~TProgressText() { ShowProgress(QString()); }
    TProgressText(const TProgressText&) = delete;
    TProgressText& operator=(const TProgressText&) = delete;
};

// The path of FileName among the files the program writes beside itself (the SQL log, a
// logger's log): in ProgramPath when that folder is writable (a build tree), otherwise in the
// user's state folder, $XDG_STATE_HOME/velnor07/, else ~/.local/state/velnor07/ (created when
// missing), as when the program is installed system-wide.
QString ProgramFile(const QString& FileName);

// Taking back what a package left registered. Every registry entry remembers the package
// that was loading when it was made (TStringList::Owner, LoadingPackage() in Packages.h);
// an Unregister call made by a package removes that package's own entry of the name.
// A registry calls TrackPackageRegistration(Sweep) with each registration it takes: when a
// package is loading, Sweep runs once for it when it unloads, after its finalisation and
// before its library is unmapped. Sweep(Package) removes the entries the package still has
// and returns a description of each (such as "мастер \"Заказы\""); all that the sweeps of
// one package took back is written on one line of standard error naming the package.
// Outside a package's loading the call does nothing.
using TLeftoverSweep = QStringList (*)(quintptr Package);
void TrackPackageRegistration(TLeftoverSweep Sweep);
// Also hands each such report (the line written to standard error) to Observer, so that a
// package's tests can fail on it; an empty Observer ends that.
void SetLeftoverObserver(std::function<void(const QString& Report)> Observer);

// Removes from List (none when null) every entry Package added, from the last to the
// first, calling Remove(Index) for each (which must delete the entry, and may free its
// object); returns Kind followed by the entry's quoted text for each.
QStringList SweepEntries(TStringList* List, quintptr Package, const QString& Kind, const std::function<void(int)>& Remove);

// For a registry of one object, registered by the package Owner (0: the program): clears
// Object when Package registered it; Description when it did, else nothing.
template <class T>
QStringList SweepObject(T*& Object, quintptr Owner, quintptr Package, const QString& Description)
{
    if (!Object || Owner != Package)
        return {};
    Object = nullptr;
    return {Description};
}

void Initialize();
void Finalize();

} // namespace Env
