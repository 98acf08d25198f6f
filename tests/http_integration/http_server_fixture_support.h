#pragma once
// A running HttpServer on a free loopback port over a fresh temporary store, and the clients
// the tests use against it: curl (a child process) and raw sockets. The test thread runs the
// server's run loop while a client works, with a watchdog so that a test fails instead of
// hanging.
#include "http/http_server.h"
#include "net/server_observer.h"
#include "platform/log.h"
#include "platform/run_loop.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace ohmkit::http::test {

struct RecordingObserver : net::ServerObserver {
    void didDataReceived() override { ++received; }
    void didDataSend() override { ++sent; }
    void didReceiveFileListChanged() override { ++fileListChanged; }
    void didChangeConnectionCount(std::size_t count) override { connections = count; }
    void didTransferProgress(const net::FileTransfer& transfer) override { last = transfer; }
    void didTransferEnd(const net::FileTransfer& transfer, bool complete) override
    {
        last = transfer;
        ended.push_back(complete);
    }
    int received = 0;
    int sent = 0;
    int fileListChanged = 0;
    std::size_t connections = 0;
    net::FileTransfer last;
    std::vector<bool> ended;
};

struct CurlResult {
    int exitCode = -1;
    int status = 0;                               // the HTTP status of the last response
    std::string body;
    std::map<std::string, std::string> headers;   // names in lower case, of the last response
    std::string header(const std::string& name) const
    {
        auto it = headers.find(name);
        return it == headers.end() ? std::string() : it->second;
    }
};

class HttpServerTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Replaces the server by one with these limits.
    void restartWith(const HttpLimits& limits);
    // Runs curl with `args` (and -s, the headers and body captured) while the loop turns.
    CurlResult curl(const std::vector<std::string>& args);
    // The address of `path` under the key, on 127.0.0.1.
    std::string url(const std::string& path) const;
    // Turns the loop until `done` or five seconds; returns done().
    bool runUntil(const std::function<bool()>& done, int milliseconds = 5000);

    std::string path(const std::string& name) const { return store_ + "/" + name; }
    void writeFile(const std::string& name, const std::string& content) const;
    std::string readFile(const std::string& name) const;
    // Names in the store, hidden ones included, sorted.
    std::vector<std::string> storeNames() const;
    // A file outside the store with this content, for curl to send.
    std::string sourceFile(const std::string& name, const std::string& content) const;

    platform::RunLoop loop_;
    std::string root_;
    std::string store_;
    std::shared_ptr<RecordingObserver> observer_;
    std::shared_ptr<HttpServer> server_;
    platform::LogCapture log_;
};

// A blocking TCP client on 127.0.0.1 for what curl will not send; `from` names another
// loopback address (127.0.0.2 ...) to connect from.
class RawClient {
public:
    explicit RawClient(unsigned port, const char* from = nullptr);
    ~RawClient();
    bool connected() const { return fd_ >= 0; }
    bool send(const std::string& bytes);
    // What has arrived so far, without waiting; `closed` is set once the server has closed.
    std::string receiveAvailable(bool& closed);
    void close();

private:
    int fd_ = -1;
};

}  // namespace ohmkit::http::test
