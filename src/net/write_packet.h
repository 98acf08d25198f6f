#pragma once
// A queued write request of an EventSocket.
#include <cstdint>
#include <memory>
#include <string>

namespace ohmkit::net {

// Bytes of an open file, sent from the file to the socket without passing through the
// process's memory. `owner` keeps the descriptor open until the request is done.
struct FileRange {
    int fd = -1;
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
    std::shared_ptr<const void> owner;
};

struct WritePacket {
    // Refers to the caller's bytes without copying them; bytesDone = 0.
    WritePacket(std::shared_ptr<const std::string> buffer, double timeout, std::int32_t tag);
    // A range of a file instead of bytes (`buffer` is then empty).
    WritePacket(FileRange file, double timeout, std::int32_t tag);

    std::shared_ptr<const std::string> buffer;   // the bytes to send, exactly as handed in
    std::int32_t bytesDone = 0;                  // bytes accepted by the write stream so far
    std::int32_t tag;
    double timeout;                              // seconds; negative: none
    FileRange file;                              // fd -1: the request is `buffer`
    std::uint64_t fileDone = 0;                  // bytes of the file range sent so far

    int percentDone() const;                     // as ReadPacket::percentDone()
};

}  // namespace ohmkit::net
