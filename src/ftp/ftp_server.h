#pragma once
// FtpServer: the embedded FTP server's root object.
//
// It listens on one TCP port (IPv4 and IPv6), turns every accepted control socket into an
// FtpConnection that it keeps in its registry, holds what all connections share (the command
// table, the base directory that clients see as "/", the text encoding), builds listings, and
// forwards what happens to one observer (the upload screen): command and reply lines, changes
// of the file list, the number of connections, and the progress of file transfers.
// Threading: everything runs on the run loop the server is given (the main one unless told
// otherwise), and each connection on its control socket's; nothing is locked.
// Ownership: held by std::shared_ptr (use create()). The registry is the only owner of each
// connection. The server keeps its observer alive until it is destroyed; its owner calls
// stopFtpServer() and drops it.
#include "ftp/ftp_commands.h"
#include "ftp/ftp_server_observer.h"
#include "net/event_socket.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace ohmkit::ftp {

class FtpConnection;

enum class TextEncoding { Utf8 };

// What one server allows its clients. The defaults are what the upload screen uses.
struct FtpLimits {
    std::size_t maxClients = 256;      // control connections in all
    std::size_t maxPerAddress = 32;    // control connections from one client address
    // Seconds a control connection may go without a complete command (no transfer under
    // way), and a data connection without moving a byte.
    double idleTimeout = 300;
    double dataTimeout = 60;           // seconds a transfer may wait for its data connection
};

class FtpServer : public net::EventSocketDelegate, public std::enable_shared_from_this<FtpServer> {
public:
    // Creates the server and starts listening on the low
    // 16 bits of `port` (0: a free port the system picks). A port that cannot be listened on
    // is not an error: the server then accepts nothing (see isListening()). At start the
    // temporary files of uploads that never ended are removed from `dir`. Nothing of the
    // process changes: not its working directory, not its limits.
    static std::shared_ptr<FtpServer> create(std::uint32_t port, const std::string& dir,
                                             std::shared_ptr<FtpServerObserver> notifyObject,
                                             const FtpLimits& limits = {}, platform::RunLoop* loop = nullptr);
    ~FtpServer() override;
    FtpServer(const FtpServer&) = delete;
    FtpServer& operator=(const FtpServer&) = delete;

    void stopFtpServer();                          // stop listening, drop every connection
    void closeConnection(FtpConnection& connection);   // remove from the registry (socket gone)
    std::string createList(const std::string& dir) const;
    // Whether a client at `address` may have one more control connection: `connection` is
    // admitted if the connections admitted before it leave room under the limits.
    bool admits(const FtpConnection& connection, const std::string& address) const;

    // Called by connections; each is forwarded to the observer.
    void didReceiveFileListChanged();
    void didDataSend();
    void didDataReceived();
    void didTransferProgress(const FileTransfer& transfer);
    void didTransferEnd(const FileTransfer& transfer, bool complete);

    // Settings and state.
    const std::string& baseDir() const { return baseDir_; }
    void setBaseDir(std::string dir) { baseDir_ = std::move(dir); }
    bool changeRoot() const { return changeRoot_; }
    void setChangeRoot(bool value) { changeRoot_ = value; }
    TextEncoding clientEncoding() const { return clientEncoding_; }
    // The command table every connection dispatches through.
    std::span<const CommandRow> commands() const { return commandTable(); }
    std::int32_t portNumber() const { return portNumber_; }
    const FtpLimits& limits() const { return limits_; }
    const std::vector<std::shared_ptr<FtpConnection>>& connections() const { return connections_; }
    const std::shared_ptr<FtpServerObserver>& notificationObject() const { return notificationObject_; }
    net::EventSocket* listenSocket() const { return listenSocket_.get(); }
    bool isListening() const { return listening_; }
    std::uint16_t listeningPort() const;           // the port actually listened on

    // Socket delegate (the listening socket).
    void onSocketDidAcceptNewSocket(net::EventSocket& sock, const std::shared_ptr<net::EventSocket>& newSocket) override;
    void onSocketDidConnectToHost(net::EventSocket& sock, const std::string& host, std::uint16_t port) override;

    FtpServer();   // use create()

private:
    void connectionsChanged();
    void start(std::uint32_t port, const std::string& dir, std::shared_ptr<FtpServerObserver> notifyObject);

    std::shared_ptr<net::EventSocket> listenSocket_;
    platform::RunLoop* loop_ = nullptr;   // nullptr: the main run loop
    std::shared_ptr<FtpServerObserver> notificationObject_;
    std::int32_t portNumber_ = 0;
    std::vector<std::shared_ptr<FtpConnection>> connections_;
    std::string baseDir_;
    bool changeRoot_ = true;
    TextEncoding clientEncoding_ = TextEncoding::Utf8;
    bool listening_ = false;
    FtpLimits limits_;
};

}  // namespace ohmkit::ftp
