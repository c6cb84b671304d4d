#include "LoggerMain.h"

#include "Dialogs.h"
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

TUnitLifetime Lifetime(ForgetLogger, ForgetLogger);

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
    if (ALogger)
        Logger = ALogger;
}

void UnRegisterLogger(TLogger*)
{
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
