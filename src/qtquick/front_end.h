#pragma once
// The window: the application's navigation container rendered by Main.qml through the
// bridge, with the run loop driven from Qt's event loop. main() and the GUI tests make one and
// hand it the navigation container; the window knows the widget model only.
#include <QQmlApplicationEngine>
#include <QQuickWindow>

#include <memory>

#include "ui/view_controller.h"
#include "qtquick/navigation_bridge.h"
#include "qtquick/run_loop_driver.h"

namespace ohmkit::qtquick {

class FrontEnd {
public:
    // A phone-sized window, or a tablet-sized one in the pad idiom, showing `model` (the
    // application's navigation container, which main() builds).
    FrontEnd(std::shared_ptr<ui::NavigationController> model, bool tablet);
    ~FrontEnd();
    FrontEnd(const FrontEnd&) = delete;
    FrontEnd& operator=(const FrontEnd&) = delete;

    // Loads Main.qml and shows the window; false when the layout cannot be loaded.
    bool load();

    QQuickWindow* window() const;
    NavigationBridge& navigation() const { return *navigation_; }
    QQmlApplicationEngine& engine() const { return *engine_; }

private:
    std::shared_ptr<ui::NavigationController> model_;
    RunLoopDriver driver_;
    // Declared after the model and before the engine: QML goes first, then the bridge.
    std::unique_ptr<NavigationBridge> navigation_;
    std::unique_ptr<QQmlApplicationEngine> engine_;
};

}  // namespace ohmkit::qtquick
