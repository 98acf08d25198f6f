#pragma once
// The harness of the GUI tests: the real window on the offscreen platform, driven the way a
// user drives it (mouse clicks on rows and buttons, drags on wheels), with helpers to find
// what is on screen and to save screenshots.
//
//   class LedScreen : public QObject {
//       Q_OBJECT
//   private slots:
//       void initTestCase() { gui = std::make_unique<GuiHarness>(); }
//       void init() { QVERIFY(gui->init()); }          // every case starts on the menu
//       void cleanupTestCase() { gui.reset(); }
//       void resistorForOneLed()
//       {
//           QVERIFY(gui->tapMenuRow("LED calc"));
//           QVERIFY(gui->editField("m_cVoltage", "12"));
//           QCOMPARE(gui->renderedText("m_cResults"), QString("..."));
//           gui->screenshot("led-12V");
//       }
//   private:
//       std::unique_ptr<GuiHarness> gui;
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

    // Brings the window back to where it started: the menu alone on the stack, no field being
    // edited, the window's first size and the light appearance. Call it from the test's
    // init(), so that a case that fails half-way cannot leave the next one on a wrong screen.
    bool init();

    // The desktop's appearance, as the app reads it: the system palette's window colour.
    enum class Appearance { Light, Dark };
    void setAppearance(Appearance appearance);
    // Resizes the window and waits until the layout has followed.
    bool resize(int width, int height);

    QQuickWindow* window() const;
    ohmkit::qtquick::NavigationBridge& navigation() const;
    // The page of the top screen.
    QQuickItem* page() const;
    QString pageClass() const;

    // The item with that objectName on the top page (or under `root`); null when none.
    QQuickItem* find(const QString& objectName, QQuickItem* root = nullptr) const;
    // The text an item shows: its own `text`, or that of the first text inside it, with the
    // non-breaking spaces that keep a number with its unit read as spaces.
    QString renderedText(QQuickItem* item) const;
    QString renderedText(const QString& objectName) const;

    // Scrolls the scroll areas around an item until it is shown, as a user would.
    void reveal(QQuickItem* item);
    // Clicks the middle of an item (scrolled into view first).
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
    // Turns the mouse wheel over an item by whole notches (positive: away from the user).
    void wheelNotches(QQuickItem* item, int notches);
    // Drags from the middle of an item by `dy` pixels in small slow steps, and lets go.
    void drag(QQuickItem* item, int dy);
    // A key press and release sent to the window (to the item with the keyboard focus).
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    // The item that has the keyboard focus.
    QQuickItem* focusItem() const;

    // What is wrong with the layout of the top page as drawn now: texts, fields and buttons
    // that overlap one another, texts cut without deliberate elision, and anything sticking
    // out of the window sideways. Empty when all is well.
    QStringList layoutProblems() const;

    // A TCP port on 127.0.0.1 that was free a moment ago (0 when none could be found).
    static quint16 freePort();

    // Waits until transitions and wheels have stopped and pending work has run.
    bool settle();
    // Saves the window as screenshots/<name>.png under the build folder; returns its path.
    QString screenshot(const QString& name);

private:
    QSize startSize_;
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
