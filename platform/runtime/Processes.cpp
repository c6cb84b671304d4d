#include "Processes.h"

#include <QProcess>

namespace {

TProcessOutcome OutcomeOf(const QProcess& Process)
{
    if (Process.exitStatus() != QProcess::NormalExit)
        return TProcessOutcome::Crashed;
    return Process.exitCode() == 0 ? TProcessOutcome::Finished : TProcessOutcome::Failed;
}

} // namespace

TProcessResult RunProcess(const QString& Program, const QStringList& Arguments, int TimeoutMilliseconds)
{
    TProcessResult result;
    QProcess process;
    process.start(Program, Arguments);
    if (!process.waitForStarted(-1))
        return result;
    process.closeWriteChannel();
    if (process.waitForFinished(TimeoutMilliseconds) || process.state() == QProcess::NotRunning) {
        result.Outcome = OutcomeOf(process);
        result.ExitCode = process.exitCode();
    } else {
        process.kill();
        process.waitForFinished(-1);
        result.Outcome = TProcessOutcome::TimedOut;
    }
    result.Output = process.readAllStandardOutput();
    result.Errors = process.readAllStandardError();
    return result;
}
