#include "datasheets/info_datasheets_ftp.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>

#include "datasheets/network_controller.h"
#include "ui/utils.h"
#include "datasheets_test_support.h"
#include "platform/files.h"
#include "platform/log.h"
#include "platform/strings.h"
#include "platform/text.h"
#include "ui/application.h"

using namespace ohmkit;
using datasheets::InfoDatasheetsFTP;
using datasheets::InterfaceAddress;
using datasheets::NetworkController;
using namespace datasheets::test;

namespace {

// The network as the test says it is.
struct FakeNetwork {
    explicit FakeNetwork(const std::string& wifiAddress)
    {
        NetworkController::setInterfaceSource([wifiAddress] {
            std::vector<InterfaceAddress> list{{"lo", InterfaceAddress::Family::IPv4, "127.0.0.1", true, true, false}};
            if (!wifiAddress.empty())
                list.push_back({"wlan0", InterfaceAddress::Family::IPv4, wifiAddress, true, false, true});
            return list;
        });
    }
    ~FakeNetwork() { NetworkController::setInterfaceSource(nullptr); }
};

// The upload screen pushed on a navigation stack, serving on a free loopback port.
struct UploadScreen {
    TempDocuments docs;
    unsigned port = freeLoopbackPort();
    std::shared_ptr<ui::NavigationController> nav = std::make_shared<ui::NavigationController>();
    std::shared_ptr<InfoDatasheetsFTP> screen = std::make_shared<InfoDatasheetsFTP>(port, 0);   // the browser server on any free port

    UploadScreen()
    {
        nav->setRootViewController(std::make_shared<ui::ViewController>("Root"));
        nav->pushViewController(screen, true);
    }
    ~UploadScreen() { leave(); }
    void leave()
    {
        while (nav->popViewControllerAnimated(false)) {}
    }
};

std::string networkErrorText() { return platform::localizedString("NETWORK_ERROR", "Localizable", ""); }

}  // namespace

TEST(UploadScreen, ServesOnPort2121UnlessTheEnvironmentSaysOtherwise)
{
    {
        ScopedEnv unset("OHMKIT_FTP_PORT", "");
        EXPECT_EQ(InfoDatasheetsFTP().port(), 2121u);
    }
    {
        ScopedEnv set("OHMKIT_FTP_PORT", "40021");
        EXPECT_EQ(InfoDatasheetsFTP().port(), 40021u);
    }
    for (const char* bad : {"0", "65536", "21x", "-1", " 21"}) {
        ScopedEnv set("OHMKIT_FTP_PORT", bad);
        EXPECT_EQ(datasheets::uploadPort(), 2121u) << bad;
    }
}

TEST(UploadScreen, PageLinkReplacesEveryPlaceholder)
{
    EXPECT_EQ(InfoDatasheetsFTP::pageWithLink("<a>_LINK_</a> curl -T f _LINK_/", "192.168.1.5", 2121),
              "<a>ftp://192.168.1.5:2121</a> curl -T f ftp://192.168.1.5:2121/");
    // Shorter than 6 characters: no usable address.
    EXPECT_EQ(InfoDatasheetsFTP::pageWithLink("[_LINK_]", "1.2.3", 2121), "[" + networkErrorText() + "]");
    EXPECT_EQ(InfoDatasheetsFTP::pageWithLink("[_LINK_]", "1.2.34", 2121), "[ftp://1.2.34:2121]");
    EXPECT_FALSE(networkErrorText().empty());
    EXPECT_NE(networkErrorText(), "NETWORK_ERROR");
}

TEST(UploadScreen, TheBrowserPortComesFromTheEnvironment)
{
    {
        ScopedEnv unset("OHMKIT_HTTP_PORT", "");
        EXPECT_EQ(InfoDatasheetsFTP().httpPort(), 8080u);
    }
    ScopedEnv set("OHMKIT_HTTP_PORT", "40080");
    EXPECT_EQ(InfoDatasheetsFTP().httpPort(), 40080u);
}

