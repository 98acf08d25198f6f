// Touch, mouse and keyboard as people use them: picker wheels (notches, taps, short drags,
// Tab and arrows), the menu by keyboard, editing fields (Escape, Tab selecting the text,
// what numeric fields refuse), copying results, the navigation bar's room for titles,
// targets big enough for a finger, and the dark appearance.
#include <QClipboard>

#include "gui_harness.h"

namespace {

QColor colorOf(QQuickItem* item, const char* property = "color")
{
    return item ? item->property(property).value<QColor>() : QColor();
}

// The delegate item of row `row` of a wheel, when it exists.
QQuickItem* wheelRow(QQuickItem* item, int row)
{
    if (!item) return nullptr;
    if (item->property("label").isValid() && item->property("modelData").isValid() && item->property("index").toInt() == row)
        return item;
    for (auto* child : item->childItems())
        if (auto* found = wheelRow(child, row)) return found;
    return nullptr;
}

// Every item drawn under `root`, depth first.
QList<QQuickItem*> visualDescendants(QQuickItem* root)
{
    QList<QQuickItem*> all;
    for (auto* child : root->childItems()) {
        all << child;
        all << visualDescendants(child);
    }
    return all;
}

// The swatch drawn in a wheel row.
QQuickItem* swatchOf(QQuickItem* row)
{
    if (!row) return nullptr;
    for (auto* child : row->childItems())
        if (child->inherits("QQuickRectangle")) return child;
    return nullptr;
}

}  // namespace

