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

#include "Env.h"
#include "Velkit07.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <vector>

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

const QString FatalText = QStringLiteral("Cистема падает, экипаж прощается с вами и желает мягкой посадки");

TEST(Program, AnEscapingErrorShowsTheFatalBoxWithItsCaptionTextAndReason)
{
    const int exitCode = Program::Run([](TForm*) { throw EDatabaseError("сбой"); });
    EXPECT_NE(exitCode, 0);
    ASSERT_EQ(TestSupport::Dialogs().Calls().size(), 1u);
    const auto& call = TestSupport::Dialogs().Calls()[0];
    EXPECT_EQ(call.Caption, "Ошибка системы");
    EXPECT_EQ(call.Text, FatalText + QStringLiteral("\n\nсбой"));
    EXPECT_EQ(call.Text.at(0), QLatin1Char('C')) << "the first letter is the Latin C";
    EXPECT_EQ(call.Buttons, mbOK);
    EXPECT_EQ(mainform::Form1, nullptr);
}

QByteArray Checksum(const QString& Path)
{
    QFile file(Path);
    return file.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256) : QByteArray("-");
}

// The framework starts with the program and reads the registry (the debug switch) at once.
TEST(Program, ADamagedRegistryAtStartEndsInTheFatalBoxWithFileAndLineAndTheFileUntouched)
{
    const QString file = TestSupport::RegistryFile();
    struct TCase {
        const char* What;
        QByteArray Content;   // a directory in place of the file when null
        QString Reason;
    };
    const std::vector<TCase> cases = {
        {"cut off mid-line", "[HKEY_CURRENT_USER\\Software\\Velnor02]\n\"DebugMessages\"=dword:000", QStringLiteral("строка 2")},
        {"binary garbage", QByteArray("\x7f" "ELF\x02\x01\x01\0\0\xff\xfe\x80\n\x01", 16), QStringLiteral("строка 1")},
        {"a directory", QByteArray(), QStringLiteral("чтение")},
    };
    Velkit07::Finalize();
    for (const TCase& damage : cases) {
        SCOPED_TRACE(damage.What);
        TestSupport::Dialogs().Reset();
        QFile::remove(file);
        if (damage.Content.isNull()) {
            ASSERT_TRUE(QDir().mkdir(file));
        } else {
            QFile out(file);
            ASSERT_TRUE(out.open(QIODevice::WriteOnly));
            out.write(damage.Content);
        }
        const QByteArray before = Checksum(file);

        bool windowShown = false;
        const int exitCode = Program::Run([&windowShown](TForm*) { windowShown = true; });

        EXPECT_EQ(exitCode, 1);
        EXPECT_FALSE(windowShown);
        ASSERT_EQ(TestSupport::Dialogs().Calls().size(), 1u);
        const QString text = TestSupport::Dialogs().Calls()[0].Text;
        EXPECT_TRUE(text.startsWith(FatalText + QStringLiteral("\n\n"))) << text.toStdString();
        EXPECT_TRUE(text.contains(file)) << text.toStdString();
        EXPECT_TRUE(text.contains(damage.Reason)) << text.toStdString();
        EXPECT_EQ(Checksum(file), before);
        EXPECT_EQ(Env::ClassNames, nullptr) << "the framework's units are finalised again";
        if (QFileInfo(file).isDir())
            QDir(file).removeRecursively();
        QFile::remove(file);
    }
    Velkit07::Initialize();
}
