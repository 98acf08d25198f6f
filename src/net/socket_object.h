#pragma once
// A native socket known to the run loop: a listening socket of a listener (owned, reports each
// pending connection), or a non-owning wrapper of a connection's socket (the streams own it).
// Used by EventSocket only.
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/run_loop.h"

namespace ohmkit::net {

class SocketObject {
public:
    SocketObject(int fd, bool owns) : fd_(fd), owns_(owns) {}
    ~SocketObject() { invalidate(); }
    SocketObject(const SocketObject&) = delete;
    SocketObject& operator=(const SocketObject&) = delete;

    int native() const { return fd_; }
    bool isValid() const { return fd_ >= 0; }

    // Stops watching and, for an owned socket, closes it.
    void invalidate();
    // Reports readability (a pending connection) to `onAccept` while registered.
    void registerAccepts(platform::RunLoop& loop, std::function<void()> onAccept);
    // Stops reporting for a while (accept failing for want of descriptors would otherwise spin).
    void pauseAccepts(double seconds);

    // The raw socket address (sockaddr bytes), or nullopt when it cannot be read.
    std::optional<std::string> address() const { return fetch(false); }
    std::optional<std::string> peerAddress() const { return fetch(true); }

private:
    std::optional<std::string> fetch(bool peer) const;

    int fd_;
    bool owns_;
    platform::RunLoop* loop_ = nullptr;
    std::function<void()> onAccept_;
    std::unique_ptr<platform::FdWatch> watch_;
    std::shared_ptr<platform::Timer> resumeTimer_;
};

}  // namespace ohmkit::net
