// EventSocket: creation, listening and accepting, connecting, closing. The read and write
// paths are in event_socket_io.cpp, the address and description text in event_socket_text.cpp.
#include "net/event_socket.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <new>

#include "net/event_socket_internal.h"
#include "net/socket_object.h"
#include "platform/log.h"
#include "platform/run_loop.h"
#include "platform/stream_pair.h"
#include "platform/text.h"

namespace ohmkit::net {

using detail::identity;
using detail::isOpenish;
using platform::format;
using platform::logFormat;
using platform::RunLoop;
using platform::StreamStatus;

namespace {

// The one lock of the system: interface-name look-ups of acceptOnAddress run under it.
std::mutex& interfaceLookupLock()
{
    static std::mutex lock;
    return lock;
}

constexpr unsigned ReadStreamEvents = platform::StreamEventOpenCompleted | platform::StreamEventHasBytesAvailable |
                                      platform::StreamEventErrorOccurred | platform::StreamEventEndEncountered;
constexpr unsigned WriteStreamEvents = platform::StreamEventOpenCompleted | platform::StreamEventCanAcceptBytes |
                                       platform::StreamEventErrorOccurred | platform::StreamEventEndEncountered;

}  // namespace

// ---- Delegate defaults: what the socket does for a delegate that does not implement one ----

void EventSocketDelegate::onSocketDidAcceptNewSocket(EventSocket&, const std::shared_ptr<EventSocket>&) {}
RunLoop* EventSocketDelegate::onSocketWantsRunLoopForNewSocket(EventSocket&, const std::shared_ptr<EventSocket>&)
{
    return nullptr;
}
bool EventSocketDelegate::onSocketWillConnect(EventSocket&) { return true; }
void EventSocketDelegate::onSocketDidConnectToHost(EventSocket&, const std::string&, std::uint16_t) {}
void EventSocketDelegate::onSocketDidReadData(EventSocket&, std::string_view, std::int32_t) {}
void EventSocketDelegate::onSocketDidWriteDataWithTag(EventSocket&, std::int32_t) {}
bool EventSocketDelegate::onReadStreamEnded(EventSocket&) { return true; }
void EventSocketDelegate::onSocketWillDisconnectWithError(EventSocket&, const std::optional<Error>&) {}
void EventSocketDelegate::onSocketDidDisconnect(EventSocket&) {}

// ---- Creation and destruction ---------------------------------------------------------------

std::shared_ptr<EventSocket> EventSocket::create(EventSocketDelegate* delegate, RunLoop* loop)
{
    return std::make_shared<EventSocket>(delegate, loop ? *loop : RunLoop::main());
}

EventSocket::EventSocket(EventSocketDelegate* delegate, RunLoop& loop) : loop_(&loop), theDelegate_(delegate) {}

EventSocket::~EventSocket()
{
    theFlags_ &= static_cast<std::uint8_t>(~SetUpComplete);   // no disconnect callback from here
    close();
}

// ---- Listening and accepting ----------------------------------------------------------------

bool EventSocket::acceptOnPort(std::uint16_t port, Error* error) { return acceptOnAddress(std::nullopt, port, error); }

bool EventSocket::acceptOnAddress(const std::optional<std::string>& interfaceName, std::uint16_t port, Error* error)
{
    if (!theDelegate_) throw EventSocketException("Attempting to accept without a delegate. Set a delegate first.");
    if (theSocket_ || theSocket6_ || theReadStream_ || theWriteStream_)
        throw EventSocketException("Attempting to accept while connected or accepting connections. Disconnect first.");

    std::optional<sockaddr_in> address4;
    std::optional<sockaddr_in6> address6;
    if (!interfaceName || interfaceName->empty() || *interfaceName == "localhost" || *interfaceName == "loopback") {
        bool loopback = interfaceName && !interfaceName->empty();
        sockaddr_in a4{};
        a4.sin_family = AF_INET;
        a4.sin_port = htons(port);
        a4.sin_addr.s_addr = htonl(loopback ? INADDR_LOOPBACK : INADDR_ANY);
        sockaddr_in6 a6{};
        a6.sin6_family = AF_INET6;
        a6.sin6_port = htons(port);
        a6.sin6_addr = loopback ? in6addr_loopback : in6addr_any;
        address4 = a4;
        address6 = a6;
    } else {
        std::lock_guard<std::mutex> lock(interfaceLookupLock());
        addrinfo hints{};
        hints.ai_flags = AI_PASSIVE;
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        hints.ai_protocol = IPPROTO_TCP;
        std::string service = format("%hu", port);
        addrinfo* list = nullptr;
        int rc = ::getaddrinfo(interfaceName->c_str(), service.c_str(), &hints, &list);
        if (rc != 0) {
            if (error) *error = Error{NetDBErrorDomain, rc, std::string(::gai_strerror(rc))};
        } else {
            for (addrinfo* ai = list; ai; ai = ai->ai_next) {
                if (ai->ai_family == AF_INET && !address4 && ai->ai_addrlen >= sizeof(sockaddr_in)) {
                    sockaddr_in a{};
                    std::memcpy(&a, ai->ai_addr, sizeof a);
                    address4 = a;
                } else if (ai->ai_family == AF_INET6 && !address6 && ai->ai_addrlen >= sizeof(sockaddr_in6)) {
                    sockaddr_in6 a{};
                    std::memcpy(&a, ai->ai_addr, sizeof a);
                    address6 = a;
                }
            }
            ::freeaddrinfo(list);
        }
        if (!address4 && !address6) return false;
    }

    auto fail = [&] {
        const int reason = errno;
        if (error) {
            *error = getSocketError();
            // Which call failed is the socket layer's; why is the system's ("Address already in use").
            if (reason != 0) error->localizedDescription = std::strerror(reason);
        }
        theSocket_.reset();    // invalidates and releases
        theSocket6_.reset();
        return false;
    };

    std::weak_ptr<EventSocket> weak = weak_from_this();
    auto makeListener = [&](int family) -> std::unique_ptr<SocketObject> {
        int fd = ::socket(family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0) return nullptr;
        return std::make_unique<SocketObject>(fd, true);
    };
    if (address4) {
        theSocket_ = makeListener(AF_INET);
        if (!theSocket_) return fail();
    }
    if (address6) theSocket6_ = makeListener(AF_INET6);   // failing leaves no IPv6 socket

    for (SocketObject* s : {theSocket_.get(), theSocket6_.get()}) {
        if (!s) continue;
        s->registerAccepts(*loop_, [weak, s] {
            if (auto self = weak.lock()) self->listenerReadable(*s);
        });
        int one = 1;
        ::setsockopt(s->native(), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    }
    if (theSocket6_) {
        // IPv6 only, so that the IPv4 socket can have the same port on Linux.
        int one = 1;
        ::setsockopt(theSocket6_->native(), IPPROTO_IPV6, IPV6_V6ONLY, &one, sizeof one);
    }

    if (theSocket_) {
        if (::bind(theSocket_->native(), reinterpret_cast<const sockaddr*>(&*address4), sizeof *address4) != 0 ||
            ::listen(theSocket_->native(), SOMAXCONN) != 0)
            return fail();
        if (port == 0 && theSocket6_) address6->sin6_port = htons(localPort(theSocket_.get()));
    }
    if (theSocket6_) {
        if (::bind(theSocket6_->native(), reinterpret_cast<const sockaddr*>(&*address6), sizeof *address6) != 0 ||
            ::listen(theSocket6_->native(), SOMAXCONN) != 0) {
            // A host without IPv6 listens on IPv4 alone; any other failure fails the set-up.
            int err = errno;
            if (theSocket_ && (err == EADDRNOTAVAIL || err == EAFNOSUPPORT))
                theSocket6_.reset();
            else
                return fail();
        }
    }
    if (!theSocket_ && !theSocket6_) return fail();
    theFlags_ |= SetUpComplete;
    return true;
}

void EventSocket::listenerReadable(SocketObject& listener)
{
    auto self = shared_from_this();
    int fd;
    do {
        fd = ::accept4(listener.native(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == ECONNABORTED || errno == EPROTO) return;
        logFormat("EventSocket %s couldn't accept: %s", identity(this).c_str(), std::strerror(errno));
        listener.pauseAccepts(0.1);
        return;
    }
    // One connection per event; the level-triggered watch reports the next one again.
    doAcceptWithSocket(fd);
}

void EventSocket::doAcceptWithSocket(int nativeSocket)
{
    std::shared_ptr<EventSocket> newSocket;
    try {
        newSocket = std::make_shared<EventSocket>(theDelegate_, *loop_);
    } catch (const std::bad_alloc&) {
        ::close(nativeSocket);
        return;
    }
    if (theDelegate_) theDelegate_->onSocketDidAcceptNewSocket(*this, newSocket);
    RunLoop* loop = theDelegate_ ? theDelegate_->onSocketWantsRunLoopForNewSocket(*this, newSocket) : nullptr;
    if (!loop) loop = loop_;

    auto pair = platform::createStreamPairWithSocket(nativeSocket);
    if (!pair.read || !pair.write) {
        logFormat("EventSocket %s couldn't create streams from accepted socket: %s", identity(newSocket.get()).c_str(),
                  getSocketError().description().c_str());
        ::close(nativeSocket);
        newSocket->close();
        return;
    }
    newSocket->theReadStream_ = std::move(pair.read);
    newSocket->theWriteStream_ = std::move(pair.write);
    newSocket->loop_ = loop;
    if (newSocket->attachStreamsAndOpen(*loop, nullptr))
        newSocket->theFlags_ |= SetUpComplete;
    else
        newSocket->close();
}

// ---- Connecting -----------------------------------------------------------------------------

bool EventSocket::connectToHost(const std::string& host, std::uint16_t port, Error* error)
{
    if (!theDelegate_) throw EventSocketException("Attempting to connect without a delegate. Set a delegate first.");
    if (theSocket_ || theSocket6_ || theReadStream_ || theWriteStream_)
        throw EventSocketException("Attempting to connect while connected or accepting connections. Disconnect first.");
    auto self = shared_from_this();   // the delegate is asked on the way

    auto pair = platform::createStreamPairWithHost(host, port);
    if (!pair.read || !pair.write) {
        if (error) *error = *errorFromCFStreamError({platform::StreamErrorDomain::NetDB, EAI_NONAME});
        close();
        return false;
    }
    theReadStream_ = std::move(pair.read);
    theWriteStream_ = std::move(pair.write);
    if (!attachStreamsAndOpen(*loop_, error)) {
        close();
        return false;
    }
    theFlags_ |= SetUpComplete;
    return true;
}

bool EventSocket::attachStreamsAndOpen(RunLoop& loop, Error* error)
{
    std::weak_ptr<EventSocket> weak = weak_from_this();
    if (!theReadStream_->setClient(ReadStreamEvents, [weak](platform::StreamEvent e) {
            if (auto self = weak.lock()) self->readStreamEvent(e);
        })) {
        logFormat("EventSocket %s couldn't attach read stream to run-loop,", identity(this).c_str());
        logFormat("Error: %s", getSocketError().description().c_str());
        if (error) *error = getSocketError();
        return false;
    }
    theReadStream_->scheduleWithRunLoop(loop);
    if (!theWriteStream_->setClient(WriteStreamEvents, [weak](platform::StreamEvent e) {
            if (auto self = weak.lock()) self->writeStreamEvent(e);
        })) {
        logFormat("EventSocket %s couldn't attach write stream to run-loop,", identity(this).c_str());
        logFormat("Error: %s", getSocketError().description().c_str());
        if (error) *error = getSocketError();
        return false;
    }
    theWriteStream_->scheduleWithRunLoop(loop);

    if (theDelegate_ && !theDelegate_->onSocketWillConnect(*this)) {
        if (error) *error = getAbortError();
        return false;
    }
    if (!theReadStream_ || !theWriteStream_) {   // the delegate closed the socket meanwhile
        if (error) *error = getAbortError();
        return false;
    }
    if (!theReadStream_->open()) {
        logFormat("EventSocket %s couldn't open read stream,", identity(this).c_str());
        if (error) *error = errorFromCFStreamError(theReadStream_->error()).value_or(getSocketError());
        return false;
    }
    if (!theWriteStream_->open()) {
        logFormat("EventSocket %s couldn't open write stream,", identity(this).c_str());
        if (error) *error = errorFromCFStreamError(theWriteStream_->error()).value_or(getSocketError());
        return false;
    }
    return true;
}

// The open handler: both streams are open; report the connection once and start the queues.
void EventSocket::doStreamOpen()
{
    if (theFlags_ & ConnectReported) return;
    if (!theReadStream_ || !theWriteStream_) return;
    if (!isOpenish(theReadStream_->status(), StreamStatus::Reading) ||
        !isOpenish(theWriteStream_->status(), StreamStatus::Writing))
        return;

    int fd = theReadStream_->nativeSocket();
    if (fd < 0) {
        Error e = getSocketError();
        logFormat("EventSocket %s couldn't get socket from streams, %s. Disconnecting.", identity(this).c_str(),
                  e.description().c_str());
        closeWithError(e);
        return;
    }
    sockaddr_storage peer{};
    socklen_t len = sizeof peer;
    bool ipv4 = ::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &len) == 0 && peer.ss_family == AF_INET;
    (ipv4 ? theSocket_ : theSocket6_) = std::make_unique<SocketObject>(fd, false);

    theFlags_ |= ConnectReported;
    if (theDelegate_) theDelegate_->onSocketDidConnectToHost(*this, connectedHost().value_or(""), connectedPort());
    maybeDequeueRead();
    maybeDequeueWrite();
}

// ---- Closing --------------------------------------------------------------------------------

void EventSocket::closeWithError(const std::optional<Error>& error)
{
    auto self = weak_from_this().lock();   // the delegate may drop its reference while told
    if (theFlags_ & SetUpComplete) {
        emptyQueues();
        if (theDelegate_) theDelegate_->onSocketWillDisconnectWithError(*this, error);
    }
    close();
}

void EventSocket::close()
{
    emptyQueues();
    disconnectLater_.cancel();
    if (theReadStream_) {
        auto stream = std::move(theReadStream_);
        stream->setClient(0, nullptr);
        stream->unscheduleFromRunLoop();
        stream->close();
    }
    if (theWriteStream_) {
        auto stream = std::move(theWriteStream_);
        stream->setClient(0, nullptr);
        stream->unscheduleFromRunLoop();
        stream->close();
    }
    theSocket_.reset();    // invalidates, removes the registration, releases
    theSocket6_.reset();
    readPaused_ = false;
    if ((theFlags_ & SetUpComplete) && theDelegate_) postDidDisconnect();
    theFlags_ = 0;
}

void EventSocket::postDidDisconnect()
{
    std::weak_ptr<EventSocket> weak = weak_from_this();
    EventSocketDelegate* delegate = theDelegate_;
    loop_->post([weak, delegate] {
        auto self = weak.lock();
        // Only to a delegate that is still this socket's: a delegate that went away cleared it.
        if (self && self->theDelegate_ == delegate) delegate->onSocketDidDisconnect(*self);
    });
}

void EventSocket::disconnect() { close(); }

void EventSocket::disconnectAfterWriting()
{
    theFlags_ |= RequestsRefused | DisconnectPending;
    maybeScheduleDisconnect();
}

}  // namespace ohmkit::net
