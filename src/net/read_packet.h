#pragma once
// A queued read request of an EventSocket.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace ohmkit::net {

struct ReadPacket {
    // Stores the buffer reference, a private copy of the terminator, and bytesDone = 0.
    ReadPacket(std::shared_ptr<std::string> buffer, double timeout, std::int32_t tag, bool readAllAvailable,
               std::optional<std::string> terminator, std::int32_t maxLength);

    std::shared_ptr<std::string> buffer;    // destination; the request is its long-term owner
    std::int32_t bytesDone = 0;             // stays 0 on the chunk-by-chunk delivery path
    double timeout;                         // seconds; negative: none
    std::int32_t maxLength;                 // 0 or less: no bound
    std::int32_t tag;
    std::optional<std::string> term;        // absent for read-all requests
    bool readAllAvailableData;

    // The percentage shown by EventSocket::description(): 0 when nothing is done, 100 for an
    // empty buffer, else bytesDone / length in single precision, times 100, truncated.
    int percentDone() const;
};

}  // namespace ohmkit::net
