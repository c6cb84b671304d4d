#include "NUtilities.h"

#include "Dialogs.h"
#include "Registry.h"
#include "UnitLifetime.h"

namespace NUtilities {

namespace {

bool DebugMessagesEnabled = false;

// The debug switch: on only when "DebugMessages" reads 1. A key that cannot be made (a
// read-only registry file, told once) leaves it off and the program starts; a value that is
// no number, or a file that cannot be parsed, is still an error.
void InitializeUnit()
{
    DebugMessagesEnabled = false;
    TRegistry registry;
    const QString key = QStringLiteral("Software\\Velnor02");
    if (!registry.OpenKey(key, false) && !TRegistry::WriteSetting([&] { registry.OpenKey(key, true); }))
        return;
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
