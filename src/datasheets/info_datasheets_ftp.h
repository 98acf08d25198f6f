#pragma once
// The upload screen: while it is shown, a browser upload server (HttpServer) and an FTP server,
// both rooted at the documents directory, run on their ports, and the screen shows the
// addresses to use (the browser's first, FTP's second, and which to use when), the storage figures
// (refreshed every second) and two indicators, RX and TX, that flash for 0.2 second whenever
// a command line or a request arrives, or a reply line or a response has been written. The
// display is kept from dimming.
// Leaving the screen stops the server, which closes every client connection and the port.
//
// The status line says whether the server runs, how many clients are connected and, while a
// file moves, its name, the bytes so far and the direction. When the server cannot listen, the
// screen says why in words and its page offers no address; without a network address the page
// says so in one sentence and what to do, instead of an address to connect to.
#include <memory>
#include <string>

#include "datasheets/store_servers.h"
#include "ftp/ftp_server.h"
#include "ftp/ftp_server_observer.h"
#include "http/http_server.h"
#include "platform/run_loop.h"
#include "ui/view_controller.h"

namespace ohmkit::datasheets {

// The port the upload screen and the serve mode listen on: $OHMKIT_FTP_PORT when it holds a
// port number from 1 to 65535, else 2121.
unsigned uploadPort();
inline constexpr unsigned kDefaultUploadPort = 2121;

class InfoDatasheetsFTP : public ui::ViewController, public ftp::FtpServerObserver {
public:
    InfoDatasheetsFTP();                       // on uploadPort() and http::preferredHttpPort()
    // FTP on `port`, the browser server on `httpPort` (or the next free of the ports after it;
    // 0: any free port).
    InfoDatasheetsFTP(unsigned port, unsigned httpPort);
    ~InfoDatasheetsFTP() override;

    void loadView() override;
    void viewDidLoad() override;
    void didMoveToParentViewController(ui::ViewController* parent) override;

    void onTimerDeviceInfo(platform::Timer* timer);
    // Leaving the screen: stops the server, the timer and the display's wake lock.
    void releaseAll();

    // What the running server reports.
    void didReceiveFileListChanged() override;
    void didDataSend() override;
    void didDataReceived() override;
    void didChangeConnectionCount(std::size_t count) override;
    void didTransferProgress(const ftp::FileTransfer& transfer) override;
    void didTransferEnd(const ftp::FileTransfer& transfer, bool complete) override;
    // The browser server's connections (its other reports come through the calls above).
    void didChangeBrowserConnectionCount(std::size_t count);

    // The page with every "_LINK_" replaced by the link to `address` (or by the network error
    // text when the address is shorter than 6 characters).
    static std::string pageWithLink(const std::string& page, const std::string& address, unsigned port);
    // The page with every "_WEBLINK_" replaced by the browser page's address `webAddress`, or,
    // when that is empty, the part between "<!--WEB-->" and "<!--/WEB-->" replaced by a
    // paragraph saying `webProblem` (why there is no browser page).
    static std::string pageWithWebLink(std::string page, const std::string& webAddress, const std::string& webProblem);
    // The page shown while serving: the instructions with the address, or, without an address
    // (shorter than 6 characters), the page that says how to get one.
    static std::string servingPage(const std::string& address, unsigned port, const std::string& webAddress = {},
                                   const std::string& webProblem = {});
    // The page shown when the server could not listen, saying why (`reason`).
    static std::string stoppedPage(const std::string& reason);
    // Why nothing can listen on `port` right now, in words ("port 2121 is in use").
    static std::string listenFailure(unsigned port);

    unsigned port() const { return port_; }
    unsigned httpPort() const { return httpPort_; }   // the port asked for
    bool isServing() const { return servers.ftp() != nullptr; }

    ui::WebView* webView = nullptr;
    ui::Label* labelIPAddress = nullptr;
    ui::Label* labelDeviceInfo = nullptr;
    ui::Label* labelRX = nullptr;
    ui::Label* labelTX = nullptr;
    ui::Label* labelServerStatus = nullptr;   // "FTP server running"; hidden when it is not
    ui::Label* labelServerError = nullptr;    // why it is not running; hidden while it runs
    ui::Label* labelClients = nullptr;        // "2 clients connected"; hidden when not running
    ui::Label* labelTransfer = nullptr;       // the latest transfer; hidden before the first
    // The running servers, FTP and the browser's. They tell this screen what happens without
    // keeping it alive; leaving the screen, or its end, stops and drops them.
    StoreServers servers;
    std::shared_ptr<platform::Timer> timerInfo;

private:
    void flash(ui::Label* indicator);
    void showClients();
    unsigned port_;
    unsigned httpPort_;
    std::size_t ftpClients_ = 0;
    std::size_t browserConnections_ = 0;
    bool idleTimerOff_ = false;
};

}  // namespace ohmkit::datasheets
