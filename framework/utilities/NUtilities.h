#pragma once
// Diagnostic messages behind a switch: the value "DebugMessages" under "Software\Velnor02"
// of the current user, read once when the unit initialises (1 = on, anything else off).

#include <QString>

class TDataSet;

namespace NUtilities {

// Shows Message in a plain modal message box when the switch is on; the numbers are unused.
void ShowDebugMessage(const QString& Message, int, int, int);
// Nothing to do: the switch is read by the unit's initialisation.
bool InitializeDebugManager();

// Exports every field of every record of DataSet into a new spreadsheet file through
// "Excel.Application": the first record in row 3, the first field in column 2, all values as
// text, no title row. The file is <Env::ReportPath>/<file-name part of FileName>.xls (the
// home directory when Env::ReportPath is empty). The spreadsheet application is told to quit
// in every case; a failure reaches the caller after that.
bool ExportToMsExcel(TDataSet* DataSet, const QString& FileName);

// Initialisation reads the switch; a "DebugMessages" value that is not an integer raises.
void Initialize();
void Finalize();

} // namespace NUtilities
