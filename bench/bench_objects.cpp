// The object reference registry at navigator scale: adding, finding and releasing n object
// nodes (one per ID, released in one bulk call as a collapse does) and n class nodes (each
// below its own parent, found by parent and released one by one), for n = 10,000 and
// 100,000. The baseline is a bare hash map doing the same adds, finds and erases of n node
// pointers. At the end it prints, per case, the growth from 10,000 to 100,000 (goal: about
// 10-12, i.e. n log n, not 100) and the ratio to the baseline. Each figure is the mean of at
// least two seconds of runs, so that a busy machine does not decide the growth.

#include "BenchSupport.h"
#include "EClasses.h"
#include "Env.h"
#include "ObjectManager.h"
#include "TreeView.h"
#include "Velkit07.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

using ObjectManager::TEObjects;

const QString ClassName = QStringLiteral("TEntityClass");
const int Sizes[] = {BenchSupport::Scaled(10000), BenchSupport::Scaled(100000)};

// n parents below one root, each with one child: the nodes the registry files.
struct TTreeOfNodes {
    TTreeView Tree;
    std::vector<TTreeNode*> Parents;
    std::vector<TTreeNode*> Nodes;

    explicit TTreeOfNodes(int Count)
    {
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
            registry.AddObjectReference(ClassName, static_cast<qint64>(i), tree.Nodes[i]);
        for (size_t i = 0; i < tree.Nodes.size(); ++i)
            CheckFound(State, registry.FindObjectReference(ClassName, static_cast<qint64>(i), nullptr), tree.Nodes[i]);
        TStringList doomed;
        for (size_t i = 0; i < tree.Nodes.size(); ++i)
            doomed.AddObject(QString::number(i), tree.Nodes[i]);
        registry.ReleaseListObjectsReference(QString(), &doomed);
        CheckFound(State, registry.FindObjectReference(ClassName, 0, nullptr), nullptr);
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
            map.emplace(static_cast<qint64>(i), tree.Nodes[i]);
        for (size_t i = 0; i < tree.Nodes.size(); ++i)
            CheckFound(State, map.at(static_cast<qint64>(i)), tree.Nodes[i]);
        for (size_t i = 0; i < tree.Nodes.size(); ++i)
            map.erase(static_cast<qint64>(i));
        benchmark::DoNotOptimize(map.size());
    }
}

// Prints each figure as usual and remembers the mean time per benchmark and size.
class TGrowthReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& Reports) override
    {
        ConsoleReporter::ReportRuns(Reports);
        for (const Run& run : Reports)
            if (run.run_type == Run::RT_Iteration && !run.error_occurred)
                FTimes[run.run_name.function_name][run.run_name.args] = run.GetAdjustedRealTime();
    }

    void PrintSummary() const
    {
        const std::string small = std::to_string(Sizes[0]);
        const std::string large = std::to_string(Sizes[1]);
        const auto& baseline = FTimes.at("BM_BareHashMap");
        for (const auto& [name, times] : FTimes)
            std::printf("%s: %s -> %s grows %.1fx (goal about 10-12); %.1fx the bare hash map at %s\n", name.c_str(),
                small.c_str(), large.c_str(), times.at(large) / times.at(small), times.at(large) / baseline.at(large),
                large.c_str());
    }

private:
    std::map<std::string, std::map<std::string, double>> FTimes;
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

    std::vector<std::unique_ptr<TTreeOfNodes>> trees;
    for (int size : Sizes)
        trees.push_back(std::make_unique<TTreeOfNodes>(size));
    using TCase = void (*)(benchmark::State&, const TTreeOfNodes*);
    const std::pair<const char*, TCase> cases[] = {
        {"BM_ObjectNodes", ObjectNodes}, {"BM_ClassNodes", ClassNodes}, {"BM_BareHashMap", BareHashMap}};
    for (const auto& [name, function] : cases)
        for (const auto& tree : trees)
            benchmark::RegisterBenchmark(name, function, tree.get())
                ->Arg(static_cast<int>(tree->Nodes.size()))
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
