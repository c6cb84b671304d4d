#pragma once
// Reading a template workbook, an Office Open XML package: the file is read whole, every part
// is read to its end and checked (sizes, CRC, how far it inflates) before any is used, and the
// workbook's first sheet is found through the package's relationships. A file that is no such
// workbook raises EOleError saying why.

#include <QByteArray>
#include <QString>

namespace WorkbookReader {

// A workbook as read: the file's bytes and the entry and XML of its first sheet.
struct TWorkbookFile {
    QByteArray Bytes;
    QString SheetEntry;
    QByteArray SheetXml;
};

TWorkbookFile Read(const QString& FileName);

// Raises the EOleError of a file that is not a workbook, with Reason.
[[noreturn]] void RaiseNotAWorkbook(const QString& FileName, const QString& Reason);

} // namespace WorkbookReader
