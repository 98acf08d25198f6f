// The stream pair: statuses, events from the loop only, no repeated events, errors.
#include "platform/stream_pair.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/run_loop.h"

using namespace ohmkit::platform;
using namespace std::chrono_literals;

namespace {

constexpr auto Watchdog = 20s;
constexpr unsigned AllEvents = 31;

// A listening socket on 127.0.0.1 and a pair of connected native sockets made through it.
struct Sockets {
    int listener = -1;
    std::uint16_t port = 0;
    Sockets()
    {
        listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(listener, 8);
        socklen_t len = sizeof a;
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&a), &len);
        port = ntohs(a.sin_port);
    }
    ~Sockets() { ::close(listener); }
    // Returns {ours, peer}.
    std::pair<int, int> connected()
    {
        int peer = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(port);
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        EXPECT_EQ(::connect(peer, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
        int ours = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        return {ours, peer};
    }
};

struct Events {
    std::vector<unsigned> read, write;
    int count(const std::vector<unsigned>& v, unsigned e) const
    {
        int n = 0;
        for (auto x : v) n += x == e;
        return n;
    }
};

StreamPair scheduledPair(RunLoop& loop, int fd, Events& events)
{
    auto pair = createStreamPairWithSocket(fd);
    pair.read->setClient(AllEvents, [&events](StreamEvent e) { events.read.push_back(e); });
    pair.write->setClient(AllEvents, [&events](StreamEvent e) { events.write.push_back(e); });
    pair.read->scheduleWithRunLoop(loop);
    pair.write->scheduleWithRunLoop(loop);
    return pair;
}

int busyTurns(RunLoop& loop, int turns)
{
    int busy = 0;
    for (int i = 0; i < turns; ++i) busy += loop.runOnce(5ms) ? 1 : 0;
    return busy;
}

}  // namespace

TEST(StreamPair, StatusNames)
{
    const char* names[] = {"not open", "opening", "open", "reading", "writing", "at end", "closed", "has error"};
    for (int i = 0; i < 8; ++i) EXPECT_STREQ(streamStatusName(static_cast<StreamStatus>(i)), names[i]);
}

TEST(StreamPair, OpenCompletesOnTheLoopNotInsideOpen)
{
    RunLoop loop;
    Sockets s;
    auto [fd, peer] = s.connected();
    Events events;
    auto pair = scheduledPair(loop, fd, events);
    EXPECT_EQ(pair.read->status(), StreamStatus::NotOpen);
    EXPECT_EQ(pair.read->nativeSocket(), fd);
    EXPECT_TRUE(pair.read->open());
    EXPECT_TRUE(pair.write->open());
    EXPECT_FALSE(pair.read->open());   // only from "not open"
    EXPECT_EQ(pair.read->status(), StreamStatus::Opening);
    EXPECT_TRUE(events.read.empty());
    ASSERT_TRUE(loop.runUntil([&] { return !events.read.empty() && !events.write.empty(); }, Watchdog));
    EXPECT_EQ(events.read.front(), StreamEventOpenCompleted);
    EXPECT_EQ(events.write.front(), StreamEventOpenCompleted);
    EXPECT_EQ(pair.read->status(), StreamStatus::Open);
    EXPECT_EQ(pair.write->status(), StreamStatus::Open);
    EXPECT_TRUE(pair.write->canAcceptBytes());
    EXPECT_FALSE(pair.read->hasBytesAvailable());
    ::close(peer);
}

TEST(StreamPair, BytesAvailableIsNotRepeatedUntilTheClientReads)
{
    RunLoop loop;
    Sockets s;
    auto [fd, peer] = s.connected();
    Events events;
    auto pair = scheduledPair(loop, fd, events);
    pair.read->open();
    pair.write->open();
    ASSERT_EQ(::send(peer, "abc", 3, 0), 3);
    ASSERT_TRUE(loop.runUntil([&] { return events.count(events.read, StreamEventHasBytesAvailable) == 1; }, Watchdog));
    EXPECT_EQ(busyTurns(loop, 20), 0);   // nobody reads: the loop is idle
    EXPECT_EQ(events.count(events.read, StreamEventHasBytesAvailable), 1);

    char buffer[16];
    EXPECT_TRUE(pair.read->hasBytesAvailable());
    EXPECT_EQ(pair.read->read(buffer, sizeof buffer), 3);
    EXPECT_FALSE(pair.read->hasBytesAvailable());
    EXPECT_EQ(pair.read->read(buffer, sizeof buffer), 0);   // nothing there: 0, still open
    EXPECT_EQ(pair.read->status(), StreamStatus::Open);
    ASSERT_EQ(::send(peer, "de", 2, 0), 2);
    ASSERT_TRUE(loop.runUntil([&] { return events.count(events.read, StreamEventHasBytesAvailable) == 2; }, Watchdog));
    ::close(peer);
}

