// The navigator on the demo provisioned with 100,000 clients (--rows N for another count),
// on SQLite and, when VELNOR_TEST_PG names a server, on PostgreSQL, connected through the
// main window as a user does:
//   - expanding the «Клиенты» root until every client node exists, against the floor of a
//     bare forward-only QSqlQuery of the same child query on the same database plus the
//     captioned items put under one parent of a bare QTreeWidget (goal: at most 1.5 times
//     the floor);
//   - collapsing it again (goal: at most the expansion);
//   - activating a client in the middle of the list from a never expanded list node until its
//     form is shown, against the expansion alone (goal: at most 1.2 times);
//   - refreshing the expanded node;
//   - finding in the tree with the clients expanded: a keystroke that finds the middle client
//     by its name from another root (until its form is shown), a "next" among the clients
//     sharing the first letters of that name, and a text that matches nothing (one whole
//     pass, nothing selected), and that text typed first after the clients were expanded
//     afresh (goal: at most 10 ms each); beside them the selection of the next client alone,
//     as a click makes it, which a "next" includes (the expansion folds the captions for the
//     find as its last status text lets the event loop run);
// and prints the resident memory the expanded children add (goal: at most 400 bytes a child).
// Run with --benchmark_repetitions=N to compare medians.

#include "Application.h"
#include "ApplicationSystemChooseForm.h"
#include "BenchSupport.h"
#include "DemoSetup.h"
#include "Dialogs.h"
#include "EClasses.h"
#include "Env.h"
#include "LoginForm.h"
#include "OptionsForm.h"
#include "Registry.h"
#include "StatusBar.h"
#include "TestNav.h"
#include "TreeView.h"
#include "Velkit07.h"
#include "mainform.h"

#include <QApplication>
#include <QDir>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <benchmark/benchmark.h>

#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace {

int Rows = BenchSupport::Scaled(100000);
const QString Ready = QStringLiteral("Система готова к работе");
const QString ClientsQuery = QStringLiteral("select ID, NAZVANIE from KLIENTY ORDER BY NAZVANIE");

TestNav::TTestNavigator* Navigator()
{
    return TestNav::TestNavigator;
}

TTreeNode* ClientsRoot()
{
    return Navigator()->TreeView1->Items()->Root(0);
}

TClass RegisteredClass(const char* Name)
{
    return Env::ClassNames->ObjectAs<TMetaClass>(Env::ClassNames->IndexOf(QString::fromLatin1(Name)));
}

void ExpandClients()
{
    bool allow = true;
    Navigator()->TreeView1Expanding(Navigator()->TreeView1, ClientsRoot(), allow);
}

void CollapseClients()
{
    Navigator()->NodeCollapsing(ClientsRoot());
}

// Another root selected and the clients removed, with nothing left pending: the clients'
// list node is as if it had never been expanded.
void LeaveClientsUnexpanded()
{
    Navigator()->ActivateNode(Navigator()->TreeView1->Items()->Root(1));
    CollapseClients();
    QCoreApplication::processEvents();
}

bool AllClientsShown(benchmark::State& State)
{
    if (ClientsRoot()->Count() == Rows)
        return true;
    State.SkipWithError("the clients were not all made");
    return false;
}

// Times Run from the clients' list left unexpanded (expanded again, untimed, when Expanded).
// Run answers whether its result is as expected; if not, it has told State and the runs end.
template <class Work>
void TimeFromClients(benchmark::State& State, bool Expanded, Work Run)
{
    for (auto _ : State) {
        State.PauseTiming();
        LeaveClientsUnexpanded();
        if (Expanded)
            ExpandClients();
        State.ResumeTiming();
        if (!Run(State))
            break;
    }
}

void Expansion(benchmark::State& State)
{
    TimeFromClients(State, false, [](benchmark::State& Run) {
        ExpandClients();
        return AllClientsShown(Run);
    });
}

void Collapse(benchmark::State& State)
{
    TimeFromClients(State, true, [](benchmark::State&) {
        CollapseClients();
        return true;
    });
}

