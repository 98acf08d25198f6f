#include "net/event_socket.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

#include "platform/log.h"
#include "platform/run_loop.h"
#include "platform/stream_pair.h"
#include "platform/text.h"

namespace ohmkit::net {

using platform::format;
using platform::logFormat;
using platform::RunLoop;
using platform::StreamStatus;

// ---- The native socket object ---------------------------------------------------------------

// A native socket known to the run loop: a listening socket of a listener (owned, reports each
// pending connection), or a non-owning wrapper of a connection's socket (the streams own it).
class SocketObject {
public:
    SocketObject(int fd, bool owns) : fd_(fd), owns_(owns) {}
    ~SocketObject() { invalidate(); }
    SocketObject(const SocketObject&) = delete;
    SocketObject& operator=(const SocketObject&) = delete;

    int native() const { return fd_; }
    bool isValid() const { return fd_ >= 0; }

    void invalidate()
    {
        if (resumeTimer_) resumeTimer_->invalidate();
        resumeTimer_.reset();
        watch_.reset();
        if (owns_ && fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

    // Reports readability (a pending connection) to `onAccept` while registered.
    void registerAccepts(RunLoop& loop, std::function<void()> onAccept)
    {
        loop_ = &loop;
        onAccept_ = std::move(onAccept);
        if (fd_ >= 0) watch_ = std::make_unique<platform::FdWatch>(loop, fd_, platform::FdWatch::Readable,
                                                                   [this](unsigned) {
                auto onAccept = onAccept_;   // the call may destroy this object
                onAccept();
            });
    }

    // Stops reporting for a while (accept failing for want of descriptors would otherwise spin).
    void pauseAccepts(double seconds)
    {
        if (!watch_ || !loop_) return;
        watch_.reset();
        resumeTimer_ = platform::Timer::schedule(*loop_, seconds, false, [this](platform::Timer&) {
            resumeTimer_.reset();
            if (fd_ >= 0 && loop_) registerAccepts(*loop_, onAccept_);
        });
    }

    std::optional<std::string> address() const { return fetch(false); }
    std::optional<std::string> peerAddress() const { return fetch(true); }

private:
    std::optional<std::string> fetch(bool peer) const
    {
        if (fd_ < 0) return std::nullopt;
        sockaddr_storage ss{};
        socklen_t len = sizeof ss;
        int rc = peer ? ::getpeername(fd_, reinterpret_cast<sockaddr*>(&ss), &len)
                      : ::getsockname(fd_, reinterpret_cast<sockaddr*>(&ss), &len);
        if (rc != 0) return std::nullopt;
        return std::string(reinterpret_cast<const char*>(&ss), std::min<std::size_t>(len, sizeof ss));
    }

    int fd_;
    bool owns_;
    RunLoop* loop_ = nullptr;
    std::function<void()> onAccept_;
    std::unique_ptr<platform::FdWatch> watch_;
    std::shared_ptr<platform::Timer> resumeTimer_;
};

namespace {

// The one lock of the system: interface-name look-ups of acceptOnAddress run under it.
std::mutex& interfaceLookupLock()
{
    static std::mutex lock;
    return lock;
}

std::string identity(const void* p)
{
    return format("0x%llx", static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(p)));
}

const char* hostText(const std::optional<std::string>& host) { return host ? host->c_str() : "(null)"; }

constexpr unsigned ReadStreamEvents = platform::StreamEventOpenCompleted | platform::StreamEventHasBytesAvailable |
                                      platform::StreamEventErrorOccurred | platform::StreamEventEndEncountered;
constexpr unsigned WriteStreamEvents = platform::StreamEventOpenCompleted | platform::StreamEventCanAcceptBytes |
                                       platform::StreamEventErrorOccurred | platform::StreamEventEndEncountered;

bool isOpenish(StreamStatus s, StreamStatus busy)
{
    return s == StreamStatus::Open || s == busy || s == StreamStatus::Error;
}

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
    loop_->cancelAll(this);
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
        if (error) *error = getSocketError();
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
    theRunLoop_ = loop_;
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
    if (!loop) loop = theRunLoop_ ? theRunLoop_ : loop_;

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
    theRunLoop_ = &loop;

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
    loop_->cancel(this, "disconnect");
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
    theRunLoop_ = nullptr;
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
    }, 0, this, "onSocketDidDisconnect");
}

