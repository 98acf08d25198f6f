#include "ftp/ftp_data_connection.h"

#include "ftp/ftp_connection.h"
#include "platform/log.h"
#include "platform/run_loop.h"
#include "platform/stream_pair.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace ohmkit::ftp {

using platform::logDebug;
using platform::logWarning;

FtpDataConnection::FtpDataConnection(std::shared_ptr<net::EventSocket> socket, FtpConnection* connection)
    : dataSocket_(std::move(socket)), ftpConnection_(connection)
{
}

std::shared_ptr<FtpDataConnection> FtpDataConnection::create(std::shared_ptr<net::EventSocket> socket,
                                                             FtpConnection* connection, DataQueue& queuedData,
                                                             ConnectionState initialState)
{
    auto data = std::make_shared<FtpDataConnection>(std::move(socket), connection);
    data->dataSocket_->setDelegate(data.get());
    if (!queuedData.empty()) {
        logDebug("FTP: the data queued for the data connection goes out.");
        data->writeQueuedData(queuedData);
    }
    data->queueRead();
    data->connectionState_ = initialState;
    return data;
}

FtpDataConnection::~FtpDataConnection()
{
    emptyWriteDone_.cancelAll();
    if (dataSocket_) {
        dataSocket_->setDelegate(nullptr);
        dataSocket_->disconnect();
    }
}

void FtpDataConnection::queueRead()
{
    // The first read stays current for the life of the socket and receives every chunk; more
    // requests would only wait in the queue, so one is kept at most.
    if (!dataSocket_->currentRead() && dataSocket_->readQueueLength() == 0) dataSocket_->readDataWithTimeout(-1, 0);
}

void FtpDataConnection::writeData(std::shared_ptr<const std::string> data) { write({std::move(data), nullptr}); }

void FtpDataConnection::writeFile(std::shared_ptr<DownloadFile> file) { write({nullptr, std::move(file)}); }

void FtpDataConnection::write(OutgoingData data)
{
    connectionState_ = ConnectionState::serverSending;
    if (file_) {
        waiting_.push_back(std::move(data));   // after the file, in order
    } else if (data.file) {
        file_ = std::move(data.file);
        fileFailed_ = false;
        if (!sendNextChunk()) {
            // An empty (or unreadable) file: nothing will complete, so the transfer ends on
            // the next turn.
            std::weak_ptr<FtpDataConnection> weak = weak_from_this();
            emptyWriteDone_.defer(dataSocket_->runLoop(), [weak] {
                if (auto self = weak.lock()) self->fileDone();
            });
        }
    } else if (data.bytes && !data.bytes->empty()) {
        writesInFlight_.push_back(0);
        dataSocket_->writeData(std::move(data.bytes), -1, 0);
    } else if (writesInFlight_.empty()) {
        // The socket ignores an empty write, so nothing would ever complete: report the
        // (empty) transfer as written on the next turn of the loop.
        std::weak_ptr<FtpDataConnection> weak = weak_from_this();
        emptyWriteDone_.defer(dataSocket_->runLoop(), [weak] {
            if (auto self = weak.lock(); self && self->ftpConnection_) self->ftpConnection_->didReceiveDataWritten();
        });
    }
    queueRead();
}

bool FtpDataConnection::sendNextChunk()
{
    if (!file_->stillWhole()) {
        logWarning("FTP: the file was cut short while it was sent.");
        fileFailed_ = true;
        return false;
    }
    net::FileRange range = file_->nextRange(file_);
    if (range.length == 0) return false;
    writesInFlight_.push_back(static_cast<std::size_t>(range.length));
    dataSocket_->writeFile(std::move(range), -1, 0);
    return true;
}

// The file has been sent (or could not be read further): the transfer counts as written once,
// then whatever was written meanwhile goes out if the connection is still there.
void FtpDataConnection::fileDone()
{
    auto keep = shared_from_this();
    file_.reset();
    if (ftpConnection_) ftpConnection_->didReceiveDataWritten(fileFailed_);
    std::vector<OutgoingData> waiting = std::move(waiting_);
    waiting_.clear();
    if (!dataSocket_->isConnected()) return;
    for (auto& data : waiting) write(std::move(data));
}

