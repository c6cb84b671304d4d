#include "ExtendedExcelExport.h"
#include "NUtilities.h"

#include "Automation.h"
#include "DBGrids.h"
#include "DatabaseFixture.h"
#include "Env.h"
#include "LongWork.h"
#include "Registry.h"
#include "StatusBar.h"
#include "TestEnvironment.h"
#include "WorkbookProbe.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>

#include <gtest/gtest.h>

// Call logs print line by line in failed expectations.
static void PrintTo(const QStringList& Lines, std::ostream* Stream)
{
    *Stream << "\n  " << Lines.join(QStringLiteral("\n  ")).toStdString();
}

namespace {

using ExtendedExcelExport::ExportToMsExcelWithDBGrid;
using ExtendedExcelExport::ExportToMsExcelWithTemplate;
using NUtilities::ExportToMsExcel;

const QString ProgId = QStringLiteral("Excel.Application");

// What the recording server was asked, one line per call: "Object.Name(args)" for a method,
// "Object.Name[args]" for a property get, "Object.Name := value" for a put. Strings are
// quoted, a string by reference is marked with &, a double ends in d.
struct TRecording {
    QStringList Log;
    // A call whose line starts with this fails.
    QString FailOn;
    // Runs for every call after it is logged.
    std::function<void(const QString&)> OnCall;
};

QString Shown(const TOleVariant& Value)
{
    if (Value.IsString())
        return (Value.IsByRef() ? QStringLiteral("&'") : QStringLiteral("'")) + Value.AsString() + QLatin1Char('\'');
    if (Value.IsInteger())
        return QString::number(Value.AsInteger());
    if (Value.IsDouble())
        return QString::number(Value.AsDouble()) + QLatin1Char('d');
    return QStringLiteral("?");
}

class TRecordingObject : public TAutomationObject {
public:
    TRecordingObject(TRecording* Recording, QString Name) : FRecording(Recording), FName(std::move(Name)) {}

    TOleVariant Invoke(const QString& Name, TInvokeKind Kind, TOleArguments Arguments) override
    {
        QStringList shown;
        for (const TOleVariant& argument : Arguments)
            shown.append(Shown(argument));
        QString line = FName + QLatin1Char('.') + Name;
        if (Kind == TInvokeKind::Method)
            line += QLatin1Char('(') + shown.join(QStringLiteral(", ")) + QLatin1Char(')');
        else if (Kind == TInvokeKind::PropertyGet)
            line += QLatin1Char('[') + shown.join(QStringLiteral(", ")) + QLatin1Char(']');
        else
            line += QStringLiteral(" := ") + shown.join(QStringLiteral(", "));
        FRecording->Log.append(line);
        if (FRecording->OnCall)
            FRecording->OnCall(line);
        if (!FRecording->FailOn.isEmpty() && line.startsWith(FRecording->FailOn))
            throw EOleError(QStringLiteral("Отказ сервера: ") + line);
        const QString child = ChildName(Name);
        return child.isEmpty() ? TOleVariant() : TOleVariant(std::make_shared<TRecordingObject>(FRecording, child));
    }

private:
    static QString ChildName(const QString& Name)
    {
        static const std::map<QString, QString> children{{QStringLiteral("WorkBooks"), QStringLiteral("WorkBooks")},
            {QStringLiteral("Add"), QStringLiteral("Workbook")}, {QStringLiteral("Open"), QStringLiteral("Workbook")},
            {QStringLiteral("Item"), QStringLiteral("Workbook")}, {QStringLiteral("Sheets"), QStringLiteral("Sheet")},
            {QStringLiteral("Cells"), QStringLiteral("Cell")}};
        auto found = children.find(Name);
        return found == children.end() ? QString() : found->second;
    }

