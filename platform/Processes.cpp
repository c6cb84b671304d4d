#include "Processes.h"

#include <QProcess>

TProcessOutcome RunProcess(const QString& Program, const QStringList& Arguments, int TimeoutMilliseconds)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(Program, Arguments);
    if (!process.waitForStarted(-1))
        return TProcessOutcome::NotStarted;
    process.closeWriteChannel();
    if (process.waitForFinished(TimeoutMilliseconds) || process.state() == QProcess::NotRunning)
        return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0 ? TProcessOutcome::Finished
                                                                                       : TProcessOutcome::Failed;
    process.kill();
    process.waitForFinished(-1);
    return TProcessOutcome::TimedOut;
}
