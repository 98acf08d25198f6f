#include "qtquick/front_end.h"

#include <QDesktopServices>
#include <QQuickStyle>
#include <QUrl>

#include "qtquick/dark_drawings.h"
#include "ui/application.h"
#include "ui/utils.h"

namespace ohmkit::qtquick {

FrontEnd::FrontEnd(std::shared_ptr<ui::NavigationController> model, bool tablet)
    : model_(std::move(model)), driver_(platform::RunLoop::main())
{
    auto& application = ui::Application::shared();
    application.setUserInterfaceIdiom(tablet ? ui::UserInterfaceIdiom::Pad : ui::UserInterfaceIdiom::Phone);
    application.setScreenSize(tablet ? ui::Size{768, 1024} : ui::Size{375, 667});
    application.setURLOpener([](const std::string& url) {
        // The model keeps file URLs unescaped: a "#" or "%" in a file name is part of the path.
        const std::string path = ui::pathOfFileURL(url);
        return QDesktopServices::openUrl(path != url ? QUrl::fromLocalFile(QString::fromStdString(path))
                                                     : QUrl(QString::fromStdString(url)));
    });
    // Web views show their content in QML, which reports when a load starts and ends.
    ui::WebView::setFrontEndLoads(true);

    // One look on every desktop: the plain style, drawn by our own components. Qt takes it
    // once per process, before the first window.
    static const bool styled = [] {
        QQuickStyle::setStyle(QStringLiteral("Basic"));
        return true;
    }();
    (void)styled;

    application.setRootNavigationController(model_);
    navigation_ = std::make_unique<NavigationBridge>(model_, tablet);
    engine_ = std::make_unique<QQmlApplicationEngine>();
    engine_->addImportPath(QStringLiteral("qrc:/qt/qml"));
    engine_->addImageProvider(QString::fromLatin1(DrawingProvider::name), new DrawingProvider);
}

FrontEnd::~FrontEnd()
{
    engine_.reset();
    navigation_.reset();
    ui::Application::shared().setRootNavigationController(nullptr);
    ui::Application::shared().setURLOpener(nullptr);
}

bool FrontEnd::load()
{
    engine_->setInitialProperties({{QStringLiteral("navigation"), QVariant::fromValue(navigation_.get())}});
    engine_->load(QUrl(ScreenBridge::layoutFolder() + QStringLiteral("Main.qml")));
    QQuickWindow* shown = window();
    if (!shown) return false;
    // The model's screen size follows the window (the orientation policy reads it).
    auto follow = [shown] {
        ui::Application::shared().setScreenSize(
            {static_cast<float>(shown->width()), static_cast<float>(shown->height())});
    };
    QObject::connect(shown, &QWindow::widthChanged, shown, follow);
    QObject::connect(shown, &QWindow::heightChanged, shown, follow);
    follow();
    return true;
}

QQuickWindow* FrontEnd::window() const
{
    const auto roots = engine_->rootObjects();
    return roots.isEmpty() ? nullptr : qobject_cast<QQuickWindow*>(roots.first());
}

}  // namespace ohmkit::qtquick