    TRecording* FRecording;
    QString FName;
};

// The calls that put one cell's value.
QStringList CellCalls(int Row, int Column, const QString& Value)
{
    return {QStringLiteral("Excel.Sheets[1]"), QStringLiteral("Sheet.Cells[%1, %2]").arg(Row).arg(Column),
            QStringLiteral("Cell.Value := ") + Value};
}

QStringList Opening(const QString& Open)
{
    return {QStringLiteral("Excel.WorkBooks()"), QStringLiteral("WorkBooks.") + Open, QStringLiteral("Excel.Sheets[1]"),
            QStringLiteral("Sheet.Select()")};
}

QStringList Closing(const QString& Path)
{
    return {QStringLiteral("Excel.WorkBooks()"), QStringLiteral("WorkBooks.Item[1]"), QStringLiteral("Workbook.SaveAs('%1')").arg(Path),
            QStringLiteral("Excel.WorkBooks()"), QStringLiteral("WorkBooks.Close()"), QStringLiteral("Excel.Quit()")};
}

class TExcelExportTest : public TestSupport::TDatabaseTest {
protected:
    void SetUp() override
    {
        TDatabaseTest::SetUp();
        if (IsSkipped())
            return;
        ExecSQL(QStringLiteral("create table R (ID integer primary key, NAZVANIE varchar(40), CENA float, KOD bigint)"));
        RegisterAutomationServer(ProgId, [this] { return std::make_shared<TRecordingObject>(&FRecording, QStringLiteral("Excel")); });
        FPanel = FStatusBar.AddPanel();
        FPanel->OnChange = [this](TObject*) { FStatusTexts.append(FPanel->Text()); };
        Env::MessagePanel = FPanel;
        Env::ReportPath = QStringLiteral("/out/dir");
        Env::RegistryKeyRoot = QStringLiteral("Software\\Velnor07\\TEST");
        SetReportDirectory(QStringLiteral("/reports"));
        FQuery.SetDatabaseName(AliasName());
        FSource.SetDataSet(&FQuery);
        FGrid.SetDataSource(&FSource);
    }

    void TearDown() override
    {
        if (!FRealServer)
            UnregisterAutomationServer(ProgId);
        Env::MessagePanel = nullptr;
        Env::ReportPath.clear();
        TRegistry().DeleteKey(Env::RegistryKeyRoot);
        Env::RegistryKeyRoot.clear();
        TDatabaseTest::TearDown();
    }

    void SetReportDirectory(const QString& Directory)
    {
        TRegistry registry;
        registry.OpenKey(Env::RegistryKeyRoot + QStringLiteral("\\ZayavkaReportDialog"), true);
        registry.WriteString(QStringLiteral("ReportPath"), Directory);
    }

    // Records ID 1..Count named "Товар N" priced N + 0.5, every third price empty.
    void InsertRecords(int Count)
    {
        QStringList rows;
        for (int i = 1; i <= Count; ++i)
            rows.append(QStringLiteral("(%1, 'Товар %1', %2, %3)").arg(i).arg(i % 3 == 0 ? QStringLiteral("null") : QString::number(i + 0.5)).arg(7700000000LL + i));
        ExecSQL(QStringLiteral("insert into R values ") + rows.join(QStringLiteral(", ")));
    }

    void OpenQuery(const QString& SQL)
    {
        FQuery.Close();
        FQuery.SQL()->SetText(SQL);
        FQuery.Open();
    }

    void UseRealServer()
    {
        UnregisterAutomationServer(ProgId);
        FRealServer = true;
    }

    QStringList ProgressTexts() const { return FStatusTexts.filter(QStringLiteral("Обработано")); }

