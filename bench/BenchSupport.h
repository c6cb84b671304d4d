#pragma once
// What the benchmark programs share: a private environment for the framework, and a
// reporter that prints as usual and keeps each benchmark's mean time for the comparison
// lines printed after the runs.

#include <QApplication>
#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>

namespace BenchSupport {

// The registry, the alias file and the run-time folder live in Dir, never the user's own;
// windows are drawn offscreen unless a platform is chosen.
inline void UsePrivateEnvironment(const QTemporaryDir& Dir)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("VELNOR_REGISTRY", Dir.filePath(QStringLiteral("registry.reg")).toUtf8());
    qputenv("VELNOR_ALIASES", Dir.filePath(QStringLiteral("aliases.ini")).toUtf8());
    qputenv("XDG_CONFIG_HOME", Dir.path().toUtf8());
    qputenv("XDG_RUNTIME_DIR", Dir.path().toUtf8());
}

// The size a benchmark works on: as given, or a hundredth of it (at least 10) when
// VELNOR_BENCH_QUICK is set, for a run that only checks that the program still runs to its
// end and prints its figures (tools/bench-quick.sh).
inline bool QuickRun()
{
    return qEnvironmentVariableIsSet("VELNOR_BENCH_QUICK");
}

inline int Scaled(int Size)
{
    return QuickRun() ? std::max(10, Size / 100) : Size;
}

// An empty SQLite database file at Path: a missing file is an error, never created by opening.
inline bool CreateSQLiteFile(const QString& Path)
{
    QFile file(Path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate);
}

// What every benchmark program opens with and closes on: a private environment in a
// temporary folder (Dir), the application, and the benchmark library with its arguments.
class TProgram {
public:
    TProgram(int& Argc, char** Argv) : FApplication((UsePrivateEnvironment(FDir), Argc), Argv)
    {
        benchmark::Initialize(&Argc, Argv);
    }
    ~TProgram() { benchmark::Shutdown(); }
    TProgram(const TProgram&) = delete;
    TProgram& operator=(const TProgram&) = delete;

    const QTemporaryDir& Dir() const { return FDir; }

private:
    QTemporaryDir FDir;
    QApplication FApplication;
};

// Keeps each benchmark's time: the median of its repetitions when it runs with
// --benchmark_repetitions (a busy machine spoils single runs), else its mean. Real (wall)
// time and the benchmark thread's CPU time are both kept: on a machine shared with other
// work the CPU time shows what the code costs, the real time what a user waits.
class TTimeReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& Reports) override
    {
        ConsoleReporter::ReportRuns(Reports);
        for (const Run& run : Reports) {
            if (run.error_occurred)
                continue;
            const std::string& name = run.run_name.function_name;
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (median || (run.run_type == Run::RT_Iteration && !FMedians.count(name))) {
                FTimes[name] = {run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
                if (median)
                    FMedians.insert(name);
            }
        }
    }

    // The real time of a benchmark that ran, in its unit; false when it did not run.
    bool Time(const std::string& Name, double& Time) const { return Figure(Name, Time, &TFigures::Real); }
    // The same in CPU time of the benchmark's thread.
    bool CpuTime(const std::string& Name, double& Time) const { return Figure(Name, Time, &TFigures::Cpu); }

private:
    struct TFigures {
        double Real;
        double Cpu;
    };
    bool Figure(const std::string& Name, double& Time, double TFigures::*Kind) const
    {
        auto found = FTimes.find(Name);
        if (found == FTimes.end())
            return false;
        Time = found->second.*Kind;
        return true;
    }

    std::map<std::string, TFigures> FTimes;
    std::set<std::string> FMedians;
};

} // namespace BenchSupport
