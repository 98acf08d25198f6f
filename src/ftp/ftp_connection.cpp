#include "ftp/ftp_connection.h"

#include "ftp/composed_form.h"
#include "ftp/ftp_commands.h"
#include "ftp/ftp_paths.h"
#include "ftp/ftp_replies.h"
#include "ftp/ftp_server.h"
#include "ftp/http_request_lines.h"
#include "platform/log.h"
#include "platform/run_loop.h"
#include "platform/stream_pair.h"
#include "platform/text.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <utility>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace ohmkit::ftp {

using platform::format;
using platform::logFormat;
using platform::logLine;

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
            logFormat("FC:command line longer than %zu bytes, closing", CommandLineBuffer::kMaxLineLength);
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
    logLine("FC:the client ended its side");
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
        logLine("FC:the client ended its side during an upload, which is dropped");
        dropTransfer();
        sendMessage(reply::kTransferBroken);
    } else if (transferInProgress() && !dataArrived()) {
        // Nobody is left to open the data connection it waits for.
        logLine("FC:the client ended its side before the data connection came");
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
        logFormat("FC:%s sent HTTP, not FTP, closing", connectionAddress().c_str());
        msgComponents_.clear();
        closeAfterReplies();
        return;
    }
    if (!isValidUtf8(text) || hasControlCharacter(text)) {
        logLine("FC:command line is not UTF-8 or holds control characters, refused");
        msgComponents_.clear();
        sendMessage(reply::kSyntaxError);
        return;
    }
    msgComponents_ = std::move(words);
    processCommand();
    queueLineRead();
}

// The dispatcher: finds the row of the command word and sends the row's refusals (501 without
// a needed argument, 550 or 553 for a path outside the store) before the handler runs.
void FtpConnection::processCommand()
{
    if (msgComponents_.empty() || msgComponents_[0].empty()) return;
    const std::string& word = msgComponents_[0];
    if (!server_.lock()) return;
    const CommandRow* row = findCommand(word);
    if (!row || !row->handler) {
        sendMessage(format(reply::kUnknown, word.c_str()));
        if (row) logLine("DONT UNDERSTAND");
        return;
    }
    const Words words = msgComponents_;
    if (row->word != "abor") uploadAborted_ = false;
    // A restart point holds for the one command after REST.
    commandRestart_ = row->word == "rest" ? 0 : std::exchange(restartAt_, 0);

    commandName_ = fileNameFromArgs(words);
    commandPath_.reset();
    const bool missing = isFileCommand(word) ? commandName_.empty() : words.size() < 2;
    if (row->needsArgument && missing) {
        sendMessage(reply::kSyntaxError);
        return;
    }
    if (row->path != PathArgument::none && !commandName_.empty()) {
        commandPath_ = pathOrRefuse(commandName_, row->path == PathArgument::followed,
                                    row->upload ? reply::kStorDenied : reply::kPermissionDenied,
                                    row->path == PathArgument::itselfNotStore);
        if (!commandPath_) return;
    }
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
            logLine("FC:the control connection closed as the upload ended: its file is discarded");
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
    // The generator is seeded once from the time of day (upper and lower half of the seconds,
    // lower half of the microseconds) and then drawn from. Reseeding on every call would make
    // every port of the same second equal modulo 1024 (bits 17-26 of the next state depend only
    // on the seconds), leaving 63 ports to choose from and making concurrent clients collide.
    static const bool seeded = [] {
        timeval now{};
        ::gettimeofday(&now, nullptr);
        const auto seconds = static_cast<std::uint64_t>(now.tv_sec);
        unsigned short seed[3] = {static_cast<unsigned short>((seconds >> 16) & 0xFFFF),
                                  static_cast<unsigned short>(seconds & 0xFFFF),
                                  static_cast<unsigned short>(static_cast<std::uint64_t>(now.tv_usec) & 0xFFFF)};
        ::seed48(seed);
        return true;
    }();
    (void)seeded;
    const long r = ::lrand48();
    return static_cast<std::uint16_t>(r % 64512 + 1024);
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
                logFormat("-- %s", error.description().c_str());
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
        logFormat("-- %s", error.description().c_str());
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
        logFormat("FC:data connection from %s refused: the client is %s", host.c_str(), connectionAddress().c_str());
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
        logFormat("FC:%s has too many connections, turned away", host.c_str());
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
            logLine("FC:the last replies were not taken, closing");
            connectionSocket_->disconnect();
        }
        return;
    }
    if (transfer_ != Transfer::None) {
        // A transfer under way is the client's business, not idleness of the control connection.
        if (!dataArrived()) {
            if (secondsSince(transferSince_) < limits.dataTimeout) return;
            logLine("FC:the data connection did not come");
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
        logLine("FC:the data connection has not moved, the transfer is aborted");
        dropTransfer();
        sendMessage(reply::kTransferBroken);
        lastCommand_ = now;
        finishAfterPeerEnd();
        return;
    }
    if (secondsSince(lastCommand_) >= limits.idleTimeout) {
        logLine("FC:no command for too long, closing");
        sendMessage(reply::kTimeout);
        closeAfterReplies();
    }
}

