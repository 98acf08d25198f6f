// The standard-value, SMD-code, capacitor-code and inductor-colour screens in the window:
// each opens from its menu row in its first state, follows one change, and goes back.
#include "gui_harness.h"

class ValuesAndCodes : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { gui = std::make_unique<GuiHarness>(); }
    void init() { QVERIFY(gui->init()); }
    void cleanupTestCase() { gui.reset(); }

    void resistorValuesFollowTheTypedResistance()
    {
        QVERIFY(gui->tapMenuRow("Resistor values"));
        QCOMPARE(gui->pageClass(), QStringLiteral("InfoResistorsValues"));
        checkBar("Resistor values");
        QCOMPARE(gui->renderedText("textResistance"), QStringLiteral("12345"));
        QCOMPARE(gui->renderedText("labelResult"), QStringLiteral("Nearest value: 12 or 13 k\u03a9"));
        gui->screenshot("values-01-opened");
        QVERIFY(gui->editField("textResistance", "4700000", true));
        QCOMPARE(gui->renderedText("labelResult"), QStringLiteral("Nearest value: 4.7 M\u03a9"));
        QVERIFY(!gui->find("textResistance")->hasActiveFocus());   // return gave up the keyboard
        QVERIFY(gui->editField("textResistance", "17"));
        QCOMPARE(gui->renderedText("labelResult"), QStringLiteral("Nearest value: 16 or 18 \u03a9"));
        gui->screenshot("values-02-17-ohms");
        QVERIFY(gui->back());
    }

    void smdCodeIsDecodedWhileTyping()
    {
        QVERIFY(gui->tapMenuRow("Resistor SMD codes"));
        QCOMPARE(gui->pageClass(), QStringLiteral("InfoResistorsSMD"));
        checkBar("SMD codes");
        QCOMPARE(gui->renderedText("textResistance"), QStringLiteral("4501"));
        QCOMPARE(gui->renderedText("labelResult"), QStringLiteral("Results: 4.500 k\u03a9"));
        gui->screenshot("smd-01-opened");
        QVERIFY(gui->editField("textResistance", "01c"));
        QCOMPARE(gui->renderedText("labelResult"), QStringLiteral("Results: 10.0 k\u03a9"));
        gui->screenshot("smd-02-01C");
        QVERIFY(gui->editField("textResistance", "4r7", true));
        QCOMPARE(gui->renderedText("labelResult"), QStringLiteral("Results: 4.7 \u03a9"));
        QVERIFY(gui->back());
    }

    void capacitorPageIsRenderedNotShownAsTags()
    {
        QVERIFY(gui->tapMenuRow("Capacitor codes"));
        QCOMPARE(gui->pageClass(), QStringLiteral("InfoCapacitorsView"));
        checkBar("Capacitor codes");
        auto* page = gui->find("m_cResultsHTMLView:text");
        QVERIFY(page);
        QVERIFY(gui->renderedText(page).contains("<B>109 </B>"));
        gui->screenshot("capacitor-01-opened");
        checkLaidOutAsLines(page, 5);   // code, caption, pF, nF, uF

        QVERIFY(gui->turnWheel("m_cPickerView", 0, 3));   // 4
        QVERIFY(gui->turnWheel("m_cPickerView", 1, 7));   // 7
        QVERIFY(gui->turnWheel("m_cPickerView", 2, 4));   // x 1000
        QVERIFY(gui->turnWheel("m_cPickerView", 3, 6));   // K
        const QString html = gui->renderedText(page);
        QVERIFY2(html.contains("<B>473K</B>"), qPrintable(html));
        QVERIFY(html.contains(QStringLiteral("47000 pF<BR/>47 nF<BR/>0.047 \u00b5F<BR/><B>Tolerance:</B> \u00b1 10%")));
        checkLaidOutAsLines(page, 6);   // and the tolerance
        gui->screenshot("capacitor-02-473K");
        QVERIFY(gui->back());
    }

    void inductorColoursGiveTheInductance()
    {
        QVERIFY(gui->tapMenuRow("Inductor colors"));
        QCOMPARE(gui->pageClass(), QStringLiteral("InfoInductionView"));
        checkBar("Inductor colors");
        QCOMPARE(gui->renderedText("labelResults"), QStringLiteral("Inductance: 10 \u00b5H \u00b120%"));
        gui->screenshot("inductor-01-opened");
        QVERIFY(gui->turnWheel("pickerView", 0, 3));   // Yellow
        QVERIFY(gui->turnWheel("pickerView", 1, 7));   // Violet
        QVERIFY(gui->turnWheel("pickerView", 2, 2));   // Red
        QVERIFY(gui->turnWheel("pickerView", 3, 3));   // Silver
        QCOMPARE(gui->renderedText("labelResults"), QStringLiteral("Inductance: 4.7 mH \u00b110%"));
        gui->screenshot("inductor-02-4m7");
        QVERIFY(gui->back());
    }

private:
    // The page is rendered, not shown as markup: exactly one line per <BR/>-ended line, where
    // the tags shown as text would wrap into more lines.
    void checkLaidOutAsLines(QQuickItem* page, int lines)
    {
        QCOMPARE(page->property("textFormat").toInt(), 1 /* Text.RichText */);
        const double perLine = page->property("contentHeight").toDouble() / lines;
        const double fontSize = page->property("font").value<QFont>().pixelSize();
        QVERIFY2(perLine >= fontSize && perLine <= 1.5 * fontSize, qPrintable(QString::number(perLine)));
    }

    void checkBar(const char* title)
    {
        auto* root = gui->window()->contentItem();
        QCOMPARE(gui->renderedText(gui->find("navigationTitle", root)), QString::fromUtf8(title));
        QVERIFY(gui->find("backButton", root)->isVisible());
    }

    std::unique_ptr<GuiHarness> gui;
};

OHMKIT_GUI_TEST_MAIN(ValuesAndCodes)
#include "values_and_codes_test.moc"
