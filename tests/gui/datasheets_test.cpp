// The datasheet store as a user meets it: the list opened from the menu, the upload screen,
// two files sent with curl over loopback FTP (one named with a blank and a non-ASCII letter),
// back to the list that shows them, a PDF in the viewer, and a file type the app cannot show.
// The functions run in order on one window, each starting where the previous one ended.
#include <QDir>
#include <QFile>
#include <QProcess>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "gui_harness.h"
#include "ui/application.h"

namespace {

// A one-page PDF showing `text`, with a correct cross-reference table.
QByteArray minimalPdf(const QByteArray& text)
{
    const QByteArray stream = "BT /F1 28 Tf 72 700 Td (" + text + ") Tj ET";
    const QList<QByteArray> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R "
        "/Resources << /Font << /F1 5 0 R >> >> >>",
        "<< /Length " + QByteArray::number(stream.size()) + " >>\nstream\n" + stream + "\nendstream",
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
    };
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

sockaddr_in loopback(quint16 port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// A port on 127.0.0.1 that was free a moment ago.
quint16 freeLoopbackPort()
{
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = loopback(0);
    socklen_t length = sizeof address;
    quint16 port = 0;
    if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    if (fd >= 0) ::close(fd);
    return port;
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
        port = freeLoopbackPort();
        QVERIFY(port != 0);
        qputenv("OHMKIT_FTP_PORT", QByteArray::number(port));
        outbox = QDir::temp().filePath(QStringLiteral("ohmkit-gui-outbox-%1").arg(QCoreApplication::applicationPid()));
        QVERIFY(QDir().mkpath(outbox));
        QVERIFY(writeFile(outbox + "/LM358.pdf", minimalPdf("LM358 dual op amp")));
        QVERIFY(writeFile(outbox + "/notes.txt", "Pin 8: V+\nPin 4: GND\n"));
        gui = std::make_unique<GuiHarness>();
    }

    void cleanupTestCase()
    {
        gui.reset();
        QDir(outbox).removeRecursively();
    }

    void storeOpensEmptyFromTheMenu()
    {
        QVERIFY(gui->tapMenuRow("Datasheets storage"));
        QCOMPARE(gui->pageClass(), QStringLiteral("InfoDatasheetsView"));
        QCOMPARE(gui->renderedText("labelFilesInfo"), QStringLiteral("Files: 0"));
        QCOMPARE(gui->find("mainTableData")->property("count").toInt(), 0);
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
        const QString page = gui->renderedText("webView");
        QVERIFY2(page.contains(QStringLiteral(":%1").arg(port)) || page.contains(QStringLiteral("No network address")),
                 qPrintable(page.left(400)));
        QVERIFY(!page.contains(QStringLiteral("_LINK_")));
        QVERIFY(ohmkit::ui::Application::shared().isIdleTimerDisabled());
        QVERIFY(!gui->find("labelRX")->property("on").toBool());
        QVERIFY(listening(port));
        gui->screenshot("datasheets-02-upload-screen");
    }

    void twoFilesArriveWithCurl()
    {
        // Remote names percent-encoded in the URL: a blank and an e with an acute accent.
        const QString base = QStringLiteral("ftp://127.0.0.1:%1/").arg(port);
        upload(outbox + "/LM358.pdf", base + "LM358%20op%20amp%20%C3%A9.pdf");
        if (QTest::currentTestFailed()) return;
        upload(outbox + "/notes.txt", base + "notes.txt");
        if (QTest::currentTestFailed()) return;
        QVERIFY(QFile::exists(documents + QStringLiteral("/LM358 op amp \u00e9.pdf")));
        QCOMPARE(QFileInfo(documents + "/notes.txt").size(), QFileInfo(outbox + "/notes.txt").size());
        gui->screenshot("datasheets-03-after-upload");
    }

    void backListsBothFiles()
    {
        QVERIFY(gui->back());
        QCOMPARE(gui->pageClass(), QStringLiteral("InfoDatasheetsView"));
        QVERIFY(!ohmkit::ui::Application::shared().isIdleTimerDisabled());
        QCOMPARE(gui->renderedText("labelFilesInfo"), QStringLiteral("Files: 2"));
        auto* table = gui->find("mainTableData");
        QTRY_COMPARE(table->property("count").toInt(), 2);
        QStringList shown;
        for (int i = 0; i < 2; ++i) shown << gui->renderedText(gui->find(QStringLiteral("mainTableData[%1]").arg(i), table));
        shown.sort();
        QCOMPARE(shown, (QStringList{QStringLiteral("LM358 op amp \u00e9.pdf"), QStringLiteral("notes.txt")}));
        // The server has stopped with the screen.
        QVERIFY(!listening(port));
        gui->screenshot("datasheets-04-list-with-uploads");
    }

    void pdfOpensInTheViewer()
    {
        QVERIFY(openRow(QStringLiteral("LM358 op amp \u00e9.pdf")));
        QCOMPARE(gui->renderedText(gui->find("navigationTitle", gui->window()->contentItem())),
                 QStringLiteral("LM358 op amp \u00e9.pdf"));
        auto* web = gui->find("webView");
        QVERIFY(web);
        QCOMPARE(web->property("contentKind").toString(), QStringLiteral("pdf"));
        // The wait cursor spins until the document is read, then goes.
        QTRY_VERIFY_WITH_TIMEOUT(!gui->find("waitCursor")->property("running").toBool(), 10000);
        auto* pdf = findPdfView(web);
        QVERIFY(pdf);
        QObject* document = pdf->property("document").value<QObject*>();
        QVERIFY(document);
        QTRY_COMPARE_WITH_TIMEOUT(document->property("pageCount").toInt(), 1, 10000);
        QVERIFY(gui->settle());
        gui->screenshot("datasheets-05-pdf-viewer");
        QVERIFY(gui->back());
    }

    void textOpensInTheViewer()
    {
        QVERIFY(openRow(QStringLiteral("notes.txt")));
        QTRY_VERIFY_WITH_TIMEOUT(!gui->find("waitCursor")->property("running").toBool(), 10000);
        QVERIFY(gui->renderedText("webView").contains(QStringLiteral("Pin 8: V+")));
        gui->screenshot("datasheets-06-text-viewer");
        QVERIFY(gui->back());
    }

    void unknownTypeOffersTheDefaultApplication()
    {
        QVERIFY(writeFile(documents + "/board.zip", QByteArray("PK\x03\x04\x14\0\0\0", 8)));
        gui->tap(gui->find("onButtonRefresh"));
        QTRY_COMPARE(gui->renderedText("labelFilesInfo"), QStringLiteral("Files: 3"));
        QVERIFY(openRow(QStringLiteral("board.zip")));
        QTRY_VERIFY(gui->find("unsupported")->isVisible());
        QVERIFY(gui->find("openExternally")->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!gui->find("waitCursor")->property("running").toBool(), 10000);
        gui->screenshot("datasheets-07-unsupported-file");
        QVERIFY(gui->back());
    }

private:
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

    bool openRow(const QString& name)
    {
        auto* table = gui->find("mainTableData");
        if (!table) return false;
        for (int i = 0; i < table->property("count").toInt(); ++i) {
            auto* row = gui->find(QStringLiteral("mainTableData[%1]").arg(i), table);
            if (row && gui->renderedText(row) == name) {
                gui->tap(row);
                return QTest::qWaitFor([&] { return gui->pageClass() == QStringLiteral("InfoDatasheetOpen"); }, 5000) &&
                       gui->settle();
            }
        }
        qWarning() << "no row" << name;
        return false;
    }

    static QQuickItem* findPdfView(QQuickItem* root)
    {
        for (auto* item : root->findChildren<QQuickItem*>())
            if (item->property("document").isValid() && item->metaObject()->className() != QByteArray("QQuickImage"))
                if (item->property("document").value<QObject*>()) return item;
        return nullptr;
    }

    std::unique_ptr<GuiHarness> gui;
    QString documents;
    QString outbox;
    quint16 port = 0;
};

OHMKIT_GUI_TEST_MAIN(DatasheetStore)
#include "datasheets_test.moc"
