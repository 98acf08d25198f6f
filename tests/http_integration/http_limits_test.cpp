// What the browser server allows a client, and where it listens.
#include "http_server_fixture_support.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>

namespace ohmkit::http::test {
namespace {


class HttpLimitsTest : public HttpServerTest {
protected:
    bool waitClosed(RawClient& client, std::string* answer = nullptr)
    {
        bool closed = false;
        std::string received;
        const bool done = runUntil([&] {
            received += client.receiveAvailable(closed);
            return closed;
        });
        if (answer) *answer = received;
        return done;
    }
};

TEST_F(HttpLimitsTest, ClientsFromOneAddressAreCapped)
{
    HttpLimits limits;
    limits.maxPerAddress = 3;
    restartWith(limits);
    std::vector<std::unique_ptr<RawClient>> clients;
    for (int i = 0; i < 3; ++i) clients.push_back(std::make_unique<RawClient>(server_->port()));
    ASSERT_TRUE(runUntil([&] { return server_->connectionCount() == 3; }));
    RawClient extra(server_->port());
    EXPECT_TRUE(waitClosed(extra));
    EXPECT_EQ(server_->connectionCount(), 3u);
    clients.pop_back();
    ASSERT_TRUE(runUntil([&] { return server_->connectionCount() == 2; }));
    const CurlResult result = curl({url("list")});
    EXPECT_EQ(result.status, 200);
}

TEST_F(HttpLimitsTest, ConnectionsInAllAreCapped)
{
    HttpLimits limits;
    limits.maxClients = 2;
    restartWith(limits);
    RawClient first(server_->port()), second(server_->port());
    ASSERT_TRUE(runUntil([&] { return server_->connectionCount() == 2; }));
    RawClient third(server_->port());
    // Past the cap the library stops accepting: the client waits and is not served.
    ASSERT_TRUE(third.send("GET /" + server_->key() + "/list HTTP/1.1\r\nHost: x\r\n\r\n"));
    bool closed = false;
    std::string answer;
    runUntil([&] {
        answer += third.receiveAvailable(closed);
        return closed || !answer.empty();
    }, 500);
    EXPECT_EQ(answer, "");
    EXPECT_EQ(server_->connectionCount(), 2u);
}

TEST_F(HttpLimitsTest, AnIdleOrStalledConnectionIsClosed)
{
    HttpLimits limits;
    limits.idleTimeout = 1;
    restartWith(limits);
    RawClient idle(server_->port());
    EXPECT_TRUE(waitClosed(idle));
    RawClient stalled(server_->port());
    ASSERT_TRUE(stalled.send("PUT /" + server_->key() + "/files/slow.pdf HTTP/1.1\r\nHost: x\r\nContent-Length: 100\r\n\r\nab"));
    EXPECT_TRUE(waitClosed(stalled));
    ASSERT_TRUE(runUntil([&] { return !observer_->ended.empty(); }));
    EXPECT_FALSE(observer_->ended.back());
    EXPECT_TRUE(storeNames().empty());
}

TEST_F(HttpLimitsTest, RequestHeadersAreBounded)
{
    RawClient client(server_->port());
    std::string request = "GET /" + server_->key() + "/list HTTP/1.1\r\nHost: x\r\n";
    for (int i = 0; i < 200; ++i) request += "X-Filler-" + std::to_string(i) + ": " + std::string(500, 'f') + "\r\n";
    request += "\r\n";
    client.send(request);
    std::string answer;
    EXPECT_TRUE(waitClosed(client, &answer));
    EXPECT_EQ(answer.find("HTTP/1.1 200"), std::string::npos);
    if (!answer.empty()) {
        EXPECT_TRUE(answer.rfind("HTTP/1.1 431", 0) == 0 || answer.rfind("HTTP/1.1 413", 0) == 0) << answer;
    }
}

TEST(HttpServerPort, ATakenPortFallsBackToTheNextFreeOne)
{
    // Hold a port on every IPv4 address, as another program would.
    const int holder = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(holder, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    ASSERT_EQ(::bind(holder, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(holder, 1), 0);
    socklen_t length = sizeof address;
    ::getsockname(holder, reinterpret_cast<sockaddr*>(&address), &length);
    const unsigned taken = ntohs(address.sin_port);
    platform::RunLoop loop;
    char pattern[] = "/tmp/ohmkit-http-port-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    auto server = HttpServer::start(loop, taken, pattern, nullptr);
    ::close(holder);
    if (taken + kPortFallbacks <= 65535) {
        ASSERT_TRUE(server->isListening());
        EXPECT_GT(server->port(), taken);
        EXPECT_LE(server->port(), taken + kPortFallbacks);
    }
    server->stop();
    ::rmdir(pattern);
}

TEST(HttpServerPort, PreferredPortComesFromTheEnvironment)
{
    const struct {
        const char* value;
        unsigned port;
    } cases[] = {{nullptr, 8080}, {"", 8080}, {"8181", 8181}, {"1", 1}, {"65535", 65535},
                 {"0", 8080}, {"65536", 8080}, {"80x", 8080}, {"-1", 8080}, {" 81", 8080}};
    for (const auto& c : cases) {
        if (c.value)
            ::setenv("OHMKIT_HTTP_PORT", c.value, 1);
        else
            ::unsetenv("OHMKIT_HTTP_PORT");
        EXPECT_EQ(preferredHttpPort(), c.port) << (c.value ? c.value : "(unset)");
    }
    ::unsetenv("OHMKIT_HTTP_PORT");
}

TEST(HttpServerAddress, PutsTheKeyInTheAddressAndBracketsIpv6)
{
    platform::RunLoop loop;
    auto server = HttpServer::start(loop, 0, "/tmp", nullptr, {}, "k3x9p2");
    ASSERT_TRUE(server->isListening());
    const std::string port = std::to_string(server->port());
    EXPECT_EQ(server->pageAddress("192.168.1.5"), "http://192.168.1.5:" + port + "/k3x9p2/");
    EXPECT_EQ(server->pageAddress("fe80::1"), "http://[fe80::1]:" + port + "/k3x9p2/");
    server->stop();
}

}  // namespace
}  // namespace ohmkit::http::test