// A connection of its own to the demo database the settings name, for the floor and the
// preparations; closed when it goes.
class TBareConnection {
public:
    TBareConnection(const DemoSetup::TSettings& Settings, const QString& Name) : FName(Name)
    {
        if (Settings.Postgres.isEmpty()) {
            FDatabase = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), Name);
            FDatabase.setDatabaseName(QDir(Settings.Dir).filePath(DemoSetup::DatabaseFile));
        } else {
            const DemoSetup::TPostgresTarget target = DemoSetup::ParsePostgres(Settings.Postgres);
            FDatabase = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), Name);
            FDatabase.setHostName(target.Host);
            FDatabase.setPort(target.Port.toInt());
            FDatabase.setDatabaseName(target.Database);
            FDatabase.setConnectOptions(target.Options);
        }
        FDatabase.open();
    }
    ~TBareConnection()
    {
        FDatabase.close();
        FDatabase = QSqlDatabase();
        QSqlDatabase::removeDatabase(FName);
    }
    TBareConnection(const TBareConnection&) = delete;
    TBareConnection& operator=(const TBareConnection&) = delete;

    const QSqlDatabase& Database() const { return FDatabase; }

private:
    QString FName;
    QSqlDatabase FDatabase;
};

void Floor(benchmark::State& State, const DemoSetup::TSettings& Settings)
{
    const TBareConnection connection(Settings, QStringLiteral("floor"));
    const QSqlDatabase& database = connection.Database();
    for (auto _ : State) {
        State.PauseTiming();
        auto* tree = new QTreeWidget;
        auto* parent = new QTreeWidgetItem(tree, QStringList{QStringLiteral("Клиенты")});
        State.ResumeTiming();
        QSqlQuery query(database);
        query.setForwardOnly(true);
        query.exec(ClientsQuery);
        QList<QTreeWidgetItem*> items;
        while (query.next())
            items.append(new QTreeWidgetItem(QStringList{query.value(1).toString()}));
        parent->addChildren(items);
        State.PauseTiming();
        if (items.size() != Rows)
            State.SkipWithError("the floor query did not read every client");
        delete tree;
        State.ResumeTiming();
    }
}

// From a tree whose clients were never made, another root selected, to the form of the
// client in the middle of the list.
void Activation(benchmark::State& State, qint64 ClientID)
{
    TimeFromClients(State, false, [ClientID](benchmark::State& Run) {
        Navigator()->ActivateObjectInstance(RegisteredClass("TClientsClass"), RegisteredClass("TClientInstance"), ClientID);
        auto* shown = dynamic_cast<EClasses::TEntityInstance*>(Env::CurrentObject);
        if (!shown || shown->ID != ClientID) {
            Run.SkipWithError("the client was not shown");
            return false;
        }
        return AllClientsShown(Run);
    });
}

void Refresh(benchmark::State& State)
{
    TimeFromClients(State, true, [](benchmark::State& Run) {
        Navigator()->RefreshNode(ClientsRoot());
        return AllClientsShown(Run);
    });
}

// The clients expanded, whatever the benchmark before left.
bool ClientsExpanded(benchmark::State& State)
{
    LeaveClientsUnexpanded();
    ExpandClients();
    return AllClientsShown(State);
}

// With Typed found first (when given), runs Find once per iteration, Before it untimed; Find
// must answer Expected.
template <class Prepare, class Work>
void TimeFind(benchmark::State& State, bool Expected, const QString& Typed, Prepare Before, Work Find)
{
    if (!ClientsExpanded(State))
        return;
    if (!Typed.isEmpty())
        Navigator()->FindText(Typed);
    for (auto _ : State) {
        State.PauseTiming();
        Before();
        State.ResumeTiming();
        if (Find() != Expected) {
            State.SkipWithError("the find did not answer as expected");
            break;
        }
    }
}

void FindKeystroke(benchmark::State& State, const QString& Name)
{
    TimeFind(State, true, QString(), [] { Navigator()->ActivateNode(Navigator()->TreeView1->Items()->Root(1)); },
        [&Name] { return Navigator()->FindText(Name); });
}

void FindNextClient(benchmark::State& State, const QString& Prefix)
{
    TimeFind(State, true, Prefix, [] {}, [] { return Navigator()->FindNext(); });
}

// The clients expanded afresh, and what the event loop does then before any key can arrive.
void ExpandClientsAfresh()
{
    LeaveClientsUnexpanded();
    ExpandClients();
    QCoreApplication::processEvents();
}

