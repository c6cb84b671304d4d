#include "WizardManager.h"

#include "EClasses.h"
#include "Exceptions.h"
#include "NUtilities.h"
#include "Packages.h"
#include "Registry.h"
#include "TestEnvironment.h"
#include "../../packages/TestPackages.h"

#include <gtest/gtest.h>

namespace {

class TTestWizard : public EClasses::TEntityWizard {
public:
    explicit TTestWizard(qint32 Result) : Result(Result) {}
    qint32 Execute() override
    {
        ++Calls;
        if (Fail)
            throw Exception(QStringLiteral("мастер сломался"));
        return Result;
    }
    qint32 Result;
    int Calls = 0;
    bool Fail = false;
};

// The unit is used only by packages: each test is one lifetime of it, with debug messages on.
class WizardManagerTest : public testing::Test {
protected:
    void SetUp() override
    {
        SetDebugSwitch(1);
        WizardManager::Initialize();
    }
    void TearDown() override
    {
        WizardManager::Finalize();
        SetDebugSwitch(0);
    }

    static void SetDebugSwitch(qint32 Value)
    {
        TRegistry registry;
        ASSERT_TRUE(registry.OpenKey(QStringLiteral("Software\\Velnor02"), true));
        registry.WriteInteger(QStringLiteral("DebugMessages"), Value);
        NUtilities::Finalize();
        NUtilities::Initialize();
    }

    static qint32 Call(const QString& Name)
    {
        TestSupport::Dialogs().Reset();
        return WizardManager::CallWizard(Name);
    }
    static std::vector<QString> Shown() { return TestSupport::Dialogs().Messages(); }
};

TEST_F(WizardManagerTest, TheFirstRegistrationOfANameStays)
{
    TTestWizard first(11), second(22);
    WizardManager::RegisterWizard(QStringLiteral("Отчёт"), &first);
    WizardManager::RegisterWizard(QStringLiteral("ОТЧЁТ"), &second);
    EXPECT_EQ(Call(QStringLiteral("отчёт")), 11);
    EXPECT_EQ(Shown(), (std::vector<QString>{QStringLiteral("Попытка вызова мастера отчёт"), QStringLiteral("Мастер найден и будет запущен")}));
    EXPECT_EQ(second.Calls, 0);

    WizardManager::UnregisterWizard(QStringLiteral("Отчёт"));
    WizardManager::UnregisterWizard(QStringLiteral("Отчёт"));
    EXPECT_EQ(Call(QStringLiteral("Отчёт")), 0);
    WizardManager::RegisterWizard(QStringLiteral("Отчёт"), &second);
    EXPECT_EQ(Call(QStringLiteral("Отчёт")), 22);
}

TEST_F(WizardManagerTest, UnknownAndFailingWizardsGiveZeroAndSayWhy)
{
    TTestWizard wizard(5);
    WizardManager::RegisterWizard(QStringLiteral("Импорт"), &wizard);
    EXPECT_EQ(Call(QStringLiteral("Экспорт")), 0);
    EXPECT_EQ(Shown(), (std::vector<QString>{QStringLiteral("Попытка вызова мастера Экспорт"), QStringLiteral("Мастер Экспорт не найден")}));
    EXPECT_EQ(wizard.Calls, 0);

    wizard.Fail = true;
    EXPECT_EQ(Call(QStringLiteral("Импорт")), 0);
    EXPECT_EQ(Shown(), (std::vector<QString>{QStringLiteral("Попытка вызова мастера Импорт"), QStringLiteral("Мастер найден и будет запущен"),
                                             QStringLiteral("Ошибка запуска мастера Импорт")}));
    EXPECT_EQ(wizard.Calls, 1);

    // A wizard registered as null fails the same way instead of crashing.
    WizardManager::RegisterWizard(QStringLiteral("Пустой"), nullptr);
    EXPECT_EQ(Call(QStringLiteral("Пустой")), 0);
    EXPECT_EQ(Shown().back(), QStringLiteral("Ошибка запуска мастера Пустой"));
}

TEST_F(WizardManagerTest, DebugTextsStayHiddenWithTheSwitchOffAndANewLifetimeStartsEmpty)
{
    TTestWizard wizard(3);
    WizardManager::RegisterWizard(QStringLiteral("Импорт"), &wizard);
    SetDebugSwitch(0);
    EXPECT_EQ(Call(QStringLiteral("Импорт")), 3);
    EXPECT_TRUE(Shown().empty());

    WizardManager::Finalize();
    WizardManager::Initialize();
    EXPECT_EQ(Call(QStringLiteral("Импорт")), 0);
}

} // namespace

namespace {

QString FailureOfCall(const QString& Name)
{
    try {
        WizardManager::CallWizard(Name);
    } catch (const Exception& error) {
        return error.Message();
    }
    return QString();
}

// pkg_lazy_a and pkg_lazy_b register their wizards without ever initialising the unit.
TEST(WizardManagerUse, PackagesThatNeverInitialiseTheUnitHoldItFromTheFirstLoadToTheLastUnload)
{
    using TestPackages::File;
    TestPackages::ClearLogs();
    // Nobody uses the unit: a call is a clear error, not a crash.
    EXPECT_EQ(FailureOfCall(QStringLiteral("pkg_lazy_a")), QStringLiteral("Модуль WizardManager не инициализирован"));

    const quintptr lazyA = LoadPackage(File(QStringLiteral("pkg_lazy_a")));
    EXPECT_EQ(WizardManager::CallWizard(QStringLiteral("pkg_lazy_a")), 10);
    const quintptr alpha = LoadPackage(File(QStringLiteral("pkg_alpha")));
    const quintptr lazyB = LoadPackage(File(QStringLiteral("pkg_lazy_b")));
    // The package that initialised the unit itself goes: the others keep it alive.
    UnloadPackage(alpha);
    EXPECT_EQ(WizardManager::CallWizard(QStringLiteral("pkg_lazy_a")), 10);
    EXPECT_EQ(WizardManager::CallWizard(QStringLiteral("pkg_alpha")), 0);
    UnloadPackage(lazyA);
    EXPECT_EQ(WizardManager::CallWizard(QStringLiteral("pkg_lazy_b")), 10);
    EXPECT_EQ(WizardManager::CallWizard(QStringLiteral("pkg_lazy_a")), 0);
    UnloadPackage(lazyB);
    EXPECT_EQ(TestPackages::Log(),
              QStringLiteral("+pkg_lazy_a +pkg_alpha +pkg_lazy_b -pkg_alpha ~pkg_alpha -pkg_lazy_a ~pkg_lazy_a -pkg_lazy_b ~pkg_lazy_b"));
    // The last of them finalised the unit: it starts empty again.
    EXPECT_FALSE(FailureOfCall(QStringLiteral("pkg_lazy_b")).isEmpty());
    WizardManager::Initialize();
    EXPECT_EQ(WizardManager::CallWizard(QStringLiteral("pkg_lazy_b")), 0);
    WizardManager::Finalize();
}

} // namespace
