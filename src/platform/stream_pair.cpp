#include "platform/stream_pair.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <linux/sockios.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/run_loop.h"

namespace ohmkit::platform {

// What the two streams of a pair share: the native socket, its one watch on the run loop (an
// epoll set takes a descriptor once), and the connect of a pair made to a host.
//
// The watch asks only for what a stream is waiting for: readability while the read stream is
// "armed" (opened, and read from since its last bytes-available event), writability while the
// write stream is armed or a connect is in progress. With nothing to wait for the watch is
// removed rather than paused, because epoll reports a hang-up even to an empty event mask.
class SocketStreamCore : public std::enable_shared_from_this<SocketStreamCore> {
public:
    explicit SocketStreamCore(int fd) : fd_(fd), connected_(fd >= 0) {}
    SocketStreamCore(std::string host, std::uint16_t port) : host_(std::move(host)), port_(port) {}
    ~SocketStreamCore()
    {
        calls_.cancelAll();
        closeSocket();
    }

    int fd() const { return fd_; }

    // Called from the Stream constructor: only the Stream part exists yet.
    void attach(Stream* stream)
    {
        if (stream->side_ == Stream::Side::Read)
            reader_ = stream;
        else
            writer_ = stream;
    }

    void scheduled(RunLoop& loop)
    {
        loop_ = &loop;
        updateWatch();
    }

    // A stream was closed, unscheduled or destroyed: it waits for nothing any more.
    void released(Stream* stream, bool gone)
    {
        if (stream == reader_) readArmed_ = false;
        if (stream == writer_) writeArmed_ = false;
        if (gone) {
            if (stream == reader_) reader_ = nullptr;
            if (stream == writer_) writer_ = nullptr;
        }
        bool readerDone = !reader_ || reader_->status_ == StreamStatus::Closed;
        bool writerDone = !writer_ || writer_->status_ == StreamStatus::Closed;
        if (readerDone && writerDone) {
            closeSocket();
        } else {
            updateWatch();
        }
    }

    void open(Stream& stream)
    {
        if (connected_) {
            // Reported from the loop, like every event.
            postOpenCompleted();
            return;
        }
        if (connecting_ || failed_) {
            if (failed_) postOpenCompleted();   // reports the error that ended the connect
            return;
        }
        if (!loop_) {
            stream.setError({StreamErrorDomain::POSIX, EINVAL});
            return;
        }
        connecting_ = true;
        std::weak_ptr<SocketStreamCore> weak = weak_from_this();
        calls_.defer(*loop_, [weak] {
            if (auto self = weak.lock()) self->startConnect();
        });
    }

    void arm(Stream::Side side)
    {
        if (side == Stream::Side::Read)
            readArmed_ = true;
        else
            writeArmed_ = true;
        updateWatch();
    }

    void disarm(Stream::Side side)
    {
        if (side == Stream::Side::Read)
            readArmed_ = false;
        else
            writeArmed_ = false;
        updateWatch();
    }

    bool writable_ = false;   // the last write was accepted whole, or a can-accept event came since

private:
    void closeSocket()
    {
        watch_.reset();
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
        connecting_ = false;
    }

    void updateWatch()
    {
        unsigned events = 0;
        if (fd_ >= 0 && loop_) {
            if (connecting_) events |= FdWatch::Writable;
            if (readArmed_ && reader_ && reader_->loop_) events |= FdWatch::Readable;
            if (writeArmed_ && writer_ && writer_->loop_) events |= FdWatch::Writable;
        }
        if (events == 0) {
            watch_.reset();
        } else if (!watch_) {
            watch_ = std::make_unique<FdWatch>(*loop_, fd_, events, [this](unsigned ready) { onReady(ready); });
        } else {
            watch_->setEvents(events);
        }
    }

    void onReady(unsigned ready)
    {
        auto keep = shared_from_this();
        if (connecting_) {
            finishConnect();
            return;
        }
        if (ready & FdWatch::Error) {
            int err = 0;
            socklen_t len = sizeof err;
            if (::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &err, &len) == 0 && err != 0) {
                failBoth(err);
                return;
            }
        }
        if ((ready & FdWatch::Readable) && readArmed_ && reader_) {
            auto stream = reader_->shared_from_this();
            readReady(*reader_);
        }
        if ((ready & FdWatch::Writable) && writeArmed_ && writer_ && writer_->status_ == StreamStatus::Open) {
            auto stream = writer_->shared_from_this();
            writable_ = true;
            // Disarmed without touching the watch yet: a client that writes from the event
            // arms the side again, and the watch then stays as it is.
            writeArmed_ = false;
            writer_->deliver(StreamEventCanAcceptBytes);
            updateWatch();
        }
    }

