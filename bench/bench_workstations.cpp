// Many workstations on one PostgreSQL server. The demo is provisioned there (--rows, default
// 100,000 clients); then for each count of workstations (--workstations, default 1,4,16,32)
// that many processes of this program run at once, each a headless workstation that works
// through its scripted hour --rounds times:
//   connect, expand «Клиенты», find and select a client, edit its city and save it, open one
//   of its orders with its lines, export the lines, activate the order's client, disconnect.
// Every fifth round all workstations edit the same client, on purpose: those saves may meet
// each other's changes, and each such conflict must be detected (the record-changed message).
// Reported per count: each action's median and 99th percentile latency, actions per second
// in all, saves that overwrote another's unseen (two saves that went through from the same
// city read), SQL statements per action (from the server log, when --server-log names it: the
// log gets log_statement=all and the application name, which each workstation sets to the
// action it runs), saves failed and conflicts detected; then each action's median at 16 (or
// the largest count) against its median at one workstation (goal: at most 2x). When the
// server runs on this machine, the processor time it used in each run is reported beside the
// workstations' own. --think MS makes each clerk pause about that long after every action
// (between half and one and a half times it), the way a person reads the screen.
//
//   bench_workstations --postgres "host=... port=... dbname=... user=..." [--server-log FILE] [--think MS]
// (without --postgres, VELNOR_TEST_PG is used).

#include "Application.h"
#include "BenchShell.h"
#include "BenchSupport.h"
#include "DemoRecords.h"
#include "DemoSetup.h"
#include "Dialogs.h"
#include "EClasses.h"
#include "Env.h"
#include "Registry.h"
#include "StatusBar.h"
#include "TestNav.h"
#include "TreeView.h"
#include "mainform.h"

#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <map>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

const QString Ready = QStringLiteral("Система готова к работе");
const QString RecordChanged = QStringLiteral("Запись не найдена: она изменена или удалена другим пользователем");
const QStringList Actions = {QStringLiteral("connect"), QStringLiteral("expand"), QStringLiteral("select"),
    QStringLiteral("save"), QStringLiteral("order"), QStringLiteral("export"), QStringLiteral("client"),
    QStringLiteral("disconnect")};

// ---------------------------------------------------------------------------------------
// One workstation

TestNav::TTestNavigator* Navigator()
{
    return TestNav::TestNavigator;
}

TTreeNode* ClientsRoot()
{
    return Navigator()->TreeView1->Items()->Root(0);
}

EClasses::TEntityInstance* Shown()
{
    return dynamic_cast<EClasses::TEntityInstance*>(Env::CurrentObject);
}

TButton* ButtonOf(QWidget* Form, const QString& Caption)
{
    for (TButton* button : Form->findChildren<TButton*>())
        if (button->Caption() == Caption)
            return button;
    return nullptr;
}

// Names the action on the server, so that the log tells which action ran each statement.
void NameAction(const QString& Action)
{
    if (Env::Database && Env::Database->Connected())
        QSqlQuery(Env::Database->Connection()).exec(QStringLiteral("set application_name = 'act:%1'").arg(Action));
}

// The clients that have orders, read once through a connection of the driver's own.
std::vector<qint64> ClientsWithOrders()
{
    std::vector<qint64> clients;
    TDatabase database;
    database.SetDatabaseName(DemoSetup::AliasName);
    database.SetLoginPrompt(false);
    database.Open();
    QSqlQuery query = database.NewStatement();
    query.exec(QStringLiteral("select distinct KLIENT_ID from ZAKAZY where ID % 50 = 0 order by 1"));
    while (query.next())
        clients.push_back(query.value(0).toLongLong());
    return clients;
}

qint64 ProcessorMicroseconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<qint64>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

TTreeNode* ChildWithID(TTreeNode* Parent, qint64 ID)
{
    for (int i = 0; i < Parent->Count(); ++i)
        if (auto* instance = Parent->Item(i)->DataAs<EClasses::TEntityInstance>(); instance && instance->ID == ID)
            return Parent->Item(i);
    return nullptr;
}

class TWorkstation {
public:
    TWorkstation(int Index, int ThinkMs, QTextStream& Out) : FThinkMs(ThinkMs), FRandom(static_cast<quint32>(Index) + 1), FOut(Out) {}

