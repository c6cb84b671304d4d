#pragma once
// The navigator: a tree of entity classes and objects, read lazily from the navigation schema
// of the logged-in user (tables NAVIGATSIA and CLASS), beside a docking area in which the
// form of the selected node is shown; back and forward through the nodes the user left;
// activation of a given object and refresh of the nodes around a changed one.
//
// The schema is split by context: a node is expanded with the links of its own entity's
// context. Every tree node carries one entity, which the node owns: it is freed whenever the
// navigator removes the node. Roots are class nodes of the context "_default".
//
// Everything runs on the main thread. Operations that paint a progress text let pending
// messages run; while a tree operation is under way the user's input is held back, so that
// no click or key can change the tree in its middle.
//
// The implementation is split by concern into TestNav.cpp (start and shutdown),
// TestNavExpansion.cpp (children and node maintenance), TestNavForms.cpp (selection and
// forms), TestNavHistory.cpp (back and forward), TestNavActivation.cpp (finding objects),
// TestNavRefresh.cpp (refresh after changes) and TestNavFind.cpp (finding nodes by caption).
//
// Published operations can be called by name through Qt's meta-object system, with the
// argument types spelled as declared here, for example
//   QMetaObject::invokeMethod(CurrentNavigator, "NotifyObjectChanged", Q_ARG(EClasses::TEntity*, entity)).

#include "EClasses.h"
#include "StringList.h"

#include <QPoint>
#include <QPointer>
#include <QSet>
#include <QStringList>
#include <QString>
#include <QtGlobal>

#include <functional>
#include <vector>

class QAction;
class QMenu;

namespace DatabaseManager {
class TNavQuery;
} // namespace DatabaseManager
class QKeyEvent;
class QKeySequence;
class TComboBox;
class TDataSet;
class TEdit;
class TLabel;
class TMenuItem;
class TPanel;
class TPopupMenu;
class TSpeedButton;
class TSplitter;
class TTreeNode;
class TTreeView;

namespace TestNav {

using ContextManager::TContext;
using EClasses::TEntity;
using EClasses::TEntityLink;

// The navigation schema of one context.
class THeldNode;

class TContextInfo : public TObject {
    VEL_DECLARE_CLASS(TContextInfo, TObject)
public:
    explicit TContextInfo(const QString& ContextName);
    // Frees the two lists; their inner lists and links are freed by the navigator before.
    ~TContextInfo() override;

    QString ContextName;
    // (predecessor class name, link list of (successor class name, TEntityLink)).
    TStringList* ClassLinks;
    // (successor class name, string list of predecessor class names).
    TStringList* ParentNames;
};

// One history entry: the node's handle (never reused, so a removed node is known as removed)
// and whether it was expanded when it was left.
class TNodeInfo : public TObject {
    VEL_DECLARE_CLASS(TNodeInfo, TObject)
public:
    TNodeInfo(qint64 Item, bool Expanded) : Item(Item), Expanded(Expanded) {}
    qint64 Item;
    bool Expanded;
};

class TTestNavigator : public EClasses::TNavigator {
    Q_OBJECT
    VEL_DECLARE_CLASS(TTestNavigator, EClasses::TNavigator)
    Q_PROPERTY(bool FindEnabled READ FindEnabled WRITE SetFindEnabled)
public:
    explicit TTestNavigator(TComponent* AOwner = nullptr);
    ~TTestNavigator() override;

    // Start and shutdown.
    void Initialize() override;
    void Unplug() override;
    // Shows the entity of the node whose form is on show again; failures are swallowed.
    Q_INVOKABLE void Refresh() override;
    // ParentContext when OwnContext is "_default" and ParentContext is not, else OwnContext.
    TContext* InheritContext(TContext* ParentContext, TContext* OwnContext);

