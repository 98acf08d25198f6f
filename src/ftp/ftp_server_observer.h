#pragma once
// What an FTP server tells the screen that runs it (the upload screen). Every operation is
// optional: the defaults do nothing, so an observer overrides only what it shows.
namespace ohmkit::ftp {

class FtpServerObserver {
public:
    virtual ~FtpServerObserver() = default;
    // A chunk of bytes (normally one command line) arrived on a control connection.
    virtual void didDataReceived() {}
    // A reply line (or the greeting) has been written on a control connection.
    virtual void didDataSend() {}
    // An upload finished and its file was closed, or a delete or rename succeeded.
    virtual void didReceiveFileListChanged() {}
};

}  // namespace ohmkit::ftp
