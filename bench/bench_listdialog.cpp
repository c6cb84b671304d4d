// Filtering 100,000 strings in the list choice dialog as a user types key by key (ignoring
// letter case, the list kept sorted), against a bare QListWidget cleared and refilled with
// the same matches, in the same run. Two typings: "объект 12", whose first keys keep every
// string (the dialog then leaves the list as it is), and "1234", where every key changes the
// matches. Prints the ratio of each at the end (goal: at most 1.5).

#include "BenchSupport.h"
#include "Dialogs.h"
#include "ListChooseDialog.h"

#include <QApplication>
#include <QListWidget>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

namespace {

using ListChooseDialog::ListDialog;

const int ItemCount = BenchSupport::Scaled(100000);
const QString Typings[] = {QStringLiteral("объект 12"), QStringLiteral("1234")};

struct TTyping {
    QString Text;
    QStringList All;                   // the whole list, sorted
    std::vector<QStringList> Matches;  // what the list shows after each key
};

// "Объект номер N" in a scrambled order, as a query would give them.
void FillItems(TStringList& Items)
{
    for (int i = 0; i < ItemCount; ++i)
        Items.Add(QStringLiteral("Объект номер %1").arg((i * 7919) % ItemCount));
}

TTyping Expect(const TStringList& Items, const QString& Text)
{
    TTyping typing{Text, Items.ToQStringList(), {}};
    std::sort(typing.All.begin(), typing.All.end(),
              [](const QString& A, const QString& B) { return TStringList::CompareText(A, B) < 0; });
    for (int length = 1; length <= Text.size(); ++length) {
        QStringList kept;
        for (const QString& item : typing.All)
            if (item.contains(Text.left(length), Qt::CaseInsensitive))
                kept.append(item);
        typing.Matches.push_back(kept);
    }
    return typing;
}

void ListDialogTyping(benchmark::State& State, const TTyping* Typing)
{
    for (auto _ : State) {
        State.PauseTiming();
        ListDialog->Edit1->SetText(QString());
        State.ResumeTiming();
        for (int length = 1; length <= Typing->Text.size(); ++length)
            ListDialog->Edit1->SetText(Typing->Text.left(length));
    }
    if (ListDialog->ListBox1->Items() != Typing->Matches.back())
        State.SkipWithError("the dialog shows other matches");
}

// The bare list starts each round full, as the dialog does after its text is emptied.
void BareListWidget(benchmark::State& State, const TTyping* Typing)
{
    QListWidget list;
    for (auto _ : State) {
        State.PauseTiming();
        list.clear();
        list.addItems(Typing->All);
        State.ResumeTiming();
        for (const QStringList& matches : Typing->Matches) {
            list.clear();
            list.addItems(matches);
        }
    }
    benchmark::DoNotOptimize(list.count());
}

} // namespace

int main(int argc, char** argv)
{
    BenchSupport::TProgram program(argc, argv);
    ListChooseDialog::Initialize();
    TStringList items;
    FillItems(items);
    std::vector<TTyping> typings;
    for (const QString& text : Typings)
        typings.push_back(Expect(items, text));

    // The dialog is shown modally; the runs happen while it is open.
    BenchSupport::TTimeReporter reporter;
    TScriptedDialogHost host;
    host.QueueModalAnswer([&](TForm*) {
        benchmark::RunSpecifiedBenchmarks(&reporter);
        return int(mrCancel);
    });
    SetDialogHost(&host);
    for (const TTyping& typing : typings) {
        const std::string name = "/" + typing.Text.toStdString();
        benchmark::RegisterBenchmark(("BM_ListDialogTyping" + name).c_str(), ListDialogTyping, &typing)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("BM_BareListWidget" + name).c_str(), BareListWidget, &typing)->Unit(benchmark::kMillisecond);
    }
    ListDialog->FFilter = true;
    QString value;
    ListDialog->Show(QStringLiteral("Объекты"), &items, value, true, nullptr);
    SetDialogHost(nullptr);

    for (const TTyping& typing : typings) {
        const std::string name = "/" + typing.Text.toStdString();
        double dialog = 0;
        double bare = 0;
        if (reporter.Time("BM_ListDialogTyping" + name, dialog) && reporter.Time("BM_BareListWidget" + name, bare))
            std::printf("typing \"%s\": ListDialog filtering / bare QListWidget refill = %.2f (goal <= 1.5)\n",
                        typing.Text.toUtf8().constData(), dialog / bare);
    }
    ListChooseDialog::Finalize();
    return 0;
}
