// Set-up, listening, accepting, connecting, the address queries and closing, over
// real loopback sockets with the real run loop.
#include <gtest/gtest.h>

#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>

#include "platform/text.h"
#include "socket_test_support.h"

using namespace ohmkit::net;
using namespace ohmkit::net::test;
using ohmkit::platform::format;
using ohmkit::platform::RunLoop;

namespace {

std::string pointerText(const void* p)
{
    return format("0x%llx", static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(p)));
}

std::string sockaddrBytes(const void* address, std::size_t length)
{
    return std::string(static_cast<const char*>(address), length);
}

// Port 0 on IPv4 and IPv6: the port the system picks for IPv4 can, rarely, be taken on IPv6
// by another program (or a test running beside this one); then the set-up fails, as it
// should, and the test tries again.
bool listenOnSharedPort(EventSocket& listener, const std::optional<std::string>& interfaceName, Error* error = nullptr)
{
    for (int attempt = 0; attempt < 5; ++attempt)
        if (listener.acceptOnAddress(interfaceName, 0, error)) return true;
    return false;
}

}  // namespace

// ---- Listening

TEST(Listening, PortZeroGivesOnePortSharedByIPv4AndIPv6)
{
    RunLoop loop;
    Recorder delegate;
    auto listener = EventSocket::create(&delegate, &loop);
    Error error;
    ASSERT_TRUE(listenOnSharedPort(*listener, std::nullopt, &error)) << error.description();
    EXPECT_TRUE(listener->isIPv4());
    const std::uint16_t port = listener->localPort();
    ASSERT_NE(port, 0);
    EXPECT_EQ(listener->localHost(), "0.0.0.0");
    EXPECT_FALSE(listener->connectedHost().has_value());   // a listening socket has no peer
    EXPECT_EQ(listener->connectedPort(), 0);
    EXPECT_TRUE(listener->flags() & EventSocket::SetUpComplete);

    Peer v4;
    ASSERT_TRUE(v4.connect("127.0.0.1", port));
    ASSERT_TRUE(loop.runUntil([&] { return delegate.accepted.size() == 1; }, Watchdog));

    if (!hasIPv6Loopback()) {
        EXPECT_FALSE(listener->isIPv6());   // a host without IPv6 listens on IPv4 alone
        GTEST_SKIP() << "no IPv6 loopback here";
    }
    ASSERT_TRUE(listener->isIPv6());
    // Both listening sockets appear in the description, with the IPv4 port.
    EXPECT_NE(listener->description().find(format(" local 0.0.0.0/:: %u remote ", port)), std::string::npos)
        << listener->description();
    Peer v6;
    ASSERT_TRUE(v6.connect("::1", port));
    ASSERT_TRUE(loop.runUntil([&] { return delegate.accepted.size() == 2; }, Watchdog));
    ASSERT_TRUE(loop.runUntil([&] { return delegate.accepted[1]->isConnected(); }, Watchdog));
    EXPECT_TRUE(delegate.accepted[1]->isIPv6());
    EXPECT_FALSE(delegate.accepted[1]->isIPv4());
    EXPECT_EQ(delegate.accepted[1]->connectedHost(), "::1");
    EXPECT_EQ(delegate.accepted[1]->connectedPort(), v6.localPort());
    EXPECT_EQ(delegate.accepted[1]->localPort(), port);
}

TEST(Listening, LocalhostListensOnTheLoopbackAddressesOnly)
{
    RunLoop loop;
    Recorder delegate;
    auto listener = EventSocket::create(&delegate, &loop);
    ASSERT_TRUE(listenOnSharedPort(*listener, "localhost"));
    const std::uint16_t port = listener->localPort();
    EXPECT_EQ(listener->localHost(), "127.0.0.1");
    if (hasIPv6Loopback()) {
        EXPECT_NE(listener->description().find(format(" local 127.0.0.1/::1 %u ", port)), std::string::npos)
            << listener->description();
    }

    Peer peer;
    ASSERT_TRUE(peer.connect("127.0.0.1", port));
    ASSERT_TRUE(loop.runUntil([&] { return delegate.accepted.size() == 1; }, Watchdog));
    listener->disconnect();

    auto loopback = EventSocket::create(&delegate, &loop);
    ASSERT_TRUE(listenOnSharedPort(*loopback, "loopback"));
    EXPECT_EQ(loopback->localHost(), "127.0.0.1");
}

