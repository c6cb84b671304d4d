// Long work that shows its progress and can be stopped, on the demo provisioned with
// 1,000,000 clients (SQLite), connected through the main window as a user does:
//   - expanding the «Клиенты» root to its end: the longest time the progress bar in the status
//     bar went without being repainted once it was shown (goal: at most 100 ms);
//   - the same expansion stopped by Esc, pressed (posted from another thread, as the window
//     system delivers it) at a quarter, a half and three quarters of the expansion's time: the
//     time from the key to the end of the expansion (goal: at most 100 ms), with the children
//     kept and the status text.

#include "Application.h"
#include "BenchShell.h"
#include "BenchSupport.h"
#include "DemoSetup.h"
#include "Env.h"
#include "Registry.h"
#include "StatusBar.h"
#include "TestNav.h"
#include "TreeView.h"
#include "mainform.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

namespace {

const int Rows = BenchSupport::Scaled(1000000);
const QString Ready = QStringLiteral("Система готова к работе");

TestNav::TTestNavigator* Navigator()
{
    return TestNav::TestNavigator;
}

TTreeNode* ClientsRoot()
{
    return Navigator()->TreeView1->Items()->Root(0);
}

void ExpandClients()
{
    bool allow = true;
    Navigator()->TreeView1Expanding(Navigator()->TreeView1, ClientsRoot(), allow);
}

void LeaveClientsUnexpanded()
{
    Navigator()->ActivateNode(Navigator()->TreeView1->Items()->Root(1));
    Navigator()->NodeCollapsing(ClientsRoot());
    QCoreApplication::processEvents();
}

// Notes when the widgets of the progress bar in the status bar are painted: the longest time
// between two paints, from the first one on.
class TPaintWatch : public QObject {
public:
    TPaintWatch() { qApp->installEventFilter(this); }
    ~TPaintWatch() override { qApp->removeEventFilter(this); }

    qint64 LongestGapMs() const { return FLongest; }
    int Paints() const { return FPaints; }
    // From the last paint to now: the work may have ended long after it.
    void Finish() { Note(); }

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override
    {
        if (Event->type() == QEvent::Paint && InProgressBar(Watched)) {
            ++FPaints;
            Note();
        }
        return false;
    }

private:
    static bool InProgressBar(QObject* Object)
    {
        for (; Object; Object = Object->parent())
            if (Object->objectName() == QStringLiteral("StatusProgress"))
                return true;
        return false;
    }

    void Note()
    {
        if (FTimer.isValid())
            FLongest = std::max(FLongest, FTimer.restart());
        else if (FPaints > 0)
            FTimer.start();
    }

    QElapsedTimer FTimer;
    qint64 FLongest = 0;
    int FPaints = 0;
};

double FullExpansionMs = 0;
QWidget* MainWindow = nullptr;

void Repaints(benchmark::State& State)
{
    for (auto _ : State) {
        LeaveClientsUnexpanded();
        TPaintWatch watch;
        QElapsedTimer timer;
        timer.start();
        ExpandClients();
        watch.Finish();
        FullExpansionMs = static_cast<double>(timer.elapsed());
        State.SetIterationTime(FullExpansionMs / 1000.0);
        State.counters["children"] = ClientsRoot()->Count();
        State.counters["bar_paints"] = watch.Paints();
        State.counters["longest_gap_ms"] = static_cast<double>(watch.LongestGapMs());
        std::printf("expansion of %d children: %.0f ms; the bar painted %d times, at most %lld ms apart (goal: at most "
                    "100 ms)\n", Rows, FullExpansionMs, watch.Paints(), static_cast<long long>(watch.LongestGapMs()));
    }
}

// Esc pressed Share of the way through the expansion.
void Stop(benchmark::State& State, double Share)
{
    for (auto _ : State) {
        LeaveClientsUnexpanded();
        QWidget* window = MainWindow;
        const auto delay = std::chrono::microseconds(static_cast<long long>(FullExpansionMs * Share * 1000.0));
        std::chrono::steady_clock::time_point pressed;
        // Made here: an event names its input device, which belongs to the main thread.
        auto* escape = new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        std::thread key([&] {
            std::this_thread::sleep_for(delay);
            pressed = std::chrono::steady_clock::now();
            QCoreApplication::postEvent(window, escape);
        });
        ExpandClients();
        const auto ended = std::chrono::steady_clock::now();
        key.join();
        const double reactionMs = std::chrono::duration<double, std::milli>(ended - pressed).count();
        State.SetIterationTime(std::max(0.0, reactionMs) / 1000.0);
        State.counters["children_kept"] = ClientsRoot()->Count();
        if (Env::MessagePanel->Text().isEmpty())
            std::printf("Esc at %.0f%% (%.0f ms): not stopped, the expansion was over before its bar showed\n", Share * 100,
                FullExpansionMs * Share);
        else
            std::printf("Esc at %.0f%% (%.0f ms): the expansion ended %.1f ms later (goal: at most 100 ms), %d children kept, "
                        "status \"%s\"\n", Share * 100, FullExpansionMs * Share, reactionMs, ClientsRoot()->Count(),
                qPrintable(Env::MessagePanel->Text()));
        QCoreApplication::processEvents();
    }
}

// Connects to the demo through the main window, the chooser answered at once.
bool Connected(BenchShell::TShell& Shell)
{
    Shell.Dialogs()->QueueModalAnswer([](TForm*) { return static_cast<int>(mrOk); });
    Application::PostMessage(Shell.Form()->Handle(), mainform::WM_CONNECT);
    for (int round = 0; round < 100000 && Env::MessagePanel->Text() != Ready; ++round)
        QCoreApplication::processEvents();
    return Navigator()->TreeView1->Items()->RootCount() == 5;
}

} // namespace

int main(int argc, char** argv)
{
    BenchSupport::TProgram program(argc, argv);
    std::printf("provisioning the demo with %d clients...\n", Rows);
    DemoSetup::TSettings settings;
    settings.Dir = program.Dir().path();
    settings.Rows = Rows;
    DemoSetup::Run(settings);
    {
        // The connect is started by the benchmark, not by the window.
        TRegistry demo;
        demo.OpenKey(QStringLiteral("Software\\Velnor07\\DEMO"), false);
        demo.DeleteValue(QStringLiteral("AutoConnect"));
    }

    BenchShell::TShell shell;
    shell.Form()->show();
    MainWindow = shell.Form();
    if (!Connected(shell)) {
        std::fprintf(stderr, "the demo did not connect\n");
        return 1;
    }
    const int runs = BenchSupport::QuickRun() ? 1 : 2;
    benchmark::RegisterBenchmark("BM_ExpansionRepaints", Repaints)->UseManualTime()->Iterations(runs)->Unit(benchmark::kMillisecond);
    for (const double share : {0.25, 0.5, 0.75})
        benchmark::RegisterBenchmark(("BM_StopExpansionAt" + std::to_string(int(share * 100))).c_str(), Stop, share)
            ->UseManualTime()->Iterations(runs)->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    LeaveClientsUnexpanded();
    shell.Form()->DisconnectItemClick(nullptr);
    return 0;
}
