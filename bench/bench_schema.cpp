// The navigator's start on a wide schema: n registered entity classes, each in the schema of
// the user, linked in n/2 pairs (plus one link from "RootClass" to the first class, so one
// root comes up), in a SQLite file the benchmark makes. It times TTestNavigator::Initialize
// (the four schema queries, the schema lists and the look-ups in Env::ClassNames) for
// n = 10,000 and 40,000, against the floor of reading the same four queries with bare
// QSqlQuery. Goal: 40,000 classes in at most 2 s, growing linearly (about 4x) from 10,000.

#include "BenchSupport.h"
#include "DatabaseManager.h"
#include "Db.h"
#include "Dialogs.h"
#include "EClasses.h"
#include "Env.h"
#include "Exceptions.h"
#include "NavigatorManager.h"
#include "TestNav.h"
#include "TreeView.h"
#include "Velkit07.h"

#include <QFile>
#include <QSqlQuery>
#include <QTextStream>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

const int Sizes[] = {BenchSupport::Scaled(10000), BenchSupport::Scaled(40000)};

// The class the one root shows: its entities show one form, as a plug-in's do.
class TWideRoot : public EClasses::TEntityClass {
    VEL_DECLARE_CLASS(TWideRoot, EClasses::TEntityClass)
public:
    template <class... Arguments>
    explicit TWideRoot(Arguments... Values) : TEntityClass(Values...)
    {
        Form = Shown;
    }
    static inline EClasses::TNavigatorForm* Shown = nullptr;
};
VEL_IMPLEMENT_CLASS(TWideRoot)

// Class 1 is the root's, the others are made here.
QString ClassName(int Number)
{
    return Number == 1 ? TWideRoot::StaticClass()->ClassName() : QStringLiteral("TWide%1").arg(Number);
}

