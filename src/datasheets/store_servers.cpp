#include "datasheets/store_servers.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace ohmkit::datasheets {

void StoreServerOptions::setMaxClients(std::size_t count)
{
    ftpLimits.maxClients = count;
    httpLimits.maxClients = static_cast<unsigned>(std::min<std::size_t>(count, 1u << 20));
}

void StoreServerOptions::setMaxPerAddress(std::size_t count)
{
    ftpLimits.maxPerAddress = count;
    httpLimits.maxPerAddress = static_cast<unsigned>(std::min<std::size_t>(count, 1u << 20));
}

void StoreServerOptions::setIdleTimeout(double seconds)
{
    ftpLimits.idleTimeout = seconds;
    // The browser server counts whole seconds, at least one.
    httpLimits.idleTimeout = static_cast<unsigned>(std::clamp(std::ceil(seconds), 1.0, 1e9));
}

void StoreServers::start(platform::RunLoop& loop, const std::string& folder, const StoreServerOptions& options,
                         std::shared_ptr<net::ServerObserver> ftpObserver,
                         std::shared_ptr<net::ServerObserver> httpObserver)
{
    stop();
    browser_ = http::HttpServer::start(loop, options.httpPort, folder, std::move(httpObserver), options.httpLimits);
    ftp_ = ftp::FtpServer::create(options.ftpPort, folder, std::move(ftpObserver), options.ftpLimits, &loop);
}

void StoreServers::stop()
{
    if (ftp_) {
        ftp_->stopFtpServer();
        ftp_.reset();
    }
    if (browser_) {
        browser_->stop();
        browser_.reset();
    }
}

}  // namespace ohmkit::datasheets
