// The read and write queues, chunked writes, delivery under the current read's tag,
// timeouts, disconnect after writing, and re-entrant delegates, over real loopback sockets.
#include <gtest/gtest.h>

#include <sys/socket.h>

#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/stream_pair.h"
#include "platform/text.h"
#include "socket_test_support.h"

using namespace ohmkit::net;
using namespace ohmkit::net::test;
using ohmkit::platform::RunLoop;

namespace {

std::string pattern(std::size_t size)
{
    std::string s(size, '\0');
    for (std::size_t i = 0; i < size; ++i) s[i] = static_cast<char>('a' + (i * 7 + i / 251) % 26);
    return s;
}

class Queues : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(connect(loop, c, delegate)); }

    bool peerReceives(std::size_t bytes)
    {
        return loop.runUntil([&] {
            c.peer.drain();
            return c.peer.received.size() >= bytes;
        }, Watchdog);
    }
    bool peerSeesEnd()
    {
        return loop.runUntil([&] {
            c.peer.drain();
            return c.peer.atEnd();
        }, Watchdog);
    }

    RunLoop loop;
    Recorder delegate;
    Connection c;
};

}  // namespace

// ---- Writing

TEST_F(Queues, TenThousandBytesGoOutAs4096And4096And1808WithOneCompletion)
{
    std::vector<std::size_t> calls;
    std::string duringSecondCall;
    c.server->writeStream()->setWriteObserver([&](std::size_t length, ssize_t result) {
        calls.push_back(length);
        EXPECT_EQ(result, static_cast<ssize_t>(length));
        // Inside the second call, 4096 of the 10,000 bytes are done.
        if (calls.size() == 2) duringSecondCall = c.server->description();
    });
    const auto bytes = std::make_shared<const std::string>(pattern(10000));
    c.server->writeData(bytes, -1, 42);
    EXPECT_TRUE(calls.empty());   // nothing is written from inside the request call
    ASSERT_TRUE(peerReceives(10000));
    ASSERT_TRUE(loop.runUntil([&] { return !delegate.writeTags.empty(); }, Watchdog));
    runFor(loop, 30ms);
    EXPECT_EQ(calls, (std::vector<std::size_t>{4096, 4096, 1808}));
    EXPECT_EQ(delegate.writeTags, std::vector<std::int32_t>{42});
    EXPECT_EQ(c.peer.received, *bytes);
    EXPECT_NE(duringSecondCall.find("no current read, currently written 10000 (40%), read stream"), std::string::npos)
        << duringSecondCall;
}

TEST_F(Queues, EachWriteCompletesInOrderAndTheNextStartsOnALaterTurn)
{
    // The first write is too large for the socket buffers, so it completes in the send pass of
    // a later can-accept-bytes event, with the second request waiting behind it.
    std::vector<std::uint64_t> startedInTheSameTurn;
    delegate.onWrite = [&](EventSocket& s, std::int32_t) {
        // Posted now, this runs on the next turn, before the deferred dequeue of the next write.
        loop.post([&, calls = s.writeStream()->writeCalls()] {
            startedInTheSameTurn.push_back(c.server->writeStream()->writeCalls() - calls);
        });
    };
    const std::string big = pattern(16 * 1024 * 1024);
    c.server->writeData(big, -1, 1);
    c.server->writeData("two\r\n", -1, 2);
    ASSERT_TRUE(peerReceives(big.size() + 5));
    ASSERT_TRUE(loop.runUntil([&] { return startedInTheSameTurn.size() == 2; }, Watchdog));
    EXPECT_EQ(delegate.writeTags, (std::vector<std::int32_t>{1, 2}));
    EXPECT_TRUE(c.peer.received.substr(0, big.size()) == big);
    EXPECT_EQ(c.peer.received.substr(big.size()), "two\r\n");
    EXPECT_EQ(startedInTheSameTurn, (std::vector<std::uint64_t>{0, 0}));
    EXPECT_EQ(c.server->writeStream()->bytesWritten(), big.size() + 5);
}

