// The datasheet store as a user meets it: the list opened from the menu, the upload screen
// (a command copied), three files sent with curl over loopback FTP (one named with a blank and
// a non-ASCII letter), back to the list that shows them with size, date and type; a five-page
// PDF read at phone width (fitted, zoomed, a page typed, a word found, text copied), an image,
// a text file and a file type the app cannot show; the list filtered, sorted, a file deleted
// and one renamed (a name outside the store refused); the upload screen with its port taken
// and without a network; and the same screens at tablet size. The functions run in order on
// one window, each starting where the previous one ended; screenshots of each state go to
// build/tests/gui/screenshots/.
#include <QClipboard>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QWheelEvent>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "datasheets/network_controller.h"
#include "gui_harness.h"
#include "ui/application.h"

namespace {

// An A4 PDF whose page i shows the lines of pages[i] in Helvetica, with a correct
// cross-reference table.
QByteArray multiPagePdf(const QList<QList<QByteArray>>& pages)
{
    QList<QByteArray> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "",   // the page tree, once the pages have numbers
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
    };
    QByteArray kids;
    for (const auto& lines : pages) {
        QByteArray stream = "BT /F1 28 Tf 56 770 Td (" + lines.value(0) + ") Tj /F1 12 Tf 0 -40 Td 16 TL";
        for (qsizetype i = 1; i < lines.size(); ++i) stream += " (" + lines[i] + ") '";
        stream += " ET";
        const int page = int(objects.size()) + 1;
        kids += QByteArray::number(page) + " 0 R ";
        objects.append("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Contents " + QByteArray::number(page + 1) +
                       " 0 R /Resources << /Font << /F1 3 0 R >> >> >>");
        objects.append("<< /Length " + QByteArray::number(stream.size()) + " >>\nstream\n" + stream + "\nendstream");
    }
    objects[1] = "<< /Type /Pages /Kids [" + kids.trimmed() + "] /Count " + QByteArray::number(pages.size()) + " >>";
    QByteArray pdf = "%PDF-1.4\n";
    QList<qsizetype> offsets;
    for (int i = 0; i < objects.size(); ++i) {
        offsets.append(pdf.size());
        pdf += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const qsizetype xref = pdf.size();
    pdf += "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (qsizetype offset : offsets) pdf += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    pdf += "trailer\n<< /Size " + QByteArray::number(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
           QByteArray::number(xref) + "\n%%EOF\n";
    return pdf;
}

// A datasheet of five pages; "quiescent" appears on pages 2 and 4.
QByteArray datasheetPdf()
{
    QList<QList<QByteArray>> pages;
    for (int i = 1; i <= 5; ++i) {
        QList<QByteArray> lines = {"LM358 dual op amp, page " + QByteArray::number(i)};
        for (int line = 0; line < 30; ++line)
            lines.append("Line " + QByteArray::number(line) + " of page " + QByteArray::number(i) +
                         ": input offset voltage 2 mV, supply 3 V to 32 V, gain 100 dB.");
        if (i == 2 || i == 4) lines[12] = "Low quiescent current: 500 uA, independent of the supply voltage.";
        pages.append(lines);
    }
    return multiPagePdf(pages);
}

sockaddr_in loopback(quint16 port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// True when something accepts connections on 127.0.0.1:port.
bool listening(quint16 port)
{
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = loopback(port);
    const bool connected = fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    if (fd >= 0) ::close(fd);
    return connected;
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

}  // namespace

// Receives the URLs the desktop is asked to open.
class UrlCatcher : public QObject {
    Q_OBJECT
public slots:
    void open(const QUrl& url) { opened << url; }

public:
    QList<QUrl> opened;
};

class DatasheetStore : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        documents = QString::fromLocal8Bit(qgetenv("OHMKIT_DOCUMENTS"));
        QVERIFY(!documents.isEmpty());
        QDir dir(documents);
        dir.removeRecursively();
        QVERIFY(QDir().mkpath(documents));
        // The upload screen listens here instead of 2121.
        port = GuiHarness::freePort();
        QVERIFY(port != 0);
        qputenv("OHMKIT_FTP_PORT", QByteArray::number(port));
        qputenv("OHMKIT_HTTP_PORT", QByteArray::number(GuiHarness::freePort()));
        outbox = QDir::temp().filePath(QStringLiteral("ohmkit-gui-outbox-%1").arg(QCoreApplication::applicationPid()));
        QVERIFY(QDir().mkpath(outbox));
        QVERIFY(writeFile(outbox + "/LM358.pdf", datasheetPdf()));
        QVERIFY(writeFile(outbox + "/notes.txt", notesText()));
        QImage pinout(400, 300, QImage::Format_RGB32);
        pinout.fill(Qt::darkCyan);
        QVERIFY(pinout.save(outbox + "/pinout.png"));
        gui = std::make_unique<GuiHarness>();
    }

