#include "DatabaseFixture.h"
#include "Application.h"
#include "DatabaseManager.h"
#include "EClasses.h"
#include "Env.h"
#include "Exceptions.h"
#include "Menus.h"
#include "MessageManager.h"
#include "NUtilities.h"
#include "NavigatorManager.h"
#include "StubNavigator.h"
#include "ParamManager.h"
#include "Registry.h"
#include "ShellFixture.h"
#include "TestEnvironment.h"

#include <QCoreApplication>
#include <QScreen>

#include <gtest/gtest.h>

#include <memory>

namespace {

using ShellTest::TShell;
using TestSupport::TBackend;

// A navigator that only counts how it is started and stopped, and where it was placed.
class TCountingNavigator : public TestSupport::TStubNavigator {
public:
    int Initialized = 0;
    int Unplugged = 0;
    bool FailToUnplug = false;
    QRect PlacedAt;

    void Initialize() override
    {
        ++Initialized;
        PlacedAt = geometry();
    }
    void Unplug() override
    {
        ++Unplugged;
        if (FailToUnplug)
            throw Exception("навигатор не закрылся");
    }
};

// An application object whose answers and failures the test chooses.
class TTestApplication : public EClasses::TEntityApplication {
public:
    bool InitResult = true;
    bool StartResult = true;
    bool FailToInit = false;
    bool FailToStop = false;
    int Starts = 0;
    int Stops = 0;
    int Closes = 0;

    bool InitApplication() override
    {
        if (FailToInit)
            throw Exception("инициализация не удалась");
        return InitResult;
    }
    bool StartApplication() override
    {
        ++Starts;
        return StartResult;
    }
    void StopApplication() override
    {
        ++Stops;
        if (FailToStop)
            throw Exception("остановка не удалась");
    }
    void CloseApplication() override { ++Closes; }
};

const QStringList StartTexts = {
    "Выбор приложения из списка",
    "Запускается система управления рассылкой сообщений ...",
    "Запущен центр пересылки сообщений",
    "Загружаются модули ...",
    "",
    "Запускаются сервисы ...",
    "Запуск сиквенсера",
    "Запуск приложения...",
    "Загружается навигатор ...",
    "Система готова к работе",
};

const QStringList StopTexts = {
    "Останавливливается обработка сообщений",
    "Остановлен центр пересылки сообщений",
    "Остановка приложения...",
    "Производится отключение пользователя...",
    "Остановка системы навигации",
    "Остановка сиквенсера",
    "Остановка сервисов...",
    "Выгружаются модули...",
    "Освобождение подключения к базе данных",
    "Закрытие базы данных",
    "Ожидание подключения...",
};

// Sessions of the application KASSA over SQLite, with a test navigator registered in place of
// any other, a test application object and the services a test registers.
class SessionSequence : public TestSupport::TDatabaseTest {
protected:
    void SetUp() override
    {
        TDatabaseTest::SetUp();
        if (IsSkipped())
            return;
        ExecSQL({"create table POLZOVATEL (ID integer primary key, NAZVANIE varchar(50))",
                 "insert into POLZOVATEL values (7, 'KASSA')",
                 "create table modul (STROKA varchar(100), POLZ_ID integer, ORDER_NO integer)"});
        ShellTest::WriteApplications({{"KASSA", {{"Alias", AliasName()}, {"PackagesPath", TestSupport::TempDir() + "/no-packages"}}}});
        Env::RegisterEntityNavigator("Counting Navigator", &Navigator);
        Env::EntityApplication = &Application;
        Shell = std::make_unique<TShell>();
    }

    void TearDown() override
    {
        Shell.reset();
        for (const QString& name : ServiceNames)
            Env::UnregisterEntityService(name);
        Items.clear();
        Env::EntityApplication = nullptr;
        SetDebugMessages(false);
        TDatabaseTest::TearDown();
    }

    // A service whose menu item is captioned like the service unless Caption says otherwise.
    void AddService(const QString& Name, const QString& MenuName, const QString& Caption = QString())
    {
        Items.push_back(std::make_unique<TMenuItem>());
        Items.back()->SetCaption(Caption.isEmpty() ? Name : Caption);
        Env::RegisterEntityService(Name, 0, MenuName, Items.back().get());
        ServiceNames.append(Name);
    }

    static void SetDebugMessages(bool On)
    {
        TRegistry registry;
        registry.OpenKey("Software\\Velnor02", true);
        registry.WriteInteger("DebugMessages", On ? 1 : 0);
        NUtilities::Finalize();
        NUtilities::Initialize();
    }

    void Connect()
    {
        TShell::ChooseTitle("KASSA");
        Form()->ConnectItem->Click();
    }

    ShellTest::TTestForm1* Form() const { return Shell->Form(); }