// A temporary file holding `bytes`, open for reading; closed and removed with the object.
struct TempFile {
    explicit TempFile(const std::string& bytes)
    {
        char name[] = "/tmp/ohmkit-sendfile-XXXXXX";
        fd = ::mkstemp(name);
        path = name;
        EXPECT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    ~TempFile()
    {
        ::close(fd);
        ::unlink(path.c_str());
    }
    int fd = -1;
    std::string path;
};

TEST_F(Queues, AFileRangeGoesOutInOrderWithoutByteSizedCallsAndCompletesOnce)
{
    const std::string bytes = pattern(8 * 1024 * 1024 + 123);
    TempFile file(bytes);
    std::vector<std::size_t> calls;
    c.server->writeStream()->setWriteObserver([&](std::size_t length, ssize_t) { calls.push_back(length); });
    c.server->writeData("head", -1, 1);
    c.server->writeFile(FileRange{file.fd, 100, bytes.size() - 100, nullptr}, -1, 2);
    c.server->writeFile(FileRange{file.fd, 0, 0, nullptr}, -1, 3);   // an empty range is ignored
    c.server->writeData("tail", -1, 4);
    const std::size_t total = 4 + bytes.size() - 100 + 4;
    ASSERT_TRUE(peerReceives(total));
    ASSERT_TRUE(loop.runUntil([&] { return delegate.writeTags.size() == 3; }, Watchdog));
    EXPECT_EQ(delegate.writeTags, (std::vector<std::int32_t>{1, 2, 4}));
    EXPECT_TRUE(c.peer.received == "head" + bytes.substr(100) + "tail");
    EXPECT_EQ(c.server->writeStream()->bytesWritten(), total);
    // The file's calls ask for the whole rest of the range, not 4096 bytes at a time.
    EXPECT_GT(std::count_if(calls.begin(), calls.end(), [](std::size_t n) { return n > 65536; }), 0);
    EXPECT_LT(calls.size(), 1000u);
}

TEST_F(Queues, AFileThatEndsBeforeItsRangeCompletesWithWhatItHad)
{
    TempFile file("short file");
    c.server->writeFile(FileRange{file.fd, 6, 1000, nullptr}, -1, 7);
    c.server->writeData("next", -1, 8);
    ASSERT_TRUE(peerReceives(8));
    ASSERT_TRUE(loop.runUntil([&] { return delegate.writeTags.size() == 2; }, Watchdog));
    EXPECT_EQ(c.peer.received, "filenext");
    EXPECT_EQ(delegate.writeTags, (std::vector<std::int32_t>{7, 8}));
}

TEST_F(Queues, WriteTimeoutClosesWithCode4)
{
    // The peer never reads: the socket buffers fill and the write cannot finish.
    c.server->writeData(std::string(64 * 1024 * 1024, 'x'), 0.3, 0);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(loop.runUntil([&] { return !delegate.disconnectErrors.empty(); }, Watchdog));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 250ms);
    ASSERT_TRUE(delegate.disconnectErrors[0].has_value());
    EXPECT_EQ(delegate.disconnectErrors[0]->domain, "EventSocketErrorDomain");
    EXPECT_EQ(delegate.disconnectErrors[0]->code, 4);
    EXPECT_EQ(delegate.disconnectErrors[0]->localizedDescription, "Write operation timed out");
    EXPECT_TRUE(delegate.writeTags.empty());
    ASSERT_TRUE(loop.runUntil([&] { return delegate.didDisconnect == 1; }, Watchdog));
}

TEST_F(Queues, WriteErrorClosesWithTheStreamError)
{
    c.peer.reset();
    // Keep writing until the reset is noticed.
    for (int i = 0; i < 50 && delegate.disconnectErrors.empty(); ++i) {
        c.server->writeData(std::string(100000, 'x'), -1, 0);
        loop.runUntil([&] { return !delegate.disconnectErrors.empty(); }, 100ms);
    }
    ASSERT_FALSE(delegate.disconnectErrors.empty());
    ASSERT_TRUE(delegate.disconnectErrors[0].has_value());
    EXPECT_EQ(delegate.disconnectErrors[0]->domain, "NSPOSIXErrorDomain");
    EXPECT_TRUE(delegate.disconnectErrors[0]->code == ECONNRESET || delegate.disconnectErrors[0]->code == EPIPE)
        << delegate.disconnectErrors[0]->code;
}