    void cleanupTestCase()
    {
        gui.reset();
        QDir(outbox).removeRecursively();
        ohmkit::datasheets::NetworkController::setInterfaceSource(nullptr);
    }

    void storeOpensEmptyFromTheMenu()
    {
        QVERIFY(gui->tapMenuRow("Datasheets storage"));
        QCOMPARE(gui->pageClass(), QStringLiteral("InfoDatasheetsView"));
        QCOMPARE(gui->renderedText("labelFilesInfo"), QStringLiteral("Files: 0"));
        QCOMPARE(gui->find("mainTableData")->property("count").toInt(), 0);
        QVERIFY(gui->find("emptyList")->isVisible());
        QCOMPARE(gui->find("navigationImage", gui->window()->contentItem())->property("status").toInt(), 1);
        gui->screenshot("datasheets-01-empty-store");
    }

    void uploadScreenStartsTheServer()
    {
        gui->tap(gui->find("onButtonFTP"));
        QTRY_COMPARE(gui->pageClass(), QStringLiteral("InfoDatasheetsFTP"));
        QVERIFY(gui->settle());
        QVERIFY(gui->renderedText("labelDeviceInfo").startsWith(QStringLiteral("Device: ")));
        QVERIFY(gui->renderedText("labelDeviceInfo").endsWith(QStringLiteral("Mb free")));
        QCOMPARE(gui->renderedText("labelServerStatus"), QStringLiteral("FTP server running"));
        QVERIFY(gui->find("statusLight")->isVisible());
        QVERIFY(!gui->find("labelServerError")->isVisible());
        QCOMPARE(gui->renderedText("labelClients"), QStringLiteral("No clients connected"));
        const QString page = gui->renderedText("webView");
        QVERIFY2(page.contains(QStringLiteral(":%1").arg(port)) || page.contains(QStringLiteral("no network address")),
                 qPrintable(page.left(400)));
        QVERIFY(!page.contains(QStringLiteral("_LINK_")));
        QVERIFY(ohmkit::ui::Application::shared().isIdleTimerDisabled());
        QVERIFY(!gui->find("labelRX")->property("on").toBool());
        QVERIFY(listening(port));
        gui->screenshot("datasheets-02-upload-screen");
        // The commands, further down, wrap inside their boxes.
        auto* text = gui->find("webView:text");
        QVERIFY(text && text->parentItem());
        auto* flick = text->parentItem()->parentItem();   // the text, the content item, the flickable
        const qreal bottom = flick->property("contentHeight").toReal() - flick->height();
        flick->setProperty("contentY", qMax<qreal>(0, bottom - 120));
        QVERIFY(gui->settle());
        QVERIFY(text->width() <= gui->window()->width());
        gui->screenshot("datasheets-02b-upload-commands");
        flick->setProperty("contentY", 0);
    }

    void aCommandIsCopiedWithItsButton()
    {
        // Where the page shows addresses and commands, each has a Copy link: click the first
        // one, the browser address, which the page gives first.
        auto* text = gui->find("webView:text");
        QVERIFY(text);
        QPointF at;
        QString link;
        for (qreal y = 0; y < text->height() && link.isEmpty(); y += 4)
            for (qreal x = 0; x < text->width() && link.isEmpty(); x += 4) {
                QString found;
                QMetaObject::invokeMethod(text, "linkAt", Q_RETURN_ARG(QString, found), Q_ARG(qreal, x), Q_ARG(qreal, y));
                if (found.startsWith(QStringLiteral("copy:"))) {
                    link = found;
                    at = QPointF(x + 2, y + 2);
                }
            }
        if (link.isEmpty()) QSKIP("this machine has no network address: the page shows no commands");
        QGuiApplication::clipboard()->clear();
        QTest::mouseClick(gui->window(), Qt::LeftButton, Qt::NoModifier, text->mapToScene(at).toPoint());
        QTRY_COMPARE(QGuiApplication::clipboard()->text(), link.mid(5));
        QVERIFY(QGuiApplication::clipboard()->text().startsWith(QStringLiteral("http://")));
        QVERIFY(gui->find("copied")->isVisible());
        gui->screenshot("datasheets-03-command-copied");
    }

