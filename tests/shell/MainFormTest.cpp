#include "About.h"
#include "Application.h"
#include "Env.h"
#include "Exceptions.h"
#include "NUtilities.h"
#include "Registry.h"
#include "TestEnvironment.h"
#include "mainform.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

namespace {

const QString StartOfWork = QStringLiteral("Начало работы");

// The main window with a way to be in a running session without connecting a database.
class TTestForm1 : public mainform::TForm1 {
public:
    void EnterSession() { FSessionRunning = true; }
};

// An application object that counts how often the stop sequence stops it.
class TCountingApplication : public EClasses::TEntityApplication {
public:
    int Stops = 0;
    int Closes = 0;
    bool FailToStop = false;
    bool InitApplication() override { return true; }
    bool StartApplication() override { return true; }
    void StopApplication() override
    {
        ++Stops;
        if (FailToStop)
            throw Exception("остановка не удалась");
    }
    void CloseApplication() override { ++Closes; }
};

void SetShellValue(const QString& Key, const QString& Name, std::optional<int> Value)
{
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey(Key, true));
    if (Value)
        registry.WriteInteger(Name, *Value);
    else if (registry.ValueExists(Name))
        registry.DeleteValue(Name);
}

void SetAutoConnect(std::optional<int> Value)
{
    SetShellValue(QStringLiteral("Software\\Velnor07"), QStringLiteral("AutoConnect"), Value);
}

// Turns the debug switch on or off; it is read when its unit starts.
void SetDebugMessages(bool On)
{
    SetShellValue(QStringLiteral("Software\\Velnor02"), QStringLiteral("DebugMessages"), On ? 1 : 0);
    NUtilities::Finalize();
    NUtilities::Initialize();
}

int CountMessages(const QString& Text)
{
    const auto messages = TestSupport::Dialogs().Messages();
    return static_cast<int>(std::count(messages.begin(), messages.end(), Text));
}

class MainForm : public testing::Test {
protected:
    void SetUp() override
    {
        SetAutoConnect(std::nullopt);
        SetDebugMessages(true);
        Env::EntityApplication = &Application;
        Env::ApplicationMainForm = nullptr;
        Form = std::make_unique<TTestForm1>();
        About::AboutBox = new About::TAboutBox;
    }

    void TearDown() override
    {
        delete About::AboutBox;
        About::AboutBox = nullptr;
        Form.reset();
        Env::EntityApplication = nullptr;
        SetDebugMessages(false);
    }

    // Shows the window and lets it handle what it posted to itself.
    void ShowWindow()
    {
        Form->Show();
        Application::ProcessMessages();
    }

    TCountingApplication Application;
    std::unique_ptr<TTestForm1> Form;
};

} // namespace

