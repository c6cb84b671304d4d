// The object reference registry at navigator scale: adding, finding and releasing n object
// nodes (one per ID, released in one bulk call as a collapse does) and n class nodes (each
// below its own parent, found by parent and released one by one), for n = 10,000 and
// 100,000. The IDs come in their own order (0, 1, 2 ...: order 0) and shuffled, as a list
// sorted by name brings them (order 1). The baseline is a bare hash map doing the same adds, finds and erases of n node pointers under
// the same IDs. At the end it prints, per case, the growth from 10,000 to 100,000 (goal: at
// most 13) and the ratio to the baseline (goal: at most 4), in real and in CPU time. Each
// figure is the mean of at least two seconds of runs (the median of the repetitions with
// --benchmark_repetitions), so that a busy machine does not decide the growth.

#include "BenchSupport.h"
#include "EClasses.h"
#include "Env.h"
#include "ObjectManager.h"
#include "TreeView.h"
#include "Velkit07.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <numeric>
#include <random>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

using ObjectManager::TEObjects;

const QString ClassName = QStringLiteral("TEntityClass");
const int Sizes[] = {BenchSupport::Scaled(10000), BenchSupport::Scaled(100000)};

// n parents below one root, each with one child: the nodes the registry files, each with
// its ID (0 to n - 1, in order or shuffled).
struct TTreeOfNodes {
    TTreeView Tree;
    std::vector<TTreeNode*> Parents;
    std::vector<TTreeNode*> Nodes;
    std::vector<qint64> IDs;

    TTreeOfNodes(int Count, bool Shuffled) : IDs(static_cast<size_t>(Count))
    {
        std::iota(IDs.begin(), IDs.end(), qint64(0));
        if (Shuffled)
            std::shuffle(IDs.begin(), IDs.end(), std::mt19937_64(Count));
        TTreeNode* root = Tree.Items()->AddObject(QStringLiteral("root"), nullptr);
        std::vector<std::pair<QString, TObject*>> captions(static_cast<size_t>(Count), {QStringLiteral("node"), nullptr});
        Parents = Tree.Items()->AddChildrenObjects(root, captions);
        for (TTreeNode* parent : Parents)
            Nodes.push_back(Tree.Items()->AddChildObject(parent, QStringLiteral("node"), nullptr));
    }
};

void CheckFound(benchmark::State& State, const TTreeNode* Found, const TTreeNode* Expected)
{
    if (Found != Expected)
        State.SkipWithError("the registry found the wrong node");
}

void ObjectNodes(benchmark::State& State, const TTreeOfNodes* Tree)
{
    const TTreeOfNodes& tree = *Tree;
    for (auto _ : State) {
        TEObjects registry;
        for (size_t i = 0; i < tree.Nodes.size(); ++i)
            registry.AddObjectReference(ClassName, tree.IDs[i], tree.Nodes[i]);
        for (size_t i = 0; i < tree.Nodes.size(); ++i)
            CheckFound(State, registry.FindObjectReference(ClassName, tree.IDs[i], nullptr), tree.Nodes[i]);
        std::vector<std::pair<qint64, TTreeNode*>> doomed;
        doomed.reserve(tree.Nodes.size());
        for (size_t i = 0; i < tree.Nodes.size(); ++i)
            doomed.emplace_back(tree.IDs[i], tree.Nodes[i]);
        registry.ReleaseObjectNodes(doomed);
        CheckFound(State, registry.FindObjectReference(ClassName, tree.IDs[0], nullptr), nullptr);
    }
}

void ClassNodes(benchmark::State& State, const TTreeOfNodes* Tree)
{
    const TTreeOfNodes& tree = *Tree;
    for (auto _ : State) {
        TEObjects registry;
        for (TTreeNode* node : tree.Nodes)
            registry.AddClassObjectReference(ClassName, QString(), node);
        for (size_t i = 0; i < tree.Nodes.size(); ++i)
            CheckFound(State, registry.FindClassObjectReference(ClassName, tree.Parents[i]), tree.Nodes[i]);
        for (TTreeNode* node : tree.Nodes)
            registry.ReleaseClassObjectReference(ClassName, node);
        CheckFound(State, registry.FindClassObjectReference(ClassName, tree.Parents[0]), nullptr);
    }
}