TEST(UploadScreen, WebLinkOrWhyThereIsNone)
{
    const std::string page = "<p>A</p><!--WEB--><code>_WEBLINK_</code><a href=\"copy:_WEBLINK_\">Copy</a><!--/WEB--><p>B</p>";
    EXPECT_EQ(InfoDatasheetsFTP::pageWithWebLink(page, "http://192.168.1.5:8080/k3x9p2/", "unused"),
              "<p>A</p><!--WEB--><code>http://192.168.1.5:8080/k3x9p2/</code>"
              "<a href=\"copy:http://192.168.1.5:8080/k3x9p2/\">Copy</a><!--/WEB--><p>B</p>");
    EXPECT_EQ(InfoDatasheetsFTP::pageWithWebLink(page, "", "Ports in use."), "<p>A</p><p>Ports in use.</p><p>B</p>");
}

TEST(UploadScreen, ShowsThePageWithTheWifiAddress)
{
    FakeNetwork network("192.168.1.5");
    UploadScreen upload;
    const std::string& html = upload.screen->webView->html();
    const std::string link = platform::format("ftp://192.168.1.5:%u", upload.port);
    EXPECT_NE(html.find(link), std::string::npos);
    EXPECT_NE(html.find("curl -T"), std::string::npos);
    EXPECT_EQ(html.find("_LINK_"), std::string::npos);
    EXPECT_EQ(html.find(networkErrorText()), std::string::npos);
}

TEST(UploadScreen, TheBrowserAddressComesFirstThenFtp)
{
    FakeNetwork network("192.168.1.5");
    UploadScreen upload;
    const auto& browser = upload.screen->servers.browser();
    ASSERT_TRUE(browser && browser->isListening());
    const std::string& html = upload.screen->webView->html();
    const std::string web = platform::format("http://192.168.1.5:%u/%s/", browser->port(), browser->key().c_str());
    const auto webAt = html.find("<code style=\"white-space: pre-wrap\">" + web + "</code>");
    const auto ftpAt = html.find(platform::format("ftp://192.168.1.5:%u", upload.port));
    ASSERT_NE(webAt, std::string::npos);
    ASSERT_NE(ftpAt, std::string::npos);
    EXPECT_LT(webAt, ftpAt);
    EXPECT_NE(html.find("href=\"copy:" + web + "\""), std::string::npos);
    EXPECT_NE(html.find("best for a few files"), std::string::npos);
    EXPECT_NE(html.find("For many files at once"), std::string::npos);
    EXPECT_EQ(html.find("_WEBLINK_"), std::string::npos);
    EXPECT_EQ(browser->folder(), upload.docs.path());
}

TEST(UploadScreen, BrowserRequestsFlashTheLightsAndAnUploadChangesTheList)
{
    FakeNetwork network("");
    UploadScreen upload;
    auto& screen = *upload.screen;
    int rxShown = 0, txShown = 0;
    screen.labelRX->addObserver([&] { rxShown += screen.labelRX->isHidden() ? 0 : 1; });
    screen.labelTX->addObserver([&] { txShown += screen.labelTX->isHidden() ? 0 : 1; });
    platform::LogCapture log;
    LoopbackClient client;
    ASSERT_TRUE(client.connect(screen.servers.browser()->port()));
    ASSERT_TRUE(client.send("PUT /" + screen.servers.browser()->key() +
                            "/files/LM317.pdf HTTP/1.1\r\nHost: x\r\nContent-Length: 5\r\n\r\n%PDF-"));
    ASSERT_TRUE(client.waitFor("\r\n\r\n"));
    EXPECT_EQ(client.received().rfind("HTTP/1.1 201", 0), 0u) << client.received();
    EXPECT_TRUE(runMainLoopUntil([&] { return rxShown >= 1 && txShown >= 1; }));
    EXPECT_TRUE(log.contains("fileListChanged"));
    EXPECT_EQ(screen.labelClients->text(), "A browser is connected");
    EXPECT_EQ(screen.labelTransfer->text(), "Received LM317.pdf: 5 B");
}

