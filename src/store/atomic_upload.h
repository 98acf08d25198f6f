#pragma once
// Safe uploads: a file that arrives over the network is written under a hidden temporary name
// in its target folder and takes the target's name only once it is complete.
//
// What it is for: every server that receives files into the datasheet store. Until commit()
// the target name is untouched (an existing file there stays as it was); commit() renames the
// finished file over it in one step; a failed or abandoned upload removes its temporary file.
// Temporary files left behind by a crash are found by their name pattern and removed with
// removeLeftoverUploads() when a server starts; listings skip them (isUploadTemporaryName).
// What it is not for: threads. An upload belongs to the thread that began it.
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace ohmkit::store {

// True for the name of an upload's temporary file: ".ohmkit-upload-" and six letters or
// digits, nothing else.
bool isUploadTemporaryName(std::string_view fileName);

class AtomicUpload {
public:
    // Begins an upload to `targetPath` by creating its temporary file in the target's folder.
    // nullptr (errno set) when the file cannot be created there.
    static std::unique_ptr<AtomicUpload> begin(const std::string& targetPath);
    ~AtomicUpload();   // discards an upload that was not committed
    AtomicUpload(const AtomicUpload&) = delete;
    AtomicUpload& operator=(const AtomicUpload&) = delete;

    // Appends all of `data`. False (errno set) when the file cannot take it.
    bool write(std::string_view data);
    // Renames the file over the target in one step. False (errno set) when that fails; the
    // temporary file is then gone and the target is as it was.
    bool commit();
    // Removes the temporary file; the target is as it was. Idempotent.
    void discard();

    const std::string& targetPath() const { return targetPath_; }
    const std::string& temporaryPath() const { return temporaryPath_; }

    AtomicUpload(std::string targetPath, std::string temporaryPath, int fd);   // use begin()

private:
    std::string targetPath_;
    std::string temporaryPath_;
    int fd_;
};

// Removes the temporary files of uploads that never ended from `folder` and every folder
// below it (links are not followed). A temporary file that a running upload still holds is
// left alone. Returns how many were removed.
std::size_t removeLeftoverUploads(const std::string& folder);

}  // namespace ohmkit::store
