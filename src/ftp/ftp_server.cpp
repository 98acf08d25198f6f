#include "ftp/ftp_server.h"

#include "ftp/ftp_commands.h"
#include "ftp/ftp_connection.h"
#include "ftp/ftp_listing.h"
#include "ftp/ftp_paths.h"
#include "ftp/ftp_server_observer.h"
#include "platform/atomic_upload.h"
#include "platform/log.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <climits>

namespace ohmkit::ftp {

using platform::logFormat;
using platform::logLine;

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

// Every client takes a few descriptors (its control socket, a passive listener, a data socket,
// an open file): the usual soft limit of 1024 would lock newcomers out long before the
// client limits do.
void FtpServer::raiseOpenFileLimit()
{
    rlimit files{};
    if (::getrlimit(RLIMIT_NOFILE, &files) != 0 || files.rlim_cur >= files.rlim_max) return;
    files.rlim_cur = files.rlim_max;
    if (::setrlimit(RLIMIT_NOFILE, &files) == 0)
        logFormat("FS:open-file limit raised to %llu", static_cast<unsigned long long>(files.rlim_cur));
}

void FtpServer::start(std::uint32_t port, const std::string& dir, std::shared_ptr<FtpServerObserver> notifyObject)
{
    raiseOpenFileLimit();
    notificationObject_ = std::move(notifyObject);
    connections_.clear();
    portNumber_ = static_cast<std::int32_t>(port);

    listenSocket_ = net::EventSocket::create(this, loop_);
    net::Error error;
    listening_ = listenSocket_->acceptOnPort(static_cast<std::uint16_t>(port & 0xFFFF), &error);
    // The port the system chose when asked for any (0) is the one worth logging.
    if (listening_)
        logFormat("Listening on %u", static_cast<unsigned>(listeningPort()));
    else
        logFormat("Listening on %u failed: %s", port, error.description().c_str());

    // The base directory is kept in the system's canonical form (what getcwd reports), so
    // every folder inside it is named with it as prefix, links and all.
    std::string standardized = standardizePath(dir);
    baseDir_ = dir;
    if (!standardized.empty() && ::chdir(standardized.c_str()) == 0) {
        char cwd[PATH_MAX];
        baseDir_ = ::getcwd(cwd, sizeof cwd) ? std::string(cwd) : standardized;
        // Uploads that a crash left unfinished are nobody's: their temporary files go.
        if (std::size_t removed = platform::removeLeftoverUploads(baseDir_))
            logFormat("FS:removed %zu unfinished uploads", removed);
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
    logLine("Listening stopped");
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
    const int port = sock.localPort();
    logFormat("FS:didAcceptNewSocket  port:%i", port);
    if (port == portNumber_)
        logLine("Connection on Server Port");
    else
        logFormat("--ERROR %i, %i", port, portNumber_);
}

void FtpServer::onSocketDidConnectToHost(net::EventSocket&, const std::string& host, std::uint16_t port)
{
    logFormat("FS:didConnectToHost %s port %u", host.c_str(), static_cast<unsigned>(port));
}

}  // namespace ohmkit::ftp
