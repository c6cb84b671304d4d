#include "DatabaseFixture.h"
#include "Env.h"
#include "Exceptions.h"
#include "OptionsForm.h"
#include "ParamManager.h"
#include "PropertyPages.h"
#include "Registry.h"
#include "TestEnvironment.h"

#include <QFile>

#include <gtest/gtest.h>

#include <memory>

namespace {

using OptionsForm::TOptionFrm;

const QString ApplicationKey = QStringLiteral("Software\\Velnor07\\SETTINGS_TEST");

// What the page procedures were called for, in order.
QStringList Calls;
void LoadFirst() { Calls.append("load 1"); }
void SaveFirst() { Calls.append("save 1"); }
void LoadSecond() { Calls.append("load 2"); }
void SaveSecond() { Calls.append("save 2"); }

void WriteAliasFile(const QStringList& Names)
{
    QFile file(TestSupport::AliasFile());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    for (const QString& name : Names)
        file.write(QStringLiteral("[%1]\nDriver=SQLITE\nDatabase=%1.sqlite\n").arg(name).toUtf8());
}

QStringList ValueNames()
{
    TRegistry registry;
    registry.OpenKey(ApplicationKey, false);
    TStringList names;
    registry.GetValueNames(&names);
    QStringList result;
    for (int i = 0; i < names.Count(); ++i)
        result.append(names.Strings(i));
    return result;
}

QString Value(const QString& Name)
{
    TRegistry registry;
    registry.OpenKey(ApplicationKey, false);
    return registry.ReadString(Name);
}

class SettingsDialog : public testing::Test {
protected:
    void SetUp() override
    {
        Calls.clear();
        OptionsForm::Initialize();
        Dialog = OptionsForm::OptionFrm;
        TRegistry registry;
        registry.DeleteKey(ApplicationKey);
        registry.OpenKey(ApplicationKey, true);
        Env::RegistryKeyRoot = ApplicationKey;
        WriteAliasFile({"NAVDB", "EXPDB"});
    }

    void TearDown() override
    {
        for (const char* name : {"Первая", "Вторая"})
            Env::UnregiseterPropertyPage(name);
        OptionsForm::Finalize();
    }

    void WriteValue(const QString& Name, const QString& Value)
    {
        TRegistry registry;
        registry.OpenKey(ApplicationKey, false);
        registry.WriteString(Name, Value);
    }

    TTabSheet* AddPage(const QString& Name, Env::TProcedure Save, Env::TProcedure Load)
    {
        Sheets.push_back(std::make_unique<TTabSheet>(nullptr));
        Env::RegisterPropertyPage(Name, Sheets.back().get(), Save, Load);
        return Sheets.back().get();
    }

    // Answers the dialog's modal show with Result after Change has edited it; records the
    // captions of its pages and the active page.
    void Answer(int Result, std::function<void(TOptionFrm*)> Change = nullptr)
    {
        TestSupport::Dialogs().QueueModalAnswer([this, Result, Change](TForm* Form) {
            auto* dialog = static_cast<TOptionFrm*>(Form);
            ShownPages.clear();
            for (int i = 0; i < dialog->PageControl1->PageCount(); ++i)
                ShownPages.append(dialog->PageControl1->tabText(i));
            ActivePage = dialog->PageControl1->ActivePageIndex();
            if (Change)
                Change(dialog);
            return Result;
        });
    }

    TOptionFrm* Dialog = nullptr;
    std::vector<std::unique_ptr<TTabSheet>> Sheets;
    QStringList ShownPages;
    int ActivePage = -1;
};

} // namespace

TEST_F(SettingsDialog, IsTheRegisteredMainPropertyFormWhileItsUnitLives)
{
    EXPECT_EQ(PropertyPages::PropertyForm, Dialog);
    EXPECT_EQ(Dialog->Caption(), "Настройки");
    EXPECT_EQ(Dialog->TabSheet1->Caption(), "Основные");
    EXPECT_FALSE(Dialog->SpeedButton1->isVisibleTo(Dialog));
    EXPECT_EQ(Dialog->Button1->Caption(), "ОК");
    EXPECT_EQ(Dialog->Button2->Caption(), "Отмена");
    OptionsForm::Finalize();
    EXPECT_EQ(PropertyPages::PropertyForm, nullptr);
    EXPECT_EQ(OptionsForm::OptionFrm, nullptr);
    OptionsForm::Initialize();
}

