#include "NavigatorFixture.h"

#include "ContextManager.h"
#include "DatabaseManager.h"
#include "Env.h"
#include "Exceptions.h"
#include "NavigatorManager.h"
#include "ObjectManager.h"
#include "TestEnvironment.h"
#include "TreeView.h"

#include <map>

namespace NavigatorTests {

using EClasses::TEntityClass;
using EClasses::TEntityContainer;
using EClasses::TEntityInstance;

std::function<void()> WhenClientMade;

std::vector<QString>& FreedEntities()
{
    static std::vector<QString> freed;
    return freed;
}

std::vector<QString>& Refreshed()
{
    static std::vector<QString> refreshed;
    return refreshed;
}

namespace {

// A test entity class: reads Table, shows the form of its class (when it has one) and
// records its end.
#define NAV_TEST_CLASS(Name, Base, Table, WithForm)                                   \
    class Name : public Base {                                                         \
        VEL_DECLARE_CLASS(Name, Base)                                                  \
    public:                                                                            \
        template <class... Arguments>                                                  \
        explicit Name(Arguments... Values) : Base(Values...)                           \
        {                                                                              \
            TableName = QStringLiteral(Table);                                         \
            Form = WithForm ? NavigatorTest::FormOf(QStringLiteral(#Name)) : nullptr;  \
        }                                                                              \
        ~Name() override { FreedEntities().push_back(QStringLiteral(#Name)); }         \
        EXTRA_##Name                                                                   \
    };                                                                                 \
    VEL_IMPLEMENT_CLASS(Name)

#define EXTRA_TNClients
// Orders fail to refresh themselves; notes and payments record it.
#define EXTRA_TNOrders \
    void Refresh() override { Refreshed().push_back(QStringLiteral("TNOrders")); throw Exception(QStringLiteral("нет")); }
#define EXTRA_TNOrder
#define EXTRA_TNNotes \
    void Refresh() override { Refreshed().push_back(QStringLiteral("TNNotes")); }
#define EXTRA_TNPayments \
    void Refresh() override { Refreshed().push_back(QStringLiteral("TNPayments")); }
#define EXTRA_TNBoxes
#define EXTRA_TNBroken
#define EXTRA_TNArchive
#define EXTRA_TNItem
// A box runs its subtree in a context of its own.
#define EXTRA_TNBox \
    void AfterCreate() override { SetContext(ContextManager::GetContextByName(QStringLiteral("Склад-тест"))); }
// A client is hidden when its name says so, counts its saves and runs what a test gives it
// after each (a failure, a refresh of the tree).
#define EXTRA_TNClient                                                         \
    bool IsVisible() override                                                  \
    {                                                                          \
        if (WhenClientMade)                                                    \
            WhenClientMade();                                                  \
        return !Name.contains(QStringLiteral("скрыт"));                         \
    }                                                                          \
    void Save() override                                                       \
    {                                                                          \
        ++Saves;                                                               \
        TEntityInstance::Save();                                               \
        if (AfterSave)                                                         \
            AfterSave();                                                       \
    }                                                                          \
    static inline int Saves = 0;

NAV_TEST_CLASS(TNClients, TEntityClass, "CLIENTS", true)
NAV_TEST_CLASS(TNClient, TEntityInstance, "CLIENTS", true)
NAV_TEST_CLASS(TNOrders, TEntityClass, "ORDERS", true)
NAV_TEST_CLASS(TNOrder, TEntityInstance, "ORDERS", true)
NAV_TEST_CLASS(TNNotes, TEntityClass, "NOTES", true)
NAV_TEST_CLASS(TNPayments, TEntityClass, "PAYMENTS", true)
NAV_TEST_CLASS(TNBoxes, TEntityClass, "BOXES", true)
NAV_TEST_CLASS(TNBox, TEntityContainer, "BOXES", true)
NAV_TEST_CLASS(TNItem, TEntityInstance, "ITEMS", false)
NAV_TEST_CLASS(TNBroken, TEntityClass, "BROKEN", true)
NAV_TEST_CLASS(TNArchive, TEntityClass, "ARCHIVE", true)

const std::vector<TClass>& TestClasses()
{
    static const std::vector<TClass> classes = {TNClients::StaticClass(), TNClient::StaticClass(), TNOrders::StaticClass(),
        TNOrder::StaticClass(), TNNotes::StaticClass(), TNPayments::StaticClass(), TNBoxes::StaticClass(),
        TNBox::StaticClass(), TNItem::StaticClass(), TNBroken::StaticClass(), TNArchive::StaticClass()};
    return classes;
}

// CLASS rows: ID, registered name, display text, class type.
const std::vector<std::tuple<int, QString, QString, int>> SchemaClasses = {
    {1, QStringLiteral("RootClass"), QStringLiteral("Корень"), 0},
    {2, QStringLiteral("TNClients"), QStringLiteral("Clients и клиенты"), 1},
    {3, QStringLiteral("TNClient"), QStringLiteral("Клиент"), 2},
    {4, QStringLiteral("TNOrders"), QStringLiteral("Заказы"), 1},
    {5, QStringLiteral("TNOrder"), QStringLiteral("Заказ"), 2},
    {6, QStringLiteral("TNNotes"), QStringLiteral("Заметки"), 1},
    {7, QStringLiteral("TNPayments"), QStringLiteral("Платежи"), 1},
    {8, QStringLiteral("TNBoxes"), QStringLiteral("Boxes"), 1},
    {9, QStringLiteral("TNBox"), QStringLiteral("Коробка"), 3},
    {10, QStringLiteral("TNItem"), QStringLiteral("Товар"), 2},
    {11, QStringLiteral("TNBroken"), QStringLiteral("Битая таблица"), 1},
    {12, QStringLiteral("TNGhost"), QStringLiteral("Призрак"), 1},
    {13, QStringLiteral("TNArchive"), QStringLiteral("Архив"), 1},
};

int ClassID(const QString& Name)
{
    for (const auto& [id, name, text, type] : SchemaClasses)
        if (name == Name)
            return id;
    return 0;
}

} // namespace

int ClientSaves()
{
    return TNClient::Saves;
}

std::function<void()> AfterSave;

std::map<QString, std::unique_ptr<EClasses::TNavigatorForm>>& NavigatorTest::Forms()
{
    static std::map<QString, std::unique_ptr<EClasses::TNavigatorForm>> forms;
    return forms;
}

EClasses::TNavigatorForm* NavigatorTest::FormOf(const QString& ClassName)
{
    auto& form = Forms()[ClassName];
    if (!form) {
        form = std::make_unique<EClasses::TNavigatorForm>();
        form->SetCaption(ClassName);
    }
    return form.get();
}

void NavigatorTest::SetUp()
{
    TDatabaseTest::SetUp();
    if (IsSkipped())
        return;
    ExecSQL(QStringList{
        QStringLiteral("create table CLASS (ID integer primary key, NAZVANIE varchar(40), STROKA varchar(80), TIP_CLASS_ID integer)"),
        QStringLiteral("create table NAVIGATSIA (ID integer primary key, CLASS_ID integer, CLASS_ID_POTOMOK integer, "
                       "TIP_NAV_ID integer, PARAMETR varchar(80), CONTEXT varchar(40), POLZ_ID integer)"),
        QStringLiteral("create table CLIENTS (ID bigint primary key, NAZVANIE varchar(80))"),
        QStringLiteral("insert into CLIENTS values (11, 'Алексеев'), (14, 'Борисов скрыт'), (12, 'Васильев')"),
        QStringLiteral("create table ORDERS (ID bigint primary key, NAZVANIE varchar(80), PARENT_ID bigint)"),
        QStringLiteral("insert into ORDERS values (101, 'Заказ 1', 12), (102, 'Заказ 2', 12)"),
        QStringLiteral("create table NOTES (ID bigint primary key, NAZVANIE varchar(80), NOTE_KIND integer)"),
        QStringLiteral("create table PAYMENTS (ID bigint primary key, NAZVANIE varchar(80), PARENT_ID bigint)"),
        QStringLiteral("create table BOXES (ID bigint primary key, NAZVANIE varchar(80))"),
        QStringLiteral("insert into BOXES values (1, 'Коробка')"),
        QStringLiteral("create table ITEMS (ID bigint primary key, NAZVANIE varchar(80), BOX_ID bigint)"),
        QStringLiteral("insert into ITEMS values (1001, 'Винт', 1), (1002, 'Гайка', 1)"),
        QStringLiteral("create table BROKEN (ID varchar(10) primary key, NAZVANIE varchar(80))"),
        QStringLiteral("insert into BROKEN values ('1', 'а'), ('x', 'б'), ('3', 'в')"),
    });
    for (const auto& [id, name, text, type] : SchemaClasses)
        ExecSQL(QStringLiteral("insert into CLASS values (%1, '%2', '%3', %4)").arg(id).arg(name, text).arg(type));
    Link(1, QStringLiteral("RootClass"), QStringLiteral("TNClients"), 4);
    Link(2, QStringLiteral("RootClass"), QStringLiteral("TNBoxes"), 4);
    Link(3, QStringLiteral("TNBroken"), QStringLiteral("TNItem"), 2);
    Link(4, QStringLiteral("RootClass"), QStringLiteral("TNGhost"), 4);
    Link(5, QStringLiteral("TNClients"), QStringLiteral("TNClient"), 2);
    Link(6, QStringLiteral("TNClient"), QStringLiteral("TNOrders"), 3, QStringLiteral("PARENT_ID"));
    Link(7, QStringLiteral("TNClient"), QStringLiteral("TNNotes"), 1, QStringLiteral("NOTE_KIND=7"));
    Link(8, QStringLiteral("TNClient"), QStringLiteral("TNPayments"), 1, QStringLiteral("PARENT_ID=0"));
    Link(9, QStringLiteral("TNOrders"), QStringLiteral("TNOrder"), 2);
    Link(10, QStringLiteral("TNBoxes"), QStringLiteral("TNBox"), 2, QStringLiteral("!CT=ITEMS&CK=BOX_ID&"));
    Link(11, QStringLiteral("TNBox"), QStringLiteral("TNItem"), 2, QString(), QStringLiteral("Склад-тест"));
    Link(12, QStringLiteral("TNBoxes"), QStringLiteral("TNBroken"), 4);
    Link(13, QStringLiteral("TNClients"), QStringLiteral("TNArchive"), 4, QStringLiteral("STATE=1"), QStringLiteral("Архив"));
    // Another user's row, never read.
    ExecSQL(QStringLiteral("insert into NAVIGATSIA values (14, 1, 13, 4, '', '_default', 2)"));

    if (!ContextManager::GetContextByName(QStringLiteral("Склад-тест")))
        ContextManager::RegisterContext(77, QStringLiteral("Склад-тест"));
    for (TClass entityClass : TestClasses())
        Env::RegisterEntityClass(entityClass, nullptr);
    Env::Database = Database();
    DatabaseManager::RegisterDatabase(Database());
    Env::CurrentUserID = 1;
    Env::RegistryKeyRoot = QStringLiteral("Software\\Velnor07\\NAVTEST");
    FreedEntities().clear();
    Refreshed().clear();
    TNClient::Saves = 0;
    AfterSave = nullptr;
    TestSupport::Dialogs().Reset();
}

void NavigatorTest::TearDown()
{
    if (FStarted) {
        Navigator()->Unplug();
        NavigatorManager::CurrentNavigator = nullptr;
    }
    if (Env::Database) {
        DatabaseManager::UnregisterDatabase(Database());
        Env::Database = nullptr;
        for (TClass entityClass : TestClasses())
            Env::UnregisterEntityClass(entityClass);
    }
    Forms().clear();
    TDatabaseTest::TearDown();
}

void NavigatorTest::Link(int ID, const QString& From, const QString& To, int NavType, const QString& Parameter,
    const QString& Context)
{
    ExecSQL(QStringLiteral("insert into NAVIGATSIA values (%1, %2, %3, %4, '%5', '%6', 1)")
                .arg(ID)
                .arg(ClassID(From))
                .arg(ClassID(To))
                .arg(NavType)
                .arg(Parameter, Context.isEmpty() ? QStringLiteral("_default") : Context));
}

void NavigatorTest::Start()
{
    // The history outlives a connection; each test starts with none.
    for (TStringList* history : {Navigator()->FBackHistory, Navigator()->FForwardHistory}) {
        for (int i = 0; i < history->Count(); ++i)
            delete history->Objects(i);
        history->Clear();
    }
    NavigatorManager::CurrentNavigator = Navigator();
    Navigator()->Initialize();
    Navigator()->Show();
    FStarted = true;
}

TTreeNode* NavigatorTest::Node(const QStringList& Captions) const
{
    TTreeNodes* nodes = Navigator()->TreeView1->Items();
    TTreeNode* found = nullptr;
    for (const QString& caption : Captions) {
        const int count = found ? found->Count() : nodes->RootCount();
        TTreeNode* next = nullptr;
        for (int i = 0; i < count && !next; ++i) {
            TTreeNode* node = found ? found->Item(i) : nodes->Root(i);
            if (node->Text() == caption)
                next = node;
        }
        if (!next)
            return nullptr;
        found = next;
    }
    return found;
}

TTreeNode* NavigatorTest::Expanded(const QStringList& Captions)
{
    TTreeNode* node = Node(Captions);
    if (node)
        node->Expand(false);
    return node;
}

QStringList NavigatorTest::Captions(TTreeNode* Parent) const
{
    QStringList captions;
    for (int i = 0; i < Parent->Count(); ++i)
        captions.append(Parent->Item(i)->Text());
    return captions;
}

void NavigatorTest::Click(const QStringList& Captions)
{
    Navigator()->TreeView1->SetSelected(Node(Captions));
}

} // namespace NavigatorTests