class Interaction : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { gui = std::make_unique<GuiHarness>(); }
    void init() { QVERIFY(gui->init()); }
    void cleanupTestCase() { gui.reset(); }

    // One notch of a mouse wheel is one row, so every row can be reached: the multiplier
    // "0" (x1) right after the first row.
    void oneNotchMovesOneRow()
    {
        QVERIFY(gui->tapMenuRow("Capacitor codes"));
        auto* multiplier = gui->find("m_cPickerView:2");
        QVERIFY(multiplier);
        gui->wheelNotches(multiplier, -1);   // towards the user: the next row
        QCOMPARE(multiplier->property("currentIndex").toInt(), 1);
        QVERIFY(gui->renderedText("m_cResultsHTMLView:text").contains("<B>100 </B>"));
        QVERIFY(gui->renderedText("m_cResultsHTMLView:text").contains("10 pF"));
        gui->wheelNotches(multiplier, -2);
        QCOMPARE(multiplier->property("currentIndex").toInt(), 3);
        gui->wheelNotches(multiplier, 1);
        QCOMPARE(multiplier->property("currentIndex").toInt(), 2);
        gui->wheelNotches(multiplier, 5);    // stops at the first row
        QCOMPARE(multiplier->property("currentIndex").toInt(), 0);
        QVERIFY(gui->renderedText("m_cResultsHTMLView:text").contains("<B>109 </B>"));
    }

    void tappingAVisibleRowSelectsIt()
    {
        QVERIFY(gui->tapMenuRow("Resistor colors"));
        auto* first = gui->find("pickerView:0");
        auto* orange = wheelRow(first, 2);
        QVERIFY(orange);
        gui->tap(orange);
        QVERIFY(gui->settle());
        QCOMPARE(first->property("currentIndex").toInt(), 2);
        QCOMPARE(gui->renderedText("labelResults"), QStringLiteral("Resistance: 30 \u03a9 \u00b120%"));
    }

    // A drag of more than half a row comes to rest on the nearest row; less goes back.
    void shortDragsRestOnTheNearestRow()
    {
        QVERIFY(gui->tapMenuRow("Resistor colors"));
        auto* wheel = gui->find("pickerView:1");
        const qreal rowHeight = gui->find("pickerView")->property("rowHeight").toReal();
        QVERIFY(rowHeight >= 44);
        gui->drag(wheel, -qRound(rowHeight * 0.7));   // a finger moving up brings the next row
        QCOMPARE(wheel->property("currentIndex").toInt(), 1);
        QCOMPARE(gui->renderedText("labelResults"), QStringLiteral("Resistance: 11 \u03a9 \u00b120%"));
        gui->drag(wheel, -qRound(rowHeight * 0.3));
        QCOMPARE(wheel->property("currentIndex").toInt(), 1);
        gui->drag(wheel, qRound(rowHeight * 0.6));
        QCOMPARE(wheel->property("currentIndex").toInt(), 0);
        QCOMPARE(gui->renderedText("labelResults"), QStringLiteral("Resistance: 10 \u03a9 \u00b120%"));
    }

    void wheelsTakeTheFocusAndFollowTheArrows()
    {
        QVERIFY(gui->tapMenuRow("Inductor colors"));
        gui->key(Qt::Key_Tab);
        auto* first = gui->find("pickerView:0");
        QCOMPARE(gui->focusItem(), first);
        QVERIFY(first->property("visualFocus").toBool());   // the frame shows
        gui->key(Qt::Key_Down);
        gui->key(Qt::Key_Down);
        QCOMPARE(first->property("currentIndex").toInt(), 2);
        QCOMPARE(gui->renderedText("labelResults"), QStringLiteral("Inductance: 30 \u00b5H \u00b120%"));
        gui->key(Qt::Key_Up);
        QCOMPARE(first->property("currentIndex").toInt(), 1);
        gui->key(Qt::Key_Tab);
        QCOMPARE(gui->focusItem(), gui->find("pickerView:1"));
    }

    // Swatches keep their true colour on every row, carry the colour's name in a colour that
    // stands out from it, and the chosen row is marked by a frame, not by fading the others.
    void swatchesShowTrueColoursAndNames()
    {
        QVERIFY(gui->tapMenuRow("Resistor colors"));
        auto* wheel = gui->find("pickerView:0");
        const QList<std::tuple<int, QString, QColor>> expected = {
            {0, "Brown", QColor::fromRgbF(0.6f, 0.4f, 0.2f)},
            {1, "Red", QColor(255, 0, 0)},
            {2, "Orange", QColor::fromRgbF(1.0f, 0.5f, 0.0f)},
        };
        for (const auto& [index, name, colour] : expected) {
            auto* row = wheelRow(wheel, index);
            QVERIFY2(row, qPrintable(name));
            QCOMPARE(row->opacity(), 1.0);
            QCOMPARE(colorOf(swatchOf(row)), colour);
            QCOMPARE(row->property("label").toString(), name);
            const QColor ink = row->property("ink").value<QColor>();
            QVERIFY(std::abs(ink.lightnessF() - colour.lightnessF()) > 0.3);
        }
        QCOMPARE(wheelRow(gui->find("pickerView:2"), 0)->property("label").toString(), QStringLiteral("none"));
    }

    // The capacitor's rows say what they mean: the multiplier digit with its factor, the
    // letter wheel's blank as "none".
    void capacitorRowsSayWhatTheyMean()
    {
        QVERIFY(gui->tapMenuRow("Capacitor codes"));
        auto* multiplier = gui->find("m_cPickerView:2");
        QVERIFY(wheelRow(multiplier, 4));
        QVERIFY(wheelRow(gui->find("m_cPickerView:3"), 1));
        QCOMPARE(wheelRow(multiplier, 0)->property("label").toString(), QStringLiteral("9"));
        QCOMPARE(wheelRow(multiplier, 0)->property("detail").toString(), QStringLiteral("\u00d70.1"));
        QCOMPARE(wheelRow(multiplier, 1)->property("detail").toString(), QStringLiteral("\u00d71"));
        QCOMPARE(wheelRow(multiplier, 4)->property("detail").toString(), QStringLiteral("\u00d71k"));
        QCOMPARE(wheelRow(gui->find("m_cPickerView:3"), 0)->property("label").toString(), QStringLiteral("none"));
        QCOMPARE(wheelRow(gui->find("m_cPickerView:3"), 1)->property("label").toString(), QStringLiteral("E"));
    }

    void menuByKeyboard()
    {
        auto* menu = gui->find("tableData");
        gui->key(Qt::Key_Tab);
        QVERIFY(gui->find("textSearch")->hasActiveFocus());
        gui->key(Qt::Key_Tab);
        QVERIFY(menu->hasActiveFocus());
        // An earlier tap on a row left the list's current row there.
        menu->setProperty("currentIndex", 0);
        for (int i = 0; i < 4; ++i) gui->key(Qt::Key_Down);
        QCOMPARE(menu->property("currentIndex").toInt(), 4);
        gui->key(Qt::Key_Return);
        QCOMPARE(gui->pageClass(), QStringLiteral("InfoInductionView"));
        gui->key(Qt::Key_Escape);
        QCOMPARE(gui->pageClass(), QStringLiteral("ViewController"));

        // The arrows reach the list from the page too; Space opens the framed row.
        menu = gui->find("tableData");
        gui->key(Qt::Key_Down);
        QVERIFY(menu->hasActiveFocus());
        menu->setProperty("currentIndex", 5);
        gui->key(Qt::Key_Space);
        QCOMPARE(gui->pageClass(), QStringLiteral("InfoLedsView"));
    }

    // Escape in a field only ends the editing (and keeps what was typed); the next Escape
    // goes back.
    void escapeEndsEditingFirst()
    {
        QVERIFY(gui->tapMenuRow("LED calc"));
        QVERIFY(gui->editField("m_cVoltage", "9"));
        auto* field = gui->find("m_cVoltage");
        QVERIFY(field->hasActiveFocus());
        gui->key(Qt::Key_Escape);
        QVERIFY(!field->hasActiveFocus());
        QCOMPARE(gui->pageClass(), QStringLiteral("InfoLedsView"));
        QCOMPARE(gui->renderedText("m_cVoltage"), QStringLiteral("9"));
        QCOMPARE(gui->renderedText("m_cResults"), QStringLiteral("R = 350 \u03a9, P = 0.14 W"));
        gui->key(Qt::Key_Escape);
        QCOMPARE(gui->pageClass(), QStringLiteral("ViewController"));
    }

    // A field entered by Tab or by a click has its text selected: typing replaces it.
    void enteringAFieldSelectsItsText()
    {
        QVERIFY(gui->tapMenuRow("LED calc"));
        gui->key(Qt::Key_Tab);
        auto* voltage = gui->find("m_cVoltage");
        QCOMPARE(gui->focusItem(), voltage);
        QCOMPARE(voltage->property("selectedText").toString(), QStringLiteral("12"));
        for (char c : {'2', '0'}) QTest::keyClick(gui->window(), c);
        QVERIFY(gui->settle());
        QCOMPARE(gui->renderedText("m_cVoltage"), QStringLiteral("20"));

        auto* current = gui->find("m_cCurrentOnLED");
        gui->tap(current);
        QVERIFY(gui->settle());
        QVERIFY(current->hasActiveFocus());
        QCOMPARE(current->property("selectedText").toString(), QStringLiteral("20"));
    }

    // Numeric fields say what keyboard they want and refuse what is never part of a number
    // there; each still takes what its calculator reads.
    void numericFieldsFilterWhatIsTyped_data()
    {
        QTest::addColumn<QString>("tool");
        QTest::addColumn<QString>("outlet");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept");
        QTest::addColumn<int>("hints");
        const int decimal = Qt::ImhFormattedNumbersOnly;
        QTest::newRow("decimal") << "LED calc" << "m_cVoltage" << "-1.5e2" << "-1.5e2" << decimal;
        QTest::newRow("decimal comma") << "LED calc" << "m_cVoltage" << "4,5" << "4,5" << decimal;
        QTest::newRow("decimal refuses letters") << "LED calc" << "m_cVoltage" << "1a2 V" << "12" << decimal;
        QTest::newRow("whole number") << "LED calc" << "m_cLedsCount" << "3.5x" << "35" << int(Qt::ImhDigitsOnly);
        QTest::newRow("AWG") << "Wire voltage drop" << "textAWGNum" << "4/0" << "4/0" << int(Qt::ImhDigitsOnly);
        QTest::newRow("standard value takes every notation") << "Resistor values" << "textResistance" << "4k7 2M2 4r7 x"
                                                           << "4k7 2M2 4r7 x" << int(Qt::ImhPreferNumbers | Qt::ImhNoPredictiveText);
        QTest::newRow("SMD code takes letters") << "Resistor SMD codes" << "textResistance" << "01c" << "01c"
                                                << int(Qt::ImhPreferUppercase | Qt::ImhNoPredictiveText);
        QTest::newRow("consumer name") << "Solar battery calc" << "textItemName" << "Fridge 2" << "Fridge 2"
                                       << int(Qt::ImhNone);
    }
    void numericFieldsFilterWhatIsTyped()
    {
        QFETCH(QString, tool);
        QFETCH(QString, outlet);
        QFETCH(QString, typed);
        QFETCH(QString, kept);
        QFETCH(int, hints);
        QVERIFY(gui->tapMenuRow(tool));
        QVERIFY(gui->editField(outlet, typed));
        QCOMPARE(gui->renderedText(outlet), kept);
        QCOMPARE(gui->find(outlet)->property("inputMethodHints").toInt(), hints);
    }

    // Copy puts the result on the clipboard exactly as the screen wrote it; a selection
    // copied with the keyboard is that part of it, without the drawing's non-breaking spaces.
    void resultsCanBeCopied()
    {
        QVERIFY(gui->tapMenuRow("Resistor colors"));
        QGuiApplication::clipboard()->clear();
        gui->tap(gui->find("copyResults"));
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("Resistance: 10 Ohm +-20%"));
        QVERIFY(gui->back());

        QVERIFY(gui->tapMenuRow("LED calc"));
        gui->tap(gui->find("copyResults"));
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 QStringLiteral("R = 500 Ohm, P = 0.20 W\nRecommended: 510 Ohm, 0.5 W (2x margin)"));
        auto* line = gui->find("m_cResults2");
        line->forceActiveFocus();
        // "510 Ω" as drawn is "510 Ohm" as written.
        QMetaObject::invokeMethod(line, "select", Q_ARG(int, 13), Q_ARG(int, 18));
        gui->key(Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("510 Ohm"));
        QVERIFY(gui->back());

        QVERIFY(gui->tapMenuRow("Solar battery calc"));
        gui->tap(gui->find("copyResults"));
        QVERIFY(QGuiApplication::clipboard()->text().startsWith(QStringLiteral("Energy per day: 0.0 Wh\n")));
        QVERIFY(gui->back());

        QVERIFY(gui->tapMenuRow("Capacitor codes"));
        gui->tap(gui->find("copyResults"));
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 QStringLiteral("Selected capacitor: 109 \nCapacitance:\n1.0 pF\n0.001 nF\n0.000001 uF"));
    }

    // A number and its unit stay on one line however the result wraps; the screen's own text
    // keeps its plain spaces.
    void numbersStayWithTheirUnits()
    {
        QVERIFY(gui->resize(320, 480));
        QVERIFY(gui->tapMenuRow("Resistor colors"));
        QVERIFY(gui->turnWheel("pickerView", 2, 6));
        QVERIFY(gui->turnWheel("pickerView", 3, 1));
        QVERIFY(gui->turnWheel("pickerView", 4, 3));
        QVERIFY(gui->turnWheel("pickerView", 5, 1));
        auto* line = gui->find("labelResults");
        auto* label = line->property("view").value<QObject*>();
        const QString text = label->property("text").toString();
        QCOMPARE(text, QStringLiteral("Resistance: 1.05 KOhm +-1%, 100ppm"));
        gui->screenshot("resistor-result-wrapped");
        QVERIFY(line->height() > 1.5 * line->property("font").value<QFont>().pixelSize());   // it wraps
        auto lineOf = [line](int position) {
            QRectF at;
            QMetaObject::invokeMethod(line, "positionToRectangle", Q_RETURN_ARG(QRectF, at), Q_ARG(int, position));
            return at.y();
        };
        // The drawing draws the units as symbols and keeps them with their figures.
        // (The edit's text reads its non-breaking spaces as spaces.)
        const QString drawn = line->property("text").toString().replace(QChar(0x00a0), QLatin1Char(' '));
        QCOMPARE(drawn, QStringLiteral("Resistance: 1.05 k\u03a9 \u00b11%, 100ppm"));
        for (const QString& pair : {QStringLiteral("1.05 k\u03a9"), QStringLiteral("\u00b11%, 100ppm")}) {
            const int start = drawn.indexOf(pair);
            QVERIFY(start >= 0);
            QVERIFY2(lineOf(start) == lineOf(start + pair.size() - 1),
                     qPrintable(QStringLiteral("%1: %2 / %3 in %4 wide").arg(pair).arg(lineOf(start)).arg(lineOf(start + pair.size() - 1)).arg(line->width())));
        }
    }

    // Messages where a result would be are drawn apart from results: not as a result, not as
    // a link.
    void messagesLookApartFromResults()
    {
        QVERIFY(gui->tapMenuRow("Wire voltage drop"));
        auto* line = gui->find("labelResult1");
        const QColor result = colorOf(line);
        QVERIFY(gui->editField("textAWGNum", "99"));
        QCOMPARE(gui->renderedText("labelResult1"), QStringLiteral("Incorrect input"));
        QVERIFY(line->property("isMessage").toBool());
        QVERIFY(colorOf(line) != result);
        QVERIFY(!line->property("font").value<QFont>().bold());
        QVERIFY(!gui->find("labelResult2")->isVisible());   // an empty line takes no room
        QVERIFY(gui->back());

        QVERIFY(gui->tapMenuRow("NE555 timer calc"));
        auto* frequency = gui->find("m_cResults2_2");
        QVERIFY(!frequency->property("isMessage").toBool());
        QVERIFY(gui->editField("m_cDataR2_2", "0"));
        QCOMPARE(gui->renderedText("m_cResults2_2"), QStringLiteral("f = n/a"));
        QVERIFY(frequency->property("isMessage").toBool());
        QVERIFY(colorOf(frequency) != colorOf(gui->find("m_cResults1")));
    }

    // The voltage-drop form is laid out on its first frame: the length field sits beside
    // its caption, not over the hint.
    void voltageDropIsRightOnItsFirstFrame()
    {
        QVERIFY(gui->tapMenuRow("Wire voltage drop"));
        const QStringList problems = gui->layoutProblems();
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));
        auto* field = gui->find("textLength");
        auto* hint = gui->find("labelHint");
        const QRectF fieldBox = field->mapRectToScene(QRectF(0, 0, field->width(), field->height()));
        const QRectF hintBox = hint->mapRectToScene(QRectF(0, 0, hint->width(), hint->height()));
        QVERIFY(fieldBox.bottom() <= hintBox.top());
        QVERIFY(fieldBox.bottom() <= gui->find("labelResult1")->mapToScene(QPointF(0, 0)).y());
    }

    // The title comes first: the back button falls back to its chevron before the title
    // shrinks, and no title is cut to a stub on the narrowest phone.
    void titlesKeepTheirRoom_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("backLabel");
        QTest::newRow("320") << 320 << "";
        QTest::newRow("375") << 375 << "";
        QTest::newRow("768") << 768 << "Wire voltage drop";
    }
    void titlesKeepTheirRoom()
    {
        QFETCH(int, width);
        QFETCH(QString, backLabel);
        QVERIFY(gui->resize(width, 600));
        QVERIFY(gui->tapMenuRow("Wire voltage drop"));
        gui->tap(gui->find("buttonWireInfo"));
        QVERIFY(QTest::qWaitFor([this] { return gui->pageClass() == QStringLiteral("InfoWiresView"); }, 5000));
        QVERIFY(gui->settle());
        auto* bar = gui->window()->contentItem();
        auto* title = gui->find("navigationTitle", bar);
        QCOMPARE(gui->renderedText(title), QStringLiteral("Wire current load limits"));
        QVERIFY(!title->property("truncated").toBool());
        auto* back = gui->find("backLabel", bar);
        QCOMPARE(back->isVisible() ? gui->renderedText(back) : QString(), backLabel);
        QVERIFY(gui->find("backButton", bar)->width() >= 44);
    }

    // Every control a finger taps is at least 44 x 44 on the narrowest phone, delete
    // buttons and picker rows included.
    void targetsFitAFinger()
    {
        QVERIFY(gui->resize(320, 480));
        for (const char* tool : {"LED calc", "Solar battery calc", "Wire voltage drop", "Resistor colors"}) {
            QVERIFY(gui->tapMenuRow(tool));
            if (gui->pageClass() == QStringLiteral("InfoSolarCalcView")) {
                gui->tap(gui->find("onButtonAddItem"));
                gui->tap(gui->find("onButtonDelItems"));   // delete mode: a button on each row
                QVERIFY(gui->settle());
            }
            const QList<QQuickItem*> all = visualDescendants(gui->page());
            int checked = 0;
            for (auto* item : all) {
                const bool control = item->inherits("QQuickAbstractButton") || item->inherits("QQuickTextField") ||
                                     (item->property("label").isValid() && item->property("modelData").isValid());
                if (!control || !item->isVisible()) continue;
                ++checked;
                QVERIFY2(item->width() >= 44 && item->height() >= 44,
                         qPrintable(QStringLiteral("%1: %2 is %3 x %4").arg(tool, item->objectName()).arg(item->width()).arg(item->height())));
            }
            QVERIFY(checked > 3);
            QVERIFY(gui->back());
        }
    }

    // Long consumer names give way to the hours and energy, which stay whole.
    void longNamesKeepTheFiguresVisible()
    {
        QVERIFY(gui->resize(320, 480));
        QVERIFY(gui->tapMenuRow("Solar battery calc"));
        QVERIFY(gui->editField("textItemName", "Refrigerator in the garden shed by the pond"));
        gui->tap(gui->find("onButtonAddItem"));
        QVERIFY(gui->settle());
        auto* row = gui->find("mainTable[0]");
        QVERIFY(row);
        QStringList shown;
        bool nameCut = false;
        for (auto* item : visualDescendants(row)) {
            if (!item->inherits("QQuickText") || !item->isVisible()) continue;
            const QString text = item->property("text").toString();
            shown << text;
            if (text.startsWith(QStringLiteral("Refrigerator"))) nameCut = item->implicitWidth() > item->width();
            else QVERIFY2(item->implicitWidth() <= item->width() + 1, qPrintable(text));
        }
        gui->screenshot("solar-long-name");
        QVERIFY2(shown.contains(QStringLiteral("4.0h, 36.0Wh")), qPrintable(shown.join('|')));
        QVERIFY(nameCut);
    }

    // The wire table's header stays at the top once the table's own has scrolled away; the
    // stripes run the whole width of the table.
    void wireTableHeaderStaysInView()
    {
        QVERIFY(gui->tapMenuRow("Wire current load limits"));
        auto* pinned = gui->find("wireTableHeader:pinned");
        QVERIFY(!pinned->isVisible());
        auto* table = gui->find("wireTable");
        auto* striped = gui->find("wireTable[1]");
        QCOMPARE(striped->width(), table->width());
        QVERIFY(colorOf(striped).alpha() > 0);
        QCOMPARE(colorOf(gui->find("wireTable[0]")).alpha(), 0);
        QCOMPARE(gui->renderedText(gui->find("cell3", gui->find("wireTable[0]"))), QStringLiteral("0.000161"));
        QCOMPARE(table->childItems().size() - 2, 44);   // the header, the rows and their repeater

        auto* flick = table->parentItem()->parentItem()->parentItem();
        flick->setProperty("contentY", flick->property("contentHeight").toReal() / 2);
        QVERIFY(gui->settle());
        QVERIFY(pinned->isVisible());
        QCOMPARE(pinned->mapToScene(QPointF(0, 0)).y(), gui->page()->mapToScene(QPointF(0, 0)).y());
        gui->screenshot("wires-table-scrolled");
    }

    // No cell of the wire table breaks inside a figure or a word on a narrow phone: each has
    // the lines the page gives it, and the header's characters are drawn, not their names.
    void wireTableCellsKeepTheirFigures_data()
    {
        QTest::addColumn<int>("width");
        QTest::newRow("320") << 320;
        QTest::newRow("375") << 375;
    }
    void wireTableCellsKeepTheirFigures()
    {
        QFETCH(int, width);
        QVERIFY(gui->resize(width, 600));
        QVERIFY(gui->tapMenuRow("Wire current load limits"));
        auto* header = gui->find("wireTableHeader");
        QCOMPARE(gui->renderedText(gui->find("cell1", header)), QStringLiteral("\u00d8<br>mm"));
        QList<QQuickItem*> rows = {header};
        for (int row = 0; row < 44; ++row) rows << gui->find(QStringLiteral("wireTable[%1]").arg(row));
        for (auto* row : rows) {
            QVERIFY(row);
            for (auto* cell : visualDescendants(row)) {
                if (!cell->inherits("QQuickText")) continue;
                const QString text = cell->property("text").toString();
                QVERIFY2(cell->property("lineCount").toInt() == text.count(QStringLiteral("<br>")) + 1 &&
                             !cell->property("truncated").toBool(),
                         qPrintable(text));
            }
        }
    }

    // The dark appearance follows the desktop's palette; the swatches keep their colours.
    void darkFollowsTheDesktop()
    {
        gui->setAppearance(GuiHarness::Appearance::Dark);
        auto* menu = gui->find("tableData");
        QVERIFY(colorOf(gui->page()).lightnessF() < 0.5);
        const QColor shaded = colorOf(gui->find("tableData[1]", menu));
        QCOMPARE(shaded.lightnessF(), 1.0);                       // white, lightly
        QVERIFY(shaded.alphaF() > 0.02 && shaded.alphaF() < 0.1);
        QVERIFY(gui->tapMenuRow("Resistor colors"));
        QCOMPARE(colorOf(swatchOf(wheelRow(gui->find("pickerView:0"), 1))), QColor(255, 0, 0));
        QVERIFY(colorOf(gui->find("labelResults")).lightnessF() > 0.5);
        gui->screenshot("dark-resistor-colors");

        gui->setAppearance(GuiHarness::Appearance::Light);
        QVERIFY(colorOf(gui->page()).lightnessF() > 0.5);
        QVERIFY(colorOf(gui->find("labelResults")).lightnessF() < 0.5);
    }

private:
    std::unique_ptr<GuiHarness> gui;
};

OHMKIT_GUI_TEST_MAIN(Interaction)
#include "interaction_test.moc"
