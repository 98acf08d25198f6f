#pragma once
// The application object: device idiom, screen size, opening URLs, the idle-timer switch,
// and the window's root navigation container.
#include "ui/view_controller.h"

namespace ohmkit::ui {

enum class UserInterfaceIdiom { Phone = 0, Pad = 1 };

class Application {
public:
    static Application& shared();

    UserInterfaceIdiom userInterfaceIdiom() const { return idiom_; }
    void setUserInterfaceIdiom(UserInterfaceIdiom idiom) { idiom_ = idiom; }
    // The screen's size in points.
    Size screenSize() const { return screen_; }
    void setScreenSize(Size size) { screen_ = size; }

    // Opens a URL with the desktop's handler (the front end installs it); false when nothing
    // can open it.
    bool openURL(const std::string& url);
    void setURLOpener(std::function<bool(const std::string&)> opener) { opener_ = std::move(opener); }
    const std::vector<std::string>& openedURLs() const { return opened_; }

    // While true, the display must not dim or lock (the front end asks the desktop to inhibit
    // its screen saver when it can).
    bool isIdleTimerDisabled() const { return idleTimerDisabled_; }
    void setIdleTimerDisabled(bool disabled);
    void setIdleTimerObserver(std::function<void(bool)> observer) { idleObserver_ = std::move(observer); }

    NavigationController* rootNavigationController() const { return root_.get(); }
    void setRootNavigationController(std::shared_ptr<NavigationController> root) { root_ = std::move(root); }

private:
    UserInterfaceIdiom idiom_ = UserInterfaceIdiom::Phone;
    Size screen_{375, 667};
    std::function<bool(const std::string&)> opener_;
    std::vector<std::string> opened_;
    bool idleTimerDisabled_ = false;
    std::function<void(bool)> idleObserver_;
    std::shared_ptr<NavigationController> root_;
};

}  // namespace ohmkit::ui
