#pragma once
// The window: the application's navigation container rendered by Main.qml through the
// bridge, with the run loop driven from Qt's event loop. main() and the GUI tests make one.
#include <QQmlApplicationEngine>
#include <QQuickWindow>

#include <memory>

#include "app/app_navigation_controller.h"
#include "qtquick/navigation_bridge.h"
#include "qtquick/run_loop_driver.h"

namespace ohmkit::qtquick {

class FrontEnd {
public:
    // A phone-sized window, or a tablet-sized one in the pad idiom.
    explicit FrontEnd(bool tablet);
    ~FrontEnd();
    FrontEnd(const FrontEnd&) = delete;
    FrontEnd& operator=(const FrontEnd&) = delete;

    // Loads Main.qml and shows the window; false when the layout cannot be loaded.
    bool load();

    QQuickWindow* window() const;
    NavigationBridge& navigation() const { return *navigation_; }
    QQmlApplicationEngine& engine() const { return *engine_; }

private:
    std::shared_ptr<app::AppNavigationController> model_;
    RunLoopDriver driver_;
    // Declared after the model and before the engine: QML goes first, then the bridge.
    std::unique_ptr<NavigationBridge> navigation_;
    std::unique_ptr<QQmlApplicationEngine> engine_;
};

}  // namespace ohmkit::qtquick
