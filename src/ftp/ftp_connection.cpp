#include "ftp/ftp_connection.h"

#include "ftp/ftp_commands.h"
#include "ftp/ftp_paths.h"
#include "ftp/ftp_replies.h"
#include "ftp/ftp_server.h"
#include "ftp/http_request_lines.h"
#include "platform/log.h"
#include "platform/run_loop.h"
#include "platform/stream_pair.h"
#include "platform/text.h"
#include "store/composed_form.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <random>
#include <utility>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace ohmkit::ftp {

using platform::format;
using platform::hasControlCharacter;
using platform::isValidUtf8;
using store::composedForm;
using platform::logDebug;
using platform::logError;
using platform::logInfo;
using platform::logWarning;

namespace {

// The address as compared between the control and the data connection: an IPv4-mapped IPv6
// address is its IPv4 address, and a zone suffix is dropped.
std::string comparableAddress(std::string host)
{
    if (std::size_t zone = host.find('%'); zone != std::string::npos) host.erase(zone);
    for (char& c : host) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (host.rfind("::ffff:", 0) == 0 && host.find('.') != std::string::npos) host.erase(0, 7);
    return host;
}

}  // namespace

// ---- Creation and end

FtpConnection::FtpConnection(std::shared_ptr<net::EventSocket> socket, const std::shared_ptr<FtpServer>& server)
    : connectionSocket_(std::move(socket)), server_(server)
{
}

std::shared_ptr<FtpConnection> FtpConnection::create(std::shared_ptr<net::EventSocket> socket,
                                                     const std::shared_ptr<FtpServer>& server)
{
    auto connection = std::make_shared<FtpConnection>(std::move(socket), server);
    connection->connectionSocket_->setDelegate(connection.get());
    // Reads take at most one line's worth, so that a client's lines wait in its socket, not
    // here, while the connection answers the ones it has.
    connection->connectionSocket_->setReadChunkLimit(CommandLineBuffer::kMaxLineLength);
    connection->queueLineRead();   // the greeting follows once the connection is up (admit)
    connection->dataPort_ = 2001;
    connection->transferMode_ = TransferMode::pasv;
    connection->currentDir_ = server->baseDir();
    return connection;
}

FtpConnection::~FtpConnection()
{
    if (watchdog_) watchdog_->invalidate();
    releaseDataConnection();
    for (auto& socket : unverifiedDataSockets_) {
        socket->setDelegate(nullptr);
        socket->disconnect();
    }
    if (dataSocket_) {
        if (dataSocket_->delegate() == this) dataSocket_->setDelegate(nullptr);
        dataSocket_->disconnect();
    }
    connectionSocket_->setDelegate(nullptr);
    connectionSocket_->disconnect();
    // An upload cut off with its client (or by the server's stop) leaves nothing behind.
}

std::string FtpConnection::connectionAddress() const { return connectionSocket_->connectedHost().value_or(""); }

void FtpConnection::leave()
{
    if (leaving_) return;
    leaving_ = true;
    // Close now, destroy later: the registry lets go on a later turn, never inside a callback.
    leaveLater_ = loop().defer([self = shared_from_this()] {
        self->reportTransferEnd(false);   // whatever was under way ends with the connection
        if (auto server = self->server_.lock()) server->closeConnection(*self);
    });
}

// ---- Command lines

void FtpConnection::queueLineRead()
{
    // The first line read stays current for the life of the socket and receives every chunk;
    // further requests would only wait in the queue, so at most one is kept.
    if (!connectionSocket_->currentRead() && connectionSocket_->readQueueLength() == 0)
        connectionSocket_->readDataToData(net::EventSocket::CRLFData(), -1, 0);
}

void FtpConnection::onSocketDidReadData(net::EventSocket& sock, std::string_view data, std::int32_t)
{
    if (&sock != connectionSocket_.get()) return;
    auto keep = shared_from_this();
    if (auto server = server_.lock()) server->didDataReceived();
    if (closing_) {
        // Nothing more is answered: what the client still sends waits in its socket.
        connectionSocket_->pauseReading();
        return;
    }
    queueLineRead();
    lineBuffer_.append(data);
    processLines();
}

