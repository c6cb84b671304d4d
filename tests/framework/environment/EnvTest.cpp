#include "Env.h"

#include "EClasses.h"
#include "Exceptions.h"
#include "../FreeWatch.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

class TEnvTestEntityA : public TObject {
    VEL_DECLARE_CLASS(TEnvTestEntityA, TObject)
};
VEL_IMPLEMENT_CLASS(TEnvTestEntityA)

class TEnvTestEntityB : public TObject {
    VEL_DECLARE_CLASS(TEnvTestEntityB, TObject)
};
VEL_IMPLEMENT_CLASS(TEnvTestEntityB)

class TTestApplication : public EClasses::TEntityApplication {
public:
    bool InitApplication() override { return true; }
    bool StartApplication() override { return true; }
    void StopApplication() override {}
    void CloseApplication() override {}
};

class TTestHelper : public EClasses::THelper {
public:
    void ShowHelp(const QString&) override {}
};

QStringList Texts(const TStringList* List)
{
    return List->ToQStringList();
}

// Each test starts with empty registries, as after program start.
class EnvTest : public testing::Test {
protected:
    void SetUp() override
    {
        Env::Finalize();
        Env::Initialize();
    }
};

TEST_F(EnvTest, EntityClassesKeepTheFourListsParallelAndDuplicatesFindTheFirst)
{
    TForm first;
    TForm second;
    TForm other;
    EXPECT_TRUE(Env::RegisterEntityClass(TEnvTestEntityA::StaticClass(), &first));
    EXPECT_TRUE(Env::RegisterEntityClass(TEnvTestEntityB::StaticClass(), &other));
    EXPECT_TRUE(Env::RegisterEntityClass(TEnvTestEntityA::StaticClass(), &second));

    const QStringList names{QStringLiteral("TEnvTestEntityA"), QStringLiteral("TEnvTestEntityB"), QStringLiteral("TEnvTestEntityA")};
    EXPECT_EQ(Texts(Env::ClassNames), names);
    EXPECT_EQ(Texts(Env::ClassForms), names);
    EXPECT_EQ(Texts(Env::ClassString), names);
    EXPECT_EQ(Texts(Env::ClassTypes), (QStringList{QString(), QString(), QString()}));
    EXPECT_EQ(Env::ClassNames->Objects(0), TEnvTestEntityA::StaticClass());
    EXPECT_EQ(Env::ClassForms->Objects(0), static_cast<TObject*>(&first));
    EXPECT_EQ(Env::ClassString->Objects(0), nullptr);

    EXPECT_TRUE(Env::UnregisterEntityClass(TEnvTestEntityA::StaticClass()));
    EXPECT_EQ(Texts(Env::ClassNames), (QStringList{QStringLiteral("TEnvTestEntityB"), QStringLiteral("TEnvTestEntityA")}));
    EXPECT_EQ(Env::ClassForms->Objects(1), static_cast<TObject*>(&second));
    EXPECT_EQ(Env::ClassTypes->Count(), 2);
    EXPECT_EQ(Env::ClassString->Count(), 2);

    // The navigator overwrites the display text and type; unregistering still removes the row.
    Env::ClassString->SetString(0, QStringLiteral("Склады"));
    Env::ClassTypes->SetString(0, QStringLiteral("3"));
    EXPECT_TRUE(Env::UnregisterEntityClass(TEnvTestEntityB::StaticClass()));
    EXPECT_EQ(Texts(Env::ClassString), QStringList{QStringLiteral("TEnvTestEntityA")});
    EXPECT_EQ(Texts(Env::ClassTypes), QStringList{QString()});

    EXPECT_TRUE(Env::UnregisterEntityClass(TEnvTestEntityB::StaticClass()));
    EXPECT_EQ(Env::ClassNames->Count(), 1);
    EXPECT_EQ(Env::ClassForms->Count(), 1);
}

