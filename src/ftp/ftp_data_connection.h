#pragma once
// FtpDataConnection: one connected FTP data socket.
//
// It writes listings and file contents to the client, hands uploaded bytes to its control
// connection chunk by chunk, and keeps a small transfer state that decides whether the
// client's end of stream finishes an upload (clientSending, clientDataArrived) or is ignored
// (serverSending, connectionIdle). A transfer ends either when a write completes (listing or
// download) or when the socket closes (upload, or a broken connection).
// Ownership: held by its FtpConnection through std::shared_ptr; it refers back to that
// connection without owning it, and the connection clears the reference (detach()) before it
// goes away.
#include "net/event_socket.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <algorithm>
#include <vector>

namespace ohmkit::ftp {

class FtpConnection;

// A file being downloaded. It goes out range by range straight from the file to the socket
// (sendfile), so its bytes never pass through the process's memory and memory stays flat
// whatever the file's size. It owns the descriptor.
class DownloadFile {
public:
    // Bytes per range: progress is reported once per range.
    static constexpr std::uint64_t ChunkSize = 256 * 1024;

    // Takes the descriptor of a regular file of `size` bytes: the bytes from `offset` to
    // `size` are sent, what the file gains meanwhile is not.
    DownloadFile(int fd, std::uint64_t offset, std::uint64_t size) : fd_(fd), next_(std::min(offset, size)), end_(size) {}
    ~DownloadFile();
    DownloadFile(const DownloadFile&) = delete;
    DownloadFile& operator=(const DownloadFile&) = delete;

    // The next range, up to ChunkSize bytes after the last one; empty once all is handed out.
    // `owner` (this file) keeps the descriptor open while the range is sent.
    net::FileRange nextRange(std::shared_ptr<const void> owner);
    // False when the file no longer holds every byte handed out so far (it was cut short).
    bool stillWhole() const;

private:
    int fd_;
    std::uint64_t next_;
    std::uint64_t end_;
};

// What goes out on a data connection: bytes in memory (a listing), or a file.
struct OutgoingData {
    std::shared_ptr<const std::string> bytes;
    std::shared_ptr<DownloadFile> file;
};

using DataQueue = std::vector<OutgoingData>;

class FtpDataConnection : public net::EventSocketDelegate, public std::enable_shared_from_this<FtpDataConnection> {
public:
    enum class ConnectionState { clientSending, serverSending, connectionIdle, clientDataArrived };

    // Adopts the connected (or connecting)
    // socket, sends and empties `queuedData`, and starts reading. The state afterwards is
    // `initialState` (idle, or clientSending when an upload is already waiting for this
    // connection).
    static std::shared_ptr<FtpDataConnection> create(std::shared_ptr<net::EventSocket> socket,
                                                     FtpConnection* connection, DataQueue& queuedData,
                                                     ConnectionState initialState = ConnectionState::connectionIdle);
    ~FtpDataConnection() override;
    FtpDataConnection(const FtpDataConnection&) = delete;
    FtpDataConnection& operator=(const FtpDataConnection&) = delete;

    void writeData(std::shared_ptr<const std::string> data);
    // Sends a file chunk by chunk, reading the next chunk when the previous one has been
    // written; the transfer counts as written once, after the last chunk. Data written
    // meanwhile waits until the file is done.
    void writeFile(std::shared_ptr<DownloadFile> file);
    void writeQueuedData(DataQueue& queue);
    void closeConnection();                        // disconnects the socket at once
    void detach() { ftpConnection_ = nullptr; }    // the control connection is going away

    std::string_view receivedData() const { return receivedData_; }
    ConnectionState connectionState() const { return connectionState_; }
    void setConnectionState(ConnectionState state) { connectionState_ = state; }
    net::EventSocket* dataSocket() const { return dataSocket_.get(); }
    // Bytes moved so far, both ways: grows as long as the transfer makes progress.
    std::uint64_t progress() const;

    // Socket delegate.
    bool onSocketWillConnect(net::EventSocket& sock) override;
    void onSocketDidAcceptNewSocket(net::EventSocket& sock, const std::shared_ptr<net::EventSocket>& newSocket) override;
    void onSocketDidReadData(net::EventSocket& sock, std::string_view data, std::int32_t tag) override;
    void onSocketDidWriteDataWithTag(net::EventSocket& sock, std::int32_t tag) override;
    bool onReadStreamEnded(net::EventSocket& sock) override;
    void onSocketWillDisconnectWithError(net::EventSocket& sock, const std::optional<net::Error>& error) override;

    FtpDataConnection(std::shared_ptr<net::EventSocket> socket, FtpConnection* connection);   // use create()

private:
    void queueRead();
    void write(OutgoingData data);
    bool sendNextChunk();       // false when the file has ended
    void fileDone();

    std::shared_ptr<net::EventSocket> dataSocket_;
    FtpConnection* ftpConnection_;
    platform::PendingCalls emptyWriteDone_;   // an empty transfer reported on a later turn
    std::string_view receivedData_;
    ConnectionState connectionState_ = ConnectionState::connectionIdle;
    std::deque<std::size_t> writesInFlight_;       // in completion order; a chunk of file_: its size, else 0
    std::shared_ptr<DownloadFile> file_;           // the file being sent, if any
    bool fileFailed_ = false;                      // file_ could not be read to its end
    std::vector<OutgoingData> waiting_;            // written while a file is being sent
    std::uint64_t bytesRead_ = 0;
};

}  // namespace ohmkit::ftp