    void RunRound(int Round, qint64 Client)
    {
        FClient = Client;
        FRound = Round;
        if (!Timed(QStringLiteral("connect"), [this] { return Connect(); }))
            return;
        // The connect has activated every root, which reads its children; the clients are let
        // go first, so that the expansion timed reads them again as a clerk's would.
        Navigator()->NodeCollapsing(ClientsRoot());
        QCoreApplication::processEvents();
        bool going = Timed(QStringLiteral("expand"), [] {
            ClientsRoot()->Expand(false);
            return ClientsRoot()->Count() > 0;
        });
        going = going && Timed(QStringLiteral("select"), [this] { return SelectClient(); });
        going = going && Timed(QStringLiteral("save"), [this] { return SaveClient(); });
        going = going && Timed(QStringLiteral("order"), [this] { return OpenOrder(); });
        going = going && Timed(QStringLiteral("export"), [this] { return ExportLines(); });
        going = going && Timed(QStringLiteral("client"), [this] { return ActivateClient(); });
        Timed(QStringLiteral("disconnect"), [this] {
            FShell.Form()->DisconnectItemClick(nullptr);
            return Navigator() == nullptr || Navigator()->TreeView1->Items()->Count() == 0;
        });
    }

    // The clerk reads the screen before the next action; the program keeps serving events.
    void Think()
    {
        if (FThinkMs <= 0)
            return;
        QEventLoop pause;
        QTimer::singleShot(FThinkMs / 2 + static_cast<int>(FRandom.bounded(static_cast<quint32>(FThinkMs) + 1)), &pause, &QEventLoop::quit);
        pause.exec();
    }

private:
    // Runs the action, writes "action microseconds cpu-microseconds" or "fail action"; false
    // when it failed. The processor time is this process's own: what the workstation spends
    // itself, apart from waiting for the server or for a processor.
    bool Timed(const QString& Action, const std::function<bool()>& Run)
    {
        NameAction(Action);
        const qint64 cpu = ProcessorMicroseconds();
        QElapsedTimer timer;
        timer.start();
        const bool done = Run();
        const qint64 micros = timer.nsecsElapsed() / 1000;
        if (done)
            FOut << Action << ' ' << micros << ' ' << ProcessorMicroseconds() - cpu << '\n';
        else
            FOut << "fail " << Action << '\n';
        FOut.flush();
        Think();
        return done;
    }

    bool Connect()
    {
        FDialogs.Reset();
        FDialogs.QueueModalAnswer([](TForm*) { return static_cast<int>(mrOk); });
        Application::PostMessage(FShell.Form()->Handle(), mainform::WM_CONNECT);
        for (int round = 0; round < 1000000 && Env::MessagePanel->Text() != Ready; ++round)
            QCoreApplication::processEvents();
        return Env::MessagePanel->Text() == Ready && Navigator()->TreeView1->Items()->RootCount() == 5;
    }

    bool SelectClient()
    {
        TTreeNode* node = ChildWithID(ClientsRoot(), FClient);
        if (!node)
            return false;
        Navigator()->TreeView1->SetSelected(node);
        return Shown() && Shown()->ID == FClient;
    }

    // A saved city, or a conflict detected; anything else is a failed save.
    bool SaveClient()
    {
        auto* form = static_cast<DemoRecords::TRecordForm*>(Shown()->Form);
        // A city no earlier run has written, so that every save writes.
        const QString read = form->EditOf(QStringLiteral("GOROD"))->Text();
        const QString written = QStringLiteral("Город %1-%2").arg(QCoreApplication::applicationPid()).arg(FRound);
        form->EditOf(QStringLiteral("GOROD"))->SetText(written);
        const size_t messages = FDialogs.Messages().size();
        ButtonOf(form, QStringLiteral("Сохранить"))->Click();
        if (!Shown()->Modified) {
            FOut << "saved\t" << FClient << '\t' << read << '\t' << written << '\n';
            return true;
        }
        const auto shown = FDialogs.Messages();
        const bool detected = shown.size() > messages && shown.back() == RecordChanged;
        FOut << (detected ? "conflict\n" : "failedsave\n");
        Shown()->Modified = false;
        return detected;
    }

