#include "ftp/ftp_server.h"

#include "ftp/ftp_commands.h"
#include "ftp/ftp_connection.h"
#include "ftp/ftp_listing.h"
#include "ftp/ftp_paths.h"
#include "ftp/ftp_server_observer.h"
#include "store/atomic_upload.h"
#include "store/store_paths.h"
#include "platform/log.h"

#include <algorithm>

namespace ohmkit::ftp {

using platform::logDebug;
using platform::logError;
using platform::logInfo;

FtpServer::FtpServer() = default;

std::shared_ptr<FtpServer> FtpServer::create(std::uint32_t port, const std::string& dir,
                                             std::shared_ptr<FtpServerObserver> notifyObject, const FtpLimits& limits,
                                             platform::RunLoop* loop)
{
    auto server = std::make_shared<FtpServer>();
    server->limits_ = limits;
    server->loop_ = loop;
    server->start(port, dir, std::move(notifyObject));
    return server;
}

void FtpServer::start(std::uint32_t port, const std::string& dir, std::shared_ptr<FtpServerObserver> notifyObject)
{
    notificationObject_ = std::move(notifyObject);
    connections_.clear();
    portNumber_ = static_cast<std::int32_t>(port);

    listenSocket_ = net::EventSocket::create(this, loop_);
    net::Error error;
    listening_ = listenSocket_->acceptOnPort(static_cast<std::uint16_t>(port & 0xFFFF), &error);
    // The port the system chose when asked for any (0) is the one worth logging.
    if (listening_)
        logInfo("FTP: listening on port %u.", static_cast<unsigned>(listeningPort()));
    else
        logError("FTP: port %u cannot be listened on: %s", port, error.description().c_str());

    // The base directory is kept in the system's canonical form, so every folder inside it is
    // named with it as prefix, links and all. It is found without changing the process's
    // working directory, which belongs to the whole program.
    baseDir_ = dir;
    if (std::string canonical = store::canonicalPath(standardizePath(dir)); !canonical.empty()) {
        baseDir_ = std::move(canonical);
        // Uploads that a crash left unfinished are nobody's: their temporary files go.
        if (std::size_t removed = store::removeLeftoverUploads(baseDir_))
            logInfo("FTP: removed %zu unfinished uploads.", removed);
    } else {
        logError("FTP: the folder %s cannot be served: it cannot be found.", dir.c_str());
    }
    changeRoot_ = true;
    clientEncoding_ = TextEncoding::Utf8;
}

FtpServer::~FtpServer()
{
    if (listenSocket_) {
        listenSocket_->setDelegate(nullptr);
        listenSocket_->disconnect();
    }
}

std::uint16_t FtpServer::listeningPort() const
{
    return listenSocket_ && listening_ ? listenSocket_->localPort() : 0;
}

void FtpServer::stopFtpServer()
{
    if (listenSocket_) listenSocket_->disconnect();
    listening_ = false;
    // Released connections close their control and data sockets.
    auto dropped = std::move(connections_);
    connections_.clear();
    dropped.clear();
    logInfo("FTP: the server stopped.");
}

void FtpServer::closeConnection(FtpConnection& connection)
{
    auto it = std::find_if(connections_.begin(), connections_.end(),
                           [&](const std::shared_ptr<FtpConnection>& c) { return c.get() == &connection; });
    if (it == connections_.end()) return;
    connections_.erase(it);
    connectionsChanged();
}

void FtpServer::connectionsChanged()
{
    if (notificationObject_) notificationObject_->didChangeConnectionCount(connections_.size());
}

std::string FtpServer::createList(const std::string& dir) const { return ftp::createList(dir); }

bool FtpServer::admits(const FtpConnection& connection, const std::string& address) const
{
    std::size_t all = 0;
    std::size_t fromAddress = 0;
    for (const auto& other : connections_) {
        if (other.get() == &connection || !other->isAdmitted()) continue;
        ++all;
        if (other->clientAddress() == address) ++fromAddress;
    }
    return all < limits_.maxClients && fromAddress < limits_.maxPerAddress;
}

void FtpServer::didReceiveFileListChanged()
{
    if (notificationObject_) notificationObject_->didReceiveFileListChanged();
}

void FtpServer::didDataSend()
{
    if (notificationObject_) notificationObject_->didDataSend();
}

void FtpServer::didDataReceived()
{
    if (notificationObject_) notificationObject_->didDataReceived();
}

void FtpServer::didTransferProgress(const FileTransfer& transfer)
{
    if (notificationObject_) notificationObject_->didTransferProgress(transfer);
}

void FtpServer::didTransferEnd(const FileTransfer& transfer, bool complete)
{
    if (notificationObject_) notificationObject_->didTransferEnd(transfer, complete);
}

void FtpServer::onSocketDidAcceptNewSocket(net::EventSocket& sock, const std::shared_ptr<net::EventSocket>& newSocket)
{
    connections_.push_back(FtpConnection::create(newSocket, shared_from_this()));
    connectionsChanged();
    logDebug("FTP: a client connected from %s.", newSocket->connectedHost().value_or("an unknown address").c_str());
    // The listener may only accept on the port it listens on (the one the system chose when
    // asked for any): anything else is a fault of the socket layer.
    if (sock.localPort() != listeningPort())
        logError("FTP: a connection arrived on port %u, the server listens on %u.",
                 static_cast<unsigned>(sock.localPort()), static_cast<unsigned>(listeningPort()));
}

void FtpServer::onSocketDidConnectToHost(net::EventSocket&, const std::string& host, std::uint16_t port)
{
    logDebug("FTP: connected to %s port %u.", host.c_str(), static_cast<unsigned>(port));
}

}  // namespace ohmkit::ftp
