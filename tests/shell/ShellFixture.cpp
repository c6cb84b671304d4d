#include "ShellFixture.h"

#include "ApplicationSystemChooseForm.h"
#include "Env.h"
#include "IntarnalInfoForm.h"
#include "LoginForm.h"
#include "NavigatorManager.h"
#include "OptionsForm.h"
#include "Registry.h"
#include "StatusBar.h"
#include "TestEnvironment.h"
#include "TestKitPrivate.h"

namespace ShellTest {

const QString ShellKey = QStringLiteral("Software\\Velnor07");

namespace {

void WriteValues(TRegistry& Key, const TValues& Values)
{
    for (const auto& [name, value] : Values)
        if (value.typeId() == QMetaType::Int)
            Key.WriteInteger(name, value.toInt());
        else
            Key.WriteString(name, value.toString());
}

} // namespace

void WriteApplications(const std::vector<std::pair<QString, TValues>>& Applications, const TValues& ShellValues)
{
    TRegistry registry;
    registry.DeleteKey(ShellKey);
    registry.OpenKey(ShellKey, true);
    WriteValues(registry, ShellValues);
    for (const auto& [name, values] : Applications) {
        TRegistry application;
        application.OpenKey(ShellKey + QLatin1Char('\\') + name, true);
        WriteValues(application, values);
    }
}

QVariant RegistryValue(const QString& Key, const QString& Name)
{
    TRegistry registry;
    if (!registry.OpenKey(Key.isEmpty() ? ShellKey : ShellKey + QLatin1Char('\\') + Key, false)
        || !registry.ValueExists(Name))
        return QVariant();
    return registry.ReadString(Name);
}

TNavigatorsSetAside::TNavigatorsSetAside()
{
    for (int i = 0; i < Env::Navigators->Count(); ++i)
        FSaved.emplace_back(Env::Navigators->Strings(i), Env::Navigators->Objects(i));
    Env::Navigators->Clear();
}

TNavigatorsSetAside::~TNavigatorsSetAside()
{
    Env::Navigators->Clear();
    for (const auto& [name, navigator] : FSaved)
        Env::Navigators->AddObject(name, navigator);
    NavigatorManager::CurrentNavigator = nullptr;
}

TShell::TShell()
{
    Env::CurrentUser.clear();
    Env::CurrentUserID = 0;
    Env::RegistryKeyRoot.clear();
    Env::USER_NAME.clear();
    OptionsForm::Initialize();
    FForm = std::make_unique<TTestForm1>();
    LoginForm::LoginFrm = new LoginForm::TLoginFrm;
    ApplicationSystemChooseForm::ApplicationSystemChooseFrm = new ApplicationSystemChooseForm::TApplicationSystemChooseFrm;
    IntarnalInfoForm::Form3 = new IntarnalInfoForm::TForm3;
    Env::MessagePanel->OnChange = [this](TObject*) { FStatusTexts.append(Env::MessagePanel->Text()); };
    QObject::connect(FForm.get(), &TForm::Closed, [this] { ++FClosed; });
}

TShell::~TShell()
{
    FForm->Terminate();
    delete IntarnalInfoForm::Form3;
    IntarnalInfoForm::Form3 = nullptr;
    delete ApplicationSystemChooseForm::ApplicationSystemChooseFrm;
    ApplicationSystemChooseForm::ApplicationSystemChooseFrm = nullptr;
    delete LoginForm::LoginFrm;
    LoginForm::LoginFrm = nullptr;
    FForm.reset();
    OptionsForm::Finalize();
}

void TShell::ChooseTitle(const QString& Title)
{
    TestKit::QueueChooserAnswer(TestSupport::Dialogs(), Title);
}

void TShell::CancelChooser()
{
    TestSupport::Dialogs().QueueModalAnswer([](TForm*) { return mrCancel; });
}

void TShell::AnswerLogin(int Result, const QString& UserName, const QString& Password)
{
    TestSupport::Dialogs().QueueModalAnswer([this, Result, UserName, Password](TForm* Form) {
        auto* login = static_cast<LoginForm::TLoginFrm*>(Form);
        OfferedUserName = login->UserNameEdit->Text();
        StatusDuringLogin = Env::MessagePanel->Text();
        login->UserNameEdit->SetText(UserName);
        login->PasswordEdit->SetText(Password);
        return Result;
    });
}

void TShell::AnswerSettings(int Result, const QString& Alias, const QString& Directory)
{
    TestSupport::Dialogs().QueueModalAnswer([Result, Alias, Directory](TForm* Form) {
        auto* settings = static_cast<OptionsForm::TOptionFrm*>(Form);
        if (!Alias.isEmpty())
            settings->ComboBox1->SetItemIndex(settings->ComboBox1->Items().indexOf(Alias));
        settings->Edit1->SetText(Directory);
        return Result;
    });
}

QStringList TShell::ModalCaptions()
{
    QStringList captions;
    for (const auto& call : TestSupport::Dialogs().Calls())
        if (call.Kind == TScriptedDialogHost::TCallKind::Modal)
            captions.append(call.Caption);
    return captions;
}

} // namespace ShellTest