void FtpDataConnection::writeQueuedData(DataQueue& queue)
{
    DataQueue pending = std::move(queue);
    queue.clear();
    for (auto& data : pending) write(std::move(data));
}

void FtpDataConnection::closeConnection()
{
    emptyWriteDone_.cancelAll();
    dataSocket_->disconnect();
}

DownloadFile::~DownloadFile()
{
    if (fd_ >= 0) ::close(fd_);
}

net::FileRange DownloadFile::nextRange(std::shared_ptr<const void> owner)
{
    const std::uint64_t length = std::min(end_ - next_, ChunkSize);
    net::FileRange range{fd_, next_, length, std::move(owner)};
    next_ += length;
    return range;
}

bool DownloadFile::stillWhole() const
{
    struct stat st{};
    return ::fstat(fd_, &st) == 0 && static_cast<std::uint64_t>(st.st_size) >= next_;
}

bool FtpDataConnection::onSocketWillConnect(net::EventSocket&)
{
    queueRead();
    return true;
}

void FtpDataConnection::onSocketDidAcceptNewSocket(net::EventSocket&, const std::shared_ptr<net::EventSocket>&)
{
    logWarning("FTP: a data connection accepted a connection, which it never should.");
}

// Bytes read, and bytes the client has acknowledged: a slow client that keeps reading makes
// progress even while the system's large send buffer lets the server write nothing more.
std::uint64_t FtpDataConnection::progress() const
{
    const platform::WriteStream* stream = dataSocket_->writeStream();
    if (!stream) return bytesRead_;
    const std::uint64_t written = stream->bytesWritten();
    return bytesRead_ + written - std::min<std::uint64_t>(written, stream->bytesUnacknowledged());
}

void FtpDataConnection::onSocketDidReadData(net::EventSocket&, std::string_view data, std::int32_t)
{
    auto keep = shared_from_this();
    bytesRead_ += data.size();
    queueRead();
    receivedData_ = data;
    if (ftpConnection_) ftpConnection_->didReceiveDataRead();
    receivedData_ = {};
    connectionState_ = ConnectionState::clientDataArrived;
}

void FtpDataConnection::onSocketDidWriteDataWithTag(net::EventSocket&, std::int32_t)
{
    auto keep = shared_from_this();
    const std::size_t fileChunk = writesInFlight_.empty() ? 0 : writesInFlight_.front();
    if (!writesInFlight_.empty()) writesInFlight_.pop_front();
    if (fileChunk && file_) {
        if (ftpConnection_) ftpConnection_->didSendFileBytes(fileChunk);
        if (!sendNextChunk()) fileDone();
    } else if (ftpConnection_) {
        ftpConnection_->didReceiveDataWritten();
    }
    if (dataSocket_->isConnected()) queueRead();
}

bool FtpDataConnection::onReadStreamEnded(net::EventSocket&)
{
    return connectionState_ == ConnectionState::clientSending || connectionState_ == ConnectionState::clientDataArrived;
}

void FtpDataConnection::onSocketWillDisconnectWithError(net::EventSocket&, const std::optional<net::Error>& error)
{
    auto keep = shared_from_this();
    if (error) logDebug("FTP: the data connection ended: %s", error->description().c_str());
    // A client that reads a range of a file closes the data connection once it has that range;
    // the next write then finds the connection closed (EPIPE) or reset (ECONNRESET).
    const bool closedByClient = file_ && error && error->domain == net::NSPOSIXErrorDomain &&
                                (error->code == EPIPE || error->code == ECONNRESET);
    file_.reset();   // a download that broke off sends nothing more
    waiting_.clear();
    using End = FtpConnection::DataEnd;
    if (ftpConnection_)
        ftpConnection_->didFinishReading(closedByClient ? End::closedByClient : error ? End::broken : End::finished);
}

}  // namespace ohmkit::ftp
