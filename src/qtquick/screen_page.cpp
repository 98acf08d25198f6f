#include "qtquick/screen_page.h"

namespace ohmkit::qtquick {

ScreenPage::ScreenPage(QQuickItem* parent) : QQuickItem(parent) { setFlag(ItemIsFocusScope); }

void ScreenPage::setScreen(ScreenBridge* screen)
{
    if (screen_ == screen) return;
    screen_ = screen;
    emit screenChanged();
}

ScreenPageAttached* ScreenPage::qmlAttachedProperties(QObject* object) { return new ScreenPageAttached(object); }

ScreenPageAttached::ScreenPageAttached(QObject* attachee) : QObject(attachee)
{
    // An attached property may be read in a non-visual object; its item is the nearest one
    // among its parents.
    for (QObject* o = attachee; o && !item_; o = o->parent()) item_ = qobject_cast<QQuickItem*>(o);
    resolve();
}

void ScreenPageAttached::resolve()
{
    for (auto& watch : watches_) disconnect(watch);
    watches_.clear();
    page_ = nullptr;
    for (QQuickItem* item = item_; item; item = item->parentItem()) {
        if (auto* page = qobject_cast<ScreenPage*>(item)) {
            page_ = page;
            watches_.push_back(connect(page, &ScreenPage::screenChanged, this, &ScreenPageAttached::update));
            break;
        }
        watches_.push_back(connect(item, &QQuickItem::parentChanged, this, &ScreenPageAttached::resolve));
    }
    update();
}

void ScreenPageAttached::update()
{
    ScreenBridge* screen = page_ ? page_->screen() : nullptr;
    if (screen_ == screen) return;
    screen_ = screen;
    emit screenChanged();
}

}  // namespace ohmkit::qtquick