TEST(Listening, OtherLetterCaseIsLookedUpAsAHostName)
{
    // "LocalHost" is not the keyword: it goes through getaddrinfo, so the families found are
    // those of the look-up (the hosts file often has no ::1 line for it).
    addrinfo hints{};
    hints.ai_flags = AI_PASSIVE;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* list = nullptr;
    if (::getaddrinfo("LocalHost", "0", &hints, &list) != 0) GTEST_SKIP() << "LocalHost does not resolve here";
    bool v4 = false, v6 = false;
    for (addrinfo* ai = list; ai; ai = ai->ai_next) {
        v4 |= ai->ai_family == AF_INET;
        v6 |= ai->ai_family == AF_INET6;
    }
    ::freeaddrinfo(list);

    RunLoop loop;
    Recorder delegate;
    auto listener = EventSocket::create(&delegate, &loop);
    ASSERT_TRUE(listenOnSharedPort(*listener, "LocalHost"));
    EXPECT_EQ(listener->isIPv4(), v4);
    EXPECT_EQ(listener->isIPv6(), v6 && hasIPv6Loopback());
}

TEST(Listening, NumericInterfacesListenOnTheirFamilyOnly)
{
    RunLoop loop;
    Recorder delegate;
    auto v4 = EventSocket::create(&delegate, &loop);
    ASSERT_TRUE(v4->acceptOnAddress("127.0.0.1", 0));
    EXPECT_TRUE(v4->isIPv4());
    EXPECT_FALSE(v4->isIPv6());
    EXPECT_EQ(v4->localHost(), "127.0.0.1");

    if (!hasIPv6Loopback()) GTEST_SKIP() << "no IPv6 loopback here";
    auto v6 = EventSocket::create(&delegate, &loop);
    ASSERT_TRUE(v6->acceptOnAddress("::1", 0));
    EXPECT_FALSE(v6->isIPv4());
    EXPECT_TRUE(v6->isIPv6());
    EXPECT_EQ(v6->localHost(), "::1");
    Peer peer;
    ASSERT_TRUE(peer.connect("::1", v6->localPort()));
    ASSERT_TRUE(loop.runUntil([&] { return delegate.accepted.size() == 1; }, Watchdog));
}

TEST(Listening, UnknownInterfaceFailsWithTheLookUpError)
{
    RunLoop loop;
    Recorder delegate;
    auto listener = EventSocket::create(&delegate, &loop);
    Error error;
    // Not a valid host name, so the resolver refuses it without asking any server.
    EXPECT_FALSE(listener->acceptOnAddress("no such interface!", 0, &error));
    EXPECT_EQ(error.domain, "kCFStreamErrorDomainNetDB");
    EXPECT_NE(error.code, 0);
    ASSERT_TRUE(error.localizedDescription.has_value());
    EXPECT_EQ(*error.localizedDescription, gai_strerror(error.code));
    EXPECT_FALSE(listener->isIPv4());
    EXPECT_FALSE(listener->isIPv6());
    EXPECT_EQ(listener->flags(), 0);
    // Without an out-parameter it simply fails.
    EXPECT_FALSE(listener->acceptOnAddress("no such interface!", 0));
}

TEST(Listening, PortInUseFailsWithTheGeneralSocketError)
{
    RunLoop loop;
    Recorder delegate;
    auto first = EventSocket::create(&delegate, &loop);
    ASSERT_TRUE(first->acceptOnAddress("127.0.0.1", 0));
    auto second = EventSocket::create(&delegate, &loop);
    Error error;
    EXPECT_FALSE(second->acceptOnAddress("127.0.0.1", first->localPort(), &error));
    EXPECT_EQ(error.domain, "EventSocketErrorDomain");
    EXPECT_EQ(error.code, -1);
    EXPECT_FALSE(second->isIPv4());
    EXPECT_FALSE(second->isIPv6());
    EXPECT_EQ(second->flags(), 0);
    EXPECT_EQ(second->description().find("nowhere"), second->description().find(" local ") + 7);
}

