#include "ui/view.h"

namespace ohmkit::ui {

void View::setHidden(bool hidden)
{
    if (hidden_ == hidden) return;
    hidden_ = hidden;
    changed();
}

void View::setBounds(const Rect& bounds)
{
    if (bounds_ == bounds) return;
    bounds_ = bounds;
    changed();
}

void View::setCenter(Point center)
{
    if (center_ == center) return;
    center_ = center;
    changed();
}

void View::setBackgroundColor(Color color)
{
    if (background_ == color) return;
    background_ = color;
    changed();
}

void View::setLayer(const Layer& layer)
{
    if (layer_ == layer) return;
    layer_ = layer;
    changed();
}

void View::setAccessibilityLabel(const std::string& label)
{
    if (accessibilityLabel_ == label) return;
    accessibilityLabel_ = label;
    changed();
}

int View::addObserver(Observer observer)
{
    int id = nextObserver_++;
    observers_[id] = std::move(observer);
    return id;
}

void View::removeObserver(int id) { observers_.erase(id); }

void View::changed()
{
    // Copy: an observer may remove itself.
    auto observers = observers_;
    for (auto& [id, observer] : observers)
        if (observer) observer();
}

}  // namespace ohmkit::ui