// ---- Reading

TEST_F(Queues, EveryChunkComesWithTheCurrentReadsTag)
{
    c.server->readDataToData(EventSocket::CRLFData(), -1, 1);
    c.server->readDataToData(EventSocket::CRLFData(), -1, 2);
    ASSERT_TRUE(c.peer.send("USER a\r\n"));
    ASSERT_TRUE(loop.runUntil([&] { return delegate.data == "USER a\r\n"; }, Watchdog));
    ASSERT_TRUE(c.peer.send("PASS b\r\n"));
    ASSERT_TRUE(loop.runUntil([&] { return delegate.data == "USER a\r\nPASS b\r\n"; }, Watchdog));
    ASSERT_TRUE(c.peer.send("QUIT\r\n"));
    ASSERT_TRUE(loop.runUntil([&] { return delegate.chunks.size() == 3; }, Watchdog));
    for (const auto& chunk : delegate.chunks) EXPECT_EQ(chunk.second, 1);
    EXPECT_EQ(c.server->readQueueLength(), 1u);   // tag 2 waits for as long as the connection lives
    EXPECT_EQ(c.server->currentRead()->tag, 1);
}

TEST_F(Queues, TwoLinesArrivingTogetherAreOneChunk)
{
    ASSERT_TRUE(c.peer.send("USER a\r\nPASS b\r\n"));
    runFor(loop, 30ms);   // the bytes wait in the stream: no read is current
    EXPECT_TRUE(delegate.chunks.empty());
    c.server->readDataToData(EventSocket::CRLFData(), -1, 0);
    ASSERT_TRUE(loop.runUntil([&] { return !delegate.chunks.empty(); }, Watchdog));
    runFor(loop, 30ms);
    ASSERT_EQ(delegate.chunks.size(), 1u);
    EXPECT_EQ(delegate.chunks[0].first, "USER a\r\nPASS b\r\n");
}

TEST_F(Queues, ALineInTwoPiecesIsTwoChunks)
{
    c.server->readDataToData(EventSocket::CRLFData(), -1, 0);
    ASSERT_TRUE(c.peer.send("US"));
    ASSERT_TRUE(loop.runUntil([&] { return delegate.chunks.size() == 1; }, Watchdog));
    ASSERT_TRUE(c.peer.send("ER a\r\n"));
    ASSERT_TRUE(loop.runUntil([&] { return delegate.chunks.size() == 2; }, Watchdog));
    EXPECT_EQ(delegate.chunks[0].first, "US");
    EXPECT_EQ(delegate.chunks[1].first, "ER a\r\n");
}

TEST_F(Queues, LargeInputComesInChunksOfAtMostOneMebibyte)
{
    const std::string bytes = pattern(3 * 1024 * 1024 + 17);
    c.server->readDataWithTimeout(-1, 5);
    std::size_t sent = 0;
    ASSERT_TRUE(loop.runUntil([&] {
        if (sent < bytes.size()) {
            ssize_t n = ::send(c.peer.fd(), bytes.data() + sent, bytes.size() - sent, MSG_DONTWAIT | MSG_NOSIGNAL);
            if (n > 0) sent += static_cast<std::size_t>(n);
        }
        return delegate.data.size() == bytes.size();
    }, Watchdog));
    EXPECT_TRUE(delegate.data == bytes);
    for (const auto& chunk : delegate.chunks) {
        EXPECT_LE(chunk.first.size(), EventSocket::ReadChunkSize);
        EXPECT_EQ(chunk.second, 5);
    }
}

