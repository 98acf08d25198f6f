#pragma once
// Where an upload's bytes go. A plain STOR replaces its target safely: the bytes are written
// under a hidden name beside it (store::AtomicUpload) and take the name only when the
// upload ended well, so a failed or cancelled one leaves nothing. A resumed STOR (after REST)
// and APPE write into the existing file itself, from the restart point or at its end: what a
// resumed upload has written stays, so that it can be resumed again.
#include "store/atomic_upload.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace ohmkit::ftp {

class UploadTarget {
public:
    // A new file for `path`; nullptr (errno set) when it cannot be created.
    static std::unique_ptr<UploadTarget> replacing(const std::string& path);
    // The file at `path` itself, cut to `offset` bytes and written from there; with no
    // offset, appended to (and created when missing). nullptr (errno set) when it cannot be
    // opened, or the offset lies beyond its end.
    static std::unique_ptr<UploadTarget> inPlace(const std::string& path, std::optional<std::uint64_t> offset);
    ~UploadTarget();
    UploadTarget(const UploadTarget&) = delete;
    UploadTarget& operator=(const UploadTarget&) = delete;

    bool write(std::string_view data);   // false (errno set) when the file cannot take it
    bool commit();                       // the upload ended well
    void discard();                      // it did not: a new file is removed
    const std::string& targetPath() const { return path_; }

    UploadTarget(std::string path, std::unique_ptr<store::AtomicUpload> atomic, int fd);   // use the factories

private:
    std::string path_;
    std::unique_ptr<store::AtomicUpload> atomic_;   // a replacing upload
    int fd_ = -1;                                      // an upload in place
};

}  // namespace ohmkit::ftp
