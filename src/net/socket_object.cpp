#include "net/socket_object.h"

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

namespace ohmkit::net {

void SocketObject::invalidate()
{
    if (resumeTimer_) resumeTimer_->invalidate();
    resumeTimer_.reset();
    watch_.reset();
    if (owns_ && fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

void SocketObject::registerAccepts(platform::RunLoop& loop, std::function<void()> onAccept)
{
    loop_ = &loop;
    onAccept_ = std::move(onAccept);
    if (fd_ >= 0)
        watch_ = std::make_unique<platform::FdWatch>(loop, fd_, platform::FdWatch::Readable, [this](unsigned) {
            auto call = onAccept_;   // the call may destroy this object
            call();
        });
}

void SocketObject::pauseAccepts(double seconds)
{
    if (!watch_ || !loop_) return;
    watch_.reset();
    resumeTimer_ = platform::Timer::schedule(*loop_, seconds, false, [this](platform::Timer&) {
        resumeTimer_.reset();
        if (fd_ >= 0 && loop_) registerAccepts(*loop_, onAccept_);
    });
}

std::optional<std::string> SocketObject::fetch(bool peer) const
{
    if (fd_ < 0) return std::nullopt;
    sockaddr_storage ss{};
    socklen_t len = sizeof ss;
    int rc = peer ? ::getpeername(fd_, reinterpret_cast<sockaddr*>(&ss), &len)
                  : ::getsockname(fd_, reinterpret_cast<sockaddr*>(&ss), &len);
    if (rc != 0) return std::nullopt;
    return std::string(reinterpret_cast<const char*>(&ss), std::min<std::size_t>(len, sizeof ss));
}

}  // namespace ohmkit::net
