#include "Thread.h"

#include "Exceptions.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMutex>
#include <QThread>

VEL_IMPLEMENT_CLASS(TThread)

namespace {

QThread::Priority QtPriority(TThreadPriority Priority)
{
    switch (Priority) {
    case tpIdle: return QThread::IdlePriority;
    case tpLowest: return QThread::LowestPriority;
    case tpLower: return QThread::LowPriority;
    case tpNormal: return QThread::NormalPriority;
    case tpHigher: return QThread::HighPriority;
    case tpHighest: return QThread::HighestPriority;
    case tpTimeCritical: return QThread::TimeCriticalPriority;
    }
    return QThread::NormalPriority;
}

bool OnMainThread()
{
    return !QCoreApplication::instance() || QThread::currentThread() == QCoreApplication::instance()->thread();
}

} // namespace

class TThread::TWorker : public QThread {
public:
    explicit TWorker(TThread& Owner) : FOwner(Owner) {}

    QString FatalException() const
    {
        QMutexLocker lock(&FMutex);
        return FFatalException;
    }

protected:
    void run() override
    {
        try {
            FOwner.Execute();
        } catch (...) {
            QMutexLocker lock(&FMutex);
            FFatalException = ExceptionMessage(std::current_exception());
        }
    }

private:
    TThread& FOwner;
    mutable QMutex FMutex;
    QString FFatalException;
};

TThread::TThread()
    : FWorker(std::make_unique<TWorker>(*this))
{
}

TThread::~TThread()
{
    // The derived part is gone by now, so TerminatedSet cannot be called: a class whose
    // Execute sleeps must terminate and wait for itself in its own destructor.
    if (FStarted && !FWorker->isFinished()) {
        FTerminated.store(true);
        WaitFor();
    }
}

void TThread::Start()
{
    if (FStarted)
        return;
    FStarted = true;
    FWorker->start(QtPriority(FPriority));
}

void TThread::Terminate()
{
    FTerminated.store(true);
    TerminatedSet();
}

bool TThread::Finished() const
{
    return FStarted && FWorker->isFinished();
}

void TThread::WaitFor()
{
    if (!FStarted)
        return;
    if (OnMainThread()) {
        // Serve hand-overs until the worker has ended: the queued connection is made before
        // the check, so a finish between the two still ends the loop.
        QEventLoop loop;
        QObject::connect(FWorker.get(), &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
        if (!FWorker->isFinished())
            loop.exec();
    }
    FWorker->wait();
}

void TThread::SetPriority(TThreadPriority Priority)
{
    FPriority = Priority;
    if (FWorker->isRunning())
        FWorker->setPriority(QtPriority(Priority));
}

void TThread::Synchronize(const std::function<void()>& Method)
{
    if (OnMainThread()) {
        Method();
        return;
    }
    std::exception_ptr error;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [&Method, &error] {
            try {
                Method();
            } catch (...) {
                error = std::current_exception();
            }
        },
        Qt::BlockingQueuedConnection);
    if (error)
        std::rethrow_exception(error);
}

QString TThread::FatalException() const
{
    return FWorker->FatalException();
}