TEST(Listening, SecondAcceptRaisesAndWorksAgainAfterDisconnect)
{
    RunLoop loop;
    Recorder delegate;
    auto listener = EventSocket::create(&delegate, &loop);
    ASSERT_TRUE(listener->acceptOnAddress("127.0.0.1", 0));
    EXPECT_THROW(listener->acceptOnPort(0), EventSocketException);
    listener->disconnect();
    EXPECT_FALSE(listener->isIPv4());
    EXPECT_EQ(listener->flags(), 0);
    ASSERT_TRUE(listener->acceptOnAddress("127.0.0.1", 0));
    Peer peer;
    ASSERT_TRUE(peer.connect("127.0.0.1", listener->localPort()));
    ASSERT_TRUE(loop.runUntil([&] { return delegate.accepted.size() == 1; }, Watchdog));
    // The listener's disconnect was a close of a set-up socket: one didDisconnect, later.
    EXPECT_EQ(delegate.didDisconnect, 1);
}

// ---- Accepting

TEST(Accepting, CallbacksComeInTheirDocumentedOrder)
{
    RunLoop loop;
    Recorder listenerDelegate;
    Recorder connectionDelegate;
    std::vector<std::string> order;
    listenerDelegate.onAccept = [&](EventSocket&, const std::shared_ptr<EventSocket>& s) {
        order.push_back("listener: didAcceptNewSocket");
        EXPECT_EQ(s->delegate(), &listenerDelegate);   // made with the listener's delegate
        EXPECT_EQ(s->readStream(), nullptr);           // before its streams are made
        s->setDelegate(&connectionDelegate);
    };
    connectionDelegate.onWillConnect = [&](EventSocket& s) {
        order.push_back("connection: willConnect");
        EXPECT_FALSE(s.isConnected());
        return true;
    };
    connectionDelegate.onConnect = [&](EventSocket&) { order.push_back("connection: didConnect"); };

    auto listener = EventSocket::create(&listenerDelegate, &loop);
    ASSERT_TRUE(listener->acceptOnAddress("127.0.0.1", 0));
    Peer peer;
    ASSERT_TRUE(peer.connect("127.0.0.1", listener->localPort()));
    ASSERT_TRUE(peer.send("hello"));
    ASSERT_TRUE(loop.runUntil([&] { return order.size() == 3; }, Watchdog));
    auto server = listenerDelegate.accepted.at(0);
    server->readDataWithTimeout(-1, 9);
    ASSERT_TRUE(loop.runUntil([&] { return connectionDelegate.data == "hello"; }, Watchdog));

    EXPECT_EQ(listenerDelegate.events,
              (std::vector<std::string>{"didAcceptNewSocket", "wantsRunLoopForNewSocket"}));
    EXPECT_EQ(order, (std::vector<std::string>{"listener: didAcceptNewSocket", "connection: willConnect",
                                               "connection: didConnect"}));
    EXPECT_EQ(connectionDelegate.events.back(), "didReadData 9");
    EXPECT_EQ(connectionDelegate.connectedHost, "127.0.0.1");
    EXPECT_EQ(connectionDelegate.connectedPort, peer.localPort());
    EXPECT_TRUE(server->isConnected());
    EXPECT_TRUE(server->isIPv4());
    EXPECT_EQ(server->localHost(), "127.0.0.1");
    EXPECT_EQ(server->localPort(), listener->localPort());
    EXPECT_EQ(server->connectedPort(), peer.localPort());
    EXPECT_EQ(server->flags() & (EventSocket::SetUpComplete | EventSocket::ConnectReported),
              EventSocket::SetUpComplete | EventSocket::ConnectReported);
}

