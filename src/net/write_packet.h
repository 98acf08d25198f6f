#pragma once
// A queued write request of an EventSocket.
#include <cstdint>
#include <memory>
#include <string>

namespace ohmkit::net {

struct WritePacket {
    // Refers to the caller's bytes without copying them; bytesDone = 0.
    WritePacket(std::shared_ptr<const std::string> buffer, double timeout, std::int32_t tag);

    std::shared_ptr<const std::string> buffer;   // the bytes to send, exactly as handed in
    std::int32_t bytesDone = 0;                  // bytes accepted by the write stream so far
    std::int32_t tag;
    double timeout;                              // seconds; negative: none

    int percentDone() const;                     // as ReadPacket::percentDone()
};

}  // namespace ohmkit::net
