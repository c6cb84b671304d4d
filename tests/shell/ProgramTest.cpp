#include "About.h"
#include "ApplicationSystemChooseForm.h"
#include "IntarnalInfoForm.h"
#include "LoginForm.h"
#include "OptionsForm.h"
#include "PropertyPages.h"
#include "Exceptions.h"
#include "Program.h"
#include "TestEnvironment.h"
#include "mainform.h"

#include <gtest/gtest.h>

TEST(Program, RunsTheLoopWithTheMainWindowAndFreesTheForms)
{
    TForm* loopWindow = nullptr;
    const int exitCode = Program::Run([&loopWindow](TForm* MainForm) {
        loopWindow = MainForm;
        EXPECT_EQ(MainForm, mainform::Form1);
        EXPECT_NE(About::AboutBox, nullptr);
        EXPECT_NE(LoginForm::LoginFrm, nullptr);
        EXPECT_NE(ApplicationSystemChooseForm::ApplicationSystemChooseFrm, nullptr);
        EXPECT_NE(IntarnalInfoForm::Form3, nullptr);
        EXPECT_EQ(PropertyPages::PropertyForm, OptionsForm::OptionFrm);
        EXPECT_NE(OptionsForm::OptionFrm, nullptr);
        mainform::Form1->CloseItem->Click();
    });
    EXPECT_EQ(exitCode, 0);
    EXPECT_NE(loopWindow, nullptr);
    EXPECT_EQ(mainform::Form1, nullptr);
    EXPECT_EQ(About::AboutBox, nullptr);
    EXPECT_EQ(LoginForm::LoginFrm, nullptr);
    EXPECT_EQ(IntarnalInfoForm::Form3, nullptr);
    EXPECT_EQ(PropertyPages::PropertyForm, nullptr) << "the settings dialog's unit has ended";
    EXPECT_TRUE(TestSupport::Dialogs().Calls().empty());
}

TEST(Program, AnEscapingErrorShowsTheFatalBoxWithItsCaptionAndText)
{
    const int exitCode = Program::Run([](TForm*) { throw EDatabaseError("сбой"); });
    EXPECT_NE(exitCode, 0);
    ASSERT_EQ(TestSupport::Dialogs().Calls().size(), 1u);
    const auto& call = TestSupport::Dialogs().Calls()[0];
    EXPECT_EQ(call.Caption, "Ошибка системы");
    EXPECT_EQ(call.Text, "Cистема падает, экипаж прощается с вами и желает мягкой посадки");
    EXPECT_EQ(call.Text.at(0), QLatin1Char('C')) << "the first letter is the Latin C";
    EXPECT_EQ(call.Buttons, mbOK);
    EXPECT_EQ(mainform::Form1, nullptr);
}
