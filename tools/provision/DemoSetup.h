#pragma once
// Provisioning of a ready-to-run demo into one directory: the demo database (a SQLite file
// in the directory, or a PostgreSQL database), the alias file and the registry file that
// point the program at it. The alias and registry files are written last, each replaced
// in one step, so a failed run never leaves a half-written one behind.

#include "DemoSchema.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <functional>

namespace DemoSetup {

struct TSettings {
    QString Dir;
    int Rows = DemoSchema::DefaultRows;
    QString PackagesPath;   // empty: the packages folder next to the running program
    QString Postgres;       // a libpq connection string; empty: a SQLite file in Dir
    QStringList ExtraPackages;  // package files every user loads after the sample packages
    QStringList SqlFiles;       // the author's SQL, run after the demo's tables (SqlScript.h)
    bool Sample = true;         // false: the program's own tables only, no sample application
};

// The parts of a libpq connection string the alias file keeps apart; every other key
// (user, password, options, sslmode ...) goes into Options, ";"-separated.
struct TPostgresTarget {
    QString Host;
    QString Port;
    QString Database;
    QString Options;
};

inline const QString AliasName = QStringLiteral("DEMO");
inline const QString DatabaseFile = QStringLiteral("demo.db");
inline const QString AliasFile = QStringLiteral("aliases.ini");
inline const QString RegistryFile = QStringLiteral("registry.reg");
// The report directory of the spreadsheet exports, inside the demo directory.
inline const QString ReportsDirectory = QStringLiteral("reports");

// key=value pairs separated by blanks, values optionally in single quotes with \' and \\.
// Raises EConvertError for a malformed string, one without dbname, or a value the alias
// file cannot carry.
TPostgresTarget ParsePostgres(const QString& ConnectionString);

// Opens a connection of its own to the PostgreSQL database of Target, runs Fill on it and
// closes it again. Raises EDatabaseError when the server cannot be reached.
using TFill = std::function<void(const QSqlDatabase&)>;
void WithPostgres(const TPostgresTarget& Target, const TFill& Fill);

// The packages folder next to the running program.
QString DefaultPackagesPath();

// Does the whole provisioning. Returns the shell lines that export VELNOR_REGISTRY and
// VELNOR_ALIASES. Raises Exception with a message for the user on any failure.
QStringList Run(const TSettings& Settings);

} // namespace DemoSetup