    bool OpenOrder()
    {
        TTreeNode* client = Navigator()->TreeView1->Selected();
        client->Expand(false);
        TTreeNode* orders = client->Count() > 0 ? client->Item(0) : nullptr;
        if (!orders)
            return false;
        orders->Expand(false);
        if (orders->Count() == 0)
            return false;
        Navigator()->TreeView1->SetSelected(orders->Item(0));
        FOrderForm = Shown() ? Shown()->Form : nullptr;
        return FOrderForm && Shown()->ClassName() == QStringLiteral("TOrderInstance");
    }

    bool ExportLines()
    {
        const size_t messages = FDialogs.Messages().size();
        ButtonOf(FOrderForm, QStringLiteral("Выгрузить в Excel"))->Click();
        const auto shown = FDialogs.Messages();
        return shown.size() > messages && shown.back().startsWith(QStringLiteral("Файл сохранён: "));
    }

    bool ActivateClient()
    {
        ButtonOf(FOrderForm, QStringLiteral("Клиент заказа"))->Click();
        return Shown() && Shown()->ID == FClient && Shown()->ClassName() == QStringLiteral("TClientInstance");
    }

    int FThinkMs;
    QRandomGenerator FRandom;
    QTextStream& FOut;
    BenchShell::TShell FShell;
    TScriptedDialogHost& FDialogs = *FShell.Dialogs();
    qint64 FClient = 0;
    int FRound = 0;
    QWidget* FOrderForm = nullptr;
};

int RunWorkstation(int Index, int Rounds, int ThinkMs, const QString& OutFile)
{
    QFile file(OutFile);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        return 1;
    QTextStream out(&file);
    const std::vector<qint64> clients = ClientsWithOrders();
    if (clients.empty())
        return 1;
    TWorkstation workstation(Index, ThinkMs, out);
    workstation.Think(); // clerks do not all sit down at the same moment
    for (int round = 0; round < Rounds; ++round) {
        const bool together = round % 5 == 4;
        const size_t pick = together ? 0 : (static_cast<size_t>(Index) * 7919 + static_cast<size_t>(round) * 104729) % clients.size();
        workstation.RunRound(round, clients[pick]);
    }
    return 0;
}

// ---------------------------------------------------------------------------------------
// The conductor

struct TRunFigures {
    std::map<QString, std::vector<double>> Latencies;   // ms per action
    std::map<QString, std::vector<double>> Processor;   // ms of the workstation's own processor time
    std::map<QString, qint64> Statements;               // per action, all workstations
    int Failures = 0;
    int FailedSaves = 0;
    int Conflicts = 0;
    // Saves that went through, by (client, city read): each save goes on from the one before
    // it, so two that went through from the same city mean one overwrote the other unseen.
    std::map<std::pair<qint64, QString>, int> SavesFrom;
    int LostUpdates = 0;
    double Seconds = 0;
    double ServerSeconds = -1;  // processor time of the server; negative when not measured
};

double Percentile(std::vector<double> Values, double Share)
{
    if (Values.empty())
        return 0;
    std::sort(Values.begin(), Values.end());
    const size_t index = std::min(Values.size() - 1, static_cast<size_t>(Share * static_cast<double>(Values.size() - 1) + 0.5));
    return Values[index];
}

std::vector<double> ValuesOf(const std::map<QString, std::vector<double>>& Figures, const QString& Action)
{
    const auto found = Figures.find(Action);
    return found == Figures.end() ? std::vector<double>() : found->second;
}

void ReadWorkstationFile(const QString& Name, TRunFigures& Figures)
{
    QFile file(Name);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return;
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QString line = in.readLine();
        if (const QStringList saved = line.split(QLatin1Char('\t')); saved.size() == 4 && saved[0] == QLatin1String("saved")) {
            if (Figures.SavesFrom[{saved[1].toLongLong(), saved[2]}]++ > 0)
                ++Figures.LostUpdates;
            continue;
        }
        const QStringList parts = line.split(QLatin1Char(' '));
        if (parts[0] == QLatin1String("fail"))
            ++Figures.Failures;
        else if (parts[0] == QLatin1String("conflict"))
            ++Figures.Conflicts;
        else if (parts[0] == QLatin1String("failedsave"))
            ++Figures.FailedSaves;
        else if (parts.size() == 3) {
            Figures.Latencies[parts[0]].push_back(parts[1].toDouble() / 1000.0);
            Figures.Processor[parts[0]].push_back(parts[2].toDouble() / 1000.0);
        }
    }
}

