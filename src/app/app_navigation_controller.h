#pragma once
// The window's navigation container, with the orientation policy that holds for every screen.
#include "ui/view_controller.h"

namespace ohmkit::app {

class AppNavigationController : public ui::NavigationController {
public:
    AppNavigationController() : ui::NavigationController("AppNavigationController") {}
    bool shouldAutorotate() const override { return true; }
    // 30 (all four orientations) on 667- and 736-point phones and on every pad; 2 (portrait)
    // on every other phone.
    unsigned supportedInterfaceOrientations() const override;
};

}  // namespace ohmkit::app