TEST(UploadScreen, LeavingStopsTheBrowserServer)
{
    FakeNetwork network("");
    UploadScreen upload;
    const unsigned port = upload.screen->servers.browser()->port();
    LoopbackClient client;
    ASSERT_TRUE(client.connect(port));
    upload.leave();
    EXPECT_EQ(upload.screen->servers.browser(), nullptr);
    EXPECT_TRUE(client.waitForClose());
    EXPECT_TRUE(connectionRefused(port));
}

TEST(UploadScreen, CountsFtpClientsAndBrowsersApart)
{
    InfoDatasheetsFTP screen(0, 0);
    screen.loadView();   // the outlets only: no server
    const struct {
        std::size_t ftp, browser;
        const char* text;
    } cases[] = {
        {0, 0, "No clients connected"},      {1, 0, "1 client connected"},
        {2, 0, "2 clients connected"},       {0, 3, "A browser is connected"},
        {1, 1, "1 client connected, and a browser"}, {2, 6, "2 clients connected, and a browser"},
    };
    for (const auto& c : cases) {
        screen.didChangeConnectionCount(c.ftp);
        screen.didChangeBrowserConnectionCount(c.browser);
        EXPECT_EQ(screen.labelClients->text(), c.text);
    }
}

TEST(UploadScreen, WithoutAnAddressThePageSaysWhatToDoAndShowsNoCommands)
{
    FakeNetwork network("");
    UploadScreen upload;
    const std::string& html = upload.screen->webView->html();
    EXPECT_NE(html.find("<p>" + networkErrorText() + "</p>"), std::string::npos);   // a sentence of its own
    EXPECT_NE(html.find("join a Wi-Fi network"), std::string::npos);
    EXPECT_EQ(html.find("ftp://"), std::string::npos);
    EXPECT_EQ(html.find("curl"), std::string::npos);
    EXPECT_EQ(html.find("address above"), std::string::npos);
    EXPECT_EQ(html.find("_LINK_"), std::string::npos);
    // The server runs all the same.
    EXPECT_TRUE(upload.screen->servers.ftp()->isListening());
    EXPECT_FALSE(upload.screen->labelServerStatus->isHidden());
}

TEST(UploadScreen, CommandsCanBeCopiedWithTheAddressInThem)
{
    FakeNetwork network("192.168.1.5");
    UploadScreen upload;
    const std::string& html = upload.screen->webView->html();
    const std::string link = platform::format("ftp://192.168.1.5:%u", upload.port);
    for (const std::string& command : {link, "curl -T datasheet.pdf " + link + "/", "lftp " + link})
        EXPECT_NE(html.find("href=\"copy:" + command + "\""), std::string::npos) << command;
}

TEST(UploadScreen, APortInUseIsSaidInWordsAndNoAddressIsOffered)
{
    FakeNetwork network("192.168.1.5");
    TempDocuments docs;
    // Something else listens on the port first.
    const unsigned port = freeLoopbackPort();
    auto other = ftp::FtpServer::create(port, docs.path(), nullptr);
    ASSERT_TRUE(other->isListening());

    platform::LogCapture log;
    auto nav = std::make_shared<ui::NavigationController>();
    nav->setRootViewController(std::make_shared<ui::ViewController>("Root"));
    auto screen = std::make_shared<InfoDatasheetsFTP>(port, 0);
    nav->pushViewController(screen, true);
    EXPECT_FALSE(screen->servers.ftp()->isListening());
    EXPECT_TRUE(screen->labelServerStatus->isHidden());
    EXPECT_FALSE(screen->labelServerError->isHidden());
    EXPECT_EQ(screen->labelServerError->text(), platform::format("FTP server could not start: port %u is in use", port));
    const std::string& html = screen->webView->html();
    EXPECT_NE(html.find(screen->labelServerError->text() + "."), std::string::npos);
    EXPECT_EQ(html.find("ftp://"), std::string::npos);
    EXPECT_EQ(html.find("192.168.1.5"), std::string::npos);
    EXPECT_TRUE(log.contains(platform::format("FTP server could not start: port %u is in use", port)));
    nav->popViewControllerAnimated(false);
    other->stopFtpServer();
}

