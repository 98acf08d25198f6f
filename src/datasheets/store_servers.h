#pragma once
// StoreServers: the two servers of the datasheet store, started and stopped together. The
// upload screen and `ohmkit serve` both run them through this object, so both start them in
// one order (the browser server first: its address leads the page; then FTP) and stop them in
// the other, and one set of limits reaches both where a limit means the same to both.
// Threading: the run loop it is given. Ownership: it owns both servers; stop() or its
// destruction closes every connection and both ports.
#include "ftp/ftp_server.h"
#include "http/http_server.h"

#include <cstddef>
#include <memory>
#include <string>

namespace ohmkit::datasheets {

struct StoreServerOptions {
    unsigned ftpPort = 2121;
    unsigned httpPort = http::kDefaultHttpPort;   // or, when taken, the next free after it
    ftp::FtpLimits ftpLimits;
    http::HttpLimits httpLimits;

    // The limits both servers have: clients in all, clients from one address, seconds a
    // connection may stay idle.
    void setMaxClients(std::size_t count);
    void setMaxPerAddress(std::size_t count);
    void setIdleTimeout(double seconds);
};

class StoreServers {
public:
    StoreServers() = default;
    ~StoreServers() { stop(); }
    StoreServers(const StoreServers&) = delete;
    StoreServers& operator=(const StoreServers&) = delete;

    // Starts both on `folder`, each reporting to its observer (none: nobody listens). A port
    // that cannot be opened leaves that server not listening; the other runs all the same.
    void start(platform::RunLoop& loop, const std::string& folder, const StoreServerOptions& options,
               std::shared_ptr<net::ServerObserver> ftpObserver, std::shared_ptr<net::ServerObserver> httpObserver);
    // Stops FTP, then the browser server, and lets both go. Idempotent.
    void stop();

    const std::shared_ptr<ftp::FtpServer>& ftp() const { return ftp_; }
    const std::shared_ptr<http::HttpServer>& browser() const { return browser_; }
    bool running() const { return ftp_ || browser_; }

private:
    std::shared_ptr<ftp::FtpServer> ftp_;
    std::shared_ptr<http::HttpServer> browser_;
};

}  // namespace ohmkit::datasheets
