#include "Thread.h"

#include "Exceptions.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>

#include <condition_variable>
#include <deque>
#include <mutex>

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

// Hand-overs waiting for the main thread. Everything that passes between the threads goes
// through this queue's own mutex and condition variable (the posted Qt event only wakes the
// main thread), so the race detector sees every hand-over as synchronised.
struct THandOver {
    const std::function<void()>* Method;
    bool Done = false;
    std::exception_ptr Error;
};

std::mutex HandOverMutex;
std::condition_variable HandOverDone;
std::deque<THandOver*> PendingHandOvers;

void RunPendingHandOvers()
{
    for (;;) {
        THandOver* handOver = nullptr;
        {
            std::lock_guard lock(HandOverMutex);
            if (PendingHandOvers.empty())
                return;
            handOver = PendingHandOvers.front();
            PendingHandOvers.pop_front();
        }
        std::exception_ptr error;
        try {
            (*handOver->Method)();
        } catch (...) {
            error = std::current_exception();
        }
        std::lock_guard lock(HandOverMutex);
        handOver->Error = error;
        handOver->Done = true;
        HandOverDone.notify_all();
    }
}

} // namespace

class TThread::TWorker : public QThread {
public:
    explicit TWorker(TThread& Owner) : FOwner(Owner) {}

    QString FatalException() const
    {
        std::lock_guard lock(FMutex);
        return FFatalException;
    }

    // Blocks until run() has returned; pairs with the end of run() for the race detector.
    void WaitForEnd()
    {
        std::unique_lock lock(FMutex);
        FEnded.wait(lock, [this] { return FRunEnded; });
    }

protected:
    void run() override
    {
        QString fatal;
        try {
            FOwner.Execute();
        } catch (...) {
            fatal = ExceptionMessage(std::current_exception());
        }
        std::lock_guard lock(FMutex);
        FFatalException = fatal;
        FRunEnded = true;
        FEnded.notify_all();
    }

private:
    TThread& FOwner;
    mutable std::mutex FMutex;
    std::condition_variable FEnded;
    bool FRunEnded = false;
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
    FWorker->WaitForEnd();
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
    THandOver handOver{&Method, false, nullptr};
    {
        std::lock_guard lock(HandOverMutex);
        PendingHandOvers.push_back(&handOver);
    }
    QMetaObject::invokeMethod(QCoreApplication::instance(), &RunPendingHandOvers, Qt::QueuedConnection);
    std::unique_lock lock(HandOverMutex);
    HandOverDone.wait(lock, [&handOver] { return handOver.Done; });
    if (handOver.Error)
        std::rethrow_exception(handOver.Error);
}

QString TThread::FatalException() const
{
    return FWorker->FatalException();
}
