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
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ohmkit::ftp {

class FtpConnection;

using DataQueue = std::vector<std::shared_ptr<const std::string>>;

class FtpDataConnection : public net::EventSocketDelegate, public std::enable_shared_from_this<FtpDataConnection> {
public:
    enum ConnectionState : std::int32_t {
        clientSending = 0,
        serverSending = 1,
        connectionIdle = 2,
        clientDataArrived = 3,
    };

    // initWithEventSocket:forConnection:withQueuedData: — adopts the connected (or connecting)
    // socket, sends and empties `queuedData`, and starts reading. The state afterwards is
    // `initialState` (idle, or clientSending when an upload is already waiting for this
    // connection).
    static std::shared_ptr<FtpDataConnection> create(std::shared_ptr<net::EventSocket> socket,
                                                     FtpConnection* connection, DataQueue& queuedData,
                                                     ConnectionState initialState = connectionIdle);
    ~FtpDataConnection() override;
    FtpDataConnection(const FtpDataConnection&) = delete;
    FtpDataConnection& operator=(const FtpDataConnection&) = delete;

    void writeData(std::shared_ptr<const std::string> data);
    void writeQueuedData(DataQueue& queue);
    void closeConnection();                        // disconnects the socket at once
    void detach() { ftpConnection_ = nullptr; }    // the control connection is going away

    std::string_view receivedData() const { return receivedData_; }
    std::int32_t connectionState() const { return connectionState_; }
    void setConnectionState(std::int32_t state) { connectionState_ = state; }
    net::EventSocket* dataSocket() const { return dataSocket_.get(); }

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

    std::shared_ptr<net::EventSocket> dataSocket_;
    FtpConnection* ftpConnection_;
    std::string_view receivedData_;
    std::int32_t connectionState_ = connectionIdle;
    std::size_t writesInFlight_ = 0;
};

}  // namespace ohmkit::ftp
