#pragma once
// Starts and stops the navigator on behalf of the shell program, and holds the one that runs.

namespace EClasses {
class TNavigator;
} // namespace EClasses

namespace NavigatorManager {

// The navigator that is running; null until one is started. Plug-ins and the entity model
// call the navigator's operations through it.
extern EClasses::TNavigator* CurrentNavigator;

} // namespace NavigatorManager