    // Activation of objects by plug-ins.
    void ActivateObject(TClass ListClass, TClass ObjectClass, qint64 ObjectID) override;
    void ActivateObjectInstance(TClass ListClass, TClass ObjectClass, qint64 ObjectID) override;
    void ActivateObjectInstanceWithParentObject(TClass ListClass, qint64 ParentID, TClass ObjectClass, qint64 ObjectID,
        TTreeNode* StartNode) override;
    void MakeVisibleObjectItsAndExpandChildren(TClass ListClass, qint64 ParentID, TClass ObjectClass, qint64 ObjectID,
        TTreeNode* StartNode) override;
    bool FindPath(const QString& From, const QString& To, qint32 Level, qint32 MaxLevel, EClasses::TNavigationInfo* Info);
    void BuildNavigationInfo(const QString& From, const QString& To, qint32 MaxLevel, EClasses::TNavigationInfo* Info);
    // Takes the 64-bit ID, like every other operation: no object is out of its reach.
    bool FindNodeOfObject(TTreeNode* Node, TClass ObjectClass, qint64 ObjectID, qint32 Level,
        EClasses::TNavigationInfo* Info);
    // Collapses every descendant of Node, the deepest first; Node keeps its state.
    void NodeCLose(TTreeNode* Node);

    // Refresh after changes.
    void RefreshObjectDependences(TEntity* Entity) override;
    void RefreshClassObject(TEntity* Entity) override;
    Q_INVOKABLE void NotifyObjectChanged(EClasses::TEntity* Entity) override;
    void RefreshNodeAfterContextChange(TTreeNode* Node) override;
    // Rebuilds the children of Node from the schema and the database.
    void RefreshNode(TTreeNode* Node);

    // Node maintenance.
    Q_INVOKABLE void RefreshNodeByAddingObject(TTreeNode* Node, qint64 ID, const QString& Name) override;
    void DeleteNode(TTreeNode* Node) override;
    TTreeNode* AddNode(const QString& ClassName, const QString& Name, qint64 ID, TTreeNode* ParentNode) override;
    void ChangeNode(TTreeNode* Node, const QString& Text) override;
    TTreeNode* GetCurrentNode() override;

    // Expansion: makes the children of Node once, when it has none.
    void NodeExpanding(TTreeNode* Node, bool& AllowExpansion);
    void NodeExpandingCheck(TTreeNode* Node, TStringList* List);
    // Removes every descendant of Node (freeing their entities and releasing their
    // references); Node stays, marked as having children.
    void NodeCollapsing(TTreeNode* Node);

    // Selection and forms.
    void ActivateNode(TTreeNode* Node);
    void ShowNewForm(TTreeNode* Node);
    void HideNavigatorForm();

    // The tree as the user left it, when «Восстанавливать дерево при подключении» is on
    // (NavigatorSettings): StoreTree keeps the expanded nodes and the selected one at shutdown,
    // RestoreTree expands and selects them again at the next start, skipping quietly what no
    // longer exists, and tells in the status bar's first panel how many nodes it restored.
    void StoreTree();
    void RestoreTree();

    // History.
    void AddNodeToHistory(TTreeNode* Node);
    void BackByHistory();
    void ForwardByHistory();

    // Finding nodes by caption: among the nodes that exist, those whose caption contains the
    // text (letter case ignored, "ё" found by "е"), in tree order. A found node is selected
    // as a click selects it: the question about unsaved edits and the history come with it.
    // Each returns whether a node was found; the field shows "N из M" or turns red.
    // Whether the find field, Ctrl+F and the menu item "Найти..." are there (they are unless
    // switched off).
    bool FindEnabled() const { return FFindEnabled; }
    void SetFindEnabled(bool Enabled);
    // Ctrl+F over the tree and the field.
    QAction* FindAction() const { return FFindAction; }
    // Shows the find field over the tree and puts the focus into it.
    void ShowFindField();
    // Hides the field and gives the focus back to the tree.
    void HideFindField();
    // The first match after the selected node, wrapping; while the selected node is the one
    // found last, it is the first candidate itself (the text was refined, not advanced).
    Q_INVOKABLE bool FindText(const QString& Text);
    Q_INVOKABLE bool FindNext();
    Q_INVOKABLE bool FindPrevious();
    // Reads the children of the selected node when they have not been read, then finds the
    // first match below it; further finds stay below it until the field is hidden.
    Q_INVOKABLE bool FindInList(const QString& Text);

