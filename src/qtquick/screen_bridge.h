#pragma once
// The QML face of one screen on the navigation stack.
//
// It owns a bridge for each of the screen's controls and finds them by outlet name or by the
// action a button is wired to, so a layout binds its components by name. It keeps the
// screen's controller alive while its QML page exists, even after the model has popped it;
// the page calls pageClosed() when it goes away.
#include <QHash>
#include <QObject>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QtQml/qqmlregistration.h>

#include <memory>

#include "qtquick/view_bridge.h"

namespace ohmkit::qtquick {

class ScreenBridge : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by the navigation bridge for each screen it shows")
    Q_PROPERTY(QString className READ className CONSTANT)
    Q_PROPERTY(QUrl layout READ layout CONSTANT)
    Q_PROPERTY(QStringList outletNames READ outletNames CONSTANT)
    Q_PROPERTY(QStringList actionNames READ actionNames CONSTANT)
    Q_PROPERTY(QString title READ title NOTIFY changed)
    Q_PROPERTY(QString rightImageName READ rightImageName NOTIFY changed)
    Q_PROPERTY(QUrl rightImage READ rightImage NOTIFY changed)
    Q_PROPERTY(QSizeF rightImageSize READ rightImageSize NOTIFY changed)

public:
    ScreenBridge(std::shared_ptr<ui::ViewController> controller, QObject* parent);
    ~ScreenBridge() override;

    ui::ViewController& controller() const { return *controller_; }
    QString className() const;
    // The screen's layout: the QML file named after its controller's class, or the generic
    // layout (every outlet in a column) when there is none yet.
    QUrl layout() const;
    QStringList outletNames() const { return outletNames_; }
    QStringList actionNames() const { return actionNames_; }
    QString title() const { return title_; }
    QString rightImageName() const { return rightImageName_; }
    QUrl rightImage() const { return rightImage_; }
    QSizeF rightImageSize() const { return rightImageSize_; }

    // The bridge of an outlet (a ViewBridge of the control's kind), or null (with a warning)
    // when the screen has none of that name.
    Q_INVOKABLE QObject* outlet(const QString& name) const;
    // The ButtonBridge of the button wired to an action, or null (with a warning).
    Q_INVOKABLE QObject* action(const QString& actionName) const;
    Q_INVOKABLE void pageClosed();

    // Where layouts are: the QML module's resource folder.
    static QString layoutFolder();

signals:
    void changed();

private:
    void readNavigationItem();

    std::shared_ptr<ui::ViewController> controller_;
    QHash<QString, ViewBridge*> outlets_;
    QHash<QString, ButtonBridge*> actions_;
    QStringList outletNames_;
    QStringList actionNames_;
    QString title_;
    QString rightImageName_;
    QUrl rightImage_;
    QSizeF rightImageSize_;
};

}  // namespace ohmkit::qtquick