TEST(UploadScreen, ListenFailureInWords)
{
    TempDocuments docs;
    const unsigned port = freeLoopbackPort();
    EXPECT_EQ(InfoDatasheetsFTP::listenFailure(port), platform::format("port %u could not be opened", port));
    auto other = ftp::FtpServer::create(port, docs.path(), nullptr);
    ASSERT_TRUE(other->isListening());
    EXPECT_EQ(InfoDatasheetsFTP::listenFailure(port), platform::format("port %u is in use", port));
    other->stopFtpServer();
    if (::geteuid() != 0) {
        EXPECT_EQ(InfoDatasheetsFTP::listenFailure(21), "port 21 needs administrator rights");
    }
}

TEST(UploadScreen, StartsWithHiddenIndicatorsAndTheStorageLine)
{
    FakeNetwork network("192.168.1.5");
    platform::LogCapture log;
    UploadScreen upload;
    auto& screen = *upload.screen;
    EXPECT_TRUE(screen.labelRX->isHidden());
    EXPECT_TRUE(screen.labelTX->isHidden());
    EXPECT_EQ(screen.labelDeviceInfo->text(), platform::format("Device: %dMb, %dMb free", ui::Utils::getTotalSpace(),
                                                               ui::Utils::getFreeSpace()));
    EXPECT_TRUE(log.contains("Base dir: " + upload.docs.path()));
    ASSERT_TRUE(screen.timerInfo);
    EXPECT_TRUE(screen.timerInfo->repeats());
    EXPECT_EQ(screen.timerInfo->interval(), 1.0);
    // The outlets in the order the layout names them.
    std::vector<std::string> names;
    for (const auto& outlet : screen.outlets()) names.push_back(outlet.name);
    EXPECT_EQ(names, (std::vector<std::string>{"webView", "labelIPAddress", "labelDeviceInfo", "labelRX", "labelTX",
                                               "labelServerStatus", "labelServerError", "labelClients",
                                               "labelTransfer"}));
    EXPECT_EQ(screen.labelServerStatus->text(), "FTP server running");
    EXPECT_TRUE(screen.labelServerError->isHidden());
}

TEST(UploadScreen, KeepsTheDisplayAwakeWhileShown)
{
    std::vector<bool> switched;
    ui::Application::shared().setIdleTimerObserver([&](bool disabled) { switched.push_back(disabled); });
    {
        FakeNetwork network("");
        UploadScreen upload;
        EXPECT_TRUE(ui::Application::shared().isIdleTimerDisabled());
        auto timer = upload.screen->timerInfo;
        upload.leave();
        EXPECT_FALSE(ui::Application::shared().isIdleTimerDisabled());
        EXPECT_FALSE(timer->isValid());
        EXPECT_EQ(upload.screen->timerInfo, nullptr);
    }
    ui::Application::shared().setIdleTimerObserver(nullptr);
    EXPECT_EQ(switched, (std::vector<bool>{true, false}));
}

