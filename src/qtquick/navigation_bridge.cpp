#include "qtquick/navigation_bridge.h"

namespace ohmkit::qtquick {

NavigationBridge::NavigationBridge(std::shared_ptr<ui::NavigationController> navigation, bool tablet,
                                   QObject* parent)
    : QObject(parent), navigation_(std::move(navigation)), tablet_(tablet)
{
    // The screens already on the stack (the menu) are shown when the window opens.
    for (const auto& controller : navigation_->viewControllers()) stack_.append(new ScreenBridge(controller, this));

    ui::NavigationController::StackObserver observer;
    observer.pushed = [this](ui::ViewController& controller) {
        auto* screen = new ScreenBridge(controller.shared_from_this(), this);
        stack_.append(screen);
        emit stackChanged();
        emit pushed(screen);
    };
    observer.popped = [this](ui::ViewController& controller) {
        if (stack_.isEmpty() || &stack_.last()->controller() != &controller) return;
        // The page still shows the screen while it slides away; it releases it when it goes.
        ScreenBridge* screen = stack_.takeLast();
        emit stackChanged();
        emit popped(screen);
    };
    navigation_->setStackObserver(std::move(observer));
}

NavigationBridge::~NavigationBridge() { navigation_->setStackObserver({}); }

QList<QObject*> NavigationBridge::screens() const
{
    QList<QObject*> list;
    for (auto* screen : stack_) list.append(screen);
    return list;
}

void NavigationBridge::back() { navigation_->popViewControllerAnimated(true); }

}  // namespace ohmkit::qtquick