void FtpConnection::processLines()
{
    auto keep = shared_from_this();
    std::size_t handled = 0;
    std::string line;
    while (!closing_ && connectionSocket_->readStream()) {
        if (awaitingControl_ && !controlSpokeAfterUpload()) {
            connectionSocket_->resumeReading();   // its end must be seen
            return;
        }
        if (repliesWaiting() > kMaxWaitingReplies) {
            // A client that does not read its replies is not read either, until they drain.
            waitingForReplies_ = true;
            connectionSocket_->pauseReading();
            return;
        }
        if (handled == kLinesPerTurn) {
            connectionSocket_->pauseReading();
            postProcessLines();
            return;
        }
        const auto next = lineBuffer_.next(line);
        if (next == CommandLineBuffer::Next::None) break;
        if (next == CommandLineBuffer::Next::TooLong) {
            logWarning("FTP: a command line was longer than %zu bytes; the connection is closed.", CommandLineBuffer::kMaxLineLength);
            connectionSocket_->disconnect();
            return;
        }
        ++handled;
        lastCommand_ = Clock::now();
        processDataRead(line);
    }
    if (closing_ || !connectionSocket_->readStream()) return;
    connectionSocket_->resumeReading();
    finishAfterPeerEnd();
}

void FtpConnection::postProcessLines()
{
    if (processLinesLater_.pending()) return;
    std::weak_ptr<FtpConnection> weak = weak_from_this();
    processLinesLater_ = loop().defer([weak] {
        if (auto self = weak.lock()) self->processLines();
    });
}

bool FtpConnection::onReadStreamEnded(net::EventSocket& sock)
{
    if (&sock != connectionSocket_.get()) return true;
    // Half-closed: the lines that came before the end are still answered.
    logDebug("FTP: the client ended its side of the control connection.");
    peerEnded_ = true;
    auto keep = shared_from_this();
    if (awaitingControl_) concludeAwaitedUpload();
    finishAfterPeerEnd();
    return false;
}

void FtpConnection::finishAfterPeerEnd()
{
    if (!peerEnded_ || closing_ || processLinesLater_.pending() || waitingForReplies_) return;
    if (currentFileHandle_) {
        // An upload whose client is gone can no longer end well: it ends now, not when its
        // data connection does.
        logInfo("FTP: the client ended its side during an upload, which is dropped.");
        dropTransfer();
        sendMessage(reply::kTransferBroken);
    } else if (transferInProgress() && !dataArrived()) {
        // Nobody is left to open the data connection it waits for.
        logInfo("FTP: the client ended its side before the data connection came.");
        dropTransfer();
        sendMessage(reply::kNoDataPort);
    }
    if (transferInProgress()) return;   // a download under way still goes out; then the close
    closeAfterReplies();
}

// A line with no command word gets no reply. One whose text is not UTF-8, or holds a control
// character other than TAB (a NUL would cut a name short in the file calls, a CR could end a
// reply line early), is refused with 501 before any word of it is looked at.
void FtpConnection::processDataRead(std::string_view line)
{
    const std::string text = trimNewlines(line);
    Words words = splitCommandWords(text);
    if (words[0].empty()) return;
    if (!loggedIn_ && (isHttpRequestLine(text) || isHttpHeaderLine(text))) {
        // A browser sent this, at a web page's bidding: the lines after it (the request's
        // body) are the page's, not the user's, and none of them is run or answered.
        logWarning("FTP: %s sent HTTP, not FTP; the connection is closed.", connectionAddress().c_str());
        msgComponents_.clear();
        closeAfterReplies();
        return;
    }
    if (!isValidUtf8(text) || hasControlCharacter(text)) {
        logInfo("FTP: a command line was refused: it is not UTF-8 text or holds control characters.");
        msgComponents_.clear();
        sendMessage(reply::kSyntaxError);
        return;
    }
    msgComponents_ = std::move(words);
    processCommand();
    queueLineRead();
}

