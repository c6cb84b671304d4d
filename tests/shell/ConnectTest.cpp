#include "ApplicationSystemChooseForm.h"
#include "DatabaseFixture.h"
#include "Env.h"
#include "LoginForm.h"
#include "ParamManager.h"
#include "ShellFixture.h"
#include "TestEnvironment.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

using ShellTest::RegistryValue;
using ShellTest::TShell;
using ShellTest::TValues;
using ShellTest::WriteApplications;
using TestSupport::TBackend;

// The database of the tests: the user table with KASSA (7) and O'BRIEN (8).
class ConnectTest : public TestSupport::TDatabaseTest {
protected:
    void SetUp() override
    {
        TDatabaseTest::SetUp();
        if (IsSkipped())
            return;
        ExecSQL({"create table POLZOVATEL (ID integer primary key, NAZVANIE varchar(50))",
                 "insert into POLZOVATEL values (7, 'KASSA')", "insert into POLZOVATEL values (8, 'O''BRIEN')"});
        Shell = std::make_unique<TShell>();
    }

    void TearDown() override
    {
        Shell.reset();
        TDatabaseTest::TearDown();
    }

    // An application that connects as far as the settings allow.
    TValues Configured(TValues Extra = {}) const
    {
        Extra.emplace("Alias", AliasName());
        Extra.emplace("PackagesPath", TestSupport::TempDir());
        return Extra;
    }

    ShellTest::TTestForm1* Form() const { return Shell->Form(); }
    void Connect() { Form()->ConnectItem->Click(); }
    bool Connected() const { return Form()->Database1->Connected(); }
    static std::vector<QString> Messages() { return TestSupport::Dialogs().Messages(); }

    // The connect is tested here, not the navigator it starts.
    ShellTest::TNavigatorsSetAside Navigators;
    std::unique_ptr<TShell> Shell;
};

class ConnectWithSQLite : public ConnectTest {};
class ConnectOnBothBackends : public ConnectTest {};

// A login on the PostgreSQL server as the role that must give its password: the alias
// "LOGINDB" reaches the test's schema without a user of its own.
class ConnectWithPassword : public ConnectTest {
protected:
    void SetUp() override
    {
        ConnectTest::SetUp();
        if (IsSkipped())
            return;
        Role = qEnvironmentVariable("VELNOR_TEST_PG_LOGIN");
        Password = qEnvironmentVariable("VELNOR_TEST_PG_PASSWORD");
        if (Role.isEmpty())
            GTEST_SKIP() << "VELNOR_TEST_PG_LOGIN is not set: no role with a password to log in as";
        const QString schema = QueryValue("select current_schema()").toString();
        ExecSQL({QString("grant usage on schema %1 to %2").arg(schema, Role),
                 QString("grant select on POLZOVATEL to %1").arg(Role)});
        std::vector<std::pair<QString, QString>> keys = {{"Driver", "POSTGRESQL"},
            {"Options", "options=-csearch_path=" + schema}};
        for (const QString& part : TestSupport::PostgresConnection().split(' ', Qt::SkipEmptyParts)) {
            const QString name = part.section('=', 0, 0);
            const QString value = part.section('=', 1);
            if (name == "host" || name == "port")
                keys.push_back({name == "host" ? "Host" : "Port", value});
            else if (name == "dbname")
                keys.push_back({"Database", value});
        }
        TestSupport::WriteAlias("LOGINDB", keys);
        WriteApplications({{"KASSA", Configured({{"Alias", "LOGINDB"}, {"ConnectNeeded", 1}, {"UserName", Role}})}});
    }

    QString Role;
    QString Password;
};

} // namespace

