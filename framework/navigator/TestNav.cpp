// The navigator: its form, the loading of the navigation schema with the root nodes, and
// the shutdown.

#include "TestNav.h"
#include "TestNavPrivate.h"

#include "Clipboard.h"
#include "ContextManager.h"
#include "Controls.h"
#include "DatabaseManager.h"
#include "Docking.h"
#include "Env.h"
#include "Exceptions.h"
#include "Menus.h"
#include "NUtilities.h"
#include "NavigatorManager.h"
#include "NavigatorSettings.h"
#include "ObjectManager.h"
#include "Registry.h"
#include "TreeView.h"
#include "UnitLifetime.h"

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QPointer>
#include <QStyle>

#include <functional>
#include <memory>

namespace TestNav {

VEL_IMPLEMENT_CLASS(TContextInfo)
VEL_IMPLEMENT_CLASS(TNodeInfo)
VEL_IMPLEMENT_CLASS(TTestNavigator)

TTestNavigator* TestNavigator = nullptr;

namespace {

// The schema queries, line by line, exactly as they are sent.
const QStringList LinksQuery = {
    QStringLiteral("select DISTINCT c.ID, a.NAZVANIE PREDOK, b.NAZVANIE POTOMOK, C.TIP_NAV_ID,"),
    QStringLiteral("b.STROKA STROKA, c.PARAMETR PARAMETR, c.Context CON"),
    QStringLiteral("from NAVIGATSIA c,CLASS a,CLASS b"),
    QStringLiteral("where a.ID=C.CLASS_ID and"),
    QStringLiteral("b.ID=C.CLASS_ID_POTOMOK  and C.POLZ_ID=:P"),
    QStringLiteral("order by C.ID"),
};
const QStringList PredecessorsQuery = {
    QStringLiteral("select  distinct a.ID, a.NAZVANIE  PREDOK, a.STROKA STROKA,  c.CONTEXT CON"),
    QStringLiteral("from NAVIGATSIA c, CLASS a"),
    QStringLiteral("where a.ID=C.CLASS_ID and   C.POLZ_ID=:P"),
    QStringLiteral("order by a.ID"),
};
const QStringList ClassesQuery = {
    QStringLiteral("select * from CLASS where ID in (select CLASS_ID from NAVIGATSIA where"),
    QStringLiteral("POLZ_ID=:P) or  ID in (select CLASS_ID_POTOMOK from NAVIGATSIA where"),
    QStringLiteral("POLZ_ID=:P)"),
};
const QStringList SuccessorsQuery = {
    QStringLiteral("select  distinct a.ID, a.NAZVANIE  POTOMOK, a.STROKA STROKA, c.Context CON"),
    QStringLiteral("from NAVIGATSIA c, CLASS a"),
    QStringLiteral("where a.ID=C.CLASS_ID_POTOMOK and  C.POLZ_ID=:P"),
    QStringLiteral("order by a.ID"),
};

const QString RootClassName = QStringLiteral("RootClass");
const int DefaultTreeWidth = 250;
const int ZeroTreeWidth = 120;

void Debug(const QString& Text)
{
    NUtilities::ShowDebugMessage(Text, 0, 0, 0);
}

// A logged query of the session database with the given lines and the user's ID as P.
std::unique_ptr<DatabaseManager::TNavQuery> SchemaQuery(const QStringList& Lines)
{
    std::unique_ptr<DatabaseManager::TNavQuery> query(DatabaseManager::GetQuery(Env::Database));
    if (!query)
        throw Exception(QStringLiteral("База данных сеанса не зарегистрирована"));
    for (const QString& line : Lines)
        query->SQL()->Add(line);
    query->ParamByName(QStringLiteral("P"))->SetAsInteger(Env::CurrentUserID);
    return query;
}

// Opens a schema query. A logged query reports its own failure and stays closed: the
// navigator raises then, so that its step ends with the step's own message.
void OpenSchemaQuery(DatabaseManager::TNavQuery& Query)
{
    Query.Open();
    if (!Query.Active())
        throw Exception(QStringLiteral("Запрос схемы навигации не открыт"));
}

QString FieldText(const TDataSet& DataSet, const QString& Name)
{
    return DataSet.FieldByName(Name)->AsString();
}

// Runs one loading step; a failure shows the step's message and loading goes on.
template <class Step>
void LoadingStep(const QString& FailureMessage, Step Run)
{
    try {
        Run();
    } catch (...) {
        ShowMessage(FailureMessage);
    }
}

// Latin letters a to z in capitals; every other character (Cyrillic too) as it is.
QString LatinUpperCase(const QString& Text)
{
    QString result = Text;
    for (QChar& c : result)
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - 'a' + 'A');
    return result;
}

// The tree's width as stored; 0 gives the narrow width. What cannot be read (no key that can
// be made, a value that is no number) gives the default width, and a missing value is written
// with it; a registry that cannot be written is told once. A file that cannot be parsed is
// still an error.
int StoredTreeWidth()
{
    TRegistry registry;
    const QString key = NavigatorSettings::NavigatorKey();
    if (!registry.OpenKey(key, false) && !TRegistry::WriteSetting([&] { registry.OpenKey(key, true); }))
        return DefaultTreeWidth;
    const QString name = QStringLiteral("Width");
    if (!registry.ValueExists(name)) {
        TRegistry::WriteSetting([&registry, &name] { registry.WriteInteger(name, DefaultTreeWidth); });
        return DefaultTreeWidth;
    }
    try {
        const int width = registry.ReadInteger(name);
        return width == 0 ? ZeroTreeWidth : width;
    } catch (const ERegistryException&) {
        return DefaultTreeWidth;
    }
}

// Frees the objects attached to a list's entries (not the list).
void FreeObjects(TStringList* List)
{
    for (int i = 0; i < List->Count(); ++i)
        delete List->Objects(i);
}

// Frees every link list with its links (the entries of a ClassLinks or FClassNames list).
void FreeLinkLists(TStringList* List)
{
    for (int i = 0; i < List->Count(); ++i) {
        auto* links = List->ObjectAs<TStringList>(i);
        FreeObjects(links);
        delete links;
    }
    List->Clear();
}

void FreeNameLists(TStringList* List)
{
    FreeObjects(List);
    List->Clear();
}

// The navigator as long as it lives: a window it is docked in may take it along when that
// window is destroyed first.
QPointer<TTestNavigator> LivingNavigator;

TUnitLifetime Lifetime(
    [] {
        TestNavigator = new TTestNavigator(Env::FormOwner);
        LivingNavigator = TestNavigator;
        Env::RegisterEntityNavigator(QStringLiteral("Test Navigator"), TestNavigator);
    },
    [] { delete LivingNavigator.data(); });

} // namespace

