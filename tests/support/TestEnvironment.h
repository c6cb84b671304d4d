#pragma once
// What every test runs in: a private registry file, alias file and working directory
// (set through the environment before the framework starts), and the scripted dialog host.

#include "Dialogs.h"

#include <QString>

namespace TestSupport {

// The scripted host installed for the whole test program; reset before every test.
TScriptedDialogHost& Dialogs();

// The private directory of this test program (removed when it ends).
QString TempDir();
// Paths of the private registry and alias files.
QString RegistryFile();
QString AliasFile();

// The PostgreSQL server the test script started, as a libpq connection string
// ("host=... port=... dbname=... user=..."), or empty when none was handed over.
QString PostgresConnection();

} // namespace TestSupport