TEST(Accepting, RefusalInWillConnectClosesTheNewSocketWithoutAnyCallback)
{
    RunLoop loop;
    Recorder listenerDelegate;
    Recorder refuser;
    refuser.onWillConnect = [](EventSocket&) { return false; };
    listenerDelegate.delegateForNew = &refuser;
    auto listener = EventSocket::create(&listenerDelegate, &loop);
    ASSERT_TRUE(listener->acceptOnAddress("127.0.0.1", 0));
    Peer peer;
    ASSERT_TRUE(peer.connect("127.0.0.1", listener->localPort()));
    // The peer sees the connection closed.
    ASSERT_TRUE(loop.runUntil([&] {
        peer.drain();
        return peer.atEnd();
    }, Watchdog));
    runFor(loop, 50ms);
    EXPECT_EQ(refuser.events, std::vector<std::string>{"willConnect"});
    auto server = listenerDelegate.accepted.at(0);
    EXPECT_EQ(server->readStream(), nullptr);
    EXPECT_EQ(server->flags(), 0);
    EXPECT_FALSE(server->isConnected());
}

TEST(Accepting, UnadoptedSocketIsReleasedAtTheEndOfTheEvent)
{
    RunLoop loop;
    Recorder listenerDelegate;
    listenerDelegate.adopt = false;
    std::weak_ptr<EventSocket> seen;
    listenerDelegate.onAccept = [&](EventSocket&, const std::shared_ptr<EventSocket>& s) { seen = s; };
    auto listener = EventSocket::create(&listenerDelegate, &loop);
    ASSERT_TRUE(listener->acceptOnAddress("127.0.0.1", 0));
    Peer peer;
    ASSERT_TRUE(peer.connect("127.0.0.1", listener->localPort()));
    ASSERT_TRUE(loop.runUntil([&] {
        peer.drain();
        return peer.atEnd();
    }, Watchdog));
    EXPECT_TRUE(seen.expired());
    EXPECT_EQ(listenerDelegate.didDisconnect, 0);   // destroyed sockets send no disconnect callbacks
}

TEST(Accepting, NewSocketRunsOnTheLoopTheDelegateChooses)
{
    RunLoop loop;
    RunLoop other;
    Recorder listenerDelegate;
    Recorder connectionDelegate;
    listenerDelegate.delegateForNew = &connectionDelegate;
    listenerDelegate.loopForNew = &other;
    auto listener = EventSocket::create(&listenerDelegate, &loop);
    ASSERT_TRUE(listener->acceptOnAddress("127.0.0.1", 0));
    Peer peer;
    ASSERT_TRUE(peer.connect("127.0.0.1", listener->localPort()));
    ASSERT_TRUE(loop.runUntil([&] { return listenerDelegate.accepted.size() == 1; }, Watchdog));
    auto server = listenerDelegate.accepted[0];
    EXPECT_EQ(&server->runLoop(), &other);
    runFor(loop, 30ms);
    EXPECT_TRUE(connectionDelegate.connectedHost.empty());   // nothing happens on the listener's loop
    ASSERT_TRUE(other.runUntil([&] { return !connectionDelegate.connectedHost.empty(); }, Watchdog));
    server.reset();
    listenerDelegate.accepted.clear();
}

// ---- Connecting

TEST(Connecting, ReportsTheConnectionAndTheAddresses)
{
    RunLoop loop;
    Recorder listenerDelegate;
    auto listener = EventSocket::create(&listenerDelegate, &loop);
    ASSERT_TRUE(listener->acceptOnAddress("127.0.0.1", 0));
    Recorder delegate;
    auto client = EventSocket::create(&delegate, &loop);
    Error error;
    ASSERT_TRUE(client->connectToHost("127.0.0.1", listener->localPort(), &error)) << error.description();
    EXPECT_TRUE(client->flags() & EventSocket::SetUpComplete);
    EXPECT_EQ(delegate.events, std::vector<std::string>{"willConnect"});
    // No socket object before the open handler: the queries give none and 0.
    EXPECT_FALSE(client->connectedHost().has_value());
    EXPECT_EQ(client->connectedPort(), 0);
    EXPECT_FALSE(client->isConnected());
    ASSERT_TRUE(loop.runUntil([&] { return !delegate.connectedHost.empty(); }, Watchdog));
    EXPECT_EQ(delegate.events.back(), format("didConnectToHost 127.0.0.1 %u", listener->localPort()));
    EXPECT_TRUE(client->isConnected());
    EXPECT_EQ(client->connectedHost(), "127.0.0.1");
    EXPECT_EQ(client->connectedPort(), listener->localPort());
    EXPECT_EQ(client->localHost(), "127.0.0.1");
    EXPECT_NE(client->localPort(), 0);
    EXPECT_THROW(client->connectToHost("127.0.0.1", 1), EventSocketException);
    EXPECT_THROW(client->acceptOnPort(0), EventSocketException);
}

