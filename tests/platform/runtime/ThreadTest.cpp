#include "Thread.h"

#include "Exceptions.h"

#include <QCoreApplication>
#include <QThread>

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

namespace {

// Hands over a number of times; each hand-over records the thread it ran on.
class THandingOver : public TThread {
public:
    explicit THandingOver(int Count) : FCount(Count) {}
    int Served = 0;
    bool AllOnMainThread = true;
    QString CaughtInWorker;

protected:
    void Execute() override
    {
        for (int i = 0; i < FCount && !Terminated(); ++i)
            Synchronize([this] {
                ++Served;
                AllOnMainThread = AllOnMainThread && QThread::currentThread() == qApp->thread();
            });
        try {
            Synchronize([] { throw EDatabaseError(QStringLiteral("сбой")); });
        } catch (const Exception& e) {
            CaughtInWorker = e.Message();
        }
    }

private:
    int FCount;
};

TEST(Thread, WaitingOnTheMainThreadServesHandOversAndRaisesTheirErrorsInTheWorker)
{
    THandingOver thread(200);
    EXPECT_FALSE(thread.Started());
    thread.Start();
    thread.WaitFor();
    EXPECT_TRUE(thread.Finished());
    EXPECT_EQ(thread.Served, 200);
    EXPECT_TRUE(thread.AllOnMainThread);
    EXPECT_EQ(thread.CaughtInWorker, QStringLiteral("сбой"));
}

// Sleeps on a signal until terminated: Terminate must wake it.
class TSleeper : public TThread {
protected:
    void Execute() override
    {
        std::unique_lock lock(FMutex);
        FWake.wait(lock, [this] { return Terminated(); });
    }
    void TerminatedSet() override
    {
        std::lock_guard lock(FMutex);
        FWake.notify_all();
    }

private:
    std::mutex FMutex;
    std::condition_variable FWake;
};

TEST(Thread, TerminateWakesASleepingWorker)
{
    TSleeper sleeper;
    sleeper.SetPriority(tpLowest);
    sleeper.Start();
    sleeper.Terminate();
    sleeper.WaitFor();
    EXPECT_TRUE(sleeper.Finished());
    EXPECT_EQ(sleeper.Priority(), tpLowest);
}

class TFailing : public TThread {
protected:
    void Execute() override { throw EListError(QStringLiteral("плохой индекс")); }
};

TEST(Thread, AnExceptionEscapingExecuteIsKeptNotFatal)
{
    TFailing thread;
    thread.Start();
    thread.WaitFor();
    EXPECT_EQ(thread.FatalException(), QStringLiteral("плохой индекс"));
}

} // namespace