// --- schema records -------------------------------------------------------------------------

TContextInfo::TContextInfo(const QString& ContextName)
    : ContextName(ContextName), ClassLinks(new TStringList), ParentNames(new TStringList)
{
}

TContextInfo::~TContextInfo()
{
    delete ClassLinks;
    delete ParentNames;
}

// --- the form -------------------------------------------------------------------------------

TTestNavigator::TTestNavigator(TComponent* AOwner)
    : TNavigator(AOwner), FBackHistory(new TStringList), FForwardHistory(new TStringList)
{
    setWindowFlags(Qt::Window | Qt::WindowSystemMenuHint);
    resize(689, 506);
    CreateComponents();
    SpeedButton1->SetEnabled(false);
    SpeedButton2->SetEnabled(false);
}

// A navigator that goes leaves the registry and is no longer the current one.
TTestNavigator::~TTestNavigator()
{
    if (Env::Navigators)
        Env::UnregisterEntityNavigator(this);
    if (NavigatorManager::CurrentNavigator == this)
        NavigatorManager::CurrentNavigator = nullptr;
    if (TestNavigator == this)
        TestNavigator = nullptr;
    FreeObjects(FBackHistory);
    delete FBackHistory;
    FreeObjects(FForwardHistory);
    delete FForwardHistory;
    // The tree's last reports (as it is destroyed with the form) are not handled.
    FClosing = true;
}

void TTestNavigator::CreateComponents()
{
    Panel2 = new TPanel(this, this);
    Panel2->SetAlign(alLeft);
    Panel2->resize(173, height());
    Panel2->setMinimumWidth(30);
    Panel2->installEventFilter(this);
    Splitter1 = new TSplitter(this, this);
    Panel1 = new TPanel(this, this);
    Panel1->SetAlign(alClient);

    TreeView1 = new TTreeView(this, Panel2);
    TreeView1->setGeometry(2, TreeTop, 166, 448);
    TreeView1->setMinimumWidth(50);
    TreeView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TreeView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    TreeView1->setIndentation(19);
    ComboBox1 = new TComboBox(this, Panel2);
    ComboBox1->setGeometry(3, 4, 113, ComboBox1->sizeHint().height());
    CreateHistoryButtons();
    CreatePopupMenu();
    CreateFindField();
    ConnectTreeEvents();
}

