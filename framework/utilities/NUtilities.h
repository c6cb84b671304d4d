#pragma once
// Diagnostic messages behind a switch: the value "DebugMessages" under "Software\Velnor02"
// of the current user, read once when the unit initialises (1 = on, anything else off).

#include <QString>

namespace NUtilities {

// Shows Message in a plain modal message box when the switch is on; the numbers are unused.
void ShowDebugMessage(const QString& Message, int, int, int);
// Nothing to do: the switch is read by the unit's initialisation.
bool InitializeDebugManager();

// Initialisation reads the switch; a "DebugMessages" value that is not an integer raises.
void Initialize();
void Finalize();

} // namespace NUtilities