// Statements the server logged since Offset, by the action named in the application name;
// statements of a connection not yet named belong to the connect.
void CountStatements(const QString& Log, qint64 Offset, TRunFigures& Figures)
{
    QFile file(Log);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text) || !file.seek(Offset))
        return;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine());
        const qsizetype bar = line.indexOf(QLatin1Char('|'));
        if (bar < 0 || !line.contains(QLatin1String("LOG:  statement: ")) || line.contains(QLatin1String("set application_name")))
            continue;
        const QString name = line.left(bar);
        if (name.startsWith(QLatin1String("act:")))
            ++Figures.Statements[name.mid(4)];
        else if (name.isEmpty() || name == QLatin1String("[unknown]"))
            ++Figures.Statements[QStringLiteral("connect")];
    }
}

// The fields of /proc/PID/stat after the command name, which may hold spaces.
QStringList ProcessFields(const QString& Pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(Pid));
    if (!stat.open(QIODevice::ReadOnly))
        return {};
    const QString text = QString::fromLatin1(stat.readAll());
    return text.mid(text.lastIndexOf(QLatin1Char(')')) + 2).split(QLatin1Char(' '));
}

// Processor seconds the server has used: the postmaster's own, its ended children's (backends
// are reaped into it) and its live children's (background processes, open backends).
double ServerProcessorSeconds(const QString& Postmaster)
{
    // After the name: state, ppid, ... utime at 11, stime 12, cutime 13, cstime 14.
    const auto ticks = [](const QStringList& Fields, int From, int To) {
        qint64 sum = 0;
        for (int i = From; i <= To && i < Fields.size(); ++i)
            sum += Fields[i].toLongLong();
        return sum;
    };
    qint64 total = ticks(ProcessFields(Postmaster), 11, 14);
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        if (const QStringList fields = ProcessFields(pid); fields.size() > 14 && fields[1] == Postmaster)
            total += ticks(fields, 11, 12);
    return static_cast<double>(total) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

qint64 FileSize(const QString& Name)
{
    return Name.isEmpty() ? 0 : QFileInfo(Name).size();
}

struct TRunSettings {
    int Rounds = 0;
    int ThinkMs = 0;
    QString Dir;
    QString ServerLog;
    QString Postmaster;  // the server's process, when it runs on this machine
};

TRunFigures RunWorkstations(int Count, const TRunSettings& Settings)
{
    TRunFigures figures;
    const qint64 logOffset = FileSize(Settings.ServerLog);
    const double serverBefore = Settings.Postmaster.isEmpty() ? 0 : ServerProcessorSeconds(Settings.Postmaster);
    std::vector<std::unique_ptr<QProcess>> processes;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < Count; ++i) {
        auto process = std::make_unique<QProcess>();
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->start(QCoreApplication::applicationFilePath(),
            {QStringLiteral("--workstation"), QString::number(i), QStringLiteral("--rounds"), QString::number(Settings.Rounds),
                QStringLiteral("--think"), QString::number(Settings.ThinkMs), QStringLiteral("--out"),
                QStringLiteral("%1/ws-%2-%3.txt").arg(Settings.Dir).arg(Count).arg(i)});
        processes.push_back(std::move(process));
    }
    for (auto& process : processes)
        if (!process->waitForFinished(-1) || process->exitCode() != 0)
            ++figures.Failures;
    figures.Seconds = static_cast<double>(timer.elapsed()) / 1000.0;
    if (!Settings.Postmaster.isEmpty())
        figures.ServerSeconds = ServerProcessorSeconds(Settings.Postmaster) - serverBefore;
    for (int i = 0; i < Count; ++i)
        ReadWorkstationFile(QStringLiteral("%1/ws-%2-%3.txt").arg(Settings.Dir).arg(Count).arg(i), figures);
    if (!Settings.ServerLog.isEmpty())
        CountStatements(Settings.ServerLog, logOffset, figures);
    return figures;
}

