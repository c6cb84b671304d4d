#pragma once
// TThread: a worker thread with a synchronous hand-over to the main thread.
//
// The thread is created suspended and runs Execute once started. Synchronize blocks the
// worker until the given function has run on the main thread (an exception raised there is
// raised again in the worker). The main thread runs hand-overs from its event loop, and
// WaitFor on the main thread keeps running them while it waits, so a worker that hands
// over while the main thread waits for it cannot deadlock.

#include "Object.h"

#include <QString>

#include <atomic>
#include <functional>
#include <thread>

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

class TThread : public TObject {
    VEL_DECLARE_CLASS(TThread, TObject)
public:
    TThread();
    // Asks a thread that still runs to terminate and waits for it. The derived part is gone
    // by then, so a class whose Execute sleeps must terminate and wait in its own destructor.
    ~TThread() override;

    // Starts (resumes) the suspended thread; a second call does nothing.
    void Start();
    // Asks Execute to end: sets the terminated flag and calls TerminatedSet.
    void Terminate();
    bool Terminated() const { return FTerminated.load(); }
    bool Started() const { return FStarted; }
    bool Finished() const;
    // Waits until Execute has returned; on the main thread hand-overs keep being served.
    void WaitFor();

    TThreadPriority Priority() const { return FPriority; }
    // Takes effect when the thread starts, or at once if it runs already.
    void SetPriority(TThreadPriority Priority);

    // Runs Method on the main thread and blocks until it has run; on the main thread it is
    // called directly.
    static void Synchronize(const std::function<void()>& Method);

    // The message of an exception that escaped Execute, if any.
    QString FatalException() const;

protected:
    virtual void Execute() = 0;
    // Called by Terminate; lets a worker that sleeps on a signal wake up.
    virtual void TerminatedSet() {}

private:
    void Run();
    void ApplyPriority();

    std::thread FThread;
    std::atomic<bool> FTerminated{false};
    std::atomic<int> FNativeThreadId{0};
    bool FStarted = false;
    bool FEnded = false; // guarded by the hand-over mutex
    TThreadPriority FPriority = tpNormal;
    QString FFatalException; // guarded by the hand-over mutex
};
