#include "datasheets/info_datasheets_ftp.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>

#include "datasheets/datasheet_files.h"
#include "datasheets/network_controller.h"
#include "platform/files.h"
#include "platform/log.h"
#include "platform/strings.h"
#include "platform/text.h"
#include "ui/application.h"
#include "ui/utils.h"

namespace ohmkit::datasheets {

using platform::format;

namespace {

// Shown when a page resource is missing, so that what matters is still there.
const char* const kFallbackPage =
    "<html><body><!--WEB--><p>Open in a web browser: <b>_WEBLINK_</b></p><!--/WEB-->"
    "<p>Or connect an FTP client to: <b>_LINK_</b></p></body></html>";
const char* const kFallbackNoNetworkPage = "<html><body><p>_LINK_</p></body></html>";
const char* const kFallbackStoppedPage = "<html><body><p>_REASON_</p></body></html>";

std::string pageResource(const char* name, const char* fallback)
{
    if (auto path = platform::resourcePath(name, "html"); !path.empty())
        if (auto text = platform::readFile(path)) return *text;
    return fallback;
}

// The error of binding a fresh listening socket of `family` to `port` on every address, as the
// server's own listener does; 0 when that works.
int bindError(int family, unsigned port)
{
    const int fd = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return errno;
    int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    int rc;
    if (family == AF_INET6) {
        ::setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &one, sizeof one);
        sockaddr_in6 address{};
        address.sin6_family = AF_INET6;
        address.sin6_port = htons(static_cast<std::uint16_t>(port));
        address.sin6_addr = in6addr_any;
        rc = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    } else {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_ANY);
        rc = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    }
    const int error = rc == 0 ? 0 : errno;
    ::close(fd);
    return error;
}

}  // namespace

unsigned uploadPort()
{
    const char* text = std::getenv("OHMKIT_FTP_PORT");
    if (!text || !*text) return kDefaultUploadPort;
    unsigned value = 0;
    const char* end = text + std::strlen(text);
    auto [stop, ec] = std::from_chars(text, end, value);
    if (ec != std::errc() || stop != end || value < 1 || value > 65535) return kDefaultUploadPort;
    return value;
}

InfoDatasheetsFTP::InfoDatasheetsFTP() : InfoDatasheetsFTP(uploadPort(), http::preferredHttpPort()) {}

InfoDatasheetsFTP::InfoDatasheetsFTP(unsigned port, unsigned httpPort)
    : ui::ViewController("InfoDatasheetsFTP"), port_(port), httpPort_(httpPort)
{
}

namespace {

// Passes a server's notifications on to the screen while the screen exists. The server holds
// this, not the screen, so a screen that goes away without being told it left still stops its
// servers (in its destructor). The browser server's connections are counted apart from FTP's
// clients; its other reports show on the same lights and lines.
class ScreenObserver : public net::ServerObserver {
public:
    ScreenObserver(std::weak_ptr<InfoDatasheetsFTP> screen, bool browser) : screen_(std::move(screen)), browser_(browser) {}
    void didDataReceived() override
    {
        if (auto s = screen_.lock()) s->didDataReceived();
    }
    void didDataSend() override
    {
        if (auto s = screen_.lock()) s->didDataSend();
    }
    void didReceiveFileListChanged() override
    {
        if (auto s = screen_.lock()) s->didReceiveFileListChanged();
    }
    void didChangeConnectionCount(std::size_t count) override
    {
        auto s = screen_.lock();
        if (s && browser_)
            s->didChangeBrowserConnectionCount(count);
        else if (s)
            s->didChangeConnectionCount(count);
    }
    void didTransferProgress(const ftp::FileTransfer& transfer) override
    {
        if (auto s = screen_.lock()) s->didTransferProgress(transfer);
    }
    void didTransferEnd(const ftp::FileTransfer& transfer, bool complete) override
    {
        if (auto s = screen_.lock()) s->didTransferEnd(transfer, complete);
    }

private:
    std::weak_ptr<InfoDatasheetsFTP> screen_;
    bool browser_;
};

}  // namespace

InfoDatasheetsFTP::~InfoDatasheetsFTP() { releaseAll(); }

