#include "http/http_connections.h"

#include "http/http_server.h"
#include "platform/log.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <microhttpd.h>

#include <cstring>

namespace ohmkit::http {

bool admitsConnection(std::size_t total, std::size_t fromAddress, unsigned maxClients, unsigned maxPerAddress)
{
    if (fromAddress >= maxPerAddress) return false;
    if (fromAddress == 0) return true;
    const std::size_t kept = maxClients / 4;   // places only an address holding none gets
    return total + kept < maxClients;
}

std::string comparableAddress(const sockaddr* address)
{
    char text[INET6_ADDRSTRLEN] = {};
    if (!address) return {};
    if (address->sa_family == AF_INET) {
        sockaddr_in v4{};
        std::memcpy(&v4, address, sizeof v4);
        return ::inet_ntop(AF_INET, &v4.sin_addr, text, sizeof text) ? text : "";
    }
    if (address->sa_family != AF_INET6) return {};
    sockaddr_in6 v6{};
    std::memcpy(&v6, address, sizeof v6);
    if (IN6_IS_ADDR_V4MAPPED(&v6.sin6_addr)) {
        in_addr v4{};
        std::memcpy(&v4, v6.sin6_addr.s6_addr + 12, sizeof v4);
        return ::inet_ntop(AF_INET, &v4, text, sizeof text) ? text : "";
    }
    return ::inet_ntop(AF_INET6, &v6.sin6_addr, text, sizeof text) ? text : "";
}

HttpConnections::HttpConnections(platform::RunLoop& loop, const HttpLimits& limits)
    : loop_(loop), maxClients_(limits.maxClients), maxPerAddress_(limits.maxPerAddress),
      headerTimeout_(limits.headerTimeout)
{
}

HttpConnections::~HttpConnections() = default;

bool HttpConnections::admits(const sockaddr* address)
{
    const std::string key = comparableAddress(address);
    auto it = perAddress_.find(key);
    const std::size_t holds = it == perAddress_.end() ? 0 : it->second;
    if (admitsConnection(open_.size(), holds, maxClients_, maxPerAddress_)) return true;
    if (holds >= maxPerAddress_)
        platform::logFormat("HTTP: %s holds %zu connections, the most one address may, refused", key.c_str(), holds);
    else
        platform::logFormat("HTTP: %s holds %zu connections and the last places are kept for others, refused",
                            key.c_str(), holds);
    return false;
}

void HttpConnections::opened(MHD_Connection* connection)
{
    Open open;
    const MHD_ConnectionInfo* info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
    if (info) open.address = comparableAddress(info->client_addr);
    info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
    if (info) open.fd = info->connect_fd;
    ++perAddress_[open.address];
    auto [it, inserted] = open_.insert_or_assign(connection, std::move(open));
    (void)inserted;
    startDeadline(connection, it->second);
}

void HttpConnections::closed(MHD_Connection* connection)
{
    auto it = open_.find(connection);
    if (it == open_.end()) return;
    auto count = perAddress_.find(it->second.address);
    if (count != perAddress_.end() && --count->second == 0) perAddress_.erase(count);
    open_.erase(it);   // its deadline with it
}

void HttpConnections::headersComplete(MHD_Connection* connection)
{
    auto it = open_.find(connection);
    if (it != open_.end()) it->second.deadline.reset();
}

void HttpConnections::requestEnded(MHD_Connection* connection)
{
    auto it = open_.find(connection);
    if (it != open_.end()) startDeadline(connection, it->second);
}

void HttpConnections::startDeadline(MHD_Connection* connection, Open& open)
{
    if (headerTimeout_ == 0) return;
    open.deadline = platform::Timer::schedule(loop_, headerTimeout_, false,
                                              [this, connection](platform::Timer&) { deadlinePassed(connection); });
}

void HttpConnections::deadlinePassed(MHD_Connection* connection)
{
    auto it = open_.find(connection);
    if (it == open_.end() || it->second.fd < 0) return;
    platform::logFormat("HTTP: %s sent no whole request within %u s, closing", it->second.address.c_str(),
                        headerTimeout_);
    // The socket stays the library's to close: shut down, it reads as ended, and the
    // library lets the connection go on its next pass, which the socket's event starts.
    ::shutdown(it->second.fd, SHUT_RDWR);
}

}  // namespace ohmkit::http
