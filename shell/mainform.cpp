#include "mainform.h"

#include "MenuReport.h"

#include "About.h"
#include "Application.h"
#include "ApplicationSystemChooseForm.h"
#include "DatabaseManager.h"
#include "Env.h"
#include "Exceptions.h"
#include "IntarnalInfoForm.h"
#include "LoginForm.h"
#include "MenuReport.h"
#include "MessageManager.h"
#include "ModuleManager.h"
#include "NUtilities.h"
#include "NavigatorManager.h"
#include "OptionsForm.h"
#include "ParamManager.h"
#include "Registry.h"
#include "SequencerManger.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>

namespace mainform {

VEL_IMPLEMENT_CLASS(TForm1)

TForm1* Form1 = nullptr;

namespace {

const QString ShellKey = QStringLiteral("Software\\Velnor07");
const QString ServiceMenuCaption = QStringLiteral("Сервис");
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

void Debug(const QString& Text)
{
    NUtilities::ShowDebugMessage(Text, 0, 0, 0);
}

void SetParameter(const QString& Name, const QString& Value)
{
    ParamManager::ParameterManager->SetStringParam(Name, Value);
}

// The last sub-item of Parent captioned exactly Caption, or nullptr.
TMenuItem* LastItemCaptioned(const TMenuItem* Parent, const QString& Caption)
{
    for (int i = Parent->Count() - 1; i >= 0; --i)
        if (Parent->Items(i)->Caption() == Caption)
            return Parent->Items(i);
    return nullptr;
}

EClasses::TServiceInfo* ServiceAt(int Index)
{
    return static_cast<EClasses::TServiceInfo*>(Env::Services->Objects(Index));
}

// Apostrophes doubled, so that a name can stand between apostrophes in SQL.
QString QuotedSQLText(const QString& Text)
{
    return QLatin1Char('\'') + QString(Text).replace(QLatin1Char('\''), QStringLiteral("''")) + QLatin1Char('\'');
}

} // namespace

TForm1::TForm1(TComponent* AOwner)
    : TMainForm(AOwner)
{
    SetCaption(QStringLiteral("Навигатор"));
    CreateMenu();
    CreateStatusBar();
    CreateClientPanel();
    CreateDataComponents();
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
    // The manager of this window's last connect ends with the window.
    delete Env::Post;
    Env::Post = nullptr;
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
    ServiceItem = AddMenuItem(MainMenu1->Items(), ServiceMenuCaption);
    TuningItem = AddMenuItem(ServiceItem, QStringLiteral("Настройка..."), &TForm1::TuningItemClick);
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
    StatusBar1->OnDblClick = [this](TObject* Sender) { StatusBar1DblClick(Sender); };
}

void TForm1::CreateClientPanel()
{
    Panel1 = new TPanel(this, this);
    Panel1->SetAlign(alClient);
    Panel1->SetBevelOuter(bvLowered);
    Panel1->SetColor(WorkspaceColour);
    Panel1->hide();
}

void TForm1::CreateDataComponents()
{
    Database1 = new TDatabase(this);
    Database1->SetDatabaseName(QStringLiteral("Navigate"));
    Database1->SetLoginPrompt(false);
    Database1->SetSessionName(QStringLiteral("Default"));
    UserInfoRequest = new TQuery(this);
    UserInfoRequest->SetDatabaseName(QStringLiteral("Navigate"));
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

void TForm1::StatusBar1DblClick(TObject*)
{
    const QString password = InputBox(QStringLiteral("Ввод пароля"),
        QStringLiteral("Для открытия формы служебной информации требуется ввести пароль"), QString());
    if (password.toUpper() != IntarnalInfoForm::ServicePassword)
        return;
    IntarnalInfoForm::Form3->FillLists();
    IntarnalInfoForm::Form3->ShowModal();
}

void TForm1::TuningItemClick(TObject*)
{
    OptionsForm::OptionFrm->EditSettings();
}

void TForm1::ConnectItemClick(TObject*)
{
    Env::TerminationState = false;
    RenewMessageManager();
    Env::ApplicationMainForm = this;
    Debug(QStringLiteral("Начало работы"));
    FAddedMenuCount = 0;
    const QString keyName = ChooseApplication();
    if (keyName.isEmpty())
        return;
    Env::RegistryKeyRoot = ShellKey + QLatin1Char('\\') + keyName;
    SetParameter(QStringLiteral("RegistryKeyRoot"), Env::RegistryKeyRoot);
    FKeyName = keyName;

    TRegistry applicationKey;
    applicationKey.OpenKey(Env::RegistryKeyRoot, false);
    // A missing path is written empty and taken so, never left from another application.
    Env::ApplicationPath = ReadOrWriteString(applicationKey, QStringLiteral("ApplicationPath"), QString());
    if (!LogIn(applicationKey))
        return;
    TuningItem->SetEnabled(true);
    if (!CheckUser())
        return;
    Panel1->Show();
    StartOrReconfigure(applicationKey);
}

void TForm1::RenewMessageManager()
{
    // The manager of an earlier connect is either stopped or was never started.
    delete Env::Post;
    Env::Post = new MessageManager::TMessageManager;
}

// The value if it exists; otherwise Default is written and returned.
QString TForm1::ReadOrWriteString(TRegistry& Key, const QString& Name, const QString& Default)
{
    if (Key.ValueExists(Name))
        return Key.ReadString(Name);
    TRegistry::WriteSetting([&] { Key.WriteString(Name, Default); });
    return Default;
}

int TForm1::ReadOrWriteInteger(TRegistry& Key, const QString& Name, int Default)
{
    if (Key.ValueExists(Name))
        return Key.ReadInteger(Name);
    TRegistry::WriteSetting([&] { Key.WriteInteger(Name, Default); });
    return Default;
}

QString TForm1::ChooseApplication()
{
    Env::ShowProgress(QStringLiteral("Выбор приложения из списка"));
    TRegistry shellKey;
    shellKey.OpenKey(ShellKey, false);
    const QString lastUser = ReadOrWriteString(shellKey, QStringLiteral("LastUser"), QString());
    TStringList keyNames;
    shellKey.GetKeyNames(&keyNames);
    QStringList names;
    QStringList titles;
    QString preselected;
    for (int i = 0; i < keyNames.Count(); ++i) {
        const QString name = keyNames.Strings(i);
        TRegistry applicationKey;
        applicationKey.OpenKey(ShellKey + QLatin1Char('\\') + name, false);
        const QString titleName = QStringLiteral("ApplicationTitle");
        titles.append(applicationKey.ValueExists(titleName) ? applicationKey.ReadString(titleName) : name);
        names.append(name);
        if (name == lastUser)
            preselected = titles.last();
    }
    const QString chosen = ApplicationSystemChooseForm::ApplicationSystemChooseFrm->ChooseApplication(titles, preselected);
    if (chosen.isEmpty())
        return QString();
    const auto title = std::find_if(titles.cbegin(), titles.cend(),
        [&chosen](const QString& Title) { return TStringList::SameText(Title, chosen); });
    const QString keyName = names.at(static_cast<int>(title - titles.cbegin()));
    TRegistry::WriteSetting([&] { shellKey.WriteString(QStringLiteral("LastUser"), keyName); });
    return keyName;
}

bool TForm1::LogIn(TRegistry& ApplicationKey)
{
    int connectNeeded = ReadOrWriteInteger(ApplicationKey, QStringLiteral("ConnectNeeded"), 0);
    if (ApplicationKey.ValueExists(QStringLiteral("UserName"))) {
        FUserName = ApplicationKey.ReadString(QStringLiteral("UserName"));
        SetParameter(QStringLiteral("UserName"), FUserName);
    } else {
        connectNeeded = 0;
    }
    if (!TakeAlias(ApplicationKey))
        return false;
    if (connectNeeded != 1)
        return OpenWithoutLogin();
    return AskLogin(ApplicationKey) && OpenWithLogin();
}

bool TForm1::TakeAlias(TRegistry& ApplicationKey)
{
    const QString aliasName = QStringLiteral("Alias");
    if (!ApplicationKey.ValueExists(aliasName))
        TuningItemClick(this);
    if (!ApplicationKey.ValueExists(aliasName)) {
        ShowMessage(QStringLiteral("Имя базы данных не определено. Обратитесь к администратору"));
        Close();
        return false;
    }
    Database1->SetAliasName(ApplicationKey.ReadString(aliasName));
    return true;
}

bool TForm1::AskLogin(TRegistry& ApplicationKey)
{
    LoginForm::TLoginFrm* login = LoginForm::LoginFrm;
    login->UserNameEdit->SetText(FUserName);
    login->PasswordEdit->SetText(QString());
    Env::ShowProgress(QStringLiteral("Система ожидает ввода имени пользователя и пароль"));
    const bool confirmed = login->ShowModal() == mrOk;
    Env::ShowProgress(QString());
    if (!confirmed)
        return false;
    FUserName = login->UserNameEdit->Text();
    Env::USER_NAME = FUserName;
    TRegistry::WriteSetting([&] { ApplicationKey.WriteString(QStringLiteral("UserName"), FUserName); });
    FPassword = login->PasswordEdit->Text();
    return true;
}

bool TForm1::OpenWithLogin()
{
    TStringList* params = Database1->Params();
    params->Clear();
    if (!FUserName.isEmpty())
        params->Add(QStringLiteral("USER NAME=") + FUserName);
    Env::CurrentUser = FKeyName;
    if (!FPassword.isEmpty())
        params->Add(QStringLiteral("PASSWORD=") + FPassword);
    try {
        Database1->Open();
    } catch (const EDatabaseError&) {
        ShowMessage(QStringLiteral("Неверно набран пароль или имя пользователя.\n\r Возможно сервер не отвечает"));
        return false;
    }
    return true;
}

bool TForm1::OpenWithoutLogin()
{
    try {
        Database1->Open();
    } catch (const EDatabaseError& Error) {
        ShowMessage(Error.Message());
        return false;
    }
    Env::CurrentUser = FKeyName;
    return true;
}

QString TForm1::UserQueryText() const
{
    const QString user = QuotedSQLText(Env::CurrentUser.toUpper());
    if (Session().GetAliasDriverName(Database1->AliasName()) == QLatin1String("ORACLE"))
        return QStringLiteral("select * from \"POLZOVATEL\" where \"NAZVANIE\"=") + user;
    return QStringLiteral("select * from POLZOVATEL where NAZVANIE=") + user;
}

bool TForm1::CheckUser()
{
    UserInfoRequest->SetDatabaseName(Database1->DatabaseName());
    UserInfoRequest->SQL()->Clear();
    UserInfoRequest->SQL()->Add(UserQueryText());
    try {
        UserInfoRequest->Open();
        const bool known = TakeUserID();
        UserInfoRequest->Close();
        return known;
    } catch (...) {
        // No session can start: neither the query nor the connection is left open behind a
        // failed check (a bad ID as much as a failed query), so the next connect can open them.
        const QString reason = ExceptionMessage(std::current_exception());
        UserInfoRequest->Close();
        Database1->Close();
        ShowMessage(QStringLiteral("Ошибка:") + reason + QStringLiteral("\n\r") + UserInfoRequest->SQL()->Text());
        return false;
    }
}

bool TForm1::TakeUserID()
{
    if (!UserInfoRequest->IsEmpty()) {
        Env::CurrentUserID = UserInfoRequest->FieldByName(QStringLiteral("ID"))->AsInteger();
        return true;
    }
    Database1->Close();
    MessageDlg(QStringLiteral("Пользователь ") + Env::CurrentUser + QStringLiteral(" не имеет права работать с базой данных"),
        TMsgDlgType::mtInformation, mbOK);
    return false;
}

void TForm1::StartOrReconfigure(TRegistry& ApplicationKey)
{
    if (ApplicationKey.ValueExists(QStringLiteral("PackagesPath"))) {
        Env::PackagesPath = ApplicationKey.ReadString(QStringLiteral("PackagesPath"));
        if (Database1->Connected())
            StartSession();
        return;
    }
    TuningItemClick(this);
    ShowMessage(QStringLiteral("Надо перезапустить систему"));
    Close();
}

void TForm1::DisconnectItemClick(TObject*)
{
    TuningItem->SetEnabled(false);
    StopSession();
}

void TForm1::StartSession()
{
    DatabaseManager::RegisterDatabase(Database1);
    ConnectItem->SetEnabled(false);
    DisconnectItem->SetEnabled(true);
    Env::FormOwner = Panel1;
    Env::InitDataBaseConnection(Database1);
    Env::CheckPermission();
    Env::ShowProgress(QStringLiteral("Запускается система управления рассылкой сообщений ..."));
    Env::Post->Start();
    Env::ShowProgress(QStringLiteral("Загружаются модули ..."));
    Debug(QStringLiteral("Начало загрузки модулей"));
    ModuleManager::LoadPackages();
    Env::ShowProgress(QStringLiteral("Запускаются сервисы ..."));
    TuningItem->SetEnabled(true);
    Debug(QStringLiteral("Старт сервисов"));
    AddServicesToMenu();
    Debug(QStringLiteral("Запуск секвенсеров"));
    SequencerManger::StartSequencer();
    if (!StartApplicationObject())
        return;
    FSessionRunning = true;
    Env::ShowProgress(QStringLiteral("Загружается навигатор ..."));
    Debug(QStringLiteral("Запуск навигатора"));
    NavigatorManager::StartNavigator();
    Debug(QStringLiteral("Начало работы"));
    Env::ShowProgress(QStringLiteral("Система готова к работе"));
    SetParameter(QStringLiteral("CurrentUser"), Env::CurrentUser);
    SetParameter(QStringLiteral("CurrentUserID"), QString::number(Env::CurrentUserID));
    MenuReport::WriteIfAsked(this);
}

void TForm1::AddServicesToMenu()
{
    if (Env::Services->Count() == 0)
        return;
    auto* separator = new TMenuItem(this);
    separator->SetCaption(QStringLiteral("-"));
    ServiceItem->Insert(0, separator);
    for (int i = 0; i < Env::Services->Count(); ++i) {
        EClasses::TServiceInfo* service = ServiceAt(i);
        // A service registered without an item has nothing to put into a menu.
        if (!service->MenuItem)
            continue;
        TMenuItem* menu = LastItemCaptioned(MainMenu1->Items(), service->MenuName);
        if (!menu) {
            menu = new TMenuItem(this);
            menu->SetCaption(service->MenuName);
            // New menus stand after "Файл" and "Сервис", in the order of their first use.
            MainMenu1->Items()->Insert(FAddedMenuCount + 2, menu);
            ++FAddedMenuCount;
        }
        menu->Insert(0, service->MenuItem);
    }
}

bool TForm1::StartApplicationObject()
{
    Env::ShowProgress(QStringLiteral("Запуск приложения..."));
    bool stopAtOnce = false;
    try {
        Debug(QStringLiteral("Попытка инициализации приложения"));
        EClasses::TEntityApplication* application = Env::EntityApplication;
        if (application && application->InitApplication()) {
            Debug(QStringLiteral("Попытка запуска приложения"));
            stopAtOnce = !application->StartApplication();
            Debug(stopAtOnce ? QStringLiteral("Отключаемся после успешной инициализации")
                             : QStringLiteral("Продолжаем работу - инициалитзация неудачна"));
        }
    } catch (...) {
        Env::ShowProgress(QStringLiteral("Запуск приложения произошел с ошибками"));
        Debug(QStringLiteral("Произошла ошибка запуска приложения"));
    }
    if (!stopAtOnce)
        return true;
    // The application ended the session: it is stopped like any other, outside the guard of
    // the start, so that a failing stop cannot go on to start the navigator.
    FSessionRunning = true;
    StopSession();
    Env::ShowProgress(QString());
    return false;
}

void TForm1::StopSession()
{
    if (!FSessionRunning)
        return;
    StopMessageManager();
    FSessionRunning = false;
    Panel1->Hide();
    StopApplication();
    Env::ShowProgress(QStringLiteral("Производится отключение пользователя..."));
    NavigatorManager::CheckUnsavedObject();
    Env::ShowProgress(QStringLiteral("Остановка системы навигации"));
    RunStep(SequencerManger::StopSequencer, QStringLiteral("Ошибка остановки генератора ключей"));
    RunStep(NavigatorManager::StopNavigator, QStringLiteral("Ошибка остановки навигатора"));
    Env::ShowProgress(QStringLiteral("Остановка сервисов..."));
    RunStep([this] { RemoveServicesFromMenu(); }, QStringLiteral("Ошибка остановки сервисов"));
    Application::ProcessMessages();
    RemoveEmptyMenus();
    Env::ShowProgress(QStringLiteral("Выгружаются модули..."));
    RunStep(ModuleManager::UnloadPackages, QStringLiteral("Ошибка выгрузки модулей"));
    Env::ShowProgress(QStringLiteral("Освобождение подключения к базе данных"));
    Env::FreeDataBaseConnection();
    Env::CurrentUser.clear();
    TuningItem->SetEnabled(false);
    Env::ShowProgress(QStringLiteral("Закрытие базы данных"));
    RunStep([this] { CloseDatabase(); }, QStringLiteral("Ошибка закрытия базы данных"));
    ConnectItem->SetEnabled(true);
    DisconnectItem->SetEnabled(false);
    Env::ShowProgress(QStringLiteral("Ожидание подключения..."));
    Env::ApplicationMainForm = nullptr;
}

void TForm1::StopMessageManager()
{
    RunStep([] {
        if (!Env::Post)
            return;
        Env::Post->Terminate();
        Env::Post->WaitFor();
        Env::Post->Stop();
    }, QStringLiteral("Ошибка остановки службы рассылки сообщений"));
}

void TForm1::StopApplication()
{
    Env::ShowProgress(QStringLiteral("Остановка приложения..."));
    if (!Env::EntityApplication)
        return;
    RunStep([] {
        Env::EntityApplication->StopApplication();
        Env::EntityApplication->CloseApplication();
    }, QStringLiteral("Остановка приложения произошла с ошибками"));
}

void TForm1::RemoveServicesFromMenu()
{
    if (Env::Services->Count() == 0)
        return;
    for (int i = Env::Services->Count() - 1; i >= 0; --i) {
        const QString name = Env::Services->Strings(i);
        if (!ServiceAt(i)->MenuItem)
            continue;
        TMenuItem* menu = LastItemCaptioned(MainMenu1->Items(), ServiceAt(i)->MenuName);
        if (!menu) {
            ShowMessage(QStringLiteral("Не найден ") + name);
            continue;
        }
        if (TMenuItem* item = LastItemCaptioned(menu, name))
            menu->Remove(item);
    }
    // The separator put above the services at the start.
    ServiceItem->Remove(ServiceItem->Items(0));
}

void TForm1::RemoveEmptyMenus()
{
    TMenuItem* items = MainMenu1->Items();
    for (int i = items->Count() - 1; i >= 0; --i)
        if (items->Items(i)->Count() == 0 && items->Items(i)->Caption() != ServiceMenuCaption)
            items->Remove(items->Items(i));
}

void TForm1::CloseDatabase()
{
    Database1->Close();
    DatabaseManager::UnregisterDatabase(Database1);
}

void TForm1::RunStep(const std::function<void()>& Step, const QString& Message)
{
    try {
        Step();
    } catch (...) {
        ShowMessage(Message);
    }
}

} // namespace mainform
