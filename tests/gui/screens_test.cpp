// Every screen at the window sizes people use, light and dark: opened from the menu at that
// size, it must be laid out right from its first frame (nothing overlapping, nothing cut but
// by deliberate elision, nothing out of the window), and it is saved as a screenshot
// (screenshots/screens/<appearance>-<width>x<height>-<screen>.png) for a person to look at.
#include <QDir>
#include <QFile>

#include "gui_harness.h"

class Screens : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        const QString documents = QString::fromLocal8Bit(qgetenv("OHMKIT_DOCUMENTS"));
        QDir(documents).removeRecursively();
        QVERIFY(QDir().mkpath(documents));
        QFile notes(documents + "/notes.txt");
        QVERIFY(notes.open(QIODevice::WriteOnly));
        notes.write("Pin 8: V+\nPin 4: GND\n");
        notes.close();
        const quint16 port = GuiHarness::freePort();
        QVERIFY(port != 0);
        qputenv("OHMKIT_FTP_PORT", QByteArray::number(port));
        gui = std::make_unique<GuiHarness>();
    }
    void init() { QVERIFY(gui->init()); }
    void cleanupTestCase() { gui.reset(); }

    void everyScreenFromItsFirstFrame_data()
    {
        QTest::addColumn<bool>("dark");
        QTest::addColumn<QSize>("size");
        const QList<QSize> sizes = {{375, 667}, {320, 480}, {667, 375}, {768, 1024}, {1200, 900}};
        for (bool dark : {false, true})
            for (QSize size : sizes) {
                const QString name = QStringLiteral("%1-%2x%3").arg(dark ? "dark" : "light").arg(size.width()).arg(size.height());
                QTest::newRow(qPrintable(name)) << dark << size;
            }
    }

    void everyScreenFromItsFirstFrame()
    {
        QFETCH(bool, dark);
        QFETCH(QSize, size);
        gui->setAppearance(dark ? GuiHarness::Appearance::Dark : GuiHarness::Appearance::Light);
        QVERIFY(gui->resize(size.width(), size.height()));
        const QString prefix = QStringLiteral("screens/%1-%2x%3-").arg(dark ? "dark" : "light").arg(size.width()).arg(size.height());

        QStringList problems;
        auto look = [&](const QString& name) {
            gui->screenshot(prefix + name);
            const QStringList found = gui->layoutProblems();
            for (const QString& problem : found) problems << gui->pageClass() + ": " + problem;
        };

        look(QStringLiteral("00-menu"));
        const QVariantList rows = gui->find("tableData")->property("model").toList();
        for (int i = 0; i < rows.size(); ++i) {
            const QString name = rows[i].toMap().value("text").toString();
            QVERIFY2(gui->tapMenuRow(name), qPrintable(name));
            const QString file = QStringLiteral("%1-%2").arg(i + 1, 2, 10, QLatin1Char('0')).arg(gui->pageClass());
            look(file);
            if (gui->pageClass() == QStringLiteral("InfoWiresVoltageDrop")) {
                gui->tap(gui->find("buttonWireInfo"));
                QVERIFY(QTest::qWaitFor([this] { return gui->pageClass() == QStringLiteral("InfoWiresView"); }, 5000));
                QVERIFY(gui->settle());
                look(file + "-table");
                QVERIFY(gui->back());
            }
            if (gui->pageClass() == QStringLiteral("InfoDatasheetsView")) {
                gui->tap(gui->find("mainTableData[0]"));
                QVERIFY(QTest::qWaitFor([this] { return gui->pageClass() == QStringLiteral("InfoDatasheetOpen"); }, 5000));
                QVERIFY(gui->settle());
                look(file + "-viewer");
                QVERIFY(gui->back());
                gui->tap(gui->find("onButtonFTP"));
                QVERIFY(QTest::qWaitFor([this] { return gui->pageClass() == QStringLiteral("InfoDatasheetsFTP"); }, 5000));
                QVERIFY(gui->settle());
                look(file + "-upload");
                QVERIFY(gui->back());
            }
            QVERIFY2(gui->back(), qPrintable(name));
        }
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));
    }

private:
    std::unique_ptr<GuiHarness> gui;
};

OHMKIT_GUI_TEST_MAIN(Screens)
#include "screens_test.moc"
