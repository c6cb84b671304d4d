// The whole program on the demo: connect as DEMO, walk the navigator, disconnect and connect
// again.

#include "DatabaseFixture.h"
#include "DemoSchema.h"
#include "DemoSetup.h"
#include "Docking.h"
#include "EClasses.h"
#include "Env.h"
#include "ShellFixture.h"
#include "TestEnvironment.h"
#include "TestNav.h"
#include "TreeView.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using ShellTest::TShell;

const int DemoRows = 40;

class DemoProgram : public TestSupport::TDatabaseTest {
protected:
    void SetUp() override
    {
        TDatabaseTest::SetUp();
        if (IsSkipped())
            return;
        DemoSchema::Provision(Database()->Connection(), DemoRows);
        ShellTest::WriteApplications({{QStringLiteral("DEMO"),
            {{QStringLiteral("Alias"), AliasName()}, {QStringLiteral("PackagesPath"), DemoSetup::DefaultPackagesPath()}}}});
        Shell = std::make_unique<TShell>();
    }

    void TearDown() override
    {
        Shell.reset();
        TDatabaseTest::TearDown();
    }

    void Connect()
    {
        TShell::ChooseTitle(QStringLiteral("DEMO"));
        Shell->Form()->ConnectItem->Click();
    }

    static TTreeView* Tree() { return TestNav::TestNavigator->TreeView1; }

    static QStringList RootCaptions()
    {
        QStringList captions;
        for (int i = 0; i < Tree()->Items()->RootCount(); ++i)
            captions.append(Tree()->Items()->Root(i)->Text());
        return captions;
    }

    std::unique_ptr<TShell> Shell;
};

TEST_P(DemoProgram, AConnectShowsTheNavigatorWhereAClientOpensOntoItsOrders)
{
    Connect();
    ASSERT_TRUE(Shell->Form()->Database1->Connected());
    EXPECT_EQ(HostDockSite(TestNav::TestNavigator), Shell->Form()->Panel1);
    const QStringList roots = RootCaptions();
    ASSERT_EQ(roots.size(), 5);
    EXPECT_TRUE(roots[0].startsWith(QStringLiteral("Клиенты")));

    TTreeNode* clients = Tree()->Items()->Root(0);
    clients->Expand(false);
    ASSERT_EQ(clients->Count(), DemoRows);
    Tree()->SetSelected(clients->Item(0));
    auto* client = clients->Item(0)->DataAs<EClasses::TEntityInstance>();
    ASSERT_NE(client->Form, nullptr);
    EXPECT_EQ(Env::CurrentDataForm, client->Form);
    EXPECT_EQ(HostDockSite(client->Form), TestNav::TestNavigator->Panel1);
    // The client's orders are docked below its fields.
    auto* form = static_cast<EClasses::TNavigatorForm*>(client->Form);
    const QList<QWidget*> subForms = DockClients(form->DockSite);
    ASSERT_EQ(subForms.size(), 1);
    auto* orders = clients->Item(0)->Item(0)->DataAs<EClasses::TEntity>();
    EXPECT_EQ(orders->ClassName(), QStringLiteral("TClientOrdersClass"));
    EXPECT_EQ(subForms[0], orders->Form);
    EXPECT_EQ(orders->Condition, QStringLiteral("KLIENT_ID=%1").arg(client->ID));

    // Disconnecting takes the navigator down before the packages go; a new connect loads it all again.
    Shell->Form()->DisconnectItem->Click();
    EXPECT_EQ(Tree()->Items()->Count(), 0);
    EXPECT_EQ(Env::CurrentDataForm, nullptr);
    Connect();
    EXPECT_EQ(RootCaptions(), roots);
    Tree()->Items()->Root(0)->Expand(false);
    EXPECT_EQ(Tree()->Items()->Root(0)->Count(), DemoRows);
    EXPECT_TRUE(TestSupport::Dialogs().Messages().empty());
}

VELNOR_INSTANTIATE_DATABASE_TEST(DemoProgram);

} // namespace
