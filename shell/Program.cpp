#include "Program.h"

#include "About.h"
#include "ApplicationSystemChooseForm.h"
#include "Dialogs.h"
#include "IntarnalInfoForm.h"
#include "LoginForm.h"
#include "OptionsForm.h"
#include "Velkit07.h"
#include "mainform.h"

#include <QEventLoop>

namespace Program {

namespace {

void ShowFatalError()
{
    MessageBox(QStringLiteral("Ошибка системы"),
               QStringLiteral("Cистема падает, экипаж прощается с вами и желает мягкой посадки"),
               TMsgDlgType::mtError, mbOK);
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

int Run(const TMessageLoop& Loop)
{
    Velkit07::Initialize();
    InitializeShellUnits();
    int exitCode = 0;
    try {
        CreateForms();
        Loop(mainform::Form1);
    } catch (...) {
        ShowFatalError();
        exitCode = 1;
    }
    FreeForms();
    FinalizeShellUnits();
    Velkit07::Finalize();
    return exitCode;
}

} // namespace Program
