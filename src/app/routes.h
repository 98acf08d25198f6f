#pragma once
// The window's navigation container with every route identifier bound to its screen.
#include <memory>

#include "app/app_navigation_controller.h"

namespace ohmkit::app {

// The navigation container with the menu as its root and every route bound.
std::shared_ptr<AppNavigationController> makeAppNavigationController();

}  // namespace ohmkit::app
