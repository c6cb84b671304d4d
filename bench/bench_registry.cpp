// The registry store at scale.
//
// A first open: a registry file of 100,000 keys, one value each, is read and parsed and one
// value is found, against QSettings opening an INI file with the same keys and values and
// reading the same value. Each round writes both files afresh under new names, so that
// neither side can answer from what it parsed before.
//
// A whole connect on the demo (window message 1110 to "Система готова к работе", the sample
// application's packages and navigator included), once with the demo's registry file as
// provisioned and once with 2,000 unrelated keys added to it.

#include "BenchShell.h"
#include "BenchSupport.h"
#include "DemoSetup.h"
#include "Dialogs.h"
#include "Env.h"
#include "RegistryFile.h"

#include <QApplication>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <stdexcept>

namespace {

const int KeyCount = BenchSupport::Scaled(100000);
const int UnrelatedKeyCount = 2000;
const QString WantedKey = QStringLiteral("Key%1").arg(KeyCount / 2);

QString ValueText(int Key)
{
    return QStringLiteral("значение номер %1").arg(Key);
}

// Sections Root\Key<n>, each with one value "Value".
QByteArray RegistryText(const QString& Root, int Count)
{
    QString text;
    for (int key = 0; key < Count; ++key)
        text += QStringLiteral("[HKEY_CURRENT_USER\\%1\\Key%2]\n\"Value\"=\"%3\"\n\n").arg(Root).arg(key).arg(ValueText(key));
    return text.toUtf8();
}

QByteArray IniText()
{
    QString text;
    for (int key = 0; key < KeyCount; ++key)
        text += QStringLiteral("[Key%1]\nValue=%2\n\n").arg(key).arg(ValueText(key));
    return text.toUtf8();
}

void WriteFile(const QString& Name, const QByteArray& Content)
{
    QFile file(Name);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(Content) != Content.size())
        throw std::runtime_error("cannot write " + Name.toStdString());
}

// Runs Open on a fresh copy of Content, written untimed under a new name each round. What
// Open puts into Keep (the parsed file) stays in memory after the open, as it would in the
// program, and is freed untimed.
template <class TOpen>
void OpenFresh(benchmark::State& State, const QTemporaryDir& Dir, const QByteArray& Content, const QString& Suffix, TOpen Open)
{
    int round = 0;
    for (auto _ : State) {
        State.PauseTiming();
        const QString name = Dir.filePath(QStringLiteral("fresh-%1.%2").arg(round++).arg(Suffix));
        WriteFile(name, Content);
        std::shared_ptr<void> keep;
        State.ResumeTiming();
        const QString value = Open(name, keep);
        State.PauseTiming();
        keep.reset();
        QFile::remove(name);
        if (value != ValueText(KeyCount / 2)) {
            State.SkipWithError("the value was not read");
            break;
        }
        State.ResumeTiming();
    }
}

void OpenRegistry(benchmark::State& State, const QTemporaryDir* Dir, const QByteArray* Content)
{
    // What a first open of the registry does: read the file, parse it, find the value. (A
    // TRegistryFile would keep every round's document in the process-wide cache.)
    OpenFresh(State, *Dir, *Content, QStringLiteral("reg"), [](const QString& Name, std::shared_ptr<void>& Keep) {
        QFile file(Name);
        file.open(QIODevice::ReadOnly);
        const auto document = std::make_shared<TRegistryDocument>(TRegistryDocument::Parse(file.readAll(), Name));
        Keep = document;
        const TRegistryValue* value = document->FindValue(QStringLiteral("Software\\Bench\\") + WantedKey, QStringLiteral("Value"));
        return value ? value->Text : QString();
    });
}

void OpenIni(benchmark::State& State, const QTemporaryDir* Dir, const QByteArray* Content)
{
    OpenFresh(State, *Dir, *Content, QStringLiteral("ini"), [](const QString& Name, std::shared_ptr<void>& Keep) {
        const auto settings = std::make_shared<QSettings>(Name, QSettings::IniFormat);
        Keep = settings;
        return settings->value(WantedKey + QStringLiteral("/Value")).toString();
    });
}

