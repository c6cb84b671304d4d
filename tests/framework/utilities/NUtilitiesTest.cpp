#include "NUtilities.h"

#include "Exceptions.h"
#include "Registry.h"
#include "TestEnvironment.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

const QString DebugKey = QStringLiteral("Software\\Velnor02");
const QString DebugValue = QStringLiteral("DebugMessages");

// The switch is read when the unit initialises: the tests re-run it through its use count.
void RestartUnit()
{
    NUtilities::Finalize();
    NUtilities::Initialize();
}

bool DebugMessageShown()
{
    TestSupport::Dialogs().Reset();
    NUtilities::ShowDebugMessage(QStringLiteral("Загрузка пакета"), 0, 0, 0);
    const auto& calls = TestSupport::Dialogs().Calls();
    if (calls.empty())
        return false;
    EXPECT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].Text, QStringLiteral("Загрузка пакета"));
    EXPECT_EQ(calls[0].Buttons, mbOK);
    return true;
}

class NUtilitiesTest : public testing::Test {
protected:
    void SetUp() override { TRegistry().DeleteKey(DebugKey); }
    void TearDown() override
    {
        TRegistry().DeleteKey(DebugKey);
        RestartUnit();
    }

    static void SetSwitchText(const QString& Value)
    {
        TRegistry registry;
        ASSERT_TRUE(registry.OpenKey(DebugKey, true));
        registry.WriteString(DebugValue, Value);
    }
    static void SetSwitch(qint32 Value)
    {
        TRegistry registry;
        ASSERT_TRUE(registry.OpenKey(DebugKey, true));
        registry.WriteInteger(DebugValue, Value);
    }
};

TEST_F(NUtilitiesTest, AMissingKeyIsCreatedAndLeavesTheSwitchOff)
{
    ASSERT_FALSE(TRegistry().KeyExists(DebugKey));
    RestartUnit();
    EXPECT_TRUE(TRegistry().KeyExists(DebugKey));
    EXPECT_FALSE(DebugMessageShown());
    EXPECT_TRUE(NUtilities::InitializeDebugManager());
}

TEST_F(NUtilitiesTest, OnlyTheValueOneTurnsTheSwitchOn)
{
    SetSwitch(2);
    RestartUnit();
    EXPECT_FALSE(DebugMessageShown());

    SetSwitch(1);
    EXPECT_FALSE(DebugMessageShown()) << "the switch changes only at the next start";
    RestartUnit();
    EXPECT_TRUE(DebugMessageShown());

    SetSwitch(0);
    RestartUnit();
    EXPECT_FALSE(DebugMessageShown());
}

TEST_F(NUtilitiesTest, ANonIntegerValueMakesTheStartFail)
{
    SetSwitchText(QStringLiteral("1"));
    NUtilities::Finalize();
    EXPECT_THROW(NUtilities::Initialize(), ERegistryException);
    EXPECT_FALSE(DebugMessageShown());
}

// A registry file made read-only (as the provisioning may leave it) without the key: the
// start goes on with the switch off, and the file is told once, unchanged.
TEST_F(NUtilitiesTest, AReadOnlyRegistryWithoutTheKeyStartsWithTheSwitchOff)
{
    const QString file = TRegistry::FileName();
    ASSERT_TRUE(QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));
    TestSupport::Dialogs().Reset();
    NUtilities::Finalize();
    EXPECT_NO_THROW(NUtilities::Initialize());
    const std::vector<QString> told = TestSupport::Dialogs().Messages();
    QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_TRUE(told[0].contains(file)) << told[0].toStdString();
    EXPECT_FALSE(TRegistry().KeyExists(DebugKey));
    EXPECT_FALSE(DebugMessageShown());
}

} // namespace
