#include "gui_harness.h"

#include <QDir>
#include <QElapsedTimer>
#include <QPalette>
#include <QStyleHints>
#include <QWheelEvent>
#include <QtQml/qqmlextensionplugin.h>

#include <arpa/inet.h>
#include <clocale>
#include <cstdlib>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/routes.h"
#include "platform/run_loop.h"

Q_IMPORT_QML_PLUGIN(OhmkitPlugin)

namespace {

// A folder that only this user can enter (Qt insists on it for the runtime folder).
void ensurePrivateFolder(const char* variable, const char* pattern)
{
    const char* value = std::getenv(variable);
    if (value && *value) {
        QDir().mkpath(QString::fromLocal8Bit(value));
        ::chmod(value, 0700);
        return;
    }
    QByteArray folder = QDir::tempPath().toLocal8Bit() + "/" + pattern + "XXXXXX";
    if (::mkdtemp(folder.data())) ::setenv(variable, folder.constData(), 1);
}

void setDefault(const char* variable, const char* value)
{
    if (const char* set = std::getenv(variable); !set || !*set) ::setenv(variable, value, 1);
}

// All items under `root`, depth first.
void collect(QQuickItem* root, QList<QQuickItem*>& out)
{
    if (!root) return;
    out.append(root);
    for (auto* child : root->childItems()) collect(child, out);
}

QQuickItem* findIn(QQuickItem* root, const QString& objectName)
{
    QList<QQuickItem*> all;
    collect(root, all);
    for (auto* item : all)
        if (item->objectName() == objectName) return item;
    return nullptr;
}

QPoint middleOf(QQuickItem* item)
{
    return item->mapToScene(QPointF(item->width() / 2, item->height() / 2)).toPoint();
}

bool isAncestor(const QQuickItem* ancestor, const QQuickItem* item)
{
    for (auto* p = item ? item->parentItem() : nullptr; p; p = p->parentItem())
        if (p == ancestor) return true;
    return false;
}

// The nearest enclosing item that inherits `className`, or null.
QQuickItem* enclosing(QQuickItem* item, const char* className)
{
    for (auto* p = item->parentItem(); p; p = p->parentItem())
        if (p->inherits(className)) return p;
    return nullptr;
}

// An item's box in the window, cut to what its clipping ancestors let show.
QRectF shownRect(QQuickItem* item, QRectF local)
{
    QRectF rect = item->mapRectToScene(local);
    for (auto* p = item->parentItem(); p; p = p->parentItem())
        if (p->clip()) rect &= p->mapRectToScene(QRectF(0, 0, p->width(), p->height()));
    return rect;
}

QString describe(QQuickItem* item)
{
    QString name = item->objectName();
    for (auto* p = item->parentItem(); name.isEmpty() && p; p = p->parentItem())
        if (!p->objectName().isEmpty()) name = QStringLiteral("in ") + p->objectName();
    const QString text = item->property("text").toString().left(30);
    return QStringLiteral("%1 \"%2\" (%3)").arg(QString::fromLatin1(item->metaObject()->className()), text, name);
}

QPalette darkPalette()
{
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(0x20, 0x20, 0x22));
    palette.setColor(QPalette::WindowText, QColor(0xf0, 0xf0, 0xf0));
    palette.setColor(QPalette::Base, QColor(0x2a, 0x2a, 0x2c));
    palette.setColor(QPalette::Text, QColor(0xf0, 0xf0, 0xf0));
    palette.setColor(QPalette::Button, QColor(0x30, 0x30, 0x32));
    palette.setColor(QPalette::ButtonText, QColor(0xf0, 0xf0, 0xf0));
    return palette;
}

}  // namespace

void prepareGuiTestEnvironment()
{
    setDefault("QT_QPA_PLATFORM", "offscreen");
    setDefault("QT_QUICK_BACKEND", "software");
    ensurePrivateFolder("XDG_RUNTIME_DIR", "ohmkit-gui-runtime-");
    // Never the user's own documents: the menu marks every file there when it loads.
    ensurePrivateFolder("OHMKIT_DOCUMENTS", "ohmkit-gui-documents-");
}

