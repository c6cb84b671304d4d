#include "Packages.h"

#include "Exceptions.h"

#include <QFile>
#include <QFileInfo>

#include <dlfcn.h>
#include <link.h>

#include <cstdio>
#include <map>
#include <optional>
#include <vector>

namespace {

using TEntryPoint = void (*)();

struct TLoadedPackage {
    QString Path;
    TEntryPoint Finalization = nullptr;
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
TEntryPoint EntryPoint(void* Library, const QString& Path, const QString& Name)
{
    void* symbol = dlsym(Library, Name.toLatin1().constData());
    if (!symbol || !DefinedIn(Library, symbol))
        throw EPackageError(QStringLiteral("В пакете %1 нет точки входа %2").arg(Path, Name));
    return reinterpret_cast<TEntryPoint>(symbol);
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
    const QString name = PackageEntryName(Package.Path);
    const TEntryPoint initialization = EntryPoint(Library, Package.Path, QStringLiteral("velnor_package_init_") + name);
    Package.Finalization = EntryPoint(Library, Package.Path, QStringLiteral("velnor_package_fini_") + name);
    std::optional<QString> failure;
    {
        const TLoadingScope loading(Library);
        failure = FailureOf(initialization);
    }
    if (failure) {
        // The library goes whatever the finalisation makes of the half-done initialisation.
        const TLoadingScope loading(Library);
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

QString PackageEntryName(const QString& Path)
{
    QString name = QFileInfo(Path).completeBaseName();
    for (QChar& c : name)
        if (!(c.isLetterOrNumber() && c.unicode() < 0x80) && c != QLatin1Char('_'))
            c = QLatin1Char('_');
    return name;
}

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
        Initialize(library, LoadedPackages.emplace(library, TLoadedPackage{Path, nullptr, 1, {}}).first->second);
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
