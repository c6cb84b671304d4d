#include "ApplicationSystemChooseForm.h"
#include "DatabaseManager.h"
#include "Env.h"
#include "IntarnalInfoForm.h"
#include "LoginForm.h"
#include "ParamManager.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

namespace {

using ApplicationSystemChooseForm::TApplicationSystemChooseFrm;
using IntarnalInfoForm::TForm3;

TApplicationSystemChooseFrm* Chooser(TForm* Form)
{
    return static_cast<TApplicationSystemChooseFrm*>(Form);
}

// Answers the chooser's modal show: selects Index (-1 keeps the selection), presses "Ок",
// and presses "Отмена" when "Ок" did not close it. Records what the dialog showed.
struct TChooserAnswer {
    int Index = -1;
    QStringList Items;
    int SelectedAtShow = -2;
    bool OkClosed = false;

    TScriptedDialogHost::TModalAnswer operator()()
    {
        return [this](TForm* Form) {
            TApplicationSystemChooseFrm* chooser = Chooser(Form);
            Items = chooser->ComboBox1->Items();
            SelectedAtShow = chooser->ComboBox1->ItemIndex();
            if (Index >= 0)
                chooser->ComboBox1->SetItemIndex(Index);
            chooser->Button1->Click();
            OkClosed = chooser->ModalResult() == mrOk;
            if (!OkClosed)
                chooser->Button2->Click();
            return chooser->ModalResult();
        };
    }
};

// The widgets that take the focus by tabbing, in tab order, starting at From.
QList<QWidget*> TabChain(QWidget* From, int Count)
{
    QList<QWidget*> chain;
    for (QWidget* widget = From; chain.size() < Count; widget = widget->nextInFocusChain())
        if (widget->focusPolicy() & Qt::TabFocus)
            chain.append(widget);
    return chain;
}

} // namespace

TEST(ApplicationChooser, ShowsTheTitlesWithThePreselectionAndReturnsTheChoice)
{
    TApplicationSystemChooseFrm chooser;
    EXPECT_EQ(chooser.Caption(), "Выбор приложения");
    EXPECT_EQ(chooser.Label1->Caption(), "Загрузить   приложение из списка");
    EXPECT_EQ(chooser.ComboBox1->Style(), csDropDownList);
    EXPECT_EQ(chooser.Button1->Caption(), "Ок");
    EXPECT_TRUE(chooser.Button1->Default());
    EXPECT_EQ(chooser.Button2->Caption(), "Отмена");

    TChooserAnswer keep;
    TestSupport::Dialogs().QueueModalAnswer(keep());
    EXPECT_EQ(chooser.ChooseApplication({"Склад", "Касса", "склад"}, "СКЛАД"), "Склад");
    EXPECT_EQ(keep.Items, QStringList({"Склад", "Касса", "склад"}));
    EXPECT_EQ(keep.SelectedAtShow, 0) << "the first title equal without regard to letter case";

    TChooserAnswer other;
    other.Index = 1;
    TestSupport::Dialogs().QueueModalAnswer(other());
    EXPECT_EQ(chooser.ChooseApplication({"Учет", "Кадры"}, "Учет"), "Кадры");
    EXPECT_EQ(other.Items, QStringList({"Учет", "Кадры"})) << "the earlier titles are replaced";
    const auto& call = TestSupport::Dialogs().Calls().back();
    EXPECT_EQ(call.Kind, TScriptedDialogHost::TCallKind::Modal);
    EXPECT_EQ(call.Caption, "Выбор приложения");
}

TEST(ApplicationChooser, OkDoesNothingWithoutASelection)
{
    TApplicationSystemChooseFrm chooser;
    TChooserAnswer unknown;
    TestSupport::Dialogs().QueueModalAnswer(unknown());
    EXPECT_EQ(chooser.ChooseApplication({"Учет", "Кадры"}, "Склад"), "");
    EXPECT_EQ(unknown.SelectedAtShow, -1) << "a preselection not in the list selects nothing";
    EXPECT_FALSE(unknown.OkClosed);

    TChooserAnswer empty;
    TestSupport::Dialogs().QueueModalAnswer(empty());
    EXPECT_EQ(chooser.ChooseApplication({}, ""), "");
    EXPECT_TRUE(empty.Items.isEmpty());
    EXPECT_FALSE(empty.OkClosed) << "only \"Отмена\" closes an empty chooser";
}