void PrintFigures(int Count, const TRunFigures& Figures, bool WithStatements)
{
    size_t actions = 0;
    double ownSeconds = 0;
    std::printf("\n%d workstation(s): %.1f s\n", Count, Figures.Seconds);
    std::printf("  %-11s %7s %10s %10s %12s %12s\n", "action", "count", "median ms", "p99 ms", "statements", "own cpu ms");
    for (const QString& action : Actions) {
        const std::vector<double> values = ValuesOf(Figures.Latencies, action);
        actions += values.size();
        for (double ms : ValuesOf(Figures.Processor, action))
            ownSeconds += ms / 1000.0;
        const auto statements = Figures.Statements.find(action);
        const double perAction = statements == Figures.Statements.end() || values.empty()
            ? 0 : static_cast<double>(statements->second) / static_cast<double>(values.size());
        std::printf("  %-11s %7zu %10.1f %10.1f %12s %12.1f\n", qPrintable(action), values.size(), Percentile(values, 0.5),
            Percentile(values, 0.99), WithStatements ? qPrintable(QString::number(perAction, 'f', 1)) : "-",
            Percentile(ValuesOf(Figures.Processor, action), 0.5));
    }
    std::printf("  actions per second in all: %.2f; failed actions: %d; failed saves: %d; conflicts detected: %d; "
                "saves that overwrote another unseen: %d\n",
        static_cast<double>(actions) / Figures.Seconds, Figures.Failures, Figures.FailedSaves, Figures.Conflicts,
        Figures.LostUpdates);
    const double machine = Figures.Seconds * static_cast<double>(std::thread::hardware_concurrency());
    if (Figures.ServerSeconds < 0)
        std::printf("  processor: workstations %.1f s (%.0f%% of the machine); the server's not measured (not on this machine)\n",
            ownSeconds, 100.0 * ownSeconds / machine);
    else
        std::printf("  processor: server %.1f s (%.0f%% of the machine), workstations %.1f s (%.0f%%); "
                    "the server's share of the processor time used: %.0f%%\n",
            Figures.ServerSeconds, 100.0 * Figures.ServerSeconds / machine, ownSeconds, 100.0 * ownSeconds / machine,
            100.0 * Figures.ServerSeconds / (Figures.ServerSeconds + ownSeconds));
}

void PrintScaling(const std::map<int, TRunFigures>& Runs)
{
    if (Runs.size() < 2 || Runs.begin()->first != 1)
        return;
    const auto compared = Runs.count(16) ? Runs.find(16) : std::prev(Runs.end());
    std::printf("\nmedian latency at %d workstations against one (goal at 16: at most 2x)\n", compared->first);
    for (const QString& action : Actions) {
        const std::vector<double> one = ValuesOf(Runs.begin()->second.Latencies, action);
        const std::vector<double> many = ValuesOf(compared->second.Latencies, action);
        if (one.empty() || many.empty())
            continue;
        const double base = Percentile(one, 0.5);
        const double scaled = Percentile(many, 0.5);
        std::printf("  %-11s %8.1f ms against %8.1f ms: %.2fx\n", qPrintable(action), scaled, base, scaled / base);
    }
}