// The first keystroke after the clients were expanded afresh.
void FindFirstKeystroke(benchmark::State& State)
{
    TimeFind(State, false, QString(), ExpandClientsAfresh, [] { return Navigator()->FindText(QStringLiteral("щщщщщ")); });
}

// What the selection of a client alone costs, as a click: the next client each time, its
// children read and its form shown (the part of a "next" that is no search).
void SelectNextClient(benchmark::State& State)
{
    int row = 0;
    TimeFind(State, true, QString(), [] {}, [&row] {
        Navigator()->TreeView1->SetSelected(ClientsRoot()->Item(row++ % Rows));
        return true;
    });
}

void FindNothing(benchmark::State& State)
{
    TimeFind(State, false, QString(), [] {}, [] { return Navigator()->FindText(QStringLiteral("щщщщщ")); });
}

long ResidentBytes()
{
    long size = 0;
    long resident = 0;
    std::ifstream("/proc/self/statm") >> size >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

// The heap in use, the large blocks malloc maps apart included.
size_t HeapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// Resident memory with the clients collapsed (freed memory given back) and expanded.
void PrintMemoryPerChild()
{
    LeaveClientsUnexpanded();
    malloc_trim(0);
    const long before = ResidentBytes();
    const size_t heapBefore = HeapInUse();
    ExpandClients();
    const long after = ResidentBytes();
    const size_t heapAfter = HeapInUse();
    std::printf("memory per expanded child: %.0f bytes resident, %.0f bytes of heap in use (goal: at most 400 resident)\n",
        double(after - before) / Rows, double(heapAfter - heapBefore) / Rows);
}

// Real time, and the CPU time of the benchmark's thread beside it.
void PrintAgainst(const BenchSupport::TTimeReporter& Reporter, const char* What, const char* Name, const char* Base,
    const char* BaseWhat, const char* Goal)
{
    double time = 0, base = 0, cpu = 0, baseCpu = 0;
    if (!Reporter.Time(Name, time) || !Reporter.Time(Base, base) || !Reporter.CpuTime(Name, cpu) || !Reporter.CpuTime(Base, baseCpu))
        return;
    std::printf("%s %.1f ms against %s %.1f ms: %.2fx; CPU time %.1f ms against %.1f ms: %.2fx (goal: at most %s)\n", What,
        time, BaseWhat, base, time / base, cpu, baseCpu, cpu / baseCpu, Goal);
}

void PrintRatios(const BenchSupport::TTimeReporter& Reporter)
{
    PrintAgainst(Reporter, "expansion", "BM_ExpandClients", "BM_Floor", "the floor", "1.5x");
    PrintAgainst(Reporter, "collapse", "BM_CollapseClients", "BM_ExpandClients", "the expansion", "1x");
    double expansion = 0, activation = 0, refresh = 0;
    Reporter.Time("BM_ExpandClients", expansion);
    if (Reporter.Time("BM_ActivateMiddleClient", activation))
        std::printf("activation %.1f ms: %.2fx the expansion (goal: at most 1.2x)\n", activation, activation / expansion);
    if (Reporter.Time("BM_RefreshClients", refresh))
        std::printf("refresh of the expanded node %.1f ms\n", refresh);
    for (const char* name : {"BM_FindKeystroke", "BM_FindNext", "BM_FindNothing", "BM_FindFirstKeystroke"}) {
        double find = 0;
        if (Reporter.Time(name, find))
            std::printf("%s %.2f ms (goal: at most 10 ms)\n", name, find);
    }
    double select = 0;
    if (Reporter.Time("BM_SelectNextClient", select))
        std::printf("selecting the next client as a click does, without a find: %.2f ms\n", select);
}

// Connects as DEMO through the main window, with the chooser confirmed at once.
bool Connect(mainform::TForm1& Form, TScriptedDialogHost& Dialogs)
{
    Dialogs.QueueModalAnswer([](TForm*) { return static_cast<int>(mrOk); });
    Application::PostMessage(Form.Handle(), mainform::WM_CONNECT);
    for (int round = 0; round < 100000 && Env::MessagePanel->Text() != Ready; ++round)
        QCoreApplication::processEvents();
    return Env::MessagePanel->Text() == Ready && Navigator()->TreeView1->Items()->RootCount() == 5;
}

// The ID and name of the client in the middle of the list.
std::pair<qint64, QString> MiddleClient(const DemoSetup::TSettings& Settings)
{
    const TBareConnection connection(Settings, QStringLiteral("middle"));
    QSqlQuery query(connection.Database());
    query.exec(ClientsQuery + QStringLiteral(" limit 1 offset %1").arg(Rows / 2));
    if (!query.next())
        return {0, QString()};
    return {query.value(0).toLongLong(), query.value(1).toString()};
}

void RegisterBenchmarks(const DemoSetup::TSettings& Settings, qint64 Middle, const QString& MiddleName)
{
    benchmark::RegisterBenchmark("BM_ExpandClients", Expansion)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_Floor", Floor, Settings)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_CollapseClients", Collapse)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_ActivateMiddleClient", Activation, Middle)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_RefreshClients", Refresh)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_FindKeystroke", FindKeystroke, MiddleName)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_FindNext", FindNextClient, MiddleName.left(3))->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_FindNothing", FindNothing)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_FindFirstKeystroke", FindFirstKeystroke)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_SelectNextClient", SelectNextClient)->Unit(benchmark::kMillisecond);
}