void EventSocket::disconnect() { close(); }

void EventSocket::disconnectAfterWriting()
{
    theFlags_ |= RequestsRefused | DisconnectPending;
    maybeScheduleDisconnect();
}

// ---- Requests -------------------------------------------------------------------------------

void EventSocket::readDataToData(const std::string& terminator, double timeout, std::int32_t tag)
{
    readDataToData(terminator, timeout, -1, tag);
}

void EventSocket::readDataToData(const std::string& terminator, double timeout, std::int32_t maxLength,
                                 std::int32_t tag)
{
    if (terminator.empty()) return;
    if (maxLength >= 0 && static_cast<std::size_t>(maxLength) < terminator.size()) return;
    if (theFlags_ & RequestsRefused) return;
    queueRead(std::make_unique<ReadPacket>(std::make_shared<std::string>(), timeout, tag, false, terminator, maxLength));
}

void EventSocket::readDataWithTimeout(double timeout, std::int32_t tag)
{
    if (theFlags_ & RequestsRefused) return;
    queueRead(std::make_unique<ReadPacket>(std::make_shared<std::string>(), timeout, tag, true, std::nullopt, -1));
}

void EventSocket::writeData(std::shared_ptr<const std::string> data, double timeout, std::int32_t tag)
{
    if (!data || data->empty() || (theFlags_ & RequestsRefused)) return;
    if (data->size() > static_cast<std::size_t>(INT32_MAX)) {   // bytesDone is a signed 32-bit count
        logFormat("EventSocket %s ignored a write of %zu bytes: larger than 2 GiB.", identity(this).c_str(),
                  data->size());
        return;
    }
    queueWrite(std::make_unique<WritePacket>(std::move(data), timeout, tag));
}

void EventSocket::writeData(std::string data, double timeout, std::int32_t tag)
{
    if (data.empty()) return;
    writeData(std::make_shared<const std::string>(std::move(data)), timeout, tag);
}

std::string EventSocket::CRLFData() { return std::string("\r\n", 2); }

void EventSocket::queueRead(std::unique_ptr<ReadPacket> packet)
{
    theReadQueue_.push_back(std::move(packet));
    postDequeue(true);
}

void EventSocket::queueWrite(std::unique_ptr<WritePacket> packet)
{
    queuedWriteBytes_ += packet->buffer->size();
    theWriteQueue_.push_back(std::move(packet));
    postDequeue(false);
}

// One pending dequeue per side serves every request queued meanwhile: the dequeue starts the
// head of the queue, and each completed write posts the next one.
void EventSocket::postDequeue(bool read)
{
    bool& posted = read ? readDequeuePosted_ : writeDequeuePosted_;
    if (posted) return;
    posted = true;
    std::weak_ptr<EventSocket> weak = weak_from_this();
    if (read)
        loop_->post([weak] {
            if (auto self = weak.lock()) {
                self->readDequeuePosted_ = false;
                self->maybeDequeueRead();
            }
        }, 0, this, "maybeDequeueRead");
    else
        loop_->post([weak] {
            if (auto self = weak.lock()) {
                self->writeDequeuePosted_ = false;
                self->maybeDequeueWrite();
            }
        }, 0, this, "maybeDequeueWrite");
}

void EventSocket::pauseReading() { readPaused_ = true; }

void EventSocket::resumeReading()
{
    if (!readPaused_) return;
    readPaused_ = false;
    // The stream reported the waiting bytes once already and does not repeat itself until
    // they are read: a delivery pass on the next turn takes them.
    std::weak_ptr<EventSocket> weak = weak_from_this();
    loop_->post([weak] {
        if (auto self = weak.lock()) self->doBytesAvailable();
    }, 0, this, "resumeReading");
}

void EventSocket::setReadChunkLimit(std::size_t bytes) { readChunkLimit_ = std::clamp<std::size_t>(bytes, 1, ReadChunkSize); }

// ---- The read side --------------------------------------------------------------------------

void EventSocket::maybeDequeueRead()
{
    // Requests made before the connection is reported wait; the open handler starts them.
    if (theCurrentRead_ || theReadQueue_.empty() || !theReadStream_ || !(theFlags_ & ConnectReported)) return;
    theCurrentRead_ = std::move(theReadQueue_.front());
    theReadQueue_.pop_front();
    if (theCurrentRead_->timeout >= 0) {
        std::weak_ptr<EventSocket> weak = weak_from_this();
        theReadTimer_ = platform::Timer::schedule(*loop_, theCurrentRead_->timeout, false, [weak](platform::Timer& t) {
            if (auto self = weak.lock()) self->doReadTimeout(t);
        });
    }
    doBytesAvailable();
}

