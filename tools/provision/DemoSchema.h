#pragma once
// The demo database of the sample application: the system tables (users, packages, the
// navigation schema), the trading firm's tables with their journals, and their data.
// Works on an open SQLite or PostgreSQL connection (Qt drivers QSQLITE and QPSQL).

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace DemoSchema {

// Clients and orders by default: a few thousand rows, quick to make and to browse.
inline constexpr int DefaultRows = 3000;
inline constexpr qint32 DemoUserID = 1;
inline constexpr qint32 ClerkUserID = 2;
// The user the demo logs in as, as stored in POLZOVATEL (capitals).
QString DemoUserName();
QString ClerkUserName();
// The package files of the sample application, in load order.
QStringList PackageFiles();

// The tables of the application's entities; each has the journals X_N and X_D.
QStringList EntityTables();
// Every table the demo creates, journals and system tables included.
QStringList AllTables();

// Replaces every demo table on Connection with a new one and fills it: Rows clients and
// Rows orders (Rows > 0) besides fixed reference data, and Packages (file names, in load
// order) listed for every user. Runs as one transaction: on failure it is rolled back and
// EDatabaseError raised, so the database is left as it was.
void Provision(const QSqlDatabase& Connection, int Rows, const QStringList& Packages = PackageFiles());

} // namespace DemoSchema