TEST(LoginDialog, HidesThePasswordAndOpensWithTheFocusInIt)
{
    LoginForm::TLoginFrm login;
    EXPECT_EQ(login.Caption(), "Вход в систему");
    EXPECT_EQ(login.PasswordEdit->PasswordChar(), QLatin1Char('*'));
    EXPECT_EQ(login.PasswordEdit->echoMode(), QLineEdit::Password);
    EXPECT_EQ(login.UserNameEdit->echoMode(), QLineEdit::Normal);
    EXPECT_EQ(login.OKButton->Caption(), "ОК");
    EXPECT_TRUE(login.OKButton->Default());
    EXPECT_EQ(login.OKButton->ModalResult(), mrOk);
    EXPECT_EQ(login.CancelButton->ModalResult(), mrCancel);
    EXPECT_EQ(login.minimumSize(), login.maximumSize()) << "not resizable";

    const QList<QWidget*> expected = {login.PasswordEdit, login.OKButton, login.CancelButton, login.UserNameEdit,
                                      login.PasswordEdit};
    EXPECT_EQ(TabChain(login.PasswordEdit, 5), expected);
    login.Show();
    EXPECT_EQ(login.focusWidget(), login.PasswordEdit);
}

class ServiceInformation : public testing::Test {
protected:
    TForm3 Form;
};

TEST_F(ServiceInformation, ShowsTheRegistriesAsTheyAreWhenFilled)
{
    EXPECT_EQ(Form.Caption(), "Служебная информация");
    ASSERT_EQ(Form.PageControl1->PageCount(), 7);
    const QStringList pages = {"Модули", "Классы", "Пользователь", "Контексты", "Навигатор", "Параметры", "Базы данных"};
    for (int i = 0; i < pages.size(); ++i)
        EXPECT_EQ(static_cast<TTabSheet*>(Form.PageControl1->Pages(i))->Caption(), pages[i]);
    EXPECT_EQ(Form.PageControl1->ActivePage(), Form.TabSheet7) << "the databases page comes first";

    ParamManager::ParameterManager->SetStringParam("Proba", "1");
    Form.ListBox6->AddItem("stale");
    Form.FillLists();
    EXPECT_TRUE(Form.ListBox1->Items().isEmpty()) << "no package loaded";
    EXPECT_TRUE(Form.ListBox3->Items().contains("_default"));
    EXPECT_TRUE(Form.ListBox5->Items().contains("PROBA=1"));
    EXPECT_TRUE(Form.ListBox6->Items().isEmpty());

    ParamManager::ParameterManager->SetStringParam("Proba", "");
    Form.FillLists();
    EXPECT_FALSE(Form.ListBox5->Items().contains("PROBA=1")) << "filled afresh each time";

    Form.PageControl1->SetActivePageIndex(1);
    Form.FillLists();
    EXPECT_EQ(Form.PageControl1->ActivePageIndex(), 1) << "the page chosen last stays";
}

TEST_F(ServiceInformation, ChoosingADatabaseListsItsQueriesAndTables)
{
    TDatabase database;
    database.SetDatabaseName("INFO_DB");
    DatabaseManager::RegisterDatabase(&database);
    DatabaseManager::GetQueryWithSQL_TEXT(&database, "select 1");
    DatabaseManager::GetQueryWithSQL_TEXT(&database, "select 2");
    DatabaseManager::GetTableWithName(&database, "POLZOVATEL");

    Form.FillLists();
    const int index = Form.ListBox7->Items().indexOf("INFO_DB");
    ASSERT_GE(index, 0);
    Form.ListBox9->AddItem("stale");
    Form.ListBox7->setCurrentRow(index);
    EXPECT_EQ(Form.ListBox8->Items(), QStringList({"select 1\r\n", "select 2\r\n"}));
    EXPECT_EQ(Form.ListBox9->Items(), QStringList({"POLZOVATEL"}));

    Form.ListBox7->setCurrentRow(-1);
    EXPECT_EQ(Form.ListBox9->Items(), QStringList({"POLZOVATEL"})) << "selecting nothing changes nothing";
    DatabaseManager::UnregisterDatabase(&database);
}
