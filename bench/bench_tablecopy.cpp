// Copying 100,000 rows (ID, NAZVANIE) on SQLite: NUCopyTables into a table that already holds
// the same 100,000 IDs (every record an update, each found by its key), against
// SimpleCopyTables of the same rows into an empty table (every record an append), in the
// same run. Prints the ratio at the end (goal: at most 2). The destination is put back
// between the runs outside the measured time.

#include "BenchSupport.h"
#include "DbTables.h"
#include "Dialogs.h"
#include "Exceptions.h"
#include "ExtendedCopy.h"
#include "NUtilities.h"

#include <QApplication>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

const int RowCount = BenchSupport::Scaled(100000);
const QString DatabaseName = QStringLiteral("BENCH_COPY");

void Exec(TDatabase& Database, const QString& SQL)
{
    QSqlQuery statement = Database.NewStatement();
    if (!statement.exec(SQL))
        throw EDatabaseError(statement.lastError().text());
}

QString Rows(const QString& Name)
{
    return QStringLiteral("with recursive c(x) as (select 1 union all select x + 1 from c where x < %1) "
                          "select x, '%2 ' || x from c").arg(RowCount).arg(Name);
}

void Fill(TDatabase& Database)
{
    Exec(Database, QStringLiteral("create table SRC (ID integer primary key, NAZVANIE varchar(100))"));
    Exec(Database, QStringLiteral("create table DEST (ID integer primary key, NAZVANIE varchar(100))"));
    Exec(Database, QStringLiteral("insert into SRC (ID, NAZVANIE) ") + Rows(QStringLiteral("Новое")));
}

using TCopy = bool (*)(TDataSet*, TDataSet*);

void Copy(benchmark::State& State, TDatabase* Database, TCopy Function, const QString& Reset)
{
    for (auto _ : State) {
        State.PauseTiming();
        Exec(*Database, QStringLiteral("delete from DEST"));
        if (!Reset.isEmpty())
            Exec(*Database, QStringLiteral("insert into DEST (ID, NAZVANIE) ") + Reset);
        TQuery source;
        source.SetDatabaseName(DatabaseName);
        source.SQL()->Add(QStringLiteral("select ID, NAZVANIE from SRC order by ID"));
        TTable destination;
        destination.SetDatabaseName(DatabaseName);
        destination.SetTableName(QStringLiteral("DEST"));
        State.ResumeTiming();
        if (!Function(&source, &destination))
            State.SkipWithError("the copy failed");
    }
    QSqlQuery check = Database->NewStatement();
    check.exec(QStringLiteral("select count(*), min(NAZVANIE) from DEST"));
    if (!check.next() || check.value(0).toInt() != RowCount || !check.value(1).toString().startsWith(QStringLiteral("Новое")))
        State.SkipWithError("the destination does not hold the source's rows");
}

void MergeIntoFullTable(benchmark::State& State, TDatabase* Database)
{
    Copy(State, Database, NUtilities::NUCopyTables, Rows(QStringLiteral("Старое")));
}

void AppendIntoEmptyTable(benchmark::State& State, TDatabase* Database)
{
    Copy(State, Database, ExtendedCopy::SimpleCopyTables, QString());
}

} // namespace

int main(int argc, char** argv)
{
    BenchSupport::TProgram program(argc, argv);
    const QTemporaryDir& dir = program.Dir();
    QFile aliases(dir.filePath(QStringLiteral("aliases.ini")));
    if (!aliases.open(QIODevice::WriteOnly))
        return 1;
    const QString file = dir.filePath(QStringLiteral("copy.sqlite"));
    aliases.write(QStringLiteral("[%1]\nDriver=SQLITE\nDatabase=%2\n").arg(DatabaseName, file).toUtf8());
    aliases.close();
    if (!BenchSupport::CreateSQLiteFile(file))
        return 1;

    // A failure would be shown in a message box: the bench has nobody to press its button.
    TScriptedDialogHost host;
    SetDialogHost(&host);
    TDatabase database;
    database.SetDatabaseName(DatabaseName);
    database.Open();
    Fill(database);
    benchmark::RegisterBenchmark("BM_SimpleCopyTablesIntoEmpty", AppendIntoEmptyTable, &database)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_NUCopyTablesAllUpdates", MergeIntoFullTable, &database)->Unit(benchmark::kMillisecond);

    BenchSupport::TTimeReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    double merge = 0;
    double append = 0;
    if (reporter.Time("BM_NUCopyTablesAllUpdates", merge) && reporter.Time("BM_SimpleCopyTablesIntoEmpty", append))
        std::printf("NUCopyTables (100,000 updates) / SimpleCopyTables (100,000 appends) = %.2f (goal <= 2)\n", merge / append);
    for (const QString& message : host.Messages())
        std::printf("message: %s\n", qPrintable(message));
    SetDialogHost(nullptr);
    database.Close();
    return 0;
}