    // Readable: bytes, the end, or an error. A peek tells which without taking anything.
    void readReady(Stream& reader)
    {
        if (reader.status_ != StreamStatus::Open) {
            disarm(Stream::Side::Read);
            return;
        }
        char c;
        ssize_t n;
        do {
            n = ::recv(fd_, &c, 1, MSG_PEEK | MSG_DONTWAIT);
        } while (n < 0 && errno == EINTR);
        if (n > 0) {
            readArmed_ = false;   // as for writing: a client that reads from the event arms it again
            reader.deliver(StreamEventHasBytesAvailable);
            updateWatch();
        } else if (n == 0) {
            disarm(Stream::Side::Read);
            reader.status_ = StreamStatus::AtEnd;
            reader.deliver(StreamEventEndEncountered);
        } else if (errno != EAGAIN && errno != EWOULDBLOCK) {
            failBoth(errno);
        }
    }

    void failBoth(int err)
    {
        readArmed_ = writeArmed_ = false;
        updateWatch();
        std::shared_ptr<Stream> r = reader_ ? reader_->shared_from_this() : nullptr;
        std::shared_ptr<Stream> w = writer_ ? writer_->shared_from_this() : nullptr;
        for (auto& s : {r, w}) {
            if (!s) continue;
            auto st = s->status_;
            if (st == StreamStatus::Closed || st == StreamStatus::Error || st == StreamStatus::NotOpen) continue;
            s->setError({StreamErrorDomain::POSIX, err});
            s->deliver(StreamEventErrorOccurred);
        }
    }

    void postOpenCompleted()
    {
        if (!loop_) return;
        std::weak_ptr<SocketStreamCore> weak = weak_from_this();
        calls_.defer(*loop_, [weak] {
            if (auto self = weak.lock()) self->openCompleted();
        });
    }

    // Both streams that are opening become open (or take the connect's error), then each is told.
    void openCompleted()
    {
        auto keep = shared_from_this();
        std::shared_ptr<Stream> r = reader_ ? reader_->shared_from_this() : nullptr;
        std::shared_ptr<Stream> w = writer_ ? writer_->shared_from_this() : nullptr;
        std::vector<std::shared_ptr<Stream>> opened;
        for (auto& s : {r, w}) {
            if (!s || s->status_ != StreamStatus::Opening) continue;
            if (failed_) {
                s->setError(failure_);
            } else {
                s->status_ = StreamStatus::Open;
                if (s.get() == w.get()) writable_ = true;
                if (s.get() == r.get()) readArmed_ = true; else writeArmed_ = true;
            }
            opened.push_back(s);
        }
        updateWatch();
        for (auto& s : opened) s->deliver(failed_ ? StreamEventErrorOccurred : StreamEventOpenCompleted);
    }

    // Both streams closed or gone: a connect in progress has nobody to report to.
    bool abandoned() const
    {
        return (!reader_ || reader_->status_ == StreamStatus::Closed) &&
               (!writer_ || writer_->status_ == StreamStatus::Closed);
    }

    void startConnect()
    {
        auto keep = shared_from_this();
        if (abandoned()) {
            closeSocket();
            return;
        }
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        hints.ai_protocol = IPPROTO_TCP;
        hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV;
        std::string service = std::to_string(port_);
        addrinfo* list = nullptr;
        int rc = ::getaddrinfo(host_.c_str(), service.c_str(), &hints, &list);
        if (rc == EAI_NONAME) {
            hints.ai_flags = AI_NUMERICSERV;   // a name: resolve it (this blocks)
            rc = ::getaddrinfo(host_.c_str(), service.c_str(), &hints, &list);
        }
        if (rc != 0) {
            fail({StreamErrorDomain::NetDB, rc});
            return;
        }
        for (addrinfo* ai = list; ai; ai = ai->ai_next) {
            sockaddr_storage ss{};
            std::memcpy(&ss, ai->ai_addr, ai->ai_addrlen);
            addresses_.emplace_back(ss, ai->ai_addrlen);
        }
        ::freeaddrinfo(list);
        tryNextAddress();
    }

    void tryNextAddress()
    {
        while (nextAddress_ < addresses_.size()) {
            auto& [ss, len] = addresses_[nextAddress_++];
            int fd = ::socket(ss.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
            if (fd < 0) {
                lastErrno_ = errno;
                continue;
            }
            int rc;
            do {
                rc = ::connect(fd, reinterpret_cast<const sockaddr*>(&ss), len);
            } while (rc < 0 && errno == EINTR);
            if (rc == 0) {
                fd_ = fd;
                connected();
                return;
            }
            if (errno == EINPROGRESS) {
                fd_ = fd;
                updateWatch();   // waits for writability
                return;
            }
            lastErrno_ = errno;
            ::close(fd);
        }
        fail({StreamErrorDomain::POSIX, lastErrno_ ? lastErrno_ : ECONNREFUSED});
    }

    void finishConnect()
    {
        int err = 0;
        socklen_t len = sizeof err;
        if (::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &err, &len) != 0) err = errno;
        if (err == 0) {
            connected();
            return;
        }
        lastErrno_ = err;
        watch_.reset();
        ::close(fd_);
        fd_ = -1;
        tryNextAddress();
    }

