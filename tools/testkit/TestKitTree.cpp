// The kit's view of the screen: the navigator's tree by captions, the form on show by its
// controls' names, the main menu by captions, the status bar.

#include "TestKitPrivate.h"

#include "Controls.h"
#include "EClasses.h"
#include "Env.h"
#include "TestNav.h"
#include "TreeView.h"

#include <QTest>

namespace TestKit {

namespace {

TTreeView* Tree()
{
    RequireSession();
    if (!TestNav::TestNavigator)
        throw EFailure(QStringLiteral("Навигатор не запущен"));
    return TestNav::TestNavigator->TreeView1;
}

QStringList ChildCaptions(const TTreeNode* Parent)
{
    QStringList captions;
    const int count = Parent ? Parent->Count() : Tree()->Items()->RootCount();
    for (int i = 0; i < count; ++i)
        captions.append(Parent ? Parent->Item(i)->Text() : Tree()->Items()->Root(i)->Text());
    return captions;
}

// The child of Parent (a root when null) with that caption.
TTreeNode* Child(TTreeNode* Parent, const QString& Caption)
{
    const QStringList captions = ChildCaptions(Parent);
    const qsizetype index = captions.indexOf(Caption);
    if (index < 0)
        throw EFailure(QStringLiteral("Нет узла «%1» в «%2»; есть: %3")
                           .arg(Caption, Parent ? Parent->Text() : QStringLiteral("/"), captions.join(QStringLiteral(" | "))));
    return Parent ? Parent->Item(int(index)) : Tree()->Items()->Root(int(index));
}

// Expands a node and finds it again by its handle: the expansion lets messages run, and a
// node pointer is only good until then.
TTreeNode* Expanded(TTreeNode* Node)
{
    const qint64 handle = Node->ItemId();
    Node->Expand(false);
    if (TTreeNode* again = Tree()->Items()->FindByItemId(handle))
        return again;
    throw EFailure(QStringLiteral("Узел «%1» исчез при раскрытии").arg(Node->Text()));
}

// The node of Path, every node above it expanded (and the node itself when ExpandLast).
TTreeNode* Walk(const QString& Path, bool ExpandLast)
{
    const QStringList captions = Path.split(QLatin1Char('/'));
    TTreeNode* node = nullptr;
    for (const QString& caption : captions)
        node = Child(node ? Expanded(node) : nullptr, caption);
    return ExpandLast ? Expanded(node) : node;
}

QStringList MenuCaptions(const TMenuItem* Menu)
{
    QStringList captions;
    for (int i = 0; i < Menu->Count(); ++i)
        captions.append(Menu->Items(i)->Caption());
    return captions;
}

} // namespace

QWidget* ControlOf(QWidget* Form, const QString& Name)
{
    if (auto* control = Form->findChild<QWidget*>(Name))
        return control;
    QStringList names;
    for (const QWidget* control : Form->findChildren<QWidget*>())
        if (!control->objectName().isEmpty())
            names.append(control->objectName());
    throw EFailure(QStringLiteral("На форме «%1» нет элемента «%2»; есть: %3").arg(Form->windowTitle(), Name, names.join(QStringLiteral(", "))));
}

TButton* ButtonOf(QWidget* Form, const QString& Caption)
{
    QStringList captions;
    for (TButton* button : Form->findChildren<TButton*>()) {
        if (button->Caption() == Caption)
            return button;
        captions.append(button->Caption());
    }
    throw EFailure(QStringLiteral("На форме «%1» нет кнопки «%2»; есть: %3").arg(Form->windowTitle(), Caption, captions.join(QStringLiteral(", "))));
}

void ClickInto(QWidget* Control)
{
    QTest::mouseClick(Control, Qt::LeftButton, {}, QPoint(4, 4));
}

void TypeInto(QWidget* Control, const QString& Text, TTyping Typing)
{
    ClickInto(Control);
    if (Typing == TTyping::Replace)
        QTest::keyClick(Control, Qt::Key_A, Qt::ControlModifier);
    else
        QTest::keyClick(Control, Qt::Key_End);
    // Key by key with its text: QTest's own typing knows only ASCII, and fields take Cyrillic.
    for (const QChar character : Text)
        QTest::sendKeyEvent(QTest::Click, Control, Qt::Key(character.toUpper().unicode()), QString(character), Qt::NoModifier);
}

TTreeNode* TProgramSession::Expand(const QString& Path)
{
    return Walk(Path, true);
}

TTreeNode* TProgramSession::Select(const QString& Path)
{
    Tree()->SetSelected(Walk(Path, false));
    return Selected();
}

QStringList TProgramSession::Captions(const QString& Path)
{
    return ChildCaptions(Path.isEmpty() ? nullptr : Expand(Path));
}

TTreeNode* TProgramSession::Selected() const
{
    return Tree()->Selected();
}

QString TProgramSession::SelectedPath() const
{
    QStringList captions;
    for (const TTreeNode* node = Selected(); node; node = node->Parent())
        captions.prepend(node->Text());
    return captions.join(QLatin1Char('/'));
}

EClasses::TEntity* TProgramSession::SelectedEntity() const
{
    const TTreeNode* node = Selected();
    return node ? node->DataAs<EClasses::TEntity>() : nullptr;
}

QStringList TProgramSession::StatusPanels() const
{
    return {Env::PrograssorPanel->Text(), Env::MessagePanel->Text(), Env::AdditionalPanel->Text()};
}

TForm* TProgramSession::Form() const
{
    RequireSession();
    if (!Env::CurrentDataForm)
        throw EFailure(QStringLiteral("Нет формы на экране (выбран узел «%1»)").arg(SelectedPath()));
    return Env::CurrentDataForm;
}

QWidget* TProgramSession::Control(const QString& Name) const
{
    return ControlOf(Form(), Name);
}

QString TProgramSession::Text(const QString& Name) const
{
    return Control(Name)->property("text").toString();
}

void TProgramSession::Type(const QString& Name, const QString& Text)
{
    TypeInto(Control(Name), Text);
}

void TProgramSession::Click(const QString& Caption)
{
    ClickInto(ButtonOf(Form(), Caption));
}

void TProgramSession::RunMenu(const QString& Path)
{
    RequireSession();
    TMenuItem* item = MainWindow()->MainMenu1->Items();
    for (const QString& caption : Path.split(QLatin1Char('/'))) {
        TMenuItem* found = item->Find(caption);
        if (!found)
            throw EFailure(QStringLiteral("Нет пункта меню «%1» в «%2»; есть: %3")
                               .arg(caption, item->Caption(), MenuCaptions(item).join(QStringLiteral(" | "))));
        item = found;
    }
    item->Click();
}

} // namespace TestKit
