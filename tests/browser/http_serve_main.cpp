// Serves one folder with the browser upload server on a free loopback-reachable port, for the
// browser test and the benchmark: prints the page's address on 127.0.0.1 as its first line
// and runs until its standard input closes (or SIGTERM/SIGINT).
//
//   ohmkit-http-serve FOLDER
#include "http/http_server.h"
#include "platform/run_loop.h"

#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>

using namespace ohmkit;

namespace {
platform::RunLoop* runningLoop = nullptr;
int stopPipe[2] = {-1, -1};
extern "C" void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] ssize_t n = ::write(stopPipe[1], &byte, 1);
}
}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: ohmkit-http-serve FOLDER\n";
        return 2;
    }
    ::signal(SIGPIPE, SIG_IGN);
    if (::pipe(stopPipe) != 0) return 1;
    ::signal(SIGTERM, onSignal);
    ::signal(SIGINT, onSignal);
    platform::RunLoop loop;
    runningLoop = &loop;
    auto server = http::HttpServer::start(loop, 0, argv[1], nullptr);
    if (!server->isListening()) {
        std::cerr << "cannot listen\n";
        return 1;
    }
    std::cout << server->pageAddress("127.0.0.1") << std::endl;
    const auto stopOnRead = [&loop](int fd) {
        return [&loop, fd](unsigned) {
            char buffer[256];
            if (::read(fd, buffer, sizeof buffer) <= 0 || fd == stopPipe[0]) loop.stop();
        };
    };
    platform::FdWatch input(loop, STDIN_FILENO, platform::FdWatch::Readable, stopOnRead(STDIN_FILENO));
    platform::FdWatch signals(loop, stopPipe[0], platform::FdWatch::Readable, stopOnRead(stopPipe[0]));
    loop.run();
    server->stop();
    return 0;
}
