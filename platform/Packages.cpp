#include "Packages.h"

#include "Exceptions.h"

#include <QFile>
#include <QFileInfo>

#include <dlfcn.h>
#include <link.h>

#include <map>
#include <optional>

namespace {

using TEntryPoint = void (*)();

struct TLoadedPackage {
    TEntryPoint Finalization;
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
TEntryPoint EntryPoint(void* Library, const QString& Path, const QString& Name)
{
    void* symbol = dlsym(Library, Name.toLatin1().constData());
    if (!symbol || !DefinedIn(Library, symbol))
        throw EPackageError(QStringLiteral("В пакете %1 нет точки входа %2").arg(Path, Name));
    return reinterpret_cast<TEntryPoint>(symbol);
}

// Runs an entry point; the message of what it threw, if it threw. The message may refer to
// the package's own literals: it is used only while the package is still mapped.
std::optional<QString> FailureOf(TEntryPoint Function)
{
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
    const QString name = PackageEntryName(Path);
    const TEntryPoint initialization = EntryPoint(Library, Path, QStringLiteral("velnor_package_init_") + name);
    const TEntryPoint finalization = EntryPoint(Library, Path, QStringLiteral("velnor_package_fini_") + name);
    if (const std::optional<QString> failure = FailureOf(initialization)) {
        FailureOf(finalization);
        throw EPackageError(QStringLiteral("Ошибка инициализации пакета %1: %2").arg(Path, *failure));
    }
    return {finalization, 1};
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
        if (const std::optional<QString> failure = FailureOf(package.Finalization))
            throw EPackageError(QStringLiteral("Ошибка завершения пакета: %1").arg(*failure));
    if (dlclose(library) != 0)
        throw EPackageError(QStringLiteral("Не удалось выгрузить пакет: %1").arg(LastLibraryError()));
    if (--package.LoadCount == 0)
        LoadedPackages.erase(loaded);
}