TEST(UploadScreen, EachEventFlashesItsIndicatorForAFifthOfASecond)
{
    FakeNetwork network("");
    UploadScreen upload;
    auto& screen = *upload.screen;
    using Clock = std::chrono::steady_clock;

    const auto shown = Clock::now();
    screen.didDataReceived();
    EXPECT_FALSE(screen.labelRX->isHidden());
    EXPECT_TRUE(screen.labelTX->isHidden());
    ASSERT_TRUE(runMainLoopUntil([&] { return screen.labelRX->isHidden(); }));
    // Never earlier than the delay (the upper bound is only the watchdog).
    EXPECT_GE(Clock::now() - shown, std::chrono::milliseconds(195));

    screen.didDataSend();
    EXPECT_FALSE(screen.labelTX->isHidden());
    ASSERT_TRUE(runMainLoopUntil([&] { return screen.labelTX->isHidden(); }));
}

TEST(UploadScreen, APendingHidingKeepsTheScreenAlive)
{
    FakeNetwork network("");
    std::weak_ptr<InfoDatasheetsFTP> weak;
    {
        UploadScreen upload;
        upload.screen->didDataReceived();
        upload.leave();
        weak = upload.screen;
    }
    EXPECT_FALSE(weak.expired());   // held by the pending hiding
    EXPECT_TRUE(runMainLoopUntil([&] { return weak.expired(); }));
}

TEST(UploadScreen, TheFileListChangeIsOnlyLogged)
{
    FakeNetwork network("");
    UploadScreen upload;
    platform::LogCapture log;
    upload.screen->didReceiveFileListChanged();
    EXPECT_EQ(log.lines(), std::vector<std::string>{"fileListChanged"});
}

TEST(UploadScreen, ServesTheDocumentsFolderWhileShown)
{
    FakeNetwork network("");
    UploadScreen upload;
    auto& screen = *upload.screen;
    ASSERT_TRUE(screen.servers.ftp());
    EXPECT_TRUE(screen.servers.ftp()->isListening());
    EXPECT_EQ(screen.servers.ftp()->listeningPort(), upload.port);
    EXPECT_EQ(screen.servers.ftp()->baseDir(), upload.docs.path());
}

TEST(UploadScreen, CommandLinesFlashRXAndRepliesFlashTX)
{
    FakeNetwork network("");
    UploadScreen upload;
    auto& screen = *upload.screen;
    LoopbackClient client;
    ASSERT_TRUE(client.connect(upload.port));

    // The greeting is a reply line: TX only.
    ASSERT_TRUE(client.waitFor("220 "));
    ASSERT_TRUE(runMainLoopUntil([&] { return !screen.labelTX->isHidden(); }, 2.0));
    EXPECT_TRUE(screen.labelRX->isHidden());
    ASSERT_TRUE(runMainLoopUntil([&] { return screen.labelTX->isHidden(); }));

    // A command line: RX when it arrives, TX when its reply has been written.
    int rxShown = 0;
    screen.labelRX->addObserver([&] { rxShown += screen.labelRX->isHidden() ? 0 : 1; });
    ASSERT_TRUE(client.send("NOOP\r\n"));
    ASSERT_TRUE(client.waitFor("200 "));
    ASSERT_TRUE(runMainLoopUntil([&] { return rxShown == 1 && screen.labelRX->isHidden() && screen.labelTX->isHidden(); }));
}

TEST(UploadScreen, LeavingClosesEveryConnectionAndThePort)
{
    FakeNetwork network("");
    UploadScreen upload;
    LoopbackClient first, second;
    ASSERT_TRUE(first.connect(upload.port));
    ASSERT_TRUE(second.connect(upload.port));
    ASSERT_TRUE(first.waitFor("220 "));
    ASSERT_TRUE(second.waitFor("220 "));
    ASSERT_TRUE(first.send("USER anonymous\r\n"));
    ASSERT_TRUE(first.waitFor("331 "));

    std::weak_ptr<ftp::FtpServer> server = upload.screen->servers.ftp();
    upload.leave();
    EXPECT_EQ(upload.screen->servers.ftp(), nullptr);
    EXPECT_TRUE(first.waitForClose());
    EXPECT_TRUE(second.waitForClose());
    EXPECT_TRUE(connectionRefused(upload.port));
    EXPECT_TRUE(runMainLoopUntil([&] { return server.expired(); }));
}