TEST_F(EnvTest, UnregisteringANavigatorRemovesOnlyTheFirstEntryOfItsForm)
{
    TForm tree;
    TForm other;
    EXPECT_TRUE(Env::RegisterEntityNavigator(QStringLiteral("Test Navigator"), &tree));
    EXPECT_TRUE(Env::RegisterEntityNavigator(QStringLiteral("Other"), &other));
    EXPECT_TRUE(Env::RegisterEntityNavigator(QStringLiteral("Again"), &tree));
    TForm unknown;
    EXPECT_TRUE(Env::UnregisterEntityNavigator(&unknown));
    EXPECT_EQ(Env::Navigators->Count(), 3);
    EXPECT_TRUE(Env::UnregisterEntityNavigator(&tree));
    EXPECT_EQ(Texts(Env::Navigators), (QStringList{QStringLiteral("Other"), QStringLiteral("Again")}));
    EXPECT_EQ(Env::Navigators->Objects(1), static_cast<TObject*>(&tree));
}

TEST_F(EnvTest, ServicesGetAnInfoRecordThatIsFreedOnUnregister)
{
    EXPECT_TRUE(Env::RegisterEntityService(QStringLiteral("Отчёт"), 7, QStringLiteral("Сервис"), nullptr));
    EXPECT_TRUE(Env::RegisterEntityService(QStringLiteral("Отчёт"), 0, QStringLiteral("Файл"), nullptr));
    ASSERT_EQ(Env::Services->Count(), 2);
    auto* info = Env::Services->ObjectAs<EClasses::TServiceInfo>(0);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->MenuName, QStringLiteral("Сервис"));
    EXPECT_EQ(info->MenuItem, nullptr);

    TestSupport::TFreeWatch watch(info);
    EXPECT_TRUE(Env::UnregisterEntityService(QStringLiteral("отчёт")));
    EXPECT_TRUE(watch.Freed());
    ASSERT_EQ(Env::Services->Count(), 1);
    EXPECT_EQ(Env::Services->ObjectAs<EClasses::TServiceInfo>(0)->MenuName, QStringLiteral("Файл"));
    EXPECT_TRUE(Env::UnregisterEntityService(QStringLiteral("Нет такого")));
    EXPECT_EQ(Env::Services->Count(), 1);
}

int FirstRefreshCalls = 0;
int SecondRefreshCalls = 0;
int LastRefreshCalls = 0;
void FirstRefresh() { ++FirstRefreshCalls; }
void SecondRefresh() { ++SecondRefreshCalls; }
void LastRefresh() { ++LastRefreshCalls; }
void FailingRefresh() { throw EDatabaseError(QStringLiteral("нет таблицы")); }
void ForeignFailingRefresh() { throw std::runtime_error("not one of ours"); }

TEST_F(EnvTest, ClassificatorsKeepTheFirstProcedureAndAFailureDoesNotStopTheOthers)
{
    FirstRefreshCalls = SecondRefreshCalls = LastRefreshCalls = 0;
    Env::RefreshClassificators();
    EXPECT_TRUE(TestSupport::Dialogs().Calls().empty());

    Env::RegisterClassificator(QStringLiteral("Склады"), FirstRefresh);
    Env::RegisterClassificator(QStringLiteral("СКЛАДЫ"), SecondRefresh);
    Env::RegisterClassificator(QStringLiteral("Валюты"), FailingRefresh);
    Env::RegisterClassificator(QStringLiteral("Страны"), ForeignFailingRefresh);
    Env::RegisterClassificator(QStringLiteral("Пустой"), nullptr);
    Env::RegisterClassificator(QStringLiteral("Единицы"), LastRefresh);
    EXPECT_EQ(Texts(Env::Classificators),
              (QStringList{QStringLiteral("Склады"), QStringLiteral("Валюты"), QStringLiteral("Страны"), QStringLiteral("Пустой"),
                           QStringLiteral("Единицы")}));

    Env::RefreshClassificators();
    EXPECT_EQ(FirstRefreshCalls, 1);
    EXPECT_EQ(SecondRefreshCalls, 0);
    EXPECT_EQ(LastRefreshCalls, 1);
    EXPECT_EQ(TestSupport::Dialogs().Messages(),
              (std::vector<QString>{QStringLiteral("Ошибка обновления классификатора Валюты"),
                                    QStringLiteral("Ошибка обновления классификатора Страны"),
                                    QStringLiteral("Ошибка обновления классификатора Пустой")}));

    TestSupport::TFreeWatch watch(Env::Classificators->Objects(0));
    Env::UnregisterClassificator(QStringLiteral("склады"));
    EXPECT_TRUE(watch.Freed());
    Env::UnregisterClassificator(QStringLiteral("Нет такого"));
    EXPECT_EQ(Env::Classificators->Count(), 4);
    Env::RegisterClassificator(QStringLiteral("Склады"), SecondRefresh);
    Env::RefreshClassificators();
    EXPECT_EQ(SecondRefreshCalls, 1);
}

