#include "ftp/ftp_connection.h"

#include "ftp/composed_form.h"
#include "ftp/ftp_paths.h"
#include "ftp/ftp_replies.h"
#include "ftp/ftp_server.h"
#include "platform/log.h"
#include "platform/run_loop.h"
#include "platform/stream_pair.h"
#include "platform/text.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

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
    connection->connectionSocket_->writeData(std::string(reply::kGreeting), -1, 0);
    connection->queueLineRead();
    connection->dataPort_ = 2001;
    connection->transferMode_ = pasvMode;
    connection->currentDir_ = server->baseDir();
    return connection;
}

FtpConnection::~FtpConnection()
{
    platform::RunLoop::main().cancelAll(this);
    if (dataConnection_) {
        dataConnection_->detach();
        dataConnection_.reset();
    }
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
    if (currentFileHandle_ >= 0) ::close(currentFileHandle_);   // bytes written so far stay
}

std::string FtpConnection::connectionAddress() const { return connectionSocket_->connectedHost().value_or(""); }

void FtpConnection::leave()
{
    if (leaving_) return;
    leaving_ = true;
    // Close now, destroy later: the registry lets go on a later turn, never inside a callback.
    platform::RunLoop::main().post(
        [self = shared_from_this()] {
            if (auto server = self->server_.lock()) server->closeConnection(*self);
            self->selfHold_.reset();
        },
        0.0, this, "leave");
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
    queueLineRead();

    std::vector<std::string> lines;
    const bool withinLimit = lineBuffer_.append(data, lines);
    for (const std::string& line : lines) {
        if (connectionSocket_->flags() & net::EventSocket::RequestsRefused) break;   // after QUIT
        if (!connectionSocket_->isConnected()) break;
        processDataRead(line);
    }
    if (!withinLimit) {
        logFormat("FC:command line longer than %zu bytes, closing", CommandLineBuffer::kMaxLineLength);
        connectionSocket_->disconnect();
    }
}

void FtpConnection::processDataRead(std::string_view line)
{
    if (!isValidUtf8(line)) {
        logLine("FC:command line is not UTF-8, ignored");
        return;
    }
    msgComponents_ = splitCommandWords(trimNewlines(line));
    processCommand();
    queueLineRead();
}

const std::map<std::string, FtpConnection::Handler>& FtpConnection::handlers()
{
    static const std::map<std::string, Handler> table = {
        {"doUser:arguments:", &FtpConnection::doUser},   {"doPass:arguments:", &FtpConnection::doPass},
        {"doQuit:arguments:", &FtpConnection::doQuit},   {"doStat:arguments:", &FtpConnection::doStat},
        {"doFeat:arguments:", &FtpConnection::doFeat},   {"doSyst:arguments:", &FtpConnection::doSyst},
        {"doNoop:arguments:", &FtpConnection::doNoop},   {"doType:arguments:", &FtpConnection::doType},
        {"doOpts:arguments:", &FtpConnection::doOpts},   {"doPwd:arguments:", &FtpConnection::doPwd},
        {"doCwd:arguments:", &FtpConnection::doCwd},     {"doCdUp:arguments:", &FtpConnection::doCdUp},
        {"doPasv:arguments:", &FtpConnection::doPasv},   {"doEpsv:arguments:", &FtpConnection::doEpsv},
        {"doPort:arguments:", &FtpConnection::doPort},   {"doLprt:arguments:", &FtpConnection::doLprt},
        {"doEprt:arguments:", &FtpConnection::doEprt},   {"doList:arguments:", &FtpConnection::doList},
        {"doRetr:arguments:", &FtpConnection::doRetr},   {"doStor:arguments:", &FtpConnection::doStor},
        {"doDele:arguments:", &FtpConnection::doDele},   {"doSize:arguments:", &FtpConnection::doSize},
        {"doMkdir:arguments:", &FtpConnection::doMkdir}, {"doRnfr:arguments:", &FtpConnection::doRnfr},
        {"doRnto:arguments:", &FtpConnection::doRnto},   {"doMlst:arguments:", &FtpConnection::doMlst},
    };
    return table;
}

void FtpConnection::processCommand()
{
    if (msgComponents_.empty() || msgComponents_[0].empty()) return;
    const std::string& word = msgComponents_[0];
    std::string lower;
    for (char c : word) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));

    auto server = server_.lock();
    if (!server) return;
    auto entry = server->commands().find(lower);
    if (entry == server->commands().end()) {
        sendMessage(format(reply::kUnknown, word.c_str()));
        return;
    }
    auto handler = handlers().find(entry->second + "arguments:");
    if (handler == handlers().end()) {
        sendMessage(format(reply::kUnknown, word.c_str()));
        logLine("DONT UNDERSTAND");
        return;
    }
    const Words words = msgComponents_;
    (this->*(handler->second))(words);
}

void FtpConnection::sendMessage(const std::string& message)
{
    connectionSocket_->writeData(message + "\r\n", -1, 0);
    queueLineRead();
}

void FtpConnection::onSocketDidWriteDataWithTag(net::EventSocket& sock, std::int32_t)
{
    if (&sock != connectionSocket_.get()) return;
    auto keep = shared_from_this();   // the observer may stop the server
    queueLineRead();
    if (auto server = server_.lock()) server->didDataSend();
}