TEST(Connecting, ByNameAndOverIPv6)
{
    RunLoop loop;
    Recorder listenerDelegate;
    auto listener = EventSocket::create(&listenerDelegate, &loop);
    ASSERT_TRUE(listenOnSharedPort(*listener, "localhost"));
    Recorder byName;
    auto client = EventSocket::create(&byName, &loop);
    ASSERT_TRUE(client->connectToHost("localhost", listener->localPort()));
    ASSERT_TRUE(loop.runUntil([&] { return !byName.connectedHost.empty(); }, Watchdog));
    EXPECT_TRUE(byName.connectedHost == "127.0.0.1" || byName.connectedHost == "::1") << byName.connectedHost;

    if (!hasIPv6Loopback()) GTEST_SKIP() << "no IPv6 loopback here";
    Recorder v6;
    auto client6 = EventSocket::create(&v6, &loop);
    ASSERT_TRUE(client6->connectToHost("::1", listener->localPort()));
    ASSERT_TRUE(loop.runUntil([&] { return !v6.connectedHost.empty(); }, Watchdog));
    EXPECT_EQ(v6.connectedHost, "::1");
    EXPECT_TRUE(client6->isIPv6());
    EXPECT_FALSE(client6->isIPv4());
}

TEST(Connecting, RefusalInWillConnectFailsWithTheCancelError)
{
    RunLoop loop;
    Recorder delegate;
    delegate.onWillConnect = [](EventSocket&) { return false; };
    auto client = EventSocket::create(&delegate, &loop);
    Error error;
    EXPECT_FALSE(client->connectToHost("127.0.0.1", 9, &error));
    EXPECT_EQ(error.domain, "EventSocketErrorDomain");
    EXPECT_EQ(error.code, 1);
    EXPECT_EQ(error.localizedDescription, "Connection canceled");
    EXPECT_EQ(client->readStream(), nullptr);
    EXPECT_EQ(client->flags(), 0);
    runFor(loop, 30ms);
    EXPECT_EQ(delegate.events, std::vector<std::string>{"willConnect"});
}

TEST(Connecting, RefusedConnectionEndsInWillDisconnectWithThePosixError)
{
    RunLoop loop;
    // A port that was just free: bind, read the port, close.
    Recorder listenerDelegate;
    auto probe = EventSocket::create(&listenerDelegate, &loop);
    ASSERT_TRUE(probe->acceptOnAddress("127.0.0.1", 0));
    const std::uint16_t port = probe->localPort();
    probe.reset();

    Recorder delegate;
    auto client = EventSocket::create(&delegate, &loop);
    ASSERT_TRUE(client->connectToHost("127.0.0.1", port));   // the set-up counts as done
    ASSERT_TRUE(loop.runUntil([&] { return delegate.didDisconnect == 1; }, Watchdog));
    EXPECT_EQ(delegate.events, (std::vector<std::string>{
                                   "willConnect", format("willDisconnectWithError NSPOSIXErrorDomain %d", ECONNREFUSED),
                                   "didDisconnect"}));
}

TEST(Connecting, UnresolvableHostEndsWithTheNameResolutionError)
{
    RunLoop loop;
    Recorder delegate;
    auto client = EventSocket::create(&delegate, &loop);
    ASSERT_TRUE(client->connectToHost("no such host!", 21));
    ASSERT_TRUE(loop.runUntil([&] { return delegate.didDisconnect == 1; }, Watchdog));
    ASSERT_EQ(delegate.disconnectErrors.size(), 1u);
    ASSERT_TRUE(delegate.disconnectErrors[0].has_value());
    EXPECT_EQ(delegate.disconnectErrors[0]->domain, "kCFStreamErrorDomainNetDB");
    EXPECT_TRUE(delegate.disconnectErrors[0]->localizedDescription.has_value());
}