    // Captions of the items of a menu.
    static QStringList Captions(const TMenuItem* Menu)
    {
        QStringList captions;
        for (int i = 0; i < Menu->Count(); ++i)
            captions.append(Menu->Items(i)->Caption());
        return captions;
    }
    QStringList TopMenus() const { return Captions(Form()->MainMenu1->Items()); }
    const TMenuItem* TopMenu(const QString& Caption) const { return Form()->MainMenu1->Items()->Find(Caption); }

    QStringList TextsSince(int Count) const { return Shell->StatusTexts().mid(Count); }

    ShellTest::TNavigatorsSetAside OtherNavigators;
    TCountingNavigator Navigator;
    TTestApplication Application;
    std::vector<std::unique_ptr<TMenuItem>> Items;
    QStringList ServiceNames;
    std::unique_ptr<TShell> Shell;
};

} // namespace

TEST_P(SessionSequence, StartsAndStopsWithEveryStatusTextInOrder)
{
    Connect();
    EXPECT_EQ(Shell->StatusTexts(), StartTexts);
    EXPECT_TRUE(Form()->SessionRunning());
    EXPECT_FALSE(Form()->ConnectItem->Enabled());
    EXPECT_TRUE(Form()->DisconnectItem->Enabled());
    EXPECT_TRUE(Form()->TuningItem->Enabled());
    EXPECT_EQ(Env::FormOwner, Form()->Panel1);
    EXPECT_EQ(Env::Database, Form()->Database1);
    EXPECT_GE(DatabaseManager::Databases->IndexOf("Navigate"), 0);
    EXPECT_TRUE(Env::Post->Started);
    EXPECT_EQ(Application.Starts, 1);
    EXPECT_EQ(Navigator.Initialized, 1);
    EXPECT_EQ(NavigatorManager::CurrentNavigator, &Navigator);
    EXPECT_EQ(Navigator.PlacedAt, QRect(1, 80, 150, Navigator.screen()->geometry().height() - 107));
    EXPECT_TRUE(Navigator.isVisible());
    EXPECT_EQ(ParamManager::ParameterManager->GetStringParam("CurrentUser"), "KASSA");
    EXPECT_EQ(ParamManager::ParameterManager->GetStringParam("CurrentUserID"), "7");
    EXPECT_TRUE(TestSupport::Dialogs().Messages().empty());

    const int started = Shell->StatusTexts().size();
    Form()->DisconnectItem->Click();
    EXPECT_EQ(TextsSince(started), StopTexts);
    EXPECT_FALSE(Form()->SessionRunning());
    EXPECT_TRUE(Env::Post->Finished());
    EXPECT_EQ(Application.Stops, 1);
    EXPECT_EQ(Application.Closes, 1);
    EXPECT_EQ(Navigator.Unplugged, 1);
    EXPECT_FALSE(Navigator.isVisible());
    EXPECT_FALSE(Form()->Database1->Connected());
    EXPECT_LT(DatabaseManager::Databases->IndexOf("Navigate"), 0);
    EXPECT_EQ(Env::CurrentUser, "");
    EXPECT_EQ(Env::ApplicationMainForm, nullptr);
    EXPECT_TRUE(Form()->ConnectItem->Enabled());
    EXPECT_FALSE(Form()->DisconnectItem->Enabled());
    EXPECT_FALSE(Form()->TuningItem->Enabled());
    EXPECT_FALSE(Form()->Panel1->isVisibleTo(Form()));

    const int stopped = Shell->StatusTexts().size();
    Form()->DisconnectItem->Click();
    Form()->Terminate();
    EXPECT_EQ(Shell->StatusTexts().size(), stopped) << "a second stop does nothing";
    EXPECT_EQ(Application.Stops, 1);
}

TEST_P(SessionSequence, DebugTextsComeInTheirOrder)
{
    SetDebugMessages(true);
    Connect();
    const std::vector<QString> expected = {
        "Начало работы", "Начало загрузки модулей", "Старт сервисов", "Запуск секвенсеров",
        "Попытка инициализации приложения", "Попытка запуска приложения", "Продолжаем работу - инициалитзация неудачна",
        "Запуск навигатора", "Попытка запустить навигатор", "Попытка инициализации навигатора", "Отображение навигатора",
        "Начало работы"};
    EXPECT_EQ(TestSupport::Dialogs().Messages(), expected);
}