    void threeFilesArriveWithCurl()
    {
        // Remote names percent-encoded in the URL: a blank and an e with an acute accent.
        const QString base = QStringLiteral("ftp://127.0.0.1:%1/").arg(port);
        upload(outbox + "/LM358.pdf", base + "LM358%20op%20amp%20%C3%A9.pdf");
        if (QTest::currentTestFailed()) return;
        upload(outbox + "/notes.txt", base + "notes.txt");
        if (QTest::currentTestFailed()) return;
        upload(outbox + "/pinout.png", base + "pinout.png");
        if (QTest::currentTestFailed()) return;
        QVERIFY(QFile::exists(documents + QStringLiteral("/LM358 op amp \u00e9.pdf")));
        QCOMPARE(QFileInfo(documents + "/notes.txt").size(), QFileInfo(outbox + "/notes.txt").size());
        // The screen tells what arrived last, and that curl has gone.
        QTRY_VERIFY(gui->renderedText("labelTransfer").startsWith(QStringLiteral("Received pinout.png: ")));
        QTRY_COMPARE(gui->renderedText("labelClients"), QStringLiteral("No clients connected"));
        gui->screenshot("datasheets-04-after-upload");
    }

    void backListsTheFilesWithSizeDateAndType()
    {
        QVERIFY(gui->back());
        QCOMPARE(gui->pageClass(), QStringLiteral("InfoDatasheetsView"));
        QVERIFY(!ohmkit::ui::Application::shared().isIdleTimerDisabled());
        QCOMPARE(gui->renderedText("labelFilesInfo"), QStringLiteral("Files: 3"));
        QTRY_COMPARE(shownRows().size(), 3);
        QCOMPARE(QStringList(shownRows()).size(), 3);
        QStringList shown = shownRows();
        shown.sort();
        QCOMPARE(shown, (QStringList{QStringLiteral("LM358 op amp \u00e9.pdf"), QStringLiteral("notes.txt"),
                                     QStringLiteral("pinout.png")}));
        auto* row = rowNamed(QStringLiteral("LM358 op amp \u00e9.pdf"));
        QVERIFY(row);
        const QString detail = gui->renderedText(gui->find(QStringLiteral("detail"), row));
        QVERIFY2(detail.contains(QStringLiteral(" kB \u00b7 20")), qPrintable(detail));
        QVERIFY(row->property("modelData").toMap().value(QStringLiteral("iconName")) == QStringLiteral("doc_pdf"));
        // The server has stopped with the screen.
        QVERIFY(!listening(port));
        gui->screenshot("datasheets-05-list-with-uploads");
    }

    void aLongNameKeepsItsExtension()
    {
        const QString name = QStringLiteral("TPS54331 3.5V to 28V input 3A step-down SWIFT converter with Eco-mode.pdf");
        QVERIFY(writeFile(documents + "/" + name, datasheetPdf()));
        gui->tap(gui->find("onButtonRefresh"));
        QTRY_COMPARE(shownRows().size(), 4);
        auto* text = gui->find(QStringLiteral("name"), rowNamed(name));
        QVERIFY(text);
        QCOMPARE(text->property("elide").toInt(), int(Qt::ElideMiddle));
        QVERIFY(text->property("truncated").toBool());
        gui->screenshot("datasheets-06-long-name");
        QVERIFY(QFile::remove(documents + "/" + name));
        gui->tap(gui->find("onButtonRefresh"));
        QTRY_COMPARE(shownRows().size(), 3);
    }

    void pdfOpensFittedToTheWidth()
    {
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
        QVERIFY(openRow(QStringLiteral("LM358 op amp \u00e9.pdf")));
        QCOMPARE(gui->renderedText(gui->find("navigationTitle", gui->window()->contentItem())),
                 QStringLiteral("LM358 op amp \u00e9.pdf"));
        auto* web = gui->find("webView");
        QVERIFY(web);
        QCOMPARE(web->property("contentKind").toString(), QStringLiteral("pdf"));
        // The wait cursor spins until the document is read, then goes.
        QTRY_VERIFY_WITH_TIMEOUT(loaded(), 10000);
        QTRY_COMPARE(gui->renderedText("pdfPageCount"), QStringLiteral("/ 5"));
        QCOMPARE(gui->renderedText("pdfPageField"), QStringLiteral("1"));
        QVERIFY(gui->settle());
        QVERIFY(pageFitsTheWidth());
        gui->screenshot("datasheets-07-pdf-fitted");
    }

    void pdfStaysFittedWhenTheWindowIsResized()
    {
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
        gui->window()->resize(520, 667);
        QVERIFY(gui->settle());
        QVERIFY(pageFitsTheWidth());
        QVERIFY(pages()->width() > 500);
        gui->window()->resize(375, 667);
        QVERIFY(gui->settle());
        QVERIFY(pageFitsTheWidth());
    }

