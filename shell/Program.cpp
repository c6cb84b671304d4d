#include "Program.h"

#include "About.h"
#include "Dialogs.h"
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
    About::AboutBox = new About::TAboutBox;
}

void FreeForms()
{
    delete About::AboutBox;
    About::AboutBox = nullptr;
    delete mainform::Form1;
    mainform::Form1 = nullptr;
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
    int exitCode = 0;
    try {
        CreateForms();
        Loop(mainform::Form1);
    } catch (...) {
        ShowFatalError();
        exitCode = 1;
    }
    FreeForms();
    Velkit07::Finalize();
    return exitCode;
}

} // namespace Program