TEST_F(Queues, ReadTimeoutFiresAfterTheReadBecameCurrentEvenWhileDataFlows)
{
    // Measured from the request: the read becomes current a little later, on the next turn.
    const auto requested = std::chrono::steady_clock::now();
    c.server->readDataWithTimeout(0.4, 0);
    ASSERT_TRUE(loop.runUntil([&] { return c.server->currentRead() != nullptr; }, Watchdog));
    // Data keeps arriving, every 20 ms, until the socket closes.
    auto feeder = ohmkit::platform::Timer::schedule(loop, 0.02, true, [&](ohmkit::platform::Timer&) {
        c.peer.send("data\r\n");
    });
    ASSERT_TRUE(loop.runUntil([&] { return !delegate.disconnectErrors.empty(); }, Watchdog));
    const auto elapsed = std::chrono::steady_clock::now() - requested;
    feeder->invalidate();
    EXPECT_GE(elapsed, 400ms);
    EXPECT_GT(delegate.chunks.size(), 3u);
    ASSERT_TRUE(delegate.disconnectErrors[0].has_value());
    EXPECT_EQ(delegate.disconnectErrors[0]->domain, "EventSocketErrorDomain");
    EXPECT_EQ(delegate.disconnectErrors[0]->code, 3);
    EXPECT_EQ(delegate.disconnectErrors[0]->localizedDescription, "Read operation timed out");
    ASSERT_TRUE(peerSeesEnd());
}

TEST_F(Queues, NegativeTimeoutNeverTimesOut)
{
    c.server->readDataWithTimeout(-1, 0);
    c.server->writeData("x", -1, 0);
    runFor(loop, 500ms);
    EXPECT_TRUE(delegate.disconnectErrors.empty());
    EXPECT_TRUE(c.server->isConnected());
    ASSERT_NE(c.server->currentRead(), nullptr);
}

TEST_F(Queues, ZeroTimeoutFiresOnTheNextTurn)
{
    c.server->readDataWithTimeout(0, 0);
    ASSERT_TRUE(loop.runUntil([&] { return !delegate.disconnectErrors.empty(); }, Watchdog));
    EXPECT_EQ(delegate.disconnectErrors[0]->code, 3);
}

TEST_F(Queues, NobodyReadingDoesNotSpin)
{
    ASSERT_TRUE(c.peer.send("hello"));
    runFor(loop, 50ms);
    // The bytes-available event came once; with nobody reading, the loop is idle.
    int busyTurns = 0;
    for (int i = 0; i < 20; ++i) busyTurns += loop.runOnce(5ms) ? 1 : 0;
    EXPECT_EQ(busyTurns, 0);
    c.server->readDataWithTimeout(-1, 0);
    ASSERT_TRUE(loop.runUntil([&] { return delegate.data == "hello"; }, Watchdog));
}

// ---- The end of the peer's stream

TEST_F(Queues, EndOfStreamClosesWithNoErrorWhenTheDelegateAgrees)
{
    c.server->readDataWithTimeout(-1, 0);
    ASSERT_TRUE(c.peer.send("last"));
    c.peer.shutdownWrite();
    ASSERT_TRUE(loop.runUntil([&] { return delegate.didDisconnect == 1; }, Watchdog));
    EXPECT_EQ(delegate.data, "last");
    const std::vector<std::string> tail(delegate.events.end() - 3, delegate.events.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"readStreamEnded", "willDisconnectWithError none", "didDisconnect"}));
}

TEST_F(Queues, EndOfStreamRefusedByTheDelegateLeavesTheSocketOpenAndQuiet)
{
    delegate.onEnded = [](EventSocket&) { return false; };
    c.server->readDataWithTimeout(-1, 0);
    c.peer.shutdownWrite();
    ASSERT_TRUE(loop.runUntil([&] { return delegate.readStreamEnded == 1; }, Watchdog));
    runFor(loop, 50ms);
    int busyTurns = 0;
    for (int i = 0; i < 20; ++i) busyTurns += loop.runOnce(5ms) ? 1 : 0;
    EXPECT_EQ(busyTurns, 0);   // the end is reported once; nothing spins
    EXPECT_EQ(delegate.readStreamEnded, 1);
    EXPECT_TRUE(delegate.disconnectErrors.empty());
    // The socket still writes to the peer.
    c.server->writeData("226 Transfer complete.\r\n", -1, 7);
    ASSERT_TRUE(peerReceives(24));
    ASSERT_TRUE(loop.runUntil([&] { return delegate.writeTags.size() == 1; }, Watchdog));
}