void TTestNavigator::CreateHistoryButtons()
{
    SpeedButton1 = new TSpeedButton(this, Panel2);
    SpeedButton1->setGeometry(121, 2, 21, 22);
    SpeedButton1->SetHint(QStringLiteral("Вернуться назад..."));
    SpeedButton1->setIcon(style()->standardIcon(QStyle::SP_ArrowBack));
    SpeedButton1->OnClick = [this](TObject* Sender) { SpeedButton1Click(Sender); };
    SpeedButton2 = new TSpeedButton(this, Panel2);
    SpeedButton2->setGeometry(145, 3, 23, 22);
    SpeedButton2->SetHint(QStringLiteral("Вперед..."));
    SpeedButton2->setIcon(style()->standardIcon(QStyle::SP_ArrowForward));
    SpeedButton2->OnClick = [this](TObject* Sender) { SpeedButton2Click(Sender); };
}

void TTestNavigator::CreatePopupMenu()
{
    PopupMenu1 = new TPopupMenu(this);
    const auto addItem = [this](const QString& Caption, TNotifyEvent OnClick) {
        auto* item = new TMenuItem(this);
        item->SetCaption(Caption);
        item->OnClick = std::move(OnClick);
        PopupMenu1->Items()->Add(item);
        return item;
    };
    N3 = addItem(QStringLiteral("Запрос"), [this](TObject* Sender) { N3Click(Sender); });
    N2 = addItem(QStringLiteral("Свойства"), nullptr);
    N1 = addItem(QStringLiteral("Служебная информация"), [this](TObject* Sender) { N1Click(Sender); });
    N4 = addItem(QStringLiteral("Найти..."), [this](TObject* Sender) { N4Click(Sender); });
}

// The tree's events reach the handlers like any event of the event loop: whatever a handler
// lets escape is shown in the default error box and the program goes on.
void TTestNavigator::ConnectTreeEvents()
{
    TreeView1->OnExpanding = [this](TTreeNode* Node, bool& Allow) {
        Application::Guarded([&] { TreeView1Expanding(TreeView1, Node, Allow); });
    };
    TreeView1->OnCollapsed = [this](TTreeNode* Node) {
        Application::Guarded([&] { TreeView1Collapsed(TreeView1, Node); });
    };
    TreeView1->OnChange = [this](TTreeNode* Node) {
        Application::Guarded([&] { TreeView1Change(TreeView1, Node); });
    };
    TreeView1->OnContextPopup = [this](const QPoint& Position) {
        Application::Guarded([&] {
            bool handled = false;
            TreeView1ContextPopup(TreeView1, Position, handled);
            if (!handled)
                PopupTreeMenu(Position);
        });
    };
}

bool TTestNavigator::eventFilter(QObject* Watched, QEvent* Event)
{
    if (Watched == Panel2 && Event->type() == QEvent::Resize)
        Panel2Resize(Panel2);
    if (Watched == Edit1 && Event->type() == QEvent::KeyPress && FindKeyPress(static_cast<QKeyEvent*>(Event)))
        return true;
    return TNavigator::eventFilter(Watched, Event);
}

TContext* TTestNavigator::InheritContext(TContext* ParentContext, TContext* OwnContext)
{
    if (OwnContext->Name == DefaultContextName && ParentContext->Name != DefaultContextName)
        return ParentContext;
    return OwnContext;
}

void TTestNavigator::Refresh()
{
    if (!FFormNode)
        return;
    try {
        if (auto* entity = FFormNode->DataAs<TEntity>())
            entity->Show();
    } catch (...) {
        // A form that cannot show itself again stays as it is.
    }
}

// --- start ----------------------------------------------------------------------------------

