#include "ftp/upload_target.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace ohmkit::ftp {

UploadTarget::UploadTarget(std::string path, std::unique_ptr<store::AtomicUpload> atomic, int fd)
    : path_(std::move(path)), atomic_(std::move(atomic)), fd_(fd)
{
}

UploadTarget::~UploadTarget()
{
    if (fd_ >= 0) ::close(fd_);
}

std::unique_ptr<UploadTarget> UploadTarget::replacing(const std::string& path)
{
    auto atomic = store::AtomicUpload::begin(path);
    return atomic ? std::make_unique<UploadTarget>(path, std::move(atomic), -1) : nullptr;
}

std::unique_ptr<UploadTarget> UploadTarget::inPlace(const std::string& path, std::optional<std::uint64_t> offset)
{
    // The path is resolved already: a link that appeared since is not followed.
    const int flags = O_WRONLY | O_CLOEXEC | O_NOFOLLOW | (offset ? 0 : O_APPEND | O_CREAT);
    const int fd = ::open(path.c_str(), flags, 0644);
    if (fd < 0) return nullptr;
    struct stat st{};
    const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    const bool fits = !offset || *offset <= static_cast<std::uint64_t>(st.st_size);
    if (!regular || !fits ||
        (offset && (::ftruncate(fd, static_cast<off_t>(*offset)) != 0 || ::lseek(fd, static_cast<off_t>(*offset), SEEK_SET) < 0))) {
        const int error = regular && !fits ? EINVAL : regular ? errno : EISDIR;
        ::close(fd);
        errno = error;
        return nullptr;
    }
    return std::make_unique<UploadTarget>(path, nullptr, fd);
}

bool UploadTarget::write(std::string_view data)
{
    if (atomic_) return atomic_->write(data);
    while (!data.empty()) {
        const ssize_t n = ::write(fd_, data.data(), data.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool UploadTarget::commit()
{
    if (atomic_) return atomic_->commit();
    return true;   // the bytes are in the file already
}

void UploadTarget::discard()
{
    if (atomic_) atomic_->discard();
}

}  // namespace ohmkit::ftp