// ---- Transfers

void FtpConnection::sendData(std::shared_ptr<const std::string> data)
{
    if (dataConnection_)
        dataConnection_->writeData(std::move(data));
    else
        queuedData_.push_back({std::move(data), nullptr});
}

void FtpConnection::sendFile(std::shared_ptr<DownloadFile> file)
{
    if (dataConnection_)
        dataConnection_->writeFile(std::move(file));
    else
        queuedData_.push_back({nullptr, std::move(file)});
}

void FtpConnection::sendDataString(const std::string& text)
{
    sendData(std::make_shared<const std::string>(composedForm(text)));
}

bool FtpConnection::refuseSecondTransfer()
{
    if (!transferInProgress()) return false;
    logLine("FC:a transfer is in progress already, refused");
    sendMessage(reply::kNoDataPort);
    return true;
}

void FtpConnection::beginTransfer()
{
    transfer_ = Transfer::Waiting;
    transferSince_ = Clock::now();
}

void FtpConnection::endTransfer()
{
    transfer_ = Transfer::None;
    lastCommand_ = Clock::now();   // the client has as long as ever for its next command
    releaseDataConnection();
    finishAfterPeerEnd();
}

void FtpConnection::dropTransfer()
{
    if (transfer_ != Transfer::None) logLine("FC:the transfer in progress is dropped");
    transfer_ = Transfer::None;
    stopAwaitingControl();
    queuedData_.clear();
    currentFile_.reset();
    currentFileHandle_.reset();   // nothing of a dropped upload is kept
    releaseDataConnection();
    reportTransferEnd(false);
}

// The data connection is let go at once; when this runs inside one of its callbacks, that
// callback keeps it alive until it returns.
void FtpConnection::releaseDataConnection()
{
    if (!dataConnection_) return;
    dataConnection_->detach();
    dataConnection_->closeConnection();
    dataConnection_.reset();
}

bool FtpConnection::refusePrivilegedPort(std::int32_t port)
{
    if ((port & 0xFFFF) >= 1024) return false;
    logFormat("FC:data port %d refused: a privileged port", port & 0xFFFF);
    sendMessage(reply::kIllegalPort);
    return true;
}

void FtpConnection::reportTransferStart(const std::string& path, bool upload, std::uint64_t total)
{
    auto keep = shared_from_this();   // the observer may stop the server
    reported_ = FileTransfer{path.substr(path.rfind('/') + 1), upload, 0, total};
    if (auto server = server_.lock()) server->didTransferProgress(*reported_);
}

void FtpConnection::reportTransferMoved(std::uint64_t bytes)
{
    if (!reported_) return;
    auto keep = shared_from_this();
    reported_->bytes += bytes;
    sessionBytes_ += bytes;
    if (auto server = server_.lock()) server->didTransferProgress(*reported_);
}

void FtpConnection::reportTransferEnd(bool complete)
{
    if (!reported_) return;
    auto keep = weak_from_this().lock();   // none while the connection is being destroyed
    const FileTransfer ended = std::move(*reported_);
    reported_.reset();
    if (complete) ++sessionFiles_;
    if (auto server = server_.lock()) server->didTransferEnd(ended, complete);
}

void FtpConnection::didSendFileBytes(std::size_t bytes)
{
    if (reported_ && !reported_->upload) reportTransferMoved(bytes);
}

void FtpConnection::didReceiveDataWritten(bool readFailed)
{
    auto keep = shared_from_this();
    if (reported_ && !reported_->upload) reportTransferEnd(!readFailed);
    sendMessage(readFailed ? reply::kReadFailed : reply::kTransferComplete);
    endTransfer();
}

