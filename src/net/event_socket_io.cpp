// EventSocket's read and write paths: the request queues, delivery passes, send passes, and
// the events of its streams.
#include "net/event_socket.h"

#include <algorithm>
#include <climits>
#include <new>

#include "net/event_socket_internal.h"
#include "platform/log.h"
#include "platform/run_loop.h"
#include "platform/stream_pair.h"
#include "platform/text.h"

namespace ohmkit::net {

using detail::identity;
using platform::format;
using platform::logWarning;
using platform::RunLoop;
using platform::StreamStatus;

// ---- Requests -------------------------------------------------------------------------------

void EventSocket::readDataToData(const std::string& terminator, double timeout, std::int32_t tag)
{
    readDataToData(terminator, timeout, -1, tag);
}

void EventSocket::readDataToData(const std::string& terminator, double timeout, std::int32_t maxLength,
                                 std::int32_t tag)
{
    if (terminator.empty()) return;
    if (maxLength >= 0 && static_cast<std::size_t>(maxLength) < terminator.size()) return;
    if (theFlags_ & RequestsRefused) return;
    queueRead(std::make_unique<ReadPacket>(std::make_shared<std::string>(), timeout, tag, false, terminator, maxLength));
}

void EventSocket::readDataWithTimeout(double timeout, std::int32_t tag)
{
    if (theFlags_ & RequestsRefused) return;
    queueRead(std::make_unique<ReadPacket>(std::make_shared<std::string>(), timeout, tag, true, std::nullopt, -1));
}

void EventSocket::writeData(std::shared_ptr<const std::string> data, double timeout, std::int32_t tag)
{
    if (!data || data->empty() || (theFlags_ & RequestsRefused)) return;
    if (data->size() > static_cast<std::size_t>(INT32_MAX)) {   // bytesDone is a signed 32-bit count
        logWarning("EventSocket %s ignored a write of %zu bytes: larger than 2 GiB.", identity(this).c_str(),
                  data->size());
        return;
    }
    queueWrite(std::make_unique<WritePacket>(std::move(data), timeout, tag));
}

void EventSocket::writeData(std::string data, double timeout, std::int32_t tag)
{
    if (data.empty()) return;
    writeData(std::make_shared<const std::string>(std::move(data)), timeout, tag);
}

void EventSocket::writeFile(FileRange range, double timeout, std::int32_t tag)
{
    if (range.fd < 0 || range.length == 0 || (theFlags_ & RequestsRefused)) return;
    queueWrite(std::make_unique<WritePacket>(std::move(range), timeout, tag));
}

std::string EventSocket::CRLFData() { return std::string("\r\n", 2); }

void EventSocket::queueRead(std::unique_ptr<ReadPacket> packet)
{
    theReadQueue_.push_back(std::move(packet));
    postDequeue(true);
}

void EventSocket::queueWrite(std::unique_ptr<WritePacket> packet)
{
    queuedWriteBytes_ += packet->file.fd >= 0 ? 0 : packet->buffer->size();
    theWriteQueue_.push_back(std::move(packet));
    postDequeue(false);
}

// One pending dequeue per side serves every request queued meanwhile: the dequeue starts the
// head of the queue, and each completed write posts the next one.
void EventSocket::postDequeue(bool read)
{
    platform::PendingCall& dequeue = read ? readDequeue_ : writeDequeue_;
    if (dequeue.pending()) return;
    std::weak_ptr<EventSocket> weak = weak_from_this();
    dequeue = loop_->defer([weak, read] {
        if (auto self = weak.lock()) read ? self->maybeDequeueRead() : self->maybeDequeueWrite();
    });
}

void EventSocket::pauseReading() { readPaused_ = true; }

void EventSocket::resumeReading()
{
    if (!readPaused_) return;
    readPaused_ = false;
    // The stream reported the waiting bytes once already and does not repeat itself until
    // they are read: a delivery pass on the next turn takes them.
    std::weak_ptr<EventSocket> weak = weak_from_this();
    resumeRead_ = loop_->defer([weak] {
        if (auto self = weak.lock()) self->doBytesAvailable();
    });
}

void EventSocket::setReadChunkLimit(std::size_t bytes) { readChunkLimit_ = std::clamp<std::size_t>(bytes, 1, ReadChunkSize); }

// ---- The read side --------------------------------------------------------------------------

void EventSocket::maybeDequeueRead()
{
    // Requests made before the connection is reported wait; the open handler starts them.
    if (theCurrentRead_ || theReadQueue_.empty() || !theReadStream_ || !(theFlags_ & ConnectReported)) return;
    theCurrentRead_ = std::move(theReadQueue_.front());
    theReadQueue_.pop_front();
    if (theCurrentRead_->timeout >= 0) {
        std::weak_ptr<EventSocket> weak = weak_from_this();
        theReadTimer_ = platform::Timer::schedule(*loop_, theCurrentRead_->timeout, false, [weak](platform::Timer& t) {
            if (auto self = weak.lock()) self->doReadTimeout(t);
        });
    }
    doBytesAvailable();
}

namespace {

// The delivery buffer. Passes on one thread run one after another, so one buffer per thread
// serves every socket of that thread; it is not zero-filled, and only the bytes a read fills
// are handed out. A pass that starts while another is running (a delegate that runs the loop
// from inside its callback) takes a buffer of its own.
class DeliveryBuffer {
public:
    DeliveryBuffer()
    {
        if (!inUse_) {
            if (!shared_) shared_.reset(new (std::nothrow) char[EventSocket::ReadChunkSize]);
            data_ = shared_.get();
            inUse_ = data_ != nullptr;
            holdsShared_ = inUse_;
        } else {
            own_.reset(new (std::nothrow) char[EventSocket::ReadChunkSize]);
            data_ = own_.get();
        }
    }
    ~DeliveryBuffer()
    {
        if (holdsShared_) inUse_ = false;
    }
    DeliveryBuffer(const DeliveryBuffer&) = delete;
    DeliveryBuffer& operator=(const DeliveryBuffer&) = delete;

