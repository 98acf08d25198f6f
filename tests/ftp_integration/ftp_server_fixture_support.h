#pragma once
// A running FtpServer on a free loopback port, over a fresh temporary store, for the
// integration tests. The test body is a client script run on its own thread while the test
// thread runs the main run loop until the script has finished.
#include "ftp/ftp_server.h"
#include "ftp/ftp_server_observer.h"
#include "control_client.h"
#include "platform/log.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ohmkit::ftp::test {

// The loopback client and its helpers are shared with the other tests and the benchmarks.
using namespace ohmkit::test;

struct CountingObserver : FtpServerObserver {
    void didDataReceived() override { ++received; }
    void didDataSend() override { ++sent; }
    void didReceiveFileListChanged() override { ++fileListChanged; }
    std::atomic<int> received{0};
    std::atomic<int> sent{0};
    std::atomic<int> fileListChanged{0};
    // Called on the loop's thread; read once the client script has ended.
    void didTransferEnd(const FileTransfer&, bool complete) override { ended.push_back(complete); }
    std::vector<bool> ended;   // each ended transfer: complete or not
};

class FtpServerTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs `script` on a client thread while the run loop turns; `tick` (optional) runs on the
    // loop's thread between iterations.
    void runClient(const std::function<void()>& script, const std::function<void()>& tick = {});
    // Replaces the server by one with these limits (on a new port).
    void restartWith(const FtpLimits& limits);
    // A control connection that has read the greeting.
    ControlClient login(const std::string& host = "127.0.0.1");
    std::uint16_t port() const { return port_; }
    std::string path(const std::string& name) const { return base_ + "/" + name; }
    static bool ipv6Available();

    std::string root_;
    std::string base_;
    std::shared_ptr<CountingObserver> observer_;
    std::shared_ptr<FtpServer> server_;
    std::uint16_t port_ = 0;
    platform::LogCapture log_;
};

}  // namespace ohmkit::ftp::test