    void pdfZoomsInAndOut()
    {
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
        QVERIFY(paper(0) && pages());
        const qreal fitted = paper(0)->width();
        gui->tap(gui->find("zoomIn"));
        QTRY_COMPARE(qRound(paper(0)->width()), qRound(fitted * 1.25));
        QCOMPARE(pdfView()->property("fit").toString(), QString());
        // Zoomed in, the page is wider than the view and can be panned sideways.
        QVERIFY(pages()->property("contentWidth").toReal() > pages()->width());
        QTest::keyClick(gui->window(), Qt::Key_Minus, Qt::ControlModifier);
        QTRY_COMPARE(qRound(paper(0)->width()), qRound(fitted));
        QTest::keyClick(gui->window(), Qt::Key_Minus, Qt::ControlModifier);
        QTRY_COMPARE(qRound(paper(0)->width()), qRound(fitted / 1.25));
        // Ctrl and the wheel zoom in.
        const QPoint middle = pages()->mapToScene(QPointF(pages()->width() / 2, pages()->height() / 2)).toPoint();
        wheel(middle, 120, Qt::ControlModifier);
        QTRY_COMPARE(qRound(paper(0)->width()), qRound(fitted));
        wheel(middle, 240, Qt::ControlModifier);
        QTRY_VERIFY(paper(0)->width() > fitted * 1.5);
        QVERIFY(gui->settle());
        QTRY_VERIFY(pageDrawnAtItsSize(0));
        gui->screenshot("datasheets-08-pdf-zoomed");
        // Zoomed by the user, the page keeps its size when the window changes.
        const qreal zoomed = paper(0)->width();
        gui->window()->resize(420, 667);
        QVERIFY(gui->settle());
        QCOMPARE(qRound(paper(0)->width()), qRound(zoomed));
        gui->window()->resize(375, 667);
        QVERIFY(gui->settle());
        // Fit page shows the whole page; Width fits the width again.
        gui->tap(gui->find("pdfFitPage"));
        QVERIFY(gui->settle());
        QCOMPARE(pdfView()->property("fit").toString(), QStringLiteral("page"));
        QVERIFY(paper(0)->height() <= pages()->height());
        QVERIFY(paper(0)->width() <= pages()->width() + 1);
        gui->screenshot("datasheets-09-pdf-fit-page");
        gui->tap(gui->find("pdfFitWidth"));
        QVERIFY(gui->settle());
        QCOMPARE(pdfView()->property("fit").toString(), QStringLiteral("width"));
        QVERIFY(pageFitsTheWidth());
    }

    void pdfJumpsToATypedPage()
    {
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
        QVERIFY(pdfView());
        QVERIFY(gui->editField("pdfPageField", "4", true));
        QTRY_COMPARE(pdfView()->property("currentPage").toInt(), 3);
        QCOMPARE(gui->renderedText("pdfPageField"), QStringLiteral("4"));
        QVERIFY(gui->settle());
        gui->screenshot("datasheets-10-pdf-page-4");
        // A page past the end is not accepted.
        QVERIFY(gui->editField("pdfPageField", "9", true));
        QCOMPARE(pdfView()->property("currentPage").toInt(), 3);
        QVERIFY(gui->editField("pdfPageField", "1", true));
        QTRY_COMPARE(pdfView()->property("currentPage").toInt(), 0);
    }

    void pdfFindsAWord()
    {
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
        QVERIFY(pdfView());
        gui->tap(gui->find("pdfFind"));
        QVERIFY(gui->find("pdfFindBar")->isVisible());
        QVERIFY(gui->settle());
        QVERIFY(gui->editField("pdfFindField", "quiescent"));
        QTRY_COMPARE_WITH_TIMEOUT(gui->renderedText("pdfFindCount"), QStringLiteral("1 / 2"), 10000);
        QTRY_COMPARE(pdfView()->property("currentPage").toInt(), 1);
        QVERIFY(gui->settle());
        gui->screenshot("datasheets-11-pdf-find");
        gui->tap(gui->find("pdfFindNext"));
        QTRY_COMPARE(gui->renderedText("pdfFindCount"), QStringLiteral("2 / 2"));
        QTRY_COMPARE(pdfView()->property("currentPage").toInt(), 3);
        gui->tap(gui->find("pdfFindNext"));
        QTRY_COMPARE(gui->renderedText("pdfFindCount"), QStringLiteral("1 / 2"));
        QVERIFY(gui->editField("pdfFindField", "nowhere in it"));
        QTRY_COMPARE_WITH_TIMEOUT(gui->renderedText("pdfFindCount"), QStringLiteral("No match"), 10000);
        gui->tap(gui->find("pdfFind"));
        QVERIFY(!gui->find("pdfFindBar")->isVisible());
    }

