// The read and write request records, and how the socket fills them.
#include <gtest/gtest.h>

#include "net/event_socket.h"
#include "net/read_packet.h"
#include "net/write_packet.h"
#include "platform/run_loop.h"
#include "socket_test_support.h"

using namespace ohmkit::net;

TEST(ReadPacket, KeepsItsOwnCopyOfTheTerminator)
{
    std::string terminator = "\r\n";
    ReadPacket packet(std::make_shared<std::string>(), 5.0, 7, false, terminator, -1);
    terminator[0] = 'X';
    ASSERT_TRUE(packet.term.has_value());
    EXPECT_EQ(*packet.term, "\r\n");
    EXPECT_EQ(packet.bytesDone, 0);
    EXPECT_EQ(packet.tag, 7);
    EXPECT_DOUBLE_EQ(packet.timeout, 5.0);
    EXPECT_FALSE(packet.readAllAvailableData);
}

TEST(WritePacket, RefersToTheCallersBytesWithoutCopying)
{
    auto bytes = std::make_shared<const std::string>("hello");
    WritePacket packet(bytes, -1, 3);
    EXPECT_EQ(packet.buffer.get(), bytes.get());
    EXPECT_EQ(packet.bytesDone, 0);
    EXPECT_EQ(packet.tag, 3);
    EXPECT_LT(packet.timeout, 0);
}

TEST(Packets, PercentageIsTruncatedFromASinglePrecisionQuotient)
{
    WritePacket packet(std::make_shared<const std::string>(10000, 'x'), -1, 0);
    EXPECT_EQ(packet.percentDone(), 0);
    packet.bytesDone = 4096;
    EXPECT_EQ(packet.percentDone(), 40);
    packet.bytesDone = 9999;
    EXPECT_EQ(packet.percentDone(), 99);
    packet.bytesDone = 10000;
    EXPECT_EQ(packet.percentDone(), 100);

    ReadPacket empty(std::make_shared<std::string>(), -1, 0, true, std::nullopt, -1);
    EXPECT_EQ(empty.percentDone(), 0);
    empty.bytesDone = 1;   // done bytes in an empty buffer count as complete
    EXPECT_EQ(empty.percentDone(), 100);
}

// The socket makes the two kinds of read request with the fields each kind carries.
class ReadRequestKinds : public ::testing::Test {
protected:
    ohmkit::platform::RunLoop loop;
    EventSocketDelegate delegate;   // implements nothing
    std::shared_ptr<EventSocket> socket = EventSocket::create(&delegate, &loop);
};

TEST_F(ReadRequestKinds, ReadAllHasNoTerminatorAndNoMaximum)
{
    socket->readDataWithTimeout(-1, 4);
    ASSERT_EQ(socket->readQueueLength(), 1u);
    // Not connected: the request waits in the queue, even after the deferred dequeue ran.
    loop.runOnce(std::chrono::milliseconds(10));
    EXPECT_EQ(socket->readQueueLength(), 1u);
    EXPECT_EQ(socket->currentRead(), nullptr);
}

// On a connected socket the request becomes current, and it carries neither a terminator nor
// a maximum: every chunk that arrives is delivered under its tag.
TEST(ReadRequestKindsConnected, ReadAllHasNoTerminatorAndNoMaximumOnceCurrent)
{
    using namespace ohmkit::net::test;
    ohmkit::platform::RunLoop loop;
    Connection c;
    Recorder server;
    ASSERT_TRUE(connect(loop, c, server));
    c.server->readDataWithTimeout(-1, 4);
    ASSERT_TRUE(loop.runUntil([&] { return c.server->currentRead() != nullptr; }, 5s));
    const ReadPacket& read = *c.server->currentRead();
    EXPECT_EQ(read.tag, 4);
    EXPECT_TRUE(read.readAllAvailableData);
    EXPECT_FALSE(read.term.has_value());
    EXPECT_LE(read.maxLength, 0);
}

TEST_F(ReadRequestKinds, ToDataRequestsAreCheckedAgainstTheTerminatorLength)
{
    socket->readDataToData("\r\n", -1, 1, 0);    // maximum below the terminator's length
    EXPECT_EQ(socket->readQueueLength(), 0u);
    socket->readDataToData("\r\n", -1, 0, 0);    // maximum 0 always ignores the call
    EXPECT_EQ(socket->readQueueLength(), 0u);
    socket->readDataToData("", -1, 0);           // empty terminator
    EXPECT_EQ(socket->readQueueLength(), 0u);
    socket->readDataToData("\r\n", -1, 2, 0);
    EXPECT_EQ(socket->readQueueLength(), 1u);
    socket->readDataToData("\r\n", -1, -1, 0);
    EXPECT_EQ(socket->readQueueLength(), 2u);
    socket->readDataToData("\r\n", -1, 0);       // the three-argument form: maximum -1
    EXPECT_EQ(socket->readQueueLength(), 3u);
}

TEST_F(ReadRequestKinds, EmptyWritesAreIgnored)
{
    socket->writeData(std::string(), -1, 0);
    socket->writeData(std::shared_ptr<const std::string>(), -1, 0);
    socket->writeData(std::make_shared<const std::string>(), -1, 0);
    EXPECT_EQ(socket->writeQueueLength(), 0u);
    socket->writeData("x", -1, 0);
    EXPECT_EQ(socket->writeQueueLength(), 1u);
}

TEST(EventSocket, CRLFDataIsTheTwoBytes)
{
    EXPECT_EQ(EventSocket::CRLFData(), std::string("\x0d\x0a"));
}
