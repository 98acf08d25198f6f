// The LED, NE555, solar and wire screens as a user meets them: each opened from its menu row,
// one input changed, the shown text checked, a screenshot saved, then back to the menu.
// The functions run in order on one window.
#include "gui_harness.h"
#include "ui/application.h"

class CalcTools : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { gui = std::make_unique<GuiHarness>(); }
    void init()
    {
        if (gui) QVERIFY(gui->init());
    }
    void cleanupTestCase() { gui.reset(); }

    void ledCalculator()
    {
        QVERIFY(gui->tapMenuRow("LED calc"));
        QCOMPARE(gui->pageClass(), QStringLiteral("InfoLedsView"));
        QCOMPARE(gui->renderedText("m_cResults"), QStringLiteral("R = 500 \u03a9, P = 0.20 W"));
        QCOMPARE(gui->renderedText("m_cResults2"), QStringLiteral("Recommended: 510 \u03a9, 0.5 W (2x margin)"));
        QVERIFY(imageShown("m_cSchematic", "led_sch1.svg"));
        gui->screenshot("led-01-opening");

        gui->tap(gui->find("onLedsIncrease"));
        QVERIFY(gui->settle());
        QCOMPARE(gui->renderedText("m_cLedsCount"), QStringLiteral("2"));
        QVERIFY(imageShown("m_cSchematic", "led_sch2.svg"));
        QVERIFY(gui->editField("m_cVoltage", "5"));
        QCOMPARE(gui->renderedText("m_cResults"), QStringLiteral("R = 50 \u03a9, P = 0.02 W"));
        QCOMPARE(gui->renderedText("m_cResults2"), QStringLiteral("Recommended: 51 \u03a9, 0.125 W (2x margin)"));
        gui->screenshot("led-02-two-leds-5V");

        QVERIFY(gui->editField("m_cLedsCount", "7", true));
        QCOMPARE(gui->renderedText("m_cResults"), QStringLiteral("Battery voltage is low"));
        QVERIFY(imageShown("m_cSchematic", "led_schM.svg"));
        gui->screenshot("led-03-many-leds");
        QVERIFY(gui->back());
    }

    void timerCalculator()
    {
        QVERIFY(gui->tapMenuRow("NE555 timer calc"));
        QCOMPARE(gui->pageClass(), QStringLiteral("InfoNE555View"));
        QCOMPARE(gui->renderedText("m_cResults1"), QStringLiteral("Results: T = 11.00 ms"));
        QCOMPARE(gui->renderedText("m_cResults2_1"), QStringLiteral("t1 = 13.86 ms, t2 = 6.93 ms"));
        QCOMPARE(gui->renderedText("m_cResults2_2"), QStringLiteral("f = 48.10 Hz"));
        gui->screenshot("ne555-01-opening");

        QVERIFY(gui->editField("m_cDataC2", "0.01"));
        QCOMPARE(gui->renderedText("m_cResults2_1"), QStringLiteral("t1 = 13.86 \u00b5s, t2 = 6.93 \u00b5s"));
        QCOMPARE(gui->renderedText("m_cResults2_2"), QStringLiteral("f = 48.10 kHz"));
        gui->screenshot("ne555-02-fast");
        QVERIFY(gui->back());
    }

    void solarCalculator()
    {
        QVERIFY(gui->tapMenuRow("Solar battery calc"));
        QCOMPARE(gui->pageClass(), QStringLiteral("InfoSolarCalcView"));
        QCOMPARE(gui->renderedText("labelResult1"), QStringLiteral("0.0 Wh"));
        QCOMPARE(gui->renderedText("labelResult5"), QStringLiteral("--"));
        gui->screenshot("solar-01-empty");

        gui->tap(gui->find("onButtonAddItem"));
        QVERIFY(gui->settle());
        QVERIFY(gui->editField("textItemName", "Fridge"));
        QVERIFY(gui->editField("textItemPower", "60"));
        QVERIFY(gui->editField("textItemUsage", "5"));
        gui->tap(gui->find("onButtonAddItem"));
        QVERIFY(gui->settle());
        QCOMPARE(consumer(0), QStringLiteral("LED lamp|4.0h, 36.0Wh"));
        QCOMPARE(consumer(1), QStringLiteral("Fridge|5.0h, 300.0Wh"));
        QCOMPARE(gui->renderedText("labelResult1"), QStringLiteral("336.0 Wh"));
        QCOMPARE(gui->renderedText("labelResult5"), QStringLiteral("2"));
        QVERIFY(gui->editField("textVoltage", "24"));
        QCOMPARE(gui->renderedText("labelResult2"), QStringLiteral("16.8 Ah"));
        gui->screenshot("solar-02-two-consumers");

        // Delete mode shows a delete control on each row; deleting both rows ends it.
        gui->tap(gui->find("onButtonDelItems"));
        QVERIFY(gui->settle());
        QVERIFY(deleteControl(0));
        QVERIFY(deleteControl(1));
        gui->screenshot("solar-03-delete-mode");
        gui->tap(deleteControl(0));
        QVERIFY(gui->settle());
        QCOMPARE(consumer(0), QStringLiteral("Fridge|5.0h, 300.0Wh"));
        QCOMPARE(gui->renderedText("labelResult1"), QStringLiteral("300.0 Wh"));
        gui->tap(deleteControl(0));
        QVERIFY(gui->settle());
        QCOMPARE(gui->find("mainTable")->property("count").toInt(), 0);
        QCOMPARE(gui->renderedText("labelResult1"), QStringLiteral("0.0 Wh"));
        QVERIFY(!gui->find("mainTable")->property("view").value<QObject*>()->property("editing").toBool());
        QVERIFY(gui->back());
    }

    // Every solar figure stays on one line, with its unit, beside its caption, at a phone's
    // sizes and in a wide window, in both looks, from the first frame on.
    void solarFiguresNeverWrap()
    {
        const char* figures[] = {"labelResult1", "labelResult2", "labelResult3", "labelResult4",
                                 "labelResult5", "labelResult6", "labelResultPeakCurrent"};
        for (const QSize size : {QSize(375, 667), QSize(320, 480), QSize(1200, 900)}) {
            for (const auto look : {GuiHarness::Appearance::Light, GuiHarness::Appearance::Dark}) {
                QVERIFY(gui->init());
                gui->setAppearance(look);
                QVERIFY(gui->resize(size.width(), size.height()));
                QVERIFY(gui->tapMenuRow("Solar battery calc"));
                // "--" before a consumer is added, then the figures.
                for (bool added : {false, true}) {
                    if (added) {
                        gui->tap(gui->find("onButtonAddItem"));
                        QVERIFY(gui->settle());
                    }
                    for (const char* outlet : figures) {
                        auto* figure = gui->find(QString::fromLatin1(outlet));
                        QVERIFY(figure);
                        QVERIFY2(figure->property("lineCount").toInt() == 1,
                                 qPrintable(QStringLiteral("%1 \"%2\" in %3 lines at %4x%5").arg(QString::fromLatin1(outlet),
                                     gui->renderedText(figure)).arg(figure->property("lineCount").toInt()).arg(size.width()).arg(size.height())));
                    }
                }
                QCOMPARE(gui->renderedText("labelResult2"), QStringLiteral("3.6 Ah"));
                QVERIFY2(gui->layoutProblems().isEmpty(), qPrintable(gui->layoutProblems().join("\n")));
                gui->screenshot(QStringLiteral("solar-figures-%1x%2-%3").arg(size.width()).arg(size.height())
                                    .arg(look == GuiHarness::Appearance::Dark ? "dark" : "light"));
            }
        }
    }

    void voltageDropAndWireTable()
    {
        QVERIFY(gui->tapMenuRow("Wire voltage drop"));
        QCOMPARE(gui->pageClass(), QStringLiteral("InfoWiresVoltageDrop"));
        QCOMPARE(gui->renderedText("labelResult1"), QStringLiteral("Resistance, \u03a9/m: 0.0210"));
        QCOMPARE(gui->renderedText("labelResult2"), QStringLiteral("Voltage drop (copper): 2.10V"));
        QCOMPARE(gui->renderedText("labelResult3"), QStringLiteral("Voltage drop (alum.): 3.24V"));
        QVERIFY(gui->editField("textAWGNum", "40"));
        QVERIFY(gui->editField("textCurrent", "1"));
        QCOMPARE(gui->renderedText("labelResult2"), QStringLiteral("Voltage drop (copper): 68.80V"));
        QCOMPARE(gui->renderedText("labelResult3"), QStringLiteral("Voltage drop (alum.): 106.15V"));
        gui->screenshot("wires-01-voltage-drop");
        QVERIFY(gui->editField("textAWGNum", "41"));
        QCOMPARE(gui->renderedText("labelResult1"), QStringLiteral("Incorrect input"));

        gui->tap(gui->find("buttonWireInfo"));
        QTRY_COMPARE_WITH_TIMEOUT(gui->pageClass(), QStringLiteral("InfoWiresView"), 5000);
        QVERIFY(gui->settle());
        QVERIFY(pageShowsTheTable());
        gui->screenshot("wires-02-table-from-voltage-drop");
        QVERIFY(gui->back());
        QCOMPARE(gui->pageClass(), QStringLiteral("InfoWiresVoltageDrop"));
        QVERIFY(gui->back());
    }

    // The circuit screens: a field edited by keyboard, the result drawn, a button tapped.
    void circuitScreens()
    {
        QVERIFY(gui->tapMenuRow("Ohm's law"));
        QCOMPARE(gui->renderedText("labelResult1"), QStringLiteral("R = 1.2 kOhm"));
        QVERIFY(gui->editField("textCurrent", "0.5"));
        QCOMPARE(gui->renderedText("labelResult1"), QStringLiteral("R = 24 \u03a9"));
        QCOMPARE(gui->renderedText("labelResult2"), QStringLiteral("P = 6 W"));
        QVERIFY(gui->back());

        QVERIFY(gui->tapMenuRow("PCB trace width"));
        QCOMPARE(gui->renderedText("labelWidth"), QStringLiteral("Width: 0.300 mm (11.8 mil)"));
        gui->tap(gui->find("onToggleLayer"));
        QTRY_COMPARE(gui->renderedText("labelWidth"), QStringLiteral("Width: 0.781 mm (30.8 mil)"));
        QVERIFY(gui->back());

        QVERIFY(gui->tapMenuRow("Decibels"));
        QVERIFY(gui->editField("textVoltageRatio", "10"));
        QCOMPARE(gui->renderedText("labelVoltageRatio"), QStringLiteral("20.00 dB"));
        QVERIFY(gui->back());
    }

    void wireTableFromTheMenu()
    {
        QVERIFY(gui->tapMenuRow("Wire current load limits"));
        QCOMPARE(gui->pageClass(), QStringLiteral("InfoWiresView"));
        QVERIFY(pageShowsTheTable());
        gui->screenshot("wires-03-table");
        // The page scrolls to its last rows and its sources.
        auto* flick = gui->find("wireTable")->parentItem()->parentItem()->parentItem();
        QVERIFY(flick->property("contentHeight").toReal() > flick->height() * 2);
        flick->setProperty("contentY", flick->property("contentHeight").toReal() - flick->height());
        QVERIFY(gui->settle());
        gui->screenshot("wires-04-table-end");
        QVERIFY(gui->back());
    }

    void tabletForms()
    {
        gui.reset();
        GuiHarness tablet(true);
        QVERIFY(tablet.tapMenuRow("Solar battery calc"));
        tablet.screenshot("solar-04-tablet");
        QVERIFY(tablet.back());
        QVERIFY(tablet.tapMenuRow("NE555 timer calc"));
        QCOMPARE(tablet.renderedText("m_cResults2_2"), QStringLiteral("f = 48.10 Hz"));
        tablet.screenshot("ne555-03-tablet");
        QVERIFY(tablet.back());
    }

