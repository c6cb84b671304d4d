#pragma once
// Our own "Excel.Application" automation server: it writes real Office Open XML workbooks.
//
// Object model (names ignore letter case):
//   application: WorkBooks (method, the workbooks), Sheets(index) (property, a sheet of the
//                active workbook), Quit (method, closes every workbook without saving)
//   workbooks:   Add (new workbook), Open(file name, a string that may be passed by
//                reference), Item(index) (property), Close (closes every workbook)
//   workbook:    SaveAs(path)
//   sheet:       Select, Cells(row, column) (property, counted from 1)
//   cell:        Value (property put: a string, an integer or a double; empty clears it)
//
// A new workbook has one sheet and is written with libxlsxwriter, cells typed as they were
// put. A workbook opened from a template is saved as the template's own file with the cells
// put into its first sheet: strings as inline strings, numbers as numbers, each cell keeping
// the template cell's style (or its row's or column's); everything else in the file (styles,
// merged cells, column widths, other sheets) stays as it was. Open reads every part of the
// template to its end and checks it (its CRC, its size, no more than 256 MiB inflated nor a
// ratio no real workbook has, relationships inside the package, cells and rows inside the
// sheet): a template that is not such a workbook, or a damaged one, raises EOleError naming
// it, before anything is written. SaveAs writes a temporary file beside the target and
// renames it over the target, so a failed save leaves an existing file as it was; a read-only
// target is refused, a link is written at its target, and the file keeps its permission bits
// (a new one gets those the umask leaves). It raises EOleError naming the path and the reason.

#include "AutomationObjects.h"

namespace ExcelServer {

// A new application object (the factory registered under "Excel.Application").
std::shared_ptr<TAutomationObject> NewApplication();

} // namespace ExcelServer