TEST_P(ConnectWithSQLite, ACancelledChooserEndsTheCommandWritingOnlyAMissingLastUser)
{
    WriteApplications({{"KASSA", Configured()}});
    TShell::CancelChooser();
    Connect();
    EXPECT_EQ(RegistryValue("", "LastUser"), QVariant(""));
    EXPECT_FALSE(RegistryValue("KASSA", "ApplicationPath").isValid());
    EXPECT_FALSE(RegistryValue("KASSA", "ConnectNeeded").isValid());
    EXPECT_EQ(Env::RegistryKeyRoot, "");
    EXPECT_EQ(Shell->StatusTexts(), QStringList({"Выбор приложения из списка"}));
    EXPECT_EQ(TShell::ModalCaptions(), QStringList({"Выбор приложения"}));
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(Env::ApplicationMainForm, Form());
    EXPECT_FALSE(Connected());

    WriteApplications({{"KASSA", Configured()}}, {{"LastUser", "KASSA"}});
    TShell::CancelChooser();
    Connect();
    EXPECT_EQ(RegistryValue("", "LastUser"), QVariant("KASSA")) << "a cancelled choice keeps the last one";
}

TEST_P(ConnectWithSQLite, TwoApplicationsWithOneTitleAlwaysGiveTheFirstKey)
{
    WriteApplications({{"A1", Configured({{"ApplicationTitle", "Учет"}, {"ApplicationPath", "/apps/a1"}})},
                       {"A2", Configured({{"ApplicationTitle", "Учет"}})},
                       {"K3", Configured()}},
                      {{"LastUser", "K3"}});
    QStringList offered;
    int preselected = -2;
    TestSupport::Dialogs().QueueModalAnswer([&](TForm* Form) {
        auto* chooser = static_cast<ApplicationSystemChooseForm::TApplicationSystemChooseFrm*>(Form);
        offered = chooser->ComboBox1->Items();
        preselected = chooser->ComboBox1->ItemIndex();
        chooser->ComboBox1->SetItemIndex(1);
        chooser->Button1->Click();
        return chooser->ModalResult();
    });
    Connect();
    EXPECT_EQ(offered, QStringList({"Учет", "Учет", "K3"})) << "a key without a title shows its name";
    EXPECT_EQ(preselected, 2) << "the last chosen key";
    EXPECT_EQ(RegistryValue("", "LastUser"), QVariant("A1"));
    EXPECT_EQ(Env::RegistryKeyRoot, "Software\\Velnor07\\A1");
    EXPECT_EQ(ParamManager::ParameterManager->GetStringParam("RegistryKeyRoot"), "Software\\Velnor07\\A1");
    EXPECT_EQ(Env::ApplicationPath, "/apps/a1");
    EXPECT_EQ(RegistryValue("A1", "ConnectNeeded"), QVariant("0")) << "written when missing";
    EXPECT_EQ(Messages(), std::vector<QString>({"Пользователь A1 не имеет права работать с базой данных"}));
}

TEST_P(ConnectWithSQLite, ConnectNeededWithoutAUserNameConnectsWithoutTheLoginDialog)
{
    Env::ApplicationPath = "/apps/earlier";
    WriteApplications({{"KASSA", Configured({{"ConnectNeeded", 1}})}});
    TShell::ChooseTitle("KASSA");
    Connect();
    EXPECT_EQ(TShell::ModalCaptions(), QStringList({"Выбор приложения"}));
    EXPECT_TRUE(Connected());
    EXPECT_EQ(Env::CurrentUser, "KASSA");
    EXPECT_EQ(Env::CurrentUserID, 7);
    EXPECT_EQ(RegistryValue("KASSA", "ApplicationPath"), QVariant("")) << "written when missing";
    EXPECT_EQ(Env::ApplicationPath, "") << "not the path of the application connected before";
    EXPECT_EQ(Env::PackagesPath, TestSupport::TempDir());
    EXPECT_TRUE(Form()->TuningItem->Enabled());
    EXPECT_TRUE(Form()->SessionRunning());
}

