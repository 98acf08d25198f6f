// The bridge between the widget model and QML, without a window: what it reads, when it
// signals, what it asks the model for, and how long it keeps a screen alive.
#include <QQmlComponent>
#include <QQmlEngine>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "gui_harness.h"
#include "qtquick/dark_drawings.h"
#include "qtquick/navigation_bridge.h"
#include "qtquick/screen_page.h"
#include "qtquick/unit_symbols.h"

using namespace ohmkit;
using qtquick::ScreenBridge;

namespace {

// A screen with one control of each kind the tests need; its table and picker count how
// often the bridge asks for their contents.
class TestScreen : public ui::ViewController, public ui::TableViewDataSource, public ui::PickerViewDataSource,
                   public ui::PickerViewDelegate {
public:
    TestScreen() : ui::ViewController("TestScreen") {}
    void loadView() override
    {
        label = addOutlet<ui::Label>("label");
        field = addOutlet<ui::TextField>("field");
        field->setEditingChanged([this](ui::TextField& f) { edits.push_back(f.text()); });
        table = addOutlet<ui::TableView>("table");
        table->setDataSource(this);
        picker = addOutlet<ui::PickerView>("picker");
        picker->setDataSource(this);
        picker->setDelegate(this);
        web = addOutlet<ui::WebView>("web");
        addButton("onGo", "Go", [this] { ++taps; });
    }
    int tableViewNumberOfRowsInSection(ui::TableView&, int) override { return static_cast<int>(names.size()); }
    std::shared_ptr<ui::TableViewCell> tableViewCellForRowAtIndexPath(ui::TableView& t, ui::IndexPath path) override
    {
        ++cellsAsked;
        auto cell = t.dequeueReusableCellWithIdentifier("Cell");
        if (!cell) {
            cell = std::make_shared<ui::TableViewCell>(ui::TableViewCell::Style::Default, "Cell");
            ++cellsMade;
        }
        cell->textLabel().setText(names[static_cast<std::size_t>(path.row)]);
        handedOut[path.row] = cell;
        return cell;
    }
    std::shared_ptr<ui::View> pickerViewViewForRow(ui::PickerView&, int row, int component, ui::View*) override
    {
        if (component != 1 || row != 0) return nullptr;
        auto swatch = std::make_shared<ui::Label>();
        swatch->setBackgroundColor(ui::Color::rgb(0, 0, 1));
        swatch->setAccessibilityLabel("Blue");
        return swatch;
    }
    int numberOfComponentsInPickerView(ui::PickerView&) override { return 2; }
    int pickerViewNumberOfRowsInComponent(ui::PickerView&, int) override { return wheelRows; }
    std::optional<std::string> pickerViewTitleForRow(ui::PickerView&, int row, int) override
    {
        return std::to_string(row);
    }
    void pickerViewDidSelectRow(ui::PickerView&, int row, int component) override { selected.push_back({component, row}); }

    ui::Label* label = nullptr;
    ui::TextField* field = nullptr;
    ui::TableView* table = nullptr;
    ui::PickerView* picker = nullptr;
    ui::WebView* web = nullptr;
    std::vector<std::string> names{"one", "two", "three"};
    std::map<int, std::shared_ptr<ui::TableViewCell>> handedOut;
    std::vector<std::string> edits;
    std::vector<std::pair<int, int>> selected;
    int wheelRows = 4;
    int cellsAsked = 0, cellsMade = 0, taps = 0;
};

std::shared_ptr<TestScreen> loadedScreen()
{
    auto screen = std::make_shared<TestScreen>();
    screen->loadViewIfNeeded();
    return screen;
}

}  // namespace

class Bridge : public QObject {
    Q_OBJECT

private slots:
    void signalsOnlyOnRealChange()
    {
        auto model = loadedScreen();
        ScreenBridge screen(model, nullptr);
        auto* label = qobject_cast<qtquick::LabelBridge*>(screen.outlet("label"));
        QVERIFY(label);
        QSignalSpy changed(label, &qtquick::ViewBridge::changed);
        model->label->setText("10 Ohm");
        QCOMPARE(changed.count(), 1);
        QCOMPARE(label->text(), QStringLiteral("10 Ohm"));
        model->label->setText("10 Ohm");
        model->label->setHidden(false);
        QCOMPARE(changed.count(), 1);
        model->label->setHidden(true);
        QCOMPARE(changed.count(), 2);
        QVERIFY(label->hidden());
    }