void TTestNavigator::Initialize()
{
    Env::TProgressText progress(QStringLiteral("Инициализация навигатора"));
    Debug(QStringLiteral("Попытка инициализации навигатора"));
    // Whatever a failed shutdown left goes first: a connect starts from an empty tree.
    ClearTree();
    FreeSchema();
    FClassNames = new TStringList;
    FParentNames = new TStringList;
    FContexts = new TStringList;
    FClosing = false;
    Env::CurrentDataForm = nullptr;
    Env::CurrentObject = nullptr;
    FFormNode = nullptr;
    FLastNode = nullptr;
    delete ObjectManager::Objects;
    ObjectManager::Objects = new ObjectManager::TEObjects;
    LoadSchema();
    ReadTreeWidth();
    Env::CurrentDataForm = nullptr;
    Debug(QStringLiteral("Встраивание форм"));
    DockIntoFormOwner();
    Debug(QStringLiteral("Вставка корневого класса"));
    CreateRoots();
    NavigatorSettings::RegisterPage();
    // A failure while the tree is restored is shown; the session comes up all the same.
    Application::Guarded([this] { RestoreTree(); });
}

void TTestNavigator::LoadSchema()
{
    Debug(QStringLiteral("Загрузка списка предков"));
    LoadingStep(QStringLiteral("Ошибка второго запроса"), [this] { LoadPredecessors(); });
    Debug(QStringLiteral("Загрузка списка потомков"));
    LoadingStep(QStringLiteral("Ошибка четвертого запроса"), [this] { LoadSuccessors(); });
    Debug(QStringLiteral("Загрузка Схемы навигации"));
    LoadingStep(QStringLiteral("Ошибка первого запроса"), [this] { LoadLinks(); });
    Debug(QStringLiteral("Загрузка типов классов"));
    LoadingStep(QStringLiteral("Ошибка третьего запроса"), [this] { LoadClassTypes(); });
}

TContextInfo* TTestNavigator::FindContextRecord(const QString& ContextName) const
{
    const int index = FContexts ? FContexts->IndexOf(ContextName) : -1;
    return index < 0 ? nullptr : FContexts->ObjectAs<TContextInfo>(index);
}

TContextInfo* TTestNavigator::ContextRecord(const QString& ContextName)
{
    if (TContextInfo* record = FindContextRecord(ContextName))
        return record;
    auto* record = new TContextInfo(ContextName);
    FContexts->AddObject(ContextName, record);
    return record;
}

// Every class that leads somewhere, with an empty link list per context it occurs in.
void TTestNavigator::LoadPredecessors()
{
    auto query = SchemaQuery(PredecessorsQuery);
    Clipboard::SetText(query->SQL()->Text());
    LoadClassLists(*query, QStringLiteral("PREDOK"), &TContextInfo::ClassLinks, FClassNames);
}

// Every class that is led to, with an empty predecessor list per context it occurs in.
void TTestNavigator::LoadSuccessors()
{
    auto query = SchemaQuery(SuccessorsQuery);
    LoadClassLists(*query, QStringLiteral("POTOMOK"), &TContextInfo::ParentNames, FParentNames);
}

// For every row: the class named in Column, with a new empty list, into the row's context
// record (its ContextLists) and into AllContexts.
void TTestNavigator::LoadClassLists(DatabaseManager::TNavQuery& Query, const QString& Column,
    TStringList* TContextInfo::*ContextLists, TStringList* AllContexts)
{
    OpenSchemaQuery(Query);
    for (; !Query.Eof(); Query.Next()) {
        const QString className = FieldText(Query, Column);
        (ContextRecord(FieldText(Query, QStringLiteral("CON")))->*ContextLists)->AddObject(className, new TStringList);
        AllContexts->AddObject(className, new TStringList);
    }
    Query.Close();
}

// The links, in the order of NAVIGATSIA.ID: into the context's own schema and into the
// schema over all contexts. Rows whose classes are not known are skipped; rows that cannot
// make a link (no link kind, a filtered link without its column) are skipped and told
// together, each by its ID, once the schema is read.
void TTestNavigator::LoadLinks()
{
    auto query = SchemaQuery(LinksQuery);
    OpenSchemaQuery(*query);
    QStringList badRows;
    for (; !query->Eof(); query->Next()) {
        const QString fault = LinkRowFault(*query);
        if (!fault.isEmpty()) {
            badRows.append(QStringLiteral("NAVIGATSIA ID=") + FieldText(*query, QStringLiteral("ID")) + QStringLiteral(": ") + fault);
            continue;
        }
        AddLink(*query);
    }
    query->Close();
    if (!badRows.isEmpty())
        ShowMessage(QStringLiteral("Строки схемы навигации пропущены:\n") + badRows.join(QLatin1Char('\n')));
}