    void pdfTextCanBeSelectedAndCopied()
    {
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
        QVERIFY(gui->editField("pdfPageField", "1", true));
        QVERIFY(pdfView() && paper(0));
        gui->tap(gui->find("pdfSelect"));
        QVERIFY(pdfView()->property("selecting").toBool());
        // Drag from the first line of text into the fourth (start and end on letters).
        auto* page = paper(0);
        const QPoint from = page->mapToScene(QPointF(page->width() * 0.11, page->height() * 0.148)).toPoint();
        const QPoint to = page->mapToScene(QPointF(page->width() * 0.5, page->height() * 0.204)).toPoint();
        drag(from, to);
        QTRY_VERIFY(pdfView()->property("selectedText").toString().contains(QStringLiteral("Line")));
        QCOMPARE(gui->renderedText("pdfSelect"), QStringLiteral("Copy"));
        gui->screenshot("datasheets-12-pdf-selection");
        QGuiApplication::clipboard()->clear();
        gui->tap(gui->find("pdfSelect"));
        QTRY_VERIFY(QGuiApplication::clipboard()->text().contains(QStringLiteral("input offset voltage")));
        // Copied, the view pans again.
        QVERIFY(!pdfView()->property("selecting").toBool());
        QCOMPARE(gui->renderedText("pdfSelect"), QStringLiteral("Select"));
    }

    void pdfScrollsAndCloses()
    {
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
        QVERIFY(pdfView() && pages());
        auto* list = pages();
        const QPoint start = list->mapToScene(QPointF(list->width() / 2, list->height() * 0.8)).toPoint();
        drag(start, start - QPoint(0, 480));
        QVERIFY(gui->settle());
        QVERIFY(list->property("contentY").toReal() > 300);
        QVERIFY(gui->back());
    }

    void imageOpensFittedAndZooms()
    {
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
        QVERIFY(openRow(QStringLiteral("pinout.png")));
        QTRY_VERIFY_WITH_TIMEOUT(loaded(), 10000);
        auto* image = gui->find("image");
        auto* area = gui->find("imageArea");
        QVERIFY(image && area);
        QTRY_COMPARE(qRound(image->width()), qRound(area->width()));   // 400 x 300 in a tall view
        QVERIFY(image->height() < area->height());
        gui->screenshot("datasheets-13-image");
        const qreal fitted = image->width();
        gui->tap(gui->find("zoomIn"));
        QTRY_COMPARE(qRound(image->width()), qRound(fitted * 1.25));
        QVERIFY(area->property("contentWidth").toReal() > area->width());
        QTest::keyClick(gui->window(), Qt::Key_0, Qt::ControlModifier);
        QTRY_COMPARE(qRound(image->width()), qRound(fitted));
        QVERIFY(gui->back());
    }

    void textWrapsAndCanBeSelected()
    {
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
        QVERIFY(openRow(QStringLiteral("notes.txt")));
        QTRY_VERIFY_WITH_TIMEOUT(loaded(), 10000);
        auto* text = gui->find("textContent");
        QVERIFY(text);
        QVERIFY(text->property("text").toString().contains(QStringLiteral("Pin 8: V+")));
        // The long line wraps inside the window.
        QVERIFY(text->property("lineCount").toInt() > notesText().count('\n'));
        QVERIFY(text->width() <= gui->window()->width());
        // Selected by dragging across it, and copied.
        const QPoint from = text->mapToScene(QPointF(14, 20)).toPoint();
        const QPoint to = text->mapToScene(QPointF(text->width() - 20, 20)).toPoint();
        drag(from, to);
        QTRY_VERIFY(!text->property("selectedText").toString().isEmpty());
        QGuiApplication::clipboard()->clear();
        QTest::keyClick(gui->window(), Qt::Key_C, Qt::ControlModifier);
        QTRY_VERIFY(QGuiApplication::clipboard()->text().startsWith(QStringLiteral("Pin")));
        gui->screenshot("datasheets-14-text");
        QVERIFY(gui->back());
    }

    void unknownTypeOffersTheDefaultApplication()
    {
        QVERIFY(writeFile(documents + "/board #1.zip", QByteArray("PK\x03\x04\x14\0\0\0", 8)));
        gui->tap(gui->find("onButtonRefresh"));
        QTRY_COMPARE(gui->renderedText("labelFilesInfo"), QStringLiteral("Files: 4"));
        QVERIFY(openRow(QStringLiteral("board #1.zip")));
        QTRY_VERIFY(gui->find("unsupported")->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(loaded(), 10000);
        QCOMPARE(gui->renderedText("unsupportedName"), QStringLiteral("board #1.zip"));
        QCOMPARE(gui->renderedText("labelFileInfo"), QStringLiteral("8 B \u00b7 ZIP file"));
        QVERIFY(!gui->find("labelOpenError")->isVisible());

        // The desktop is asked for that very file ("#" is part of its name).
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
        gui->tap(gui->find("onButtonOpenExternally"));
        QTRY_COMPARE(catcher.opened.size(), 1);
        QCOMPARE(catcher.opened[0].toLocalFile(), documents + QStringLiteral("/board #1.zip"));
        QVERIFY(!gui->find("labelOpenError")->isVisible());
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));

