// The transfers of a control connection: what goes out on the data connection, the bookkeeping
// of the one transfer under way, and how an upload ends (committed, or discarded when its
// client is gone or cancelled it).
#include "ftp/ftp_connection.h"

#include "ftp/ftp_replies.h"
#include "ftp/ftp_server.h"
#include "platform/log.h"
#include "store/composed_form.h"

#include <poll.h>
#include <sys/socket.h>

#include <cctype>
#include <cerrno>
#include <cstring>

namespace ohmkit::ftp {

using platform::logDebug;
using platform::logError;
using platform::logInfo;
using platform::logWarning;
using store::composedForm;

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
    logDebug("FTP: a second transfer was refused while one is in progress.");
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
    if (transfer_ != Transfer::None) logDebug("FTP: the transfer in progress is dropped.");
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
    logWarning("FTP: data port %d was refused: it is a privileged port.", port & 0xFFFF);
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
        logWarning("FTP: data arrived with no upload to write it to.");
        return;
    }
    if (uploadWriteFailed_) return;
    const std::string_view data = dataConnection_->receivedData();
    if (!currentFileHandle_->write(data)) {
        logError("FTP: writing %s failed: %s.", currentFile_.value_or("").c_str(), std::strerror(errno));
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
        logInfo("FTP: the upload was cancelled with ABOR; its file is discarded.");
        uploadAborted_ = true;
        sendMessage(reply::kTransferBroken);
    } else if (end == DataEnd::closedByClient && !abortWaiting()) {
        logDebug("FTP: the client closed the data connection before the end of the file.");
        sendMessage(reply::kStoppedByClient);
    } else if (end != DataEnd::finished || (upload && clientVanished())) {
        if (upload && end == DataEnd::finished) logInfo("FTP: the client went away as its upload ended; its file is discarded.");
        sendMessage(reply::kTransferBroken);
    } else if (upload && (uploadWriteFailed_ || !upload->commit())) {
        logError("FTP: the upload to %s failed: %s.", upload->targetPath().c_str(), std::strerror(errno));
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
