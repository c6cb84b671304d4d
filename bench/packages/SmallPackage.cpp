// A small package for the connect benchmark: it registers one service, as a real package
// would, and withdraws it again.
#include "Env.h"
#include "Menus.h"
#include "Packages.h"

namespace {

TMenuItem* Item = nullptr;

void InitializePackage()
{
    Item = new TMenuItem(nullptr);
    Item->SetCaption(QStringLiteral(VELNOR_BENCH_PACKAGE_NAME));
    Env::RegisterEntityService(QStringLiteral(VELNOR_BENCH_PACKAGE_NAME), 0, QStringLiteral("Пакеты"), Item);
}

void FinalizePackage()
{
    Env::UnregisterEntityService(QStringLiteral(VELNOR_BENCH_PACKAGE_NAME));
    delete Item;
    Item = nullptr;
}

} // namespace

VELNOR_PACKAGE(VELNOR_BENCH_PACKAGE, InitializePackage, FinalizePackage)
