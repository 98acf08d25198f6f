#pragma once
// What an FTP server tells the screen that runs it (the upload screen). Every operation is
// optional: the defaults do nothing, so an observer overrides only what it shows.
#include <cstddef>
#include <cstdint>
#include <string>

namespace ohmkit::ftp {

// A file going through a data connection.
struct FileTransfer {
    std::string name;            // the file's name, without its folder
    bool upload = true;          // true: the client sends it (STOR); false: it receives it (RETR)
    std::uint64_t bytes = 0;     // moved so far
    std::uint64_t total = 0;     // the file's size for a download; 0 for an upload
};

class FtpServerObserver {
public:
    virtual ~FtpServerObserver() = default;
    // A chunk of bytes (normally one command line) arrived on a control connection.
    virtual void didDataReceived() {}
    // A reply line (or the greeting) has been written on a control connection.
    virtual void didDataSend() {}
    // An upload finished and its file was closed, or a delete or rename succeeded.
    virtual void didReceiveFileListChanged() {}
    // A client connected or its connection ended; `count` connections are open now.
    virtual void didChangeConnectionCount(std::size_t /*count*/) {}
    // A transfer started (no bytes yet) or moved another chunk.
    virtual void didTransferProgress(const FileTransfer& /*transfer*/) {}
    // A transfer ended: `complete` when every byte arrived or was sent, else it broke off.
    virtual void didTransferEnd(const FileTransfer& /*transfer*/, bool /*complete*/) {}
};

}  // namespace ohmkit::ftp
