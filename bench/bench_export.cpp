// ExportToMsExcelWithDBGrid of 100,000 records x 5 columns (through the late-bound
// "Excel.Application" and our spreadsheet server) against writing the same cells straight into
// a workbook with libxlsxwriter, in the same run, from the same open dataset. The baseline
// runs twice: with libxlsxwriter's default options and with its constant-memory mode (which
// our server uses). Prints the ratios at the end (goal: at most 2).
// Also: a data grid opened over the 100,000 rows (and then paged to the end of what it has read
// twenty times), against reading all the rows into the dataset, which a grid that copied the
// rows could not do without.

#include "BenchSupport.h"
#include "DBGrids.h"
#include "DbTables.h"
#include "Env.h"
#include "Exceptions.h"
#include "ExtendedExcelExport.h"
#include "Registry.h"
#include "Velkit07.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QScrollBar>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <xlsxwriter.h>

#include <cstdio>
#include <memory>

namespace {

const int RowCount = BenchSupport::Scaled(100000);
const char* const Columns[][2] = {{"ID", "Код"}, {"NAZVANIE", "Наименование"}, {"KOLICHESTVO", "Количество"},
                                  {"CENA", "Цена"}, {"PRIMECHANIE", "Примечание"}};

QString ReportDir;

void Fill(TDatabase& Database)
{
    QSqlQuery statement = Database.NewStatement();
    for (const QString& sql : {
             QStringLiteral("create table R (ID integer primary key, NAZVANIE varchar(100), KOLICHESTVO integer, CENA float, PRIMECHANIE varchar(100))"),
             QStringLiteral("insert into R with recursive c(x) as (select 1 union all select x + 1 from c where x < %1) "
                            "select x, 'Товар номер ' || ((x * 7919) % %1), x % 97, (x % 1000) / 4.0, 'Партия ' || (x % 500) from c")
                 .arg(RowCount)})
        if (!statement.exec(sql))
            throw EDatabaseError(statement.lastError().text());
}

void GridExport(benchmark::State& State, TDBGrid* Grid)
{
    for (auto _ : State)
        if (!ExtendedExcelExport::ExportToMsExcelWithDBGrid(Grid, QStringLiteral("grid")))
            State.SkipWithError("export failed");
}

// The same cells, typed the same way, written straight with libxlsxwriter.
void StraightWrite(benchmark::State& State, TDataSet* DataSet, bool ConstantMemory)
{
    const QByteArray path = QFile::encodeName(ReportDir + QStringLiteral("/straight.xlsx"));
    for (auto _ : State) {
        lxw_workbook_options options{};
        options.constant_memory = ConstantMemory ? LXW_TRUE : LXW_FALSE;
        lxw_workbook* workbook = workbook_new_opt(path.constData(), &options);
        lxw_worksheet* sheet = workbook_add_worksheet(workbook, nullptr);
        for (int c = 0; c < 5; ++c)
            worksheet_write_string(sheet, 2, static_cast<lxw_col_t>(c + 1), Columns[c][1], nullptr);
        lxw_row_t row = 3;
        for (DataSet->First(); !DataSet->Eof(); DataSet->Next(), ++row)
            for (int c = 0; c < 5; ++c) {
                const TField* field = DataSet->FieldByName(QString::fromLatin1(Columns[c][0]));
                const auto column = static_cast<lxw_col_t>(c + 1);
                if (field->DataType() == ftInteger)
                    worksheet_write_number(sheet, row, column, field->AsInteger(), nullptr);
                else if (field->DataType() == ftFloat)
                    worksheet_write_number(sheet, row, column, field->AsFloat(), nullptr);
                else
                    worksheet_write_string(sheet, row, column, field->AsString().toUtf8().constData(), nullptr);
            }
        if (workbook_close(workbook) != LXW_NO_ERROR)
            State.SkipWithError("libxlsxwriter failed");
    }
}

// The rows of R opened in a query and shown in a grid of the five columns.
struct TGridOverRows {
    TGridOverRows()
    {
        Query.SetDatabaseName(QStringLiteral("BENCH"));
        Query.SQL()->SetText(QStringLiteral("select * from R order by ID"));
        Query.Open();
        Source.SetDataSet(&Query);
        for (const auto& column : Columns)
            Grid.Columns()->Add(QString::fromLatin1(column[0]), QString::fromUtf8(column[1]));
        Grid.SetDataSource(&Source);
    }

