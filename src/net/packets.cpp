#include "net/read_packet.h"
#include "net/write_packet.h"

namespace ohmkit::net {

namespace {

int percent(std::int32_t bytesDone, std::size_t length)
{
    if (bytesDone == 0) return 0;
    if (length == 0) return 100;
    // Single-precision quotient, widened to double, times 100, truncated toward zero.
    float ratio = static_cast<float>(bytesDone) / static_cast<float>(length);
    return static_cast<int>(static_cast<double>(ratio) * 100.0);
}

}  // namespace

ReadPacket::ReadPacket(std::shared_ptr<std::string> buffer_, double timeout_, std::int32_t tag_,
                       bool readAllAvailable, std::optional<std::string> terminator, std::int32_t maxLength_)
    : buffer(std::move(buffer_)), timeout(timeout_), maxLength(maxLength_), tag(tag_), term(std::move(terminator)),
      readAllAvailableData(readAllAvailable)
{
}

int ReadPacket::percentDone() const { return percent(bytesDone, buffer ? buffer->size() : 0); }

WritePacket::WritePacket(std::shared_ptr<const std::string> buffer_, double timeout_, std::int32_t tag_)
    : buffer(std::move(buffer_)), tag(tag_), timeout(timeout_)
{
}

WritePacket::WritePacket(FileRange file_, double timeout_, std::int32_t tag_)
    : buffer(std::make_shared<const std::string>()), tag(tag_), timeout(timeout_), file(std::move(file_))
{
}

int WritePacket::percentDone() const
{
    if (file.fd >= 0) return file.length ? static_cast<int>(fileDone * 100 / file.length) : 100;
    return percent(bytesDone, buffer ? buffer->size() : 0);
}

}  // namespace ohmkit::net