    // The drawn text keeps a number with its unit, "=" with what it joins, and a list of
    // figures together, one character for one; words and other texts break as they please.
    void numbersKeepTheirUnits_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        const QString nb(QChar(0x00a0));
        QTest::newRow("unit") << "Recommended: 510 Ohm, 0.25 W" << "Recommended: 510" + nb + "Ohm, 0.25" + nb + "W";
        QTest::newRow("percent and list") << "4.75 KOhm +-1%, 100ppm" << "4.75" + nb + "KOhm +-1%," + nb + "100ppm";
        QTest::newRow("equals") << "t1 = 13.86 ms, t2 = 6.93 ms"
                                << "t1" + nb + "=" + nb + "13.86" + nb + "ms, t2" + nb + "=" + nb + "6.93" + nb + "ms";
        QTest::newRow("no number") << "Incorrect input" << "Incorrect input";
        QTest::newRow("unit glued") << "Voltage drop (copper): 2.10V" << "Voltage drop (copper): 2.10V";
        QTest::newRow("words after a comma") << "R = 500 Ohm, P = 0.20 W" << "R" + nb + "=" + nb + "500" + nb + "Ohm, P" + nb + "=" + nb + "0.20" + nb + "W";
        QTest::newRow("empty") << "" << "";
    }
    void numbersKeepTheirUnits()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QCOMPARE(qtquick::keepTogether(text), shown);
        QCOMPARE(qtquick::keepTogether(text).size(), text.size());
    }

    // Units written in letters are drawn as symbols; words that merely contain the letters,
    // and units the screens already write as they are drawn, stay.
    void unitsAreDrawnAsSymbols_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("drawn");
        QTest::newRow("kilo") << "Resistance: 4.7 KOhm +-5%" << QStringLiteral("Resistance: 4.7 k\u03a9 \u00b15%");
        QTest::newRow("ohms and mega") << "Nearest value: 15 or 20 Ohms; 4.7 MOhm"
                                       << QStringLiteral("Nearest value: 15 or 20 \u03a9; 4.7 M\u03a9");
        QTest::newRow("per metre") << "Resistance, Ohm/m: 0.0210" << QStringLiteral("Resistance, \u03a9/m: 0.0210");
        QTest::newRow("micro") << "0.000001 uF, 30 uH, t1 = 13.86 us" << QStringLiteral("0.000001 \u00b5F, 30 \u00b5H, t1 = 13.86 \u00b5s");
        QTest::newRow("micro after a non-breaking space") << QStringLiteral("10\u00a0uF") << QStringLiteral("10\u00a0\u00b5F");
        QTest::newRow("plus or minus") << "Tolerance: +/- 10%" << QStringLiteral("Tolerance: \u00b1 10%");
        QTest::newRow("words") << "Ohmkit tells us, plus a bus" << "Ohmkit tells us, plus a bus";
        QTest::newRow("u without a number") << "plus uF, bus" << "plus uF, bus";
        QTest::newRow("empty") << "" << "";
    }
    void unitsAreDrawnAsSymbols()
    {
        QFETCH(QString, text);
        QFETCH(QString, drawn);
        const qtquick::DrawnUnits units = qtquick::drawUnits(text);
        QCOMPARE(units.text, drawn);
        QCOMPARE(units.source.size(), units.text.size() + 1);
        QCOMPARE(units.originalBetween(text, 0, int(units.text.size())), text);
    }

    // A selection in the drawing copies the written text under it; a symbol stands for all
    // the letters it draws.
    void aSelectionCopiesTheWrittenUnits()
    {
        const QString text = QStringLiteral("Recommended: 4.7 KOhm +-5%, 0.25 W");
        const qtquick::DrawnUnits units = qtquick::drawUnits(text);
        const int value = int(units.text.indexOf(QStringLiteral("4.7")));
        QCOMPARE(units.originalBetween(text, value, value + 6), QStringLiteral("4.7 KOhm"));   // "4.7 kΩ"
        QCOMPARE(units.originalBetween(text, value + 5, value + 6), QStringLiteral("Ohm"));   // "Ω"
        QCOMPARE(units.originalBetween(text, value + 4, value + 5), QStringLiteral("K"));     // "k"
        QCOMPARE(units.originalBetween(text, value + 7, value + 9), QStringLiteral("+-5"));   // "±5"
        QCOMPARE(units.originalBetween(text, 3, 3), QString());
        QCOMPARE(units.originalBetween(text, -4, 2), QStringLiteral("Re"));
        QCOMPARE(units.originalBetween(text, 30, 999), text.mid(units.source[30]));
    }

    // In the dark look a drawing's ink turns light and its paper dark; real colours stay.
    void drawingsTurnForTheDarkLook_data()
    {
        QTest::addColumn<QString>("colour");
        QTest::addColumn<bool>("lighter");
        QTest::addColumn<bool>("same");
        QTest::newRow("grey ink") << "#2b2b2b" << true << false;
        QTest::newRow("navy ink") << "#25364a" << true << false;
        QTest::newRow("white paper") << "#ffffff" << false << false;
        QTest::newRow("red LED") << "#ff6b5e" << false << true;
        QTest::newRow("yellow sun") << "#f5b400" << false << true;
        QTest::newRow("blue panel") << "#2f5f9e" << false << true;
    }
    void drawingsTurnForTheDarkLook()
    {
        QFETCH(QString, colour);
        QFETCH(bool, lighter);
        QFETCH(bool, same);
        const QColor before(colour);
        const QColor after = qtquick::darkDrawingColor(before);
        if (same) QCOMPARE(after, before);
        else if (lighter) QVERIFY2(after.lightnessF() > 0.75, qPrintable(after.name()));
        else QVERIFY2(after.lightnessF() < 0.2, qPrintable(after.name()));
        const QByteArray svg = "<rect fill=\"" + colour.toLatin1() + "\" stroke=\"#fff\"/>";
        QCOMPARE(qtquick::darkDrawing(svg), "<rect fill=\"" + after.name().toLatin1() + "\" stroke=\"" +
                                                qtquick::darkDrawingColor(QColor("#fff")).name().toLatin1() + "\"/>");
    }

    // A label's text notifies only when the text changes, not when its size is reported.
    void labelTextNotifiesOnlyItsOwnChanges()
    {
        auto model = loadedScreen();
        ScreenBridge screen(model, nullptr);
        auto* label = qobject_cast<qtquick::LabelBridge*>(screen.outlet("label"));
        QSignalSpy text(label, &qtquick::LabelBridge::textChanged);
        label->reportSize(120, 20);
        QCOMPARE(text.count(), 0);
        model->label->setText("0.25 W");
        QCOMPARE(text.count(), 1);
        QCOMPARE(label->displayText(), QStringLiteral("0.25\u00a0W"));
        QCOMPARE(label->text(), QStringLiteral("0.25 W"));
    }

    // A swatch row carries the colour's name; an HTML page gives its text without markup.
    void swatchNamesAndPlainText()
    {
        auto model = loadedScreen();
        ScreenBridge screen(model, nullptr);
        auto* picker = qobject_cast<qtquick::PickerBridge*>(screen.outlet("picker"));
        const QVariantMap swatch = picker->wheels()[1].toMap()["rows"].toList()[0].toMap();
        QCOMPARE(swatch["name"].toString(), QStringLiteral("Blue"));
        QVERIFY(swatch["hasSwatch"].toBool());
        QCOMPARE(swatch["swatch"].value<QColor>(), QColor(Qt::blue));
        const QVariantMap title = picker->wheels()[0].toMap()["rows"].toList()[2].toMap();
        QCOMPARE(title["name"].toString(), QString());
        QCOMPARE(title["text"].toString(), QStringLiteral("2"));

        auto* web = qobject_cast<qtquick::WebBridge*>(screen.outlet("web"));
        model->web->loadHTMLString("<head><style type=\"text/css\"> body { color: red; } </style></head>"
                                   "<body>Selected: <B>473K</B><BR/>47 nF</body>", "");
        QCOMPARE(web->plainText(), QStringLiteral("Selected: 473K\n47 nF"));
    }

    // Every item inside a page reaches the page's screen, wherever it is put and whenever
    // the page's screen changes; an item outside any page has none.
    void itemsReachTheScreenOfTheirPage()
    {
        auto model = loadedScreen();
        ScreenBridge first(model, nullptr);
        ScreenBridge second(loadedScreen(), nullptr);
        QQmlEngine engine;
        engine.addImportPath(QStringLiteral("qrc:/qt/qml"));
        QQmlComponent component(&engine);
        component.setData("import QtQuick\nimport Ohmkit\n"
                          "Item { property alias inner: inner; property alias loose: loose\n"
                          "  ScreenPage { objectName: 'page'; Item { Item { id: inner; property var screen: ScreenPage.screen } } }\n"
                          "  Item { id: loose; property var screen: ScreenPage.screen } }",
                          QUrl());
        std::unique_ptr<QObject> root(component.create());
        QVERIFY2(root, qPrintable(component.errorString()));
        auto* page = root->findChild<qtquick::ScreenPage*>("page");
        auto* inner = root->property("inner").value<QQuickItem*>();
        auto* loose = root->property("loose").value<QQuickItem*>();
        QCOMPARE(inner->property("screen").value<QObject*>(), nullptr);
        page->setScreen(&first);
        QCOMPARE(inner->property("screen").value<QObject*>(), &first);
        page->setScreen(&second);
        QCOMPARE(inner->property("screen").value<QObject*>(), &second);
        QCOMPARE(loose->property("screen").value<QObject*>(), nullptr);
        loose->setParentItem(inner);   // moved into the page
        QCOMPARE(loose->property("screen").value<QObject*>(), &second);
        inner->parentItem()->setParentItem(nullptr);   // out of the page again
        QCOMPARE(inner->property("screen").value<QObject*>(), nullptr);
        QCOMPARE(loose->property("screen").value<QObject*>(), nullptr);
    }

    void gesturesReachTheScreen()
    {
        auto model = loadedScreen();
        ScreenBridge screen(model, nullptr);
        auto* field = qobject_cast<qtquick::TextFieldBridge*>(screen.outlet("field"));
        field->userEdit(QStringLiteral("1.5"));
        field->userEdit(QStringLiteral("1.5"));   // typed and undone: still an event
        QCOMPARE(model->edits, (std::vector<std::string>{"1.5", "1.5"}));
        QCOMPARE(field->text(), QStringLiteral("1.5"));
        qobject_cast<qtquick::ButtonBridge*>(screen.action("onGo"))->userTap();
        QCOMPARE(model->taps, 1);
        QVERIFY(!screen.outlet("nothing"));
        QVERIFY(!screen.action("onNothing"));
    }

    // Re-reading a table after a tap must not make a new set of cells each time; a reload
    // reuses the cells handed out before; a cell changed in place updates its row.
    void tableAsksForCellsOnlyAfterAReload()
    {
        auto model = loadedScreen();
        ScreenBridge screen(model, nullptr);
        auto* table = qobject_cast<qtquick::TableBridge*>(screen.outlet("table"));
        QCOMPARE(table->rows().size(), 3);
        QCOMPARE(model->cellsAsked, 3);
        QSignalSpy rowsChanged(table, &qtquick::TableBridge::rowsChanged);
        for (int i = 0; i < 5; ++i) table->userSelect(0, 1);
        model->table->setEditing(true, false);
        QCOMPARE(model->cellsAsked, 3);
        QCOMPARE(rowsChanged.count(), 0);
        QVERIFY(table->editing());

        model->names = {"alpha", "beta"};
        model->table->reloadData();
        QCOMPARE(model->cellsMade, 3);
        QCOMPARE(rowsChanged.count(), 1);
        QCOMPARE(table->rows().size(), 2);
        QCOMPARE(table->rows()[1].toMap().value("text").toString(), QStringLiteral("beta"));

        model->handedOut[0]->textLabel().setText("gamma");
        QCOMPARE(table->rows()[0].toMap().value("text").toString(), QStringLiteral("gamma"));
    }

    // Turning a wheel changes the selection only; the wheels' rows are re-sent only when
    // they change (re-sending them would reset every wheel in the window).
    void pickerSelectionAndRowsSignalApart()
    {
        auto model = loadedScreen();
        ScreenBridge screen(model, nullptr);
        auto* picker = qobject_cast<qtquick::PickerBridge*>(screen.outlet("picker"));
        QCOMPARE(picker->wheels().size(), 2);
        QSignalSpy wheels(picker, &qtquick::PickerBridge::wheelsChanged);
        QSignalSpy selection(picker, &qtquick::PickerBridge::selectionChanged);
        picker->userSelect(1, 3);
        QCOMPARE(model->selected, (std::vector<std::pair<int, int>>{{1, 3}}));
        QCOMPARE(picker->selectedRows(), (QVariantList{0, 3}));
        QCOMPARE(selection.count(), 1);
        QCOMPARE(wheels.count(), 0);
        picker->userSelect(1, 9);   // no such row: no event
        QCOMPARE(model->selected.size(), std::size_t(1));

        model->wheelRows = 2;
        model->picker->reloadAllComponents();
        QCOMPARE(wheels.count(), 1);
        QCOMPARE(picker->selectedRows(), (QVariantList{0, 1}));
    }

    void webViewContentByKind()
    {
        QTemporaryDir dir;
        const QString page = dir.filePath("Wires.htm");
        QFile file(page);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("<B>AWG</B><BR/>10");
        file.close();

        auto model = loadedScreen();
        ScreenBridge screen(model, nullptr);
        auto* web = qobject_cast<qtquick::WebBridge*>(screen.outlet("web"));
        QCOMPARE(web->contentKind(), QStringLiteral("none"));
        model->web->loadHTMLString("<B>ftp://</B>", "");
        QCOMPARE(web->contentKind(), QStringLiteral("html"));
        QCOMPARE(web->content(), QStringLiteral("<B>ftp://</B>"));
        QVERIFY(web->loading());
        web->loadDidStart();
        web->loadDidFinish();
        QVERIFY(!web->loading());

        model->web->loadRequest(QUrl::fromLocalFile(page).toString().toStdString());
        QCOMPARE(web->contentKind(), QStringLiteral("html"));
        QCOMPARE(web->content(), QStringLiteral("<B>AWG</B><BR/>10"));
        const QString sheet = dir.filePath("sheet.PDF");
        QFile pdf(sheet);
        QVERIFY(pdf.open(QIODevice::WriteOnly));
        pdf.write("%PDF-1.4\n%%EOF\n");
        pdf.close();
        model->web->loadRequest(QUrl::fromLocalFile(sheet).toString().toStdString());
        QCOMPARE(web->contentKind(), QStringLiteral("pdf"));
        QCOMPARE(web->source(), QUrl::fromLocalFile(sheet));
    }

    // A popped screen stays alive while its page may still show it, and goes once the page
    // has closed.
    void poppedScreenLivesUntilItsPageCloses()
    {
        auto navigation = std::make_shared<ui::NavigationController>();
        navigation->setRootViewController(loadedScreen());
        qtquick::NavigationBridge bridge(navigation, false);
        QSignalSpy pushed(&bridge, &qtquick::NavigationBridge::pushed);
        QSignalSpy popped(&bridge, &qtquick::NavigationBridge::popped);

        std::weak_ptr<TestScreen> weak;
        {
            auto top = std::make_shared<TestScreen>();
            weak = top;
            navigation->pushViewController(top, true);
        }
        QCOMPARE(pushed.count(), 1);
        QCOMPARE(bridge.depth(), 2);
        auto* screen = bridge.top();
        QCOMPARE(screen->className(), QStringLiteral("TestScreen"));

        bridge.back();
        QCOMPARE(popped.count(), 1);
        QCOMPARE(bridge.depth(), 1);
        QVERIFY(!weak.expired());
        // The page, still sliding away, touches its controls.
        auto* table = qobject_cast<qtquick::TableBridge*>(screen->outlet("table"));
        table->userSelect(0, 0);

        QPointer<ScreenBridge> guard(screen);
        screen->pageClosed();
        QTRY_VERIFY(guard.isNull());
        QVERIFY(weak.expired());
        bridge.back();   // the root stays
        QCOMPARE(bridge.depth(), 1);
    }
};

OHMKIT_GUI_TEST_MAIN(Bridge)
#include "bridge_test.moc"
