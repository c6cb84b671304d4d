#pragma once
// The service "Выгрузка клиентов" in the menu "Сервис": every client, with all its fields,
// into a spreadsheet file in Env::ReportPath, which the application sets from its report
// settings when the session starts.

#include <QString>

namespace DemoClientExport {

inline const QString ServiceName = QStringLiteral("Выгрузка клиентов");

// Env::ReportPath := the report directory of the application's settings.
void UseReportDirectory();
// Exports the clients and tells the user where the file is.
void ExportClients();

void RegisterService();
void UnregisterService();

} // namespace DemoClientExport