void finishGuiTestSetUp()
{
    // As in main(): Qt sets the number format from the environment.
    std::setlocale(LC_NUMERIC, "C");
}

GuiHarness::GuiHarness(bool tablet)
    : startSize_(tablet ? QSize(768, 1024) : QSize(375, 667)),
      frontEnd_(std::make_unique<ohmkit::qtquick::FrontEnd>(ohmkit::app::makeAppNavigationController(), tablet))
{
    if (!frontEnd_->load()) qFatal("Main.qml did not load");
    QVERIFY2(QTest::qWaitForWindowExposed(window()), "the window was not shown");
    settle();
}

GuiHarness::~GuiHarness() = default;

bool GuiHarness::init()
{
    setAppearance(Appearance::Light);
    for (int i = 0; i < 20 && navigation().depth() > 1; ++i) {
        navigation().back();
        settle();
    }
    if (auto* top = page()) top->forceActiveFocus();
    return resize(startSize_.width(), startSize_.height()) && navigation().depth() == 1 &&
           pageClass() == QStringLiteral("ViewController");
}

void GuiHarness::setAppearance(Appearance appearance)
{
    // The palette the platform gave, kept from the first change.
    static const QPalette platform = QGuiApplication::palette();
    QGuiApplication::setPalette(appearance == Appearance::Dark ? darkPalette() : platform);
    settle();
}

bool GuiHarness::resize(int width, int height)
{
    window()->resize(width, height);
    if (!QTest::qWaitFor([&] { return window()->width() == width && window()->height() == height; }, 2000))
        return false;
    return settle();
}

QQuickWindow* GuiHarness::window() const { return frontEnd_->window(); }

ohmkit::qtquick::NavigationBridge& GuiHarness::navigation() const { return frontEnd_->navigation(); }

QQuickItem* GuiHarness::page() const
{
    auto* stack = findIn(window()->contentItem(), QStringLiteral("stack"));
    return stack ? stack->property("currentItem").value<QQuickItem*>() : nullptr;
}

QString GuiHarness::pageClass() const
{
    auto* top = page();
    return top ? top->objectName().section(':', 1) : QString();
}

QQuickItem* GuiHarness::find(const QString& objectName, QQuickItem* root) const
{
    return findIn(root ? root : page(), objectName);
}

QString GuiHarness::renderedText(QQuickItem* item) const
{
    if (!item) return {};
    const QChar nonBreaking(0x00a0);
    QVariant own = item->property("text");
    if (own.isValid()) return own.toString().replace(nonBreaking, QLatin1Char(' '));
    QList<QQuickItem*> all;
    collect(item, all);
    for (auto* inner : all)
        if (inner->inherits("QQuickText")) return inner->property("text").toString().replace(nonBreaking, QLatin1Char(' '));
    return {};
}

QString GuiHarness::renderedText(const QString& objectName) const { return renderedText(find(objectName)); }

void GuiHarness::tap(QQuickItem* item)
{
    if (!item) return;
    reveal(item);
    QTest::mouseClick(window(), Qt::LeftButton, Qt::NoModifier, middleOf(item));
}

void GuiHarness::reveal(QQuickItem* item)
{
    for (auto* flick = enclosing(item, "QQuickFlickable"); flick; flick = enclosing(flick, "QQuickFlickable")) {
        const QRectF box = item->mapRectToItem(flick, QRectF(0, 0, item->width(), item->height()));
        const qreal contentY = flick->property("contentY").toReal();
        qreal target = contentY;
        if (box.top() < 0) target = contentY + box.top();
        else if (box.bottom() > flick->height()) target = contentY + box.bottom() - flick->height();
        if (target != contentY) {
            flick->setProperty("contentY", target);
            settle();
        }
    }
}

