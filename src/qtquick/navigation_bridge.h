#pragma once
// The QML face of the navigation stack.
//
// Mirrors the model's stack of screens: pushed() after the model pushes a screen, popped()
// after it pops one; Main.qml's StackView follows these signals. The bar's back button calls
// back(), which asks the model to pop, so the model stays the only owner of the order.
#include <QList>
#include <QObject>
#include <QtQml/qqmlregistration.h>

#include <memory>

#include "qtquick/screen_bridge.h"
#include "ui/view_controller.h"

namespace ohmkit::qtquick {

class NavigationBridge : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by the front end for the window's navigation container")
    Q_PROPERTY(int depth READ depth NOTIFY stackChanged)
    Q_PROPERTY(ohmkit::qtquick::ScreenBridge* top READ top NOTIFY stackChanged)
    Q_PROPERTY(QList<QObject*> screens READ screens NOTIFY stackChanged)
    Q_PROPERTY(bool tablet READ tablet CONSTANT)

public:
    NavigationBridge(std::shared_ptr<ui::NavigationController> navigation, bool tablet, QObject* parent = nullptr);
    ~NavigationBridge() override;

    int depth() const { return static_cast<int>(stack_.size()); }
    ScreenBridge* top() const { return stack_.isEmpty() ? nullptr : stack_.last(); }
    QList<QObject*> screens() const;
    bool tablet() const { return tablet_; }
    ui::NavigationController& model() const { return *navigation_; }

    // The navigation bar's back button.
    Q_INVOKABLE void back();

signals:
    void pushed(ohmkit::qtquick::ScreenBridge* screen);
    void popped(ohmkit::qtquick::ScreenBridge* screen);
    void stackChanged();

private:
    std::shared_ptr<ui::NavigationController> navigation_;
    QList<ScreenBridge*> stack_;
    bool tablet_;
};

}  // namespace ohmkit::qtquick
