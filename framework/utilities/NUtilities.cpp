#include "NUtilities.h"

#include "Dialogs.h"
#include "Registry.h"
#include "UnitLifetime.h"

namespace NUtilities {

namespace {

bool DebugMessagesEnabled = false;

void InitializeUnit()
{
    TRegistry registry;
    registry.OpenKey(QStringLiteral("Software\\Velnor02"), true);
    const QString name = QStringLiteral("DebugMessages");
    DebugMessagesEnabled = registry.ValueExists(name) && registry.ReadInteger(name) == 1;
    registry.CloseKey();
}

void FinalizeUnit()
{
    DebugMessagesEnabled = false;
}

TUnitLifetime Lifetime(InitializeUnit, FinalizeUnit);

} // namespace

void ShowDebugMessage(const QString& Message, int, int, int)
{
    if (DebugMessagesEnabled)
        ShowMessage(Message);
}

bool InitializeDebugManager()
{
    return true;
}

void Initialize()
{
    Lifetime.Initialize();
}

void Finalize()
{
    Lifetime.Finalize();
}

} // namespace NUtilities
