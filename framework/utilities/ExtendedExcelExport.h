#pragma once
// Export of the rows behind a data grid into a spreadsheet file, driven through the
// late-bound automation object "Excel.Application".
//
// The grid's column titles go into row 3 from column 2 on, the rows below them; the file is
// saved as <directory>/<file-name part of FileName>.xls, the directory being the value
// "ReportPath" of the registry key Env::RegistryKeyRoot + "\ZayavkaReportDialog", or the
// user's home directory when there is none (the file's content is an Office Open XML
// workbook, which spreadsheet programs open by its content). The status panel shows the
// progress every 20 records. The spreadsheet application is told to quit in every case; a
// failure reaches the caller after that, with the status text left as it was.

#include <QString>

class TDBGrid;

namespace ExtendedExcelExport {

// Opens the workbook TemplateName and writes every value as text. A grid column whose
// field the dataset lacks ends the export with the failure.
bool ExportToMsExcelWithTemplate(TDBGrid* Grid, const QString& TemplateName, const QString& FileName);
// Writes into a new workbook, values typed by their field: strings as text, 32-bit integers
// as integers, floating-point numbers as doubles, everything else as text, an empty value
// as an empty text. The dataset's controls are disabled meanwhile and enabled again after
// the quit. A cell that cannot be written (for instance of a column whose field the dataset
// lacks) stays empty and the export goes on.
bool ExportToMsExcelWithDBGrid(TDBGrid* Grid, const QString& FileName);
// Does nothing: kept for the packages that call it.
void ShowExcelReport(const QString& FileName);

// The directory of the grid exports, read from the registry as described above.
QString ReportDirectory();

} // namespace ExtendedExcelExport
