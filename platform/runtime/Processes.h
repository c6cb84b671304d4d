#pragma once
// Running another program to its end: started from an argument vector (never through a
// shell, so blanks, quotes and Cyrillic letters in its words need no quoting), with the
// caller's environment and current directory, waited for at most a given time and killed
// when it runs longer. Its standard output and standard error are kept for the caller.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

enum class TProcessOutcome {
    Finished,       // the program ended within the time with exit status 0
    Failed,         // the program ended within the time with another status
    Crashed,        // the program was ended by a signal
    NotStarted,     // the program does not exist or cannot be executed
    TimedOut,       // the program ran longer than the time and was ended
    Stopped,        // the caller asked it to stop and it was ended
};

struct TProcessResult {
    TProcessOutcome Outcome = TProcessOutcome::NotStarted;
    int ExitCode = 0;       // of a program that finished or failed
    QByteArray Output;      // its standard output
    QByteArray Errors;      // its standard error
};

// While the program runs, GoOn (when given) is asked at least every WaitSliceMs whether it may
// go on; it can let the caller's screen repaint meanwhile. A program that is to stop, or runs
// longer than the time, is asked to end (SIGTERM, so that it can remove what it had half
// written) and killed when it has not ended within a second.
inline constexpr int WaitSliceMs = 20;
TProcessResult RunProcess(const QString& Program, const QStringList& Arguments, int TimeoutMilliseconds,
    const std::function<bool()>& GoOn = {});