TEST_F(MainForm, HasItsMenusStatusPanelsAndInitialStates)
{
    EXPECT_EQ(Form->Caption(), "Навигатор");
    EXPECT_TRUE(Form->windowState() & Qt::WindowMaximized);
    TMenuItem* items = Form->MainMenu1->Items();
    ASSERT_EQ(items->Count(), 3);
    EXPECT_EQ(items->Items(0)->Caption(), "Файл");
    EXPECT_EQ(items->Items(1)->Caption(), "Сервис");
    EXPECT_EQ(items->Items(2)->Caption(), "Справка");
    const QStringList file = {"Подключение...", "Отключение", "-", "Выход"};
    ASSERT_EQ(items->Items(0)->Count(), file.size());
    for (int i = 0; i < file.size(); ++i)
        EXPECT_EQ(items->Items(0)->Items(i)->Caption(), file[i]);
    EXPECT_TRUE(items->Items(0)->Items(2)->IsLine());
    EXPECT_EQ(items->Items(1)->Items(0)->Caption(), "Настройка...");
    EXPECT_EQ(items->Items(2)->Items(0)->Caption(), "О технологии ...");
    EXPECT_TRUE(Form->ConnectItem->Enabled());
    EXPECT_FALSE(Form->DisconnectItem->Enabled());
    EXPECT_FALSE(Form->TuningItem->Enabled());
    EXPECT_FALSE(Form->SessionRunning());

    ASSERT_EQ(Form->StatusBar1->PanelCount(), 3);
    EXPECT_EQ(Form->StatusBar1->Panels(0)->Width(), 150);
    EXPECT_EQ(Form->StatusBar1->Panels(2)->Width(), 150);
    EXPECT_EQ(Form->StatusBar1->Panels(2)->Bevel(), pbRaised);
    EXPECT_NE(Form->StatusBar1->Panels(0)->Bevel(), pbRaised);
    EXPECT_EQ(Env::PrograssorPanel, Form->StatusBar1->Panels(0));
    EXPECT_EQ(Env::MessagePanel, Form->StatusBar1->Panels(1));
    EXPECT_EQ(Env::AdditionalPanel, Form->StatusBar1->Panels(2));

    EXPECT_EQ(Env::FormOwner, Form.get());
    EXPECT_EQ(Env::MainFormHWND, Form->Handle());
    EXPECT_EQ(Env::ProgramPath, QCoreApplication::applicationDirPath() + "/");
    EXPECT_EQ(ApplicationTitle(), "Навигатор");
    EXPECT_FALSE(Form->Panel1->isVisible());
    EXPECT_TRUE(Form->Panel1->isHidden());
    EXPECT_EQ(Form->Panel1->Align(), alClient);
    EXPECT_EQ(Form->Panel1->BevelOuter(), bvLowered);
}

TEST_F(MainForm, MessagePanelFollowsTheStatusBarWidth)
{
    ShowWindow();
    for (int width : {1000, 700}) {
        Form->setWindowState(Qt::WindowNoState);
        Form->resize(width, 300);
        Application::ProcessMessages();
        EXPECT_EQ(Form->StatusBar1->width(), width);
        EXPECT_EQ(Form->StatusBar1->Panels(1)->Width(), width - 250);
    }
}

TEST_F(MainForm, ConnectMessageRunsTheConnectCommand)
{
    Env::TerminationState = true;
    Application::PostMessage(Env::MainFormHWND, mainform::WM_CONNECT);
    EXPECT_EQ(Env::ApplicationMainForm, nullptr) << "posted, not yet handled";
    Application::ProcessMessages();
    EXPECT_EQ(Env::ApplicationMainForm, Form.get());
    EXPECT_FALSE(Env::TerminationState);
    EXPECT_EQ(CountMessages(StartOfWork), 1);
}

TEST_F(MainForm, ReconnectMessageStopsARunningSessionThenConnects)
{
    Application::PostMessage(Env::MainFormHWND, mainform::WM_RECONNECT);
    Application::ProcessMessages();
    EXPECT_EQ(Application.Stops, 0) << "without a session the stop sequence does nothing";
    EXPECT_EQ(CountMessages(StartOfWork), 1);

    Form->EnterSession();
    Form->ConnectItem->SetEnabled(false);
    Form->DisconnectItem->SetEnabled(true);
    Application::PostMessage(Env::MainFormHWND, mainform::WM_RECONNECT);
    Application::ProcessMessages();
    EXPECT_EQ(Application.Stops, 1);
    EXPECT_EQ(Application.Closes, 1);
    EXPECT_FALSE(Form->SessionRunning());
    EXPECT_TRUE(Form->ConnectItem->Enabled());
    EXPECT_FALSE(Form->DisconnectItem->Enabled());
    EXPECT_EQ(Env::ApplicationMainForm, Form.get()) << "the connect after the stop sets it again";
    EXPECT_EQ(CountMessages(StartOfWork), 2);
}