// Provisions the demo as Settings say, connects to it through the main window and runs the
// benchmarks there; false when it did not connect.
bool RunOn(const DemoSetup::TSettings& Settings, TScriptedDialogHost& Dialogs)
{
    std::printf("provisioning the demo with %d clients on %s...\n", Settings.Rows,
        Settings.Postgres.isEmpty() ? "SQLite" : "PostgreSQL");
    std::fflush(stdout);
    DemoSetup::Run(Settings);
    {
        // The connect is started by the benchmark, not by the window.
        TRegistry demo;
        demo.OpenKey(QStringLiteral("Software\\Velnor07\\DEMO"), false);
        demo.DeleteValue(QStringLiteral("AutoConnect"));
    }
    mainform::TForm1 form;
    LoginForm::LoginFrm = new LoginForm::TLoginFrm;
    ApplicationSystemChooseForm::ApplicationSystemChooseFrm = new ApplicationSystemChooseForm::TApplicationSystemChooseFrm;
    const bool connected = Connect(form, Dialogs);
    if (connected) {
        const auto [middle, middleName] = MiddleClient(Settings);
        RegisterBenchmarks(Settings, middle, middleName);
        BenchSupport::TTimeReporter reporter;
        benchmark::RunSpecifiedBenchmarks(&reporter);
        benchmark::ClearRegisteredBenchmarks();
        PrintRatios(reporter);
        PrintMemoryPerChild();
        form.DisconnectItemClick(nullptr);
    } else {
        std::fprintf(stderr, "the demo did not connect\n");
    }
    delete ApplicationSystemChooseForm::ApplicationSystemChooseFrm;
    ApplicationSystemChooseForm::ApplicationSystemChooseFrm = nullptr;
    delete LoginForm::LoginFrm;
    LoginForm::LoginFrm = nullptr;
    return connected;
}

// --rows N: the number of clients (a hundredth of it in the quick run).
void ReadRows(int Argc, char** Argv)
{
    for (int i = 1; i + 1 < Argc; ++i)
        if (std::strcmp(Argv[i], "--rows") == 0)
            Rows = BenchSupport::Scaled(std::atoi(Argv[i + 1]));
}

} // namespace

int main(int argc, char** argv)
{
    BenchSupport::TProgram program(argc, argv);
    ReadRows(argc, argv);
    TScriptedDialogHost dialogs;
    SetDialogHost(&dialogs);
    DemoSetup::TSettings settings;
    settings.Dir = program.Dir().path();
    settings.Rows = Rows;

    Velkit07::Initialize();
    OptionsForm::Initialize();
    bool connected = RunOn(settings, dialogs);
    settings.Postgres = qEnvironmentVariable("VELNOR_TEST_PG");
    if (!settings.Postgres.isEmpty())
        connected = RunOn(settings, dialogs) && connected;
    else
        std::printf("PostgreSQL passed over: no server in VELNOR_TEST_PG\n");
    OptionsForm::Finalize();
    Velkit07::Finalize();
    SetDialogHost(nullptr);
    return connected ? 0 : 1;
}