TEST_F(EnvTest, TheFirstApplicationAndTheLastHelperWin)
{
    TTestApplication first;
    TTestApplication second;
    Env::RegisterApplication(&first);
    Env::RegisterApplication(&second);
    EXPECT_EQ(Env::EntityApplication, &first);
    Env::UnregisterApplication(&second);
    EXPECT_EQ(Env::EntityApplication, nullptr);
    Env::RegisterApplication(&second);
    EXPECT_EQ(Env::EntityApplication, &second);
    Env::UnregisterApplication(nullptr);
    EXPECT_EQ(Env::EntityApplication, nullptr);

    TTestHelper help;
    TTestHelper later;
    Env::RegisterHelper(&help);
    Env::RegisterHelper(&later);
    EXPECT_EQ(Env::Help, &later);
    Env::UnregisterHelper();
    EXPECT_EQ(Env::Help, nullptr);
}

TEST_F(EnvTest, FinalisationFreesTheListsAndClearsTheSessionTexts)
{
    Env::RegisterEntityService(QStringLiteral("Left behind"), 0, QStringLiteral("Сервис"), nullptr);
    Env::ProgramPath = QStringLiteral("/opt/velnor07/");
    Env::CurrentUser = QStringLiteral("Склад");
    Env::RegistryKeyRoot = QStringLiteral("Software\\Velnor07\\Склад");
    Env::CurrentUserID = 12;

    // A plug-in package initialising the unit again shares the running environment.
    Env::Initialize();
    Env::Finalize();
    ASSERT_NE(Env::Services, nullptr);
    EXPECT_EQ(Env::Services->Count(), 1);

    TestSupport::TFreeWatch watch(Env::Services->Objects(0));
    Env::Finalize();
    EXPECT_TRUE(watch.Freed());
    EXPECT_TRUE(Env::StopPostMessage);
    EXPECT_EQ(Env::CopyService, nullptr);
    for (TStringList* list : {Env::ClassNames, Env::ClassForms, Env::ClassString, Env::ClassTypes, Env::Modules,
                              Env::Navigators, Env::Services, Env::Classificators})
        EXPECT_EQ(list, nullptr);
    EXPECT_TRUE(Env::ProgramPath.isEmpty());
    EXPECT_TRUE(Env::CurrentUser.isEmpty());
    EXPECT_TRUE(Env::RegistryKeyRoot.isEmpty());

    TTestApplication application;
    Env::EntityApplication = &application;
    Env::Initialize();
    EXPECT_FALSE(Env::StopPostMessage);
    EXPECT_EQ(Env::EntityApplication, nullptr);
    ASSERT_NE(Env::CopyService, nullptr);
    EXPECT_TRUE(Env::CopyService->Cartridges->IsEmpty());
    ASSERT_NE(Env::Classificators, nullptr);
    EXPECT_TRUE(Env::Classificators->IsEmpty());
    Env::CurrentUserID = 0;
}

} // namespace