namespace {

// The delivery buffer. Passes on one thread run one after another, so one buffer per thread
// serves every socket of that thread; it is not zero-filled, and only the bytes a read fills
// are handed out. A pass that starts while another is running (a delegate that runs the loop
// from inside its callback) takes a buffer of its own.
class DeliveryBuffer {
public:
    DeliveryBuffer()
    {
        if (!inUse_) {
            if (!shared_) shared_.reset(new (std::nothrow) char[EventSocket::ReadChunkSize]);
            data_ = shared_.get();
            inUse_ = data_ != nullptr;
            holdsShared_ = inUse_;
        } else {
            own_.reset(new (std::nothrow) char[EventSocket::ReadChunkSize]);
            data_ = own_.get();
        }
    }
    ~DeliveryBuffer()
    {
        if (holdsShared_) inUse_ = false;
    }
    DeliveryBuffer(const DeliveryBuffer&) = delete;
    DeliveryBuffer& operator=(const DeliveryBuffer&) = delete;

    char* data() const { return data_; }

private:
    static thread_local std::unique_ptr<char[]> shared_;
    static thread_local bool inUse_;
    std::unique_ptr<char[]> own_;
    char* data_ = nullptr;
    bool holdsShared_ = false;
};

thread_local std::unique_ptr<char[]> DeliveryBuffer::shared_;
thread_local bool DeliveryBuffer::inUse_ = false;

}  // namespace

// A delivery pass: every chunk that can be read now goes to the delegate under the current
// read's tag, each a view of the delivery buffer that is valid during the call. A read that
// does not fill the buffer has drained the socket: the pass ends there, and bytes that arrive
// later bring a new bytes-available event.
void EventSocket::doBytesAvailable()
{
    if (!theCurrentRead_ || !theReadStream_ || readPaused_) return;
    auto stream = theReadStream_;
    DeliveryBuffer buffer;
    if (!buffer.data()) return;
    while (theReadStream_ == stream && theCurrentRead_ && !readPaused_) {
        ssize_t n = stream->read(buffer.data(), readChunkLimit_);
        if (n < 1) break;   // nothing there; the end or an error comes as its own event
        std::int32_t tag = theCurrentRead_->tag;
        if (theDelegate_)
            theDelegate_->onSocketDidReadData(*this, std::string_view(buffer.data(), static_cast<std::size_t>(n)), tag);
        if (static_cast<std::size_t>(n) < readChunkLimit_) break;
    }
}

void EventSocket::endCurrentRead()
{
    if (theReadTimer_) {
        theReadTimer_->invalidate();
        theReadTimer_.reset();
    }
    theCurrentRead_.reset();
}

void EventSocket::doReadTimeout(platform::Timer& timer)
{
    if (&timer != theReadTimer_.get()) return;
    if (theCurrentRead_) endCurrentRead();
    closeWithError(getReadTimeoutError());
}

// ---- The write side -------------------------------------------------------------------------

void EventSocket::maybeDequeueWrite()
{
    if (theCurrentWrite_ || theWriteQueue_.empty() || !theWriteStream_ || !(theFlags_ & ConnectReported)) return;
    theCurrentWrite_ = std::move(theWriteQueue_.front());
    theWriteQueue_.pop_front();
    if (theCurrentWrite_->timeout >= 0) {
        std::weak_ptr<EventSocket> weak = weak_from_this();
        theWriteTimer_ = platform::Timer::schedule(*loop_, theCurrentWrite_->timeout, false, [weak](platform::Timer& t) {
            if (auto self = weak.lock()) self->doWriteTimeout(t);
        });
    }
    doSendBytes();
}

