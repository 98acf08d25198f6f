// Clients that send too much, read too little or stop half-way: the server answers each of
// them correctly and keeps serving everyone else.
#include "ftp_server_fixture_support.h"

#include "ftp/ftp_connection.h"
#include "platform/run_loop.h"
#include "platform/stream_pair.h"

#include <netinet/in.h>
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
    });
    platform::RunLoop::main().runUntil([&] { return server_->connections().empty(); }, std::chrono::milliseconds(5000));
    EXPECT_TRUE(server_->connections().empty());
}

}  // namespace
}  // namespace ohmkit::ftp::test