// An alias naming the SQLite file of a schema, added to the alias file.
void AddAlias(const QTemporaryDir& Dir, const QString& Alias, const QString& File)
{
    QFile aliases(Dir.filePath(QStringLiteral("aliases.ini")));
    if (!aliases.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
        throw Exception(aliases.errorString());
    QTextStream(&aliases) << '[' << Alias << "]\nDriver=SQLITE\nDatabase=" << File << '\n';
}

void Exec(QSqlQuery& Statement, const QString& SQL)
{
    if (!Statement.exec(SQL))
        throw Exception(SQL);
}

// Classes 1 .. n (1 is "RootClass"), links k: class 2k+1 -> 2k+2, all of user 1.
void ProvisionSchema(TDatabase& Database, int Classes)
{
    QSqlQuery statement = Database.NewStatement();
    Exec(statement, QStringLiteral("create table CLASS (ID integer primary key, NAZVANIE varchar(40), STROKA varchar(80), TIP_CLASS_ID integer)"));
    Exec(statement, QStringLiteral("create table NAVIGATSIA (ID integer primary key, CLASS_ID integer, CLASS_ID_POTOMOK integer, "
                                   "TIP_NAV_ID integer, PARAMETR varchar(80), CONTEXT varchar(40), POLZ_ID integer)"));
    Exec(statement, QStringLiteral("begin"));
    Exec(statement, QStringLiteral("insert into CLASS values (0, 'RootClass', 'Корень', 0)"));
    for (int i = 1; i <= Classes; ++i)
        Exec(statement, QStringLiteral("insert into CLASS values (%1, '%2', 'Класс %1', 1)").arg(i).arg(ClassName(i)));
    Exec(statement, QStringLiteral("insert into NAVIGATSIA values (0, 0, 1, 4, '', '_default', 1)"));
    for (int k = 0; k < Classes / 2; ++k)
        Exec(statement, QStringLiteral("insert into NAVIGATSIA values (%1, %2, %3, 4, '', '_default', 1)")
                            .arg(k + 1).arg(2 * k + 1).arg(2 * k + 2));
    Exec(statement, QStringLiteral("commit"));
}

// One schema database with its n registered classes, ready for the navigator to start on.
class TWideSchema {
public:
    TWideSchema(const QTemporaryDir& Dir, int Classes)
    {
        const QString file = Dir.filePath(QStringLiteral("schema-%1.sqlite").arg(Classes));
        if (!BenchSupport::CreateSQLiteFile(file))
            throw Exception(file);
        const QString alias = QStringLiteral("SCHEMA%1").arg(Classes);
        AddAlias(Dir, alias, file);
        FDatabase.SetDatabaseName(alias);
        FDatabase.SetAliasName(alias);
        FDatabase.SetLoginPrompt(false);
        FDatabase.Open();
        ProvisionSchema(FDatabase, Classes);
        for (int i = 2; i <= Classes; ++i) {
            FNames.push_back(ClassName(i).toLatin1());
            FClasses.push_back(std::make_unique<TMetaClass>(
                FNames.back().constData(), EClasses::TEntityClass::StaticClass(), std::type_identity<EClasses::TEntityClass>()));
        }
    }

    // The classes are registered and the database is the session's while the navigator runs.
    void Enter()
    {
        for (const TMetaClass* entityClass : Classes())
            Env::RegisterEntityClass(entityClass, nullptr);
        Env::Database = &FDatabase;
        DatabaseManager::RegisterDatabase(&FDatabase);
        Env::CurrentUserID = 1;
    }

    void Leave()
    {
        DatabaseManager::UnregisterDatabase(&FDatabase);
        Env::Database = nullptr;
        const std::vector<const TMetaClass*> classes = Classes();
        for (auto it = classes.rbegin(); it != classes.rend(); ++it)
            Env::UnregisterEntityClass(*it);
    }

    TDatabase& Database() { return FDatabase; }

private:
    std::vector<const TMetaClass*> Classes() const
    {
        std::vector<const TMetaClass*> classes{TWideRoot::StaticClass()};
        for (const auto& entityClass : FClasses)
            classes.push_back(entityClass.get());
        return classes;
    }

    TDatabase FDatabase;
    std::vector<QByteArray> FNames;
    std::vector<std::unique_ptr<TMetaClass>> FClasses;
};

void NavigatorStart(benchmark::State& State, TWideSchema* Schema, TScriptedDialogHost* Dialogs)
{
    Schema->Enter();
    TestNav::TTestNavigator* navigator = TestNav::TestNavigator;
    NavigatorManager::CurrentNavigator = navigator;
    for (auto _ : State) {
        navigator->Initialize();
        State.PauseTiming();
        const bool started = navigator->TreeView1->Items()->RootCount() == 1 && Dialogs->Messages().empty();
        navigator->Unplug();
        if (!started) {
            for (const QString& message : Dialogs->Messages())
                std::fprintf(stderr, "%s\n", qPrintable(message));
            State.SkipWithError("the navigator did not come up with its one root");
            break;
        }
        State.ResumeTiming();
    }
    NavigatorManager::CurrentNavigator = nullptr;
    Schema->Leave();
}

// The floor: the same four schema queries, read to their ends through bare QSqlQuery.
void BareSchemaQueries(benchmark::State& State, TWideSchema* Schema, TScriptedDialogHost*)
{
    const QString queries[] = {
        QStringLiteral("select DISTINCT c.ID, a.NAZVANIE PREDOK, b.NAZVANIE POTOMOK, C.TIP_NAV_ID, b.STROKA STROKA, "
                       "c.PARAMETR PARAMETR, c.Context CON from NAVIGATSIA c,CLASS a,CLASS b where a.ID=C.CLASS_ID and "
                       "b.ID=C.CLASS_ID_POTOMOK  and C.POLZ_ID=1 order by C.ID"),
        QStringLiteral("select  distinct a.ID, a.NAZVANIE  PREDOK, a.STROKA STROKA,  c.CONTEXT CON from NAVIGATSIA c, "
                       "CLASS a where a.ID=C.CLASS_ID and   C.POLZ_ID=1 order by a.ID"),
        QStringLiteral("select * from CLASS where ID in (select CLASS_ID from NAVIGATSIA where POLZ_ID=1) or  ID in "
                       "(select CLASS_ID_POTOMOK from NAVIGATSIA where POLZ_ID=1)"),
        QStringLiteral("select  distinct a.ID, a.NAZVANIE  POTOMOK, a.STROKA STROKA, c.Context CON from NAVIGATSIA c, "
                       "CLASS a where a.ID=C.CLASS_ID_POTOMOK and  C.POLZ_ID=1 order by a.ID"),
    };
    for (auto _ : State) {
        for (const QString& sql : queries) {
            QSqlQuery query = Schema->Database().NewStatement();
            query.setForwardOnly(true);
            if (!query.exec(sql))
                State.SkipWithError("a schema query failed");
            while (query.next())
                benchmark::DoNotOptimize(query.value(1).toString());
        }
    }
}

// Prints each figure as usual, then per size the start against the floor, and the growth.
class TSchemaReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& Reports) override
    {
        ConsoleReporter::ReportRuns(Reports);
        for (const Run& run : Reports)
            if (!run.error_occurred && (run.run_type == Run::RT_Iteration || run.aggregate_name == "mean"))
                FTimes[run.run_name.function_name][run.run_name.args] = run.GetAdjustedRealTime();
    }

    void PrintSummary() const
    {
        auto start = FTimes.find("BM_NavigatorStart");
        auto floor = FTimes.find("BM_BareSchemaQueries");
        if (start == FTimes.end() || floor == FTimes.end())
            return;
        for (int size : Sizes) {
            const std::string arg = std::to_string(size);
            if (start->second.count(arg) && floor->second.count(arg))
                std::printf("navigator start, %d classes: %.0f ms, %.1fx the bare schema queries\n", size,
                    start->second.at(arg), start->second.at(arg) / floor->second.at(arg));
        }
        const std::string small = std::to_string(Sizes[0]);
        const std::string large = std::to_string(Sizes[1]);
        if (start->second.count(small) && start->second.count(large))
            std::printf("navigator start grows %.1fx from %s to %s classes (linear: 4x; goal: at most 2 s at %s)\n",
                start->second.at(large) / start->second.at(small), small.c_str(), large.c_str(), large.c_str());
    }

