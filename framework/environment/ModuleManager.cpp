#include "ModuleManager.h"

#include "DbTables.h"
#include "Env.h"
#include "Exceptions.h"
#include "Packages.h"
#include "UnitLifetime.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <cstdio>
#include <memory>

namespace ModuleManager {

namespace {


QString PackagePath(const QString& Name)
{
    return Env::PackagesPath + QLatin1Char('/') + Name;
}

// The package file names listed for the current user, in load order; the names read
// before an error are kept. The platform query is used rather than the logged one of the
// data-access unit: that one shows a message box when the statement fails, and the loader
// must stay silent (a database without table modul is an ordinary case).
QStringList ListedPackages()
{
    QStringList names;
    try {
        if (!Env::Database)
            return names;
        const auto query = std::make_unique<TQuery>(Env::FormOwner);
        query->SetDatabaseName(Env::Database->DatabaseName());
        query->SQL()->Add(QStringLiteral("select STROKA, POLZ_ID, ORDER_NO from modul where POLZ_ID=")
                          + QString::number(Env::CurrentUserID) + QStringLiteral(" order by ORDER_NO"));
        query->Open();
        for (; !query->Eof(); query->Next())
            names.append(query->FieldByName(QStringLiteral("STROKA"))->AsString());
        query->Close();
    } catch (...) {
    }
    return names;
}

// Every "*.bpl" file of the package directory, as the file system enumerates them.
QStringList PackagesInDirectory()
{
    return QDir(Env::PackagesPath)
        .entryList({QStringLiteral("*.bpl")}, QDir::Files | QDir::Hidden | QDir::System, QDir::Unsorted);
}

// Loads one package and enters it into Env::Modules; a failure is written to standard error.
void LoadModule(const QString& Name)
{
    const QString path = PackagePath(Name);
    Env::ShowProgress(QStringLiteral("Загружается модуль ") + path);
    quintptr handle = 0;
    try {
        handle = LoadPackage(path);
    } catch (...) {
        const QString reason = ExceptionMessage(std::current_exception());
        std::fprintf(stderr, "%s\n", qUtf8Printable(path + QStringLiteral(": ") + reason));
        return;
    }
    auto* information = new Env::TPackageInformation;
    information->PackageHandle = handle;
    information->PackageName = Name;
    Env::Modules->AddObject(Name, information);
}

// Unloads the package of entry Index and removes the entry; raises when that fails.
void UnloadModule(int Index)
{
    Env::ShowProgress(QStringLiteral("Выгружается модуль ") + Env::Modules->Strings(Index));
    auto* information = Env::Modules->ObjectAs<Env::TPackageInformation>(Index);
    if (!information)
        throw EPackageError(QStringLiteral("Нет сведений о модуле ") + Env::Modules->Strings(Index));
    UnloadPackage(information->PackageHandle);
    delete information;
    Env::Modules->Delete(Index);
}

// Packages whose unload failed stay mapped until the process ends; their records are the
// loader's own and go with the unit.
void FinalizeUnit()
{
    for (int i = Env::Modules->Count() - 1; i >= 0; --i) {
        delete Env::Modules->Objects(i);
        Env::Modules->Delete(i);
    }
}

// Nothing to set up: the loader works on Env::Modules.
TUnitLifetime Lifetime([] {}, FinalizeUnit);

} // namespace

void LoadPackages()
{
    const QStringList listed = ListedPackages();
    if (listed.isEmpty()) {
        for (const QString& name : PackagesInDirectory())
            LoadModule(name);
    } else {
        for (const QString& name : listed)
            if (QFileInfo(PackagePath(name)).isFile())
                LoadModule(name);
    }
    Env::ShowProgress(QString());
}

void UnloadPackages()
{
    for (int i = Env::Modules->Count() - 1; i >= 0; --i) {
        try {
            UnloadModule(i);
        } catch (...) {
        }
    }
}

void Initialize()
{
    Lifetime.Initialize();
}

void Finalize()
{
    Lifetime.Finalize();
}

} // namespace ModuleManager