TEST(StreamPair, CanAcceptBytesIsNotRepeatedUntilTheClientWrites)
{
    RunLoop loop;
    Sockets s;
    auto [fd, peer] = s.connected();
    Events events;
    auto pair = scheduledPair(loop, fd, events);
    pair.read->open();
    pair.write->open();
    ASSERT_TRUE(loop.runUntil([&] { return events.count(events.write, StreamEventCanAcceptBytes) == 1; }, Watchdog));
    EXPECT_EQ(busyTurns(loop, 20), 0);
    EXPECT_EQ(events.count(events.write, StreamEventCanAcceptBytes), 1);
    EXPECT_EQ(pair.write->write("x", 1), 1);
    EXPECT_EQ(pair.write->writeCalls(), 1u);
    EXPECT_EQ(pair.write->bytesWritten(), 1u);
    ASSERT_TRUE(loop.runUntil([&] { return events.count(events.write, StreamEventCanAcceptBytes) == 2; }, Watchdog));
    ::close(peer);
}

// What the peer has not taken yet is counted until it reads.
TEST(StreamPair, BytesTheNotReadingPeerHasNotAcknowledgedAreCounted)
{
    RunLoop loop;
    Sockets s;
    auto [fd, peer] = s.connected();
    Events events;
    auto pair = scheduledPair(loop, fd, events);
    pair.read->open();
    pair.write->open();
    ASSERT_TRUE(loop.runUntil([&] { return pair.write->canAcceptBytes(); }, Watchdog));
    EXPECT_EQ(pair.write->bytesUnacknowledged(), 0u);
    const std::string block(64 * 1024, 'w');
    std::uint64_t written = 0;
    for (int i = 0; i < 1024 && pair.write->canAcceptBytes(); ++i)
        written += static_cast<std::uint64_t>(pair.write->write(block.data(), block.size()));
    EXPECT_GT(pair.write->bytesUnacknowledged(), 0u);
    EXPECT_LE(pair.write->bytesUnacknowledged(), written);
    char sink[65536];
    std::uint64_t taken = 0;
    const auto deadline = std::chrono::steady_clock::now() + Watchdog;
    while (taken < written && std::chrono::steady_clock::now() < deadline) {
        ssize_t n = ::recv(peer, sink, sizeof sink, 0);
        if (n <= 0) break;
        taken += static_cast<std::uint64_t>(n);
    }
    EXPECT_EQ(taken, written);
    EXPECT_TRUE(loop.runUntil([&] { return pair.write->bytesUnacknowledged() == 0; }, Watchdog));
    ::close(peer);
}

TEST(StreamPair, EndIsReportedOnceAndNothingSpinsWhenItIsIgnored)
{
    RunLoop loop;
    Sockets s;
    auto [fd, peer] = s.connected();
    Events events;
    auto pair = scheduledPair(loop, fd, events);
    pair.read->open();
    pair.write->open();
    ::shutdown(peer, SHUT_WR);
    ASSERT_TRUE(loop.runUntil([&] { return events.count(events.read, StreamEventEndEncountered) == 1; }, Watchdog));
    EXPECT_EQ(pair.read->status(), StreamStatus::AtEnd);
    EXPECT_EQ(busyTurns(loop, 20), 0);
    char c;
    EXPECT_EQ(pair.read->read(&c, 1), 0);
    loop.runOnce(20ms);
    EXPECT_EQ(events.count(events.read, StreamEventEndEncountered), 1);
    // The write side still works.
    EXPECT_EQ(pair.write->write("ok", 2), 2);
    char buffer[4];
    EXPECT_EQ(::recv(peer, buffer, sizeof buffer, 0), 2);
    ::close(peer);
}

TEST(StreamPair, EndAfterDataComesWhenTheDataHasBeenRead)
{
    RunLoop loop;
    Sockets s;
    auto [fd, peer] = s.connected();
    Events events;
    auto pair = scheduledPair(loop, fd, events);
    pair.read->open();
    pair.write->open();
    ASSERT_EQ(::send(peer, "tail", 4, 0), 4);
    ::close(peer);
    ASSERT_TRUE(loop.runUntil([&] { return events.count(events.read, StreamEventHasBytesAvailable) == 1; }, Watchdog));
    char buffer[16];
    EXPECT_EQ(pair.read->read(buffer, sizeof buffer), 4);
    EXPECT_TRUE(pair.read->hasBytesAvailable());   // the end is there
    EXPECT_EQ(pair.read->read(buffer, sizeof buffer), 0);
    EXPECT_EQ(pair.read->status(), StreamStatus::AtEnd);
    EXPECT_TRUE(events.count(events.read, StreamEventEndEncountered) == 0);   // from the loop, not inside read
    ASSERT_TRUE(loop.runUntil([&] { return events.count(events.read, StreamEventEndEncountered) == 1; }, Watchdog));
    EXPECT_EQ(busyTurns(loop, 10), 0);
}