// Why a link row cannot be used; empty when it can.
QString TTestNavigator::LinkRowFault(const TDataSet& Row)
{
    if (Row.FieldByName(QStringLiteral("TIP_NAV_ID"))->IsNull())
        return QStringLiteral("не задан TIP_NAV_ID");
    const bool filtered = Row.FieldByName(QStringLiteral("TIP_NAV_ID"))->AsInteger() == FilteredClassLink;
    if (filtered && FieldText(Row, QStringLiteral("PARAMETR")).trimmed().isEmpty())
        return QStringLiteral("не задан PARAMETR связи с отбором");
    return QString();
}

void TTestNavigator::AddLink(const TDataSet& Row)
{
    const QString predecessor = FieldText(Row, QStringLiteral("PREDOK"));
    const QString successor = FieldText(Row, QStringLiteral("POTOMOK"));
    const qint32 navType = Row.FieldByName(QStringLiteral("TIP_NAV_ID"))->AsInteger();
    const QString parameter = FieldText(Row, QStringLiteral("PARAMETR"));
    TContextInfo* record = ContextRecord(FieldText(Row, QStringLiteral("CON")));
    const int classIndex = Env::ClassNames->IndexOf(successor);
    const TClass entityClass = classIndex < 0 ? nullptr : Env::ClassNames->ObjectAs<TMetaClass>(classIndex);
    TStringList* contextLinks = LinkListOf(record->ClassLinks, predecessor);
    if (contextLinks && entityClass) {
        contextLinks->AddObject(successor, new TEntityLink(successor, entityClass, navType, parameter));
        if (TStringList* predecessors = LinkListOf(record->ParentNames, successor))
            predecessors->Add(predecessor);
    }
    TStringList* links = LinkListOf(FClassNames, predecessor);
    if (!links)
        Debug(QStringLiteral("Класс ") + predecessor + QStringLiteral(" не найден в списке FClassNames"));
    else if (!entityClass)
        Debug(QStringLiteral("Класс ") + successor + QStringLiteral(" не найден в списке ClassNames"));
    else {
        links->AddObject(successor, new TEntityLink(successor, entityClass, navType, parameter));
        if (TStringList* predecessors = LinkListOf(FParentNames, successor))
            predecessors->Add(predecessor);
    }
}

// The display text and the class type of every registered class of the schema.
void TTestNavigator::LoadClassTypes()
{
    auto query = SchemaQuery(ClassesQuery);
    query->Prepare();
    OpenSchemaQuery(*query);
    for (; !query->Eof(); query->Next()) {
        const int index = Env::ClassNames->IndexOf(FieldText(*query, QStringLiteral("NAZVANIE")));
        if (index < 0)
            continue;
        Env::ClassString->SetString(index, FieldText(*query, QStringLiteral("STROKA")));
        Env::ClassTypes->SetString(index, FieldText(*query, QStringLiteral("TIP_CLASS_ID")));
    }
    query->Close();
}

void TTestNavigator::ReadTreeWidth()
{
    Panel2->resize(StoredTreeWidth(), Panel2->height());
    if (QLayout* layout = this->layout())
        layout->setGeometry(contentsRect());
}

void TTestNavigator::WriteTreeWidth()
{
    TRegistry::WriteSetting([this] {
        TRegistry registry;
        registry.OpenKey(NavigatorSettings::NavigatorKey(), true);
        registry.WriteInteger(QStringLiteral("Width"), Panel2->width());
    });
}

void TTestNavigator::DockIntoFormOwner()
{
    auto* host = dynamic_cast<QWidget*>(Env::FormOwner);
    if (!host)
        return;
    ManualDock(host);
    for (QWidget* control : DockClients(host))
        SetControlAlign(control, alClient);
}

// One root class node per link of "RootClass" in the context "_default", each activated in
// turn: the last one stays selected.
void TTestNavigator::CreateRoots()
{
    TContextInfo* record = FindContextRecord(DefaultContextName);
    TStringList* links = record ? LinkListOf(record->ClassLinks, RootClassName) : nullptr;
    if (!links) {
        ShowMessage(QStringLiteral("В навигаторе отсутсвуют элементы, необходимо обратиться к администратору"));
        return;
    }
    for (int i = 0; i < links->Count(); ++i) {
        const QString className = links->Strings(i);
        try {
            AddRoot(record, className);
        } catch (...) {
            const int index = Env::ClassNames->IndexOf(className);
            ShowMessage(QStringLiteral("Ошибка открытия узла «") + (index < 0 ? className : Env::ClassString->Strings(index))
                + QStringLiteral("»: ") + ExceptionMessage(std::current_exception()));
        }
    }
}