    // Event handlers of the form's components.
    Q_INVOKABLE void TreeView1Expanding(TObject* Sender, TTreeNode* Node, bool& AllowExpansion);
    Q_INVOKABLE void TreeView1Collapsed(TObject* Sender, TTreeNode* Node);
    Q_INVOKABLE void TreeView1Change(TObject* Sender, TTreeNode* Node);
    Q_INVOKABLE void TreeView1ContextPopup(TObject* Sender, const QPoint& MousePos, bool& Handled);
    Q_INVOKABLE void N1Click(TObject* Sender);
    Q_INVOKABLE void N3Click(TObject* Sender);
    Q_INVOKABLE void N4Click(TObject* Sender);
    Q_INVOKABLE void SpeedButton1Click(TObject* Sender);
    Q_INVOKABLE void SpeedButton2Click(TObject* Sender);
    Q_INVOKABLE void Panel2Resize(TObject* Sender);

    // The components.
    TPanel* Panel2;
    TSplitter* Splitter1;
    TPanel* Panel1;
    TTreeView* TreeView1;
    TSpeedButton* SpeedButton1;
    TSpeedButton* SpeedButton2;
    TComboBox* ComboBox1;
    TPopupMenu* PopupMenu1;
    TMenuItem* N3;
    TMenuItem* N2;
    TMenuItem* N1;
    // "Найти...", the last item of PopupMenu1.
    TMenuItem* N4;
    // The find field with its count of matches "N из M".
    TEdit* Edit1;
    TLabel* Label1;

    // The state. FClassNames (all links, over all contexts) is the navigator base's.
    TStringList* FParentNames = nullptr;
    TStringList* FContexts = nullptr;
    TStringList* FBackHistory;
    TStringList* FForwardHistory;
    TTreeNode* FLastNode = nullptr;
    TTreeNode* FFormNode = nullptr;

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    class TTreeOperation;
    class TNodeRemoval;
    struct TChildBatch;

    // Building the form.
    void CreateComponents();
    void CreateHistoryButtons();
    void CreatePopupMenu();
    void ConnectTreeEvents();

    // Start and shutdown.
    void LoadSchema();
    void LoadPredecessors();
    void LoadSuccessors();
    void LoadClassLists(DatabaseManager::TNavQuery& Query, const QString& Column, TStringList* TContextInfo::*ContextLists,
        TStringList* AllContexts);
    void LoadLinks();
    static QString LinkRowFault(const TDataSet& Row);
    void AddLink(const TDataSet& Row);
    void LoadClassTypes();
    void ReadTreeWidth();
    void WriteTreeWidth();
    void DockIntoFormOwner();
    void CreateRoots();
    void AddRoot(TContextInfo* Record, const QString& ClassName);
    void TakeDownForms();
    void ClearTree();
    void FreeSchema();
    void FreeObjectRegistry();
    // The schema record of a context, made when it is not there yet.
    TContextInfo* ContextRecord(const QString& ContextName);
    TContextInfo* FindContextRecord(const QString& ContextName) const;

    // Expansion and node maintenance.
    void ExpandLink(TTreeNode* Node, TEntity* Parent, TContextInfo* Record, TEntityLink* Link);
    void MakeListChildren(TTreeNode* Node, TEntity* Parent, TContextInfo* Record, TClass EntityClass, TEntityLink* Link);
    // What follows the construction of every child: its parent's condition and context.
    void InitChild(TEntity* Parent, TEntity* Child);
    bool HasLinks(TContextInfo* Record, const QString& ClassName) const;
    TEntityLink* LinkTo(TContextInfo* Record, const QString& From, const QString& To) const;
    void FreeEntityOf(TTreeNode* Node);
    // Frees the node's entity and forgets it in the form that shows it.
    void ReleaseEntityOf(TTreeNode* Node);
    void ForgetRemovedNode(TTreeNode* Node);
    void Expand(TTreeNode* Node);
    // Before the children of Node are removed: the question about unsaved edits of the
    // node on show, when it is one of them.
    void OfferToSaveBelow(TTreeNode* Node);