void BareHashMap(benchmark::State& State, const TTreeOfNodes* Tree)
{
    const TTreeOfNodes& tree = *Tree;
    for (auto _ : State) {
        std::unordered_map<qint64, TTreeNode*> map;
        for (size_t i = 0; i < tree.Nodes.size(); ++i)
            map.emplace(tree.IDs[i], tree.Nodes[i]);
        for (size_t i = 0; i < tree.Nodes.size(); ++i)
            CheckFound(State, map.at(tree.IDs[i]), tree.Nodes[i]);
        for (size_t i = 0; i < tree.Nodes.size(); ++i)
            map.erase(tree.IDs[i]);
        benchmark::DoNotOptimize(map.size());
    }
}

// Prints each figure as usual and remembers the time per benchmark and size: the median of
// the repetitions when there are some, else the mean; real and CPU time.
class TGrowthReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& Reports) override
    {
        ConsoleReporter::ReportRuns(Reports);
        for (const Run& run : Reports) {
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.error_occurred || !(median || run.run_type == Run::RT_Iteration))
                continue;
            TFigures& figures = FTimes[run.run_name.function_name][run.run_name.args];
            if (median || !figures.Median)
                figures = {run.GetAdjustedRealTime(), run.GetAdjustedCPUTime(), median};
        }
    }

    void PrintSummary() const
    {
        PrintSummary("real", &TFigures::Real);
        PrintSummary("CPU", &TFigures::Cpu);
    }

private:
    struct TFigures {
        double Real = 0;
        double Cpu = 0;
        bool Median = false;
    };

    void PrintSummary(const char* Kind, double TFigures::*Time) const
    {
        const auto& baseline = FTimes.at("BM_BareHashMap");
        for (const char* order : {"0", "1"}) {
            const std::string small = std::to_string(Sizes[0]) + "/" + order;
            const std::string large = std::to_string(Sizes[1]) + "/" + order;
            for (const auto& [name, times] : FTimes)
                std::printf("%s time, IDs %s, %s: %s -> %s grows %.1fx (goal at most 13); %.1fx the bare hash map (goal at most 4)\n",
                    Kind, *order == '0' ? "in order" : "shuffled", name.c_str(), small.c_str(), large.c_str(),
                    times.at(large).*Time / times.at(small).*Time, times.at(large).*Time / baseline.at(large).*Time);
        }
    }

    std::map<std::string, std::map<std::string, TFigures>> FTimes;
};

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    Velkit07::Initialize();
    Env::RegisterEntityClass(EClasses::TEntityClass::StaticClass(), nullptr);

    std::vector<std::pair<std::unique_ptr<TTreeOfNodes>, int>> trees;
    for (int order : {0, 1})
        for (int size : Sizes)
            trees.emplace_back(std::make_unique<TTreeOfNodes>(size, order == 1), order);
    using TCase = void (*)(benchmark::State&, const TTreeOfNodes*);
    const std::pair<const char*, TCase> cases[] = {
        {"BM_ObjectNodes", ObjectNodes}, {"BM_ClassNodes", ClassNodes}, {"BM_BareHashMap", BareHashMap}};
    for (const auto& [name, function] : cases)
        for (const auto& [tree, order] : trees)
            benchmark::RegisterBenchmark(name, function, tree.get())
                ->Args({static_cast<int>(tree->Nodes.size()), order})
                ->MinTime(BenchSupport::QuickRun() ? 0.01 : 2.0)
                ->Unit(benchmark::kMillisecond);

    TGrowthReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintSummary();

    trees.clear();
    Env::UnregisterEntityClass(EClasses::TEntityClass::StaticClass());
    Velkit07::Finalize();
    benchmark::Shutdown();
    return 0;
}