TEST_P(ConnectWithSQLite, TheLoginDialogSendsOnlyTheParametersThatWereGiven)
{
    WriteApplications({{"KASSA", Configured({{"ConnectNeeded", 1}, {"UserName", "kassa_db"}})}});
    const auto connectAs = [this](const QString& User, const QString& Password) {
        TShell::ChooseTitle("KASSA");
        Shell->AnswerLogin(mrOk, User, Password);
        Connect();
        const QStringList params = Form()->Database1->Params()->Text().split("\r\n", Qt::SkipEmptyParts);
        Form()->DisconnectItem->Click();
        return params;
    };
    EXPECT_EQ(connectAs("", ""), QStringList());
    EXPECT_EQ(Shell->OfferedUserName, "kassa_db");
    EXPECT_EQ(Shell->StatusDuringLogin, "Система ожидает ввода имени пользователя и пароль");
    EXPECT_EQ(Shell->StatusTexts().mid(1, 2), QStringList({"Система ожидает ввода имени пользователя и пароль", ""}));
    EXPECT_EQ(RegistryValue("KASSA", "UserName"), QVariant(""));
    EXPECT_EQ(ParamManager::ParameterManager->GetStringParam("UserName"), "kassa_db") << "as read before the login";
    EXPECT_EQ(Env::CurrentUserID, 7);

    EXPECT_EQ(connectAs("db_user", ""), QStringList({"USER NAME=db_user"}));
    EXPECT_EQ(Env::USER_NAME, "db_user");
    EXPECT_EQ(connectAs("", "secret"), QStringList({"PASSWORD=secret"}));
    EXPECT_EQ(Shell->OfferedUserName, "db_user") << "the name given last";
    EXPECT_TRUE(Messages().empty());
}

TEST_P(ConnectWithSQLite, ACancelledLoginEndsTheCommandSilently)
{
    WriteApplications({{"KASSA", Configured({{"ConnectNeeded", 1}, {"UserName", "kassa_db"}})}});
    TShell::ChooseTitle("KASSA");
    Shell->AnswerLogin(mrCancel, "other", "pw");
    Connect();
    EXPECT_TRUE(Messages().empty());
    EXPECT_FALSE(Connected());
    EXPECT_FALSE(Form()->TuningItem->Enabled());
    EXPECT_EQ(RegistryValue("KASSA", "UserName"), QVariant("kassa_db"));
}

TEST_P(ConnectWithSQLite, AMissingAliasOpensTheSettingsAndWithoutOneEndsTheProgram)
{
    WriteApplications({{"KASSA", {{"PackagesPath", TestSupport::TempDir()}}}});
    TShell::ChooseTitle("KASSA");
    TShell::AnswerSettings(mrCancel);
    Connect();
    EXPECT_EQ(TShell::ModalCaptions(), QStringList({"Выбор приложения", "Настройки"}));
    EXPECT_EQ(Messages(), std::vector<QString>({"Имя базы данных не определено. Обратитесь к администратору"}));
    EXPECT_EQ(Shell->ClosedCount(), 1);
    EXPECT_FALSE(Connected());

    TestSupport::Dialogs().Reset();
    TShell::ChooseTitle("KASSA");
    TShell::AnswerSettings(mrOk, AliasName(), TestSupport::TempDir());
    Connect();
    EXPECT_EQ(RegistryValue("KASSA", "Alias"), QVariant(AliasName()));
    EXPECT_TRUE(Connected()) << "the alias chosen in the settings is taken";
    EXPECT_TRUE(Messages().empty());
}

TEST_P(ConnectWithSQLite, AMissingPackagesPathOpensTheSettingsThenEndsTheProgram)
{
    WriteApplications({{"KASSA", {{"Alias", AliasName()}}}});
    TShell::ChooseTitle("KASSA");
    TShell::AnswerSettings(mrCancel);
    Connect();
    EXPECT_EQ(TShell::ModalCaptions(), QStringList({"Выбор приложения", "Настройки"}));
    EXPECT_EQ(Messages(), std::vector<QString>({"Надо перезапустить систему"}));
    EXPECT_EQ(Shell->ClosedCount(), 1);
    EXPECT_FALSE(Form()->SessionRunning());
    EXPECT_TRUE(Form()->ConnectItem->Enabled());
}

TEST_P(ConnectWithSQLite, AnUnknownAliasIsReportedWithTheDatabaseError)
{
    WriteApplications({{"KASSA", Configured({{"Alias", "NO_SUCH_ALIAS"}})}});
    TShell::ChooseTitle("KASSA");
    Connect();
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_TRUE(Messages()[0].contains("NO_SUCH_ALIAS")) << Messages()[0].toStdString();
    EXPECT_FALSE(Connected());
    EXPECT_FALSE(Form()->TuningItem->Enabled());
    EXPECT_EQ(Env::CurrentUser, "");
}

