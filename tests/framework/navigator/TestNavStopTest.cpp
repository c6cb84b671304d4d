// Stopping a long expansion of the navigator's tree.

#include "NavigatorFixture.h"

#include "Application.h"
#include "Env.h"
#include "LongWork.h"
#include "ObjectManager.h"
#include "StatusBar.h"
#include "TestEnvironment.h"
#include "TreeView.h"

#include <gtest/gtest.h>

#include <memory>

namespace NavigatorTests {

namespace {

const QStringList Clients{QStringLiteral("CLIENTS и клиенты")};

} // namespace

using StopTest = NavigatorTest;

// A stop asked for while the clients are made (here by the 20th client made, of 43 rows, one
// of them hidden) ends the expansion at the next row: the clients made so far stay, in order,
// registered, and the status panel says how many of how many; a later expansion reads all.
TEST_P(StopTest, AnExpansionStoppedHalfwayKeepsExactlyTheChildrenMadeAndSaysSo)
{
    QStringList rows;
    QStringList expected{QStringLiteral("Алексеев"), QStringLiteral("Васильев")};
    for (int id = 100; id < 140; ++id) {
        rows.append(QStringLiteral("(%1, 'Клиент %1')").arg(id));
        if (id < 117)
            expected.append(QStringLiteral("Клиент %1").arg(id));
    }
    ExecSQL(QStringLiteral("insert into CLIENTS values ") + rows.join(QStringLiteral(", ")));
    TStatusBar status(nullptr, nullptr);
    Env::MessagePanel = status.AddPanel();
    const std::shared_ptr<void> panel(nullptr, [](void*) { Env::MessagePanel = nullptr; WhenClientMade = nullptr; });
    Start();
    Navigator()->NodeCollapsing(Node(Clients));
    int made = 0;
    WhenClientMade = [&made] {
        if (++made == 20)
            LongWork::TLongWork::Current()->Stop();
    };
    bool allow = true;
    Navigator()->TreeView1Expanding(Navigator()->TreeView1, Node(Clients), allow);

    EXPECT_EQ(made, 20);
    EXPECT_EQ(Captions(Node(Clients)), expected);
    EXPECT_NE(ObjectManager::Objects->FindObjectReference(QStringLiteral("TNClient"), 116, nullptr), nullptr);
    EXPECT_EQ(ObjectManager::Objects->FindObjectReference(QStringLiteral("TNClient"), 117, nullptr), nullptr);
    EXPECT_EQ(Env::MessagePanel->Text(), QStringLiteral("Прервано пользователем: прочитано 20 из 43"));
    EXPECT_TRUE(TestSupport::Dialogs().Messages().empty());
    EXPECT_FALSE(Application::TUserInputLock::Held());

    Navigator()->NodeCollapsing(Node(Clients));
    Navigator()->TreeView1Expanding(Navigator()->TreeView1, Node(Clients), allow);
    EXPECT_EQ(Node(Clients)->Count(), 42);
    EXPECT_EQ(made, 63);
    EXPECT_TRUE(Env::MessagePanel->Text().isEmpty());
}

VELNOR_INSTANTIATE_DATABASE_TEST(StopTest);

} // namespace NavigatorTests