// A send pass: calls of at most 4096 bytes while the stream accepts them. Every call but the
// last of a request tells the stream that more follows, so the socket packs the small calls
// into large packets instead of sending one packet per call.
void EventSocket::doSendBytes()
{
    if (!theCurrentWrite_ || !theWriteStream_) return;
    auto stream = theWriteStream_;
    if (!stream->canAcceptBytes()) return;
    bool error = false;
    WritePacket& write = *theCurrentWrite_;
    const std::size_t total = write.buffer->size();
    for (;;) {
        std::size_t remaining = total - static_cast<std::size_t>(write.bytesDone);
        std::size_t length = std::min(remaining, WriteChunkSize);
        ssize_t n = stream->write(write.buffer->data() + write.bytesDone, length, length < remaining);
        if (n < 0) {
            error = true;
            break;
        }
        write.bytesDone += static_cast<std::int32_t>(n);
        queuedWriteBytes_ -= std::min(queuedWriteBytes_, static_cast<std::size_t>(n));
        if (static_cast<std::size_t>(write.bytesDone) >= total) break;
        if (!stream->canAcceptBytes()) break;
    }
    if (static_cast<std::size_t>(write.bytesDone) >= total) {
        completeCurrentWrite();
        if (!error) postDequeue(false);   // the next request starts on a later turn
    }
    if (error) closeWithError(errorFromCFStreamError(stream->error()));
}

void EventSocket::completeCurrentWrite()
{
    WritePacket* write = theCurrentWrite_.get();
    std::int32_t tag = write->tag;
    if (theDelegate_) theDelegate_->onSocketDidWriteDataWithTag(*this, tag);
    if (theCurrentWrite_.get() == write) endCurrentWrite();
}

void EventSocket::endCurrentWrite()
{
    if (theWriteTimer_) {
        theWriteTimer_->invalidate();
        theWriteTimer_.reset();
    }
    theCurrentWrite_.reset();
    maybeScheduleDisconnect();
}

void EventSocket::maybeScheduleDisconnect()
{
    if (!(theFlags_ & DisconnectPending) || !theWriteQueue_.empty() || theCurrentWrite_) return;
    std::weak_ptr<EventSocket> weak = weak_from_this();
    loop_->post([weak] {
        if (auto self = weak.lock()) self->disconnect();
    }, 0, this, "disconnect");
}

void EventSocket::doWriteTimeout(platform::Timer& timer)
{
    if (&timer != theWriteTimer_.get()) return;
    if (theCurrentWrite_) endCurrentWrite();
    closeWithError(getWriteTimeoutError());
}

void EventSocket::emptyQueues()
{
    if (theCurrentRead_) endCurrentRead();
    if (theCurrentWrite_) endCurrentWrite();
    theReadQueue_.clear();
    theWriteQueue_.clear();
    queuedWriteBytes_ = 0;
    loop_->cancel(this, "maybeDequeueRead");
    loop_->cancel(this, "maybeDequeueWrite");
    loop_->cancel(this, "resumeReading");
    readDequeuePosted_ = writeDequeuePosted_ = false;
}

// ---- Stream events --------------------------------------------------------------------------

void EventSocket::readStreamEvent(unsigned event)
{
    switch (event) {
    case platform::StreamEventOpenCompleted:
        doStreamOpen();
        break;
    case platform::StreamEventHasBytesAvailable:
        doBytesAvailable();
        break;
    case platform::StreamEventErrorOccurred:
        closeWithError(errorFromCFStreamError(theReadStream_ ? theReadStream_->error() : platform::StreamError{}));
        break;
    case platform::StreamEventEndEncountered:
        if (theDelegate_ && !theDelegate_->onReadStreamEnded(*this)) break;
        closeWithError(errorFromCFStreamError(theReadStream_ ? theReadStream_->error() : platform::StreamError{}));
        break;
    default:
        logFormat("EventSocket %s received unexpected CFReadStream callback, CFStreamEventType %d.",
                  identity(this).c_str(), static_cast<int>(event));
        break;
    }
}

void EventSocket::writeStreamEvent(unsigned event)
{
    switch (event) {
    case platform::StreamEventOpenCompleted:
        doStreamOpen();
        break;
    case platform::StreamEventCanAcceptBytes:
        doSendBytes();
        break;
    case platform::StreamEventErrorOccurred:
    case platform::StreamEventEndEncountered:
        closeWithError(errorFromCFStreamError(theWriteStream_ ? theWriteStream_->error() : platform::StreamError{}));
        break;
    default:
        logFormat("EventSocket %s received unexpected CFWriteStream callback, CFStreamEventType %d.",
                  identity(this).c_str(), static_cast<int>(event));
        break;
    }
}

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