bool GuiHarness::tapMenuRow(const QString& name)
{
    auto* table = find(QStringLiteral("tableData"));
    if (!table) return false;
    // Scroll the row into view first, as a user would.
    const QVariantList rows = table->property("model").toList();
    int index = -1;
    for (int i = 0; i < rows.size(); ++i)
        if (rows[i].toMap().value(QStringLiteral("text")).toString() == name) index = i;
    if (index < 0) return false;
    QMetaObject::invokeMethod(table, "positionViewAtIndex", Q_ARG(int, index), Q_ARG(int, 4 /* Contain */));
    settle();
    auto* row = find(QStringLiteral("tableData[%1]").arg(index), table);
    if (!row) return false;
    const int depth = navigation().depth();
    tap(row);
    return settle() && navigation().depth() == depth + 1;
}

bool GuiHarness::back()
{
    auto* button = findIn(window()->contentItem(), QStringLiteral("backButton"));
    if (!button || !button->isVisible()) return false;
    const int depth = navigation().depth();
    tap(button);
    return settle() && navigation().depth() == depth - 1;
}

bool GuiHarness::turnWheel(const QString& pickerOutlet, int wheel, int row)
{
    auto* tumbler = find(QStringLiteral("%1:%2").arg(pickerOutlet).arg(wheel));
    if (!tumbler) return false;
    auto index = [tumbler] { return tumbler->property("currentIndex").toInt(); };
    if (index() == row) return true;
    const int direction = row > index() ? -1 : 1;   // a finger moving up brings later rows
    QPoint at = middleOf(tumbler);
    QTest::mousePress(window(), Qt::LeftButton, Qt::NoModifier, at);
    // Slow steps, so that letting go does not fling the wheel further.
    const int threshold = QGuiApplication::styleHints()->startDragDistance();
    for (int step = 0; step < 400 && index() != row; ++step) {
        at.ry() += direction * (step == 0 ? threshold + 1 : 2);
        QTest::mouseMove(window(), at, 16);
    }
    for (int i = 0; i < 3; ++i) QTest::mouseMove(window(), at, 120);
    QTest::mouseRelease(window(), Qt::LeftButton, Qt::NoModifier, at, 120);
    settle();
    return index() == row;
}

bool GuiHarness::editField(const QString& outlet, const QString& text, bool pressReturn)
{
    auto* field = find(outlet);
    if (!field) return false;
    tap(field);
    if (!field->hasActiveFocus()) return false;
    QTest::keyClick(window(), Qt::Key_A, Qt::ControlModifier);
    if (text.isEmpty()) QTest::keyClick(window(), Qt::Key_Backspace);
    for (QChar c : text) QTest::keyClick(window(), c.toLatin1());
    if (pressReturn) QTest::keyClick(window(), Qt::Key_Return);
    return settle();
}

