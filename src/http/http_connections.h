#pragma once
// HttpConnections: the browser server's open connections, as its admission rule and its
// header deadline see them.
//
// Who gets a place: the library caps the connections in all and per address; on top of that
// the last quarter of the places is kept for addresses that hold none yet, so that a few
// clients that open many connections (or hold them open on purpose) never leave a newcomer
// without one. How long a request may take to arrive: a connection whose request line and
// headers are not complete within the header timeout of its start (or of the end of its
// previous request) is closed, whatever it sends in between; once the headers are in, the
// library's idle timeout applies alone.
// Threading: the loop's thread; the library calls in from HttpServer's callbacks.
// Ownership: held by the HttpServer, which destroys it after its daemon.
#include "platform/run_loop.h"

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>

struct sockaddr;
struct MHD_Connection;

namespace ohmkit::http {

struct HttpLimits;

// Whether a connection from an address that holds `fromAddress` of the `total` connections
// open now gets a place: the per-address cap holds, and an address that holds any does not
// get one of the last maxClients / 4 places. The cap in all is the library's.
bool admitsConnection(std::size_t total, std::size_t fromAddress, unsigned maxClients, unsigned maxPerAddress);

// The client address as the limits compare it: an IPv4-mapped IPv6 address is its IPv4
// address. Empty for a family other than IPv4 and IPv6.
std::string comparableAddress(const sockaddr* address);

class HttpConnections {
public:
    HttpConnections(platform::RunLoop& loop, const HttpLimits& limits);
    ~HttpConnections();
    HttpConnections(const HttpConnections&) = delete;
    HttpConnections& operator=(const HttpConnections&) = delete;

    // Asked before the library takes an accepted connection; a refusal is logged.
    bool admits(const sockaddr* address);
    void opened(MHD_Connection* connection);
    void closed(MHD_Connection* connection);
    // The request line and headers of a request have arrived: its deadline is off.
    void headersComplete(MHD_Connection* connection);
    // A request is over: the next one on the same connection has its own deadline.
    void requestEnded(MHD_Connection* connection);

    std::size_t count() const { return open_.size(); }

private:
    struct Open {
        std::string address;
        int fd = -1;
        std::shared_ptr<platform::Timer> deadline;   // none while a request is under way
    };
    void startDeadline(MHD_Connection* connection, Open& open);
    void deadlinePassed(MHD_Connection* connection);

    platform::RunLoop& loop_;
    unsigned maxClients_;
    unsigned maxPerAddress_;
    unsigned headerTimeout_;
    std::unordered_map<MHD_Connection*, Open> open_;
    std::map<std::string, std::size_t> perAddress_;
};

}  // namespace ohmkit::http