// Connects on the demo with RegistryFile as the registry.
void Connect(benchmark::State& State, mainform::TForm1* Form, TScriptedDialogHost* Dialogs, QString RegistryFile)
{
    qputenv("VELNOR_REGISTRY", RegistryFile.toUtf8());
    BenchShell::TimeConnects(State, Form, Dialogs, [] { return Env::Modules->Count() == 2; });
}

void PrintRatio(const BenchSupport::TTimeReporter& Reporter, const char* What, const char* Measured, const char* Baseline, double Goal)
{
    double measured = 0;
    double baseline = 0;
    if (Reporter.Time(Measured, measured) && Reporter.Time(Baseline, baseline))
        std::printf("%s: %.2fx (%.1f ms against %.1f ms; goal at most %.1fx)\n", What, measured / baseline, measured, baseline, Goal);
}

void PrintConnectRatio(const BenchSupport::TTimeReporter& Reporter)
{
    double before = 0;
    double crowded = 0;
    double after = 0;
    if (Reporter.Time("BM_DemoConnect", before) && Reporter.Time("BM_DemoConnectWithUnrelatedKeys", crowded)
        && Reporter.Time("BM_DemoConnectAgain", after))
        std::printf("demo connect with 2,000 unrelated keys against none: %.2fx (%.2f ms against %.2f ms before and %.2f ms after; "
                    "goal at most 1.2x)\n", crowded / ((before + after) / 2), crowded, before, after);
}

} // namespace

int main(int argc, char** argv)
{
    BenchSupport::TProgram program(argc, argv);
    const QTemporaryDir& dir = program.Dir();

    DemoSetup::TSettings demo;
    demo.Dir = dir.filePath(QStringLiteral("demo"));
    demo.Rows = 200;
    DemoSetup::Run(demo);
    qputenv("VELNOR_ALIASES", (demo.Dir + QLatin1Char('/') + DemoSetup::AliasFile).toUtf8());
    const QString plainRegistry = demo.Dir + QLatin1Char('/') + DemoSetup::RegistryFile;
    const QString crowdedRegistry = dir.filePath(QStringLiteral("crowded.reg"));
    QFile plain(plainRegistry);
    plain.open(QIODevice::ReadOnly);
    WriteFile(crowdedRegistry, plain.readAll() + RegistryText(QStringLiteral("Software\\Unrelated"), UnrelatedKeyCount));
    qputenv("VELNOR_REGISTRY", plainRegistry.toUtf8());

    const QByteArray registryText = RegistryText(QStringLiteral("Software\\Bench"), KeyCount);
    const QByteArray iniText = IniText();

    {
        BenchShell::TShell shell;
        benchmark::RegisterBenchmark("BM_RegistryFirstOpen", OpenRegistry, &dir, &registryText)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("BM_QSettingsIniFirstOpen", OpenIni, &dir, &iniText)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("BM_DemoConnect", Connect, shell.Form(), shell.Dialogs(), plainRegistry)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("BM_DemoConnectWithUnrelatedKeys", Connect, shell.Form(), shell.Dialogs(), crowdedRegistry)
            ->Unit(benchmark::kMillisecond);
        // Connects grow slower over a long run: the baseline is taken before and after.
        benchmark::RegisterBenchmark("BM_DemoConnectAgain", Connect, shell.Form(), shell.Dialogs(), plainRegistry)
            ->Unit(benchmark::kMillisecond);
        BenchSupport::TTimeReporter reporter;
        benchmark::RunSpecifiedBenchmarks(&reporter);
        PrintRatio(reporter, "first open of 100,000 keys against QSettings", "BM_RegistryFirstOpen", "BM_QSettingsIniFirstOpen", 2.0);
        PrintConnectRatio(reporter);
    }
    return 0;
}
