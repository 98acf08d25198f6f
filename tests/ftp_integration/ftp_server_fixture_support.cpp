#include "ftp_server_fixture_support.h"

#include "platform/run_loop.h"

#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

namespace ohmkit::ftp::test {

namespace {
// A peer that vanishes mid-write must not end the test process.
const bool kIgnoreSigpipe = [] {
    ::signal(SIGPIPE, SIG_IGN);
    return true;
}();
}  // namespace

void FtpServerTest::SetUp()
{
    (void)kIgnoreSigpipe;
    char pattern[] = "/tmp/ohmkit-ftp-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    root_ = pattern;
    base_ = root_ + "/store";
    std::filesystem::create_directory(base_);
    base_ = std::filesystem::canonical(base_).string();
    observer_ = std::make_shared<CountingObserver>();
    server_ = FtpServer::create(0, base_, observer_);
    ASSERT_TRUE(server_->isListening());
    port_ = server_->listeningPort();
    ASSERT_NE(port_, 0);
}

void FtpServerTest::restartWith(const FtpLimits& limits)
{
    server_->stopFtpServer();
    server_ = FtpServer::create(0, base_, observer_, limits);
    ASSERT_TRUE(server_->isListening());
    port_ = server_->listeningPort();
}

void FtpServerTest::TearDown()
{
    if (server_) server_->stopFtpServer();
    server_.reset();
    auto& loop = platform::RunLoop::main();
    for (int i = 0; i < 20 && loop.runOnce(); ++i) {}
    std::filesystem::remove_all(root_);
}

void FtpServerTest::runClient(const std::function<void()>& script, const std::function<void()>& tick)
{
    std::atomic<bool> done{false};
    std::thread client([&] {
        script();
        done = true;
    });
    auto& loop = platform::RunLoop::main();
    loop.runUntil(
        [&] {
            if (tick) tick();
            return done.load();
        },
        std::chrono::milliseconds(60000));
    client.join();
    for (int i = 0; i < 10 && loop.runOnce(std::chrono::milliseconds(1)); ++i) {}
}

ControlClient FtpServerTest::login(const std::string& host)
{
    ControlClient client;
    EXPECT_TRUE(client.connect(host, port_));
    EXPECT_EQ(client.readLine(), "220 Brisklet server ready.");
    return client;
}

bool FtpServerTest::ipv6Available() { return hasIPv6Loopback(); }

}  // namespace ohmkit::ftp::test
