#include "DemoPackages.h"

#include "Packages.h"
#include "StringList.h"

#include <QCoreApplication>
#include <QFile>

#include <gtest/gtest.h>

#include <dlfcn.h>

namespace DemoPackages {

QString File(const QString& Name)
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/packages/") + Name + QStringLiteral(".bpl");
}

bool Mapped(const QString& Path)
{
    void* library = dlopen(QFile::encodeName(Path).constData(), RTLD_NOW | RTLD_NOLOAD);
    if (library)
        dlclose(library);
    return library != nullptr;
}

TLoadedPackages::TLoadedPackages()
{
    FHandles.push_back(LoadPackage(File(QStringLiteral("demo_core"))));
    FHandles.push_back(LoadPackage(File(QStringLiteral("demo_sales"))));
}

TLoadedPackages::~TLoadedPackages()
{
    Unload();
}

void TLoadedPackages::Unload()
{
    while (!FHandles.empty()) {
        UnloadPackage(FHandles.back());
        FHandles.pop_back();
    }
}

TClass RegisteredClass(const QString& Name)
{
    const int index = Env::ClassNames->IndexOf(Name);
    EXPECT_GE(index, 0) << Name.toStdString();
    return index < 0 ? nullptr : static_cast<TClass>(Env::ClassNames->Objects(index));
}

} // namespace DemoPackages
