#include "LoggerMain.h"

#include "TestEnvironment.h"

#include <gtest/gtest.h>

namespace {

class LoggerMainTest : public testing::Test {
protected:
    void SetUp() override { LoggerMain::Initialize(); }
    void TearDown() override { LoggerMain::Finalize(); }
};

TEST_F(LoggerMainTest, TheBaseLoggerAsksToBeOverridden)
{
    LoggerMain::TLogger logger;
    TObject event;
    logger.PostToLog(&event);
    logger.PostToErrorLog(nullptr);
    EXPECT_EQ(TestSupport::Dialogs().Messages(),
              (std::vector<QString>{QStringLiteral("Метод PostToLOG требует перекрытия в потомках"),
                                    QStringLiteral("Метод PostToErrorLOG требует перекрытия в потомках")}));
}

TEST_F(LoggerMainTest, TheLastNonNullLoggerWinsAndAnyUnregistrationClearsIt)
{
    LoggerMain::TLogger first, second;
    EXPECT_EQ(LoggerMain::Logger, nullptr);
    LoggerMain::RegisterLogger(&first);
    LoggerMain::RegisterLogger(&second);
    EXPECT_EQ(LoggerMain::Logger, &second);
    LoggerMain::RegisterLogger(nullptr);
    EXPECT_EQ(LoggerMain::Logger, &second);
    LoggerMain::UnRegisterLogger(&first);
    EXPECT_EQ(LoggerMain::Logger, nullptr);

    // The logger belongs to a package: the unit's lifetime ends without it.
    LoggerMain::RegisterLogger(&first);
    LoggerMain::Finalize();
    EXPECT_EQ(LoggerMain::Logger, nullptr);
    LoggerMain::Initialize();
}

} // namespace
