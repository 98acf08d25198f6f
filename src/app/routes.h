#pragma once
// The window's navigation container with every route identifier bound to its screen.
#include <memory>

#include "app/app_navigation_controller.h"

namespace ohmkit::app {

// The navigation container with the menu as its root and every route bound.
std::shared_ptr<AppNavigationController> makeAppNavigationController();

// A plain screen titled with a tool's name, for tools that are not built yet.
class PlaceholderView : public ui::ViewController {
public:
    explicit PlaceholderView(std::string toolName);
    void loadView() override;

    ui::Label* labelMessage = nullptr;

private:
    std::string toolName_;
};

}  // namespace ohmkit::app
