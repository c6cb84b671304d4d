// The test kit on the sample application, used as a package author uses it: from a test
// program of its own (GoogleTest's main, no QApplication made beforehand), on SQLite and on
// the PostgreSQL server of VELNOR_TEST_PG.

#include "EClasses.h"
#include "Env.h"
#include "TestKit.h"

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

namespace {

using TestKit::EFailure;
using TestKit::TProgramSession;

enum class TBackend { SQLite, PostgreSQL };

std::string BackendName(TBackend Backend)
{
    return Backend == TBackend::SQLite ? "SQLite" : "PostgreSQL";
}

// Names the backend in test listings instead of its bytes.
void PrintTo(TBackend Backend, std::ostream* Stream)
{
    *Stream << BackendName(Backend);
}

const QString Clients = QStringLiteral("Клиенты (CLIENTS)");
const QString Journal = QStringLiteral("Журнал заказов (ORDERS)");
const QString Stock = QStringLiteral("Склады (STOCK)");

class TTestKitTest : public testing::TestWithParam<TBackend> {
protected:
    void SetUp() override
    {
        if (GetParam() == TBackend::PostgreSQL && qEnvironmentVariableIsEmpty("VELNOR_TEST_PG"))
            GTEST_SKIP() << "VELNOR_TEST_PG is not set: no PostgreSQL server to test against";
    }

    // The sample application with 20 clients and orders, its packages found in the
    // installation's package folder.
    std::unique_ptr<TProgramSession> Start(const QStringList& Packages = {})
    {
        TestKit::TOptions options;
        options.SampleRows = 20;
        options.Packages = Packages;
        if (GetParam() == TBackend::PostgreSQL)
            options.Postgres = qEnvironmentVariable("VELNOR_TEST_PG");
        return std::make_unique<TProgramSession>(options);
    }
};

QString FailureOf(const std::function<void()>& Step)
{
    try {
        Step();
    } catch (const EFailure& failure) {
        return failure.Message();
    }
    return QStringLiteral("<no failure>");
}

TEST_P(TTestKitTest, APathIsExpandedByCaptionsAnEditIsSavedThroughTheQuestionAndTheStatusBarIsRead)
{
    auto session = Start();
    const QStringList clients = session->Captions(Clients);
    ASSERT_EQ(clients.size(), 20);
    const QString client = Clients + QLatin1Char('/') + clients[3];
    // A caption that is not there names those that are.
    EXPECT_TRUE(FailureOf([&] { session->Expand(Clients + QStringLiteral("/Нет такого")); }).contains(clients[3]));

    session->Select(client);
    EXPECT_EQ(session->SelectedPath(), client);
    const qint64 id = dynamic_cast<EClasses::TEntityInstance*>(session->SelectedEntity())->ID;
    session->Type(QStringLiteral("NAZVANIE"), QStringLiteral("Переименован"));
    session->Dialogs().QueueMessageAnswer(mrYes);
    session->Select(Clients);
    EXPECT_EQ(session->Dialogs().Messages(), std::vector<QString>{QStringLiteral("Объект изменен. Сохранить изменения?")});
    EXPECT_EQ(session->QueryValue(QStringLiteral("select NAZVANIE from KLIENTY where ID = %1").arg(id)).toString(),
              QStringLiteral("Переименован"));
    EXPECT_EQ(session->SelectedPath(), Clients);
    EXPECT_EQ(session->StatusPanels()[0], QString());

    // A stock row, below its warehouse, is in the context "Склад", which the first panel names.
    const QString warehouse = Stock + QLatin1Char('/') + session->Captions(Stock)[0];
    session->Select(warehouse + QLatin1Char('/') + session->Captions(warehouse)[0]);
    EXPECT_EQ(session->StatusPanels()[0], QStringLiteral("Склад"));
    session->Disconnect();
    EXPECT_FALSE(session->Connected());
}

TEST_P(TTestKitTest, AWizardRunFromTheMenuSelectsTheOrderItMade)
{
    auto session = Start();
    session->Expand(Journal);
    const qint64 clientID = session->QueryValue(QStringLiteral("select min(ID) from KLIENTY")).toLongLong();
    session->Dialogs().QueueInputAnswer(true, QString::number(clientID));
    session->RunMenu(QStringLiteral("Сервис/Новый заказ..."));
    const auto* order = dynamic_cast<EClasses::TEntityInstance*>(session->SelectedEntity());
    ASSERT_NE(order, nullptr);
    EXPECT_EQ(order->ID, session->QueryValue(QStringLiteral("select max(ID) from ZAKAZY")).toLongLong());
    EXPECT_TRUE(session->SelectedPath().startsWith(Journal + QLatin1Char('/'))) << session->SelectedPath().toStdString();
    EXPECT_EQ(session->Form(), order->Form);
    EXPECT_TRUE(FailureOf([&] { session->RunMenu(QStringLiteral("Сервис/Нет такого")); }).contains(QStringLiteral("Новый заказ...")));
    session->Disconnect();
}

void Refresh() {}

// A package that unregisters nothing (its service has no menu item), a registration made
// during the session, as a package's click handler might, and an entity kept past the end.
TEST_P(TTestKitTest, DisconnectNamesWhatThePackagesLeftRegisteredAndTheEntitiesAlive)
{
    auto session = Start({QStringLiteral(VELNOR_TEST_PACKAGE_DIR "/pkg_forgets.bpl")});
    EXPECT_EQ(session->Captions().size(), 5);
    Env::RegisterClassificator(QStringLiteral("Забытый классификатор"), Refresh);
    auto kept = std::make_unique<EClasses::TEntityInstance>(1, QStringLiteral("оставленный"));
    const QString failure = FailureOf([&] { session->Disconnect(); });
    for (const QString& left : {QStringLiteral("pkg_forgets.bpl при выгрузке оставил зарегистрированными"),
                                QStringLiteral("сервис \"Забытый сервис\""), QStringLiteral("класс \"TForgottenEntity\""),
                                QStringLiteral("Env::Classificators осталось: Забытый классификатор"),
                                QStringLiteral("осталось сущностей (TEntity): 1")})
        EXPECT_TRUE(failure.contains(left)) << failure.toStdString();
    // The session's own messages: the forgotten service put no menu up and its removal found none missing.
    EXPECT_TRUE(session->Dialogs().Messages().empty());
    Env::UnregisterClassificator(QStringLiteral("Забытый классификатор"));
}

INSTANTIATE_TEST_SUITE_P(Backends, TTestKitTest, testing::Values(TBackend::SQLite, TBackend::PostgreSQL),
                         [](const testing::TestParamInfo<TBackend>& Info) { return BackendName(Info.param); });

} // namespace
