// Finding nodes by caption in the navigator's tree.

#include "NavigatorFixture.h"

#include "Controls.h"
#include "Env.h"
#include "Menus.h"
#include "TestEnvironment.h"
#include "TreeView.h"

#include <QCoreApplication>
#include <QKeyEvent>

#include <gtest/gtest.h>

namespace NavigatorTests {

namespace {

const QStringList Clients{QStringLiteral("CLIENTS и клиенты")};
const QStringList Alekseev{Clients[0], QStringLiteral("Алексеев")};
const QStringList Vasiliev{Clients[0], QStringLiteral("Васильев")};
const QStringList Korolyov{Clients[0], QStringLiteral("Королёв")};
const QStringList Boxes{QStringLiteral("BOXES")};
const QStringList Box{QStringLiteral("BOXES"), QStringLiteral("Коробка")};

} // namespace

class FindTest : public NavigatorTest {
protected:
    // Starts the navigator over three findable clients, one of them spelt with "ё".
    void StartWithClients()
    {
        ExecSQL(QStringLiteral("insert into CLIENTS values (13, 'Королёв')"));
        Start();
    }
    TTreeNode* Selected() const { return Navigator()->TreeView1->Selected(); }
    QString Count() const { return Navigator()->Label1->Caption(); }
    bool FieldIsRed() const { return Navigator()->Edit1->palette().color(QPalette::Base).red() > 250
            && Navigator()->Edit1->palette().color(QPalette::Base).green() < 200; }
    void Press(int Key, Qt::KeyboardModifiers Modifiers = Qt::NoModifier)
    {
        QKeyEvent event(QEvent::KeyPress, Key, Modifiers);
        QCoreApplication::sendEvent(Navigator()->Edit1, &event);
    }
};

TEST_P(FindTest, FindsCaptionsAfterTheSelectedNodeWrappingForwardAndBack)
{
    StartWithClients();
    ASSERT_EQ(Selected(), Node(Boxes));
    // Typing starts after the selected node and wraps to the top; refining the text keeps the
    // node found as long as it matches.
    EXPECT_TRUE(Navigator()->FindText(QStringLiteral("ЕВ")));
    EXPECT_EQ(Selected(), Node(Alekseev));
    EXPECT_EQ(Count(), QStringLiteral("1 из 3"));
    EXPECT_TRUE(Navigator()->FindText(QStringLiteral("ев")));
    EXPECT_EQ(Selected(), Node(Alekseev));
    EXPECT_TRUE(Navigator()->FindText(QStringLiteral("иль")));
    EXPECT_EQ(Selected(), Node(Vasiliev));
    EXPECT_EQ(Count(), QStringLiteral("1 из 1"));

    // Next and previous wrap at both ends of the matches, by the methods and by the keys.
    Navigator()->FindText(QStringLiteral("ев"));
    EXPECT_EQ(Count(), QStringLiteral("2 из 3"));
    Navigator()->FindNext();
    EXPECT_EQ(Selected(), Node(Korolyov));
    Press(Qt::Key_Return);
    EXPECT_EQ(Selected(), Node(Alekseev));
    EXPECT_EQ(Count(), QStringLiteral("1 из 3"));
    Navigator()->FindPrevious();
    EXPECT_EQ(Selected(), Node(Korolyov));
    Press(Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(Selected(), Node(Vasiliev));
    Press(Qt::Key_F3);
    EXPECT_EQ(Selected(), Node(Korolyov));
    EXPECT_EQ(Count(), QStringLiteral("3 из 3"));

    // "ё" is found by "е" and by itself, in any letter case.
    Click(Boxes);
    EXPECT_TRUE(Navigator()->FindText(QStringLiteral("КОРОЛЕВ")));
    EXPECT_EQ(Selected(), Node(Korolyov));
    Click(Boxes);
    EXPECT_TRUE(Navigator()->FindText(QStringLiteral("королёв")));
    EXPECT_EQ(Selected(), Node(Korolyov));

    // Nothing matching leaves the selection and turns the field red, until something matches.
    EXPECT_FALSE(Navigator()->FindText(QStringLiteral("щщ")));
    EXPECT_EQ(Selected(), Node(Korolyov));
    EXPECT_TRUE(FieldIsRed());
    EXPECT_EQ(Count(), QString());
    EXPECT_FALSE(Navigator()->FindNext());
    Navigator()->FindText(QStringLiteral("box"));
    EXPECT_FALSE(FieldIsRed());
    EXPECT_EQ(Selected(), Node(Boxes));

    // Between finds the tree changes: a renamed node, an added one and a removed one.
    Navigator()->ChangeNode(Node(Vasiliev), QStringLiteral("Васильева"));
    EXPECT_TRUE(Navigator()->FindText(QStringLiteral("ильева")));
    const QStringList renamed{Clients[0], QStringLiteral("Васильева")};
    EXPECT_EQ(Selected(), Node(renamed));
    Navigator()->TreeView1->Items()->AddChildObject(Node(Clients), QStringLiteral("Дмитриев"), nullptr);
    // Captions are folded again once the event loop is idle after rows came, also where the
    // parent that got them has gone meanwhile.
    TTreeNode* crate = Navigator()->TreeView1->Items()->AddChildObject(Node(Boxes), QStringLiteral("Ящик"), nullptr);
    Navigator()->TreeView1->Items()->AddChildObject(crate, QStringLiteral("Шуруп"), nullptr);
    crate->Delete();
    QCoreApplication::processEvents();
    EXPECT_FALSE(Navigator()->FindText(QStringLiteral("шуруп")));
    Navigator()->FindText(QStringLiteral("ев"));
    EXPECT_EQ(Count(), QStringLiteral("2 из 4"));
    // The caller frees a deleted node's entity, as DeleteInstance does.
    TTreeNode* alekseev = Node(Alekseev);
    delete alekseev->DataAs<EClasses::TEntity>();
    Navigator()->DeleteNode(alekseev);
    Navigator()->FindNext();
    EXPECT_EQ(Selected(), Node(Korolyov));
    EXPECT_EQ(Count(), QStringLiteral("2 из 3"));
    Navigator()->FindNext();
    EXPECT_EQ(Selected(), Node({Clients[0], QStringLiteral("Дмитриев")}));
}

TEST_P(FindTest, TheFieldComesWithCtrlFOrTheMenuGoesWithEscAndCanBeSwitchedOff)
{
    Start();
    TestNav::TTestNavigator* navigator = Navigator();
    const int treeTop = navigator->TreeView1->y();
    EXPECT_EQ(navigator->PopupMenu1->Items()->Items(navigator->PopupMenu1->Items()->Count() - 1), navigator->N4);
    navigator->N4->Click();
    EXPECT_FALSE(navigator->Edit1->isHidden());
    // The field stands over the tree, below the history buttons.
    EXPECT_GE(navigator->Edit1->y(), navigator->SpeedButton1->geometry().bottom());
    EXPECT_GE(navigator->TreeView1->y(), navigator->Edit1->geometry().bottom());
    Press(Qt::Key_Escape);
    EXPECT_TRUE(navigator->Edit1->isHidden());
    EXPECT_EQ(navigator->TreeView1->y(), treeTop);
    navigator->FindAction()->trigger();
    EXPECT_FALSE(navigator->Edit1->isHidden());

    // Switched off: the field goes, and neither the menu nor the shortcut brings it back.
    EXPECT_TRUE(navigator->setProperty("FindEnabled", false));
    EXPECT_TRUE(navigator->Edit1->isHidden());
    EXPECT_FALSE(navigator->N4->Visible());
    EXPECT_FALSE(navigator->FindAction()->isEnabled());
    navigator->N4Click(navigator->N4);
    EXPECT_TRUE(navigator->Edit1->isHidden());
    EXPECT_EQ(navigator->TreeView1->y(), treeTop);
    navigator->SetFindEnabled(true);
    EXPECT_TRUE(navigator->N4->Visible());
}

TEST_P(FindTest, AFoundNodeIsSelectedAsAClickWithTheSaveQuestionAndTheHistory)
{
    StartWithClients();
    Click(Vasiliev);
    auto* vasiliev = Node(Vasiliev)->DataAs<EClasses::TEntityInstance>();
    vasiliev->Modified = true;
    TestSupport::Dialogs().QueueMessageAnswer(mrCancel);
    Navigator()->FindText(QStringLiteral("королев"));
    ASSERT_EQ(TestSupport::Dialogs().Messages().size(), 1);
    EXPECT_EQ(TestSupport::Dialogs().Messages()[0], QStringLiteral("Объект изменен. Сохранить изменения?"));
    EXPECT_EQ(Selected(), Node(Korolyov));
    EXPECT_EQ(Env::CurrentObject, vasiliev);
    EXPECT_EQ(ClientSaves(), 0);

    TestSupport::Dialogs().QueueMessageAnswer(mrYes);
    Navigator()->FindText(QStringLiteral("алекс"));
    EXPECT_EQ(TestSupport::Dialogs().Messages().size(), 2u);
    EXPECT_EQ(ClientSaves(), 1);
    EXPECT_EQ(Env::CurrentObject, Node(Alekseev)->DataAs<EClasses::TEntity>());
    EXPECT_EQ(Navigator()->FLastNode, Node(Alekseev));
    // Back goes to the node left by the find, as after a click.
    Navigator()->BackByHistory();
    EXPECT_EQ(Selected(), Node(Korolyov));
}

TEST_P(FindTest, FindsInAListWhoseChildrenWereNotReadAndStaysInIt)
{
    StartWithClients();
    Click(Box);
    Navigator()->NodeCollapsing(Node(Box));
    ASSERT_EQ(Node(Box)->Count(), 0);
    // Only the nodes that exist are searched.
    EXPECT_FALSE(Navigator()->FindText(QStringLiteral("гайка")));
    EXPECT_EQ(Selected(), Node(Box));

    // Alt+Enter reads the list, then finds in it, and next finds stay in it.
    Navigator()->ShowFindField();
    Press(Qt::Key_Return, Qt::AltModifier);
    EXPECT_EQ(Selected(), Node(Box + QStringList{QStringLiteral("Гайка")}));
    EXPECT_EQ(Count(), QStringLiteral("1 из 1"));
    EXPECT_TRUE(Navigator()->FindText(QStringLiteral("в")));
    EXPECT_EQ(Selected(), Node(Box + QStringList{QStringLiteral("Винт")}));
    EXPECT_EQ(Count(), QStringLiteral("1 из 1"));
    // Hidden, the field searches the whole tree again.
    Navigator()->HideFindField();
    EXPECT_TRUE(Navigator()->FindNext());
    EXPECT_EQ(Selected(), Node(Alekseev));
    EXPECT_EQ(Count(), QStringLiteral("1 из 4"));
}

VELNOR_INSTANTIATE_DATABASE_TEST(FindTest);

} // namespace NavigatorTests
