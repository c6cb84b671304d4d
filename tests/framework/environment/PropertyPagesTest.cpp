#include "PropertyPages.h"

#include "EClasses.h"
#include "Env.h"
#include "Exceptions.h"
#include "../FreeWatch.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

namespace {

class TTestOptionForm : public EClasses::TOptionForm {
public:
    bool ActivatePage(const QString& PageName) override
    {
        Activated.append(PageName);
        if (Fail)
            throw Exception(QStringLiteral("страница не строится"));
        return true;
    }
    QStringList Activated;
    bool Fail = false;
};

void SaveA() {}
void LoadA() {}

class PropertyPagesTest : public testing::Test {
protected:
    void SetUp() override
    {
        PropertyPages::Finalize();
        PropertyPages::Initialize();
    }
    void TearDown() override { Env::UnRegisterMainPropertyPage(); }

    static void ExpectParallel()
    {
        ASSERT_EQ(PropertyPages::Pages->Count(), PropertyPages::PagesProc->Count());
        EXPECT_EQ(PropertyPages::Pages->ToQStringList(), PropertyPages::PagesProc->ToQStringList());
    }

    TTabSheet SheetA{nullptr}, SheetB{nullptr}, SheetC{nullptr};
};

TEST_F(PropertyPagesTest, RegistrationKeepsPagesAndProceduresParallel)
{
    EXPECT_TRUE(Env::RegisterPropertyPage(QStringLiteral("Общие"), &SheetA, SaveA, LoadA));
    EXPECT_TRUE(Env::RegisterPropertyPage(QStringLiteral("Печать"), &SheetB, nullptr, nullptr));
    EXPECT_TRUE(Env::RegisterPropertyPage(QStringLiteral("Общие"), &SheetC, nullptr, LoadA));
    ExpectParallel();
    auto* procs = PropertyPages::PagesProc->ObjectAs<PropertyPages::TPageProc>(0);
    ASSERT_NE(procs, nullptr);
    EXPECT_EQ(procs->SaveProc, &SaveA);
    EXPECT_EQ(procs->LoadProc, &LoadA);
    EXPECT_EQ(PropertyPages::Pages->Objects(1), &SheetB);

    EXPECT_TRUE(Env::UnregiseterPropertyPage(QStringLiteral("Нет такой")));
    EXPECT_EQ(PropertyPages::Pages->Count(), 3);
    ExpectParallel();

    TestSupport::TFreeWatch watch(procs);
    EXPECT_TRUE(Env::UnregiseterPropertyPage(QStringLiteral("общие")));
    EXPECT_TRUE(watch.Freed());
    ExpectParallel();
    EXPECT_EQ(PropertyPages::Pages->ToQStringList(), (QStringList{QStringLiteral("Печать"), QStringLiteral("Общие")}));
    EXPECT_EQ(PropertyPages::Pages->Objects(1), &SheetC);
    EXPECT_EQ(PropertyPages::PagesProc->ObjectAs<PropertyPages::TPageProc>(1)->LoadProc, &LoadA);
}

TEST_F(PropertyPagesTest, ActivatingAPageOpensTheFormOrReportsWhyNot)
{
    const QString failure = QStringLiteral("Ошибка вызова закладки свойств");
    Env::RegisterPropertyPage(QStringLiteral("Общие"), &SheetA, nullptr, nullptr);

    // No form registered yet.
    EXPECT_FALSE(PropertyPages::ActivatePropertyPage(QStringLiteral("Общие")));
    EXPECT_EQ(TestSupport::Dialogs().Messages(), std::vector<QString>{failure});

    TTestOptionForm earlier;
    TTestOptionForm form;
    Env::RegisterMainPropertyPage(&earlier);
    Env::RegisterMainPropertyPage(&form);
    TestSupport::Dialogs().Reset();
    EXPECT_FALSE(PropertyPages::ActivatePropertyPage(QStringLiteral("Печать")));
    EXPECT_TRUE(TestSupport::Dialogs().Calls().empty());
    EXPECT_TRUE(form.Activated.isEmpty());

    EXPECT_TRUE(PropertyPages::ActivatePropertyPage(QStringLiteral("ОБЩИЕ")));
    EXPECT_EQ(form.Activated, QStringList{QStringLiteral("ОБЩИЕ")});
    EXPECT_TRUE(earlier.Activated.isEmpty());
    EXPECT_TRUE(TestSupport::Dialogs().Calls().empty());

    form.Fail = true;
    EXPECT_FALSE(PropertyPages::ActivatePropertyPage(QStringLiteral("Общие")));
    EXPECT_EQ(TestSupport::Dialogs().Messages(), std::vector<QString>{failure});
}

TEST_F(PropertyPagesTest, FinalisationFreesTheListsAndTheProceduresLeftBehind)
{
    Env::RegisterPropertyPage(QStringLiteral("Общие"), &SheetA, SaveA, nullptr);
    TestSupport::TFreeWatch watch(PropertyPages::PagesProc->Objects(0));
    PropertyPages::Finalize();
    EXPECT_TRUE(watch.Freed());
    EXPECT_EQ(PropertyPages::Pages, nullptr);
    EXPECT_EQ(PropertyPages::PagesProc, nullptr);
    PropertyPages::Initialize();
    EXPECT_TRUE(PropertyPages::Pages->IsEmpty());
}

} // namespace
