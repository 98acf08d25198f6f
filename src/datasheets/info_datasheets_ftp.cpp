#include "datasheets/info_datasheets_ftp.h"

#include <charconv>
#include <cstdlib>
#include <cstring>

#include "app/utils.h"
#include "datasheets/network_controller.h"
#include "platform/files.h"
#include "platform/log.h"
#include "platform/strings.h"
#include "platform/text.h"
#include "ui/application.h"

namespace ohmkit::datasheets {

using platform::format;

namespace {

// Shown when the page resource is missing, so that the address is still there.
const char* const kFallbackPage = "<html><body><p>Connect an FTP client to: <b>_LINK_</b></p></body></html>";

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

InfoDatasheetsFTP::InfoDatasheetsFTP() : InfoDatasheetsFTP(uploadPort()) {}

InfoDatasheetsFTP::InfoDatasheetsFTP(unsigned port) : ui::ViewController("InfoDatasheetsFTP"), port_(port) {}

InfoDatasheetsFTP::~InfoDatasheetsFTP()
{
    // Only reached once the server has let go of this screen (releaseAll has run) or when
    // the screen never served; the timer and the display switch are left in order either way.
    releaseAll();
}

void InfoDatasheetsFTP::loadView()
{
    setTitle("FTP upload");
    webView = addOutlet<ui::WebView>("webView");
    labelIPAddress = addOutlet<ui::Label>("labelIPAddress");
    labelDeviceInfo = addOutlet<ui::Label>("labelDeviceInfo");
    labelRX = addOutlet<ui::Label>("labelRX");
    labelTX = addOutlet<ui::Label>("labelTX");
    labelRX->setText("RX");
    labelTX->setText("TX");
}

std::string InfoDatasheetsFTP::pageWithLink(const std::string& page, const std::string& address, unsigned port)
{
    // Step 4: the link, or the network error text when there is no usable address.
    std::string link;
    if (address.size() < 6)
        link = platform::localizedString("NETWORK_ERROR", "Localizable", "");
    else
        link = format("ftp://%s:%u", address.c_str(), port);
    // Step 5: every placeholder.
    return platform::replaceAll(page, "_LINK_", link);
}

void InfoDatasheetsFTP::viewDidLoad()
{
    // 1. Both indicators start hidden.
    labelRX->setHidden(true);
    labelTX->setHidden(true);
    // 2. The page.
    std::string page = kFallbackPage;
    if (auto path = platform::resourcePath("HtmlFTP", "html"); !path.empty())
        if (auto text = platform::readFile(path)) page = *text;
    // 3. The address clients connect to.
    const std::string address = NetworkController::localWifiIPAddress();
    // 4. and 5. The link in every placeholder; the page has no base address.
    webView->loadHTMLString(pageWithLink(page, address, port_), "");
    // 6. The storage line now, then every second.
    onTimerDeviceInfo(nullptr);
    std::weak_ptr<ui::ViewController> weak = weak_from_this();
    timerInfo = platform::Timer::schedule(platform::RunLoop::main(), 1.0, true, [weak](platform::Timer& timer) {
        if (auto self = std::static_pointer_cast<InfoDatasheetsFTP>(weak.lock())) self->onTimerDeviceInfo(&timer);
    });
    // 7. The folder served.
    const std::string baseDir = platform::documentsDirectory();
    platform::logFormat("Base dir: %s", baseDir.c_str());
    // 8. No dimming while files may arrive.
    ui::Application::shared().setIdleTimerDisabled(true);
    idleTimerOff_ = true;
    // 9. The server, with this screen as the observer of its activity.
    std::shared_ptr<ftp::FtpServerObserver> observer(shared_from_this(), static_cast<ftp::FtpServerObserver*>(this));
    server = ftp::FtpServer::create(port_, baseDir, std::move(observer));
}

void InfoDatasheetsFTP::onTimerDeviceInfo(platform::Timer*)
{
    labelDeviceInfo->setText(format("Device: %dMb, %dMb free", app::Utils::getTotalSpace(), app::Utils::getFreeSpace()));
}

void InfoDatasheetsFTP::flash(ui::Label* indicator)
{
    indicator->setHidden(false);
    // Every event hides its indicator 0.2 s later, even if a later event showed it again.
    // The pending hiding keeps the screen (and so its labels) alive until it has run.
    std::shared_ptr<ui::ViewController> self = shared_from_this();
    app::Utils::runAfterDelay(0.2f, [self, indicator] { indicator->setHidden(true); });
}

void InfoDatasheetsFTP::didDataSend() { flash(labelTX); }

void InfoDatasheetsFTP::didDataReceived() { flash(labelRX); }

void InfoDatasheetsFTP::didReceiveFileListChanged() { platform::logLine("fileListChanged"); }

void InfoDatasheetsFTP::didMoveToParentViewController(ui::ViewController* parent)
{
    if (!parent) releaseAll();
}

void InfoDatasheetsFTP::releaseAll()
{
    // 1. Stop the server: every client connection and the listening port close, and the
    //    server lets go of this screen.
    if (server) {
        server->stopFtpServer();
        server.reset();
    }
    // 2. Stop the timer.
    if (timerInfo) {
        timerInfo->invalidate();
        timerInfo.reset();
    }
    // 3. The display may dim again.
    if (idleTimerOff_) {
        idleTimerOff_ = false;
        ui::Application::shared().setIdleTimerDisabled(false);
    }
}

}  // namespace ohmkit::datasheets
