#include "ftp/ftp_data_connection.h"

#include "ftp/ftp_connection.h"
#include "platform/log.h"
#include "platform/run_loop.h"

namespace ohmkit::ftp {

using platform::logFormat;
using platform::logLine;

namespace {
const std::string kEmptyWriteDone = "emptyWriteDone";
}

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
        logLine("FC:Write Queued Data");
        data->writeQueuedData(queuedData);
    }
    data->queueRead();
    data->connectionState_ = initialState;
    return data;
}

FtpDataConnection::~FtpDataConnection()
{
    platform::RunLoop::main().cancelAll(this);
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

void FtpDataConnection::writeData(std::shared_ptr<const std::string> data)
{
    connectionState_ = serverSending;
    if (data && !data->empty()) {
        ++writesInFlight_;
        dataSocket_->writeData(std::move(data), -1, 0);
    } else if (writesInFlight_ == 0) {
        // The socket ignores an empty write, so nothing would ever complete: report the
        // (empty) transfer as written on the next turn of the loop.
        platform::RunLoop::main().post(
            [this] {
                if (ftpConnection_) ftpConnection_->didReceiveDataWritten();
            },
            0.0, this, kEmptyWriteDone);
    }
    queueRead();
}

void FtpDataConnection::writeQueuedData(DataQueue& queue)
{
    DataQueue pending = std::move(queue);
    queue.clear();
    for (auto& data : pending) writeData(std::move(data));
}

void FtpDataConnection::closeConnection()
{
    platform::RunLoop::main().cancel(this, kEmptyWriteDone);
    dataSocket_->disconnect();
}

bool FtpDataConnection::onSocketWillConnect(net::EventSocket&)
{
    queueRead();
    return true;
}

void FtpDataConnection::onSocketDidAcceptNewSocket(net::EventSocket&, const std::shared_ptr<net::EventSocket>&)
{
    logLine("FDC:New Connection -- shouldn't be called");
}

void FtpDataConnection::onSocketDidReadData(net::EventSocket&, std::string_view data, std::int32_t)
{
    auto keep = shared_from_this();
    queueRead();
    receivedData_ = data;
    if (ftpConnection_) ftpConnection_->didReceiveDataRead();
    receivedData_ = {};
    connectionState_ = clientDataArrived;
}

void FtpDataConnection::onSocketDidWriteDataWithTag(net::EventSocket&, std::int32_t)
{
    auto keep = shared_from_this();
    if (writesInFlight_ > 0) --writesInFlight_;
    if (ftpConnection_) ftpConnection_->didReceiveDataWritten();
    if (dataSocket_->isConnected()) queueRead();
}

bool FtpDataConnection::onReadStreamEnded(net::EventSocket&)
{
    logFormat("FDC: onReadStreamEnded %d(clientSending is %d)", connectionState_, static_cast<int>(clientSending));
    return connectionState_ == clientSending || connectionState_ == clientDataArrived;
}

void FtpDataConnection::onSocketWillDisconnectWithError(net::EventSocket&, const std::optional<net::Error>& error)
{
    auto keep = shared_from_this();
    logLine("FDC:willDisconnect");
    if (connectionState_ == clientSending)
        logLine("FDC::did FinishReading");
    else
        logLine("FDC: we werent expecting this as we never set clientSending  prob late coming up");
    if (error) logFormat("FDC: %s", error->description().c_str());
    if (ftpConnection_) ftpConnection_->didFinishReading(error.has_value());
}

}  // namespace ohmkit::ftp