        // Nothing on this machine opens it: the screen says so.
        ohmkit::ui::Application::shared().setURLOpener([](const std::string&) { return false; });
        gui->tap(gui->find("onButtonOpenExternally"));
        QTRY_VERIFY(gui->find("labelOpenError")->isVisible());
        QVERIFY(gui->renderedText("labelOpenError").startsWith(QStringLiteral("No application")));
        gui->screenshot("datasheets-15-unsupported-file");
        ohmkit::ui::Application::shared().setURLOpener(nullptr);
        QVERIFY(gui->back());
    }

    void filterNarrowsTheList()
    {
        QVERIFY(gui->editField("textFilter", "P"));
        QTRY_COMPARE(shownRows().size(), 3);   // LM358 op amp, pinout.png and board #1.zip
        QVERIFY(gui->editField("textFilter", "not"));
        QTRY_COMPARE(shownRows(), QStringList{QStringLiteral("notes.txt")});
        QCOMPARE(gui->renderedText("labelFilesInfo"), QStringLiteral("Files: 4"));
        gui->screenshot("datasheets-16-filtered");
        QVERIFY(gui->editField("textFilter", "xyz"));
        QTRY_VERIFY(gui->find("emptyList")->isVisible());
        QVERIFY(gui->renderedText("emptyList").contains(QStringLiteral("xyz")));
        QVERIFY(gui->editField("textFilter", ""));
        QTRY_COMPARE(shownRows().size(), 4);
    }

    void sortByNameAndNewest()
    {
        const QDateTime now = QDateTime::currentDateTime();
        setModified(QStringLiteral("pinout.png"), now.addSecs(-3600));
        setModified(QStringLiteral("board #1.zip"), now.addSecs(-60));
        setModified(QStringLiteral("notes.txt"), now.addSecs(-7200));
        setModified(QStringLiteral("LM358 op amp \u00e9.pdf"), now.addSecs(-86400));
        gui->tap(gui->find("onButtonRefresh"));
        QVERIFY(gui->settle());
        chooseOrder("onSortByName");
        QTRY_COMPARE(shownRows(), (QStringList{QStringLiteral("board #1.zip"), QStringLiteral("LM358 op amp \u00e9.pdf"),
                                               QStringLiteral("notes.txt"), QStringLiteral("pinout.png")}));
        chooseOrder("onSortNewest");
        QTRY_COMPARE(shownRows(), (QStringList{QStringLiteral("board #1.zip"), QStringLiteral("pinout.png"),
                                               QStringLiteral("notes.txt"), QStringLiteral("LM358 op amp \u00e9.pdf")}));
        gui->screenshot("datasheets-17-newest-first");
    }

    void deleteAsksNamingTheFile()
    {
        gui->tap(gui->find("onButtonEdit"));
        QVERIFY(gui->settle());
        QVERIFY(gui->find("editingHint")->isVisible());
        auto* row = rowNamed(QStringLiteral("board #1.zip"));
        QVERIFY(row);
        auto* remove = deleteButtonOf(row);
        QVERIFY(remove && remove->isVisible());
        gui->tap(remove);
        auto* prompt = gui->find("labelPrompt", gui->window()->contentItem());
        QTRY_VERIFY(prompt && prompt->isVisible());
        QCOMPARE(gui->renderedText(prompt), QStringLiteral("Delete \u201c" "board #1.zip\u201d?"));
        QVERIFY(gui->settle());
        gui->screenshot("datasheets-18-delete-question");
        gui->tap(gui->find("onButtonConfirmDelete", gui->window()->contentItem()));
        QTRY_VERIFY(!prompt->isVisible());
        QVERIFY(!QFile::exists(documents + "/board #1.zip"));
        QTRY_COMPARE(shownRows().size(), 3);
        QCOMPARE(gui->renderedText("labelFilesInfo"), QStringLiteral("Files: 3"));
    }

    void renameRefusesANameOutsideTheStore()
    {
        gui->tap(rowNamed(QStringLiteral("notes.txt")));
        auto* field = gui->find("textNewName", gui->window()->contentItem());
        QTRY_VERIFY(field && field->isVisible());
        QCOMPARE(field->property("text").toString(), QStringLiteral("notes.txt"));
        QCOMPARE(gui->pageClass(), QStringLiteral("InfoDatasheetsView"));   // no viewer while editing
        typeInto(field, QStringLiteral("../notes.txt"));
        gui->tap(gui->find("onButtonConfirmRename", gui->window()->contentItem()));
        auto* error = gui->find("labelPromptError", gui->window()->contentItem());
        QTRY_VERIFY(error->isVisible());
        QCOMPARE(gui->renderedText(error), QStringLiteral("\u201c../notes.txt\u201d is not inside the datasheet store."));
        QVERIFY(QFile::exists(documents + "/notes.txt"));
        QVERIFY(gui->settle());
        gui->screenshot("datasheets-19-rename-refused");
        typeInto(field, QStringLiteral("LM358 notes.txt"));
        QTest::keyClick(gui->window(), Qt::Key_Return);
        QTRY_VERIFY(!field->isVisible());
        QVERIFY(QFile::exists(documents + "/LM358 notes.txt"));
        QTRY_VERIFY(shownRows().contains(QStringLiteral("LM358 notes.txt")));
        gui->tap(gui->find("onButtonEdit"));
        QVERIFY(gui->settle());
        QVERIFY(!gui->find("editingHint")->isVisible());
    }

    void uploadScreenSaysWhenThePortIsTaken()
    {
        // Something else holds the port on the loopback address.
        const int blocker = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address = loopback(port);
        QVERIFY(blocker >= 0);
        const int one = 1;   // the port's old connections may linger in TIME_WAIT
        ::setsockopt(blocker, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        QVERIFY(::bind(blocker, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0);
        QVERIFY(::listen(blocker, 1) == 0);
        gui->tap(gui->find("onButtonFTP"));
        QTRY_COMPARE(gui->pageClass(), QStringLiteral("InfoDatasheetsFTP"));
        QVERIFY(gui->settle());
        QVERIFY(gui->find("labelServerError")->isVisible());
        QCOMPARE(gui->renderedText("labelServerError"), QStringLiteral("FTP server could not start: port %1 is in use").arg(port));
        QVERIFY(!gui->find("statusLight")->isVisible());
        QVERIFY(!gui->find("labelServerStatus")->isVisible());
        QVERIFY(!gui->find("labelClients")->isVisible());
        const QString page = gui->renderedText("webView");
        QVERIFY(!page.contains(QStringLiteral("ftp://")));
        QVERIFY(page.contains(QStringLiteral("is in use")));
        gui->screenshot("datasheets-20-port-taken");
        QVERIFY(gui->back());
        ::close(blocker);
    }

    void uploadScreenWithoutANetwork()
    {
        ohmkit::datasheets::NetworkController::setInterfaceSource([] {
            return std::vector<ohmkit::datasheets::InterfaceAddress>{};
        });
        gui->tap(gui->find("onButtonFTP"));
        QTRY_COMPARE(gui->pageClass(), QStringLiteral("InfoDatasheetsFTP"));
        QVERIFY(gui->settle());
        QVERIFY(gui->find("statusLight")->isVisible());   // serving all the same
        const QString page = gui->renderedText("webView");
        QVERIFY(page.contains(QStringLiteral("join a Wi-Fi network")));
        QVERIFY(!page.contains(QStringLiteral("curl")));
        QVERIFY(!page.contains(QStringLiteral("<b>This device")));
        gui->screenshot("datasheets-21-no-network");
        QVERIFY(gui->back());
        ohmkit::datasheets::NetworkController::setInterfaceSource(nullptr);
    }

    void tabletSize()
    {
        // The same screens in the tablet layout.
        gui.reset();
        gui = std::make_unique<GuiHarness>(true);
        QVERIFY(gui->tapMenuRow("Datasheets storage"));
        QTRY_COMPARE(shownRows().size(), 3);
        gui->screenshot("datasheets-tablet-01-list");
        QVERIFY(openRow(QStringLiteral("LM358 op amp \u00e9.pdf")));
        QTRY_COMPARE_WITH_TIMEOUT(gui->renderedText("pdfPageCount"), QStringLiteral("/ 5"), 10000);
        QVERIFY(gui->settle());
        QVERIFY(pageFitsTheWidth());
        gui->screenshot("datasheets-tablet-02-pdf");
        QVERIFY(gui->back());
        gui->tap(gui->find("onButtonFTP"));
        QTRY_COMPARE(gui->pageClass(), QStringLiteral("InfoDatasheetsFTP"));
        QVERIFY(gui->settle());
        gui->screenshot("datasheets-tablet-03-upload");
        QVERIFY(gui->back());
    }

private:
    static QByteArray notesText()
    {
        return "Pin 8: V+\nPin 4: GND\nBypass pin 8 with 100 nF close to the package, and keep the feedback "
               "resistors near the inverting input so that the trace stays short.\n";
    }

    void upload(const QString& file, const QString& url)
    {
        QProcess curl;
        curl.start(QStringLiteral("curl"), {QStringLiteral("-sS"), QStringLiteral("--max-time"), QStringLiteral("30"),
                                            QStringLiteral("-T"), file, url});
        QVERIFY2(curl.waitForStarted(5000), "curl is not installed");
        // The server runs on this thread: keep the event loop turning while curl works.
        QTRY_VERIFY_WITH_TIMEOUT(curl.state() == QProcess::NotRunning, 40000);
        QVERIFY2(curl.exitStatus() == QProcess::NormalExit && curl.exitCode() == 0,
                 qPrintable(QString::fromLocal8Bit(curl.readAllStandardError())));
    }

    QQuickItem* table() const { return gui->find("mainTableData"); }

    // The viewer's wait cursor has stopped.
    bool loaded() const
    {
        auto* cursor = gui->find("waitCursor");
        return cursor && !cursor->property("running").toBool();
    }

    // The names of the rows, in order.
    QStringList shownRows() const
    {
        QStringList names;
        auto* list = table();
        if (!list) return names;
        const QVariantList rows = list->property("model").toList();
        for (const QVariant& row : rows) names << row.toMap().value(QStringLiteral("text")).toString();
        return names;
    }

    // The row item showing `name`, scrolled into view.
    QQuickItem* rowNamed(const QString& name) const
    {
        const int index = shownRows().indexOf(name);
        if (index < 0) return nullptr;
        QMetaObject::invokeMethod(table(), "positionViewAtIndex", Q_ARG(int, index), Q_ARG(int, 4 /* Contain */));
        gui->settle();
        return gui->find(QStringLiteral("mainTableData[%1]").arg(index), table());
    }

    static QQuickItem* deleteButtonOf(QQuickItem* row)
    {
        for (auto* child : row->childItems())
            if (child->property("text").toString() == QStringLiteral("Delete")) return child;
        return nullptr;
    }

    bool openRow(const QString& name)
    {
        auto* row = rowNamed(name);
        if (!row) {
            qWarning() << "no row" << name;
            return false;
        }
        gui->tap(row);
        return QTest::qWaitFor([&] { return gui->pageClass() == QStringLiteral("InfoDatasheetOpen"); }, 5000) &&
               gui->settle();
    }

    void chooseOrder(const char* action)
    {
        gui->tap(gui->find("sortButton"));
        QTRY_VERIFY(gui->find(QString::fromLatin1(action), gui->window()->contentItem()));
        auto* item = gui->find(QString::fromLatin1(action), gui->window()->contentItem());
        QTRY_VERIFY(item->isVisible());
        gui->settle();
        gui->tap(item);
        gui->settle();
    }

    void setModified(const QString& name, const QDateTime& when)
    {
        QFile file(documents + "/" + name);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(when, QFileDevice::FileModificationTime));
    }

    void typeInto(QQuickItem* field, const QString& text)
    {
        gui->tap(field);
        QTest::keyClick(gui->window(), Qt::Key_A, Qt::ControlModifier);
        for (QChar c : text) QTest::keyClick(gui->window(), c.toLatin1());
        gui->settle();
    }

    // Drags the mouse from one point of the window to another in small steps, as a hand would.
    void drag(const QPoint& from, const QPoint& to)
    {
        QTest::mousePress(gui->window(), Qt::LeftButton, Qt::NoModifier, from);
        for (int step = 1; step <= 12; ++step) QTest::mouseMove(gui->window(), from + (to - from) * step / 12, 10);
        QTest::mouseRelease(gui->window(), Qt::LeftButton, Qt::NoModifier, to, 10);
    }

    void wheel(const QPoint& at, int delta, Qt::KeyboardModifiers modifiers)
    {
        QWheelEvent event(at, gui->window()->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, modifiers,
                          Qt::NoScrollPhase, false);
        QGuiApplication::sendEvent(gui->window(), &event);
    }

    QQuickItem* pdfView() const
    {
        auto* list = pages();
        return list ? list->parentItem()->parentItem() : nullptr;   // the list, its column, the view
    }
    QQuickItem* pages() const { return gui->find("pdfPages"); }
    QQuickItem* paper(int page) const { return gui->find(QStringLiteral("pdfPaper%1").arg(page)); }

    // The page's picture has been drawn for the size it is shown at.
    bool pageDrawnAtItsSize(int page) const
    {
        auto* sheet = paper(page);
        if (!sheet) return false;
        for (auto* child : sheet->childItems())
            if (child->inherits("QQuickImage"))
                return child->property("status").toInt() == 1 && qAbs(child->implicitWidth() - child->width()) <= 3;
        return false;
    }

    // The first page is as wide as the view, within a few pixels.
    bool pageFitsTheWidth() const
    {
        auto* list = pages();
        auto* first = paper(0);
        if (!list || !first) return false;
        if (qAbs(first->width() - list->width()) <= 3) return true;
        qWarning() << "page" << first->width() << "view" << list->width();
        return false;
    }

    std::unique_ptr<GuiHarness> gui;
    QString documents;
    QString outbox;
    quint16 port = 0;
};

OHMKIT_GUI_TEST_MAIN(DatasheetStore)
#include "datasheets_test.moc"
