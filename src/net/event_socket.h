#pragma once
// EventSocket: a single-threaded, run-loop driven TCP endpoint that reports everything to a
// delegate.
//
// What it is for: the FTP server's listening, control and data sockets. One instance is either
// a listener (IPv4 and IPv6 listening sockets on one port; every accepted connection becomes a
// new EventSocket) or a connection (a read stream and a write stream over one native socket).
// Reads deliver every chunk as it arrives, labelled with the current read's tag; writes go out
// in calls of at most 4096 bytes, with one completion per request.
// What it is not for: threads. Every member must be called on the thread of its run loop.
//
// Ownership: always held by std::shared_ptr (use create()). Every platform callback keeps the
// socket alive until it returns, so a delegate may drop its last reference to the socket, or
// close it, from inside any callback. The delegate is not owned: its owner clears it (or
// destroys the socket) before the delegate goes away. Deferred calls (dequeues, a pending
// disconnect, onSocketDidDisconnect) do not keep the socket alive; destroying the socket
// withdraws them, so a socket destroyed while connected sends no disconnect callbacks.
//
// Byte strings are std::string (any bytes). Errors are net::Error (error.h); "none" is
// std::nullopt.
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "net/error.h"
#include "platform/run_loop.h"
#include "net/read_packet.h"
#include "net/write_packet.h"

namespace ohmkit::platform {
class RunLoop;
class Timer;
class ReadStream;
class WriteStream;
}  // namespace ohmkit::platform

namespace ohmkit::net {

class EventSocket;
class SocketObject;   // a native socket registered with the run loop (the platform's socket object)

// The delegate. Every callback is optional: the default implementation of each is exactly
// what the socket does for a delegate that does not implement it.
class EventSocketDelegate {
public:
    virtual ~EventSocketDelegate() = default;

    // A listener accepted a connection into `newSocket` (its delegate is the listener's
    // delegate). Adopt it here (keep the shared_ptr) and give it its own delegate if wanted;
    // otherwise it is released at the end of the current event.
    virtual void onSocketDidAcceptNewSocket(EventSocket& sock, const std::shared_ptr<EventSocket>& newSocket);
    // The loop for the new socket's streams; nullptr (the default) means the listener's loop.
    virtual platform::RunLoop* onSocketWantsRunLoopForNewSocket(EventSocket& sock,
                                                                const std::shared_ptr<EventSocket>& newSocket);
    // Before the streams of an accepted socket or of connectToHost are opened; false aborts
    // the set-up (connectToHost then fails with the cancel error). Default: true.
    virtual bool onSocketWillConnect(EventSocket& sock);
    // Once, when both streams are open. `host` is the peer's numeric address ("" if it cannot
    // be had). Queued reads and writes start right after it.
    virtual void onSocketDidConnectToHost(EventSocket& sock, const std::string& host, std::uint16_t port);
    // One call per chunk read, with the current read's tag. `data` is valid only during the
    // call: copy what you keep.
    virtual void onSocketDidReadData(EventSocket& sock, std::string_view data, std::int32_t tag);
    // One call per completed write request.
    virtual void onSocketDidWriteDataWithTag(EventSocket& sock, std::int32_t tag);
    // The read stream reached its end (the peer closed its sending side): true (the default)
    // closes the socket with no error object; false leaves it open.
    virtual bool onReadStreamEnded(EventSocket& sock);
    // In closeWithError (errors, timeouts, the peer's end) before anything is torn down; only
    // for a socket that was set up. `error` is none for a peer's orderly end of stream.
    virtual void onSocketWillDisconnectWithError(EventSocket& sock, const std::optional<Error>& error);
    // After close has torn everything down (only for a socket that was set up), on a later turn
    // of the run loop, never from inside close. Delivered only if this delegate is still the
    // socket's delegate then.
    virtual void onSocketDidDisconnect(EventSocket& sock);
};

class EventSocket : public std::enable_shared_from_this<EventSocket> {
public:
    // Flag bits of flags().
    enum Flag : std::uint8_t {
        ConnectReported = 0x02,
        SetUpComplete = 0x04,
        RequestsRefused = 0x08,
        DisconnectPending = 0x10,
    };

