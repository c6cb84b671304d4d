#include "NavigatorManager.h"

namespace NavigatorManager {

EClasses::TNavigator* CurrentNavigator = nullptr;

} // namespace NavigatorManager
