#pragma once
// The main window of the shell: the menu, the status bar of three panels and the client
// panel into which the forms of a session dock. It runs the connect command with the login
// and the user check, the session's start and stop sequences, and answers the window
// messages that ask for them.

#include "Controls.h"
#include "DbTables.h"
#include "EClasses.h"
#include "Menus.h"
#include "StatusBar.h"

#include <functional>

class TRegistry;

namespace mainform {

// Window messages the main window answers.
constexpr int WM_CONNECT = 1110;    // run the connect command
constexpr int WM_RECONNECT = 1109;  // stop the session, then run the connect command

class TForm1 : public EClasses::TMainForm {
    Q_OBJECT
    VEL_DECLARE_CLASS(TForm1, EClasses::TMainForm)
public:
    explicit TForm1(TComponent* AOwner = nullptr);
    ~TForm1() override;

    TMainMenu* MainMenu1;
    TMenuItem* FileItem;
    TMenuItem* ConnectItem;
    TMenuItem* DisconnectItem;
    TMenuItem* N1;
    TMenuItem* CloseItem;
    TMenuItem* ServiceItem;
    TMenuItem* TuningItem;
    TMenuItem* HelpItem;
    TMenuItem* N2;
    TStatusBar* StatusBar1;
    TPanel* Panel1;
    // The session's database connection and the query of the user check.
    TDatabase* Database1;
    TQuery* UserInfoRequest;

    void FormCreate(TObject* Sender);
    void FormShow(TObject* Sender);
    void FormCloseQuery(TObject* Sender, bool& CanClose);
    void FormCanResize(TObject* Sender, int& NewWidth, int& NewHeight, bool& Resize);
    void FormClose(TObject* Sender);
    void CloseItemClick(TObject* Sender);
    void StatusBar1Resize(TObject* Sender);
    void N2Click(TObject* Sender);
    void ConnectItemClick(TObject* Sender);
    void DisconnectItemClick(TObject* Sender);
    void TuningItemClick(TObject* Sender);
    // Opens the service information window behind its password.
    void StatusBar1DblClick(TObject* Sender);

    // Ends the current work session (for plug-ins).
    void Terminate() override;
    bool WindowMessage(int Message) override;

    bool SessionRunning() const { return FSessionRunning; }

protected:
    void DoShow() override { FormShow(this); }
    bool CloseQuery() override;
    void DoClose() override { FormClose(this); }
    bool CanResize(int& NewWidth, int& NewHeight) override;

    // The start sequence of a session, once the database is open and the user checked.
    void StartSession();
    // The stop sequence of a session; does nothing while no session runs.
    void StopSession();

    // True from the point the session start has started the application until the stop.
    bool FSessionRunning = false;
    // The chosen application's key name, the database user name and password.
    QString FKeyName;
    QString FUserName;
    QString FPassword;
    // Top-level menus added for services in this session.
    int FAddedMenuCount = 0;

private:
    void CreateMenu();
    TMenuItem* AddMenuItem(TMenuItem* Parent, const QString& Caption, void (TForm1::*Handler)(TObject*) = nullptr);
    void CreateStatusBar();
    void CreateClientPanel();
    void CreateDataComponents();
    // Connect steps: the chosen application's key name (empty when cancelled), the database
    // login and the user check; the last two say whether the command goes on.
    QString ChooseApplication();
    // The value when it is there, else Default written back; a registry that cannot be
    // written (a read-only file) is told once, and the connect goes on with what could be read.
    QString ReadOrWriteString(TRegistry& Key, const QString& Name, const QString& Default);
    int ReadOrWriteInteger(TRegistry& Key, const QString& Name, int Default);
    bool LogIn(TRegistry& ApplicationKey);
    bool TakeAlias(TRegistry& ApplicationKey);
    bool AskLogin(TRegistry& ApplicationKey);
    bool OpenWithLogin();
    bool OpenWithoutLogin();
    bool CheckUser();
    // The user's ID from the open user query; false when the user is not listed.
    bool TakeUserID();
    QString UserQueryText() const;
    // Starts the session, or asks for the package directory and ends the program.
    void StartOrReconfigure(TRegistry& ApplicationKey);

    // Start steps: a new manager for this connect's messages; the services into the menus;
    // the application object's start (false when it ended the session at once).
    void RenewMessageManager();
    void AddServicesToMenu();
    bool StartApplicationObject();

    // Hides the client panel and stops a running session, swallowing its errors.
    void StopSessionQuietly();
    void StopMessageManager();
    void StopApplication();
    void RemoveServicesFromMenu();
    void RemoveEmptyMenus();
    void CloseDatabase();
    // Runs Step; an error is told in a message box with Message and the caller goes on.
    static void RunStep(const std::function<void()>& Step, const QString& Message);
};

// The main window of the program.
extern TForm1* Form1;

} // namespace mainform