    static constexpr std::size_t ReadChunkSize = 1024 * 1024;   // one delivery buffer
    static constexpr std::size_t WriteChunkSize = 4096;         // largest single write call

    // `loop` is the run loop the socket listens, connects and defers on
    // (nullptr: RunLoop::main()). Accepted sockets use the loop their listener's delegate
    // chooses.
    static std::shared_ptr<EventSocket> create(EventSocketDelegate* delegate = nullptr,
                                               platform::RunLoop* loop = nullptr);
    ~EventSocket();
    EventSocket(const EventSocket&) = delete;
    EventSocket& operator=(const EventSocket&) = delete;

    EventSocketDelegate* delegate() const { return theDelegate_; }
    void setDelegate(EventSocketDelegate* delegate) { theDelegate_ = delegate; }
    platform::RunLoop& runLoop() const { return *loop_; }

    // ---- Listening and connecting. Return false and fill `error` (may be null) on
    // failure. Throw EventSocketException without a delegate or when already listening or
    // connected.
    bool acceptOnPort(std::uint16_t port, Error* error = nullptr);
    // `interfaceName`: none or "" = every address; exactly "localhost" or "loopback" = 127.0.0.1
    // and ::1; anything else is looked up with getaddrinfo (under the process-wide look-up
    // lock) and the first IPv4 and first IPv6 result are used. Port 0: the system chooses one
    // port, shared by the IPv4 and IPv6 sockets. A host without IPv6 listens on IPv4 alone.
    bool acceptOnAddress(const std::optional<std::string>& interfaceName, std::uint16_t port, Error* error = nullptr);
    bool connectToHost(const std::string& host, std::uint16_t port, Error* error = nullptr);

    // ---- Closing.
    void closeWithError(const std::optional<Error>& error);
    void close();
    void disconnect();               // = close()
    void disconnectAfterWriting();   // refuse new requests; disconnect once no write is left

    // ---- Reading and writing. Timeouts are seconds; negative: none. Ignored
    // requests leave no trace.
    // Ignored when `terminator` is empty, when maxLength >= 0 and < terminator length, or
    // when requests are refused.
    void readDataToData(const std::string& terminator, double timeout, std::int32_t tag);
    void readDataToData(const std::string& terminator, double timeout, std::int32_t maxLength, std::int32_t tag);
    void readDataWithTimeout(double timeout, std::int32_t tag);
    // Ignored for absent or empty data, data over 2 GiB (logged), or when requests are refused.
    // The bytes are not copied.
    void writeData(std::shared_ptr<const std::string> data, double timeout, std::int32_t tag);
    void writeData(std::string data, double timeout, std::int32_t tag);   // takes the bytes
    // Sends a range of an open file straight from the file to the socket (sendfile), in calls
    // as large as the socket takes. Completes like a write, also when the file ended before
    // the range did (the caller checks what it needs). Ignored for an empty range.
    void writeFile(FileRange range, double timeout, std::int32_t tag);

    static std::string CRLFData();   // "\r\n"

    // ---- Flow control (what a server needs against a peer that sends faster than it is
    // served).
    // Stops handing chunks to the delegate: bytes that arrive wait in the socket, and once its
    // buffers are full the peer is held back. A delivery pass under way ends after the chunk
    // being delivered.
    void pauseReading();
    // Delivers what waited, on a later turn of the run loop (never inside this call).
    void resumeReading();
    bool isReadingPaused() const { return readPaused_; }
    // The largest chunk one read call takes (1 to ReadChunkSize; ReadChunkSize by default).
    void setReadChunkLimit(std::size_t bytes);
    // Bytes of the queued and current writes not yet handed to the system.
    std::size_t queuedWriteBytes() const { return queuedWriteBytes_; }

    // ---- Queries.
    bool isConnected() const;
    bool isIPv4() const { return theSocket_ != nullptr; }     // has an IPv4 socket object
    bool isIPv6() const { return theSocket6_ != nullptr; }    // has an IPv6 socket object
    // From the IPv4 socket object if present, else the IPv6 one; none / 0 when there is none
    // (a connection before onSocketDidConnectToHost) or the address cannot be had.
    std::optional<std::string> connectedHost() const;
    std::uint16_t connectedPort() const;
    std::optional<std::string> localHost() const;
    std::uint16_t localPort() const;
    static std::optional<std::string> connectedHost(const SocketObject* socket);
    static std::uint16_t connectedPort(const SocketObject* socket);
    static std::optional<std::string> localHost(const SocketObject* socket);
    static std::uint16_t localPort(const SocketObject* socket);
    // The read stream's error if it has one, else the write stream's, else none.
    std::optional<Error> getStreamError() const;