// The dispatcher: finds the row of the command word, reads the argument as the row says, and
// sends the row's refusals (501 without a needed argument, 550 or 553 for a path outside the
// store, 425 for a second transfer) before the handler runs.
void FtpConnection::processCommand()
{
    if (msgComponents_.empty() || msgComponents_[0].empty()) return;
    const std::string& word = msgComponents_[0];
    if (!server_.lock()) return;
    const CommandRow* row = findCommand(word);
    if (!row || !row->handler) {
        sendMessage(format(reply::kUnknown, word.c_str()));
        if (row) logDebug("FTP: %s is known but not answered.", word.c_str());
        return;
    }
    const Words words = msgComponents_;
    // An upload cancelled by ABOR is remembered for the ABOR that follows it only.
    if (row->handler != &FtpConnection::doAbor) uploadAborted_ = false;
    // A restart point holds for the one command after REST.
    commandRestart_ = row->keepsRestPoint ? 0 : std::exchange(restartAt_, 0);

    commandName_ = row->argument == ArgumentKind::none ? std::string()
                   : fileNameFromArgs(words, row->argument == ArgumentKind::optionsThenPath);
    commandPath_.reset();
    const bool missing = row->argument == ArgumentKind::word ? words.size() < 2 : commandName_.empty();
    if (row->needsArgument && missing) {
        sendMessage(reply::kSyntaxError);
        return;
    }
    const bool resolved = row->path != PathArgument::none && row->path != PathArgument::own;
    if (resolved && !commandName_.empty()) {
        commandPath_ = pathOrRefuse(commandName_, row->path == PathArgument::followed,
                                    row->upload ? reply::kStorDenied : reply::kPermissionDenied,
                                    row->path == PathArgument::itselfNotStore);
        if (!commandPath_) return;
    }
    if (row->opensTransfer && refuseSecondTransfer()) return;
    (this->*(row->handler))(words);
}

void FtpConnection::sendMessage(const std::string& message)
{
    // One line, whatever the text holds: a line end inside it would let a name forge a reply.
    std::string line = message;
    for (char& c : line)
        if (c == '\r' || c == '\n') c = ' ';
    line += "\r\n";
    queueReply(line);
    queueLineRead();
}

std::size_t FtpConnection::repliesWaiting() const { return replies_.size() + connectionSocket_->queuedWriteBytes(); }

// Replies made while an earlier write is under way go out together in the next write: a
// client sending many lines at once costs one write per turn, not one per line.
void FtpConnection::queueReply(std::string_view bytes)
{
    replies_ += bytes;
    flushReplies();
}

void FtpConnection::flushReplies()
{
    if (replyWriteInFlight_ || replies_.empty()) return;
    replyWriteInFlight_ = true;
    connectionSocket_->writeData(std::move(replies_), -1, 0);
    replies_.clear();
}

void FtpConnection::closeAfterReplies()
{
    if (!replies_.empty()) connectionSocket_->writeData(std::move(replies_), -1, 0);
    replies_.clear();
    closing_ = true;
    closingSince_ = Clock::now();
    connectionSocket_->disconnectAfterWriting();
}

void FtpConnection::onSocketDidWriteDataWithTag(net::EventSocket& sock, std::int32_t)
{
    if (&sock != connectionSocket_.get()) return;
    auto keep = shared_from_this();   // the observer may stop the server
    replyWriteInFlight_ = false;
    flushReplies();
    queueLineRead();
    if (auto server = server_.lock()) server->didDataSend();
    if (waitingForReplies_ && repliesWaiting() <= kMaxWaitingReplies) {
        waitingForReplies_ = false;
        postProcessLines();
    }
}

void FtpConnection::onSocketDidDisconnect(net::EventSocket& sock)
{
    if (&sock == connectionSocket_.get()) {
        if (awaitingControl_) {
            auto keep = shared_from_this();
            logInfo("FTP: the control connection closed as the upload ended; its file is discarded.");
            dropTransfer();
        }
        leave();
        return;
    }
    std::erase_if(unverifiedDataSockets_, [&](const auto& s) { return s.get() == &sock; });
}

// ---- Data sockets