void InfoDatasheetsFTP::loadView()
{
    setTitle("FTP upload");
    webView = addOutlet<ui::WebView>("webView");
    labelIPAddress = addOutlet<ui::Label>("labelIPAddress");
    labelDeviceInfo = addOutlet<ui::Label>("labelDeviceInfo");
    labelRX = addOutlet<ui::Label>("labelRX");
    labelTX = addOutlet<ui::Label>("labelTX");
    labelServerStatus = addOutlet<ui::Label>("labelServerStatus");
    labelServerError = addOutlet<ui::Label>("labelServerError");
    labelClients = addOutlet<ui::Label>("labelClients");
    labelTransfer = addOutlet<ui::Label>("labelTransfer");
    labelRX->setText("RX");
    labelTX->setText("TX");
    labelServerStatus->setText("FTP server running");
    labelServerError->setHidden(true);
    labelTransfer->setHidden(true);
    didChangeConnectionCount(0);
}

std::string InfoDatasheetsFTP::pageWithLink(const std::string& page, const std::string& address, unsigned port)
{
    // The link, or the network error text when there is no usable address.
    std::string link;
    if (address.size() < 6)
        link = platform::localizedString("NETWORK_ERROR", "Localizable", "");
    else
        link = format("ftp://%s:%u", address.c_str(), port);
    // Every placeholder.
    return platform::replaceAll(page, "_LINK_", link);
}

std::string InfoDatasheetsFTP::pageWithWebLink(std::string page, const std::string& webAddress,
                                               const std::string& webProblem)
{
    if (!webAddress.empty()) return platform::replaceAll(std::move(page), "_WEBLINK_", webAddress);
    const auto begin = page.find("<!--WEB-->");
    const auto end = page.find("<!--/WEB-->");
    if (begin == std::string::npos || end == std::string::npos || end < begin)
        return platform::replaceAll(std::move(page), "_WEBLINK_", webProblem);
    return page.replace(begin, end + std::strlen("<!--/WEB-->") - begin, "<p>" + webProblem + "</p>");
}

std::string InfoDatasheetsFTP::servingPage(const std::string& address, unsigned port, const std::string& webAddress,
                                           const std::string& webProblem)
{
    // Without an address the instructions would paste the error text into commands; the
    // no-network page carries it as a sentence of its own.
    if (address.size() < 6) return pageWithLink(pageResource("HtmlFTPNoNetwork", kFallbackNoNetworkPage), address, port);
    return pageWithWebLink(pageWithLink(pageResource("HtmlFTP", kFallbackPage), address, port), webAddress, webProblem);
}

std::string InfoDatasheetsFTP::stoppedPage(const std::string& reason)
{
    return platform::replaceAll(pageResource("HtmlFTPStopped", kFallbackStoppedPage), "_REASON_", reason);
}

std::string InfoDatasheetsFTP::listenFailure(unsigned port)
{
    int error = bindError(AF_INET, port);
    if (error == 0) error = bindError(AF_INET6, port);
    if (error == EAFNOSUPPORT || error == EADDRNOTAVAIL) error = 0;   // no IPv6 here: not the reason
    switch (error) {
    case EADDRINUSE: return format("port %u is in use", port);
    case EACCES:
    case EPERM: return format("port %u needs administrator rights", port);
    case 0: return format("port %u could not be opened", port);
    default: break;
    }
    std::string text = std::strerror(error);
    if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z') text[0] = static_cast<char>(text[0] - 'A' + 'a');
    return format("port %u: %s", port, text.c_str());
}

void InfoDatasheetsFTP::viewDidLoad()
{
    // Both indicators start hidden.
    labelRX->setHidden(true);
    labelTX->setHidden(true);
    // Both servers, each with this screen as the observer of its activity (the browser
    // server's address leads the page).
    const std::string baseDir = platform::documentsDirectory();
    const auto screen = std::static_pointer_cast<InfoDatasheetsFTP>(shared_from_this());
    StoreServerOptions options;
    options.ftpPort = port_;
    options.httpPort = httpPort_;
    servers.start(platform::RunLoop::main(), baseDir, options, std::make_shared<ScreenObserver>(screen, false),
                  std::make_shared<ScreenObserver>(screen, true));
    const auto& browserServer = servers.browser();
    const std::string address = NetworkController::localWifiIPAddress();
    std::string webAddress, webProblem;
    if (browserServer->isListening()) {
        webAddress = browserServer->pageAddress(address);
    } else {
        webProblem = httpPort_ == 0 ? std::string("The browser page could not be opened.")
                                    : format("The browser page could not be opened: ports %u to %u are in use.",
                                             httpPort_, std::min(65535u, httpPort_ + http::kPortFallbacks));
        platform::logFormat("HTTP server could not start: %s", webProblem.c_str());
    }
    // The page with the addresses clients connect to; it has no base address.
    webView->loadHTMLString(servingPage(address, port_, webAddress, webProblem), "");
    // The storage line now, then every second.
    onTimerDeviceInfo(nullptr);
    std::weak_ptr<ui::ViewController> weak = weak_from_this();
    timerInfo = platform::Timer::schedule(platform::RunLoop::main(), 1.0, true, [weak](platform::Timer& timer) {
        if (auto self = std::static_pointer_cast<InfoDatasheetsFTP>(weak.lock())) self->onTimerDeviceInfo(&timer);
    });
    // The folder served.
    platform::logFormat("Base dir: %s", baseDir.c_str());
    // No dimming while files may arrive.
    ui::Application::shared().setIdleTimerDisabled(true);
    idleTimerOff_ = true;
    if (!servers.ftp()->isListening()) {
        // Nothing to connect to: say why, and offer no address.
        const std::string reason = listenFailure(port_);
        platform::logFormat("FTP server could not start: %s", reason.c_str());
        labelServerStatus->setHidden(true);
        labelClients->setHidden(true);
        labelServerError->setText("FTP server could not start: " + reason);
        labelServerError->setHidden(false);
        webView->loadHTMLString(stoppedPage(labelServerError->text()), "");
    }
}

