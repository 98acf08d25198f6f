#pragma once
// What a file server (FTP or the browser server) tells the screen that runs it (the upload
// screen). Every operation is optional: the defaults do nothing, so an observer overrides only
// what it shows.
#include <cstddef>
#include <cstdint>
#include <string>

namespace ohmkit::net {

// A file going to or from a client.
struct FileTransfer {
    std::string name;            // the file's name, without its folder
    bool upload = true;          // true: the client sends it; false: it receives it
    std::uint64_t bytes = 0;     // moved so far
    std::uint64_t total = 0;     // the file's size for a download; 0 for an upload
};

class ServerObserver {
public:
    virtual ~ServerObserver() = default;
    // A chunk of bytes (a command line, a request) arrived from a client.
    virtual void didDataReceived() {}
    // A reply line, the greeting or a response has been written to a client.
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

}  // namespace ohmkit::net