// ---- Disconnect after writing

TEST_F(Queues, DisconnectAfterWritingWithNothingQueuedDisconnectsOnTheNextTurn)
{
    c.server->readDataWithTimeout(-1, 0);
    c.server->disconnectAfterWriting();
    EXPECT_EQ(delegate.didDisconnect, 0);
    EXPECT_TRUE(c.server->flags() & EventSocket::DisconnectPending);
    ASSERT_TRUE(peerSeesEnd());
    ASSERT_TRUE(loop.runUntil([&] { return delegate.didDisconnect == 1; }, Watchdog));
    EXPECT_TRUE(delegate.disconnectErrors.empty());   // a plain disconnect
}

TEST_F(Queues, DisconnectAfterWritingWaitsForTheQueuedWritesAndRefusesNewRequests)
{
    const std::string line = "221- Data traffic for this session was 0 bytes in 0 files\r\n";
    c.server->writeData(line, -1, 1);
    c.server->writeData(std::string(20000, 'y'), -1, 2);
    c.server->readDataWithTimeout(-1, 0);
    c.server->disconnectAfterWriting();
    c.server->writeData("ignored", -1, 3);
    c.server->readDataWithTimeout(-1, 4);
    EXPECT_EQ(c.server->writeQueueLength(), 2u);
    EXPECT_EQ(c.server->readQueueLength(), 1u);
    ASSERT_TRUE(peerSeesEnd());
    ASSERT_TRUE(loop.runUntil([&] { return delegate.didDisconnect == 1; }, Watchdog));
    EXPECT_EQ(delegate.writeTags, (std::vector<std::int32_t>{1, 2}));
    EXPECT_EQ(c.peer.received, line + std::string(20000, 'y'));
    EXPECT_EQ(c.peer.received.find("ignored"), std::string::npos);
}

// ---- Re-entrant delegates (run these under ASan)

TEST_F(Queues, DelegateClosingInsideReadStopsTheDeliveryPass)
{
    const std::string bytes = pattern(3 * 1024 * 1024);
    delegate.onRead = [&](EventSocket& s, std::string_view, std::int32_t) { s.disconnect(); };
    c.server->readDataWithTimeout(-1, 0);
    std::size_t sent = 0;
    ASSERT_TRUE(loop.runUntil([&] {
        if (sent < bytes.size()) {
            ssize_t n = ::send(c.peer.fd(), bytes.data() + sent, bytes.size() - sent, MSG_DONTWAIT | MSG_NOSIGNAL);
            if (n > 0) sent += static_cast<std::size_t>(n);
        }
        return delegate.didDisconnect == 1;
    }, Watchdog));
    runFor(loop, 30ms);
    EXPECT_EQ(delegate.chunks.size(), 1u);
    EXPECT_EQ(delegate.didDisconnect, 1);
}

TEST_F(Queues, DelegateDroppingTheSocketInsideReadIsSafe)
{
    std::weak_ptr<EventSocket> weak = c.server;
    bool aliveDuringCallback = false;
    delegate.onRead = [&](EventSocket& s, std::string_view, std::int32_t) {
        c.server.reset();
        c.listenerDelegate.accepted.clear();   // the last owner is gone
        aliveDuringCallback = !weak.expired();
        s.readDataWithTimeout(-1, 1);          // the socket is still usable until the callback returns
    };
    c.server->readDataWithTimeout(-1, 0);
    ASSERT_TRUE(c.peer.send("bye"));
    ASSERT_TRUE(loop.runUntil([&] { return weak.expired(); }, Watchdog));
    EXPECT_TRUE(aliveDuringCallback);
    ASSERT_TRUE(peerSeesEnd());
    EXPECT_EQ(delegate.didDisconnect, 0);
}

