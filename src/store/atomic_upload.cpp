#include "store/atomic_upload.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <random>
#include <system_error>

namespace ohmkit::store {

namespace {

constexpr std::string_view kPrefix = ".ohmkit-upload-";
constexpr std::size_t kRandomLength = 6;
constexpr std::string_view kLetters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";

bool isLetterOrDigit(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

std::string randomName()
{
    static thread_local std::mt19937_64 generator{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, kLetters.size() - 1);
    std::string name(kPrefix);
    for (std::size_t i = 0; i < kRandomLength; ++i) name += kLetters[pick(generator)];
    return name;
}

std::string folderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

}  // namespace

bool isUploadTemporaryName(std::string_view fileName)
{
    if (fileName.size() != kPrefix.size() + kRandomLength || fileName.substr(0, kPrefix.size()) != kPrefix) return false;
    for (char c : fileName.substr(kPrefix.size()))
        if (!isLetterOrDigit(c)) return false;
    return true;
}

std::unique_ptr<AtomicUpload> AtomicUpload::begin(const std::string& targetPath)
{
    const std::string folder = folderOf(targetPath);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string temporary = folder + (folder == "/" ? "" : "/") + randomName();
        // The file's permissions follow the process's file-creation mask, like any new file.
        int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return nullptr;
        }
        // Held while the upload runs: a server starting meanwhile leaves a locked file alone.
        ::flock(fd, LOCK_EX | LOCK_NB);
        return std::make_unique<AtomicUpload>(targetPath, std::move(temporary), fd);
    }
    errno = EEXIST;
    return nullptr;
}

AtomicUpload::AtomicUpload(std::string targetPath, std::string temporaryPath, int fd)
    : targetPath_(std::move(targetPath)), temporaryPath_(std::move(temporaryPath)), fd_(fd)
{
}

AtomicUpload::~AtomicUpload() { discard(); }

bool AtomicUpload::write(std::string_view data)
{
    if (fd_ < 0) {
        errno = EBADF;
        return false;
    }
    while (!data.empty()) {
        ssize_t n = ::write(fd_, data.data(), data.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool AtomicUpload::commit()
{
    if (fd_ < 0) {
        errno = EBADF;
        return false;
    }
    // Renamed while still open and locked, so that nothing removes it in between.
    if (::rename(temporaryPath_.c_str(), targetPath_.c_str()) != 0) {
        const int error = errno;
        discard();
        errno = error;
        return false;
    }
    ::close(fd_);
    fd_ = -1;
    return true;
}

void AtomicUpload::discard()
{
    if (fd_ < 0) return;
    const int saved = errno;
    ::unlink(temporaryPath_.c_str());
    ::close(fd_);
    fd_ = -1;
    errno = saved;
}

std::size_t removeLeftoverUploads(const std::string& folder)
{
    namespace fs = std::filesystem;
    std::size_t removed = 0;
    std::error_code error;
    fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, error);
    for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        const fs::directory_entry& entry = *it;
        if (!isUploadTemporaryName(entry.path().filename().native())) continue;
        std::error_code kind;
        if (!entry.is_regular_file(kind) || entry.is_symlink(kind)) continue;
        const std::string path = entry.path().native();
        int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0) continue;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::unlink(path.c_str()) == 0) ++removed;
        ::close(fd);
    }
    return removed;
}

}  // namespace ohmkit::store