std::uint16_t FtpConnection::choosePasvDataPort()
{
    // The server's own generator, seeded once from the system's entropy: the process-wide
    // rand48 state belongs to the rest of the program, and a seed from the time of day would
    // give clients that ask in the same moment the same ports.
    static std::mt19937 generator{std::random_device{}()};
    return static_cast<std::uint16_t>(std::uniform_int_distribution<int>(1024, 65535)(generator));
}

bool FtpConnection::openDataSocket(std::int32_t port)
{
    // Whatever waits for the previous data connection is dropped with it: it must not go out
    // on the new one.
    dropTransfer();
    if (dataSocket_) {
        if (dataSocket_->delegate() == this) dataSocket_->setDelegate(nullptr);
        dataSocket_->disconnect();
        dataSocket_.reset();
    }
    for (auto& socket : unverifiedDataSockets_) {
        socket->setDelegate(nullptr);
        socket->disconnect();
    }
    unverifiedDataSockets_.clear();

    if (transferMode_ == TransferMode::pasv || transferMode_ == TransferMode::epsv) {
        std::string local;
        if (transferMode_ == TransferMode::pasv) {
            local = comparableAddress(connectionSocket_->localHost().value_or(""));
            if (local.find(':') != std::string::npos) {
                sendMessage(reply::kPasvIpv6);
                return true;
            }
        }
        // A random port may be taken: try a few before giving up.
        for (int attempt = 0; attempt < 10 && !dataSocket_; ++attempt) {
            const std::uint16_t candidate = pasvPortChooser();
            auto socket = net::EventSocket::create(this, &loop());
            net::Error error;
            if (socket->acceptOnPort(candidate, &error)) {
                dataSocket_ = std::move(socket);
                dataPort_ = candidate;
            } else {
                logDebug("FTP: a passive port could not be opened: %s", error.description().c_str());
            }
        }
        if (!dataSocket_) {
            sendMessage(reply::kNoDataPort);
            return true;
        }
        if (transferMode_ == TransferMode::pasv)
            sendMessage(format(reply::kPasv, platform::replaceAll(local, ".", ",").c_str(), dataPort_ / 256,
                               dataPort_ % 256));
        else
            sendMessage(format(reply::kEpsv, static_cast<int>(dataPort_)));
        return true;
    }

    // Active modes: connect back to the client's own address, whatever the command named.
    dataPort_ = static_cast<std::uint16_t>(port & 0xFFFF);
    dataSocket_ = net::EventSocket::create(this, &loop());
    net::Error error;
    if (!dataSocket_->connectToHost(connectionAddress(), dataPort_, &error))
        logInfo("FTP: the data connection to the client could not be opened: %s", error.description().c_str());
    replaceDataConnection(dataSocket_);
    switch (transferMode_) {
    case TransferMode::port: sendMessage(reply::kPort); break;
    case TransferMode::lprt: sendMessage(reply::kLprt); break;
    default: sendMessage(reply::kEprt); break;
    }
    return true;
}

void FtpConnection::replaceDataConnection(std::shared_ptr<net::EventSocket> socket)
{
    releaseDataConnection();
    // An upload that was accepted before its data connection arrived starts receiving at once.
    const auto state = currentFileHandle_ ? FtpDataConnection::ConnectionState::clientSending : FtpDataConnection::ConnectionState::connectionIdle;
    dataConnection_ = FtpDataConnection::create(std::move(socket), this, queuedData_, state);
}

void FtpConnection::onSocketDidAcceptNewSocket(net::EventSocket& sock, const std::shared_ptr<net::EventSocket>& newSocket)
{
    if (&sock != dataSocket_.get()) return;
    // The peer's address is known once the socket is connected; until then it waits here.
    newSocket->setDelegate(this);
    unverifiedDataSockets_.push_back(newSocket);
}

bool FtpConnection::onSocketWillConnect(net::EventSocket&) { return true; }

