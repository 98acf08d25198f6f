#pragma once
// `ohmkit serve [--port N] [--documents DIR] [--max-clients N] [--max-per-address N]
// [--idle-timeout SECONDS] [--data-timeout SECONDS]`: serves a folder over FTP without any
// screen.
//
// Runs an FtpServer on the main run loop (port 2121 and the documents directory unless told
// otherwise; port 0 picks a free port; the limits default to the upload screen's, FtpLimits),
// prints the address to connect to as its first line of output, and returns 0 once SIGINT or
// SIGTERM has stopped it cleanly.
#include <iosfwd>
#include <string>
#include <vector>

namespace ohmkit::ftp {

// `args` are the words after "serve". Exit status 0, 1 when the port cannot be listened on,
// 2 for bad arguments.
int serveCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace ohmkit::ftp
