#pragma once
// The main window of the shell: the menu, the status bar of three panels and the client
// panel into which the forms of a session dock. It runs the connect command and the
// session's stop sequence, and answers the window messages that ask for them.

#include "Controls.h"
#include "EClasses.h"
#include "Menus.h"
#include "StatusBar.h"

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

    // Ends the current work session (for plug-ins).
    void Terminate() override;
    bool WindowMessage(int Message) override;

    bool SessionRunning() const { return FSessionRunning; }

protected:
    void DoShow() override { FormShow(this); }
    bool CloseQuery() override;
    void DoClose() override { FormClose(this); }
    bool CanResize(int& NewWidth, int& NewHeight) override;

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
    // Hides the client panel and stops a running session, swallowing its errors.
    void StopSessionQuietly();
    void StopApplication();
    static void SetStatus(const QString& Text);
};

// The main window of the program.
extern TForm1* Form1;

} // namespace mainform
