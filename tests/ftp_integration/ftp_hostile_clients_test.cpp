// Clients that send too much, read too little or stop half-way: the server answers each of
// them correctly and keeps serving everyone else.
#include "ftp_server_fixture_support.h"

#include "platform/files.h"

#include "ftp/ftp_connection.h"
#include "platform/run_loop.h"
#include "platform/stream_pair.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <poll.h>
#include <sys/socket.h>

#include <atomic>
#include <thread>

namespace ohmkit::ftp::test {
namespace {

const std::string kNoopReply = "200 NOOP command successful.";

std::string noopLines(int count)
{
    std::string lines;
    for (int i = 0; i < count; ++i) lines += "NOOP\r\n";
    return lines;
}

TEST_F(FtpServerTest, ABurstOfLinesIsAnsweredInFullWhileAnotherClientIsServed)
{
    runClient([&] {
        ControlClient burst = login();
        burst.sendRaw(noopLines(20000));
        ControlClient other = login();
        EXPECT_EQ(other.command("USER other"), "331 Password required for other");
        EXPECT_EQ(other.command("NOOP"), kNoopReply);
        int correct = 0;
        for (int i = 0; i < 20000; ++i) correct += burst.readLine() == kNoopReply ? 1 : 0;
        EXPECT_EQ(correct, 20000);
        EXPECT_TRUE(burst.quietFor(100));
    });
}

// A client that sends without reading its replies: once 64 KiB of replies wait, its lines are
// no longer read, and it holds back only itself. The kernel buffers on both sides are made
// small so that this needs kilobytes, not megabytes.
TEST_F(FtpServerTest, AClientThatDoesNotReadIsPausedNotServed)
{
    std::atomic<bool> small{false};
    std::atomic<bool> flooded{false};
    std::size_t mostWaiting = 0;
    bool paused = false;
    std::size_t linesSent = 0;
    runClient(
        [&] {
            Socket raw(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
            int size = 4096;
            ::setsockopt(raw.fd(), SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
            ::setsockopt(raw.fd(), SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
            sockaddr_in to{};
            to.sin_family = AF_INET;
            to.sin_port = htons(port());
            to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            ASSERT_EQ(::connect(raw.fd(), reinterpret_cast<sockaddr*>(&to), sizeof to), 0);
            while (!small) std::this_thread::sleep_for(std::chrono::milliseconds(5));
            // Lines until neither side takes more for a while.
            const std::string chunk = noopLines(1000);
            int idle = 0;
            std::size_t offset = 0;
            while (idle < 30 && linesSent < 2000000) {
                ssize_t n = ::send(raw.fd(), chunk.data() + offset, chunk.size() - offset, MSG_DONTWAIT | MSG_NOSIGNAL);
                if (n <= 0) {
                    ++idle;
                    std::this_thread::sleep_for(std::chrono::milliseconds(10));
                    continue;
                }
                idle = 0;
                offset += static_cast<std::size_t>(n);
                if (offset == chunk.size()) {
                    offset = 0;
                    linesSent += 1000;
                }
            }
            linesSent += offset / 6;   // a line cut short gets no reply
            flooded = true;

            ControlClient other = login();
            EXPECT_EQ(other.command("NOOP"), kNoopReply);

            // Now it reads: every line gets its reply, in order.
            std::string all;
            const std::size_t expected = 28 + linesSent * (kNoopReply.size() + 2);   // the greeting first
            char buffer[65536];
            while (all.size() < expected) {
                pollfd p{raw.fd(), POLLIN, 0};
                if (::poll(&p, 1, 10000) <= 0) break;
                ssize_t n = ::recv(raw.fd(), buffer, sizeof buffer, 0);
                if (n <= 0) break;
                all.append(buffer, static_cast<std::size_t>(n));
            }
            EXPECT_EQ(all.size(), expected);
            std::size_t wrong = 0;
            EXPECT_EQ(all.substr(0, 28), "220 Brisklet server ready.\r\n");
            for (std::size_t at = 28; at + kNoopReply.size() + 2 <= all.size(); at += kNoopReply.size() + 2)
                wrong += all.compare(at, kNoopReply.size() + 2, kNoopReply + "\r\n") != 0 ? 1 : 0;
            EXPECT_EQ(wrong, 0u);
        },
        [&] {
            if (server_->connections().empty()) return;
            const auto& connection = server_->connections().front();
            net::EventSocket* socket = connection->connectionSocket();
            if (!small && socket->writeStream() && socket->writeStream()->nativeSocket() >= 0) {
                int size = 4096;
                ::setsockopt(socket->writeStream()->nativeSocket(), SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
                ::setsockopt(socket->writeStream()->nativeSocket(), SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
                small = true;
            }
            if (!flooded) {
                mostWaiting = std::max(mostWaiting, connection->repliesWaiting());
                paused = paused || socket->isReadingPaused();
            }
        });
    EXPECT_GT(linesSent, 2500u);
    EXPECT_TRUE(paused);
    // The limit is checked before each line; one line's replies may go over it.
    EXPECT_GE(mostWaiting, FtpConnection::kMaxWaitingReplies / 2);
    EXPECT_LE(mostWaiting, FtpConnection::kMaxWaitingReplies + 256);
}

// After QUIT nothing more is answered or gathered: the lines behind it get no reply.
TEST_F(FtpServerTest, NothingIsAnsweredAfterQuit)
{
    runClient([&] {
        ControlClient c = login();
        c.sendRaw("QUIT\r\n" + noopLines(100000));
        EXPECT_EQ(c.readLine(), "221- Data traffic for this session was 0 bytes in 0 files");
        EXPECT_EQ(c.readLine(), "221 Thank you for using the FTP service on localhost.");
        EXPECT_EQ(c.readLine(), "<closed>");
    });
}

// As a script piping its commands into a connection does: every line sent before the end is
// answered, then the server closes.
TEST_F(FtpServerTest, AClientThatEndsItsSideGetsEveryReplyThenTheClose)
{
    runClient([&] {
        ControlClient c = login();
        c.sendRaw("USER a\r\nPASS b\r\nPWD\r\n");
        c.socket().shutdownWrite();
        EXPECT_EQ(c.readLine(), "331 Password required for a");
        EXPECT_EQ(c.readLine(), "230 User a logged in.");
        EXPECT_EQ(c.readLine(), "257 \"/\" is the current directory.");
        EXPECT_EQ(c.readLine(), "<closed>");

        ControlClient many = login();
        many.sendRaw(noopLines(5000) + "SYST\r\nNOOP");   // the last line has no end
        many.socket().shutdownWrite();
        int correct = 0;
        for (int i = 0; i < 5000; ++i) correct += many.readLine() == kNoopReply ? 1 : 0;
        EXPECT_EQ(correct, 5000);
        EXPECT_EQ(many.readLine(), "215 UNIX Type: L8 Version: Brisklet 20080912");
        EXPECT_EQ(many.readLine(), "<closed>");

        // A download that waits for a data connection nobody will open ends with the client.
        ControlClient waiting = login();
        waiting.sendRaw("PASV\r\nLIST\r\n");
        waiting.socket().shutdownWrite();
        EXPECT_EQ(waiting.readLine().rfind("227 ", 0), 0u);
        EXPECT_EQ(waiting.readLine(), "150 Opening ASCII mode data connection for '/bin/ls'.");
        EXPECT_EQ(waiting.readLine(), "425 Can't open data connection.");
        EXPECT_EQ(waiting.readLine(), "<closed>");
    });
    platform::RunLoop::main().runUntil([&] { return server_->connections().empty(); }, std::chrono::milliseconds(5000));
    EXPECT_TRUE(server_->connections().empty());
}

}  // namespace
}  // namespace ohmkit::ftp::test

namespace ohmkit::ftp::test {
namespace {

// A connection to the server from a chosen loopback address (127.0.0.x), greeting read.
std::pair<Socket, std::string> connectFrom(const char* source, std::uint16_t port)
{
    Socket s(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in from{};
    from.sin_family = AF_INET;
    ::inet_pton(AF_INET, source, &from.sin_addr);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(s.fd(), reinterpret_cast<sockaddr*>(&from), sizeof from) != 0 ||
        ::connect(s.fd(), reinterpret_cast<sockaddr*>(&to), sizeof to) != 0)
        return {Socket(), "<no connection>"};
    std::string greeting;
    char c;
    pollfd p{s.fd(), POLLIN, 0};
    while (::poll(&p, 1, 10000) > 0 && ::recv(s.fd(), &c, 1, 0) == 1 && c != '\n') greeting += c;
    if (!greeting.empty() && greeting.back() == '\r') greeting.pop_back();
    return {std::move(s), greeting};
}

TEST_F(FtpServerTest, ConnectionsAreLimitedPerAddressAndInAll)
{
    FtpLimits limits;
    limits.maxPerAddress = 2;
    limits.maxClients = 3;
    restartWith(limits);
    const std::string welcome = "220 Brisklet server ready.";
    const std::string tooMany = "421 Too many connections, try again later.";
    runClient([&] {
        auto a1 = connectFrom("127.0.0.1", port());
        auto a2 = connectFrom("127.0.0.1", port());
        auto a3 = connectFrom("127.0.0.1", port());
        EXPECT_EQ(a1.second, welcome);
        EXPECT_EQ(a2.second, welcome);
        EXPECT_EQ(a3.second, tooMany);
        EXPECT_TRUE(a3.first.waitForClose());
        auto b1 = connectFrom("127.0.0.2", port());
        EXPECT_EQ(b1.second, welcome);
        auto c1 = connectFrom("127.0.0.3", port());
        EXPECT_EQ(c1.second, tooMany);
        EXPECT_TRUE(c1.first.waitForClose());
        // Room again once a client has gone.
        a1.first.close();
        std::string again;
        for (int i = 0; i < 200 && again != welcome; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            again = connectFrom("127.0.0.3", port()).second;
        }
        EXPECT_EQ(again, welcome);
    });
}

TEST_F(FtpServerTest, AnIdleControlConnectionIsClosedWith421)
{
    FtpLimits limits;
    limits.idleTimeout = 0.3;
    restartWith(limits);
    runClient([&] {
        ControlClient idle = login();
        ControlClient slow = login();
        // One byte at a time, never a whole line: as idle as sending nothing.
        for (int i = 0; i < 300 && slow.quietFor(20); ++i) slow.sendRaw("x");
        EXPECT_EQ(slow.readLine(), "421 Timeout.");
        EXPECT_EQ(slow.readLine(), "<closed>");
        EXPECT_EQ(idle.readLine(), "421 Timeout.");
        EXPECT_EQ(idle.readLine(), "<closed>");
    });
}

// A client that never reads its replies is held back, then closed once it has been idle, even
// though its last replies cannot be written.
TEST_F(FtpServerTest, AClientThatNeverReadsIsClosedInTheEnd)
{
    FtpLimits limits;
    limits.idleTimeout = 0.3;
    restartWith(limits);
    std::atomic<bool> gone{false};
    bool seen = false;
    runClient(
        [&] {
            ControlClient c = login();
            int size = 4096;
            ::setsockopt(c.socket().fd(), SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
            const std::string lines = noopLines(1000);
            for (int i = 0; i < 3000 && !gone; ++i) {
                ::send(c.socket().fd(), lines.data(), lines.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
            EXPECT_TRUE(gone);
        },
        [&] {
            seen = seen || !server_->connections().empty();
            if (seen && server_->connections().empty()) gone = true;
        });
}

TEST_F(FtpServerTest, ADataConnectionThatNeverComesEndsTheTransferWith425)
{
    FtpLimits limits;
    limits.dataTimeout = 0.3;
    restartWith(limits);
    writeFileBytes(path("f"), "bytes");
    runClient([&] {
        ControlClient c = login();
        c.send("PASV");
        EXPECT_EQ(c.readLine().rfind("227 ", 0), 0u);
        for (const char* command : {"RETR f", "LIST", "STOR new"}) {
            c.send(command);
            EXPECT_EQ(c.readLine().rfind("150 ", 0), 0u) << command;
            EXPECT_EQ(c.readLine(), "425 Can't open data connection.") << command;
        }
        EXPECT_EQ(c.command("NOOP"), kNoopReply);
    });
    EXPECT_EQ(namesIn(base_), std::vector<std::string>{"f"});
}

// A data connection that stops moving ends its transfer with 426; while it moves, however long
// it takes, the control connection is not idle.
TEST_F(FtpServerTest, AStalledTransferEndsWith426AndAMovingOneKeepsItsConnection)
{
    FtpLimits limits;
    limits.idleTimeout = 0.4;
    restartWith(limits);
    writeFileBytes(path("big"), std::string(4 << 20, 'b'));

    runClient(
        [&] {
            ControlClient c = login();
            // Stalled download: the client takes nothing.
            Socket data = c.openPassive();
            int size = 4096;
            ::setsockopt(data.fd(), SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
            EXPECT_EQ(c.command("RETR big"), "150 Opening BINARY mode data connection for 'big'.");
            EXPECT_EQ(c.readLine(), "426 Connection closed; transfer aborted.");
            data.close();

            // Stalled upload: a few bytes, then nothing.
            data = c.openPassive();
            EXPECT_EQ(c.command("STOR up"), "150 Opening BINARY mode data connection for 'up'.");
            data.sendAll("a few bytes");
            EXPECT_EQ(c.readLine(), "426 Connection closed; transfer aborted.");
            data.close();

            // A slow download that keeps moving lasts several idle periods and ends well.
            data = c.openPassive();
            EXPECT_EQ(c.command("RETR big"), "150 Opening BINARY mode data connection for 'big'.");
            char buffer[16384];
            std::size_t got = 0;
            const auto start = std::chrono::steady_clock::now();
            while (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(1500)) {
                ssize_t n = ::recv(data.fd(), buffer, sizeof buffer, 0);
                if (n <= 0) break;
                got += static_cast<std::size_t>(n);
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
            got += data.readAll().size();
            EXPECT_EQ(got, 4u << 20);
            EXPECT_EQ(c.readLine(), "226 Transfer complete.");
        },
        [&] {
            // The server's side of each data connection takes little, so that stalling shows.
            if (server_->connections().empty()) return;
            FtpDataConnection* data = server_->connections().front()->dataConnection();
            if (!data || !data->dataSocket()->writeStream()) return;
            const int fd = data->dataSocket()->writeStream()->nativeSocket();
            int size = 0;
            socklen_t length = sizeof size;
            if (fd < 0 || ::getsockopt(fd, SOL_SOCKET, SO_SNDBUF, &size, &length) != 0 || size <= 16384) return;
            size = 4096;
            ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
        });
    EXPECT_EQ(namesIn(base_), std::vector<std::string>{"big"});
}

// The limit is the program's to raise (main() does, platform::raiseOpenFileLimit): a server
// started inside it leaves the process as it found it.
TEST(FtpServerStart, LeavesTheOpenFileLimitToTheProgram)
{
    platform::LogCapture quiet;
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &old), 0);
    rlimit low = old;
    low.rlim_cur = std::min<rlim_t>(old.rlim_max, 256);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
    auto server = FtpServer::create(0, "/tmp", nullptr);
    rlimit now{};
    ::getrlimit(RLIMIT_NOFILE, &now);
    EXPECT_EQ(now.rlim_cur, low.rlim_cur);
    platform::raiseOpenFileLimit();
    ::getrlimit(RLIMIT_NOFILE, &now);
    EXPECT_EQ(now.rlim_cur, old.rlim_max);
    server->stopFtpServer();
    ::setrlimit(RLIMIT_NOFILE, &old);
}

}  // namespace
}  // namespace ohmkit::ftp::test
