// An upload whose client dies with it never passes for a whole file; one whose client finishes
// normally takes its name and the session goes on.
#include "ftp_server_fixture_support.h"

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

extern char** environ;

namespace ohmkit::ftp::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Turns until `done` or five seconds; true when done.
template <typename Done>
bool waitFor(Done done)
{
    for (int i = 0; i < 500; ++i) {
        if (done()) return true;
        std::this_thread::sleep_for(10ms);
    }
    return done();
}

// The largest file in `folder` (the hidden one an upload writes first included), in bytes.
std::uintmax_t largestFile(const std::string& folder)
{
    std::uintmax_t largest = 0;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec))
        if (entry.is_regular_file(ec)) largest = std::max(largest, entry.file_size(ec));
    return largest;
}

// Lets curl upload a large file slowly and stops it with `signal` once the server has part of it.
TEST_F(FtpServerTest, AClientKilledMidUploadLeavesNothing)
{
    if (::system("curl --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "curl is not installed";
    const std::string source = root_ + "/big.bin";
    writeFileBytes(source, std::string(8 * 1024 * 1024, 'k'));
    for (int signal : {SIGINT, SIGKILL}) {
        SCOPED_TRACE(signal == SIGINT ? "SIGINT" : "SIGKILL");
        log_.clear();
        observer_->ended.clear();
        runClient([&] {
            const std::string url = "ftp://127.0.0.1:" + std::to_string(port()) + "/big.bin";
            std::vector<std::string> words = {"curl", "-s", "--noproxy", "*", "--limit-rate", "400k", "-T", source, url};
            std::vector<char*> argv;
            for (auto& word : words) argv.push_back(word.data());
            argv.push_back(nullptr);
            pid_t pid = -1;
            ASSERT_EQ(::posix_spawnp(&pid, "curl", nullptr, nullptr, argv.data(), environ), 0);
            EXPECT_TRUE(waitFor([&] { return largestFile(base_) >= 200 * 1024; }));
            ::kill(pid, signal);
            int status = 0;
            ::waitpid(pid, &status, 0);
            // The server has decided once the hidden file is gone, kept or not.
            EXPECT_TRUE(waitFor([&] { return namesIn(base_).empty() || fs::exists(path("big.bin")); }));
        });
        EXPECT_TRUE(namesIn(base_).empty());
        EXPECT_EQ(observer_->ended, std::vector<bool>{false});
        EXPECT_EQ(observer_->fileListChanged, 0);
    }
}

// The ways a client ends its upload's data connection, and what the upload becomes.
TEST_F(FtpServerTest, WhatFollowsTheEndOfTheDataDecidesTheUpload)
{
    enum class Then { waits, sendsItsNextCommand, closesBoth, resetsControl, abortsAfterward };
    const struct {
        const char* name;
        Then then;
        bool kept;
    } cases[] = {
        {"a client that waits for its reply", Then::waits, true},
        {"a client that sends its next command at once", Then::sendsItsNextCommand, true},
        {"a client closing both connections", Then::closesBoth, false},
        {"a client resetting its control connection", Then::resetsControl, false},
        {"a client that aborts after closing the data connection", Then::abortsAfterward, false},
    };
    const std::string content(300000, 'u');
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        observer_->ended.clear();
        fs::remove(path("up.bin"));
        runClient([&] {
            ControlClient client = login();
            Socket data = client.openPassive(true);
            EXPECT_EQ(client.command("STOR up.bin"), "150 Opening BINARY mode data connection for 'up.bin'.");
            ASSERT_TRUE(data.sendAll(content));
            data.close();
            switch (c.then) {
            case Then::waits:
                EXPECT_EQ(client.readLine(), "226 Transfer complete.");
                EXPECT_EQ(client.command("NOOP"), "200 NOOP command successful.");
                break;
            case Then::sendsItsNextCommand:
                std::this_thread::sleep_for(100ms);   // the server has seen the data end, and waits
                client.send("SIZE up.bin");           // answered once the file has its name
                EXPECT_EQ(client.readLine(), "226 Transfer complete.");
                EXPECT_EQ(client.readLine(), "213 300000");
                break;
            case Then::closesBoth: client.socket().close(); break;
            case Then::resetsControl: client.socket().abortiveClose(); break;
            case Then::abortsAfterward:
                std::this_thread::sleep_for(20ms);
                client.send("ABOR");
                EXPECT_EQ(client.readLine(), "426 Connection closed; transfer aborted.");
                EXPECT_EQ(client.readLine(), "226 Abort successful.");
                EXPECT_EQ(client.command("NOOP"), "200 NOOP command successful.");
                break;
            }
            if (!c.kept) {
                EXPECT_TRUE(waitFor([&] { return namesIn(base_).empty() || fs::exists(path("up.bin")); }));
            }
        });
        EXPECT_EQ(fs::exists(path("up.bin")), c.kept);
        if (c.kept) {
            EXPECT_EQ(readFileBytes(path("up.bin")), content);
        }
        EXPECT_EQ(observer_->ended, std::vector<bool>{c.kept});
    }
}

// QUIT tells what the session moved: the files sent and received whole, and their bytes.
TEST_F(FtpServerTest, TheQuitMessageCountsTheSessionsTraffic)
{
    writeFileBytes(path("down.pdf"), std::string(1000, 'd'));
    runClient([&] {
        ControlClient client = login();
        Socket data = client.openPassive(true);
        EXPECT_EQ(client.command("STOR up.bin").substr(0, 4), "150 ");
        ASSERT_TRUE(data.sendAll(std::string(2345, 'u')));
        data.close();
        EXPECT_EQ(client.readLine(), "226 Transfer complete.");
        Socket down = client.openPassive(true);
        EXPECT_EQ(client.command("RETR down.pdf").substr(0, 4), "150 ");
        EXPECT_EQ(down.readAll().size(), 1000u);
        EXPECT_EQ(client.readLine(), "226 Transfer complete.");
        client.send("QUIT");
        EXPECT_EQ(client.readLine(), "221- Data traffic for this session was 3345 bytes in 2 files");
        EXPECT_EQ(client.readLine(), "221 Thank you for using the FTP service on localhost.");
    });
}

}  // namespace
}  // namespace ohmkit::ftp::test