private:
    std::map<std::string, std::map<std::string, double>> FTimes;
};

} // namespace

int main(int argc, char** argv)
{
    BenchSupport::TProgram program(argc, argv);
    TScriptedDialogHost dialogs;
    SetDialogHost(&dialogs);
    Velkit07::Initialize();
    auto rootForm = std::make_unique<EClasses::TNavigatorForm>();
    TWideRoot::Shown = rootForm.get();

    std::vector<std::unique_ptr<TWideSchema>> schemas;
    for (int size : Sizes)
        schemas.push_back(std::make_unique<TWideSchema>(program.Dir(), size));
    using TCase = void (*)(benchmark::State&, TWideSchema*, TScriptedDialogHost*);
    const std::pair<const char*, TCase> cases[] = {{"BM_NavigatorStart", NavigatorStart}, {"BM_BareSchemaQueries", BareSchemaQueries}};
    for (const auto& [name, function] : cases)
        for (size_t i = 0; i < schemas.size(); ++i)
            benchmark::RegisterBenchmark(name, function, schemas[i].get(), &dialogs)
                ->Arg(Sizes[i])
                ->Iterations(1)
                ->Repetitions(BenchSupport::QuickRun() ? 1 : 3)
                ->ReportAggregatesOnly(true)
                ->Unit(benchmark::kMillisecond);

    TSchemaReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintSummary();
    schemas.clear();
    TWideRoot::Shown = nullptr;
    rootForm.reset();
    Velkit07::Finalize();
    SetDialogHost(nullptr);
    return 0;
}