// Runs Work on a connection of the conductor's own to the server, when it opens.
void WithServer(const QString& Postgres, const std::function<void(QSqlQuery&)>& Work)
{
    const DemoSetup::TPostgresTarget target = DemoSetup::ParsePostgres(Postgres);
    {
        QSqlDatabase admin = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("bench-admin"));
        admin.setHostName(target.Host);
        admin.setPort(target.Port.toInt());
        admin.setDatabaseName(target.Database);
        admin.setConnectOptions(target.Options);
        if (admin.open()) {
            QSqlQuery query(admin);
            Work(query);
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bench-admin"));
}

// Statements to the server log, each with the application name in front.
void LogStatements(const QString& Postgres)
{
    WithServer(Postgres, [](QSqlQuery& Query) {
        for (const char* statement : {"alter system set log_statement = 'all'", "alter system set log_line_prefix = '%a|'",
                 "select pg_reload_conf()"})
            if (!Query.exec(QString::fromLatin1(statement)))
                std::fprintf(stderr, "%s: %s\n", statement, qPrintable(Query.lastError().text()));
    });
}

// The server's main process, from its data directory's pid file; empty when the server is
// not on this machine (or this user may not read that file).
QString Postmaster(const QString& Postgres)
{
    QString pid;
    WithServer(Postgres, [&pid](QSqlQuery& Query) {
        if (!Query.exec(QStringLiteral("show data_directory")) || !Query.next())
            return;
        QFile file(Query.value(0).toString() + QStringLiteral("/postmaster.pid"));
        if (file.open(QIODevice::ReadOnly | QIODevice::Text))
            pid = QString::fromLatin1(file.readLine()).trimmed();
    });
    return !pid.isEmpty() && QFileInfo::exists(QStringLiteral("/proc/") + pid) ? pid : QString();
}

int Conduct(const QCommandLineParser& Parser, const QString& Dir)
{
    const QString postgres = Parser.value(QStringLiteral("postgres")).isEmpty() ? qEnvironmentVariable("VELNOR_TEST_PG")
                                                                               : Parser.value(QStringLiteral("postgres"));
    if (postgres.isEmpty()) {
        std::fprintf(stderr, "no PostgreSQL server: give --postgres or VELNOR_TEST_PG\n");
        return 1;
    }
    DemoSetup::TSettings settings;
    settings.Dir = Dir;
    settings.Rows = Parser.value(QStringLiteral("rows")).toInt();
    settings.Postgres = postgres;
    std::printf("provisioning the demo with %d clients on PostgreSQL...\n", settings.Rows);
    std::fflush(stdout);
    DemoSetup::Run(settings);
    {
        TRegistry demo;
        demo.OpenKey(QStringLiteral("Software\\Velnor07\\DEMO"), false);
        demo.DeleteValue(QStringLiteral("AutoConnect"));
    }
    TRunSettings run;
    run.Rounds = Parser.value(QStringLiteral("rounds")).toInt();
    run.ThinkMs = Parser.value(QStringLiteral("think")).toInt();
    run.Dir = Dir;
    run.ServerLog = Parser.value(QStringLiteral("server-log"));
    run.Postmaster = Postmaster(postgres);
    if (!run.ServerLog.isEmpty())
        LogStatements(postgres);
    std::map<int, TRunFigures> runs;
    for (const QString& count : Parser.value(QStringLiteral("workstations")).split(QLatin1Char(','))) {
        const int workstations = count.toInt();
        runs[workstations] = RunWorkstations(workstations, run);
        PrintFigures(workstations, runs[workstations], !run.ServerLog.isEmpty());
        std::fflush(stdout);
    }
    PrintScaling(runs);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCommandLineParser parser;
    parser.addOptions({{QStringLiteral("postgres"), QStringLiteral("libpq connection string"), QStringLiteral("text")},
        {QStringLiteral("server-log"), QStringLiteral("the server's log file"), QStringLiteral("file")},
        {QStringLiteral("rows"), QStringLiteral("clients"), QStringLiteral("n"), QStringLiteral("100000")},
        {QStringLiteral("workstations"), QStringLiteral("counts"), QStringLiteral("list"), QStringLiteral("1,4,16,32")},
        {QStringLiteral("rounds"), QStringLiteral("rounds per workstation"), QStringLiteral("n"), QStringLiteral("5")},
        {QStringLiteral("think"), QStringLiteral("a clerk's pause after each action"), QStringLiteral("ms"), QStringLiteral("0")},
        {QStringLiteral("workstation"), QStringLiteral("run as workstation n"), QStringLiteral("n")},
        {QStringLiteral("out"), QStringLiteral("the workstation's figures"), QStringLiteral("file")}});
    if (qEnvironmentVariableIsSet("VELNOR_WORKSTATION_ENV")) {
        // A workstation: the conductor's private environment, inherited, is the one to use.
        QApplication application(argc, argv);
        parser.process(application);
        return RunWorkstation(parser.value(QStringLiteral("workstation")).toInt(), parser.value(QStringLiteral("rounds")).toInt(),
            parser.value(QStringLiteral("think")).toInt(), parser.value(QStringLiteral("out")));
    }
    BenchSupport::TProgram program(argc, argv);
    parser.process(*QCoreApplication::instance());
    qputenv("VELNOR_WORKSTATION_ENV", "1");
    return Conduct(parser, program.Dir().path());
}
