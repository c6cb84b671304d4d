#pragma once
// TThread: a worker thread with a synchronous hand-over to the main thread.
//
// The thread is created suspended and runs Execute once started. Synchronize blocks the
// worker until the given function has run on the main thread (an exception raised there is
// raised again in the worker). WaitFor on the main thread keeps serving hand-overs while it
// waits, so a worker that hands over while the main thread waits for it cannot deadlock.

#include "Object.h"

#include <QString>

#include <atomic>
#include <functional>
#include <memory>

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

class TThread : public TObject {
    VEL_DECLARE_CLASS(TThread, TObject)
public:
    TThread();
    // Asks a thread that still runs to terminate and waits for it.
    ~TThread() override;

    // Starts (resumes) the suspended thread; a second call does nothing.
    void Start();
    // Asks Execute to end: sets the terminated flag and calls TerminatedSet.
    void Terminate();
    bool Terminated() const { return FTerminated.load(); }
    bool Started() const { return FStarted; }
    bool Finished() const;
    // Waits until Execute has returned. On the main thread hand-overs keep being served.
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
    class TWorker;
    std::unique_ptr<TWorker> FWorker;
    std::atomic<bool> FTerminated{false};
    bool FStarted = false;
    TThreadPriority FPriority = tpNormal;
};