void InfoDatasheetsFTP::onTimerDeviceInfo(platform::Timer*)
{
    labelDeviceInfo->setText(format("Device: %dMb, %dMb free", ui::Utils::getTotalSpace(), ui::Utils::getFreeSpace()));
}

void InfoDatasheetsFTP::flash(ui::Label* indicator)
{
    indicator->setHidden(false);
    // Every event hides its indicator 0.2 s later, even if a later event showed it again.
    // The pending hiding keeps the screen (and so its labels) alive until it has run.
    std::shared_ptr<ui::ViewController> self = shared_from_this();
    ui::Utils::runAfterDelay(0.2f, [self, indicator] { indicator->setHidden(true); });
}

void InfoDatasheetsFTP::didDataSend() { flash(labelTX); }

void InfoDatasheetsFTP::didDataReceived() { flash(labelRX); }

void InfoDatasheetsFTP::didReceiveFileListChanged() { platform::logLine("fileListChanged"); }

void InfoDatasheetsFTP::didChangeConnectionCount(std::size_t count)
{
    ftpClients_ = count;
    showClients();
}

void InfoDatasheetsFTP::didChangeBrowserConnectionCount(std::size_t count)
{
    browserConnections_ = count;
    showClients();
}

void InfoDatasheetsFTP::showClients()
{
    // A browser opens and closes several connections for one page: it counts as one.
    const std::string ftp = ftpClients_ == 0   ? std::string("No clients connected")
                            : ftpClients_ == 1 ? std::string("1 client connected")
                                               : format("%zu clients connected", ftpClients_);
    if (browserConnections_ == 0)
        labelClients->setText(ftp);
    else
        labelClients->setText(ftpClients_ == 0 ? std::string("A browser is connected") : ftp + ", and a browser");
}

void InfoDatasheetsFTP::didTransferProgress(const ftp::FileTransfer& transfer)
{
    // Sizes in human units change the text (and so the screen) only every few kilobytes.
    const std::string moved = humanSize(transfer.bytes);
    if (transfer.upload)
        labelTransfer->setText(format("Receiving %s: %s", transfer.name.c_str(), moved.c_str()));
    else
        labelTransfer->setText(format("Sending %s: %s of %s", transfer.name.c_str(), moved.c_str(),
                                      humanSize(transfer.total).c_str()));
    labelTransfer->setHidden(false);
}

void InfoDatasheetsFTP::didTransferEnd(const ftp::FileTransfer& transfer, bool complete)
{
    const std::string moved = humanSize(transfer.bytes);
    const char* name = transfer.name.c_str();
    if (complete)
        labelTransfer->setText(format(transfer.upload ? "Received %s: %s" : "Sent %s: %s", name, moved.c_str()));
    else
        labelTransfer->setText(
            format(transfer.upload ? "Receiving %s stopped after %s" : "Sending %s stopped after %s", name, moved.c_str()));
    labelTransfer->setHidden(false);
}

void InfoDatasheetsFTP::didMoveToParentViewController(ui::ViewController* parent)
{
    if (!parent) releaseAll();
}

void InfoDatasheetsFTP::releaseAll()
{
    // Stop the servers: every client connection and the listening ports close, an upload
    // under way leaves nothing, and the servers let go of this screen.
    servers.stop();
    if (timerInfo) {
        timerInfo->invalidate();
        timerInfo.reset();
    }
    // The display may dim again.
    if (idleTimerOff_) {
        idleTimerOff_ = false;
        ui::Application::shared().setIdleTimerDisabled(false);
    }
}

}  // namespace ohmkit::datasheets
