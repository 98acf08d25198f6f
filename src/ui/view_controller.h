#pragma once
// Screen controllers and the navigation stack.
//
// A ViewController builds its screen's controls in loadView() (what a layout resource would
// create), names them as outlets in declaration order, wires buttons to named actions, and
// gets the life-cycle events. The front end finds a screen's layout by className() and binds
// its controls to the outlets and actions by name.
#include "ui/table_view.h"

namespace ohmkit::ui {

class NavigationController;
class ViewController;

struct NavigationItem {
    std::string title;
    // The decorative picture in the navigation bar's right slot ("res_small.png"); empty: none.
    std::string rightImageName;
    Size rightImageSize;
};

struct StoryboardSegue {
    std::string identifier;
    ViewController* source = nullptr;
    ViewController* destination = nullptr;
};

class ViewController : public std::enable_shared_from_this<ViewController> {
public:
    explicit ViewController(std::string className);
    virtual ~ViewController();
    ViewController(const ViewController&) = delete;
    ViewController& operator=(const ViewController&) = delete;

    const std::string& className() const { return className_; }

    // Life cycle.
    void loadViewIfNeeded();                 // loadView() then viewDidLoad(), once
    bool isViewLoaded() const { return viewLoaded_; }
    virtual void loadView() {}
    virtual void viewDidLoad() {}
    virtual void viewWillAppear(bool /*animated*/) {}
    virtual void didMoveToParentViewController(ViewController* /*parent*/) {}
    virtual void didReceiveMemoryWarning() {}

    // Navigation.
    NavigationController* navigationController() const { return navigationController_; }
    NavigationItem& navigationItem() { return navigationItem_; }
    void setTitle(const std::string& title);
    // The decorative 36 x 36 picture on a clear background in the navigation bar's right slot.
    void setRightBarImage(const std::string& imageName);
    void performSegueWithIdentifier(const std::string& identifier, const void* sender);
    virtual void prepareForSegue(StoryboardSegue& /*segue*/, const void* /*sender*/) {}

    // Outlets and actions, by name.
    struct Outlet {
        std::string name;
        View* view;
    };
    const std::vector<Outlet>& outlets() const { return outlets_; }
    View* outlet(const std::string& name) const;
    Button* buttonForAction(const std::string& actionName) const;
    const std::vector<std::shared_ptr<View>>& views() const { return views_; }

    // Observed by the front end: a change of the navigation item.
    using Observer = std::function<void()>;
    void setObserver(Observer observer) { observer_ = std::move(observer); }

protected:
    // Adds a control to the screen's hierarchy and names it as an outlet; returns the outlet.
    template <typename T>
    T* addOutlet(const std::string& name, std::shared_ptr<T> view = std::make_shared<T>())
    {
        T* raw = view.get();
        views_.push_back(std::move(view));
        outlets_.push_back({name, raw});
        return raw;
    }
    // Adds a button wired to an action (the action's name is how layouts and scripts find it).
    Button* addButton(const std::string& actionName, const std::string& title, std::function<void()> action);

private:
    friend class NavigationController;
    std::string className_;
    bool viewLoaded_ = false;
    NavigationController* navigationController_ = nullptr;
    NavigationItem navigationItem_;
    std::vector<std::shared_ptr<View>> views_;
    std::vector<Outlet> outlets_;
    Observer observer_;
};

// The navigation stack: a root screen, screens pushed over it by named routes, back.
class NavigationController : public ViewController {
public:
    using Factory = std::function<std::shared_ptr<ViewController>()>;

    NavigationController();
    explicit NavigationController(std::string className);

    void bindRoute(const std::string& identifier, Factory factory);
    bool hasRoute(const std::string& identifier) const;
    void setRootViewController(std::shared_ptr<ViewController> root);

    // Opens a route: makes the screen, lets the source prepare it, pushes it.
    // Returns false for an unknown identifier.
    bool performSegue(const std::string& identifier, ViewController& source, const void* sender);
    void pushViewController(std::shared_ptr<ViewController> controller, bool animated);
    // The back control: pops the top screen (never the root). Returns the popped screen.
    std::shared_ptr<ViewController> popViewControllerAnimated(bool animated);

    const std::vector<std::shared_ptr<ViewController>>& viewControllers() const { return stack_; }
    ViewController* topViewController() const { return stack_.empty() ? nullptr : stack_.back().get(); }

    // Orientation policy (bits: 1 portrait, 2 upside down, 3 landscape right, 4 landscape left).
    virtual bool shouldAutorotate() const { return true; }
    virtual unsigned supportedInterfaceOrientations() const { return 30; }

    // The front end mirrors the stack: called after a push and after a pop.
    struct StackObserver {
        std::function<void(ViewController&)> pushed;
        std::function<void(ViewController&)> popped;
    };
    void setStackObserver(StackObserver observer) { stackObserver_ = std::move(observer); }

private:
    std::map<std::string, Factory> routes_;
    std::vector<std::shared_ptr<ViewController>> stack_;
    StackObserver stackObserver_;
};

}  // namespace ohmkit::ui