void FtpConnection::onSocketDidConnectToHost(net::EventSocket& sock, const std::string& host, std::uint16_t)
{
    if (&sock == connectionSocket_.get()) {
        admit(sock, host);
        return;
    }
    auto it = std::find_if(unverifiedDataSockets_.begin(), unverifiedDataSockets_.end(),
                           [&](const auto& s) { return s.get() == &sock; });
    if (it == unverifiedDataSockets_.end()) return;
    std::shared_ptr<net::EventSocket> socket = std::move(*it);
    unverifiedDataSockets_.erase(it);
    if (comparableAddress(host) != comparableAddress(connectionAddress())) {
        logWarning("FTP: a data connection from %s was refused: the client is %s.", host.c_str(), connectionAddress().c_str());
        socket->setDelegate(nullptr);
        socket->disconnect();
        return;
    }
    replaceDataConnection(std::move(socket));
}

void FtpConnection::admit(net::EventSocket& sock, const std::string& host)
{
    auto keep = shared_from_this();
    // Replies are short lines written one by one (QUIT and FEAT write several): send each at
    // once rather than waiting for the client to acknowledge the previous one. An urgent byte
    // (the Telnet data mark that clients send with ABOR) stays in the stream, where the line
    // buffer takes it out, instead of cutting a line apart.
    if (const platform::WriteStream* stream = sock.writeStream(); stream && stream->nativeSocket() >= 0) {
        int on = 1;
        ::setsockopt(stream->nativeSocket(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        ::setsockopt(stream->nativeSocket(), SOL_SOCKET, SO_OOBINLINE, &on, sizeof on);
    }
    clientAddress_ = comparableAddress(host);
    auto server = server_.lock();
    if (!server) return;
    lastCommand_ = closingSince_ = Clock::now();
    const FtpLimits& limits = server->limits();
    std::weak_ptr<FtpConnection> weak = weak_from_this();
    const double period = std::clamp(std::min(limits.idleTimeout, limits.dataTimeout) / 4, 0.01, 15.0);
    watchdog_ = platform::Timer::schedule(loop(), period, true, [weak](platform::Timer&) {
        if (auto self = weak.lock()) self->watch();
    });
    if (!server->admits(*this, clientAddress_)) {
        logWarning("FTP: %s was turned away: too many connections.", host.c_str());
        sendMessage(reply::kTooManyConnections);
        closeAfterReplies();
        return;
    }
    admitted_ = true;
    queueReply(reply::kGreeting);
}

bool FtpConnection::dataArrived() const
{
    return dataConnection_ && (dataConnection_->dataSocket()->flags() & net::EventSocket::ConnectReported);
}

void FtpConnection::watch()
{
    auto keep = shared_from_this();
    auto server = server_.lock();
    const FtpLimits limits = server ? server->limits() : FtpLimits{};
    const auto now = Clock::now();
    auto secondsSince = [&](Clock::time_point since) { return std::chrono::duration<double>(now - since).count(); };
    if (awaitingControl_) return;   // a quarter of a second at most
    if (closing_) {
        // Replies that the client does not read keep nobody's connection open for long.
        if (secondsSince(closingSince_) >= limits.idleTimeout) {
            logInfo("FTP: the client did not take its last replies; the connection is closed.");
            connectionSocket_->disconnect();
        }
        return;
    }
    if (transfer_ != Transfer::None) {
        // A transfer under way is the client's business, not idleness of the control connection.
        if (!dataArrived()) {
            if (secondsSince(transferSince_) < limits.dataTimeout) return;
            logInfo("FTP: the data connection did not come.");
            dropTransfer();
            sendMessage(reply::kNoDataPort);
            lastCommand_ = now;
            finishAfterPeerEnd();
            return;
        }
        const std::uint64_t progress = dataConnection_->progress();
        if (transfer_ == Transfer::Waiting || progress != lastProgress_) {
            transfer_ = Transfer::Running;
            lastProgress_ = progress;
            lastProgressAt_ = now;
            return;
        }
        if (secondsSince(lastProgressAt_) < limits.idleTimeout) return;
        logInfo("FTP: the data connection has not moved for too long; the transfer is aborted.");
        dropTransfer();
        sendMessage(reply::kTransferBroken);
        lastCommand_ = now;
        finishAfterPeerEnd();
        return;
    }
    if (secondsSince(lastCommand_) >= limits.idleTimeout) {
        logInfo("FTP: no command came for too long; the connection is closed.");
        sendMessage(reply::kTimeout);
        closeAfterReplies();
    }
}

}  // namespace ohmkit::ftp
