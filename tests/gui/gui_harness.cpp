#include "gui_harness.h"

#include <QDir>
#include <QElapsedTimer>
#include <QStyleHints>
#include <QtQml/qqmlextensionplugin.h>

#include <clocale>
#include <cstdlib>
#include <sys/stat.h>

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

GuiHarness::GuiHarness(bool tablet) : frontEnd_(std::make_unique<ohmkit::qtquick::FrontEnd>(ohmkit::app::makeAppNavigationController(), tablet))
{
    if (!frontEnd_->load()) qFatal("Main.qml did not load");
    QVERIFY2(QTest::qWaitForWindowExposed(window()), "the window was not shown");
    settle();
}

GuiHarness::~GuiHarness() = default;

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
    QVariant own = item->property("text");
    if (own.isValid()) return own.toString();
    QList<QQuickItem*> all;
    collect(item, all);
    for (auto* inner : all)
        if (inner->inherits("QQuickText")) return inner->property("text").toString();
    return {};
}

QString GuiHarness::renderedText(const QString& objectName) const { return renderedText(find(objectName)); }

void GuiHarness::tap(QQuickItem* item)
{
    if (!item) return;
    QTest::mouseClick(window(), Qt::LeftButton, Qt::NoModifier, middleOf(item));
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
    QDir().mkpath(folder);
    const QString path = folder + QLatin1Char('/') + name + QStringLiteral(".png");
    if (!window()->grabWindow().save(path)) qWarning("could not save %s", qPrintable(path));
    return path;
}
