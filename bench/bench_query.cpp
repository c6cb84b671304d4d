// Reading 100,000 rows (ID, NAZVANIE): a TQuery opened and read row by row through its
// fields, against a bare forward-only QSqlQuery reading the same rows, in the same run.
// SQLite always; PostgreSQL too when VELNOR_TEST_PG names a server. Prints the ratio of the
// two per backend at the end (goal: at most 1.5).

#include "BenchSupport.h"
#include "DbTables.h"
#include "Exceptions.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>

namespace {

const int RowCount = BenchSupport::Scaled(100000);
const QString SelectText = QStringLiteral("select ID, NAZVANIE from T order by NAZVANIE");

std::map<QString, QString> PostgresParts()
{
    std::map<QString, QString> parts;
    for (const QString& part : qEnvironmentVariable("VELNOR_TEST_PG").split(QLatin1Char(' '), Qt::SkipEmptyParts))
        parts[part.section(QLatin1Char('='), 0, 0)] = part.section(QLatin1Char('='), 1);
    return parts;
}

void WriteAliases(const QString& FileName, const QString& SQLiteFile, const QString& Schema)
{
    QFile file(FileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        throw EInOutError(file.errorString());
    QTextStream out(&file);
    out << "[BENCH_SQLITE]\nDriver=SQLITE\nDatabase=" << SQLiteFile << "\n";
    if (Schema.isEmpty())
        return;
    auto parts = PostgresParts();
    out << "[BENCH_PG]\nDriver=POSTGRESQL\nDatabase=" << parts[QStringLiteral("dbname")] << "\nHost="
        << parts[QStringLiteral("host")] << "\nPort=" << parts[QStringLiteral("port")] << "\nOptions=user="
        << parts[QStringLiteral("user")] << ";options=-csearch_path=" << Schema << "\n";
}

void Exec(TDatabase& Database, const QString& SQL)
{
    QSqlQuery statement = Database.NewStatement();
    if (!statement.exec(SQL))
        throw EDatabaseError(statement.lastError().text());
}

void Fill(TDatabase& Database, const QString& Schema)
{
    if (!Schema.isEmpty())
        Exec(Database, QStringLiteral("set client_min_messages = warning; drop schema if exists %1 cascade; create schema %1; set search_path = %1").arg(Schema));
    Exec(Database, QStringLiteral("create table T (ID integer primary key, NAZVANIE varchar(100))"));
    Exec(Database, QStringLiteral("insert into T (ID, NAZVANIE) with recursive c(x) as (select 1 union all select x + 1 from c where x < %1) "
                                  "select x, 'Объект номер ' || ((x * 7919) % %1) from c").arg(RowCount));
}

void BareQSqlQuery(benchmark::State& State, TDatabase* Database)
{
    for (auto _ : State) {
        QSqlQuery query(Database->Connection());
        query.setForwardOnly(true);
        if (!query.exec(SelectText))
            State.SkipWithError(query.lastError().text().toStdString().c_str());
        qint64 rows = 0;
        while (query.next()) {
            benchmark::DoNotOptimize(query.value(0).toLongLong());
            benchmark::DoNotOptimize(query.value(1).toString());
            ++rows;
        }
        if (rows != RowCount)
            State.SkipWithError("wrong row count");
    }
}

void TQueryOpenAndRead(benchmark::State& State, TDatabase* Database)
{
    for (auto _ : State) {
        TQuery query;
        query.SetDatabaseName(Database->DatabaseName());
        query.SQL()->SetText(SelectText);
        query.Open();
        qint64 rows = 0;
        for (; !query.Eof(); query.Next()) {
            benchmark::DoNotOptimize(query.FieldByName(QStringLiteral("ID"))->AsLargeInt());
            benchmark::DoNotOptimize(query.FieldByName(QStringLiteral("NAZVANIE"))->AsString());
            ++rows;
        }
        if (rows != RowCount)
            State.SkipWithError("wrong row count");
    }
}

void PrintRatio(const BenchSupport::TTimeReporter& Reporter, const std::string& Backend)
{
    double bare = 0;
    double ours = 0;
    if (Reporter.Time("BM_BareQSqlQuery/" + Backend, bare) && Reporter.Time("BM_TQueryOpenAndRead/" + Backend, ours))
        std::printf("%s: TQuery open and read / bare QSqlQuery = %.2f (goal <= 1.5)\n", Backend.c_str(), ours / bare);
}

struct TBackendDatabase {
    std::string Name;
    std::unique_ptr<TDatabase> Database;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    QTemporaryDir dir;
    const QString schema = qEnvironmentVariableIsEmpty("VELNOR_TEST_PG")
        ? QString()
        : QStringLiteral("velnor_bench_%1").arg(QCoreApplication::applicationPid());
    const QString aliases = dir.filePath(QStringLiteral("aliases.ini"));
    qputenv("VELNOR_ALIASES", aliases.toUtf8());
    const QString file = dir.filePath(QStringLiteral("bench.sqlite"));
    WriteAliases(aliases, file, schema);
    if (!BenchSupport::CreateSQLiteFile(file))
        return 1;

    std::vector<TBackendDatabase> backends;
    backends.push_back({"SQLite", std::make_unique<TDatabase>()});
    backends.back().Database->SetDatabaseName(QStringLiteral("BENCH_SQLITE"));
    if (!schema.isEmpty()) {
        backends.push_back({"PostgreSQL", std::make_unique<TDatabase>()});
        backends.back().Database->SetDatabaseName(QStringLiteral("BENCH_PG"));
    }
    for (TBackendDatabase& backend : backends) {
        backend.Database->Open();
        Fill(*backend.Database, backend.Name == "PostgreSQL" ? schema : QString());
        benchmark::RegisterBenchmark(("BM_BareQSqlQuery/" + backend.Name).c_str(), BareQSqlQuery, backend.Database.get())
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("BM_TQueryOpenAndRead/" + backend.Name).c_str(), TQueryOpenAndRead, backend.Database.get())
            ->Unit(benchmark::kMillisecond);
    }

    BenchSupport::TTimeReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const TBackendDatabase& backend : backends)
        PrintRatio(reporter, backend.Name);

    if (!schema.isEmpty())
        Exec(*backends.back().Database, QStringLiteral("drop schema %1 cascade").arg(schema));
    backends.clear();
    benchmark::Shutdown();
    return 0;
}