// The server does not keep its screen alive: a screen dropped without being told it left
// (its navigation container went away) stops its server and closes the port at its end.
TEST(UploadScreen, AScreenThatGoesAwayUntoldStopsItsServer)
{
    FakeNetwork network("");
    TempDocuments docs;
    const unsigned port = freeLoopbackPort();
    auto screen = std::make_shared<InfoDatasheetsFTP>(port, 0);
    screen->loadViewIfNeeded();
    ASSERT_TRUE(screen->servers.ftp() && screen->servers.ftp()->isListening());
    std::weak_ptr<ftp::FtpServer> server = screen->servers.ftp();
    std::weak_ptr<InfoDatasheetsFTP> weak = screen;
    ASSERT_TRUE(screen->servers.browser() && screen->servers.browser()->isListening());
    const unsigned browserPort = screen->servers.browser()->port();
    screen.reset();
    EXPECT_TRUE(weak.expired());
    EXPECT_TRUE(connectionRefused(port));
    EXPECT_TRUE(connectionRefused(browserPort));
    EXPECT_TRUE(runMainLoopUntil([&] { return server.expired(); }));
}

TEST(UploadScreen, ReplacingTheRootStopsTheServer)
{
    FakeNetwork network("");
    UploadScreen upload;
    ASSERT_TRUE(upload.screen->servers.ftp());
    upload.nav->setRootViewController(std::make_shared<ui::ViewController>("Root"));
    EXPECT_EQ(upload.screen->servers.ftp(), nullptr);
    EXPECT_TRUE(connectionRefused(upload.port));
}

TEST(UploadScreen, ComingBackStartsAFreshServer)
{
    FakeNetwork network("");
    UploadScreen upload;
    upload.leave();
    ASSERT_TRUE(connectionRefused(upload.port));

    auto again = std::make_shared<InfoDatasheetsFTP>(upload.port, 0);
    upload.nav->pushViewController(again, true);
    LoopbackClient client;
    ASSERT_TRUE(client.connect(upload.port));
    EXPECT_TRUE(client.waitFor("220 "));
    upload.leave();
    EXPECT_TRUE(client.waitForClose());
}

namespace {

// Every text a label shows while it is watched, in order, repeats left out.
class TextHistory {
public:
    explicit TextHistory(ui::Label& label) : label_(label)
    {
        observer_ = label.addObserver([this] {
            if (texts.empty() || texts.back() != label_.text()) texts.push_back(label_.text());
        });
    }
    ~TextHistory() { label_.removeObserver(observer_); }
    std::vector<std::string> texts;

private:
    ui::Label& label_;
    int observer_;
};

// Logs in on a new control connection and opens a passive data connection.
void logInWithDataConnection(unsigned port, LoopbackClient& control, LoopbackClient& data)
{
    ASSERT_TRUE(control.connect(port));
    ASSERT_TRUE(control.waitFor("220 "));
    ASSERT_TRUE(control.send("USER a\r\nPASS b\r\nTYPE I\r\nPASV\r\n"));
    ASSERT_TRUE(control.waitFor("227 "));
    // "227 Entering Passive Mode (h1,h2,h3,h4,p1,p2)."
    const std::string& text = control.received();
    const auto open = text.find('(', text.find("227 "));
    ASSERT_NE(open, std::string::npos);
    unsigned h1, h2, h3, h4, p1, p2;
    ASSERT_EQ(std::sscanf(text.c_str() + open, "(%u,%u,%u,%u,%u,%u)", &h1, &h2, &h3, &h4, &p1, &p2), 6);
    EXPECT_EQ(h1, 127u);
    ASSERT_TRUE(data.connect(p1 * 256 + p2));
}

}  // namespace