TEST(StreamPair, ResetIsAPosixError)
{
    RunLoop loop;
    Sockets s;
    auto [fd, peer] = s.connected();
    Events events;
    auto pair = scheduledPair(loop, fd, events);
    pair.read->open();
    pair.write->open();
    linger l{1, 0};
    ::setsockopt(peer, SOL_SOCKET, SO_LINGER, &l, sizeof l);
    ::close(peer);
    ASSERT_TRUE(loop.runUntil([&] { return events.count(events.read, StreamEventErrorOccurred) == 1; }, Watchdog));
    EXPECT_EQ(pair.read->status(), StreamStatus::Error);
    EXPECT_EQ(pair.read->error(), (StreamError{StreamErrorDomain::POSIX, ECONNRESET}));
}

TEST(StreamPair, ClosingBothStreamsClosesTheNativeSocket)
{
    RunLoop loop;
    Sockets s;
    auto [fd, peer] = s.connected();
    Events events;
    auto pair = scheduledPair(loop, fd, events);
    pair.read->open();
    pair.write->open();
    pair.read->close();
    EXPECT_EQ(pair.read->status(), StreamStatus::Closed);
    EXPECT_GE(::fcntl(fd, F_GETFD), 0);   // the write stream still uses it
    pair.write->close();
    EXPECT_EQ(pair.write->nativeSocket(), -1);
    char c;
    EXPECT_EQ(::recv(peer, &c, 1, 0), 0);   // the peer sees the close
    loop.runOnce(20ms);
    EXPECT_TRUE(events.read.empty());        // closed before open completed: no events
    ::close(peer);
}

TEST(StreamPair, ConnectsToANumericHostOrAName)
{
    RunLoop loop;
    Sockets s;
    for (const char* host : {"127.0.0.1", "localhost"}) {
        auto pair = createStreamPairWithHost(host, s.port);
        std::vector<unsigned> read, write;
        pair.read->setClient(AllEvents, [&](StreamEvent e) { read.push_back(e); });
        pair.write->setClient(AllEvents, [&](StreamEvent e) { write.push_back(e); });
        pair.read->scheduleWithRunLoop(loop);
        pair.write->scheduleWithRunLoop(loop);
        EXPECT_EQ(pair.read->nativeSocket(), -1);
        EXPECT_TRUE(pair.read->open());
        EXPECT_TRUE(pair.write->open());
        ASSERT_TRUE(loop.runUntil([&] { return !read.empty() && !write.empty(); }, Watchdog)) << host;
        EXPECT_EQ(read.front(), StreamEventOpenCompleted) << host;
        EXPECT_EQ(write.front(), StreamEventOpenCompleted) << host;
        EXPECT_GE(pair.read->nativeSocket(), 0);
        int accepted = ::accept(s.listener, nullptr, nullptr);
        EXPECT_GE(accepted, 0);
        ::close(accepted);
    }
}

TEST(StreamPair, ConnectErrorsAreReportedAsErrorEvents)
{
    RunLoop loop;
    std::uint16_t closedPort;
    {
        Sockets s;
        closedPort = s.port;
    }
    struct Case {
        const char* host;
        long domain;
    } cases[] = {{"127.0.0.1", StreamErrorDomain::POSIX}, {"no such host!", StreamErrorDomain::NetDB}};
    for (const auto& c : cases) {
        auto pair = createStreamPairWithHost(c.host, closedPort);
        std::vector<unsigned> read;
        pair.read->setClient(AllEvents, [&](StreamEvent e) { read.push_back(e); });
        pair.read->scheduleWithRunLoop(loop);
        pair.write->scheduleWithRunLoop(loop);
        pair.read->open();
        pair.write->open();
        ASSERT_TRUE(loop.runUntil([&] { return !read.empty(); }, Watchdog)) << c.host;
        EXPECT_EQ(read.front(), StreamEventErrorOccurred);
        EXPECT_EQ(pair.read->status(), StreamStatus::Error);
        EXPECT_EQ(pair.write->status(), StreamStatus::Error);
        EXPECT_EQ(pair.read->error().domain, c.domain) << c.host;
        if (c.domain == StreamErrorDomain::POSIX) {
            EXPECT_EQ(pair.read->error().code, ECONNREFUSED);
        }
    }
    EXPECT_FALSE(createStreamPairWithHost("", 21).read);
}
