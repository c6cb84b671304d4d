#pragma once
// Starts and stops the navigator on behalf of the shell program, and holds the one that runs.

namespace EClasses {
class TNavigator;
} // namespace EClasses

namespace NavigatorManager {

// The navigator that is running; null until one is started. Plug-ins and the entity model
// call the navigator's operations through it.
extern EClasses::TNavigator* CurrentNavigator;

// Starts the first registered navigator (Env::Navigators): placed below the main window's
// menu, initialised and shown. Nothing happens while none is registered.
void StartNavigator();
// Hides the current navigator and unplugs it; CurrentNavigator keeps pointing to it.
void StopNavigator();
// Whether the session may end without saving; nothing is ever left unsaved here.
bool CheckUnsavedObject();

} // namespace NavigatorManager
