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
// order) listed for every user; then runs the author's SQL files (SqlScript.h). Runs as one
// transaction: on failure it is rolled back and EDatabaseError (or the file's error) raised,
// so the database is left as it was.
void Provision(const QSqlDatabase& Connection, int Rows, const QStringList& Packages = PackageFiles(),
               const QStringList& SqlFiles = {});

// The program's own tables only (POLZOVATEL, modul, CLASS, NAVIGATSIA, KLYUCHI), for a
// package author's application: the users DEMO (ID 1) and ПРОДАВЕЦ (ID 2) with Packages,
// the class "RootClass" as CLASS row 1 and no navigation; then the author's SQL files, which
// add their tables, rows and schema. One transaction, as Provision.
void ProvisionProgramTables(const QSqlDatabase& Connection, const QStringList& Packages, const QStringList& SqlFiles);

} // namespace DemoSchema
