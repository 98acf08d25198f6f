#include "ui/view_controller.h"

#include "platform/log.h"

namespace ohmkit::ui {

ViewController::ViewController(std::string className) : className_(std::move(className)) {}

ViewController::~ViewController() = default;

void ViewController::loadViewIfNeeded()
{
    if (viewLoaded_) return;
    viewLoaded_ = true;
    loadView();
    viewDidLoad();
}

void ViewController::setTitle(const std::string& title)
{
    navigationItem_.title = title;
    if (observer_) observer_();
}

void ViewController::setRightBarImage(const std::string& imageName)
{
    navigationItem_.rightImageName = imageName;
    navigationItem_.rightImageSize = {36, 36};
    if (observer_) observer_();
}

void ViewController::performSegueWithIdentifier(const std::string& identifier, const void* sender)
{
    if (!navigationController_ || !navigationController_->performSegue(identifier, *this, sender))
        platform::logFormat("No route for %s", identifier.c_str());
}

View* ViewController::outlet(const std::string& name) const
{
    for (const auto& o : outlets_)
        if (o.name == name) return o.view;
    return nullptr;
}

Button* ViewController::buttonForAction(const std::string& actionName) const
{
    for (const auto& view : views_)
        if (view->kind() == View::Kind::Button) {
            auto* button = static_cast<Button*>(view.get());
            if (button->actionName() == actionName) return button;
        }
    return nullptr;
}

Button* ViewController::addButton(const std::string& actionName, const std::string& title, std::function<void()> action)
{
    auto button = std::make_shared<Button>();
    button->setTitle(title);
    button->setAction(actionName, std::move(action));
    Button* raw = button.get();
    views_.push_back(std::move(button));
    return raw;
}

// ---- NavigationController -------------------------------------------------------------------

NavigationController::NavigationController() : ViewController("NavigationController") {}
NavigationController::NavigationController(std::string className) : ViewController(std::move(className)) {}

void NavigationController::bindRoute(const std::string& identifier, Factory factory)
{
    routes_[identifier] = std::move(factory);
}

bool NavigationController::hasRoute(const std::string& identifier) const { return routes_.count(identifier) > 0; }

// The screens that leave are told, top first, as a pop tells its screen.
void NavigationController::setRootViewController(std::shared_ptr<ViewController> root)
{
    auto leaving = std::move(stack_);
    stack_.clear();
    for (auto it = leaving.rbegin(); it != leaving.rend(); ++it) {
        (*it)->didMoveToParentViewController(nullptr);
        (*it)->navigationController_ = nullptr;
    }
    pushViewController(std::move(root), false);
}

bool NavigationController::performSegue(const std::string& identifier, ViewController& source, const void* sender)
{
    auto it = routes_.find(identifier);
    if (it == routes_.end()) return false;
    auto destination = it->second();
    if (!destination) return false;
    StoryboardSegue segue{identifier, &source, destination.get()};
    source.prepareForSegue(segue, sender);
    pushViewController(std::move(destination), true);
    return true;
}

void NavigationController::pushViewController(std::shared_ptr<ViewController> controller, bool)
{
    if (!controller) return;
    controller->navigationController_ = this;
    stack_.push_back(controller);
    controller->loadViewIfNeeded();
    controller->viewWillAppear(true);
    controller->didMoveToParentViewController(this);
    if (stackObserver_.pushed) stackObserver_.pushed(*controller);
}

std::shared_ptr<ViewController> NavigationController::popViewControllerAnimated(bool)
{
    if (stack_.size() <= 1) return nullptr;
    auto popped = stack_.back();
    stack_.pop_back();
    popped->didMoveToParentViewController(nullptr);
    popped->navigationController_ = nullptr;
    if (stackObserver_.popped) stackObserver_.popped(*popped);
    stack_.back()->viewWillAppear(true);
    return popped;
}

}  // namespace ohmkit::ui