    // Socket addresses in this platform's layout (struct sockaddr_in, 16 bytes, or
    // sockaddr_in6, 28 bytes, family in sa_family). addressHost: numeric text (IPv4 dotted
    // form for AF_INET, else IPv6 text), none for absent input; throws EventSocketException
    // named "NSInternalInconsistencyException" with "Cannot convert address to string." when
    // the bytes cannot be converted. addressPort: the port, 0 for absent input.
    static std::optional<std::string> addressHost(const std::optional<std::string>& address);
    static std::uint16_t addressPort(const std::optional<std::string>& address);

    // One line for logs, e.g. "<EventSocket 0x... local nowhere remote nowhere
    // has queued 0 reads 0 writes, no current read, no current write, read stream 0x0 not
    // open, write stream 0x0 not open, not connected>". An absent host shows as "(null)".
    std::string description() const;

    // ---- For tests, benchmarks and diagnostics.
    std::uint8_t flags() const { return theFlags_; }
    const platform::ReadStream* readStream() const { return theReadStream_.get(); }
    const platform::WriteStream* writeStream() const { return theWriteStream_.get(); }
    platform::WriteStream* writeStream() { return theWriteStream_.get(); }
    std::size_t readQueueLength() const { return theReadQueue_.size(); }
    std::size_t writeQueueLength() const { return theWriteQueue_.size(); }
    const ReadPacket* currentRead() const { return theCurrentRead_.get(); }
    const WritePacket* currentWrite() const { return theCurrentWrite_.get(); }

    // Use create().
    EventSocket(EventSocketDelegate* delegate, platform::RunLoop& loop);

private:
    // Set-up, accept, connect and close
    bool attachStreamsAndOpen(platform::RunLoop& loop, Error* error);
    void doAcceptWithSocket(int nativeSocket);
    void doStreamOpen();
    void listenerReadable(SocketObject& listener);
    void postDidDisconnect();
    // The read and write queues
    void queueRead(std::unique_ptr<ReadPacket> packet);
    void queueWrite(std::unique_ptr<WritePacket> packet);
    void postDequeue(bool read);
    void maybeDequeueRead();
    void doBytesAvailable();
    void endCurrentRead();
    void doReadTimeout(platform::Timer& timer);
    void maybeDequeueWrite();
    void doSendBytes();
    void sendFileBytes(WritePacket& write);
    void completeCurrentWrite();
    void endCurrentWrite();
    void maybeScheduleDisconnect();
    void doWriteTimeout(platform::Timer& timer);
    void emptyQueues();
    void readStreamEvent(unsigned event);
    void writeStreamEvent(unsigned event);

    std::unique_ptr<SocketObject> theSocket_;
    std::unique_ptr<SocketObject> theSocket6_;
    std::shared_ptr<platform::ReadStream> theReadStream_;
    std::shared_ptr<platform::WriteStream> theWriteStream_;
    platform::RunLoop* loop_;   // where the socket listens, connects, reads, writes and defers
    std::deque<std::unique_ptr<ReadPacket>> theReadQueue_;
    std::unique_ptr<ReadPacket> theCurrentRead_;
    std::shared_ptr<platform::Timer> theReadTimer_;
    std::deque<std::unique_ptr<WritePacket>> theWriteQueue_;
    std::unique_ptr<WritePacket> theCurrentWrite_;
    std::shared_ptr<platform::Timer> theWriteTimer_;
    EventSocketDelegate* theDelegate_;
    std::uint8_t theFlags_ = 0;
    // At most one deferred dequeue per side is pending, however many requests are queued.
    platform::PendingCall readDequeue_;
    platform::PendingCall writeDequeue_;
    platform::PendingCall resumeRead_;
    platform::PendingCall disconnectLater_;
    bool readPaused_ = false;
    std::size_t readChunkLimit_ = ReadChunkSize;
    std::size_t queuedWriteBytes_ = 0;
};

}  // namespace ohmkit::net