    void connected()
    {
        connecting_ = false;
        connected_ = true;
        updateWatch();
        openCompleted();
    }

    void fail(StreamError error)
    {
        connecting_ = false;
        failed_ = true;
        failure_ = error;
        updateWatch();
        openCompleted();
    }

    friend class Stream;
    friend class ReadStream;
    friend class WriteStream;

    int fd_ = -1;
    std::string host_;
    std::uint16_t port_ = 0;
    bool connected_ = false;
    bool connecting_ = false;
    bool failed_ = false;
    StreamError failure_;
    int lastErrno_ = 0;
    std::vector<std::pair<sockaddr_storage, socklen_t>> addresses_;
    std::size_t nextAddress_ = 0;

    RunLoop* loop_ = nullptr;
    std::unique_ptr<FdWatch> watch_;
    PendingCalls calls_;   // the connect and open reports not yet made
    Stream* reader_ = nullptr;
    Stream* writer_ = nullptr;
    bool readArmed_ = false;
    bool writeArmed_ = false;
};

// ---- Stream ---------------------------------------------------------------------------------

const char* streamStatusName(StreamStatus status)
{
    switch (status) {
    case StreamStatus::NotOpen: return "not open";
    case StreamStatus::Opening: return "opening";
    case StreamStatus::Open: return "open";
    case StreamStatus::Reading: return "reading";
    case StreamStatus::Writing: return "writing";
    case StreamStatus::AtEnd: return "at end";
    case StreamStatus::Closed: return "closed";
    case StreamStatus::Error: return "has error";
    }
    return "not open";
}

Stream::Stream(std::shared_ptr<SocketStreamCore> core, Side side) : core_(std::move(core)), side_(side)
{
    core_->attach(this);
}

Stream::~Stream()
{
    events_.cancelAll();
    core_->released(this, true);
}

bool Stream::setClient(unsigned events, Callback callback)
{
    if (!callback || events == 0) {
        clientEvents_ = 0;
        callback_ = nullptr;
    } else {
        clientEvents_ = events;
        callback_ = std::move(callback);
    }
    return true;
}

void Stream::scheduleWithRunLoop(RunLoop& loop)
{
    if (loop_) return;
    loop_ = &loop;
    core_->scheduled(loop);
}

void Stream::unscheduleFromRunLoop()
{
    if (!loop_) return;
    events_.cancelAll();
    loop_ = nullptr;
    core_->released(this, false);
}

bool Stream::open()
{
    if (status_ != StreamStatus::NotOpen) return false;
    status_ = StreamStatus::Opening;
    core_->open(*this);
    return status_ != StreamStatus::Error;
}

void Stream::close()
{
    if (status_ == StreamStatus::Closed) return;
    status_ = StreamStatus::Closed;
    events_.cancelAll();
    core_->released(this, false);
}

int Stream::nativeSocket() const { return core_->fd(); }

void Stream::deliver(StreamEvent event)
{
    if (status_ == StreamStatus::Closed || !loop_ || !(clientEvents_ & event) || !callback_) return;
    auto keep = shared_from_this();
    auto callback = callback_;   // the client may change or drop it, or this stream, while called
    callback(event);
}

void Stream::setError(StreamError error)
{
    status_ = StreamStatus::Error;
    error_ = error;
}

// Reports an event of a read or write call from the loop, never from inside the call.
void Stream::post(StreamEvent event)
{
    if (!loop_) return;
    std::weak_ptr<Stream> weak = weak_from_this();
    events_.defer(*loop_, [weak, event] {
        if (auto self = weak.lock()) self->deliver(event);
    });
}

// ---- ReadStream -----------------------------------------------------------------------------

bool ReadStream::hasBytesAvailable() const
{
    if (status_ != StreamStatus::Open || core_->fd() < 0) return false;
    pollfd p{core_->fd(), POLLIN, 0};
    int rc;
    do {
        rc = ::poll(&p, 1, 0);
    } while (rc < 0 && errno == EINTR);
    return rc > 0 && (p.revents & (POLLIN | POLLHUP | POLLERR));
}

