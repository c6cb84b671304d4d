#include "LoggerMain.h"

#include "Dialogs.h"
#include "Env.h"
#include "Packages.h"
#include "UnitLifetime.h"

namespace LoggerMain {

VEL_IMPLEMENT_CLASS(TLogger)

TLogger* Logger = nullptr;

namespace {

// The logger belongs to the package that registered it: a unit lifetime starts and ends
// without one, so no pointer into an unloaded package survives.
void ForgetLogger()
{
    Logger = nullptr;
}

TUnitLifetime Lifetime(ForgetLogger, ForgetLogger, "LoggerMain");

// The package that registered the logger (0: none did).
quintptr LoggerPackage = 0;

QStringList SweepLogger(quintptr Package)
{
    return Env::SweepObject(Logger, LoggerPackage, Package, QStringLiteral("журнал"));
}

} // namespace

void TLogger::PostToLog(TObject*)
{
    ShowMessage(QStringLiteral("Метод PostToLOG требует перекрытия в потомках"));
}

void TLogger::PostToErrorLog(TObject*)
{
    ShowMessage(QStringLiteral("Метод PostToErrorLOG требует перекрытия в потомках"));
}

void RegisterLogger(TLogger* ALogger)
{
    Lifetime.Use();
    if (!ALogger)
        return;
    Logger = ALogger;
    LoggerPackage = LoadingPackage();
    Env::TrackPackageRegistration(SweepLogger);
}

void UnRegisterLogger(TLogger*)
{
    Lifetime.Use();
    Logger = nullptr;
}

void Initialize()
{
    Lifetime.Initialize();
}

void Finalize()
{
    Lifetime.Finalize();
}

} // namespace LoggerMain
