#include "Automation.h"
#include "ExcelFiles.h"

#include "TestEnvironment.h"
#include "WorkbookProbe.h"

#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QJsonArray>
#include <QXmlStreamReader>

#include <sys/stat.h>

#include <functional>

#include <gtest/gtest.h>

namespace {

using TestSupport::ReadWorkbook;

QString OutputFile(const QString& Name)
{
    return TestSupport::TempDir() + QLatin1Char('/') + Name;
}

TOleVariant Sheet(const TOleVariant& Excel)
{
    return Excel.Get(QStringLiteral("Sheets"), 1);
}

void Put(const TOleVariant& Excel, int Row, int Column, const TOleVariant& Value)
{
    Sheet(Excel).Get(QStringLiteral("Cells"), Row, Column).Put(QStringLiteral("Value"), Value);
}

void SaveAs(const TOleVariant& Excel, const QString& Path)
{
    Excel.Call(QStringLiteral("WorkBooks")).Get(QStringLiteral("Item"), 1).Call(QStringLiteral("SaveAs"), Path);
}

QJsonObject SheetOf(const QJsonObject& Workbook, int Index)
{
    return Workbook[QStringLiteral("sheets")].toArray()[Index].toObject();
}

QJsonArray CellOf(const QJsonObject& Sheet, const char* Name)
{
    return Sheet[QStringLiteral("cells")].toObject()[QLatin1String(Name)].toArray();
}

bool Listed(const QJsonObject& Sheet, const char* Key, const char* Value)
{
    return Sheet[QLatin1String(Key)].toArray().contains(QLatin1String(Value));
}

template <class F>
QString OleErrorOf(F&& Call)
{
    try {
        Call();
    } catch (const EOleError& error) {
        return error.Message();
    }
    return QString();
}

// A new workbook keeps each cell's kind, the last value put into a cell, and empties a cell
// put empty; the file is a real workbook whatever its name ends in.
TEST(ExcelServerTest, NewWorkbookHoldsTypedCells)
{
    TOleVariant excel = CreateOleObject(QStringLiteral("excel.application"));
    excel.Call(QStringLiteral("WorkBooks")).Call(QStringLiteral("Add"));
    Sheet(excel).Call(QStringLiteral("Select"));
    Put(excel, 3, 2, QStringLiteral("Клиент «Ромашка»"));
    Put(excel, 3, 3, 42);
    Put(excel, 3, 4, 2.5);
    Put(excel, 4, 2, QStringLiteral("первое"));
    Put(excel, 4, 2, QStringLiteral("  второе "));
    Put(excel, 5, 2, QStringLiteral("стереть"));
    Put(excel, 5, 2, TOleVariant());
    Put(excel, 2000, 30, -7);
    const QString path = OutputFile(QStringLiteral("typed.xls"));
    SaveAs(excel, path);
    excel.Call(QStringLiteral("WorkBooks")).Call(QStringLiteral("Close"));
    excel.Call(QStringLiteral("Quit"));

    const QJsonObject sheet = SheetOf(ReadWorkbook(path), 0);
    EXPECT_EQ(CellOf(sheet, "B3"), (QJsonArray{QStringLiteral("str"), QStringLiteral("Клиент «Ромашка»")}));
    EXPECT_EQ(CellOf(sheet, "C3"), (QJsonArray{QStringLiteral("int"), 42}));
    EXPECT_EQ(CellOf(sheet, "D3"), (QJsonArray{QStringLiteral("float"), 2.5}));
    EXPECT_EQ(CellOf(sheet, "B4"), (QJsonArray{QStringLiteral("str"), QStringLiteral("  второе ")}));
    EXPECT_TRUE(CellOf(sheet, "B5").isEmpty());
    EXPECT_EQ(CellOf(sheet, "AD2000"), (QJsonArray{QStringLiteral("int"), -7}));
    EXPECT_EQ(sheet[QStringLiteral("cells")].toObject().size(), 5);
}

// A template keeps its formatting, merged cells, column widths and other sheets; the cells go
// into its first sheet, keeping the template cell's style; the template file stays as it was.
TEST(ExcelServerTest, TemplateKeepsEverythingButTheCellsPut)
{
    QString templateName = OutputFile(QStringLiteral("template.xlsx"));
    TestSupport::WriteTemplate(templateName);
    QFile templateFile(templateName);
    ASSERT_TRUE(templateFile.open(QIODevice::ReadOnly));
    const QByteArray templateBytes = templateFile.readAll();

    TOleVariant excel = CreateOleObject(QStringLiteral("Excel.Application"));
    excel.Call(QStringLiteral("WorkBooks")).Call(QStringLiteral("Open"), TOleVariant::ByRef(templateName));
    Put(excel, 3, 2, QStringLiteral("Товар"));
    Put(excel, 4, 3, 5);
    Put(excel, 4, 2, QStringLiteral("Гвозди <100 мм> & шурупы"));
    Put(excel, 1, 8, 1.25);
    Put(excel, 9, 2, QStringLiteral("последняя"));
    const QString path = OutputFile(QStringLiteral("from-template.xls"));
    SaveAs(excel, path);
    excel.Call(QStringLiteral("Quit"));

    const QJsonObject book = ReadWorkbook(path);
    const QJsonObject sheet = SheetOf(book, 0);
    EXPECT_EQ(sheet[QStringLiteral("title")].toString(), QStringLiteral("Заказ"));
    EXPECT_EQ(CellOf(sheet, "A1"), (QJsonArray{QStringLiteral("str"), QStringLiteral("Заказ покупателя")}));
    EXPECT_TRUE(Listed(sheet, "bold", "A1"));
    EXPECT_TRUE(Listed(sheet, "merged", "A1:F1"));
    EXPECT_EQ(sheet[QStringLiteral("widths")].toObject()[QStringLiteral("B")].toDouble(), 30.0);
    EXPECT_EQ(CellOf(sheet, "B3"), (QJsonArray{QStringLiteral("str"), QStringLiteral("Товар")}));
    EXPECT_TRUE(Listed(sheet, "bold", "B3"));
    EXPECT_EQ(CellOf(sheet, "C4"), (QJsonArray{QStringLiteral("int"), 5}));
    EXPECT_EQ(sheet[QStringLiteral("formats")].toObject()[QStringLiteral("C4")].toString(), QStringLiteral("0.00"));
    EXPECT_EQ(CellOf(sheet, "B4"), (QJsonArray{QStringLiteral("str"), QStringLiteral("Гвозди <100 мм> & шурупы")}));
    EXPECT_EQ(CellOf(sheet, "H1"), (QJsonArray{QStringLiteral("float"), 1.25}));
    EXPECT_EQ(CellOf(sheet, "B9"), (QJsonArray{QStringLiteral("str"), QStringLiteral("последняя")}));
    const QJsonObject other = SheetOf(book, 1);
    EXPECT_EQ(other[QStringLiteral("title")].toString(), QStringLiteral("Реквизиты"));
    EXPECT_EQ(CellOf(other, "A1"), (QJsonArray{QStringLiteral("str"), QStringLiteral("ИНН")}));
    EXPECT_EQ(CellOf(other, "B1"), (QJsonArray{QStringLiteral("int"), 7701234567.0}));

    QFile unchanged(templateName);
    ASSERT_TRUE(unchanged.open(QIODevice::ReadOnly));
    EXPECT_EQ(unchanged.readAll(), templateBytes);
}

// Every refusal is an EOleError that says what went wrong; a failed save leaves no file.
TEST(ExcelServerTest, RefusalsAreClearErrors)
{
    EXPECT_TRUE(OleErrorOf([] { CreateOleObject(QStringLiteral("Word.Application")); }).contains(QStringLiteral("Word.Application")));

    TOleVariant excel = CreateOleObject(QStringLiteral("Excel.Application"));
    EXPECT_FALSE(OleErrorOf([&] { Sheet(excel); }).isEmpty()) << "no workbook is open yet";
    TOleVariant workbooks = excel.Call(QStringLiteral("WorkBooks"));
    workbooks.Call(QStringLiteral("Add"));
    EXPECT_TRUE(OleErrorOf([&] { excel.Call(QStringLiteral("Recalculate")); }).contains(QStringLiteral("Recalculate")));
    EXPECT_FALSE(OleErrorOf([&] { Sheet(excel).Get(QStringLiteral("Cells"), 3); }).isEmpty());
    EXPECT_FALSE(OleErrorOf([&] { Sheet(excel).Get(QStringLiteral("Cells"), QStringLiteral("B"), 3); }).isEmpty());
    EXPECT_FALSE(OleErrorOf([&] { Sheet(excel).Get(QStringLiteral("Cells"), 0, 3); }).isEmpty());
    EXPECT_FALSE(OleErrorOf([&] { excel.Get(QStringLiteral("Sheets"), 2); }).isEmpty());
    EXPECT_FALSE(OleErrorOf([&] { workbooks.Get(QStringLiteral("Item"), 2); }).isEmpty());
    EXPECT_FALSE(OleErrorOf([&] { Put(excel, 1, 1, QString(40000, QLatin1Char('x'))); }).isEmpty());

    const QString missingDirectory = OutputFile(QStringLiteral("no-such-dir/report.xls"));
    EXPECT_TRUE(OleErrorOf([&] { SaveAs(excel, missingDirectory); }).contains(missingDirectory));
    EXPECT_FALSE(QFile::exists(missingDirectory));

    QString notAWorkbook = OutputFile(QStringLiteral("plain.xlsx"));
    QFile plain(notAWorkbook);
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.write("not a workbook");
    plain.close();
    EXPECT_TRUE(OleErrorOf([&] { workbooks.Call(QStringLiteral("Open"), TOleVariant::ByRef(notAWorkbook)); }).contains(notAWorkbook));
    QString missing = OutputFile(QStringLiteral("missing.xlsx"));
    EXPECT_TRUE(OleErrorOf([&] { workbooks.Call(QStringLiteral("Open"), TOleVariant::ByRef(missing)); }).contains(missing));
}

QByteArray ReadBytes(const QString& Path)
{
    QFile file(Path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void WriteBytes(const QString& Path, const QByteArray& Bytes)
{
    QFile file(Path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << Path.toStdString();
    file.write(Bytes);
}

// The template with Count bytes of the stored data of its part Part inverted (the part's
// local header found by its name; the name and extra field lengths give where the data starts).
QByteArray WithDamagedPart(QByteArray Bytes, const QByteArray& Part, int Count)
{
    const qsizetype name = Bytes.indexOf(Part);
    const qsizetype header = name - 30;
    EXPECT_TRUE(header >= 0 && Bytes.mid(header, 4) == QByteArray("PK\x03\x04", 4)) << "local header of " << Part.constData();
    const auto little = [&](qsizetype At) { return static_cast<uchar>(Bytes[At]) | static_cast<uchar>(Bytes[At + 1]) << 8; };
    const qsizetype data = header + 30 + little(header + 26) + little(header + 28);
    const qsizetype stored = little(header + 18);
    for (qsizetype i = data + stored / 4; i < data + std::min<qsizetype>(stored, stored / 4 + Count); ++i)
        Bytes[i] = static_cast<char>(~Bytes[i]);
    return Bytes;
}

// Opening a template and saving a report from it, as the order form does.
void SaveFromTemplate(QString TemplateName, const QString& Report)
{
    TOleVariant excel = CreateOleObject(QStringLiteral("Excel.Application"));
    excel.Call(QStringLiteral("WorkBooks")).Call(QStringLiteral("Open"), TOleVariant::ByRef(TemplateName));
    Put(excel, 3, 2, QStringLiteral("Товар"));
    SaveAs(excel, Report);
    excel.Call(QStringLiteral("Quit"));
}

// A damaged template is refused on opening with the template named, whatever part is
// damaged and however: nothing is written and the report saved before stays byte for byte.
TEST(ExcelServerTest, ADamagedTemplateIsRefusedAndTheOldReportStays)
{
    const QString good = OutputFile(QStringLiteral("good template.xlsx"));
    TestSupport::WriteTemplate(good);
    const QString report = OutputFile(QStringLiteral("Бланк заказа.xls"));
    SaveFromTemplate(good, report);
    const QByteArray saved = ReadBytes(report);
    const QByteArray sheet = R"(<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>)";

    struct TDamage {
        const char* What;
        std::function<void(const QString&)> Make;
    };
    const std::vector<TDamage> damages = {
        {"64 bytes of the second sheet inverted",
         [&](const QString& Path) { WriteBytes(Path, WithDamagedPart(ReadBytes(good), "xl/worksheets/sheet2.xml", 64)); }},
        {"a relationship that climbs above the package",
         [](const QString& Path) {
             TestSupport::ReplacePart(Path, QStringLiteral("xl/_rels/workbook.xml.rels"),
                                      R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
                                      R"(<Relationship Id="rId1" Type="x/worksheet" Target="../../x"/></Relationships>)");
         }},
        {"a cell reference without letters",
         [&](const QString& Path) {
             TestSupport::ReplacePart(Path, QStringLiteral("xl/worksheets/sheet1.xml"),
                                      sheet + R"(<row r="3"><c r="3"><v>1</v></c></row></sheetData></worksheet>)");
         }},
        {"a row beyond the sheet",
         [&](const QString& Path) {
             TestSupport::ReplacePart(Path, QStringLiteral("xl/worksheets/sheet1.xml"),
                                      sheet + R"(<row r="2147483647"/></sheetData></worksheet>)");
         }},
        {"a sheet that inflates a thousandfold",
         [&](const QString& Path) {
             TestSupport::ReplacePart(Path, QStringLiteral("xl/worksheets/sheet1.xml"), sheet + "</sheetData></worksheet>", 4 << 20);
         }},
    };
    for (const TDamage& damage : damages) {
        const QString damaged = OutputFile(QStringLiteral("damaged.xlsx"));
        QFile::remove(damaged);
        QFile::copy(good, damaged);
        damage.Make(damaged);
        const QString error = OleErrorOf([&] { SaveFromTemplate(damaged, report); });
        EXPECT_TRUE(error.contains(damaged)) << damage.What << ": " << error.toStdString();
        EXPECT_EQ(ReadBytes(report), saved) << damage.What;
    }
    EXPECT_EQ(QDir(TestSupport::TempDir()).entryList({QStringLiteral(".*.xls.*")}, QDir::Hidden | QDir::Files), QStringList());
}

// A save follows the rules of every file the user keeps: a read-only report is refused and
// stays, a link stays a link and its target takes the workbook, a report keeps its
// permission bits and a new one gets those the umask allows.
TEST(ExcelServerTest, ASaveKeepsReadOnlyReportsLinksAndPermissions)
{
    const QString templateName = OutputFile(QStringLiteral("rules.xlsx"));
    TestSupport::WriteTemplate(templateName);
    const mode_t oldMask = ::umask(027);
    const QString fresh = OutputFile(QStringLiteral("new report.xls"));
    SaveFromTemplate(templateName, fresh);
    const auto permissions = [](const QString& Path) {
        struct stat info {};
        ::stat(QFile::encodeName(Path).constData(), &info);
        return info.st_mode & 07777;
    };
    EXPECT_EQ(permissions(fresh), 0640u);

    const QString kept = OutputFile(QStringLiteral("kept report.xls"));
    WriteBytes(kept, "old");
    ::chmod(QFile::encodeName(kept).constData(), 0604);
    SaveFromTemplate(templateName, kept);
    EXPECT_EQ(permissions(kept), 0604u);
    EXPECT_NE(ReadBytes(kept), QByteArray("old"));

    const QString link = OutputFile(QStringLiteral("link report.xls"));
    QFile::link(kept, link);
    TOleVariant excel = CreateOleObject(QStringLiteral("Excel.Application"));
    excel.Call(QStringLiteral("WorkBooks")).Call(QStringLiteral("Add"));
    Put(excel, 1, 1, QStringLiteral("через ссылку"));
    SaveAs(excel, link);
    excel.Call(QStringLiteral("Quit"));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(CellOf(SheetOf(ReadWorkbook(kept), 0), "A1"), (QJsonArray{QStringLiteral("str"), QStringLiteral("через ссылку")}));
    EXPECT_EQ(permissions(kept), 0604u);

    const QString readOnly = OutputFile(QStringLiteral("read-only report.xls"));
    WriteBytes(readOnly, "keep me");
    ::chmod(QFile::encodeName(readOnly).constData(), 0444);
    const QString error = OleErrorOf([&] { SaveFromTemplate(templateName, readOnly); });
    EXPECT_TRUE(error.contains(readOnly) && error.contains(QStringLiteral("только для чтения"))) << error.toStdString();
    EXPECT_EQ(ReadBytes(readOnly), QByteArray("keep me"));
    ::umask(oldMask);
}

// A server registered over a program id answers it until it is unregistered.
TEST(ExcelServerTest, LatestRegistrationAnswers)
{
    struct TEcho : TAutomationObject {
        TOleVariant Invoke(const QString& Name, TInvokeKind, TOleArguments Arguments) override
        {
            return QString(Name + QLatin1Char(':') + Arguments[0].AsString());
        }
    };
    RegisterAutomationServer(QStringLiteral("Excel.Application"), [] { return std::make_shared<TEcho>(); });
    EXPECT_EQ(CreateOleObject(QStringLiteral("Excel.Application")).Call(QStringLiteral("Ping"), "x").AsString(), QStringLiteral("Ping:x"));
    UnregisterAutomationServer(QStringLiteral("Excel.Application"));
    EXPECT_FALSE(OleErrorOf([] { CreateOleObject(QStringLiteral("Excel.Application")).Call(QStringLiteral("Ping"), "x"); }).isEmpty());
}

} // namespace

namespace {

// The cells of a sheet's XML as "B3 s=1 t=inlineStr 'text'" lines, in document order.
QStringList CellsOfSheetXml(const QByteArray& Xml)
{
    QXmlStreamReader reader(Xml);
    QStringList cells;
    QString cell;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement() && reader.name() == u"c") {
            const QXmlStreamAttributes attributes = reader.attributes();
            cell = attributes.value(QStringLiteral("r")).toString();
            for (const char* name : {"s", "t"})
                if (attributes.hasAttribute(QLatin1String(name)))
                    cell += QStringLiteral(" %1=%2").arg(QLatin1String(name), attributes.value(QLatin1String(name)));
        } else if (reader.isStartElement() && (reader.name() == u"v" || reader.name() == u"t" || reader.name() == u"f")) {
            cell += QStringLiteral(" %1'%2'").arg(reader.name() == u"f" ? QStringLiteral("=") : QString(), reader.readElementText());
        } else if (reader.isEndElement() && reader.name() == u"c") {
            cells.append(cell);
        }
    }
    EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString();
    return cells;
}

// Cells merge into a sheet as other programs write it: a namespace prefix, rows and cells
// without their numbers, a formula overwritten, new rows between and after the old ones, each
// new cell styled like its template cell, its row or its column.
TEST(ExcelServerTest, CellsMergeIntoOddlyWrittenSheets)
{
    const QByteArray sheet = R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<x:worksheet xmlns:x="http://schemas.openxmlformats.org/spreadsheetml/2006/main">
<x:cols><x:col min="3" max="4" width="12" style="7" customWidth="1"/></x:cols>
<x:sheetData>
<x:row r="2" spans="1:2"><x:c r="A2" t="s"><x:v>0</x:v></x:c><x:c r="B2" s="3"><x:f>1+1</x:f><x:v>2</x:v></x:c></x:row>
<x:row s="5" customFormat="1"><x:c><x:v>9</x:v></x:c><x:c s="4"/></x:row>
<x:row r="6"><x:c r="B6" s="2"><x:v>1</x:v></x:c></x:row>
</x:sheetData>
<x:mergeCells count="1"><x:mergeCell ref="A6:B6"/></x:mergeCells>
</x:worksheet>)";
    ExcelFiles::TCellStore cells;
    cells.Put(2, 2, QStringLiteral("текст"));
    cells.Put(3, 2, 4);
    cells.Put(3, 3, 1.5);
    cells.Put(4, 3, QStringLiteral(" <&> "));
    cells.Put(6, 1, QStringLiteral("перед"));
    cells.Put(8, 4, -2);
    const QByteArray merged = ExcelFiles::MergeCells(sheet, cells);
    EXPECT_EQ(CellsOfSheetXml(merged), (QStringList{
        QStringLiteral("A2 t=s '0'"), QStringLiteral("B2 s=3 t=inlineStr 'текст'"),
        QStringLiteral("A3 '9'"), QStringLiteral("B3 s=4 '4'"), QStringLiteral("C3 s=5 '1.5'"),
        QStringLiteral("C4 s=7 t=inlineStr ' <&> '"),
        QStringLiteral("A6 t=inlineStr 'перед'"), QStringLiteral("B6 s=2 '1'"),
        QStringLiteral("D8 s=7 '-2'")}));
    EXPECT_TRUE(merged.contains("<x:mergeCell ref=\"A6:B6\"/>"));
    EXPECT_FALSE(merged.contains("spans=\"1:2\"")) << "a row that takes new cells loses its column span hint";
    EXPECT_THROW(ExcelFiles::MergeCells("<worksheet><sheetData><row r=\"1\"><c", cells), EOleError);

    // Found by fuzzing: a row and a cell with an empty number are numbered once, not twice; a
    // sheet without an XML declaration is not given one with an empty version.
    const QByteArray emptyNumbers = R"(<worksheet><sheetData><row r=""><c r="" s="4"/></row></sheetData></worksheet>)";
    EXPECT_EQ(CellsOfSheetXml(ExcelFiles::MergeCells(emptyNumbers, ExcelFiles::TCellStore())), QStringList{QStringLiteral("A1 s=4")});
}

} // namespace
