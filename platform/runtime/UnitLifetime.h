#pragma once
// Unit initialisation and finalisation guarded by a use count: the initialisation body runs
// when the count goes from 0 to 1, the finalisation body when it returns to 0. Whoever uses
// a unit (the shell at its start, each plug-in package when it is loaded) initialises it and
// finalises it again when it ends.
//
// Units that only packages use (wizards, the logger and the like) also start by themselves:
// each of their operations calls Use(), so a package that never called the unit's
// Initialize() still works. The first such call made while a package loads gives that
// package a use of its own, which ends when the package unloads (after its finalisation), so
// the unit is initialised when the first package using it loads and finalised after the last
// one unloads. Called outside any package's loading on a unit nobody initialised, Use()
// raises an error naming the unit instead of letting the operation crash.

#include "Exceptions.h"
#include "Packages.h"

#include <QString>

#include <functional>
#include <set>

class TUnitLifetime {
public:
    TUnitLifetime(std::function<void()> Initialization, std::function<void()> Finalization, const char* UnitName = "")
        : FInitialization(std::move(Initialization)), FFinalization(std::move(Finalization)), FUnitName(UnitName)
    {
    }

    // An initialisation that raises leaves the unit unused, so a later start runs it again.
    // Called while a package loads, the use is that package's.
    void Initialize()
    {
        if (FUseCount++ == 0) {
            try {
                FInitialization();
            } catch (...) {
                FUseCount = 0;
                throw;
            }
        }
        if (const quintptr package = LoadingPackage())
            FPackages.insert(package);
    }

    void Finalize()
    {
        if (const quintptr package = LoadingPackage())
            FPackages.erase(package);
        if (FUseCount > 0 && --FUseCount == 0)
            FFinalization();
    }

    // Makes sure the unit is initialised for whoever calls one of its operations (above).
    void Use()
    {
        const quintptr package = LoadingPackage();
        if (package && !FPackages.contains(package)) {
            Initialize();
            AddPackageUnloadHandler(package, [this, package] {
                if (FPackages.contains(package))
                    Finalize();
            });
        }
        if (FUseCount == 0)
            throw Exception(QStringLiteral("Модуль %1 не инициализирован").arg(QLatin1String(FUnitName)));
    }

    int UseCount() const { return FUseCount; }

private:
    std::function<void()> FInitialization;
    std::function<void()> FFinalization;
    const char* FUnitName;
    int FUseCount = 0;
    // The packages that hold a use of the unit.
    std::set<quintptr> FPackages;
};

// The lifetime of a unit that makes one object of class T at its start, held in Global, and
// frees it at its end.
template <class T>
TUnitLifetime ObjectUnitLifetime(T*& Global)
{
    return TUnitLifetime([&Global] { Global = new T; },
        [&Global] {
            delete Global;
            Global = nullptr;
        });
}
