#include "Processes.h"

#include <QElapsedTimer>
#include <QProcess>

#include <algorithm>
#include <limits>
#include <optional>

namespace {

TProcessOutcome OutcomeOf(const QProcess& Process)
{
    if (Process.exitStatus() != QProcess::NormalExit)
        return TProcessOutcome::Crashed;
    return Process.exitCode() == 0 ? TProcessOutcome::Finished : TProcessOutcome::Failed;
}

// Ends a program that is to stop: asked first, killed after a second.
void End(QProcess& Process)
{
    Process.terminate();
    if (!Process.waitForFinished(1000)) {
        Process.kill();
        Process.waitForFinished(-1);
    }
}

// Waits for the end within the time, asking GoOn between short waits; the outcome when the
// program did not end by itself.
std::optional<TProcessOutcome> Wait(QProcess& Process, int TimeoutMilliseconds, const std::function<bool()>& GoOn)
{
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        // A time below zero is no limit.
        const qint64 left = TimeoutMilliseconds < 0 ? std::numeric_limits<int>::max() : TimeoutMilliseconds - waited.elapsed();
        if (left <= 0)
            return TProcessOutcome::TimedOut;
        const int slice = static_cast<int>(GoOn ? std::min<qint64>(left, WaitSliceMs) : left);
        if (Process.waitForFinished(slice) || Process.state() == QProcess::NotRunning)
            return std::nullopt;
        if (GoOn && !GoOn())
            return TProcessOutcome::Stopped;
    }
}

} // namespace

TProcessResult RunProcess(const QString& Program, const QStringList& Arguments, int TimeoutMilliseconds,
    const std::function<bool()>& GoOn)
{
    TProcessResult result;
    QProcess process;
    process.start(Program, Arguments);
    if (!process.waitForStarted(-1))
        return result;
    process.closeWriteChannel();
    if (const std::optional<TProcessOutcome> ended = Wait(process, TimeoutMilliseconds, GoOn)) {
        End(process);
        result.Outcome = *ended;
    } else {
        result.Outcome = OutcomeOf(process);
        result.ExitCode = process.exitCode();
    }
    result.Output = process.readAllStandardOutput();
    result.Errors = process.readAllStandardError();
    return result;
}
