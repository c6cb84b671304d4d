#include "Thread.h"

#include "Exceptions.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QThread>

#include <condition_variable>
#include <deque>
#include <mutex>

#include <sys/eventfd.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

VEL_IMPLEMENT_CLASS(TThread)

namespace {

bool OnMainThread()
{
    return !QCoreApplication::instance() || QThread::currentThread() == QCoreApplication::instance()->thread();
}

// The nice value of each priority: threads of one process may have nice values of their own.
int NiceValue(TThreadPriority Priority)
{
    switch (Priority) {
    case tpIdle: return 19;
    case tpLowest: return 15;
    case tpLower: return 5;
    case tpNormal: return 0;
    case tpHigher: return -5;
    case tpHighest: return -10;
    case tpTimeCritical: return -15;
    }
    return 0;
}

// Hand-overs waiting for the main thread. Everything that passes between the threads goes
// through this mutex and condition variable; the event file only wakes the main thread's
// event loop. So the race detector sees every hand-over as synchronised, and a main thread
// that waits for a worker can serve it without running its event loop.
struct THandOver {
    const std::function<void()>* Method;
    bool Done;
    std::exception_ptr Error;
};

std::mutex HandOverMutex;
std::condition_variable HandOverChanged;
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
        HandOverChanged.notify_all();
    }
}

// The main thread's wake-up: an event file watched by its event loop.
class TMainThreadWaker {
public:
    TMainThreadWaker()
        : FEventFile(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)),
          FNotifier(FEventFile, QSocketNotifier::Read)
    {
        QObject::connect(&FNotifier, &QSocketNotifier::activated, [this] {
            eventfd_t count = 0;
            eventfd_read(FEventFile, &count);
            RunPendingHandOvers();
        });
    }
    ~TMainThreadWaker() { close(FEventFile); }

    void Wake() { eventfd_write(FEventFile, 1); }

private:
    int FEventFile;
    QSocketNotifier FNotifier;
};

// Made on the main thread by the first thread object, so its notifier belongs there.
TMainThreadWaker& Waker()
{
    static TMainThreadWaker waker;
    return waker;
}

} // namespace

TThread::TThread()
{
    if (OnMainThread())
        Waker();
}

TThread::~TThread()
{
    if (FStarted) {
        FTerminated.store(true);
        WaitFor();
    }
}

void TThread::Start()
{
    if (FStarted)
        return;
    FStarted = true;
    FThread = std::thread([this] { Run(); });
}

void TThread::Run()
{
    FNativeThreadId.store(static_cast<int>(syscall(SYS_gettid)));
    ApplyPriority();
    QString fatal;
    try {
        Execute();
    } catch (...) {
        fatal = ExceptionMessage(std::current_exception());
    }
    std::lock_guard lock(HandOverMutex);
    FFatalException = fatal;
    FEnded = true;
    HandOverChanged.notify_all();
}

void TThread::Terminate()
{
    FTerminated.store(true);
    TerminatedSet();
}

bool TThread::Finished() const
{
    std::lock_guard lock(HandOverMutex);
    return FEnded;
}

void TThread::WaitFor()
{
    if (!FThread.joinable())
        return;
    if (OnMainThread()) {
        std::unique_lock lock(HandOverMutex);
        while (!FEnded) {
            lock.unlock();
            RunPendingHandOvers();
            lock.lock();
            HandOverChanged.wait(lock, [this] { return FEnded || !PendingHandOvers.empty(); });
        }
    }
    FThread.join();
}

void TThread::SetPriority(TThreadPriority Priority)
{
    FPriority = Priority;
    ApplyPriority();
}

void TThread::ApplyPriority()
{
    const int threadId = FNativeThreadId.load();
    if (threadId != 0)
        setpriority(PRIO_PROCESS, static_cast<id_t>(threadId), NiceValue(FPriority));
}

void TThread::Synchronize(const std::function<void()>& Method)
{
    if (OnMainThread()) {
        Method();
        return;
    }
    THandOver handOver{&Method, false, nullptr};
    std::unique_lock lock(HandOverMutex);
    PendingHandOvers.push_back(&handOver);
    HandOverChanged.notify_all();
    Waker().Wake();
    HandOverChanged.wait(lock, [&handOver] { return handOver.Done; });
    if (handOver.Error)
        std::rethrow_exception(handOver.Error);
}

QString TThread::FatalException() const
{
    std::lock_guard lock(HandOverMutex);
    return FFatalException;
}