    TQuery Query;
    TDataSource Source;
    TDBGrid Grid{nullptr, nullptr};
};

void GridOpenAndPageDown(benchmark::State& State, int Pages)
{
    for (auto _ : State) {
        TGridOverRows rows;
        TDBGrid& grid = rows.Grid;
        grid.resize(800, 600);
        grid.show();
        QApplication::processEvents();
        for (int page = 0; page < Pages; ++page) {
            grid.verticalScrollBar()->setValue(grid.verticalScrollBar()->maximum());
            QApplication::processEvents();
        }
        benchmark::DoNotOptimize(grid.model()->rowCount());
    }
}

void QueryReadAll(benchmark::State& State)
{
    for (auto _ : State) {
        TQuery query;
        query.SetDatabaseName(QStringLiteral("BENCH"));
        query.SQL()->SetText(QStringLiteral("select * from R order by ID"));
        query.Open();
        benchmark::DoNotOptimize(query.RecordCount());
    }
}

void PrintRatio(const BenchSupport::TTimeReporter& Reporter, const std::string& Baseline)
{
    double straight = 0;
    double ours = 0;
    if (Reporter.Time("BM_ExportToMsExcelWithDBGrid", ours) && Reporter.Time(Baseline, straight))
        std::printf("ExportToMsExcelWithDBGrid / %s = %.2f (goal <= 2)\n", Baseline.c_str(), ours / straight);
}

} // namespace

int main(int argc, char** argv)
{
    BenchSupport::TProgram program(argc, argv);
    const QTemporaryDir& dir = program.Dir();
    Velkit07::Initialize();
    {
        QFile aliases(dir.filePath(QStringLiteral("aliases.ini")));
        if (!aliases.open(QIODevice::WriteOnly))
            return 1;
        const QString file = dir.filePath(QStringLiteral("bench.sqlite"));
        aliases.write(QStringLiteral("[BENCH]\nDriver=SQLITE\nDatabase=%1\n").arg(file).toUtf8());
        if (!BenchSupport::CreateSQLiteFile(file))
            return 1;
    }
    ReportDir = dir.path();
    Env::RegistryKeyRoot = QStringLiteral("Software\\Velnor07\\BENCH");
    TRegistry registry;
    registry.OpenKey(Env::RegistryKeyRoot + QStringLiteral("\\ZayavkaReportDialog"), true);
    registry.WriteString(QStringLiteral("ReportPath"), ReportDir);
    registry.CloseKey();

    TDatabase database;
    database.SetDatabaseName(QStringLiteral("BENCH"));
    database.Open();
    Fill(database);
    auto exported = std::make_unique<TGridOverRows>();
    exported->Query.FetchAll();
    benchmark::RegisterBenchmark("BM_ExportToMsExcelWithDBGrid", GridExport, &exported->Grid)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_LibxlsxwriterDefault", StraightWrite, &exported->Query, false)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_LibxlsxwriterConstantMemory", StraightWrite, &exported->Query, true)->Unit(benchmark::kMillisecond);

    benchmark::RegisterBenchmark("BM_GridOpen", GridOpenAndPageDown, 0)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_GridOpenAndPageDown20", GridOpenAndPageDown, 20)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_QueryReadAll", QueryReadAll)->Unit(benchmark::kMillisecond);

    BenchSupport::TTimeReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintRatio(reporter, "BM_LibxlsxwriterDefault");
    PrintRatio(reporter, "BM_LibxlsxwriterConstantMemory");
    double readAll = 0;
    for (const char* grid : {"BM_GridOpen", "BM_GridOpenAndPageDown20"}) {
        double gridTime = 0;
        if (reporter.Time(grid, gridTime) && reporter.Time("BM_QueryReadAll", readAll))
            std::printf("%s over 100,000 rows: %.1f ms / all rows read %.1f ms = %.3f\n", grid, gridTime, readAll, gridTime / readAll);
    }
    // The same cells in both files: their sizes should be close.
    std::printf("file sizes: export %lld bytes, straight %lld bytes\n", QFileInfo(ReportDir + QStringLiteral("/grid.xls")).size(),
                QFileInfo(ReportDir + QStringLiteral("/straight.xlsx")).size());

    exported.reset();
    database.Close();
    Velkit07::Finalize();
    return 0;
}
