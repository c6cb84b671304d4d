#pragma once
// The test packages of tests/packages and what they record (see TestPackage.cpp).

#include "ParamManager.h"

#include <QFile>
#include <QString>

#include <dlfcn.h>

namespace TestPackages {

// The built package file of that name (without ".bpl").
inline QString File(const QString& Name)
{
    return QStringLiteral(VELNOR_TEST_PACKAGE_DIR "/") + Name + QStringLiteral(".bpl");
}

inline QString Log()
{
    return ParamManager::ParameterManager->GetStringParam(QStringLiteral("PACKAGE_LOG"));
}

inline QString StatusLog()
{
    return ParamManager::ParameterManager->GetStringParam(QStringLiteral("PACKAGE_STATUS"));
}

// Adds an event of the test's own to PACKAGE_LOG.
inline void Append(const QString& Event)
{
    const QString old = Log();
    ParamManager::ParameterManager->SetStringParam(QStringLiteral("PACKAGE_LOG"), old.isEmpty() ? Event : old + QLatin1Char(' ') + Event);
}

inline QString LoadingLog()
{
    return ParamManager::ParameterManager->GetStringParam(QStringLiteral("PACKAGE_LOADING"));
}

inline void ClearLogs()
{
    for (const char* name : {"PACKAGE_LOG", "PACKAGE_STATUS", "PACKAGE_LOADING"})
        ParamManager::ParameterManager->SetStringParam(QLatin1String(name), QString());
}

// Whether the library at Path is mapped into the process (asked without loading it).
inline bool Mapped(const QString& Path)
{
    void* library = dlopen(QFile::encodeName(Path).constData(), RTLD_NOW | RTLD_NOLOAD);
    if (library)
        dlclose(library);
    return library != nullptr;
}

} // namespace TestPackages