    // Selection and forms.
    void ShowContextOf(TTreeNode* Node);
    void DisplaySelected(TTreeNode* Node);
    // The question about the modified object on show, with these buttons; the answer.
    int AskToSave(int Buttons);
    // Saves the object being left, if it is still the one on show since Showing (see
    // FShowings); false (told with the reason) when the save failed.
    bool SaveLeftObject(EClasses::TEntityInstance* Modified, quint64 Showing);
    void DisplayHeld(const THeldNode& Held, const QString& FailureMessage);
    void DisplayNode(const THeldNode& Held);
    bool ReplaceShownForm(const THeldNode& Held);
    void DockSubForms(TTreeNode* Node, EClasses::TNavigatorForm* Form);
    void StackAsBands(QWidget* Site);
    void LayOutNow(QWidget* Host);
    // Selects a node the navigator shows itself: the change of selection only shows its context.
    void SelectByCode(TTreeNode* Node);
    void QueueSelectionSync();
    void PopupTreeMenu(const QPoint& MousePos);

    // Finding nodes.
    enum class TFindStep { Refine, Next, Previous };
    struct TFindMatches;
    class TFindIndex;
    void CreateFindField();
    QAction* AddPanelAction(const QString& Text, const QKeySequence& Shortcut, std::function<void()> Run);
    void PlaceTree();
    bool FindKeyPress(QKeyEvent* Event);
    bool Find(TFindStep Step);
    TFindMatches CollectMatches(const QString& Folded, TTreeNode* Scope) const;
    TTreeNode* FindScope() const;
    void ShowFindResult(int Position, int Count);

    // History.
    void PushHistory(TStringList* Stack, TTreeNode* Node);
    void StepThroughHistory(TStringList* From, TStringList* To);
    void UpdateHistoryButtons();

    // Restoring the tree.
    struct TPathStep;
    TTreeNode* NodeOfPath(const QString& Path);
    TTreeNode* ChildOfStep(TTreeNode* Parent, const TPathStep& Step) const;

    // Activation.
    template <class Steps>
    void SelectFound(Steps Select);
    // Selects a found node as an activation does, in the frame of SelectFound: the node left
    // goes into the history, the node is made visible and its form shown.
    void SelectAndShow(TTreeNode* Found);
    void SelectActivated(TTreeNode* Found);
    void LeaveLastNode();
    bool LeaveShownObject();
    std::vector<TTreeNode*> ExpandAncestorsOf(const QString& ListClass);
    void BuildAncestorTree(const QString& ClassName, TStringList* Tree, QStringList& Chain, QSet<QString>& Followed);
    void ExpandBelow(TTreeNode* Node, QStringList& Chain);
    bool FindAncestorPath(TStringList* Tree, TStringList* Path);
    void FreeAncestorTree(TStringList* Tree);
    bool ObjectBelow(TTreeNode* StartNode, TClass ObjectClass, qint64 ObjectID);

    int FRemovingNodes = 0;
    bool FSyncQueued = false;
    bool FSelectingByCode = false;
    bool FSavingShownObject = false;
    // Counts each object put on show or taken off it: an object freed while a question was
    // open is never taken for a new one that happens to live at its address.
    quint64 FShowings = 0;
    QPointer<QMenu> FEntityPopup;
    bool FFindEnabled = true;
    QString FFindText;
    // Handles of the node found last and of the list a find is kept in (-1: none).
    qint64 FFoundItem = -1;
    qint64 FFindScopeItem = -1;
    QAction* FFindAction = nullptr;
    TFindIndex* FFindIndex = nullptr;
    // "Искать в списке": Alt+Enter, and a button at the end of the find field.
    QAction* FListAction = nullptr;
};

// The one navigator of the framework, registered as "Test Navigator".
extern TTestNavigator* TestNavigator;

void Initialize();
void Finalize();

} // namespace TestNav
