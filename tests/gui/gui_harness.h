#pragma once
// The harness of the GUI tests: the real window on the offscreen platform, driven the way a
// user drives it (mouse clicks on rows and buttons, drags on wheels), with helpers to find
// what is on screen and to save screenshots.
//
//   class LedScreen : public QObject {
//       Q_OBJECT
//   private slots:
//       void resistorForOneLed()
//       {
//           GuiHarness gui;
//           QVERIFY(gui.tapMenuRow("LED calc"));
//           QVERIFY(gui.editField("textVoltage", "12"));
//           QCOMPARE(gui.renderedText("labelResult1"), QString("..."));
//           gui.screenshot("led-12V");
//       }
//   };
//   OHMKIT_GUI_TEST_MAIN(LedScreen)
//   #include "led_screen_test.moc"
//
// Items are found by objectName: components carry their outlet's name (wheel i of a picker
// is "<outlet>:<i>", table row i is "<outlet>[<i>]"), pages "page:<ControllerClass>".
#include <QGuiApplication>
#include <QQuickItem>
#include <QQuickWindow>
#include <QString>
#include <QtTest/QtTest>

#include <memory>

#include "qtquick/front_end.h"

class GuiHarness {
public:
    // Opens the window (the menu showing), phone-sized or tablet-sized.
    explicit GuiHarness(bool tablet = false);
    ~GuiHarness();

    QQuickWindow* window() const;
    ohmkit::qtquick::NavigationBridge& navigation() const;
    // The page of the top screen.
    QQuickItem* page() const;
    QString pageClass() const;

    // The item with that objectName on the top page (or under `root`); null when none.
    QQuickItem* find(const QString& objectName, QQuickItem* root = nullptr) const;
    // The text an item shows: its own `text`, or that of the first text inside it.
    QString renderedText(QQuickItem* item) const;
    QString renderedText(const QString& objectName) const;

    // Clicks the middle of an item.
    void tap(QQuickItem* item);
    // Taps the menu row showing `name` and waits until its screen is shown.
    bool tapMenuRow(const QString& name);
    // Taps the navigation bar's back button and waits until the screen below is shown.
    bool back();
    // Drags wheel `wheel` of a picker until row `row` sits in its middle, as a finger would;
    // true when the wheel came to rest there.
    bool turnWheel(const QString& pickerOutlet, int wheel, int row);
    // Types into a text field (replacing its text) and, with `pressReturn`, presses return.
    bool editField(const QString& outlet, const QString& text, bool pressReturn = false);

    // Waits until transitions and wheels have stopped and pending work has run.
    bool settle();
    // Saves the window as screenshots/<name>.png under the build folder; returns its path.
    QString screenshot(const QString& name);

private:
    std::unique_ptr<ohmkit::qtquick::FrontEnd> frontEnd_;
};

// main() of a GUI test program: prepares a private runtime and documents folder when the
// environment names none (a run outside ctest), then runs the test object.
#define OHMKIT_GUI_TEST_MAIN(TestObject)                     \
    int main(int argc, char** argv)                          \
    {                                                        \
        prepareGuiTestEnvironment();                         \
        QGuiApplication app(argc, argv);                     \
        finishGuiTestSetUp();                                \
        TestObject test;                                     \
        QTEST_SET_MAIN_SOURCE_PATH                           \
        return QTest::qExec(&test, argc, argv);              \
    }

void prepareGuiTestEnvironment();
void finishGuiTestSetUp();