TEST_F(Queues, DelegateDroppingTheSocketInsideWriteCompletionIsSafe)
{
    std::weak_ptr<EventSocket> weak = c.server;
    delegate.onWrite = [&](EventSocket&, std::int32_t) {
        c.server.reset();
        c.listenerDelegate.accepted.clear();
    };
    c.server->writeData(std::string(9000, 'z'), -1, 0);
    ASSERT_TRUE(loop.runUntil([&] { return weak.expired(); }, Watchdog));
    ASSERT_TRUE(peerSeesEnd());
    EXPECT_EQ(c.peer.received.size(), 9000u);
}

TEST_F(Queues, DelegateDroppingTheSocketInsideWillDisconnectIsSafe)
{
    std::weak_ptr<EventSocket> weak = c.server;
    delegate.onWillDisconnect = [&](EventSocket& s, const std::optional<Error>&) {
        c.server.reset();
        c.listenerDelegate.accepted.clear();
        EXPECT_NE(s.readStream(), nullptr);   // still whole until closeWithError returns
    };
    c.server->readDataWithTimeout(-1, 0);
    c.peer.close();
    ASSERT_TRUE(loop.runUntil([&] { return weak.expired(); }, Watchdog));
    runFor(loop, 30ms);
    EXPECT_EQ(delegate.didDisconnect, 0);   // destroyed: the pending callback was withdrawn
}

TEST_F(Queues, DelegateClosingInsideWriteCompletionEndsTheQueues)
{
    delegate.onWrite = [&](EventSocket& s, std::int32_t) { s.disconnect(); };
    c.server->writeData("first", -1, 1);
    c.server->writeData("second", -1, 2);
    ASSERT_TRUE(loop.runUntil([&] { return delegate.didDisconnect == 1; }, Watchdog));
    runFor(loop, 30ms);
    EXPECT_EQ(delegate.writeTags, std::vector<std::int32_t>{1});
    ASSERT_TRUE(peerSeesEnd());
    EXPECT_EQ(c.peer.received, "first");
}

// ---- Flow control

TEST_F(Queues, ManyQueuedWritesWaitBehindOneDeferredDequeue)
{
    const std::size_t before = loop.pendingCalls();
    for (int i = 0; i < 1000; ++i) c.server->writeData("200 NOOP command successful.\r\n", -1, i);
    EXPECT_EQ(loop.pendingCalls(), before + 1);
    EXPECT_EQ(c.server->queuedWriteBytes(), 1000u * 30u);
    ASSERT_TRUE(peerReceives(1000 * 30));
    ASSERT_TRUE(loop.runUntil([&] { return delegate.writeTags.size() == 1000; }, Watchdog));
    for (int i = 0; i < 1000; ++i) EXPECT_EQ(delegate.writeTags[static_cast<std::size_t>(i)], i);
    EXPECT_EQ(c.server->queuedWriteBytes(), 0u);
}

TEST_F(Queues, QueuedWriteBytesCountWhatTheSystemHasNotTaken)
{
    // The peer does not read: most of a large write stays with the socket.
    c.server->writeData(std::string(32 * 1024 * 1024, 'q'), -1, 0);
    runFor(loop, 50ms);
    const std::size_t waiting = c.server->queuedWriteBytes();
    EXPECT_GT(waiting, 0u);
    EXPECT_LT(waiting, 32u * 1024 * 1024);
    ASSERT_TRUE(peerReceives(32 * 1024 * 1024));
    ASSERT_TRUE(loop.runUntil([&] { return delegate.writeTags.size() == 1; }, Watchdog));
    EXPECT_EQ(c.server->queuedWriteBytes(), 0u);
}