private:
    // A consumer row as drawn: its name and its figures, the texts the row shows joined by "|"
    // (a button's own label, such as the delete control's, is not part of the row's data).
    QString consumer(int row) const
    {
        auto* item = gui->find(QStringLiteral("mainTable[%1]").arg(row));
        if (!item) return {};
        QStringList shown;
        QList<QQuickItem*> all = item->childItems();
        for (int i = 0; i < all.size(); ++i) {
            if (all[i]->inherits("QQuickAbstractButton")) continue;
            all << all[i]->childItems();
            if (all[i]->inherits("QQuickText") && all[i]->isVisible() && !all[i]->property("text").toString().isEmpty())
                shown << all[i]->property("text").toString();
        }
        return shown.join(QLatin1Char('|'));
    }

    // True when the image outlet shows that picture, loaded.
    bool imageShown(const QString& outlet, const QString& file)
    {
        auto* image = gui->find(outlet);
        return image && image->property("status").toInt() == 1 /* Ready */ &&
               image->property("source").toUrl().fileName() == file;
    }

    // The delete control of a table row, when one is shown.
    QQuickItem* deleteControl(int row)
    {
        auto* item = gui->find(QStringLiteral("mainTable[%1]").arg(row));
        if (!item) return nullptr;
        for (auto* child : item->findChildren<QQuickItem*>())
            if (child->inherits("QQuickButton") && child->isVisible() && child->property("text").toString() == "Delete")
                return child;
        return nullptr;
    }

    // The page's table, first and last rows, and its sources below it.
    bool pageShowsTheTable()
    {
        auto cell = [this](int row, int column) {
            return gui->renderedText(gui->find(QStringLiteral("cell%1").arg(column), gui->find(QStringLiteral("wireTable[%1]").arg(row))));
        };
        return cell(0, 3) == QStringLiteral("0.000161") && cell(43, 3) == QStringLiteral("3.44") &&
               gui->renderedText("wirePageNotes").contains("ASTM B258");
    }

    std::unique_ptr<GuiHarness> gui;
};

OHMKIT_GUI_TEST_MAIN(CalcTools)
#include "calc_tools_test.moc"
