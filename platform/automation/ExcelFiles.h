#pragma once
// The files behind the spreadsheet server: the cells put into a sheet, a new workbook
// written with libxlsxwriter, and a template workbook whose first sheet takes the cells.
// Failures raise EOleError with a message for the user.

#include <QByteArray>
#include <QString>

#include <variant>
#include <vector>

namespace ExcelFiles {

// Empty, text, integer or double.
using TCellValue = std::variant<std::monostate, QString, qint32, double>;

// The cells of one sheet by row and column (from 1), kept in row order.
class TCellStore {
public:
    // Raises EOleError outside the sheet's bounds or for a text or number a sheet cannot hold.
    void Put(int Row, int Column, TCellValue Value);
    static void CheckCell(int Row, int Column);
    // Rows 1 to RowCount may hold cells.
    int RowCount() const { return static_cast<int>(FRows.size()); }
    // The cells of Row (from 1), from column 1 on.
    const std::vector<TCellValue>& Cells(int Row) const { return FRows[static_cast<size_t>(Row) - 1]; }

private:
    std::vector<std::vector<TCellValue>> FRows;
};

// Writes a new workbook with one sheet holding the cells.
void WriteNewWorkbook(const TCellStore& Cells, const QString& Path);

// A template workbook as read on opening: the file's bytes and the entry of its first sheet.
class TWorkbookTemplate {
public:
    // Reads and checks FileName; raises EOleError when it is not an Office Open XML workbook.
    explicit TWorkbookTemplate(const QString& FileName);
    // Writes the template with the cells put into its first sheet.
    void Write(const TCellStore& Cells, const QString& Path) const;

private:
    QString FFileName;
    QByteArray FBytes;
    QString FSheetEntry;
    QByteArray FSheetXml;
};

// The sheet XML with the cells merged into its sheet data (exposed for the tests of odd sheets).
QByteArray MergeCells(const QByteArray& SheetXml, const TCellStore& Cells);

} // namespace ExcelFiles
