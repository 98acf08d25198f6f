#pragma once
// A paired read stream and write stream over one non-blocking TCP socket, scheduled on a
// RunLoop: the socket stream pair that the socket layer (EventSocket) is written against.
//
// What it is for: EventSocket's connections. A pair is made from a connected or accepted native
// socket, or by connecting to a host and port (a numeric address or a name; names are resolved
// with getaddrinfo when the pair opens, which blocks for names that are not numeric).
// What it is not for: listening sockets, or use from more than one thread.
//
// Events reach a stream's client only while the stream is scheduled on a loop, and always from
// the loop (never from inside open(), read() or write()). As with the platform streams it
// replaces, a bytes-available or can-accept-bytes event is not repeated until the client has
// read or written, and the end is reported once: nothing spins on a socket that nobody reads
// or on a peer's end of stream that nobody acts on.
//
// The native socket belongs to the pair: it is closed when both streams have been closed or
// destroyed.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <sys/types.h>

#include "platform/run_loop.h"

namespace ohmkit::platform {

class RunLoop;
class SocketStreamCore;

enum class StreamStatus : int {
    NotOpen = 0,
    Opening = 1,
    Open = 2,
    Reading = 3,
    Writing = 4,
    AtEnd = 5,
    Closed = 6,
    Error = 7,
};

// Event bits, as handed to a client's callback (one event per call) and in its event mask.
enum StreamEvent : unsigned {
    StreamEventNone = 0,
    StreamEventOpenCompleted = 1,
    StreamEventHasBytesAvailable = 2,
    StreamEventCanAcceptBytes = 4,
    StreamEventErrorOccurred = 8,
    StreamEventEndEncountered = 16,
};

// A stream error: a domain number and a code. (0, 0) is "no error".
struct StreamError {
    long domain = 0;
    int code = 0;
    bool operator==(const StreamError&) const = default;
};

// Domain numbers of stream errors (the numbers the socket layer has always reported).
namespace StreamErrorDomain {
inline constexpr long Custom = -1;
inline constexpr long POSIX = 1;                 // code = errno
inline constexpr long MacOSStatus = 2;
inline constexpr long SSL = 3;
inline constexpr long HTTP = 4;
inline constexpr long SOCKS = 5;
inline constexpr long FTP = 6;
inline constexpr long NetServices = 10;
inline constexpr long Mach = 11;
inline constexpr long NetDB = 12;                // code = getaddrinfo's EAI_* number
inline constexpr long SystemConfiguration = 17;
}  // namespace StreamErrorDomain

// Text name of a status ("not open", "opening", "open", "reading", "writing", "at end",
// "closed", "has error").
const char* streamStatusName(StreamStatus status);

// What the two streams have in common.
class Stream : public std::enable_shared_from_this<Stream> {
public:
    using Callback = std::function<void(StreamEvent event)>;

    virtual ~Stream();
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;

    StreamStatus status() const { return status_; }
    StreamError error() const { return error_; }          // (0, 0) unless status is Error

    // Registers the client: `events` is a mask of StreamEvent bits; an empty callback or mask
    // removes the client. Always succeeds.
    bool setClient(unsigned events, Callback callback);
    // Events are delivered only while scheduled. A stream is scheduled on at most one loop,
    // and both streams of a pair on the same one.
    void scheduleWithRunLoop(RunLoop& loop);
    void unscheduleFromRunLoop();

    // Starts opening: the status becomes Opening and an open-completed (or error) event follows
    // on the loop. False if the stream is not in NotOpen.
    bool open();
    // Closes the stream: status Closed, no more events. Idempotent.
    void close();

    // The native socket, or -1 once the pair has been closed or before a connect has made it.
    int nativeSocket() const;

protected:
    enum class Side { Read, Write };
    Stream(std::shared_ptr<SocketStreamCore> core, Side side);

    friend class SocketStreamCore;
    void deliver(StreamEvent event);                      // to the client, if it asked for it
    void post(StreamEvent event);                         // deliver() on a later turn of the loop
    void setError(StreamError error);

    std::shared_ptr<SocketStreamCore> core_;
    Side side_;
    StreamStatus status_ = StreamStatus::NotOpen;
    StreamError error_;
    unsigned clientEvents_ = 0;
    Callback callback_;
    RunLoop* loop_ = nullptr;
    PendingCalls events_;                                 // posted events not yet delivered
};

class ReadStream : public Stream {
public:
    // True when a read would not block: bytes are waiting, or the end or an error is there.
    bool hasBytesAvailable() const;
    // Reads at most `length` bytes. Returns the count (> 0); 0 at the end of the stream
    // (status AtEnd, an end event follows) or when nothing was there to read (status
    // unchanged); -1 on an error (status Error, an error event follows).
    ssize_t read(void* buffer, std::size_t length);

protected:
    explicit ReadStream(std::shared_ptr<SocketStreamCore> core) : Stream(std::move(core), Side::Read) {}

private:
    friend class SocketStreamCore;
};

class WriteStream : public Stream {
public:
    // True when a write would accept bytes now.
    bool canAcceptBytes() const;
    // Writes at most `length` bytes. Returns the count accepted (0 when the socket's buffer
    // is full), or -1 on an error (status Error, an error event follows). `more`: the caller
    // is about to write more bytes, so the socket may hold these back to send them together
    // with the next ones in fewer, larger packets; a write without it sends what is held.
    ssize_t write(const void* buffer, std::size_t length, bool more = false);
    // Sends up to `length` bytes of the open file `fileFd` from `offset` (sendfile), as write()
    // does with bytes; `fileEnded` is set when the file ends before `length`.
    ssize_t sendFile(int fileFd, std::uint64_t offset, std::uint64_t length, bool& fileEnded);

    // For tests and benchmarks: called after every write() with the length asked for and the
    // result, and the running totals.
    void setWriteObserver(std::function<void(std::size_t length, ssize_t result)> observer);
    std::uint64_t writeCalls() const { return writeCalls_; }
    std::uint64_t bytesWritten() const { return bytesWritten_; }
    // Of the bytes written, those the peer has not acknowledged yet (0 when that cannot be had).
    std::size_t bytesUnacknowledged() const;

protected:
    explicit WriteStream(std::shared_ptr<SocketStreamCore> core) : Stream(std::move(core), Side::Write) {}

private:
    friend class SocketStreamCore;
    ssize_t finishWrite(std::size_t asked, ssize_t result, bool socketFull);
    std::function<void(std::size_t, ssize_t)> observer_;
    std::uint64_t writeCalls_ = 0;
    std::uint64_t bytesWritten_ = 0;
};

struct StreamPair {
    std::shared_ptr<ReadStream> read;
    std::shared_ptr<WriteStream> write;
};

// A pair over a connected (or accepted) native socket. The pair takes the socket: it is made
// non-blocking and closed when both streams close. Never fails for a valid descriptor;
// an invalid one gives empty pointers.
StreamPair createStreamPairWithSocket(int nativeSocket);

// A pair that connects to `host` (numeric IPv4 or IPv6 text, or a name) and `port` when it is
// opened. Resolution errors arrive as an error in the NetDB domain, connection errors in the
// POSIX domain. Empty pointers when the host text is empty.
StreamPair createStreamPairWithHost(const std::string& host, std::uint16_t port);

}  // namespace ohmkit::platform
