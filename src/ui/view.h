#pragma once
// The widget model: the state and events of the screen controls, without any drawing.
//
// Controllers (the screens) set texts, images and selections here and receive the user's
// gestures from here. A front end (the Qt Quick window, or the scripted mode) renders the
// model and turns real gestures into the `user...` calls, which send exactly the events a
// touch toolkit would send. Every view is owned by its screen's view hierarchy
// (std::shared_ptr); controllers keep non-owning outlets to them.
//
// Single-threaded: everything runs on the main run loop.
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ohmkit::ui {

struct Point {
    float x = 0, y = 0;
    bool operator==(const Point&) const = default;
};
struct Size {
    float width = 0, height = 0;
    bool operator==(const Size&) const = default;
};
struct Rect {
    float x = 0, y = 0, width = 0, height = 0;
    Size size() const { return {width, height}; }
    bool operator==(const Rect&) const = default;
};

// An RGBA colour with components from 0 to 1.
struct Color {
    float red = 0, green = 0, blue = 0, alpha = 0;
    bool operator==(const Color&) const = default;

    static Color rgb(float r, float g, float b, float a = 1.0f) { return {r, g, b, a}; }
    static Color clear() { return {0, 0, 0, 0}; }
    static Color black() { return {0, 0, 0, 1}; }
    static Color white() { return {1, 1, 1, 1}; }
    static Color lightGray() { return {2.0f / 3, 2.0f / 3, 2.0f / 3, 1}; }
    static Color gray() { return {0.5f, 0.5f, 0.5f, 1}; }
};

// Border and corner of a view (the layer of a touch toolkit's view).
struct Layer {
    float borderWidth = 0;
    Color borderColor = Color::clear();
    float cornerRadius = 0;
    bool masksToBounds = false;
    bool operator==(const Layer&) const = default;
};

class View : public std::enable_shared_from_this<View> {
public:
    enum class Kind { Label, TextField, Button, Picker, Image, Web, Table, TableCell, Activity, Scroll };

    explicit View(Kind kind) : kind_(kind) {}
    virtual ~View() = default;
    View(const View&) = delete;
    View& operator=(const View&) = delete;

    Kind kind() const { return kind_; }

    bool isHidden() const { return hidden_; }
    void setHidden(bool hidden);
    Rect bounds() const { return bounds_; }
    virtual void setBounds(const Rect& bounds);
    Point center() const { return center_; }
    void setCenter(Point center);
    Color backgroundColor() const { return background_; }
    void setBackgroundColor(Color color);
    const Layer& layer() const { return layer_; }
    void setLayer(const Layer& layer);
    // What the view shows, in words, for those who cannot see it (a colour swatch's colour
    // name); empty when the view's own text says it.
    const std::string& accessibilityLabel() const { return accessibilityLabel_; }
    void setAccessibilityLabel(const std::string& label);

    // The front end observes a view to re-render it after any change.
    using Observer = std::function<void()>;
    int addObserver(Observer observer);
    void removeObserver(int id);

protected:
    void changed();

private:
    Kind kind_;
    bool hidden_ = false;
    Rect bounds_;
    Point center_;
    Color background_ = Color::clear();
    Layer layer_;
    std::string accessibilityLabel_;
    int nextObserver_ = 1;
    std::map<int, Observer> observers_;
};

// Creates a view owned by a shared_ptr.
template <typename T, typename... Args>
std::shared_ptr<T> make(Args&&... args)
{
    return std::make_shared<T>(std::forward<Args>(args)...);
}

}  // namespace ohmkit::ui