// One root class node, activated (its form shown). A root whose entity cannot be made or
// shown is told with the reason by the caller; the other roots come up.
void TTestNavigator::AddRoot(TContextInfo* Record, const QString& ClassName)
{
    const int index = Env::ClassNames->IndexOf(ClassName);
    if (index < 0)
        return;
    const auto* entityClass = Env::ClassNames->ObjectAs<TMetaClass>(index);
    TEntity* entity = EClasses::CreateEntity(entityClass, QString(), nullptr);
    TTreeNode* node = TreeView1->Items()->AddObject(LatinUpperCase(Env::ClassString->Strings(index)), entity);
    entity->InheritedContext = ContextManager::GetContextByName(DefaultContextName);
    ObjectManager::Objects->AddClassObjectReference(Env::ClassNames->Strings(index), QString(), node);
    if (HasLinks(Record, ClassName))
        node->SetHasChildren(true);
    ActivateNode(node);
}

// --- shutdown -------------------------------------------------------------------------------

// Every step runs, also after an earlier one failed, so that a next connect starts from an
// empty tree and schema; a failure is told once at the end.
void TTestNavigator::Unplug()
{
    bool failed = false;
    const auto step = [&failed](const std::function<void()>& Run) {
        try {
            Run();
        } catch (...) {
            failed = true;
        }
    };
    {
        Env::TProgressText progress(QStringLiteral("Закрытие навигатора..."));
        step([this] { StoreTree(); });
        step([] { NavigatorSettings::UnregisterPage(); });
        FClosing = true;
        step([this] { TakeDownForms(); });
        step([this] { WriteTreeWidth(); });
        step([this] { ClearTree(); });
        step([this] { FreeSchema(); });
        step([this] { FreeObjectRegistry(); });
        // Out of the window it was docked in, which may go before the navigator does.
        step([this] { ManualFloat(FloatingRect); });
        SetPanelText(Env::PrograssorPanel, QString());
    }
    if (failed)
        ShowMessage(QStringLiteral("Ошибка закрытия навигатора"));
}

void TTestNavigator::TakeDownForms()
{
    Panel1->Hide();
    Hide();
    if (Env::CurrentDataForm) {
        HideNavigatorForm();
        Env::CurrentDataForm = nullptr;
    }
    const QList<QWidget*> docked = DockClients(Panel1);
    for (auto it = docked.rbegin(); it != docked.rend(); ++it)
        FloatControl(*it, FloatingRect);
}

void TTestNavigator::FreeObjectRegistry()
{
    Env::CurrentObject = nullptr;
    ++FShowings;
    delete ObjectManager::Objects;
    ObjectManager::Objects = nullptr;
}

// Frees every node's entity, then the nodes. The tree's reports of a changed selection are
// not handled meanwhile: they would name nodes whose entities are gone.
void TTestNavigator::ClearTree()
{
    TNodeRemoval removal(this);
    FLastNode = nullptr;
    FFormNode = nullptr;
    ++FShowings;
    for (TTreeNode* node : TreeView1->Items()->AllNodes())
        ReleaseEntityOf(node);
    TreeView1->Items()->Clear();
}

void TTestNavigator::FreeSchema()
{
    if (FContexts) {
        for (int i = 0; i < FContexts->Count(); ++i) {
            auto* record = FContexts->ObjectAs<TContextInfo>(i);
            FreeLinkLists(record->ClassLinks);
            FreeNameLists(record->ParentNames);
            delete record;
        }
        FContexts->Clear();
    }
    if (FClassNames)
        FreeLinkLists(FClassNames);
    if (FParentNames)
        FreeNameLists(FParentNames);
    delete FClassNames;
    delete FParentNames;
    delete FContexts;
    FClassNames = nullptr;
    FParentNames = nullptr;
    FContexts = nullptr;
}

// --- unit -----------------------------------------------------------------------------------

void Initialize()
{
    Lifetime.Initialize();
}

void Finalize()
{
    Lifetime.Finalize();
}

} // namespace TestNav
