// EventSocket's queries: connected and local addresses as text, and the description line.
#include "net/event_socket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstring>

#include "net/event_socket_internal.h"
#include "net/socket_object.h"
#include "platform/stream_pair.h"
#include "platform/text.h"

namespace ohmkit::net {

using detail::identity;
using detail::isOpenish;
using platform::format;
using platform::StreamStatus;

namespace {

const char* hostText(const std::optional<std::string>& host) { return host ? host->c_str() : "(null)"; }

}  // namespace

// ---- Queries --------------------------------------------------------------------------------

bool EventSocket::isConnected() const
{
    const SocketObject* s = theSocket_ ? theSocket_.get() : theSocket6_.get();
    if (!s || !s->isValid() || !theReadStream_ || !theWriteStream_) return false;
    return isOpenish(theReadStream_->status(), StreamStatus::Reading) &&
           isOpenish(theWriteStream_->status(), StreamStatus::Writing);
}

std::optional<std::string> EventSocket::connectedHost() const
{
    return connectedHost(theSocket_ ? theSocket_.get() : theSocket6_.get());
}

std::uint16_t EventSocket::connectedPort() const
{
    return connectedPort(theSocket_ ? theSocket_.get() : theSocket6_.get());
}

std::optional<std::string> EventSocket::localHost() const
{
    return localHost(theSocket_ ? theSocket_.get() : theSocket6_.get());
}

std::uint16_t EventSocket::localPort() const { return localPort(theSocket_ ? theSocket_.get() : theSocket6_.get()); }

std::optional<std::string> EventSocket::connectedHost(const SocketObject* socket)
{
    return socket ? addressHost(socket->peerAddress()) : std::nullopt;
}

std::uint16_t EventSocket::connectedPort(const SocketObject* socket)
{
    return socket ? addressPort(socket->peerAddress()) : 0;
}

std::optional<std::string> EventSocket::localHost(const SocketObject* socket)
{
    return socket ? addressHost(socket->address()) : std::nullopt;
}

std::uint16_t EventSocket::localPort(const SocketObject* socket)
{
    return socket ? addressPort(socket->address()) : 0;
}

std::optional<Error> EventSocket::getStreamError() const
{
    if (theReadStream_ && theReadStream_->error().code != 0) return errorFromCFStreamError(theReadStream_->error());
    if (theWriteStream_ && theWriteStream_->error().code != 0) return errorFromCFStreamError(theWriteStream_->error());
    return std::nullopt;
}

std::optional<std::string> EventSocket::addressHost(const std::optional<std::string>& address)
{
    if (!address) return std::nullopt;
    const std::string& bytes = *address;
    char text[46] = {};
    const char* ok = nullptr;
    sa_family_t family = 0;
    if (bytes.size() >= sizeof family) std::memcpy(&family, bytes.data(), sizeof family);
    if (family == AF_INET && bytes.size() >= sizeof(sockaddr_in)) {
        sockaddr_in a{};
        std::memcpy(&a, bytes.data(), sizeof a);
        ok = ::inet_ntop(AF_INET, &a.sin_addr, text, sizeof text);
    } else if (family != AF_INET && bytes.size() >= sizeof(sockaddr_in6)) {
        sockaddr_in6 a{};
        std::memcpy(&a, bytes.data(), sizeof a);
        ok = ::inet_ntop(AF_INET6, &a.sin6_addr, text, sizeof text);
    }
    if (!ok) throw EventSocketException("Cannot convert address to string.", "NSInternalInconsistencyException");
    return std::string(text);
}

std::uint16_t EventSocket::addressPort(const std::optional<std::string>& address)
{
    if (!address || address->size() < 4) return 0;
    std::uint16_t port;
    std::memcpy(&port, address->data() + 2, sizeof port);   // sin_port and sin6_port share the offset
    return ntohs(port);
}

std::string EventSocket::description() const
{
    auto endpoint = [](const SocketObject* s4, const SocketObject* s6, bool peer) -> std::string {
        auto host = [peer](const SocketObject* s) {
            return addressHost(peer ? s->peerAddress() : s->address());
        };
        auto port = [peer](const SocketObject* s) { return addressPort(peer ? s->peerAddress() : s->address()); };
        if (!s4 && !s6) return "nowhere";
        if (s4 && s6)
            return format("%s/%s %u", hostText(host(s4)), hostText(host(s6)), static_cast<unsigned>(port(s4)));
        const SocketObject* s = s4 ? s4 : s6;
        return format("%s %u", hostText(host(s)), static_cast<unsigned>(port(s)));
    };
    std::string d = format("<EventSocket %s", identity(this).c_str());
    d += format(" local %s remote %s ", endpoint(theSocket_.get(), theSocket6_.get(), false).c_str(),
                endpoint(theSocket_.get(), theSocket6_.get(), true).c_str());
    d += format("has queued %d reads %d writes, ", static_cast<int>(theReadQueue_.size()),
                static_cast<int>(theWriteQueue_.size()));
    if (!theCurrentRead_)
        d += "no current read, ";
    else
        d += format("currently read %u bytes (%d%% done), ",
                    static_cast<unsigned>(theCurrentRead_->buffer ? theCurrentRead_->buffer->size() : 0),
                    theCurrentRead_->percentDone());
    if (!theCurrentWrite_)
        d += "no current write, ";
    else
        d += format("currently written %u (%d%%), ", static_cast<unsigned>(theCurrentWrite_->buffer->size()),
                    theCurrentWrite_->percentDone());
    auto status = [](const platform::Stream* s) {
        return platform::streamStatusName(s ? s->status() : StreamStatus::NotOpen);
    };
    d += format("read stream %s %s, write stream %s %s", identity(theReadStream_.get()).c_str(),
                status(theReadStream_.get()), identity(theWriteStream_.get()).c_str(), status(theWriteStream_.get()));
    if (theFlags_ & DisconnectPending) d += ", will disconnect soon";
    if (!isConnected()) d += ", not connected";
    d += ">";
    return d;
}

}  // namespace ohmkit::net
