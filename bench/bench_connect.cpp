// From window message 1110 to "Система готова к работе": the whole connect with the dialogs
// answered at once, on a SQLite database, once with no packages and once with fifty small
// packages listed in table modul. The difference, divided by fifty, is what one package
// adds to the connect: loading it (the system's mapping of the library included), its
// registration, its service going into the menu, and its status text being painted.
// A third application connects as EMPTY does with «Восстанавливать дерево при подключении» on
// and no tree stored: what the restoring costs a connect (goal: at most 10%).

#include "BenchShell.h"
#include "BenchSupport.h"
#include "Dialogs.h"
#include "Env.h"
#include "Registry.h"
#include "mainform.h"

#include <QApplication>
#include <QDir>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <stdexcept>

namespace {

const int PackageCount = 50;

void Exec(QSqlQuery& Query, const QString& Sql)
{
    if (!Query.exec(Sql))
        throw std::runtime_error(Query.lastError().text().toStdString());
}

// Users EMPTY (no modul rows, an empty package folder) and PACKAGES (fifty modul rows).
void CreateDatabase(const QString& FileName)
{
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench-setup"));
        database.setDatabaseName(FileName);
        database.open();
        QSqlQuery query(database);
        Exec(query, QStringLiteral("create table POLZOVATEL (ID integer primary key, NAZVANIE varchar(60))"));
        Exec(query, QStringLiteral("create table modul (ID integer primary key, STROKA varchar(60), POLZ_ID integer, ORDER_NO integer)"));
        Exec(query, QStringLiteral("create table CLASS (ID integer primary key, NAZVANIE varchar(60), STROKA varchar(60), TIP_CLASS_ID integer)"));
        Exec(query, QStringLiteral("create table NAVIGATSIA (ID integer primary key, CLASS_ID integer, CLASS_ID_POTOMOK integer, "
                                   "TIP_NAV_ID integer, PARAMETR varchar(200), CONTEXT varchar(60), POLZ_ID integer)"));
        Exec(query, QStringLiteral("insert into POLZOVATEL values (1, 'EMPTY'), (2, 'PACKAGES'), (3, 'RESTORE')"));
        for (int i = 1; i <= PackageCount; ++i)
            Exec(query, QStringLiteral("insert into modul values (%1, 'bench_pkg_%1.bpl', 2, %1)").arg(i));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bench-setup"));
}

void WriteRegistry(const QString& EmptyFolder)
{
    const QString root = QStringLiteral("Software\\Velnor07");
    const std::map<QString, QString> folders = {
        {QStringLiteral("EMPTY"), EmptyFolder},
        {QStringLiteral("PACKAGES"), QStringLiteral(VELNOR_BENCH_PACKAGE_DIR)},
        {QStringLiteral("RESTORE"), EmptyFolder},
    };
    for (const auto& [name, folder] : folders) {
        TRegistry key;
        key.OpenKey(root + QLatin1Char('\\') + name, true);
        key.WriteString(QStringLiteral("ApplicationTitle"), name);
        key.WriteString(QStringLiteral("Alias"), QStringLiteral("BENCH"));
        key.WriteString(QStringLiteral("PackagesPath"), folder);
        key.WriteInteger(QStringLiteral("ConnectNeeded"), 0);
    }
    TRegistry navigator;
    navigator.OpenKey(root + QStringLiteral("\\RESTORE\\TTestNavigator"), true);
    navigator.WriteInteger(QStringLiteral("RestoreTree"), 1);
}

void ChooseApplication(const QString& Name)
{
    TRegistry key;
    key.OpenKey(QStringLiteral("Software\\Velnor07"), true);
    key.WriteString(QStringLiteral("LastUser"), Name);
}

void Connect(benchmark::State& State, mainform::TForm1* Form, TScriptedDialogHost* Dialogs, const QString& Name)
{
    ChooseApplication(Name);
    const int packages = Name == QLatin1String("PACKAGES") ? PackageCount : 0;
    BenchShell::TimeConnects(State, Form, Dialogs, [packages] { return Env::Modules->Count() == packages; });
}

void PrintPerPackage(const BenchSupport::TTimeReporter& Reporter)
{
    double empty = 0;
    double full = 0;
    if (Reporter.Time("BM_ConnectWithoutPackages", empty) && Reporter.Time("BM_ConnectWithFiftyPackages", full))
        std::printf("per package: %.2f ms (connect without packages %.2f ms, with %d packages %.2f ms; goal under 10 ms)\n",
                    (full - empty) / PackageCount, empty, PackageCount, full);
    double restoring = 0;
    if (Reporter.Time("BM_ConnectRestoringNothingStored", restoring))
        std::printf("restoring on, nothing stored: %.2f ms against %.2f ms, %.3fx (goal: at most 1.1x)\n", restoring, empty,
            restoring / empty);
}

} // namespace

int main(int argc, char** argv)
{
    BenchSupport::TProgram program(argc, argv);
    const QTemporaryDir& dir = program.Dir();

    CreateDatabase(dir.filePath(QStringLiteral("bench.db")));
    {
        QFile aliases(dir.filePath(QStringLiteral("aliases.ini")));
        aliases.open(QIODevice::WriteOnly);
        aliases.write("[BENCH]\nDriver=SQLITE\nDatabase=bench.db\n");
    }
    QDir(dir.path()).mkdir(QStringLiteral("empty"));
    WriteRegistry(dir.filePath(QStringLiteral("empty")));

    {
        BenchShell::TShell shell;
        benchmark::RegisterBenchmark("BM_ConnectWithoutPackages", Connect, shell.Form(), shell.Dialogs(), QStringLiteral("EMPTY"))
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("BM_ConnectRestoringNothingStored", Connect, shell.Form(), shell.Dialogs(),
            QStringLiteral("RESTORE"))->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("BM_ConnectWithFiftyPackages", Connect, shell.Form(), shell.Dialogs(), QStringLiteral("PACKAGES"))
            ->Unit(benchmark::kMillisecond);
        BenchSupport::TTimeReporter reporter;
        benchmark::RunSpecifiedBenchmarks(&reporter);
        PrintPerPackage(reporter);
    }
    return 0;
}
