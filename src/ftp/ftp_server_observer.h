#pragma once
// What an FTP server tells the screen that runs it: the observer every file server shares.
#include "net/server_observer.h"

namespace ohmkit::ftp {

using FileTransfer = net::FileTransfer;
using FtpServerObserver = net::ServerObserver;

}  // namespace ohmkit::ftp
