#include "Program.h"

#include "About.h"
#include "ApplicationSystemChooseForm.h"
#include "Dialogs.h"
#include "Exceptions.h"
#include "IntarnalInfoForm.h"
#include "LoginForm.h"
#include "OptionsForm.h"
#include "Velkit07.h"
#include "mainform.h"

#include <QEventLoop>

namespace Program {

namespace {

// The fatal box; the reason of the failure follows the system's text, so that the user
// learns what to mend (a damaged registry file names the file and the line).
void ShowFatalError(const QString& Reason)
{
    QString text = QStringLiteral("Cистема падает, экипаж прощается с вами и желает мягкой посадки");
    if (!Reason.isEmpty())
        text += QStringLiteral("\n\n") + Reason;
    MessageBox(QStringLiteral("Ошибка системы"), text, TMsgDlgType::mtError, mbOK);
}

void CreateForms()
{
    mainform::Form1 = new mainform::TForm1;
    LoginForm::LoginFrm = new LoginForm::TLoginFrm;
    About::AboutBox = new About::TAboutBox;
    ApplicationSystemChooseForm::ApplicationSystemChooseFrm = new ApplicationSystemChooseForm::TApplicationSystemChooseFrm;
    IntarnalInfoForm::Form3 = new IntarnalInfoForm::TForm3;
}

template <class TFormKind>
void FreeForm(TFormKind*& Form)
{
    delete Form;
    Form = nullptr;
}

// In reverse order of creation.
void FreeForms()
{
    FreeForm(IntarnalInfoForm::Form3);
    FreeForm(ApplicationSystemChooseForm::ApplicationSystemChooseFrm);
    FreeForm(About::AboutBox);
    FreeForm(LoginForm::LoginFrm);
    FreeForm(mainform::Form1);
}

// The shell's own units, initialised after the framework's and finalised before them.
void InitializeShellUnits()
{
    OptionsForm::Initialize();
}

void FinalizeShellUnits()
{
    OptionsForm::Finalize();
}

} // namespace

void RunMessageLoop(TForm* MainForm)
{
    QEventLoop loop;
    QObject::connect(MainForm, &TForm::Closed, &loop, &QEventLoop::quit);
    MainForm->Show();
    loop.exec();
}

void Start()
{
    Velkit07::Initialize();
    InitializeShellUnits();
    CreateForms();
}

void Finish()
{
    FreeForms();
    FinalizeShellUnits();
    Velkit07::Finalize();
}

int Run(const TMessageLoop& Loop)
{
    int exitCode = 0;
    try {
        // The framework reads the registry as it starts (the debug switch): a damaged file
        // must end in the fatal box too, not in an abort before any window.
        Start();
        Loop(mainform::Form1);
    } catch (...) {
        ShowFatalError(ExceptionMessage(std::current_exception()));
        exitCode = 1;
    }
    Finish();
    return exitCode;
}

} // namespace Program
