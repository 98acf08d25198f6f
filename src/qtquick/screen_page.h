#pragma once
// The root item of every screen's layout (OPage.qml), and the way everything inside a page
// reaches the page's screen.
//
//   OLabel.qml:   property ScreenBridge screen: ScreenPage.screen
//
// The window pushes a page with `screen` set to the screen's bridge. Any item inside the page,
// however deep and whenever it was put there (a Loader's item, a Repeater's delegate), reads
// the attached `ScreenPage.screen`, which follows the item's parents up to its page and
// changes when the item moves or the page's screen does. The page is a focus scope: the
// window gives it the focus when it comes to the top, and it hands it to its focused child.
#include <QMetaObject>
#include <QPointer>
#include <QQuickItem>
#include <QtQml/qqmlregistration.h>

#include <vector>

#include "qtquick/screen_bridge.h"

namespace ohmkit::qtquick {

class ScreenPageAttached;

class ScreenPage : public QQuickItem {
    Q_OBJECT
    QML_ELEMENT
    QML_ATTACHED(ohmkit::qtquick::ScreenPageAttached)
    Q_PROPERTY(ohmkit::qtquick::ScreenBridge* screen READ screen WRITE setScreen NOTIFY screenChanged)

public:
    explicit ScreenPage(QQuickItem* parent = nullptr);

    ScreenBridge* screen() const { return screen_; }
    void setScreen(ScreenBridge* screen);

    static ScreenPageAttached* qmlAttachedProperties(QObject* object);

signals:
    void screenChanged();

private:
    QPointer<ScreenBridge> screen_;
};

// `ScreenPage.screen` of one item: the screen of the page the item is on, or null.
class ScreenPageAttached : public QObject {
    Q_OBJECT
    QML_ANONYMOUS
    Q_PROPERTY(ohmkit::qtquick::ScreenBridge* screen READ screen NOTIFY screenChanged)

public:
    explicit ScreenPageAttached(QObject* attachee);

    ScreenBridge* screen() const { return screen_; }

signals:
    void screenChanged();

private:
    // Walks up from the item to its page, watching every step for a new parent.
    void resolve();
    void update();

    QPointer<QQuickItem> item_;
    QPointer<ScreenPage> page_;
    QPointer<ScreenBridge> screen_;
    std::vector<QMetaObject::Connection> watches_;
};

}  // namespace ohmkit::qtquick
