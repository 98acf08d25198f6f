// The window as a user meets it: the menu, the resistor colour screen, back to the menu.
// The functions share one window; each starts on the menu.
#include <QPointer>

#include "gui_harness.h"
#include "platform/run_loop.h"
#include "ui/application.h"

using ohmkit::qtquick::ScreenBridge;

class MenuAndResistors : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { gui = std::make_unique<GuiHarness>(); }
    void init()
    {
        if (gui) QVERIFY(gui->init());
    }
    void cleanupTestCase() { gui.reset(); }

    void menuShowsTheToolsInTheirGroups()
    {
        QCOMPARE(gui->pageClass(), QStringLiteral("ViewController"));
        QCOMPARE(gui->renderedText(gui->find("navigationTitle", gui->window()->contentItem())), QStringLiteral("Ohmkit"));
        QVERIFY(!gui->find("backButton", gui->window()->contentItem())->isVisible());

        const QStringList names = {"Resistor colors",  "Resistor values",    "Resistor SMD codes",
                                   "Capacitor codes",  "Inductor colors",    "LED calc",
                                   "NE555 timer calc", "Solar battery calc", "Battery life",
                                   "Ohm's law",        "RC RL and LC",       "Decibels",
                                   "Wire current load limits", "Wire voltage drop", "PCB trace width",
                                   "Datasheets storage"};
        auto* table = gui->find("tableData");
        QVERIFY(table);
        QCOMPARE(table->property("count").toInt(), names.size());
        // The rows on screen: their text, their 64-point height, the shading of odd rows of a
        // group and an icon that loaded (a missing picture would leave it empty).
        const QVariantList rows = table->property("model").toList();
        for (int i = 0; i < 5; ++i) {
            auto* row = gui->find(QStringLiteral("tableData[%1]").arg(i), table);
            QVERIFY2(row, qPrintable(names[i]));
            QCOMPARE(gui->renderedText(row), names[i]);
            QCOMPARE(row->height(), 64.0);
            const bool odd = rows[i].toMap().value("row").toInt() % 2 == 1;
            const QColor shade = row->property("color").value<QColor>();
            QCOMPARE(shade.alpha(), odd ? 255 : 0);
            if (odd) QCOMPARE(qRound(shade.redF() * 100), 95);
            QList<QQuickItem*> items = row->findChildren<QQuickItem*>();
            bool iconShown = false;
            for (auto* item : items)
                if (item->inherits("QQuickImage") && item->property("status").toInt() == 1 /* Ready */) iconShown = true;
            QVERIFY2(iconShown, qPrintable(names[i] + " has no icon"));
        }
        // Each group opens with its heading.
        QCOMPARE(gui->renderedText(gui->find("tableData:heading:0", table)), QStringLiteral("Resistors"));
        QCOMPARE(gui->renderedText(gui->find("tableData:heading:1", table)), QStringLiteral("Components"));
        // The rows below the fold, as the user scrolls to them.
        for (int i = 0; i < names.size(); ++i) QCOMPARE(rows[i].toMap().value("text").toString(), names[i]);
        gui->screenshot("01-menu");
    }

    // Typing in the search field keeps the matching tools; Return opens the first.
    void searchFiltersTheMenu()
    {
        QVERIFY(gui->editField("textSearch", "trace"));
        auto* table = gui->find("tableData");
        QTRY_COMPARE(table->property("count").toInt(), 1);
        QCOMPARE(table->property("model").toList()[0].toMap().value("text").toString(), QStringLiteral("PCB trace width"));
        QCOMPARE(gui->renderedText(gui->find("tableData:heading:0", table)), QStringLiteral("Wires and PCB"));
        gui->screenshot("01-menu-search");
        QVERIFY(gui->editField("textSearch", "zzz"));
        QTRY_COMPARE(table->property("count").toInt(), 0);
        QCOMPARE(gui->renderedText("labelNoMatch"), QStringLiteral("No tool matches \"zzz\"."));
        QVERIFY(gui->editField("textSearch", "ohm", true));
        QCOMPARE(gui->pageClass(), QStringLiteral("InfoOhmsLaw"));
        QVERIFY(gui->back());
        QVERIFY(gui->editField("textSearch", ""));
        QTRY_COMPARE(gui->find("tableData")->property("count").toInt(), 16);
    }

    void resistorColorsOpensFromItsRow()
    {
        QVERIFY(gui->tapMenuRow("Resistor colors"));
        QCOMPARE(gui->pageClass(), QStringLiteral("InfoResistorsView"));
        auto* root = gui->window()->contentItem();
        QCOMPARE(gui->renderedText(gui->find("navigationTitle", root)), QStringLiteral("Resistor colors"));
        QVERIFY(gui->find("backButton", root)->isVisible());
        auto* picture = gui->find("navigationImage", root);
        QVERIFY(picture->isVisible());
        QCOMPARE(picture->property("status").toInt(), 1);   // res_small was found and drawn
        QCOMPARE(picture->width(), 36.0);
        QCOMPARE(gui->renderedText("labelResults"), QStringLiteral("Resistance: 10 \u03a9 \u00b120%"));
        gui->screenshot("02-resistor-colors");
    }

    // Yellow, Violet, none, Red, Gold, none; then a temperature band.
    void turningWheelsUpdatesTheResult()
    {
        QVERIFY(gui->tapMenuRow("Resistor colors"));
        QVERIFY(gui->turnWheel("pickerView", 0, 3));
        QCOMPARE(gui->renderedText("labelResults"), QStringLiteral("Resistance: 40 \u03a9 \u00b120%"));
        QVERIFY(gui->turnWheel("pickerView", 1, 7));
        QVERIFY(gui->turnWheel("pickerView", 3, 2));
        QVERIFY(gui->turnWheel("pickerView", 4, 2));
        QCOMPARE(gui->renderedText("labelResults"), QStringLiteral("Resistance: 4.7 k\u03a9 \u00b15%"));
        gui->screenshot("03-resistor-4k7");

        QVERIFY(gui->turnWheel("pickerView", 2, 6));
        QVERIFY(gui->turnWheel("pickerView", 3, 1));
        QVERIFY(gui->turnWheel("pickerView", 4, 3));
        QVERIFY(gui->turnWheel("pickerView", 5, 1));
        QCOMPARE(gui->renderedText("labelResults"), QStringLiteral("Resistance: 4.75 k\u03a9 \u00b11%, 100ppm"));
        // Turning a wheel back to a row it showed before is a change too.
        QVERIFY(gui->turnWheel("pickerView", 5, 0));
        QCOMPARE(gui->renderedText("labelResults"), QStringLiteral("Resistance: 4.75 k\u03a9 \u00b11%"));
        gui->screenshot("04-resistor-4k75");
    }

    void backReturnsToTheMenuAndLetsTheScreenGo()
    {
        QVERIFY(gui->tapMenuRow("Resistor colors"));
        QPointer<ScreenBridge> resistors = gui->navigation().top();
        QVERIFY(gui->back());
        QCOMPARE(gui->pageClass(), QStringLiteral("ViewController"));
        QCOMPARE(gui->navigation().model().viewControllers().size(), std::size_t(1));
        QCOMPARE(gui->renderedText(gui->find("navigationTitle", gui->window()->contentItem())), QStringLiteral("Ohmkit"));
        QTRY_VERIFY(resistors.isNull());   // its page is gone, so the screen is released
        gui->screenshot("05-back-to-menu");
    }

    void reopenedScreenStartsAtRowZero()
    {
        QVERIFY(gui->tapMenuRow("Resistor colors"));
        QVERIFY(gui->turnWheel("pickerView", 0, 3));
        QVERIFY(gui->back());
        QVERIFY(gui->tapMenuRow("Resistor colors"));
        QCOMPARE(gui->renderedText("labelResults"), QStringLiteral("Resistance: 10 \u03a9 \u00b120%"));
        for (int wheel = 0; wheel < 6; ++wheel)
            QCOMPARE(gui->find(QStringLiteral("pickerView:%1").arg(wheel))->property("currentIndex").toInt(), 0);
        QVERIFY(gui->back());
    }

    // Every row opens a screen with its layout (or the generic one) and its title; back
    // returns to the menu each time.
    void everyRowOpensItsToolAndComesBack()
    {
        const QVariantList rows = gui->find("tableData")->property("model").toList();
        for (int i = 0; i < rows.size(); ++i) {
            const QString name = rows[i].toMap().value("text").toString();
            QVERIFY2(gui->tapMenuRow(name), qPrintable(name));
            QCOMPARE(gui->pageClass(), gui->navigation().top()->className());
            QVERIFY2(!gui->renderedText(gui->find("navigationTitle", gui->window()->contentItem())).isEmpty(),
                     qPrintable(name));
            gui->screenshot(QStringLiteral("tool-%1").arg(i, 2, 10, QLatin1Char('0')));
            QVERIFY2(gui->back(), qPrintable(name));
            QCOMPARE(gui->pageClass(), QStringLiteral("ViewController"));
        }
    }

    // Timers and deferred calls of the program's run loop fire inside Qt's event loop.
    void runLoopRunsInsideTheWindow()
    {
        auto& loop = ohmkit::platform::RunLoop::main();
        bool posted = false, delayed = false;
        loop.post([&] { posted = true; });
        loop.post([&] { delayed = true; }, 0.05);
        QTRY_VERIFY_WITH_TIMEOUT(posted, 2000);
        QTRY_VERIFY_WITH_TIMEOUT(delayed, 2000);
        bool fired = false;
        auto timer = ohmkit::platform::Timer::schedule(loop, 0.03, false, [&](ohmkit::platform::Timer&) { fired = true; });
        QTRY_VERIFY_WITH_TIMEOUT(fired, 2000);
    }

    void windowSizeIsTheModelsScreenSize()
    {
        gui->window()->resize(414, 736);
        QTRY_COMPARE(ohmkit::ui::Application::shared().screenSize().height, 736.0f);
        QCOMPARE(ohmkit::ui::Application::shared().screenSize().width, 414.0f);
        gui->window()->resize(375, 667);
    }

    void tabletStartsInThePadIdiom()
    {
        gui.reset();
        GuiHarness tablet(true);
        QCOMPARE(tablet.window()->width(), 768);
        QCOMPARE(tablet.window()->height(), 1024);
        QCOMPARE(ohmkit::ui::Application::shared().userInterfaceIdiom(), ohmkit::ui::UserInterfaceIdiom::Pad);
        QVERIFY(tablet.tapMenuRow("Resistor colors"));
        tablet.screenshot("06-tablet-resistor-colors");
    }

private:
    std::unique_ptr<GuiHarness> gui;
};

OHMKIT_GUI_TEST_MAIN(MenuAndResistors)
#include "menu_and_resistors_test.moc"
