#pragma once
// Run-time packages: shared libraries with the suffix ".bpl", linked against the framework,
// loaded by path and unloaded by handle while the program runs.
//
// A package exports three plain entry points with fixed names: velnor_package_name, which
// gives the name the package calls itself by, velnor_package_init, its unit initialisations,
// run when the package is loaded, and velnor_package_fini, its unit finalisations, run when
// it is unloaded. The names do not depend on the package's file, so a renamed package file
// loads as well; each entry point must be defined in the package file itself, not in a
// library it depends on (a package that links against another package sees that one's
// entry points too). A package declares them with VELNOR_PACKAGE in one of its source files:
//
//   void InitUnits() { WizardManager::RegisterWizard(...); }
//   void FiniUnits() { WizardManager::UnregisterWizard(...); }
//   VELNOR_PACKAGE(mypackage, InitUnits, FiniUnits)
//
// Loading a package whose file is already mapped (through the same path) maps it once more
// without running its initialisation again; its finalisation runs when the last of its loads
// is unloaded. When the initialisation throws, the finalisation runs before the library is
// unmapped, so that it can take back whatever the initialisation had registered: a package's
// finalisation must therefore cope with an initialisation that stopped half way.
//
// A package that crashes (a signal such as SIGSEGV, not an exception) while it initialises or
// finalises cannot be recovered from: the program ends, but first writes to standard error
// which package it was, under its own name and its path.

#include <QString>
#include <QtGlobal>

#include <functional>

// Loads the package at Path and runs its initialisation; returns its module handle. Raises
// EPackageError with the reason when the file does not load, lacks its entry points, or its
// initialisation throws; nothing of the package is left loaded then.
quintptr LoadPackage(const QString& Path);

// Runs the package's finalisation (on its last unload) and unmaps it. Raises EPackageError
// for a handle that is not a loaded package, and when the finalisation throws or the library
// cannot be unmapped; the package then stays loaded and its handle valid.
void UnloadPackage(quintptr Handle);

// Which package is loading. While a package's initialisation or finalisation runs (and its
// unload handlers, below), LoadingPackage() is its module handle on the thread that loads
// it; otherwise 0 (when one package loads another, the inner one). Registries record it
// with each registration, so that what a package registered can be told apart from what
// others registered under the same name, and taken back when the package goes. A unit
// can likewise end its use by a package when that package unloads:
//
//   if (const quintptr package = LoadingPackage())
//       AddPackageUnloadHandler(package, MyUnit::Finalize);
quintptr LoadingPackage();

// The path a loaded package was first loaded from; empty for a handle that is no package.
QString PackageFileName(quintptr Handle);

// Runs Handler once, when the package of Handle unloads for good: after its finalisation
// (also the one that follows a failed initialisation) and before its library is unmapped.
// A package's handlers run in reverse order of their addition; one that throws is reported
// on standard error and the others still run. A handler is never run for a package whose
// finalisation threw: it stays loaded, and its handlers wait for its next unload.
// Raises EPackageError for a handle that is no loaded package.
void AddPackageUnloadHandler(quintptr Handle, std::function<void()> Handler);

// Declares the entry points of the package that calls itself Name (an identifier; a macro
// naming it is expanded first). The functions catch nothing: the loader reports what they
// throw.
#define VELNOR_PACKAGE(Name, InitFunction, FiniFunction) VELNOR_PACKAGE_ENTRY_POINTS(Name, InitFunction, FiniFunction)

#define VELNOR_PACKAGE_TEXT(Name) #Name
#define VELNOR_PACKAGE_ENTRY_POINTS(Name, InitFunction, FiniFunction)                       \
    extern "C" __attribute__((visibility("default"))) const char* velnor_package_name()     \
    {                                                                                       \
        return VELNOR_PACKAGE_TEXT(Name);                                                   \
    }                                                                                       \
    extern "C" __attribute__((visibility("default"))) void velnor_package_init()            \
    {                                                                                       \
        InitFunction();                                                                     \
    }                                                                                       \
    extern "C" __attribute__((visibility("default"))) void velnor_package_fini()            \
    {                                                                                       \
        FiniFunction();                                                                     \
    }
