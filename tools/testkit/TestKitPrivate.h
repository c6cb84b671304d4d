#pragma once
// What the files of the test kit share: the session's state and the program's main window.

#include "TestKit.h"

#include "mainform.h"

#include <QByteArray>
#include <QTemporaryDir>

#include <map>
#include <vector>

namespace TestKit {

// Sets an environment variable while it lives; puts back the value before (or none).
class TEnvironmentOverride {
public:
    TEnvironmentOverride(const char* Name, const QString& Value);
    ~TEnvironmentOverride();
    TEnvironmentOverride(const TEnvironmentOverride&) = delete;
    TEnvironmentOverride& operator=(const TEnvironmentOverride&) = delete;

private:
    const char* FName;
    bool FHadValue;
    QByteArray FOldValue;
};

// The entries of the environment's registries, by registry, and the entities alive.
struct TSnapshot {
    std::map<QString, QStringList> Registries;
    qint64 Entities = 0;
};

// Ends what the session started, in reverse order, whatever state it got to.
struct TProgramSession::TState {
    ~TState();
    QTemporaryDir Dir;
    std::vector<std::unique_ptr<TEnvironmentOverride>> Overrides;
    QString Postgres;          // the connection string of the server, empty for SQLite
    QString PostgresSchema;    // the schema made for the session on it
    TScriptedDialogHost Dialogs;
    TDialogHost* PreviousHost = nullptr;
    bool ProgramStarted = false;
    TSnapshot Before;
    QStringList Leftovers;     // the loader's reports of what packages left registered
};

// Answers the application chooser of the next connect with the application of that title
// (empty: the one it offers). The shell's own tests connect with it too.
void QueueChooserAnswer(TScriptedDialogHost& Dialogs, const QString& Title = QString());

// The main window of the running program; raises EFailure when the session is not running.
mainform::TForm1* MainWindow();
void RequireSession();

} // namespace TestKit