void FtpConnection::onSocketDidDisconnect(net::EventSocket& sock)
{
    if (&sock == connectionSocket_.get()) {
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
    if (dataConnection_) {
        dataConnection_->detach();
        dataConnection_.reset();
    }

    if (transferMode_ == pasvMode || transferMode_ == epsvMode) {
        std::string local;
        if (transferMode_ == pasvMode) {
            local = comparableAddress(connectionSocket_->localHost().value_or(""));
            if (local.find(':') != std::string::npos) {
                sendMessage(reply::kPasvIpv6);
                return true;
            }
        }
        // A random port may be taken: try a few before giving up.
        for (int attempt = 0; attempt < 10 && !dataSocket_; ++attempt) {
            const std::uint16_t candidate = pasvPortChooser();
            auto socket = net::EventSocket::create(this);
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
        if (transferMode_ == pasvMode)
            sendMessage(format(reply::kPasv, platform::replaceAll(local, ".", ",").c_str(), dataPort_ / 256,
                               dataPort_ % 256));
        else
            sendMessage(format(reply::kEpsv, static_cast<int>(dataPort_)));
        return true;
    }

    // Active modes: connect back to the client's own address, whatever the command named.
    dataPort_ = static_cast<std::uint16_t>(port & 0xFFFF);
    dataSocket_ = net::EventSocket::create(this);
    net::Error error;
    if (!dataSocket_->connectToHost(connectionAddress(), dataPort_, &error))
        logFormat("-- %s", error.description().c_str());
    replaceDataConnection(dataSocket_);
    switch (transferMode_) {
    case portMode: sendMessage(reply::kPort); break;
    case lprtMode: sendMessage(reply::kLprt); break;
    default: sendMessage(reply::kEprt); break;
    }
    return true;
}

void FtpConnection::replaceDataConnection(std::shared_ptr<net::EventSocket> socket)
{
    if (dataConnection_) dataConnection_->detach();
    // An upload that was accepted before its data connection arrived starts receiving at once.
    const auto state = currentFileHandle_ >= 0 ? FtpDataConnection::clientSending : FtpDataConnection::connectionIdle;
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
        // Replies are short lines written one by one (QUIT and FEAT write several): send each
        // at once rather than waiting for the client to acknowledge the previous one.
        if (const platform::WriteStream* stream = sock.writeStream(); stream && stream->nativeSocket() >= 0) {
            int on = 1;
            ::setsockopt(stream->nativeSocket(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        }
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

void FtpConnection::beginTransfer(const std::string& path, bool upload, std::uint64_t total)
{
    auto keep = shared_from_this();   // the observer may stop the server
    transfer_ = FileTransfer{path.substr(path.rfind('/') + 1), upload, 0, total};
    if (auto server = server_.lock()) server->didTransferProgress(*transfer_);
}

void FtpConnection::transferMoved(std::uint64_t bytes)
{
    if (!transfer_) return;
    auto keep = shared_from_this();
    transfer_->bytes += bytes;
    if (auto server = server_.lock()) server->didTransferProgress(*transfer_);
}

void FtpConnection::endTransfer(bool complete)
{
    if (!transfer_) return;
    auto keep = shared_from_this();
    const FileTransfer ended = std::move(*transfer_);
    transfer_.reset();
    if (auto server = server_.lock()) server->didTransferEnd(ended, complete);
}

void FtpConnection::didSendFileBytes(std::size_t bytes)
{
    if (transfer_ && !transfer_->upload) transferMoved(bytes);
}

void FtpConnection::didReceiveDataWritten(bool readFailed)
{
    auto keep = shared_from_this();
    if (transfer_ && !transfer_->upload) endTransfer(!readFailed);
    sendMessage(readFailed ? reply::kReadFailed : reply::kTransferComplete);
    if (dataConnection_) dataConnection_->closeConnection();
}

void FtpConnection::didReceiveDataRead()
{
    if (currentFileHandle_ < 0 || !dataConnection_) {
        logLine("Couldnt write data");
        return;
    }
    if (uploadWriteFailed_) return;
    std::string_view data = dataConnection_->receivedData();
    const std::size_t size = data.size();
    while (!data.empty()) {
        ssize_t n = ::write(currentFileHandle_, data.data(), data.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            logFormat("FC:writing %s failed: %s", currentFile_.value_or("").c_str(), std::strerror(errno));
            uploadWriteFailed_ = true;
            return;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    transferMoved(size);
}

void FtpConnection::closeUploadFile()
{
    if (currentFileHandle_ < 0) return;
    if (::close(currentFileHandle_) != 0) uploadWriteFailed_ = true;
    currentFileHandle_ = -1;
}

void FtpConnection::didFinishReading(bool broken)
{
    auto keep = shared_from_this();   // the observer may stop the server
    if (currentFile_) currentFile_.reset();
    const bool hadFile = currentFileHandle_ >= 0;
    closeUploadFile();
    if (broken)
        sendMessage(reply::kTransferBroken);
    else if (hadFile && uploadWriteFailed_)
        sendMessage(reply::kWriteFailed);
    else
        sendMessage(reply::kTransferComplete);
    if (transfer_) endTransfer(transfer_->upload && hadFile && !broken && !uploadWriteFailed_);
    if (hadFile)
        if (auto server = server_.lock()) server->didReceiveFileListChanged();
    if (dataConnection_) dataConnection_->setConnectionState(FtpDataConnection::connectionIdle);
}

}  // namespace ohmkit::ftp