ssize_t ReadStream::read(void* buffer, std::size_t length)
{
    if (status_ == StreamStatus::AtEnd) return 0;
    if (status_ != StreamStatus::Open || core_->fd() < 0) return -1;
    if (length == 0) return 0;
    status_ = StreamStatus::Reading;
    ssize_t n;
    do {
        n = ::recv(core_->fd(), buffer, length, MSG_DONTWAIT);
    } while (n < 0 && errno == EINTR);
    if (n > 0) {
        status_ = StreamStatus::Open;
        core_->arm(Side::Read);
        return n;
    }
    if (n == 0) {
        status_ = StreamStatus::AtEnd;
        core_->disarm(Side::Read);
        post(StreamEventEndEncountered);
        return 0;
    }
    if (errno == EAGAIN || errno == EWOULDBLOCK) {
        status_ = StreamStatus::Open;
        core_->arm(Side::Read);
        return 0;
    }
    setError({StreamErrorDomain::POSIX, errno});
    core_->disarm(Side::Read);
    post(StreamEventErrorOccurred);
    return -1;
}

// ---- WriteStream ----------------------------------------------------------------------------

bool WriteStream::canAcceptBytes() const
{
    return status_ == StreamStatus::Open && core_->fd() >= 0 && core_->writable_;
}

ssize_t WriteStream::write(const void* buffer, std::size_t length, bool more)
{
    if (status_ != StreamStatus::Open || core_->fd() < 0) return -1;
    status_ = StreamStatus::Writing;
    ssize_t n = 0;
    const int flags = MSG_DONTWAIT | MSG_NOSIGNAL | (more ? MSG_MORE : 0);
    if (length > 0) {
        do {
            n = ::send(core_->fd(), buffer, length, flags);
        } while (n < 0 && errno == EINTR);
    }
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) n = 0;
    return finishWrite(length, n, n >= 0 && static_cast<std::size_t>(n) < length);
}

ssize_t WriteStream::sendFile(int fileFd, std::uint64_t offset, std::uint64_t length, bool& fileEnded)
{
    if (status_ != StreamStatus::Open || core_->fd() < 0) return -1;
    status_ = StreamStatus::Writing;
    // One call moves at most what the kernel takes in one go; larger ranges take more calls.
    const std::size_t ask = static_cast<std::size_t>(std::min<std::uint64_t>(length, 0x7ffff000));
    off_t from = static_cast<off_t>(offset);
    ssize_t n = 0;
    if (ask > 0) {
        do {
            n = ::sendfile(core_->fd(), fileFd, &from, ask);
        } while (n < 0 && errno == EINTR);
    }
    const bool full = n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    if (full) n = 0;
    fileEnded = n == 0 && ask > 0 && !full;
    return finishWrite(ask, n, full || (n >= 0 && static_cast<std::size_t>(n) < ask));
}

// What every write call ends with: the totals, the stream's state (a short write means the
// socket's buffer is full until it says otherwise; an error ends the stream) and the observer.
ssize_t WriteStream::finishWrite(std::size_t asked, ssize_t n, bool socketFull)
{
    ++writeCalls_;
    if (n >= 0) {
        status_ = StreamStatus::Open;
        bytesWritten_ += static_cast<std::uint64_t>(n);
        if (socketFull) core_->writable_ = false;
        core_->arm(Side::Write);
    } else {
        setError({StreamErrorDomain::POSIX, errno});
        core_->disarm(Side::Write);
        post(StreamEventErrorOccurred);
    }
    if (observer_) observer_(asked, n);
    return n;
}

std::size_t WriteStream::bytesUnacknowledged() const
{
    int queued = 0;
    if (core_->fd() < 0 || ::ioctl(core_->fd(), SIOCOUTQ, &queued) != 0 || queued < 0) return 0;
    return static_cast<std::size_t>(queued);
}

void WriteStream::setWriteObserver(std::function<void(std::size_t, ssize_t)> observer)
{
    observer_ = std::move(observer);
}

// ---- Creation -------------------------------------------------------------------------------

namespace {

StreamPair makePair(std::shared_ptr<SocketStreamCore> core)
{
    // The constructors are private to the stream classes; make_shared cannot reach them.
    struct R : ReadStream {
        explicit R(std::shared_ptr<SocketStreamCore> c) : ReadStream(std::move(c)) {}
    };
    struct W : WriteStream {
        explicit W(std::shared_ptr<SocketStreamCore> c) : WriteStream(std::move(c)) {}
    };
    StreamPair pair;
    pair.read = std::make_shared<R>(core);
    pair.write = std::make_shared<W>(core);
    return pair;
}

}  // namespace

StreamPair createStreamPairWithSocket(int nativeSocket)
{
    if (nativeSocket < 0) return {};
    int flags = ::fcntl(nativeSocket, F_GETFL);
    if (flags < 0) return {};
    ::fcntl(nativeSocket, F_SETFL, flags | O_NONBLOCK);
    return makePair(std::make_shared<SocketStreamCore>(nativeSocket));
}

StreamPair createStreamPairWithHost(const std::string& host, std::uint16_t port)
{
    if (host.empty()) return {};
    return makePair(std::make_shared<SocketStreamCore>(host, port));
}

}  // namespace ohmkit::platform