void GuiHarness::wheelNotches(QQuickItem* item, int notches)
{
    const QPointF at = item->mapToScene(QPointF(item->width() / 2, item->height() / 2));
    for (int i = 0; i < std::abs(notches); ++i) {
        QWheelEvent event(at, window()->mapToGlobal(at), QPoint(), QPoint(0, notches > 0 ? 120 : -120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QGuiApplication::sendEvent(window(), &event);
    }
    settle();
}

void GuiHarness::drag(QQuickItem* item, int dy)
{
    QPoint at = middleOf(item);
    QTest::mousePress(window(), Qt::LeftButton, Qt::NoModifier, at);
    const int threshold = QGuiApplication::styleHints()->startDragDistance();
    const int direction = dy < 0 ? -1 : 1;
    // Past the drag threshold first, as a finger does, then in slow steps of 2 pixels.
    at.ry() += direction * (threshold + 1);
    QTest::mouseMove(window(), at, 16);
    for (int moved = 0; moved < std::abs(dy); moved += 2) {
        at.ry() += direction * std::min(2, std::abs(dy) - moved);
        QTest::mouseMove(window(), at, 16);
    }
    for (int i = 0; i < 3; ++i) QTest::mouseMove(window(), at, 120);
    QTest::mouseRelease(window(), Qt::LeftButton, Qt::NoModifier, at, 120);
    settle();
}

void GuiHarness::key(Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    QTest::keyClick(window(), key, modifiers);
    settle();
}

QQuickItem* GuiHarness::focusItem() const { return window()->activeFocusItem(); }

QStringList GuiHarness::layoutProblems() const
{
    QStringList problems;
    QList<QQuickItem*> all;
    collect(page(), all);
    struct Shown {
        QQuickItem* item;
        QRectF rect;
    };
    QList<Shown> shown;
    const qreal windowWidth = window()->width();
    for (auto* item : all) {
        if (!item->isVisible() || item->opacity() <= 0 || item->width() <= 0 || item->height() <= 0) continue;
        // Floating items are drawn over the rest on purpose; a control's parts belong to it.
        bool floating = false;
        for (auto* p = item; p; p = p->parentItem())
            if (p->objectName().endsWith(QStringLiteral(":pinned"))) floating = true;
        if (floating) continue;
        if (enclosing(item, "QQuickTextField") || enclosing(item, "QQuickAbstractButton") || enclosing(item, "QQuickTumbler"))
            continue;
        const bool text = item->inherits("QQuickText") || item->inherits("QQuickTextEdit");
        const bool control = item->inherits("QQuickTextField") || item->inherits("QQuickAbstractButton") ||
                             item->inherits("QQuickTumbler");
        if (!text && !control) continue;
        if (text && item->property("text").toString().trimmed().isEmpty()) continue;

        QRectF local(0, 0, item->width(), item->height());
        if (item->inherits("QQuickText")) {
            const qreal contentWidth = item->property("contentWidth").toReal();
            const qreal contentHeight = item->property("contentHeight").toReal();
            const bool elides = item->property("elide").toInt() != 0;
            if (item->property("truncated").toBool() && !elides) problems << QStringLiteral("cut: ") + describe(item);
            if (!elides && contentWidth > item->width() + 1)
                problems << QStringLiteral("wider than its box: ") + describe(item);
            local = local.united(QRectF(0, 0, contentWidth, contentHeight));
        }
        if (item->inherits("QQuickAbstractButton")) {
            QList<QQuickItem*> parts;
            collect(item, parts);
            for (auto* part : parts)
                if (part->inherits("QQuickText") && part->isVisible() && part->property("truncated").toBool())
                    problems << QStringLiteral("button label cut: ") + describe(item);
        }
        const QRectF rect = shownRect(item, local);
        if (rect.isEmpty()) continue;
        if (rect.left() < -0.5 || rect.right() > windowWidth + 0.5) problems << QStringLiteral("outside the window: ") + describe(item);
        shown.append({item, rect});
    }
    for (int i = 0; i < shown.size(); ++i)
        for (int j = i + 1; j < shown.size(); ++j) {
            const QRectF both = shown[i].rect.adjusted(1, 1, -1, -1) & shown[j].rect.adjusted(1, 1, -1, -1);
            if (both.isEmpty() || isAncestor(shown[i].item, shown[j].item) || isAncestor(shown[j].item, shown[i].item))
                continue;
            problems << QStringLiteral("overlap: %1 / %2").arg(describe(shown[i].item), describe(shown[j].item));
        }
    return problems;
}

quint16 GuiHarness::freePort()
{
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    quint16 port = 0;
    if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    if (fd >= 0) ::close(fd);
    return port;
}

bool GuiHarness::settle()
{
    auto busy = [this] {
        auto* stack = findIn(window()->contentItem(), QStringLiteral("stack"));
        if (stack && stack->property("busy").toBool()) return true;
        QList<QQuickItem*> all;
        collect(page(), all);
        for (auto* item : all)
            if (item->property("moving").toBool()) return true;
        auto next = ohmkit::platform::RunLoop::main().nextTimeout();
        return next && next->count() == 0;
    };
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 5000) {
        QTest::qWait(20);
        if (busy()) continue;
        QTest::qWait(30);   // one more frame
        if (!busy()) return true;
    }
    return false;
}

QString GuiHarness::screenshot(const QString& name)
{
    const QString folder = QStringLiteral(OHMKIT_SCREENSHOT_DIR);
    const QString path = folder + QLatin1Char('/') + name + QStringLiteral(".png");
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (!window()->grabWindow().save(path)) qWarning("could not save %s", qPrintable(path));
    return path;
}