TEST(UploadScreen, AnUploadIsReportedAndLandsInTheStore)
{
    FakeNetwork network("");
    UploadScreen upload;
    auto& screen = *upload.screen;
    EXPECT_EQ(screen.labelClients->text(), "No clients connected");
    EXPECT_TRUE(screen.labelTransfer->isHidden());
    platform::LogCapture log;
    LoopbackClient control, data;
    logInWithDataConnection(upload.port, control, data);
    EXPECT_EQ(screen.labelClients->text(), "1 client connected");
    TextHistory shown(*screen.labelTransfer);
    ASSERT_TRUE(control.send("STOR new part.pdf\r\n"));
    ASSERT_TRUE(control.waitFor("150 "));
    ASSERT_TRUE(data.send(std::string(1500, 'x')));
    ASSERT_TRUE(runMainLoopUntil([&] { return screen.labelTransfer->text() == "Receiving new part.pdf: 1.5 kB"; }));
    data.close();
    ASSERT_TRUE(control.waitFor("226 "));
    EXPECT_TRUE(runMainLoopUntil([&] { return log.contains("fileListChanged"); }));
    EXPECT_EQ(platform::readFile(upload.docs.path() + "/new part.pdf").value_or("").size(), 1500u);
    EXPECT_EQ(screen.labelTransfer->text(), "Received new part.pdf: 1.5 kB");
    EXPECT_EQ(shown.texts.front(), "Receiving new part.pdf: 0 B");
    EXPECT_FALSE(screen.labelTransfer->isHidden());

    // A client that leaves is no longer counted.
    ASSERT_TRUE(control.send("QUIT\r\n"));
    EXPECT_TRUE(control.waitForClose());
    EXPECT_TRUE(runMainLoopUntil([&] { return screen.labelClients->text() == "No clients connected"; }));
}

TEST(UploadScreen, ADownloadAndABrokenUploadAreReported)
{
    FakeNetwork network("");
    UploadScreen upload;
    auto& screen = *upload.screen;
    upload.docs.write("LM317.pdf", std::string(600 * 1024, 'p'));   // more than one chunk
    LoopbackClient control, data;
    logInWithDataConnection(upload.port, control, data);
    LoopbackClient second;
    ASSERT_TRUE(second.connect(upload.port));
    EXPECT_TRUE(runMainLoopUntil([&] { return screen.labelClients->text() == "2 clients connected"; }));

    TextHistory shown(*screen.labelTransfer);
    ASSERT_TRUE(control.send("RETR LM317.pdf\r\n"));
    EXPECT_TRUE(data.waitForClose(10.0));
    ASSERT_TRUE(control.waitFor("226 "));
    EXPECT_EQ(data.received().size(), 600u * 1024);
    ASSERT_GE(shown.texts.size(), 3u);
    EXPECT_EQ(shown.texts.front(), "Sending LM317.pdf: 0 B of 614 kB");
    EXPECT_EQ(shown.texts[1], "Sending LM317.pdf: 262 kB of 614 kB");   // one chunk written
    EXPECT_EQ(shown.texts.back(), "Sent LM317.pdf: 614 kB");

    // An upload whose data connection breaks off.
    LoopbackClient data2;
    control.close();
    LoopbackClient control2;
    logInWithDataConnection(upload.port, control2, data2);
    ASSERT_TRUE(control2.send("STOR half.pdf\r\n"));
    ASSERT_TRUE(control2.waitFor("150 "));
    ASSERT_TRUE(data2.send(std::string(2000, 'h')));
    ASSERT_TRUE(runMainLoopUntil([&] { return screen.labelTransfer->text() == "Receiving half.pdf: 2.0 kB"; }));
    data2.reset();
    ASSERT_TRUE(control2.waitFor("426 "));
    EXPECT_EQ(screen.labelTransfer->text(), "Receiving half.pdf stopped after 2.0 kB");
}