    TRecording FRecording;
    TStatusBar FStatusBar{nullptr, nullptr};
    TStatusPanel* FPanel = nullptr;
    QStringList FStatusTexts;
    TQuery FQuery;
    TDataSource FSource;
    TDBGrid FGrid{nullptr, nullptr};
    bool FRealServer = false;
};

// Each export makes exactly its calls, in order: ExportToMsExcel every field as text from row
// 3 and column 2 without titles into Env::ReportPath; the grid exports the titles in row 3,
// the rows from row 4, into the registry's report directory, the template variant all as
// text, the typed variant by field type; every one ends with Quit and clears the status.
TEST_P(TExcelExportTest, CallsTheSpreadsheetInOrder)
{
    InsertRecords(3);
    OpenQuery(QStringLiteral("select ID, NAZVANIE from R where ID < 3 order by ID"));
    EXPECT_TRUE(ExportToMsExcel(&FQuery, QStringLiteral("C:\\data\\report")));
    EXPECT_EQ(FRecording.Log, Opening(QStringLiteral("Add()")) + CellCalls(3, 2, QStringLiteral("'1'")) + CellCalls(3, 3, QStringLiteral("'Товар 1'"))
                                  + CellCalls(4, 2, QStringLiteral("'2'")) + CellCalls(4, 3, QStringLiteral("'Товар 2'"))
                                  + Closing(QStringLiteral("/out/dir/report.xls")));
    EXPECT_EQ(FStatusTexts, (QStringList{QStringLiteral("Экспорт текущих данных"), QStringLiteral("Сохранение"), QString()}));

    OpenQuery(QStringLiteral("select ID, NAZVANIE, CENA from R order by ID"));
    FGrid.Columns()->Add(QStringLiteral("NAZVANIE"), QStringLiteral("Наименование"));
    FGrid.Columns()->Add(QStringLiteral("cena"), QStringLiteral("Цена"));
    FGrid.Columns()->Add(QStringLiteral("ID"), QStringLiteral("Код"));
    const QStringList titles = CellCalls(3, 2, QStringLiteral("'Наименование'")) + CellCalls(3, 3, QStringLiteral("'Цена'"))
                             + CellCalls(3, 4, QStringLiteral("'Код'"));
    FRecording.Log.clear();
    FStatusTexts.clear();
    EXPECT_TRUE(ExportToMsExcelWithDBGrid(&FGrid, QStringLiteral("/tmp/отчёт.xls")));
    EXPECT_EQ(FRecording.Log, Opening(QStringLiteral("Add()")) + titles
                                  + CellCalls(4, 2, QStringLiteral("'Товар 1'")) + CellCalls(4, 3, QStringLiteral("1.5d")) + CellCalls(4, 4, QStringLiteral("1"))
                                  + CellCalls(5, 2, QStringLiteral("'Товар 2'")) + CellCalls(5, 3, QStringLiteral("2.5d")) + CellCalls(5, 4, QStringLiteral("2"))
                                  + CellCalls(6, 2, QStringLiteral("'Товар 3'")) + CellCalls(6, 3, QStringLiteral("''")) + CellCalls(6, 4, QStringLiteral("3"))
                                  + Closing(QStringLiteral("/reports/отчёт.xls.xls")));
    EXPECT_EQ(FStatusTexts, (QStringList{QStringLiteral("Экспорт текущих данных"), QStringLiteral("Сохранение"), QString()}));

    FGrid.Columns()->Clear();
    FGrid.Columns()->Add(QStringLiteral("CENA"), QStringLiteral("Цена"));
    TRegistry().DeleteKey(Env::RegistryKeyRoot);
    FRecording.Log.clear();
    EXPECT_TRUE(ExportToMsExcelWithTemplate(&FGrid, QStringLiteral("/t/шаблон.xlsx"), QStringLiteral("заказ")));
    EXPECT_EQ(FRecording.Log, Opening(QStringLiteral("Open(&'/t/шаблон.xlsx')")) + CellCalls(3, 2, QStringLiteral("'Цена'"))
                                  + CellCalls(4, 2, QStringLiteral("'1.5'")) + CellCalls(5, 2, QStringLiteral("'2.5'")) + CellCalls(6, 2, QStringLiteral("''"))
                                  + Closing(QDir::homePath() + QStringLiteral("/заказ.xls")));
}

// The progress shows after every 20th record; the controls stay disabled until after the
// quit; an empty dataset or a grid without columns still gives a saved workbook.
TEST_P(TExcelExportTest, ShowsProgressAndSavesEvenWithoutRows)
{
    InsertRecords(45);
    OpenQuery(QStringLiteral("select ID, NAZVANIE, CENA from R order by ID"));
    FGrid.Columns()->Add(QStringLiteral("ID"), QStringLiteral("Код"));
    bool disabledAtQuit = false;
    FRecording.OnCall = [&](const QString& Line) {
        if (Line == QStringLiteral("Excel.Quit()"))
            disabledAtQuit = FQuery.ControlsDisabled();
    };
    EXPECT_TRUE(ExportToMsExcelWithDBGrid(&FGrid, QStringLiteral("r")));
    EXPECT_EQ(ProgressTexts(), (QStringList{QStringLiteral("Обработано 20 записей из 45..."), QStringLiteral("Обработано 40 записей из 45...")}));
    EXPECT_TRUE(disabledAtQuit);
    EXPECT_FALSE(FQuery.ControlsDisabled());

    FStatusTexts.clear();
    EXPECT_TRUE(ExportToMsExcelWithTemplate(&FGrid, QStringLiteral("t.xlsx"), QStringLiteral("r")));
    EXPECT_EQ(ProgressTexts(), (QStringList{QStringLiteral("Обработано 20 записей из 45..."), QStringLiteral("Обработано 40 записей из 45...")}));

    FGrid.Columns()->Clear();
    FRecording.Log.clear();
    EXPECT_TRUE(ExportToMsExcelWithDBGrid(&FGrid, QStringLiteral("r")));
    EXPECT_EQ(FRecording.Log, Opening(QStringLiteral("Add()")) + Closing(QStringLiteral("/reports/r.xls")));

    OpenQuery(QStringLiteral("select ID from R where ID < 0"));
    FGrid.Columns()->Add(QStringLiteral("ID"), QStringLiteral("Код"));
    FRecording.Log.clear();
    EXPECT_TRUE(ExportToMsExcelWithTemplate(&FGrid, QStringLiteral("t.xlsx"), QStringLiteral("r")));
    EXPECT_EQ(FRecording.Log, Opening(QStringLiteral("Open(&'t.xlsx')")) + CellCalls(3, 2, QStringLiteral("'Код'")) + Closing(QStringLiteral("/reports/r.xls")));
}

// A failure reaches the caller after the quit, with the controls enabled again and the status
// text left as it was; in the typed variant a cell whose field is missing just stays empty.
TEST_P(TExcelExportTest, FailuresReachTheCallerAfterQuit)
{
    InsertRecords(2);
    OpenQuery(QStringLiteral("select ID, NAZVANIE from R order by ID"));
    FGrid.Columns()->Add(QStringLiteral("NAZVANIE"), QStringLiteral("Наименование"));
    FGrid.Columns()->Add(QStringLiteral("NET_TAKOGO"), QStringLiteral("Нет поля"));

    EXPECT_THROW(ExportToMsExcelWithTemplate(&FGrid, QStringLiteral("t.xlsx"), QStringLiteral("r")), EDatabaseError);
    EXPECT_EQ(FRecording.Log.last(), QStringLiteral("Excel.Quit()"));
    EXPECT_FALSE(FRecording.Log.join(QLatin1Char('\n')).contains(QStringLiteral("SaveAs")));
    EXPECT_EQ(FPanel->Text(), QStringLiteral("Экспорт текущих данных"));

    FRecording.Log.clear();
    EXPECT_TRUE(ExportToMsExcelWithDBGrid(&FGrid, QStringLiteral("r")));
    EXPECT_EQ(FRecording.Log.filter(QStringLiteral("Cells[")).join(QLatin1Char(' ')),
              QStringLiteral("Sheet.Cells[3, 2] Sheet.Cells[3, 3] Sheet.Cells[4, 2] Sheet.Cells[5, 2]"));

    FRecording.Log.clear();
    FRecording.FailOn = QStringLiteral("Workbook.SaveAs");
    FPanel->SetText(QString());
    EXPECT_THROW(ExportToMsExcelWithDBGrid(&FGrid, QStringLiteral("r")), EOleError);
    EXPECT_EQ(FRecording.Log.last(), QStringLiteral("Excel.Quit()"));
    EXPECT_FALSE(FQuery.ControlsDisabled());
    EXPECT_EQ(FPanel->Text(), QStringLiteral("Сохранение"));

    RegisterAutomationServer(ProgId, []() -> std::shared_ptr<TAutomationObject> {
        throw EOleError(QStringLiteral("Сервер недоступен"));
    });
    FRecording.Log.clear();
    FPanel->SetText(QString());
    EXPECT_THROW(ExportToMsExcel(&FQuery, QStringLiteral("r")), EOleError);
    EXPECT_THROW(ExportToMsExcelWithDBGrid(&FGrid, QStringLiteral("r")), EOleError);
    EXPECT_TRUE(FRecording.Log.isEmpty());
    EXPECT_FALSE(FQuery.ControlsDisabled());
    EXPECT_EQ(FPanel->Text(), QStringLiteral("Экспорт текущих данных"));
    UnregisterAutomationServer(ProgId);
}

// With our own server the files are real workbooks: the reader finds the typed values, the
// template's formatting and other sheets, and a report directory that does not exist fails
// with the error reaching the caller.
TEST_P(TExcelExportTest, RealServerWritesWorkbooks)
{
    UseRealServer();
    const QString directory = TestSupport::TempDir();
    Env::ReportPath = directory;
    SetReportDirectory(directory);
    InsertRecords(3);
    OpenQuery(QStringLiteral("select ID, NAZVANIE, CENA, KOD from R order by ID"));
    FGrid.Columns()->Add(QStringLiteral("NAZVANIE"), QStringLiteral("Наименование"));
    FGrid.Columns()->Add(QStringLiteral("CENA"), QStringLiteral("Цена"));
    FGrid.Columns()->Add(QStringLiteral("ID"), QStringLiteral("Код"));
    FGrid.Columns()->Add(QStringLiteral("KOD"), QStringLiteral("ИНН"));

    ASSERT_TRUE(ExportToMsExcelWithDBGrid(&FGrid, QStringLiteral("typed")));
    EXPECT_EQ(TestSupport::CellLines(TestSupport::ReadWorkbook(directory + QStringLiteral("/typed.xls")), 0),
              (QStringList{QStringLiteral("B3 str Наименование"), QStringLiteral("B4 str Товар 1"), QStringLiteral("B5 str Товар 2"),
                           QStringLiteral("B6 str Товар 3"), QStringLiteral("C3 str Цена"), QStringLiteral("C4 float 1.5"),
                           QStringLiteral("C5 float 2.5"), QStringLiteral("D3 str Код"), QStringLiteral("D4 int 1"),
                           QStringLiteral("D5 int 2"), QStringLiteral("D6 int 3"), QStringLiteral("E3 str ИНН"),
                           QStringLiteral("E4 str 7700000001"), QStringLiteral("E5 str 7700000002"), QStringLiteral("E6 str 7700000003")}));

    ASSERT_TRUE(ExportToMsExcel(&FQuery, QStringLiteral("all")));
    EXPECT_EQ(TestSupport::CellLines(TestSupport::ReadWorkbook(directory + QStringLiteral("/all.xls")), 0).filter(QStringLiteral("3 ")),
              (QStringList{QStringLiteral("B3 str 1"), QStringLiteral("C3 str Товар 1"), QStringLiteral("D3 str 1.5"), QStringLiteral("E3 str 7700000001")}));

    const QString templateName = directory + QStringLiteral("/order-template.xlsx");
    TestSupport::WriteTemplate(templateName);
    ASSERT_TRUE(ExportToMsExcelWithTemplate(&FGrid, templateName, QStringLiteral("order")));
    const QJsonObject book = TestSupport::ReadWorkbook(directory + QStringLiteral("/order.xls"));
    const QStringList cells = TestSupport::CellLines(book, 0);
    EXPECT_TRUE(cells.contains(QStringLiteral("A1 str Заказ покупателя")));
    EXPECT_TRUE(cells.contains(QStringLiteral("C4 str 1.5")));
    EXPECT_TRUE(cells.contains(QStringLiteral("E6 str 7700000003")));
    const QJsonObject sheet = book[QStringLiteral("sheets")].toArray()[0].toObject();
    EXPECT_TRUE(sheet[QStringLiteral("bold")].toArray().contains(QStringLiteral("B3")));
    EXPECT_TRUE(sheet[QStringLiteral("merged")].toArray().contains(QStringLiteral("A1:F1")));
    EXPECT_EQ(book[QStringLiteral("sheets")].toArray().size(), 2);

    SetReportDirectory(directory + QStringLiteral("/нет/такого"));
    try {
        ExportToMsExcelWithDBGrid(&FGrid, QStringLiteral("lost"));
        ADD_FAILURE() << "the export into a missing directory succeeded";
    } catch (const EOleError& error) {
        EXPECT_TRUE(error.Message().contains(directory + QStringLiteral("/нет/такого/lost.xls")));
    }
    EXPECT_FALSE(FQuery.ControlsDisabled());
}

// Stopped by the user after its 20th record, an export saves nothing: the workbook of the
// same name stays byte for byte, the controls are enabled again, the status panel says how
// far it came; a stop before any record does the same for the template variant, and for the
// export of a whole dataset, which counts no total.
TEST_P(TExcelExportTest, AStoppedExportLeavesTheOldFileAsItWas)
{
    UseRealServer();
    const QString directory = TestSupport::TempDir() + QStringLiteral("/отчёты");
    QDir().mkpath(directory);
    SetReportDirectory(directory);
    InsertRecords(45);
    OpenQuery(QStringLiteral("select ID, NAZVANIE from R order by ID"));
    FGrid.Columns()->Add(QStringLiteral("NAZVANIE"), QStringLiteral("Наименование"));
    ASSERT_TRUE(ExportToMsExcelWithDBGrid(&FGrid, QStringLiteral("report")));
    QFile file(directory + QStringLiteral("/report.xls"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();

    ExecSQL(QStringLiteral("delete from R where ID > 30"));
    OpenQuery(QStringLiteral("select ID, NAZVANIE from R order by ID"));
    FPanel->OnChange = [this](TObject*) {
        if (FPanel->Text().startsWith(QStringLiteral("Обработано 20 ")))
            LongWork::TLongWork::Current()->Stop();
    };
    EXPECT_FALSE(ExportToMsExcelWithDBGrid(&FGrid, QStringLiteral("report")));
    EXPECT_EQ(FPanel->Text(), QStringLiteral("Прервано пользователем: обработано 20 записей из 30"));
    EXPECT_FALSE(FQuery.ControlsDisabled());
    {
        LongWork::TLongWork stopped;
        stopped.Stop();
        EXPECT_FALSE(ExportToMsExcelWithTemplate(&FGrid, directory + QStringLiteral("/report.xls"), QStringLiteral("report")));
        EXPECT_FALSE(ExportToMsExcel(&FQuery, directory + QStringLiteral("/report")));
    }
    EXPECT_EQ(FPanel->Text(), QStringLiteral("Прервано пользователем: обработано 0 записей"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
    EXPECT_EQ(QDir(directory).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("report.xls")});
}

VELNOR_INSTANTIATE_DATABASE_TEST(TExcelExportTest);

} // namespace