TEST_F(SettingsDialog, CancelWritesNothingAndSavesNoPageButLoadedEveryPage)
{
    WriteValue("Alias", "navdb");
    WriteValue("AliasExport", "none");
    WriteValue("AliasAcceptImport", "GONE");
    WriteValue("PackagesPath", "/opt/modules");
    AddPage("Первая", SaveFirst, LoadFirst);
    AddPage("Вторая", SaveSecond, LoadSecond);
    QFile registryFile(TestSupport::RegistryFile());
    ASSERT_TRUE(registryFile.open(QIODevice::ReadOnly));
    const QByteArray before = registryFile.readAll();
    registryFile.close();

    QStringList items;
    std::vector<int> selected;
    QString directory;
    Answer(mrCancel, [&](TOptionFrm* dialog) {
        items = dialog->ComboBox1->Items();
        for (TComboBox* box : {dialog->ComboBox1, dialog->ComboBox2, dialog->ComboBox3, dialog->ComboBox4, dialog->ComboBox5}) {
            EXPECT_EQ(box->Items(), items);
            selected.push_back(box->ItemIndex());
        }
        directory = dialog->Edit1->Text();
    });
    Dialog->EditSettings();

    EXPECT_EQ(items, QStringList({"NAVDB", "EXPDB", "Не определен"}));
    EXPECT_EQ(selected, std::vector<int>({0, 2, 2, 2, 2})) << "an unknown, empty or \"none\" value is not defined";
    EXPECT_EQ(directory, "/opt/modules");
    EXPECT_EQ(ShownPages, QStringList({"Основные", "Первая", "Вторая"}));
    EXPECT_EQ(ActivePage, 0);
    EXPECT_EQ(Calls, QStringList({"load 1", "load 2"}));
    ASSERT_TRUE(registryFile.open(QIODevice::ReadOnly));
    EXPECT_EQ(registryFile.readAll(), before);
    EXPECT_EQ(ParamManager::ParameterManager->GetStringParam("Alias"), "navdb");
    EXPECT_EQ(ParamManager::ParameterManager->GetStringParam("AliasExport"), "none");
    EXPECT_EQ(ParamManager::ParameterManager->GetStringParam("PackagesPath"), "/opt/modules");
    EXPECT_TRUE(Dialog->ComboBox1->Items().isEmpty());
    EXPECT_EQ(Dialog->PageControl1->PageCount(), 1) << "the pages are undocked again";
    EXPECT_EQ(Sheets[0]->PageControl(), nullptr);
}

TEST_F(SettingsDialog, ConfirmWritesTheSixValuesInOrderAndSavesThePagesLastFirst)
{
    AddPage("Первая", SaveFirst, LoadFirst);
    AddPage("Вторая", SaveSecond, nullptr);
    Answer(mrOk, [](TOptionFrm* dialog) {
        dialog->ComboBox1->SetItemIndex(1);
        dialog->ComboBox2->SetText("TYPED_ALIAS");
        dialog->Edit1->SetText("/srv/bpl");
    });
    Dialog->EditSettings();

    EXPECT_EQ(ValueNames(), QStringList({"Alias", "AliasExport", "AliasImport", "AliasAcceptExport",
                                         "AliasAcceptImport", "PackagesPath"}));
    EXPECT_EQ(Value("Alias"), "EXPDB");
    EXPECT_EQ(Value("AliasExport"), "TYPED_ALIAS") << "a typed alias is kept as typed";
    for (const char* name : {"AliasImport", "AliasAcceptExport", "AliasAcceptImport"})
        EXPECT_EQ(Value(name), "none") << name;
    EXPECT_EQ(Value("PackagesPath"), "/srv/bpl");
    EXPECT_EQ(Calls, QStringList({"load 1", "save 2", "save 1"}));
}

TEST_F(SettingsDialog, WithoutAliasesOnlyNotDefinedIsOfferedAndNoneIsWritten)
{
    WriteAliasFile({});
    QStringList items;
    Answer(mrOk, [&items](TOptionFrm* dialog) { items = dialog->ComboBox3->Items(); });
    Dialog->EditSettings();
    EXPECT_EQ(items, QStringList({"Не определен"}));
    for (const QString& name : OptionsForm::AliasValueNames)
        EXPECT_EQ(Value(name), "none") << name.toStdString();
    EXPECT_EQ(Value("PackagesPath"), "");
}

TEST_F(SettingsDialog, PagesRegisteredLaterAppearTheNextTime)
{
    Answer(mrCancel);
    Dialog->EditSettings();
    EXPECT_EQ(ShownPages, QStringList({"Основные"}));
    AddPage("Первая", nullptr, LoadFirst);
    Answer(mrCancel);
    Dialog->EditSettings();
    EXPECT_EQ(ShownPages, QStringList({"Основные", "Первая"}));
    EXPECT_EQ(Calls, QStringList({"load 1"}));
}

TEST_F(SettingsDialog, ActivatingAPageShowsItAndAnUnknownNameShowsTheMainPageAlone)
{
    AddPage("Первая", SaveFirst, LoadFirst);
    AddPage("Вторая", SaveSecond, LoadSecond);
    Answer(mrOk);
    EXPECT_TRUE(PropertyPages::ActivatePropertyPage("вторая"));
    EXPECT_EQ(ActivePage, 2);
    EXPECT_EQ(Calls, QStringList({"load 1", "load 2", "save 2", "save 1"}));
    EXPECT_EQ(ValueNames(), QStringList()) << "a page activation writes no settings";

    Calls.clear();
    Answer(mrOk);
    EXPECT_TRUE(Dialog->ActivatePage("Третья"));
    EXPECT_EQ(ShownPages, QStringList({"Основные"}));
    EXPECT_EQ(ActivePage, 0);
    EXPECT_TRUE(Calls.isEmpty());
}

TEST_F(SettingsDialog, AMissingApplicationKeyEndsTheCommandWithTheRegistryError)
{
    TRegistry registry;
    registry.DeleteKey(ApplicationKey);
    Answer(mrOk);
    EXPECT_THROW(Dialog->EditSettings(), ERegistryException);
}
