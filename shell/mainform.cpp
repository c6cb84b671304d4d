#include "mainform.h"

#include "About.h"
#include "Application.h"
#include "Env.h"
#include "NUtilities.h"
#include "Registry.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>

namespace mainform {

VEL_IMPLEMENT_CLASS(TForm1)

TForm1* Form1 = nullptr;

namespace {

const QString ShellKey = QStringLiteral("Software\\Velnor07");
// The colour of an application's workspace behind its documents.
const QColor WorkspaceColour(0xAB, 0xAB, 0xAB);

// "AutoConnect" of the shell's key; a missing key or value counts as 0.
int AutoConnect()
{
    TRegistry registry;
    if (registry.OpenKey(ShellKey, false) && registry.ValueExists(QStringLiteral("AutoConnect")))
        return registry.ReadInteger(QStringLiteral("AutoConnect"));
    return 0;
}

} // namespace

TForm1::TForm1(TComponent* AOwner)
    : TMainForm(AOwner)
{
    SetCaption(QStringLiteral("Навигатор"));
    CreateMenu();
    CreateStatusBar();
    CreateClientPanel();
    FormCreate(this);
    setWindowState(Qt::WindowMaximized);
}

TForm1::~TForm1()
{
    // The environment must not point into a window that is gone.
    if (Env::FormOwner == this || Env::FormOwner == Panel1)
        Env::FormOwner = nullptr;
    if (Env::ApplicationMainForm == this)
        Env::ApplicationMainForm = nullptr;
    if (Env::MainFormHWND == Handle())
        Env::MainFormHWND = 0;
    if (Env::PrograssorPanel == StatusBar1->Panels(0)) {
        Env::PrograssorPanel = nullptr;
        Env::MessagePanel = nullptr;
        Env::AdditionalPanel = nullptr;
    }
}

void TForm1::CreateMenu()
{
    MainMenu1 = new TMainMenu(this);
    FileItem = AddMenuItem(MainMenu1->Items(), QStringLiteral("Файл"));
    ConnectItem = AddMenuItem(FileItem, QStringLiteral("Подключение..."), &TForm1::ConnectItemClick);
    DisconnectItem = AddMenuItem(FileItem, QStringLiteral("Отключение"), &TForm1::DisconnectItemClick);
    N1 = AddMenuItem(FileItem, QStringLiteral("-"));
    CloseItem = AddMenuItem(FileItem, QStringLiteral("Выход"), &TForm1::CloseItemClick);
    ServiceItem = AddMenuItem(MainMenu1->Items(), QStringLiteral("Сервис"));
    TuningItem = AddMenuItem(ServiceItem, QStringLiteral("Настройка..."));
    TuningItem->SetEnabled(false);
    HelpItem = AddMenuItem(MainMenu1->Items(), QStringLiteral("Справка"));
    N2 = AddMenuItem(HelpItem, QStringLiteral("О технологии ..."), &TForm1::N2Click);
}

TMenuItem* TForm1::AddMenuItem(TMenuItem* Parent, const QString& Caption, void (TForm1::*Handler)(TObject*))
{
    auto* item = new TMenuItem(this);
    item->SetCaption(Caption);
    if (Handler)
        item->OnClick = [this, Handler](TObject* Sender) { (this->*Handler)(Sender); };
    Parent->Add(item);
    return item;
}

void TForm1::CreateStatusBar()
{
    StatusBar1 = new TStatusBar(this, this);
    for (int width : {150, 400, 150})
        StatusBar1->AddPanel()->SetWidth(width);
    StatusBar1->Panels(2)->SetBevel(pbRaised);
    StatusBar1->OnResize = [this](TObject* Sender) { StatusBar1Resize(Sender); };
}

void TForm1::CreateClientPanel()
{
    Panel1 = new TPanel(this, this);
    Panel1->SetAlign(alClient);
    Panel1->SetBevelOuter(bvLowered);
    Panel1->SetColor(WorkspaceColour);
    Panel1->hide();
}

void TForm1::FormCreate(TObject*)
{
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    SetBounds(0, 0, screen.width(), 80);
    DisconnectItem->SetEnabled(false);
    Env::FormOwner = this;
    FSessionRunning = false;
    Env::PrograssorPanel = StatusBar1->Panels(0);
    Env::MessagePanel = StatusBar1->Panels(1);
    Env::AdditionalPanel = StatusBar1->Panels(2);
    SetApplicationTitle(QStringLiteral("Навигатор"));
    Env::ProgramPath = QCoreApplication::applicationDirPath() + QLatin1Char('/');
    Env::MainFormHWND = Handle();
}

void TForm1::FormShow(TObject*)
{
    if (!FSessionRunning && AutoConnect() == 1)
        Application::PostMessage(Handle(), WM_CONNECT);
}

bool TForm1::WindowMessage(int Message)
{
    switch (Message) {
    case WM_CONNECT:
        ConnectItemClick(this);
        return true;
    case WM_RECONNECT:
        StopSession();
        ConnectItemClick(this);
        return false;
    default:
        return TMainForm::WindowMessage(Message);
    }
}

void TForm1::FormCloseQuery(TObject*, bool& CanClose)
{
    CanClose = true;
}

bool TForm1::CloseQuery()
{
    bool canClose = true;
    FormCloseQuery(this, canClose);
    return canClose;
}

void TForm1::FormCanResize(TObject*, int&, int&, bool& Resize)
{
    Resize = true;
}

bool TForm1::CanResize(int& NewWidth, int& NewHeight)
{
    bool resize = true;
    FormCanResize(this, NewWidth, NewHeight, resize);
    return resize;
}

void TForm1::CloseItemClick(TObject*)
{
    StopSessionQuietly();
    try {
        Close();
    } catch (...) {
        ShowMessage(QStringLiteral("Cистема некорректно завершила работу. Рекомендуется произвести перезагрузку"));
    }
}

void TForm1::FormClose(TObject*)
{
    StopSessionQuietly();
}

void TForm1::StopSessionQuietly()
{
    if (!FSessionRunning)
        return;
    Panel1->Hide();
    try {
        StopSession();
    } catch (...) {
        // Closing goes on whatever the stop sequence ran into.
    }
}

void TForm1::Terminate()
{
    StopSession();
}

void TForm1::StatusBar1Resize(TObject*)
{
    StatusBar1->Panels(1)->SetWidth(StatusBar1->width() - 250);
}

void TForm1::N2Click(TObject*)
{
    About::AboutBox->ShowModal();
}

void TForm1::ConnectItemClick(TObject*)
{
    Env::TerminationState = false;
    Env::ApplicationMainForm = this;
    NUtilities::ShowDebugMessage(QStringLiteral("Начало работы"), 0, 0, 0);
    FAddedMenuCount = 0;
}

void TForm1::DisconnectItemClick(TObject*)
{
    TuningItem->SetEnabled(false);
    StopSession();
}

void TForm1::StopSession()
{
    if (!FSessionRunning)
        return;
    FSessionRunning = false;
    Panel1->Hide();
    StopApplication();
    ConnectItem->SetEnabled(true);
    DisconnectItem->SetEnabled(false);
    SetStatus(QStringLiteral("Ожидание подключения..."));
    Env::ApplicationMainForm = nullptr;
}

void TForm1::StopApplication()
{
    SetStatus(QStringLiteral("Остановка приложения..."));
    if (!Env::EntityApplication)
        return;
    try {
        Env::EntityApplication->StopApplication();
        Env::EntityApplication->CloseApplication();
    } catch (...) {
        ShowMessage(QStringLiteral("Остановка приложения произошла с ошибками"));
    }
}

void TForm1::SetStatus(const QString& Text)
{
    if (!Env::MessagePanel)
        return;
    Env::MessagePanel->SetText(Text);
    Application::ProcessMessages();
}

} // namespace mainform