TEST_P(SessionSequence, ServicesGoIntoTheMenusAndOutAgain)
{
    AddService("Печать", "Отчеты");
    AddService("Экспорт", "Отчеты");
    AddService("Сверка", "Сервис");
    AddService("Архив", "Данные", "Архивация");
    Connect();
    EXPECT_EQ(TopMenus(), QStringList({"Файл", "Сервис", "Отчеты", "Данные", "Справка"}));
    EXPECT_EQ(Captions(TopMenu("Отчеты")), QStringList({"Экспорт", "Печать"})) << "a shared menu in reverse order";
    EXPECT_EQ(Captions(TopMenu("Сервис")), QStringList({"Сверка", "-", "Настройка..."}));
    EXPECT_TRUE(TopMenu("Сервис")->Items(1)->IsLine());
    EXPECT_EQ(Captions(TopMenu("Данные")), QStringList({"Архивация"}));

    Form()->DisconnectItem->Click();
    EXPECT_EQ(TopMenus(), QStringList({"Файл", "Сервис", "Данные", "Справка"}))
        << "a menu whose item is captioned unlike its service keeps it";
    EXPECT_EQ(Captions(TopMenu("Сервис")), QStringList({"Настройка..."}));
    EXPECT_EQ(Captions(TopMenu("Данные")), QStringList({"Архивация"}));
    EXPECT_TRUE(TestSupport::Dialogs().Messages().empty());
}

TEST_P(SessionSequence, WithoutServicesTheServiceMenuIsLeftAlone)
{
    Connect();
    EXPECT_EQ(Captions(TopMenu("Сервис")), QStringList({"Настройка..."}));
    Form()->DisconnectItem->Click();
    EXPECT_EQ(TopMenus(), QStringList({"Файл", "Сервис", "Справка"}));
    EXPECT_EQ(Captions(TopMenu("Сервис")), QStringList({"Настройка..."}));
}

TEST_P(SessionSequence, AServiceWhoseMenuIsGoneIsReportedAndTheStopGoesOn)
{
    AddService("Печать", "Отчеты");
    AddService("Сверка", "Сервис");
    Connect();
    TMenuItem* reports = Form()->MainMenu1->Items()->Find("Отчеты");
    Form()->MainMenu1->Items()->Remove(reports);
    Form()->DisconnectItem->Click();
    EXPECT_EQ(TestSupport::Dialogs().Messages(), std::vector<QString>({"Не найден Печать"}));
    EXPECT_EQ(Captions(TopMenu("Сервис")), QStringList({"Настройка..."}));
    EXPECT_FALSE(Form()->Database1->Connected());
}

TEST_P(SessionSequence, AnApplicationThatDoesNotStartStopsTheSessionAtOnce)
{
    Application.StartResult = false;
    Connect();
    EXPECT_EQ(Application.Stops, 1);
    EXPECT_EQ(Navigator.Initialized, 0) << "the navigator is never started";
    EXPECT_FALSE(Form()->SessionRunning());
    EXPECT_TRUE(Form()->ConnectItem->Enabled());
    EXPECT_FALSE(Form()->Database1->Connected());
    QStringList expected = StartTexts.mid(0, 8) + StopTexts;
    expected.append("");
    EXPECT_EQ(Shell->StatusTexts(), expected);
}

TEST_P(SessionSequence, FailingStepsAreReportedAndTheSequencesGoOn)
{
    Application.FailToInit = true;
    Connect();
    EXPECT_TRUE(Shell->StatusTexts().contains("Запуск приложения произошел с ошибками"));
    EXPECT_TRUE(Form()->SessionRunning()) << "a failing application start does not end the start";
    EXPECT_EQ(Navigator.Initialized, 1);
    EXPECT_EQ(Shell->StatusTexts().back(), "Система готова к работе");

    Application.FailToStop = true;
    Navigator.FailToUnplug = true;
    Form()->DisconnectItem->Click();
    EXPECT_EQ(TestSupport::Dialogs().Messages(),
              std::vector<QString>({"Остановка приложения произошла с ошибками", "Ошибка остановки навигатора"}));
    EXPECT_EQ(Application.Closes, 0);
    EXPECT_FALSE(Form()->Database1->Connected());
    EXPECT_EQ(Shell->StatusTexts().back(), "Ожидание подключения...");
}

TEST_P(SessionSequence, ReconnectMessageStopsTheSessionAndConnectsAgain)
{
    Connect();
    TShell::ChooseTitle("KASSA");
    ::Application::PostMessage(Env::MainFormHWND, mainform::WM_RECONNECT);
    QCoreApplication::processEvents();
    EXPECT_EQ(Application.Stops, 1);
    EXPECT_EQ(Navigator.Initialized, 2);
    EXPECT_EQ(Navigator.Unplugged, 1);
    EXPECT_TRUE(Form()->SessionRunning());
    EXPECT_TRUE(Form()->Database1->Connected());
}

TEST_P(SessionSequence, ClosingTheWindowStopsTheSessionOnce)
{
    Connect();
    Form()->Show();
    Form()->close();
    EXPECT_EQ(Shell->ClosedCount(), 1);
    EXPECT_EQ(Application.Stops, 1);
    EXPECT_EQ(Navigator.Unplugged, 1);
    EXPECT_FALSE(Form()->Database1->Connected());
    EXPECT_FALSE(Form()->SessionRunning());
}

INSTANTIATE_TEST_SUITE_P(Backends, SessionSequence, testing::Values(TBackend::SQLite), TestSupport::BackendName);