TEST_P(ConnectOnBothBackends, TheUserIsLookedUpInUpperCaseAndAnUnknownOneIsRefused)
{
    WriteApplications({{"kassa", Configured()}, {"NOBODY", Configured()}});
    TShell::ChooseTitle("kassa");
    Connect();
    EXPECT_EQ(Env::CurrentUserID, 7);
    EXPECT_TRUE(Form()->Panel1->isVisibleTo(Form()));
    Form()->DisconnectItem->Click();

    TestSupport::Dialogs().Reset();
    TShell::ChooseTitle("NOBODY");
    Connect();
    const auto& calls = TestSupport::Dialogs().Calls();
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0], "Пользователь NOBODY не имеет права работать с базой данных");
    EXPECT_EQ(calls.back().Type, TMsgDlgType::mtInformation);
    EXPECT_EQ(calls.back().Buttons, mbOK);
    EXPECT_FALSE(Connected()) << "the connection is closed again";
    EXPECT_TRUE(Form()->TuningItem->Enabled()) << "the login had succeeded";
    EXPECT_TRUE(Form()->ConnectItem->Enabled());
    EXPECT_FALSE(Form()->Panel1->isVisibleTo(Form()));
    EXPECT_FALSE(Form()->SessionRunning());
}

TEST_P(ConnectOnBothBackends, AFailingUserQueryIsReportedWithItsTextAndClosesTheConnection)
{
    ExecSQL("drop table POLZOVATEL");
    WriteApplications({{"KASSA", Configured()}});
    TShell::ChooseTitle("KASSA");
    Connect();
    ASSERT_EQ(Messages().size(), 1u);
    const QString message = Messages()[0];
    EXPECT_TRUE(message.startsWith("Ошибка:")) << message.toStdString();
    EXPECT_TRUE(message.endsWith("\n\rselect * from POLZOVATEL where NAZVANIE='KASSA'\r\n")) << message.toStdString();
    EXPECT_FALSE(Connected());
    EXPECT_FALSE(Form()->SessionRunning());
}

TEST_P(ConnectOnBothBackends, AnApostropheInTheUserNameIsDoubledInTheQuery)
{
    WriteApplications({{"O'Brien", Configured()}});
    TShell::ChooseTitle("O'Brien");
    Connect();
    EXPECT_TRUE(Messages().empty()) << Messages().front().toStdString();
    EXPECT_EQ(Env::CurrentUser, "O'Brien");
    EXPECT_EQ(Env::CurrentUserID, 8);
    EXPECT_EQ(Form()->UserInfoRequest->SQL()->Text(), "select * from POLZOVATEL where NAZVANIE='O''BRIEN'\r\n");
}

TEST_P(ConnectWithPassword, AWrongPasswordIsReportedAndTheRightOneConnects)
{
    TShell::ChooseTitle("KASSA");
    Shell->AnswerLogin(mrOk, Role, "wrong-" + Password);
    Connect();
    EXPECT_EQ(Messages(), std::vector<QString>({"Неверно набран пароль или имя пользователя.\n\r Возможно сервер не отвечает"}));
    EXPECT_FALSE(Connected());
    EXPECT_FALSE(Form()->SessionRunning());

    TestSupport::Dialogs().Reset();
    TShell::ChooseTitle("KASSA");
    Shell->AnswerLogin(mrOk, Role, Password);
    Connect();
    EXPECT_TRUE(Messages().empty()) << Messages().front().toStdString();
    EXPECT_TRUE(Connected());
    EXPECT_EQ(Form()->Database1->Connection().userName(), Role);
    EXPECT_EQ(Env::CurrentUserID, 7);
}

INSTANTIATE_TEST_SUITE_P(Backends, ConnectWithSQLite, testing::Values(TBackend::SQLite), TestSupport::BackendName);
VELNOR_INSTANTIATE_DATABASE_TEST(ConnectOnBothBackends);
INSTANTIATE_TEST_SUITE_P(Backends, ConnectWithPassword, testing::Values(TBackend::PostgreSQL), TestSupport::BackendName);
