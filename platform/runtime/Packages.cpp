#include "Packages.h"

#include "Exceptions.h"

#include <QFile>

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <vector>

namespace {

using TEntryPoint = void (*)();
using TNameEntryPoint = const char* (*)();

struct TLoadedPackage {
    QString Path;
    TEntryPoint Finalization = nullptr;
    // The line written when the package crashes while it unloads (see TCrashGuard).
    QByteArray UnloadCrashReport;
    int LoadCount = 1;
    std::vector<std::function<void()>> UnloadHandlers;
};

// The packages mapped by LoadPackage, by their library handle.
std::map<void*, TLoadedPackage> LoadedPackages;

// The packages whose initialisation or finalisation is running on this thread, the innermost
// last. Packages load on the main thread; other threads (which add to string lists too) see
// none, and nothing is shared between them.
thread_local std::vector<quintptr> LoadingPackages;

// Marks Library as the loading package for its lifetime.
class TLoadingScope {
public:
    explicit TLoadingScope(void* Library) { LoadingPackages.push_back(reinterpret_cast<quintptr>(Library)); }
    TLoadingScope(const TLoadingScope&) = delete;
    TLoadingScope& operator=(const TLoadingScope&) = delete;
    ~TLoadingScope() { LoadingPackages.pop_back(); }
};

QString LastLibraryError()
{
    const char* error = dlerror();
    return error ? QString::fromLocal8Bit(error) : QStringLiteral("неизвестная ошибка");
}

// Whether Symbol lies in Library itself rather than in one of the libraries it depends on.
bool DefinedIn(void* Library, void* Symbol)
{
    link_map* own = nullptr;
    link_map* holder = nullptr;
    Dl_info info;
    return dlinfo(Library, RTLD_DI_LINKMAP, &own) == 0
        && dladdr1(Symbol, &info, reinterpret_cast<void**>(&holder), RTLD_DL_LINKMAP) != 0 && holder == own;
}

// The entry point Name of the package Library loaded from Path, looked up in the library alone.
template <class TFunction>
TFunction EntryPoint(void* Library, const QString& Path, const char* Name)
{
    void* symbol = dlsym(Library, Name);
    if (!symbol || !DefinedIn(Library, symbol))
        throw EPackageError(QStringLiteral("В пакете %1 нет точки входа %2").arg(Path, QLatin1String(Name)));
    return reinterpret_cast<TFunction>(symbol);
}

// --- Crash reports ---------------------------------------------------------------------------
// While a package's initialisation or finalisation runs, the signals of a crash first write
// a line naming the package to standard error; the signal then takes its default course and
// ends the program. The line is made before the package runs: in the handler only
// async-signal-safe calls are allowed.

const int CrashSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};

const char* CrashReport = nullptr;

void WriteText(const char* Text)
{
    const ssize_t written = write(STDERR_FILENO, Text, std::strlen(Text));
    (void)written;
}

void ReportCrash(int Signal)
{
    if (CrashReport) {
        WriteText(CrashReport);
        const char* name = sigabbrev_np(Signal);
        WriteText(name ? name : "?");
        WriteText(")\n");
    }
    // SA_RESETHAND restored the default action: the signal, raised again or repeated by the
    // faulting instruction, ends the program.
    raise(Signal);
}

// Reports a crash with Report while it lives; the previous handlers come back afterwards.
class TCrashGuard {
public:
    explicit TCrashGuard(const QByteArray& Report)
        : FReport(Report), FOuterReport(CrashReport)
    {
        CrashReport = FReport.constData();
        struct sigaction action = {};
        action.sa_handler = ReportCrash;
        action.sa_flags = SA_RESETHAND;
        sigemptyset(&action.sa_mask);
        for (std::size_t i = 0; i < std::size(CrashSignals); ++i)
            sigaction(CrashSignals[i], &action, &FPrevious[i]);
    }
    ~TCrashGuard()
    {
        for (std::size_t i = 0; i < std::size(CrashSignals); ++i)
            sigaction(CrashSignals[i], &FPrevious[i], nullptr);
        CrashReport = FOuterReport;
    }
    TCrashGuard(const TCrashGuard&) = delete;
    TCrashGuard& operator=(const TCrashGuard&) = delete;

private:
    // A copy keeps the text alive for the guard's lifetime, whatever the caller passed.
    const QByteArray FReport;
    const char* FOuterReport;
    struct sigaction FPrevious[std::size(CrashSignals)];
};

// The start of the line written when the package crashes during Stage; the signal's name
// and ")" follow.
QByteArray CrashReportOf(const QString& Name, const QString& Path, const QString& Stage)
{
    return QStringLiteral("velnor07: пакет %1 (%2) аварийно завершился %3 (сигнал SIG").arg(Name, Path, Stage).toUtf8();
}

