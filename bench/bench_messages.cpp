// The message manager's figures beside their baselines, measured in one run:
// - delivery throughput (Send -> OnMessage on the main thread) beside the bare blocking
//   hand-over to the main thread (Synchronize of an empty function) it is built on;
// - the CPU a started manager with an empty queue spends while the main thread runs its
//   event loop, beside the event loop alone (goal: under 1% of one core).

#include "BenchSupport.h"
#include "MessageManager.h"
#include "Velkit07.h"

#include <QApplication>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <condition_variable>
#include <cstdio>
#include <ctime>
#include <map>
#include <mutex>

namespace {

using EClasses::TEntity;
using EClasses::TMessageInfo;
using MessageManager::TMessageManager;

const int BatchSize = 1000;
const qint32 BenchType = 1;

// Serves hand-overs on the main thread until Done; sleeps in the event loop in between.
template <class Predicate>
void ServeUntil(Predicate Done)
{
    while (!Done())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

class TCounter : public TEntity {
public:
    TCounter() : TEntity(QString(), nullptr) {}
    void OnMessage(TMessageInfo*) override { ++Received; }
    long long Received = 0;
};

void MessageDelivery(benchmark::State& State)
{
    TCounter counter;
    TMessageManager manager;
    manager.Subscribe(&counter, BenchType);
    manager.Start();
    const QString text = QStringLiteral("сообщение");
    for (auto _ : State) {
        const long long target = counter.Received + BatchSize;
        for (int i = 0; i < BatchSize; ++i)
            manager.Send(&counter, BenchType, text);
        ServeUntil([&] { return counter.Received == target; });
    }
    manager.Terminate();
    manager.WaitFor();
    State.SetItemsProcessed(State.iterations() * BatchSize);
}

// A worker that, on request, hands an empty function over to the main thread BatchSize times.
class TBareHandOver : public TThread {
public:
    ~TBareHandOver() override
    {
        Terminate();
        WaitFor();
    }

    void RequestBatch()
    {
        std::lock_guard lock(FMutex);
        ++FRequested;
        FChanged.notify_all();
    }

    long long Served = 0; // counted on the main thread

protected:
    void Execute() override
    {
        while (WaitForRequest())
            for (int i = 0; i < BatchSize; ++i)
                Synchronize([this] { ++Served; });
    }

    void TerminatedSet() override
    {
        std::lock_guard lock(FMutex);
        FChanged.notify_all();
    }

private:
    bool WaitForRequest()
    {
        std::unique_lock lock(FMutex);
        FChanged.wait(lock, [this] { return Terminated() || FRequested > 0; });
        if (Terminated())
            return false;
        --FRequested;
        return true;
    }

    std::mutex FMutex;
    std::condition_variable FChanged;
    int FRequested = 0;
};

void BareHandOver(benchmark::State& State)
{
    TBareHandOver worker;
    worker.SetPriority(tpLowest);
    worker.Start();
    for (auto _ : State) {
        const long long target = worker.Served + BatchSize;
        worker.RequestBatch();
        ServeUntil([&] { return worker.Served == target; });
    }
    State.SetItemsProcessed(State.iterations() * BatchSize);
}

double ClockSeconds(clockid_t Clock)
{
    timespec now{};
    clock_gettime(Clock, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

const int IdleMilliseconds = BenchSupport::Scaled(5000);

// Runs the main thread's event loop for five seconds; reports the process's CPU time in
// that span as a percentage of one core.
void ReportIdleCpu(benchmark::State& State)
{
    for (auto _ : State) {
        const double cpuBefore = ClockSeconds(CLOCK_PROCESS_CPUTIME_ID);
        const double wallBefore = ClockSeconds(CLOCK_MONOTONIC);
        QEventLoop loop;
        QTimer::singleShot(IdleMilliseconds, Qt::PreciseTimer, &loop, &QEventLoop::quit);
        loop.exec();
        const double cpu = ClockSeconds(CLOCK_PROCESS_CPUTIME_ID) - cpuBefore;
        State.counters["cpu_percent_of_core"] = cpu * 100.0 / (ClockSeconds(CLOCK_MONOTONIC) - wallBefore);
    }
}

void IdleEventLoop(benchmark::State& State)
{
    ReportIdleCpu(State);
}

void IdleStartedManager(benchmark::State& State)
{
    TMessageManager manager;
    manager.Start();
    ReportIdleCpu(State);
    manager.Terminate();
    manager.WaitFor();
}

// Prints each figure as usual and keeps the figures the comparison lines need.
class TComparingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& Reports) override
    {
        ConsoleReporter::ReportRuns(Reports);
        for (const Run& run : Reports) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred)
                continue;
            for (const auto& [name, counter] : run.counters)
                FFigures[run.run_name.function_name + "/" + name] = counter.value;
        }
    }

    void PrintComparison() const
    {
        const double messages = Figure("BM_MessageDelivery/items_per_second");
        const double handOvers = Figure("BM_BareHandOver/items_per_second");
        if (messages > 0 && handOvers > 0)
            std::printf("Delivery: %.0f messages/s; bare hand-over: %.0f/s; one message costs %.2f hand-overs\n",
                messages, handOvers, handOvers / messages);
        std::printf("Idle CPU in %d ms: event loop alone %.3f%%, with a started manager %.3f%% of one core (goal < 1%%)\n",
            IdleMilliseconds, Figure("BM_IdleEventLoop/cpu_percent_of_core"),
            Figure("BM_IdleStartedManager/cpu_percent_of_core"));
    }

private:
    double Figure(const std::string& Name) const
    {
        auto found = FFigures.find(Name);
        return found == FFigures.end() ? 0.0 : found->second;
    }

    std::map<std::string, double> FFigures;
};

} // namespace

int main(int argc, char** argv)
{
    BenchSupport::TProgram program(argc, argv);
    Velkit07::Initialize();

    benchmark::RegisterBenchmark("BM_MessageDelivery", MessageDelivery)->UseRealTime()->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_BareHandOver", BareHandOver)->UseRealTime()->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_IdleEventLoop", IdleEventLoop)->Iterations(1)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_IdleStartedManager", IdleStartedManager)->Iterations(1)->Unit(benchmark::kMillisecond);

    TComparingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintComparison();

    Velkit07::Finalize();
    return 0;
}
