#include "app/app_navigation_controller.h"

#include <algorithm>

#include "ui/application.h"

namespace ohmkit::app {

unsigned AppNavigationController::supportedInterfaceOrientations() const
{
    const auto& app = ui::Application::shared();
    const bool phone = app.userInterfaceIdiom() == ui::UserInterfaceIdiom::Phone;
    const float longer = std::max(app.screenSize().width, app.screenSize().height);
    if (phone && longer == 667.0f) return 30;
    if (phone && longer == 736.0f) return 30;
    if (app.userInterfaceIdiom() == ui::UserInterfaceIdiom::Pad) return 30;
    return 2;
}

}  // namespace ohmkit::app