    char* data() const { return data_; }

private:
    static thread_local std::unique_ptr<char[]> shared_;
    static thread_local bool inUse_;
    std::unique_ptr<char[]> own_;
    char* data_ = nullptr;
    bool holdsShared_ = false;
};

thread_local std::unique_ptr<char[]> DeliveryBuffer::shared_;
thread_local bool DeliveryBuffer::inUse_ = false;

}  // namespace

// A delivery pass: every chunk that can be read now goes to the delegate under the current
// read's tag, each a view of the delivery buffer that is valid during the call. A read that
// does not fill the buffer has drained the socket: the pass ends there, and bytes that arrive
// later bring a new bytes-available event.
void EventSocket::doBytesAvailable()
{
    if (!theCurrentRead_ || !theReadStream_ || readPaused_) return;
    auto stream = theReadStream_;
    DeliveryBuffer buffer;
    if (!buffer.data()) return;
    while (theReadStream_ == stream && theCurrentRead_ && !readPaused_) {
        ssize_t n = stream->read(buffer.data(), readChunkLimit_);
        if (n < 1) break;   // nothing there; the end or an error comes as its own event
        std::int32_t tag = theCurrentRead_->tag;
        if (theDelegate_)
            theDelegate_->onSocketDidReadData(*this, std::string_view(buffer.data(), static_cast<std::size_t>(n)), tag);
        if (static_cast<std::size_t>(n) < readChunkLimit_) break;
    }
}

void EventSocket::endCurrentRead()
{
    if (theReadTimer_) {
        theReadTimer_->invalidate();
        theReadTimer_.reset();
    }
    theCurrentRead_.reset();
}

void EventSocket::doReadTimeout(platform::Timer& timer)
{
    if (&timer != theReadTimer_.get()) return;
    if (theCurrentRead_) endCurrentRead();
    closeWithError(getReadTimeoutError());
}

// ---- The write side -------------------------------------------------------------------------

void EventSocket::maybeDequeueWrite()
{
    if (theCurrentWrite_ || theWriteQueue_.empty() || !theWriteStream_ || !(theFlags_ & ConnectReported)) return;
    theCurrentWrite_ = std::move(theWriteQueue_.front());
    theWriteQueue_.pop_front();
    if (theCurrentWrite_->timeout >= 0) {
        std::weak_ptr<EventSocket> weak = weak_from_this();
        theWriteTimer_ = platform::Timer::schedule(*loop_, theCurrentWrite_->timeout, false, [weak](platform::Timer& t) {
            if (auto self = weak.lock()) self->doWriteTimeout(t);
        });
    }
    doSendBytes();
}

// A send pass: calls of at most 4096 bytes while the stream accepts them. Every call but the
// last of a request tells the stream that more follows, so the socket packs the small calls
// into large packets instead of sending one packet per call.
void EventSocket::doSendBytes()
{
    if (!theCurrentWrite_ || !theWriteStream_) return;
    auto stream = theWriteStream_;
    if (!stream->canAcceptBytes()) return;
    bool error = false;
    WritePacket& write = *theCurrentWrite_;
    if (write.file.fd >= 0) {
        sendFileBytes(write);
        return;
    }
    const std::size_t total = write.buffer->size();
    for (;;) {
        std::size_t remaining = total - static_cast<std::size_t>(write.bytesDone);
        std::size_t length = std::min(remaining, WriteChunkSize);
        ssize_t n = stream->write(write.buffer->data() + write.bytesDone, length, length < remaining);
        if (n < 0) {
            error = true;
            break;
        }
        write.bytesDone += static_cast<std::int32_t>(n);
        queuedWriteBytes_ -= std::min(queuedWriteBytes_, static_cast<std::size_t>(n));
        if (static_cast<std::size_t>(write.bytesDone) >= total) break;
        if (!stream->canAcceptBytes()) break;
    }
    if (static_cast<std::size_t>(write.bytesDone) >= total) {
        completeCurrentWrite();
        if (!error) postDequeue(false);   // the next request starts on a later turn
    }
    if (error) closeWithError(errorFromCFStreamError(stream->error()));
}

// A file range goes from the file to the socket while the socket takes it; the request is
// done when the range is sent or the file ends early.
void EventSocket::sendFileBytes(WritePacket& write)
{
    auto stream = theWriteStream_;
    bool fileEnded = false;
    for (;;) {
        const std::uint64_t remaining = write.file.length - write.fileDone;
        std::uint64_t offset = write.file.offset + write.fileDone;
        const ssize_t n = stream->sendFile(write.file.fd, offset, remaining, fileEnded);
        if (n < 0) {
            closeWithError(errorFromCFStreamError(stream->error()));
            return;
        }
        write.fileDone += static_cast<std::uint64_t>(n);
        if (write.fileDone >= write.file.length || fileEnded || !stream->canAcceptBytes()) break;
    }
    if (write.fileDone >= write.file.length || fileEnded) {
        completeCurrentWrite();
        postDequeue(false);   // the next request starts on a later turn
    }
}

void EventSocket::completeCurrentWrite()
{
    WritePacket* write = theCurrentWrite_.get();
    std::int32_t tag = write->tag;
    if (theDelegate_) theDelegate_->onSocketDidWriteDataWithTag(*this, tag);
    if (theCurrentWrite_.get() == write) endCurrentWrite();
}

void EventSocket::endCurrentWrite()
{
    if (theWriteTimer_) {
        theWriteTimer_->invalidate();
        theWriteTimer_.reset();
    }
    theCurrentWrite_.reset();
    maybeScheduleDisconnect();
}

void EventSocket::maybeScheduleDisconnect()
{
    if (!(theFlags_ & DisconnectPending) || !theWriteQueue_.empty() || theCurrentWrite_) return;
    std::weak_ptr<EventSocket> weak = weak_from_this();
    disconnectLater_ = loop_->defer([weak] {
        if (auto self = weak.lock()) self->disconnect();
    });
}

void EventSocket::doWriteTimeout(platform::Timer& timer)
{
    if (&timer != theWriteTimer_.get()) return;
    if (theCurrentWrite_) endCurrentWrite();
    closeWithError(getWriteTimeoutError());
}

void EventSocket::emptyQueues()
{
    if (theCurrentRead_) endCurrentRead();
    if (theCurrentWrite_) endCurrentWrite();
    theReadQueue_.clear();
    theWriteQueue_.clear();
    queuedWriteBytes_ = 0;
    readDequeue_.cancel();
    writeDequeue_.cancel();
    resumeRead_.cancel();
}

// ---- Stream events --------------------------------------------------------------------------

void EventSocket::readStreamEvent(unsigned event)
{
    switch (event) {
    case platform::StreamEventOpenCompleted:
        doStreamOpen();
        break;
    case platform::StreamEventHasBytesAvailable:
        doBytesAvailable();
        break;
    case platform::StreamEventErrorOccurred:
        closeWithError(errorFromCFStreamError(theReadStream_ ? theReadStream_->error() : platform::StreamError{}));
        break;
    case platform::StreamEventEndEncountered:
        if (theDelegate_ && !theDelegate_->onReadStreamEnded(*this)) break;
        closeWithError(errorFromCFStreamError(theReadStream_ ? theReadStream_->error() : platform::StreamError{}));
        break;
    default:
        logWarning("EventSocket %s received unexpected CFReadStream callback, CFStreamEventType %d.",
                  identity(this).c_str(), static_cast<int>(event));
        break;
    }
}

void EventSocket::writeStreamEvent(unsigned event)
{
    switch (event) {
    case platform::StreamEventOpenCompleted:
        doStreamOpen();
        break;
    case platform::StreamEventCanAcceptBytes:
        doSendBytes();
        break;
    case platform::StreamEventErrorOccurred:
    case platform::StreamEventEndEncountered:
        closeWithError(errorFromCFStreamError(theWriteStream_ ? theWriteStream_->error() : platform::StreamError{}));
        break;
    default:
        logWarning("EventSocket %s received unexpected CFWriteStream callback, CFStreamEventType %d.",
                  identity(this).c_str(), static_cast<int>(event));
        break;
    }
}

}  // namespace ohmkit::net
