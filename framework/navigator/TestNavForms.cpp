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

TEntityInstance* ModifiedInstance(TObject* Object)
{
    auto* instance = dynamic_cast<TEntityInstance*>(Object);
    return instance && instance->Modified ? instance : nullptr;
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
    if (EntityOf(selected))
        DisplaySelected(selected);
    FLastNode = selected;
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
// being left: saved (Yes), left as it is (No), or kept on show (Cancel).
void TTestNavigator::DisplaySelected(TTreeNode* Node)
{
    TObject* current = Env::CurrentObject;
    if (TEntityInstance* modified = ModifiedInstance(current)) {
        const int answer = MessageDlg(QStringLiteral("Объект изменен. Сохранить изменения?"), TMsgDlgType::mtConfirmation,
            mbYes | mbNo | mbCancel);
        Node->SetHasChildren(true);
        if (answer == mrYes)
            DisplayGuarded(QStringLiteral("Произошла ошибка вывода формы mrYes"), [&] { DisplayNode(Node, modified); });
        else if (answer == mrNo)
            DisplayGuarded(QStringLiteral("Произошла ошибка вывода формы mrNO"), [&] { DisplayNode(Node, nullptr); });
    } else if (dynamic_cast<TEntityInstance*>(current)) {
        DisplayGuarded(QStringLiteral("Произошла ошибка вывода формы (не изменялось)"), [&] { DisplayNode(Node, nullptr); });
    } else if (current) {
        DisplayGuarded(QStringLiteral("Произошла ошибка вывода формы (") + ClassNameOf(Node) + QLatin1Char(')'),
            [&] { DisplayNode(Node, nullptr); });
    } else {
        DisplayGuarded(QStringLiteral("Произошла ошибка вывода формы не инициализирован"), [&] { DisplayNode(Node, nullptr); });
    }
    Env::ShowProgress(QString());
}

// Takes the shown form down, saves Saving when given, makes the node's children and shows
// its form. A save that removed the node itself (by refreshing the tree) ends it there.
void TTestNavigator::DisplayNode(TTreeNode* Node, TEntityInstance* Saving)
{
    const qint64 item = Node->ItemId();
    Panel1->Hide();
    HideNavigatorForm();
    if (Saving) {
        Saving->Save();
        Node = TreeView1->Items()->FindByItemId(item);
        if (!Node)
            return;
    }
    {
        TBatchUpdate batch(TreeView1);
        bool allow = true;
        NodeExpanding(Node, allow);
    }
    Env::ShowProgress(QString());
    ShowNewForm(Node);
    Panel1->Show();
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

void TTestNavigator::ActivateNode(TTreeNode* Node)
{
    TTreeOperation operation;
    Env::TProgressText progress(QStringLiteral("Активизация узла"));
    if (Node == FLastNode)
        return;
    Panel1->Hide();
    if (EntityOf(Node)) {
        TEntityInstance* modified = ModifiedInstance(Env::CurrentObject);
        if (modified)
            Node->SetHasChildren(true);
        HideNavigatorForm();
        if (modified)
            modified->Save();
        bool allow = true;
        NodeExpanding(Node, allow);
        ShowNewForm(Node);
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
    TTreeNode* node = TTreeView::NodeOf(item);
    TreeView1->SetSelected(node);
    const TEntity* entity = EntityOf(node);
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
