#include "socket_test_support.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/text.h"

namespace ohmkit::net::test {

void Recorder::onSocketDidAcceptNewSocket(EventSocket& sock, const std::shared_ptr<EventSocket>& newSocket)
{
    events.push_back("didAcceptNewSocket");
    if (adopt) accepted.push_back(newSocket);
    if (delegateForNew) newSocket->setDelegate(delegateForNew);
    if (onAccept) onAccept(sock, newSocket);
}

platform::RunLoop* Recorder::onSocketWantsRunLoopForNewSocket(EventSocket&, const std::shared_ptr<EventSocket>&)
{
    events.push_back("wantsRunLoopForNewSocket");
    return loopForNew;
}

bool Recorder::onSocketWillConnect(EventSocket& sock)
{
    events.push_back("willConnect");
    return onWillConnect ? onWillConnect(sock) : true;
}

void Recorder::onSocketDidConnectToHost(EventSocket& sock, const std::string& host, std::uint16_t port)
{
    events.push_back("didConnectToHost " + host + " " + std::to_string(port));
    connectedHost = host;
    connectedPort = port;
    if (onConnect) onConnect(sock);
}

void Recorder::onSocketDidReadData(EventSocket& sock, std::string_view bytes, std::int32_t tag)
{
    events.push_back("didReadData " + std::to_string(tag));
    data.append(bytes);
    chunks.emplace_back(std::string(bytes), tag);
    if (onRead) onRead(sock, bytes, tag);
}

void Recorder::onSocketDidWriteDataWithTag(EventSocket& sock, std::int32_t tag)
{
    events.push_back("didWriteDataWithTag " + std::to_string(tag));
    writeTags.push_back(tag);
    if (onWrite) onWrite(sock, tag);
}

bool Recorder::onReadStreamEnded(EventSocket& sock)
{
    events.push_back("readStreamEnded");
    ++readStreamEnded;
    return onEnded ? onEnded(sock) : true;
}

void Recorder::onSocketWillDisconnectWithError(EventSocket& sock, const std::optional<Error>& error)
{
    events.push_back("willDisconnectWithError " + (error ? error->domain + " " + std::to_string(error->code) : "none"));
    disconnectErrors.push_back(error);
    if (onWillDisconnect) onWillDisconnect(sock, error);
}

void Recorder::onSocketDidDisconnect(EventSocket& sock)
{
    events.push_back("didDisconnect");
    ++didDisconnect;
    if (onDidDisconnect) onDidDisconnect(sock);
}

bool Recorder::saw(const std::string& event) const
{
    for (const auto& e : events)
        if (e == event) return true;
    return false;
}

// ---- Peer

Peer::~Peer() { close(); }

bool Peer::connect(const std::string& address, std::uint16_t port)
{
    sockaddr_storage ss{};
    socklen_t len;
    if (address.find(':') != std::string::npos) {
        auto* a = reinterpret_cast<sockaddr_in6*>(&ss);
        a->sin6_family = AF_INET6;
        a->sin6_port = htons(port);
        if (::inet_pton(AF_INET6, address.c_str(), &a->sin6_addr) != 1) return false;
        len = sizeof *a;
    } else {
        auto* a = reinterpret_cast<sockaddr_in*>(&ss);
        a->sin_family = AF_INET;
        a->sin_port = htons(port);
        if (::inet_pton(AF_INET, address.c_str(), &a->sin_addr) != 1) return false;
        len = sizeof *a;
    }
    fd_ = ::socket(ss.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0) return false;
    if (::connect(fd_, reinterpret_cast<sockaddr*>(&ss), len) != 0) {
        error_ = errno;
        close();
        return false;
    }
    ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) | O_NONBLOCK);
    return true;
}

bool Peer::send(const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd p{fd_, POLLOUT, 0};
            if (::poll(&p, 1, 5000) <= 0) return false;
        } else if (n < 0 && errno != EINTR) {
            error_ = errno;
            return false;
        }
    }
    return true;
}

std::size_t Peer::drain()
{
    std::size_t total = 0;
    char buffer[65536];
    while (fd_ >= 0 && !atEnd_) {
        ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
        if (n > 0) {
            received.append(buffer, static_cast<std::size_t>(n));
            total += static_cast<std::size_t>(n);
        } else if (n == 0) {
            atEnd_ = true;
        } else {
            if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
                error_ = errno;
                atEnd_ = true;
            }
            break;
        }
    }
    return total;
}

void Peer::shutdownWrite()
{
    if (fd_ >= 0) ::shutdown(fd_, SHUT_WR);
}

void Peer::reset()
{
    if (fd_ < 0) return;
    linger l{1, 0};
    ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &l, sizeof l);
    close();
}

void Peer::close()
{
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

std::uint16_t Peer::localPort() const
{
    sockaddr_storage ss{};
    socklen_t len = sizeof ss;
    if (::getsockname(fd_, reinterpret_cast<sockaddr*>(&ss), &len) != 0) return 0;
    return ntohs(reinterpret_cast<sockaddr_in*>(&ss)->sin_port);   // same offset for IPv6
}

bool connect(platform::RunLoop& loop, Connection& c, Recorder& serverDelegate)
{
    c.listenerDelegate.delegateForNew = &serverDelegate;
    c.listener = EventSocket::create(&c.listenerDelegate, &loop);
    if (!c.listener->acceptOnAddress("127.0.0.1", 0)) return false;
    if (!c.peer.connect("127.0.0.1", c.listener->localPort())) return false;
    if (!loop.runUntil([&] { return !c.listenerDelegate.accepted.empty(); }, Watchdog)) return false;
    c.server = c.listenerDelegate.accepted.front();
    return loop.runUntil([&] { return (c.server->flags() & EventSocket::ConnectReported) != 0; }, Watchdog);
}

void runFor(platform::RunLoop& loop, std::chrono::milliseconds duration)
{
    auto end = std::chrono::steady_clock::now() + duration;
    loop.runUntil([&] { return std::chrono::steady_clock::now() >= end; }, duration + 1s);
}

}  // namespace ohmkit::net::test