void FtpConnection::didReceiveDataRead()
{
    if (!currentFileHandle_ || !dataConnection_) {
        logLine("Couldnt write data");
        return;
    }
    if (uploadWriteFailed_) return;
    const std::string_view data = dataConnection_->receivedData();
    if (!currentFileHandle_->write(data)) {
        logFormat("FC:writing %s failed: %s", currentFile_.value_or("").c_str(), std::strerror(errno));
        uploadWriteFailed_ = true;
        currentFileHandle_->discard();   // the space it took is free again at once
        return;
    }
    reportTransferMoved(data.size());
}

bool FtpConnection::clientVanished() const
{
    if (peerEnded_ || !connectionSocket_->readStream()) return true;
    const int fd = connectionSocket_->readStream()->nativeSocket();
    if (fd < 0) return true;
    pollfd p{fd, POLLRDHUP, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0;
}

namespace {

// True when `bytes` hold a line that is the word ABOR (any letter case), Telnet bytes before
// it allowed: a name with "abor" in it is no abort.
bool holdsAbort(std::string_view bytes)
{
    for (std::size_t at = 0; at + 4 <= bytes.size(); ++at) {
        std::string word(bytes.substr(at, 4));
        for (char& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (word != "abor") continue;
        const auto before = at == 0 ? '\n' : static_cast<unsigned char>(bytes[at - 1]);
        const auto after = at + 4 == bytes.size() ? '\r' : bytes[at + 4];
        if ((before == '\n' || before >= 0xF0) && (after == '\r' || after == '\n')) return true;
    }
    return false;
}

}  // namespace

bool FtpConnection::abortWaiting() const
{
    if (holdsAbort(lineBuffer_.pending())) return true;
    if (!connectionSocket_->readStream()) return false;
    const int fd = connectionSocket_->readStream()->nativeSocket();
    char bytes[512];
    const ssize_t n = fd < 0 ? -1 : ::recv(fd, bytes, sizeof bytes, MSG_PEEK | MSG_DONTWAIT);
    return n > 0 && holdsAbort(std::string_view(bytes, static_cast<std::size_t>(n)));
}

// The data connection has ended. An upload takes its name only when it ended well: not after
// a broken connection, not when its client is gone (a killed client's data connection ends as
// cleanly as a finished one; its control connection, closed first, tells them apart), not
// after a write failed, and not when the file cannot be put in place. A download the client
// closed early ended as the client chose, unless the close was its way of cancelling.
void FtpConnection::didFinishReading(DataEnd end)
{
    auto keep = shared_from_this();   // the observer may stop the server
    if (end == DataEnd::finished && currentFileHandle_ && !uploadWriteFailed_ && !abortWaiting() && !clientVanished()) {
        awaitControlAfterUpload();
        return;
    }
    concludeTransfer(end);
}

void FtpConnection::concludeTransfer(DataEnd end)
{
    auto keep = shared_from_this();
    currentFile_.reset();
    std::unique_ptr<UploadTarget> upload = std::move(currentFileHandle_);
    bool committed = false;
    if (upload && end == DataEnd::finished && abortWaiting()) {
        logLine("FC:the upload was cancelled with ABOR, its file is discarded");
        uploadAborted_ = true;
        sendMessage(reply::kTransferBroken);
    } else if (end == DataEnd::closedByClient && !abortWaiting()) {
        logLine("FC:the client closed the data connection before the end of the file");
        sendMessage(reply::kStoppedByClient);
    } else if (end != DataEnd::finished || (upload && clientVanished())) {
        if (upload && end == DataEnd::finished) logLine("FC:the client went away as its upload ended: its file is discarded");
        sendMessage(reply::kTransferBroken);
    } else if (upload && (uploadWriteFailed_ || !upload->commit())) {
        logFormat("FC:the upload to %s failed: %s", upload->targetPath().c_str(), std::strerror(errno));
        sendMessage(reply::kWriteFailed);
    } else {
        committed = upload != nullptr;
        sendMessage(reply::kTransferComplete);
    }
    upload.reset();   // an upload that did not take its name leaves nothing
    if (reported_) reportTransferEnd(reported_->upload && committed);
    if (committed)
        if (auto server = server_.lock()) server->didReceiveFileListChanged();
    endTransfer();   // the data socket is closing
}

}  // namespace ohmkit::ftp