// Runs an entry point; the message of what it threw, if it threw. The message may refer to
// the package's own literals: it is used only while the package is still mapped.
std::optional<QString> FailureOf(const std::function<void()>& Function)
{
    try {
        Function();
        return std::nullopt;
    } catch (...) {
        return ExceptionMessage(std::current_exception());
    }
}

// Runs the unload handlers of Package, the last added first; each runs once.
void RunUnloadHandlers(TLoadedPackage& Package)
{
    while (!Package.UnloadHandlers.empty()) {
        const std::function<void()> handler = std::move(Package.UnloadHandlers.back());
        Package.UnloadHandlers.pop_back();
        if (const std::optional<QString> failure = FailureOf(handler))
            std::fprintf(stderr, "%s\n", qUtf8Printable(Package.Path + QStringLiteral(": ") + *failure));
    }
}

// Runs the finalisation of the package mapped as Library and then its unload handlers; the
// message of what the finalisation threw, if it threw (the handlers then wait).
std::optional<QString> Finalized(void* Library, TLoadedPackage& Package)
{
    const TLoadingScope loading(Library);
    const TCrashGuard guard(Package.UnloadCrashReport);
    std::optional<QString> failure = FailureOf(Package.Finalization);
    if (!failure)
        RunUnloadHandlers(Package);
    return failure;
}

// Resolves the entry points of the freshly mapped Library and runs its initialisation.
// On a failure the initialisation's partial work is taken back and the error raised; the
// caller unmaps the library.
void Initialize(void* Library, TLoadedPackage& Package)
{
    const auto name = EntryPoint<TNameEntryPoint>(Library, Package.Path, "velnor_package_name");
    const auto initialization = EntryPoint<TEntryPoint>(Library, Package.Path, "velnor_package_init");
    Package.Finalization = EntryPoint<TEntryPoint>(Library, Package.Path, "velnor_package_fini");
    const QString packageName = QString::fromUtf8(name());
    Package.UnloadCrashReport = CrashReportOf(packageName, Package.Path, QStringLiteral("при выгрузке"));
    std::optional<QString> failure;
    {
        const TLoadingScope loading(Library);
        const TCrashGuard guard(CrashReportOf(packageName, Package.Path, QStringLiteral("при загрузке")));
        failure = FailureOf(initialization);
    }
    if (failure) {
        // The library goes whatever the finalisation makes of the half-done initialisation.
        const TLoadingScope loading(Library);
        const TCrashGuard guard(Package.UnloadCrashReport);
        FailureOf(Package.Finalization);
        RunUnloadHandlers(Package);
        throw EPackageError(QStringLiteral("Ошибка инициализации пакета %1: %2").arg(Package.Path, *failure));
    }
}

TLoadedPackage& LoadedPackage(quintptr Handle)
{
    const auto loaded = LoadedPackages.find(reinterpret_cast<void*>(Handle));
    if (loaded == LoadedPackages.end())
        throw EPackageError(QStringLiteral("Пакет с дескриптором %1 не загружен").arg(Handle));
    return loaded->second;
}

} // namespace

quintptr LoadPackage(const QString& Path)
{
    void* library = dlopen(QFile::encodeName(Path).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!library)
        throw EPackageError(QStringLiteral("Не удалось загрузить пакет %1: %2").arg(Path, LastLibraryError()));
    if (auto loaded = LoadedPackages.find(library); loaded != LoadedPackages.end()) {
        ++loaded->second.LoadCount;
        return reinterpret_cast<quintptr>(library);
    }
    try {
        Initialize(library, LoadedPackages.emplace(library, TLoadedPackage{Path, nullptr, {}, 1, {}}).first->second);
    } catch (const EPackageError&) {
        LoadedPackages.erase(library);
        dlclose(library);
        throw;
    }
    return reinterpret_cast<quintptr>(library);
}

void UnloadPackage(quintptr Handle)
{
    void* library = reinterpret_cast<void*>(Handle);
    TLoadedPackage& package = LoadedPackage(Handle);
    if (package.LoadCount == 1)
        if (const std::optional<QString> failure = Finalized(library, package))
            throw EPackageError(QStringLiteral("Ошибка завершения пакета: %1").arg(*failure));
    if (dlclose(library) != 0)
        throw EPackageError(QStringLiteral("Не удалось выгрузить пакет: %1").arg(LastLibraryError()));
    if (--package.LoadCount == 0)
        LoadedPackages.erase(library);
}

quintptr LoadingPackage()
{
    return LoadingPackages.empty() ? 0 : LoadingPackages.back();
}

QString PackageFileName(quintptr Handle)
{
    const auto loaded = LoadedPackages.find(reinterpret_cast<void*>(Handle));
    return loaded == LoadedPackages.end() ? QString() : loaded->second.Path;
}

void AddPackageUnloadHandler(quintptr Handle, std::function<void()> Handler)
{
    LoadedPackage(Handle).UnloadHandlers.push_back(std::move(Handler));
}
