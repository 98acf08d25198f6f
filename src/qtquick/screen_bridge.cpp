#include "qtquick/screen_bridge.h"

#include <QFile>
#include <QtDebug>

#include "qtquick/images.h"

namespace ohmkit::qtquick {

ScreenBridge::ScreenBridge(std::shared_ptr<ui::ViewController> controller, QObject* parent)
    : QObject(parent), controller_(std::move(controller))
{
    QHash<const ui::View*, ViewBridge*> made;
    for (const auto& [name, view] : controller_->outlets()) {
        auto* bridge = ViewBridge::create(controller_, *view, QString::fromStdString(name), this);
        made.insert(view, bridge);
        outlets_.insert(bridge->outletName(), bridge);
        outletNames_.append(bridge->outletName());
    }
    for (const auto& view : controller_->views()) {
        if (view->kind() != ui::View::Kind::Button) continue;
        auto* bridge = made.value(view.get());
        if (!bridge) bridge = ViewBridge::create(controller_, *view, QString(), this);
        auto* button = static_cast<ButtonBridge*>(bridge);
        if (button->actionName().isEmpty()) continue;
        actions_.insert(button->actionName(), button);
        actionNames_.append(button->actionName());
    }
    readNavigationItem();
    controller_->setObserver([this] { readNavigationItem(); });
}

ScreenBridge::~ScreenBridge()
{
    controller_->setObserver(nullptr);
    // The control bridges go first: they stop observing controls that this screen keeps alive.
    qDeleteAll(findChildren<ViewBridge*>(Qt::FindDirectChildrenOnly));
}

QString ScreenBridge::className() const { return QString::fromStdString(controller_->className()); }

QString ScreenBridge::layoutFolder() { return QStringLiteral("qrc:/qt/qml/Ohmkit/"); }

QUrl ScreenBridge::layout() const
{
    const QString name = className() + QStringLiteral(".qml");
    if (QFile::exists(QStringLiteral(":/qt/qml/Ohmkit/") + name)) return QUrl(layoutFolder() + name);
    return QUrl(layoutFolder() + QStringLiteral("GenericView.qml"));
}

QObject* ScreenBridge::outlet(const QString& name) const
{
    auto* bridge = outlets_.value(name);
    if (!bridge) qWarning("%s has no outlet named %s", qPrintable(className()), qPrintable(name));
    return bridge;
}

QObject* ScreenBridge::action(const QString& actionName) const
{
    auto* bridge = actions_.value(actionName);
    if (!bridge) qWarning("%s has no button for action %s", qPrintable(className()), qPrintable(actionName));
    return bridge;
}

void ScreenBridge::pageClosed() { deleteLater(); }

void ScreenBridge::readNavigationItem()
{
    const auto& item = controller_->navigationItem();
    bool any = false;
    auto set = [&any](auto& field, const auto& value) {
        if (field == value) return;
        field = value;
        any = true;
    };
    set(title_, QString::fromStdString(item.title));
    set(rightImageName_, QString::fromStdString(item.rightImageName));
    set(rightImage_, imageUrl(item.rightImageName));
    set(rightImageSize_, QSizeF(item.rightImageSize.width, item.rightImageSize.height));
    if (any) emit changed();
}

}  // namespace ohmkit::qtquick