// ---- Closing

TEST(Closing, DisconnectGivesExactlyOneDidDisconnectOnALaterTurn)
{
    RunLoop loop;
    Recorder serverDelegate;
    Connection c;
    ASSERT_TRUE(connect(loop, c, serverDelegate));
    c.server->disconnect();
    EXPECT_EQ(serverDelegate.didDisconnect, 0);   // never from inside close
    EXPECT_EQ(c.server->flags(), 0);
    EXPECT_EQ(c.server->readStream(), nullptr);
    EXPECT_FALSE(c.server->isIPv4());
    ASSERT_TRUE(loop.runUntil([&] { return serverDelegate.didDisconnect == 1; }, Watchdog));
    c.server->disconnect();   // closing a closed socket: nothing more
    runFor(loop, 50ms);
    EXPECT_EQ(serverDelegate.didDisconnect, 1);
    EXPECT_FALSE(serverDelegate.saw("willDisconnectWithError none"));
    EXPECT_TRUE(serverDelegate.disconnectErrors.empty());
    ASSERT_TRUE(loop.runUntil([&] {
        c.peer.drain();
        return c.peer.atEnd();
    }, Watchdog));
}

TEST(Closing, NeverSetUpSocketGivesNoCallback)
{
    RunLoop loop;
    Recorder delegate;
    auto socket = EventSocket::create(&delegate, &loop);
    socket->disconnect();
    socket->closeWithError(getSocketError());
    runFor(loop, 30ms);
    EXPECT_TRUE(delegate.events.empty());
}

TEST(Closing, ErrorCloseOrderIsWillDisconnectTeardownThenDidDisconnectLater)
{
    RunLoop loop;
    Recorder serverDelegate;
    Connection c;
    ASSERT_TRUE(connect(loop, c, serverDelegate));
    bool streamsPresentWhenTold = false;
    serverDelegate.onWillDisconnect = [&](EventSocket& s, const std::optional<Error>&) {
        streamsPresentWhenTold = s.readStream() != nullptr && s.isConnected();
    };
    c.server->closeWithError(getReadTimeoutError());
    EXPECT_TRUE(streamsPresentWhenTold);   // told before anything is torn down
    EXPECT_EQ(serverDelegate.events.back(), "willDisconnectWithError EventSocketErrorDomain 3");
    EXPECT_EQ(serverDelegate.didDisconnect, 0);
    ASSERT_TRUE(loop.runUntil([&] { return serverDelegate.didDisconnect == 1; }, Watchdog));
}

TEST(Closing, DestroyedSocketSendsNoDisconnectCallbacks)
{
    RunLoop loop;
    Recorder serverDelegate;
    Connection c;
    ASSERT_TRUE(connect(loop, c, serverDelegate));
    c.server->disconnect();   // didDisconnect pending
    c.server.reset();
    c.listenerDelegate.accepted.clear();   // the last owner
    runFor(loop, 50ms);
    EXPECT_EQ(serverDelegate.didDisconnect, 0);
}

TEST(Closing, DidDisconnectGoesOnlyToADelegateThatIsStillTheSockets)
{
    RunLoop loop;
    Recorder serverDelegate;
    Connection c;
    ASSERT_TRUE(connect(loop, c, serverDelegate));
    c.server->disconnect();
    c.server->setDelegate(nullptr);   // what an owner does in its destructor
    runFor(loop, 50ms);
    EXPECT_EQ(serverDelegate.didDisconnect, 0);
}

TEST(Closing, PeerResetEndsWithThePosixError)
{
    RunLoop loop;
    Recorder serverDelegate;
    Connection c;
    ASSERT_TRUE(connect(loop, c, serverDelegate));
    c.server->readDataWithTimeout(-1, 0);
    c.peer.reset();
    ASSERT_TRUE(loop.runUntil([&] { return serverDelegate.didDisconnect == 1; }, Watchdog));
    ASSERT_EQ(serverDelegate.disconnectErrors.size(), 1u);
    ASSERT_TRUE(serverDelegate.disconnectErrors[0].has_value());
    EXPECT_EQ(serverDelegate.disconnectErrors[0]->domain, "NSPOSIXErrorDomain");
    EXPECT_EQ(serverDelegate.disconnectErrors[0]->code, ECONNRESET);
}