TEST_F(Queues, PausedReadingHoldsTheBytesUntilResumed)
{
    delegate.onRead = [&](EventSocket& s, std::string_view, std::int32_t) { s.pauseReading(); };
    c.server->readDataWithTimeout(-1, 0);
    ASSERT_TRUE(c.peer.send("first"));
    ASSERT_TRUE(loop.runUntil([&] { return delegate.chunks.size() == 1; }, Watchdog));
    EXPECT_TRUE(c.server->isReadingPaused());
    ASSERT_TRUE(c.peer.send("second"));
    runFor(loop, 50ms);
    EXPECT_EQ(delegate.data, "first");
    int busyTurns = 0;   // the waiting bytes do not wake the loop over and over
    for (int i = 0; i < 20; ++i) busyTurns += loop.runOnce(5ms) ? 1 : 0;
    EXPECT_EQ(busyTurns, 0);

    delegate.onRead = nullptr;
    c.server->resumeReading();
    EXPECT_EQ(delegate.data, "first");   // never from inside the call
    ASSERT_TRUE(loop.runUntil([&] { return delegate.data == "firstsecond"; }, Watchdog));
    ASSERT_TRUE(c.peer.send("third"));
    ASSERT_TRUE(loop.runUntil([&] { return delegate.data == "firstsecondthird"; }, Watchdog));
}

TEST_F(Queues, ThePeersEndWaitsBehindPausedBytes)
{
    delegate.onRead = [&](EventSocket& s, std::string_view, std::int32_t) { s.pauseReading(); };
    c.server->readDataWithTimeout(-1, 0);
    ASSERT_TRUE(c.peer.send("one"));
    ASSERT_TRUE(loop.runUntil([&] { return delegate.chunks.size() == 1; }, Watchdog));
    ASSERT_TRUE(c.peer.send("two"));
    c.peer.shutdownWrite();
    runFor(loop, 50ms);
    EXPECT_EQ(delegate.readStreamEnded, 0);
    delegate.onRead = nullptr;
    c.server->resumeReading();
    ASSERT_TRUE(loop.runUntil([&] { return delegate.didDisconnect == 1; }, Watchdog));
    EXPECT_EQ(delegate.data, "onetwo");
    EXPECT_EQ(delegate.readStreamEnded, 1);
}

TEST_F(Queues, AReadChunkLimitCutsLargeInputIntoSmallerChunks)
{
    c.server->setReadChunkLimit(1000);
    const std::string bytes = pattern(10000);
    c.server->readDataWithTimeout(-1, 0);
    ASSERT_TRUE(c.peer.send(bytes));
    ASSERT_TRUE(loop.runUntil([&] { return delegate.data.size() == bytes.size(); }, Watchdog));
    EXPECT_EQ(delegate.data, bytes);
    EXPECT_GE(delegate.chunks.size(), 10u);
    for (const auto& chunk : delegate.chunks) EXPECT_LE(chunk.first.size(), 1000u);
}

// ---- Requests made before the connection

TEST(QueuesBeforeConnecting, RequestsWaitUntilTheConnectionIsReported)
{
    RunLoop loop;
    Recorder listenerDelegate;
    Recorder peerDelegate;
    listenerDelegate.delegateForNew = &peerDelegate;
    auto listener = EventSocket::create(&listenerDelegate, &loop);
    ASSERT_TRUE(listener->acceptOnAddress("127.0.0.1", 0));

    Recorder delegate;
    auto client = EventSocket::create(&delegate, &loop);
    std::string whenConnected;
    delegate.onConnect = [&](EventSocket& s) { whenConnected = s.description(); };
    ASSERT_TRUE(client->connectToHost("127.0.0.1", listener->localPort()));
    client->readDataWithTimeout(-1, 3);
    client->writeData("hello", -1, 4);
    ASSERT_TRUE(loop.runUntil([&] { return !whenConnected.empty(); }, Watchdog));
    // At the report both requests were still queued.
    EXPECT_NE(whenConnected.find("has queued 1 reads 1 writes, no current read, no current write"), std::string::npos)
        << whenConnected;
    ASSERT_TRUE(loop.runUntil([&] { return delegate.writeTags.size() == 1; }, Watchdog));
    ASSERT_TRUE(loop.runUntil([&] { return !listenerDelegate.accepted.empty(); }, Watchdog));
    auto server = listenerDelegate.accepted[0];
    server->readDataWithTimeout(-1, 0);
    server->writeData("welcome", -1, 0);
    ASSERT_TRUE(loop.runUntil([&] { return peerDelegate.data == "hello" && delegate.data == "welcome"; }, Watchdog));
    EXPECT_EQ(delegate.chunks[0].second, 3);
}
