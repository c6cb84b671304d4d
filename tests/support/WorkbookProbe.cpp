#include "WorkbookProbe.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>

#include <gtest/gtest.h>

namespace TestSupport {

namespace {

const char* ReaderScript = R"(
import json, sys, openpyxl
book = openpyxl.load_workbook(open(sys.argv[1], 'rb'))  # by content, whatever the name ends in
sheets = []
for sheet in book.worksheets:
    cells, bold, formats = {}, [], {}
    for row in sheet.iter_rows():
        for cell in row:
            if cell.font is not None and cell.font.b:
                bold.append(cell.coordinate)
            if cell.number_format != 'General':
                formats[cell.coordinate] = cell.number_format
            if cell.value is not None:
                cells[cell.coordinate] = [type(cell.value).__name__, cell.value]
    widths = {k: d.width for k, d in sheet.column_dimensions.items() if d.customWidth}
    sheets.append({'title': sheet.title, 'cells': cells, 'bold': bold, 'formats': formats,
                   'merged': [str(r) for r in sheet.merged_cells.ranges], 'widths': widths})
print(json.dumps({'sheets': sheets}, ensure_ascii=False))
)";

const char* TemplateScript = R"(
import sys, openpyxl
from openpyxl.styles import Font
book = openpyxl.Workbook()
sheet = book.active
sheet.title = 'Заказ'
sheet['A1'] = 'Заказ покупателя'
sheet['A1'].font = Font(b=True)
sheet.merge_cells('A1:F1')
sheet.column_dimensions['B'].width = 30
sheet['B3'].font = Font(b=True)
sheet['C4'].number_format = '0.00'
other = book.create_sheet('Реквизиты')
other['A1'] = 'ИНН'
other['B1'] = 7701234567
book.save(sys.argv[1])
)";

const char* ReplacePartScript = R"(
import sys, zipfile
path, part, content, padding = sys.argv[1], sys.argv[2], sys.argv[3].encode(), int(sys.argv[4])
with zipfile.ZipFile(path) as old:
    parts = [(info, old.read(info)) for info in old.infolist()]
with zipfile.ZipFile(path, 'w', zipfile.ZIP_DEFLATED) as new:
    for info, data in parts:
        new.writestr(info.filename, content + b' ' * padding if info.filename == part else data)
)";

// The system's python, which the Debian package python3-openpyxl serves (a python of the
// user's own, earlier on PATH, may lack it).
QByteArray RunPython(const char* Script, const QStringList& Arguments)
{
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), QStringList{QStringLiteral("-c"), QString::fromUtf8(Script)} + Arguments);
    const bool finished = python.waitForFinished(60000);
    const QByteArray errors = python.readAllStandardError();
    EXPECT_TRUE(finished && python.exitStatus() == QProcess::NormalExit && python.exitCode() == 0)
        << "python3 failed: " << errors.constData();
    return python.readAllStandardOutput();
}

} // namespace

QJsonObject ReadWorkbook(const QString& Path)
{
    return QJsonDocument::fromJson(RunPython(ReaderScript, {Path})).object();
}

QStringList CellLines(const QJsonObject& Workbook, int Sheet)
{
    const QJsonObject cells = Workbook[QStringLiteral("sheets")].toArray()[Sheet].toObject()[QStringLiteral("cells")].toObject();
    QStringList lines;
    for (auto it = cells.begin(); it != cells.end(); ++it) {
        const QJsonArray cell = it.value().toArray();
        lines.append(QStringLiteral("%1 %2 %3").arg(it.key(), cell[0].toString(), cell[1].toVariant().toString()));
    }
    lines.sort();
    return lines;
}

void WriteTemplate(const QString& Path)
{
    RunPython(TemplateScript, {Path});
}

void ReplacePart(const QString& Path, const QString& Part, const QByteArray& Content, int Padding)
{
    RunPython(ReplacePartScript, {Path, Part, QString::fromUtf8(Content), QString::number(Padding)});
}

} // namespace TestSupport