TEST(Closing, ClosedSocketCanBeSetUpAgain)
{
    RunLoop loop;
    Recorder serverDelegate;
    Connection c;
    ASSERT_TRUE(connect(loop, c, serverDelegate));
    c.server->disconnect();
    ASSERT_TRUE(c.server->acceptOnAddress("127.0.0.1", 0));
    EXPECT_TRUE(c.server->flags() & EventSocket::SetUpComplete);
}

// ---- Addresses and the description

TEST(Addresses, HostAndPortFromSocketAddressBytes)
{
    EXPECT_FALSE(EventSocket::addressHost(std::nullopt).has_value());
    EXPECT_EQ(EventSocket::addressPort(std::nullopt), 0);

    sockaddr_in a4{};
    a4.sin_family = AF_INET;
    a4.sin_port = htons(2121);
    a4.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(sockaddrBytes(&a4, sizeof a4).size(), 16u);
    EXPECT_EQ(EventSocket::addressHost(sockaddrBytes(&a4, sizeof a4)), "127.0.0.1");
    EXPECT_EQ(EventSocket::addressPort(sockaddrBytes(&a4, sizeof a4)), 2121);

    sockaddr_in6 a6{};
    a6.sin6_family = AF_INET6;
    a6.sin6_port = htons(65535);
    a6.sin6_addr = in6addr_loopback;
    EXPECT_EQ(sockaddrBytes(&a6, sizeof a6).size(), 28u);
    EXPECT_EQ(EventSocket::addressHost(sockaddrBytes(&a6, sizeof a6)), "::1");
    EXPECT_EQ(EventSocket::addressPort(sockaddrBytes(&a6, sizeof a6)), 65535);
}

TEST(Description, FreshSocket)
{
    RunLoop loop;
    auto socket = EventSocket::create(nullptr, &loop);
    EXPECT_EQ(socket->description(),
              "<EventSocket " + pointerText(socket.get()) +
                  " local nowhere remote nowhere has queued 0 reads 0 writes, no current read, no current write, "
                  "read stream 0x0 not open, write stream 0x0 not open, not connected>");
}

TEST(Description, ConnectedSocket)
{
    RunLoop loop;
    Recorder serverDelegate;
    Connection c;
    ASSERT_TRUE(connect(loop, c, serverDelegate));
    const auto listenPort = c.listener->localPort();
    EXPECT_EQ(c.server->description(),
              format("<EventSocket %s local 127.0.0.1 %u remote 127.0.0.1 %u has queued 0 reads 0 writes, "
                     "no current read, no current write, read stream %s open, write stream %s open>",
                     pointerText(c.server.get()).c_str(), listenPort, c.peer.localPort(),
                     pointerText(c.server->readStream()).c_str(), pointerText(c.server->writeStream()).c_str()));
    // A listener has no peer: its remote host is absent.
    EXPECT_EQ(c.listener->description(),
              format("<EventSocket %s local 127.0.0.1 %u remote (null) 0 has queued 0 reads 0 writes, "
                     "no current read, no current write, read stream 0x0 not open, write stream 0x0 not open, "
                     "not connected>",
                     pointerText(c.listener.get()).c_str(), listenPort));
    c.server->readDataWithTimeout(-1, 0);
    ASSERT_TRUE(loop.runUntil([&] { return c.server->currentRead() != nullptr; }, Watchdog));
    auto d = c.server->description();
    EXPECT_NE(d.find("has queued 0 reads 0 writes, currently read 0 bytes (0% done), no current write, "), std::string::npos)
        << d;
    c.server->disconnectAfterWriting();
    d = c.server->description();
    EXPECT_NE(d.find(" open, will disconnect soon>"), std::string::npos) << d;
}
