// The navigator's selection: the change of the selected node, with the question about an
// unsaved object, the docking of the selected node's form with its sub-forms, and the tree's
// context menu.

#include "TestNav.h"
#include "TestNavPrivate.h"

#include "Controls.h"
#include "Dialogs.h"
#include "Docking.h"
#include "Env.h"
#include "Exceptions.h"
#include "Menus.h"
#include "StatusBar.h"

#include <QElapsedTimer>
#include <QMenu>
#include <QTime>

#include <functional>

namespace TestNav {

using EClasses::TEntityClass;
using EClasses::TEntityForm;
using EClasses::TEntityInstance;
using EClasses::TNavigatorForm;

namespace {

// Line feed, then carriage return.
const QString LineBreak = QStringLiteral("\n\r");

// Runs one way of showing the selected node's form; a failure shows Message.
void DisplayGuarded(const QString& Message, const std::function<void()>& Display)
{
    try {
        Display();
    } catch (...) {
        ShowMessage(Message);
    }
}

} // namespace

// --- change of selection --------------------------------------------------------------------

void TTestNavigator::TreeView1Change(TObject*, TTreeNode* Node)
{
    if (FClosing || FRemovingNodes > 0)
        return;
    TTreeOperation operation;
    SetPanelText(Env::AdditionalPanel, QString());
    QElapsedTimer timer;
    timer.start();
    try {
        ShowContextOf(Node);
    } catch (...) {
        ShowMessage(QStringLiteral("не вышло"));
    }
    Env::ShowProgress(QString());
    if (FSelectingByCode)
        return;
    TTreeNode* selected = TreeView1->Selected();
    if (selected != FLastNode && FLastNode)
        AddNodeToHistory(FLastNode);
    if (selected == FLastNode)
        return;
    const THeldNode held(selected);
    if (EntityOf(selected))
        DisplaySelected(selected);
    // A save may have rebuilt the list of the node and selected another one meanwhile.
    if (TTreeNode* handled = held.Get())
        FLastNode = handled;
    SetPanelText(Env::AdditionalPanel, ElapsedText(timer));
    Env::ShowProgress(QString());
}

// The context of the node's entity in the first panel; nothing for "_default".
void TTestNavigator::ShowContextOf(TTreeNode* Node)
{
    const TEntity* entity = EntityOf(Node);
    const bool particular = entity && entity->Context->Name != DefaultContextName;
    SetPanelText(Env::PrograssorPanel, particular ? entity->Context->Name : QString());
}

// Shows the form of the newly selected node, first dealing with an unsaved object that is
// being left: saved (Yes), left as it is (No), or kept on show (Cancel). A save that fails
// keeps the object on show with its edits, as Cancel does, and says why.
void TTestNavigator::DisplaySelected(TTreeNode* Node)
{
    TObject* current = Env::CurrentObject;
    const THeldNode held(Node);
    if (TEntityInstance* modified = ModifiedInstance(current)) {
        const quint64 showing = FShowings;
        const int answer = AskToSave(mbYes | mbNo | mbCancel);
        if (TTreeNode* node = held.Get())
            node->SetHasChildren(true);
        if (answer == mrYes && SaveLeftObject(modified, showing))
            DisplayHeld(held, QStringLiteral("Произошла ошибка вывода формы mrYes"));
        else if (answer == mrNo)
            DisplayHeld(held, QStringLiteral("Произошла ошибка вывода формы mrNO"));
    } else if (dynamic_cast<TEntityInstance*>(current)) {
        DisplayHeld(held, QStringLiteral("Произошла ошибка вывода формы (не изменялось)"));
    } else if (current) {
        DisplayHeld(held, QStringLiteral("Произошла ошибка вывода формы (") + ClassNameOf(Node) + QLatin1Char(')'));
    } else {
        DisplayHeld(held, QStringLiteral("Произошла ошибка вывода формы не инициализирован"));
    }
    Env::ShowProgress(QString());
}

int TTestNavigator::AskToSave(TMsgDlgButtons Buttons)
{
    return MessageDlg(QStringLiteral("Объект изменен. Сохранить изменения?"), TMsgDlgType::mtConfirmation, Buttons);
}

// Saves the object being left. A failure keeps it and its form as they are and tells the
// database's reason; an object a refresh freed meanwhile (after asking on its own) has
// nothing left to save.
bool TTestNavigator::SaveLeftObject(TEntityInstance* Modified, quint64 Showing)
{
    // A save may rebuild the tree around the object (and so come back here): it is saved once.
    if (FShowings != Showing || Env::CurrentObject != Modified || FSavingShownObject)
        return true;
    FSavingShownObject = true;
    try {
        Modified->Save();
        FSavingShownObject = false;
        return true;
    } catch (...) {
        FSavingShownObject = false;
        ShowMessage(QStringLiteral("Объект не сохранен: ") + ExceptionMessage(std::current_exception()));
        return false;
    }
}

// Displays the held node, if it is still there; a save or a refresh may have selected
// another node meanwhile, so the tree's selection is put back on it first.
void TTestNavigator::DisplayHeld(const THeldNode& Held, const QString& FailureMessage)
{
    TTreeNode* node = Held.Get();
    if (!node)
        return;
    if (TreeView1->Selected() != node)
        SelectByCode(node);
    DisplayGuarded(FailureMessage, [&] { DisplayNode(Held); });
}

void TTestNavigator::DisplayNode(const THeldNode& Held)
{
    Panel1->Hide();
    ReplaceShownForm(Held);
    Panel1->Show();
}

// Takes the shown form down, makes the node's children and shows its form. Taking the form
// down and making children paint status texts: the node is found again after each; false
// when it went meanwhile.
bool TTestNavigator::ReplaceShownForm(const THeldNode& Held)
{
    HideNavigatorForm();
    TTreeNode* node = Held.Get();
    if (!node)
        return false;
    {
        TBatchUpdate batch(TreeView1);
        bool allow = true;
        NodeExpanding(node, allow);
    }
    Env::ShowProgress(QString());
    if (!(node = Held.Get()))
        return false;
    ShowNewForm(node);
    return true;
}

void TTestNavigator::SelectByCode(TTreeNode* Node)
{
    FSelectingByCode = true;
    try {
        TreeView1->SetSelected(Node);
    } catch (...) {
        FSelectingByCode = false;
        throw;
    }
    FSelectingByCode = false;
}

void TTestNavigator::QueueSelectionSync()
{
    if (FSyncQueued || FClosing || TreeView1->Selected() == FLastNode)
        return;
    FSyncQueued = true;
    QMetaObject::invokeMethod(this, [this] {
        FSyncQueued = false;
        if (!FClosing && FRemovingNodes == 0 && TreeView1->Selected() != FLastNode)
            Application::Guarded([this] { TreeView1Change(TreeView1, TreeView1->Selected()); });
    }, Qt::QueuedConnection);
}

// --- activation and forms -------------------------------------------------------------------

// A modified object on show is saved without a question; a failing save keeps it on show and
// the node is not activated.
void TTestNavigator::ActivateNode(TTreeNode* Node)
{
    TTreeOperation operation;
    const THeldNode held(Node);
    Env::TProgressText progress(QStringLiteral("Активизация узла"));
    if (!(Node = held.Get()) || Node == FLastNode)
        return;
    if (EntityOf(Node)) {
        TEntityInstance* modified = ModifiedInstance(Env::CurrentObject);
        if (modified)
            Node->SetHasChildren(true);
        if (modified && !SaveLeftObject(modified, FShowings))
            return;
        Panel1->Hide();
        const bool shown = ReplaceShownForm(held);
        Panel1->Show();
        if (!shown)
            return;
        Node = held.Get();
    }
    FLastNode = Node;
    TreeView1->SetSelected(Node);
    Panel1->Show();
}

void TTestNavigator::ShowNewForm(TTreeNode* Node)
{
    TTreeOperation operation;
    Env::TProgressText progress(QStringLiteral("Открытие формы"));
    TEntity* entity = EntityOf(Node);
    TEntityForm* form = entity ? entity->Form : nullptr;
    Env::CurrentDataForm = form;
    if (!form) {
        ShowMessage(QStringLiteral("Объект не существует"));
        return;
    }
    form->InNavigatorForm = false;
    form->ManualDock(Panel1);
    FFormNode = Node;
    if (QWidget* first = DockClients(Panel1).value(0))
        SetControlAlign(first, alClient);
    // The form takes its place at once (a form undocked before is 1 by 1), so that its
    // sub-form site is measured at its real size.
    LayOutNow(Panel1);
    LayOutNow(form);
    Env::CurrentObject = entity;
    ++FShowings;
    entity->Node = Node;
    entity->Show();
    form->setUpdatesEnabled(false);
    auto* navigatorForm = dynamic_cast<TNavigatorForm*>(form);
    try {
        if (navigatorForm && navigatorForm->DockSite)
            DockSubForms(Node, navigatorForm);
    } catch (...) {
        form->setUpdatesEnabled(true);
        throw;
    }
    form->setUpdatesEnabled(true);
}

// The forms of the node's sub-form children, docked into the form's site and stacked as
// equal bands from the top.
void TTestNavigator::DockSubForms(TTreeNode* Node, TNavigatorForm* Form)
{
    bool allow = true;
    NodeExpanding(Node, allow);
    TStringList* links = LinkListOf(FClassNames, ClassNameOf(Node));
    for (int i = 0; links && i < links->Count(); ++i) {
        auto* link = links->ObjectAs<TEntityLink>(i);
        if (link->NavType != FilteredClassLink && link->NavType != SubFormClassLink)
            continue;
        for (int k = 0; k < Node->Count(); ++k) {
            auto* child = Node->Item(k)->DataAs<TEntityClass>();
            if (!child || child->ClassName() != link->LinkClassName || !child->Form)
                continue;
            child->Form->ManualDock(Form->DockSite);
            child->Form->InNavigatorForm = true;
            child->Show();
        }
    }
    StackAsBands(Form->DockSite);
}

void TTestNavigator::LayOutNow(QWidget* Host)
{
    if (QLayout* layout = Host->layout())
        layout->setGeometry(Host->contentsRect());
}

void TTestNavigator::StackAsBands(QWidget* Site)
{
    Site->hide();
    const QList<QWidget*> clients = DockClients(Site);
    const int height = clients.isEmpty() ? Site->height() : Site->height() / static_cast<int>(clients.size());
    for (int i = 0; i < clients.size(); ++i) {
        SetControlAlign(clients[i], alNone);
        clients[i]->setGeometry(0, i * height, Site->width(), height);
    }
    Site->show();
}

void TTestNavigator::HideNavigatorForm()
{
    Env::TProgressText progress(QStringLiteral("Скрытие текущей формы"));
    TForm* form = Env::CurrentDataForm;
    if (!form)
        return;
    form->Hide();
    auto* navigatorForm = dynamic_cast<TNavigatorForm*>(form);
    if (navigatorForm && navigatorForm->DockSite) {
        QWidget* site = navigatorForm->DockSite;
        site->hide();
        const QList<QWidget*> clients = DockClients(site);
        for (auto it = clients.rbegin(); it != clients.rend(); ++it) {
            (*it)->hide();
            SetControlAlign(*it, alNone);
            FloatControl(*it, FloatingRect);
        }
        site->show();
    }
    form->SetAlign(alNone);
    form->ManualFloat(FloatingRect);
}

// --- context menu ---------------------------------------------------------------------------

void TTestNavigator::TreeView1ContextPopup(TObject*, const QPoint& MousePos, bool&)
{
    QTreeWidgetItem* item = TreeView1->itemAt(MousePos);
    if (!item)
        return;
    const THeldNode held(TTreeView::NodeOf(item));
    TreeView1->SetSelected(held.Get());
    // The change of selection may have asked and saved: the node is found again.
    const TEntity* entity = EntityOf(held.Get());
    if (entity && entity->Form && entity->Form->PopupMenu) {
        FEntityPopup = entity->Form->PopupMenu->Menu();
        entity->Form->PopupMenu->Popup(TreeView1->viewport()->mapToGlobal(MousePos + QPoint(0, 15)));
    }
}

// The tree's own menu, after the entity form's menu when that one is open.
void TTestNavigator::PopupTreeMenu(const QPoint& MousePos)
{
    const QPoint at = TreeView1->viewport()->mapToGlobal(MousePos);
    if (FEntityPopup && FEntityPopup->isVisible()) {
        QObject::connect(FEntityPopup, &QMenu::aboutToHide, this, [this, at] { PopupMenu1->Popup(at); },
            Qt::SingleShotConnection);
        return;
    }
    PopupMenu1->Popup(at);
}

void TTestNavigator::N1Click(TObject*)
{
    TTreeNode* node = TreeView1->Selected();
    if (!node)
        return;
    QString text;
    try {
        const TEntity* entity = EntityOf(node);
        if (!entity)
            throw Exception(QStringLiteral("Узел без объекта"));
        const auto* instance = dynamic_cast<const TEntityInstance*>(entity);
        const QString prefix = instance ? QString::number(instance->ID) + QLatin1Char(':') : QString();
        text = entity->ClassName() + QLatin1Char('(') + prefix + entity->Condition + QLatin1Char(')') + LineBreak
            + entity->ParentCondition + LineBreak + QStringLiteral("Контекст: ") + entity->Context->Name + LineBreak
            + QStringLiteral("Наследуемый контекст: ") + entity->InheritedContext->Name;
    } catch (...) {
        text = QStringLiteral("Ошибка определения контекста");
    }
    ShowMessage(text);
}

void TTestNavigator::N3Click(TObject*)
{
    TTreeNode* node = TreeView1->Selected();
    if (!node)
        return;
    try {
        if (TEntity* entity = EntityOf(node))
            entity->CopyQuery();
    } catch (...) {
        // Copying the query is a convenience: a failure leaves the clipboard as it was.
    }
}

} // namespace TestNav
