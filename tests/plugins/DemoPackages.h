#pragma once
// Loading the sample application's packages in the tests, and their registered classes.

#include "Env.h"
#include "Object.h"

#include <QString>
#include <QtGlobal>

#include <vector>

namespace DemoPackages {

// The package file of that name beside the test program (build/bin/packages).
QString File(const QString& Name);
// Whether the library at Path is mapped into the process (asked without loading it).
bool Mapped(const QString& Path);

// demo_core then demo_sales; unloaded in reverse by the destructor.
class TLoadedPackages {
public:
    TLoadedPackages();
    ~TLoadedPackages();
    TLoadedPackages(const TLoadedPackages&) = delete;
    TLoadedPackages& operator=(const TLoadedPackages&) = delete;

    void Unload();

private:
    std::vector<quintptr> FHandles;
};

// The class registered under that name (fails the test when there is none).
TClass RegisteredClass(const QString& Name);

} // namespace DemoPackages
