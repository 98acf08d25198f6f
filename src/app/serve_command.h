#pragma once
// `ohmkit serve [--port N] [--documents DIR] [--max-clients N] [--max-per-address N]
// [--idle-timeout SECONDS] [--data-timeout SECONDS] [--http-port N]`: serves a folder over FTP
// and to web browsers without any screen.
//
// Runs an FtpServer on the main run loop (port 2121 and the documents directory unless told
// otherwise; port 0 picks a free port; the limits default to the upload screen's, FtpLimits),
// prints the FTP address as its first line of output, then runs the browser server (port 8080,
// $OHMKIT_HTTP_PORT or --http-port; the next free of the nine after it when taken) and prints
// its page's address, then both addresses for other computers when there is a network
// address. Returns 0 once SIGINT or SIGTERM has stopped it cleanly.
#include <iosfwd>
#include <string>
#include <vector>

namespace ohmkit::app {

// `args` are the words after "serve". Exit status 0, 1 when the port cannot be listened on,
// 2 for bad arguments.
int serveCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace ohmkit::app
