#include "Packages.h"

#include "Exceptions.h"

#include <QFile>

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <map>
#include <optional>

namespace {

using TEntryPoint = void (*)();

using TNameEntryPoint = const char* (*)();

struct TLoadedPackage {
    TEntryPoint Finalization;
    QByteArray UnloadCrashReport;
    int LoadCount;
};

// The packages mapped by LoadPackage, by their library handle.
std::map<void*, TLoadedPackage> LoadedPackages;

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
        : FOuterReport(CrashReport)
    {
        CrashReport = Report.constData();
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
    const char* FOuterReport;
    struct sigaction FPrevious[std::size(CrashSignals)];
};

// The start of the line written when the package crashes during Stage; the signal's name
// and ")" follow.
QByteArray CrashReportOf(const QString& Name, const QString& Path, const QString& Stage)
{
    return QStringLiteral("velnor07: пакет %1 (%2) аварийно завершился %3 (сигнал SIG").arg(Name, Path, Stage).toLocal8Bit();
}

// Runs an entry point; the message of what it threw, if it threw. The message may refer to
// the package's own literals: it is used only while the package is still mapped.
std::optional<QString> FailureOf(TEntryPoint Function, const QByteArray& Report)
{
    const TCrashGuard guard(Report);
    try {
        Function();
        return std::nullopt;
    } catch (...) {
        return ExceptionMessage(std::current_exception());
    }
}

// Resolves the entry points of the freshly mapped Library and runs its initialisation.
// On a failure the initialisation's partial work is taken back and the error raised; the
// caller unmaps the library.
TLoadedPackage Initialized(void* Library, const QString& Path)
{
    const auto name = EntryPoint<TNameEntryPoint>(Library, Path, "velnor_package_name");
    const auto initialization = EntryPoint<TEntryPoint>(Library, Path, "velnor_package_init");
    const auto finalization = EntryPoint<TEntryPoint>(Library, Path, "velnor_package_fini");
    const QString packageName = QString::fromUtf8(name());
    const QByteArray unloadReport = CrashReportOf(packageName, Path, QStringLiteral("при выгрузке"));
    if (const std::optional<QString> failure = FailureOf(initialization, CrashReportOf(packageName, Path, QStringLiteral("при загрузке")))) {
        FailureOf(finalization, unloadReport);
        throw EPackageError(QStringLiteral("Ошибка инициализации пакета %1: %2").arg(Path, *failure));
    }
    return {finalization, unloadReport, 1};
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
        LoadedPackages.emplace(library, Initialized(library, Path));
    } catch (const EPackageError&) {
        dlclose(library);
        throw;
    }
    return reinterpret_cast<quintptr>(library);
}

void UnloadPackage(quintptr Handle)
{
    void* library = reinterpret_cast<void*>(Handle);
    const auto loaded = LoadedPackages.find(library);
    if (loaded == LoadedPackages.end())
        throw EPackageError(QStringLiteral("Пакет с дескриптором %1 не загружен").arg(Handle));
    TLoadedPackage& package = loaded->second;
    if (package.LoadCount == 1)
        if (const std::optional<QString> failure = FailureOf(package.Finalization, package.UnloadCrashReport))
            throw EPackageError(QStringLiteral("Ошибка завершения пакета: %1").arg(*failure));
    if (dlclose(library) != 0)
        throw EPackageError(QStringLiteral("Не удалось выгрузить пакет: %1").arg(LastLibraryError()));
    if (--package.LoadCount == 0)
        LoadedPackages.erase(loaded);
}
