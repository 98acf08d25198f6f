#include "ui/application.h"

namespace ohmkit::ui {

Application& Application::shared()
{
    static Application app;
    return app;
}

bool Application::openURL(const std::string& url)
{
    opened_.push_back(url);
    return opener_ ? opener_(url) : false;
}

void Application::setIdleTimerDisabled(bool disabled)
{
    if (idleTimerDisabled_ == disabled) return;
    idleTimerDisabled_ = disabled;
    if (idleObserver_) idleObserver_(disabled);
}

}  // namespace ohmkit::ui