TEST_F(MainForm, AutoConnectStartsTheConnectOnceOnlyWhenItIsOne)
{
    for (std::optional<int> value : {std::optional<int>(), std::optional<int>(0), std::optional<int>(2)}) {
        SetAutoConnect(value);
        TTestForm1 form;
        form.Show();
        Application::ProcessMessages();
        EXPECT_EQ(CountMessages(StartOfWork), 0) << "AutoConnect " << value.value_or(-1);
    }

    SetAutoConnect(1);
    ShowWindow();
    EXPECT_EQ(CountMessages(StartOfWork), 1);
    EXPECT_EQ(Env::ApplicationMainForm, Form.get());

    // Shown again while a session runs: no second connect.
    Form->EnterSession();
    Form->Hide();
    ShowWindow();
    EXPECT_EQ(CountMessages(StartOfWork), 1);
}

TEST_F(MainForm, ExitWithoutSessionJustClosesTheWindow)
{
    ShowWindow();
    int closed = 0;
    QObject::connect(Form.get(), &TForm::Closed, [&closed] { ++closed; });
    Form->CloseItem->Click();
    EXPECT_EQ(closed, 1);
    EXPECT_FALSE(Form->isVisible());
    EXPECT_EQ(Application.Stops, 0);
    EXPECT_TRUE(TestSupport::Dialogs().Messages().empty());
}

TEST_F(MainForm, ExitAndCloseBoxStopARunningSessionExactlyOnce)
{
    ShowWindow();
    Form->EnterSession();
    Form->Panel1->show();
    Form->CloseItem->Click();
    EXPECT_EQ(Application.Stops, 1);
    EXPECT_FALSE(Form->isVisible());
    EXPECT_TRUE(Form->Panel1->isHidden());
    EXPECT_EQ(Form->StatusBar1->Panels(1)->Text(), "Ожидание подключения...");

    ShowWindow();
    Form->EnterSession();
    Form->close();
    EXPECT_EQ(Application.Stops, 2);
    EXPECT_FALSE(Form->isVisible());
}

TEST_F(MainForm, StopErrorsAreReportedByTheirStepAndClosingGoesOn)
{
    ShowWindow();
    Form->EnterSession();
    Application.FailToStop = true;
    Form->CloseItem->Click();
    EXPECT_FALSE(Form->isVisible());
    EXPECT_FALSE(Form->SessionRunning());
    EXPECT_EQ(CountMessages("Остановка приложения произошла с ошибками"), 1);
    EXPECT_EQ(Application.Closes, 0) << "close is not called once stop failed";
}

TEST_F(MainForm, DisconnectAndTerminateRunTheStopSequence)
{
    Form->EnterSession();
    Form->TuningItem->SetEnabled(true);
    Form->DisconnectItem->Click();
    EXPECT_FALSE(Form->TuningItem->Enabled());
    EXPECT_EQ(Application.Stops, 1);
    Form->DisconnectItem->Click();
    EXPECT_EQ(Application.Stops, 1) << "stopping twice does nothing the second time";

    Form->EnterSession();
    Form->Terminate();
    EXPECT_EQ(Application.Stops, 2);
    EXPECT_EQ(Env::ApplicationMainForm, nullptr);
}

TEST_F(MainForm, AboutItemShowsTheAboutDialogModally)
{
    Form->N2->Click();
    ASSERT_EQ(TestSupport::Dialogs().Calls().size(), 1u);
    const auto& call = TestSupport::Dialogs().Calls()[0];
    EXPECT_EQ(call.Kind, TScriptedDialogHost::TCallKind::Modal);
    EXPECT_EQ(call.Caption, "О технологии");
    EXPECT_EQ(call.Text, "TAboutBox");
}

TEST_F(MainForm, EnvironmentForgetsTheWindowWhenItIsDestroyed)
{
    Form.reset();
    EXPECT_EQ(Env::FormOwner, nullptr);
    EXPECT_EQ(Env::MainFormHWND, 0u);
    EXPECT_EQ(Env::MessagePanel, nullptr);
}
