// Who gets a place on the browser server, and how long a request may take to arrive: a full
// house that empties, clients that hold places on purpose, and headers that come too slowly.
#include "http_server_fixture_support.h"

#include <memory>
#include <string>
#include <vector>

namespace ohmkit::http::test {
namespace {

using Clients = std::vector<std::unique_ptr<RawClient>>;

class HttpAdmissionTest : public HttpServerTest {
protected:
    std::string listRequest() const { return "GET /" + server_->key() + "/list HTTP/1.1\r\nHost: x\r\n\r\n"; }

    // Sends a whole request from `from` and waits for the start of an answer; true for a 200.
    bool served(const char* from)
    {
        RawClient client(server_->port(), from);
        if (!client.connected() || !client.send(listRequest())) return false;
        bool closed = false;
        std::string answer;
        runUntil([&] {
            answer += client.receiveAvailable(closed);
            return closed || answer.find("\r\n\r\n") != std::string::npos;
        });
        return answer.rfind("HTTP/1.1 200", 0) == 0;
    }

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

    // Opens `count` connections from each of `addresses`, which send the start of a request
    // and then nothing, and turns the loop until the server has taken what it will take.
    void holdPlaces(Clients& clients, const std::vector<std::string>& addresses, int count)
    {
        for (const std::string& address : addresses)
            for (int i = 0; i < count; ++i) {
                clients.push_back(std::make_unique<RawClient>(server_->port(), address.c_str()));
                clients.back()->send("GET /" + server_->key() + "/list HTTP/1.1\r\nHo");
            }
        for (int i = 0; i < 50; ++i) loop_.runOnce(std::chrono::milliseconds(10));
    }
};

TEST_F(HttpAdmissionTest, AFullHouseThatEmptiesAcceptsAgainAtOnce)
{
    HttpLimits limits;
    limits.maxClients = 8;
    restartWith(limits);
    for (int round = 0; round < 8; ++round) {
        SCOPED_TRACE("round " + std::to_string(round + 1));
        // Each place taken by an address of its own, and more clients waiting behind them.
        Clients clients;
        for (int i = 0; i < 12; ++i) {
            const std::string from = "127.0.1." + std::to_string(10 + i);
            clients.push_back(std::make_unique<RawClient>(server_->port(), from.c_str()));
            ASSERT_TRUE(clients.back()->connected());
        }
        ASSERT_TRUE(runUntil([&] { return server_->connectionCount() == 8; }));
        clients.clear();
        ASSERT_TRUE(runUntil([&] { return server_->connectionCount() == 0; }));
        EXPECT_TRUE(served("127.0.2.1"));
    }
}

TEST_F(HttpAdmissionTest, TheLastPlacesAreKeptForAddressesThatHoldNone)
{
    HttpLimits limits;
    limits.maxClients = 8;   // two places kept
    restartWith(limits);
    Clients clients;
    holdPlaces(clients, {"127.0.3.1"}, 8);
    EXPECT_EQ(server_->connectionCount(), 6u);
    EXPECT_TRUE(log_.contains("HTTP: 127.0.3.1 holds 6 connections and the last places are kept for others, refused"));
    // A newcomer gets a kept place; once it holds one, it is an address like the others.
    RawClient newcomer(server_->port(), "127.0.3.2");
    ASSERT_TRUE(runUntil([&] { return server_->connectionCount() == 7; }));
    RawClient second(server_->port(), "127.0.3.2");
    EXPECT_TRUE(waitClosed(second));
    EXPECT_TRUE(served("127.0.3.3"));
}

TEST_F(HttpAdmissionTest, ClientsThatHoldPlacesOnPurposeLeaveRoomForANewcomer)
{
    HttpLimits limits;
    limits.maxClients = 16;
    limits.maxPerAddress = 4;   // a quarter of the places
    limits.headerTimeout = 60;  // not what frees a place here
    restartWith(limits);
    Clients clients;
    holdPlaces(clients, {"127.0.4.1", "127.0.4.2", "127.0.4.3", "127.0.4.4"}, 4);
    EXPECT_EQ(server_->connectionCount(), 13u);   // 4 + 4 + 4, and the first of the fourth
    EXPECT_TRUE(served("127.0.4.5"));
    EXPECT_TRUE(served("127.0.4.6"));
}

TEST_F(HttpAdmissionTest, HeadersThatDoNotArriveInTimeCloseTheConnection)
{
    HttpLimits limits;
    limits.headerTimeout = 1;
    restartWith(limits);
    // One byte at a time keeps the connection from being idle, not from its deadline.
    RawClient slow(server_->port());
    ASSERT_TRUE(slow.send("GET /" + server_->key() + "/list HTTP/1.1\r\n"));
    bool closed = false;
    std::string answer;
    ASSERT_TRUE(runUntil([&] {
        answer += slow.receiveAvailable(closed);
        if (!closed) slow.send("X");
        loop_.runOnce(std::chrono::milliseconds(100));
        return closed;
    }));
    EXPECT_EQ(answer, "");
    EXPECT_TRUE(log_.contains("HTTP: 127.0.0.1 sent no whole request within 1 s, closing"));
    ASSERT_TRUE(runUntil([&] { return server_->connectionCount() == 0; }));
}

TEST_F(HttpAdmissionTest, ABodyThatTakesLongerThanTheHeaderTimeoutStillArrives)
{
    HttpLimits limits;
    limits.headerTimeout = 1;
    restartWith(limits);
    RawClient client(server_->port());
    ASSERT_TRUE(client.send("PUT /" + server_->key() + "/files/slow.pdf HTTP/1.1\r\nHost: x\r\nContent-Length: 20\r\n\r\n"));
    bool closed = false;
    std::string answer;
    int sent = 0;
    ASSERT_TRUE(runUntil([&] {
        answer += client.receiveAvailable(closed);
        if (!closed && sent < 20) {
            client.send("b");
            ++sent;
        }
        loop_.runOnce(std::chrono::milliseconds(100));
        return closed || answer.find("\r\n\r\n") != std::string::npos;
    }));
    EXPECT_EQ(answer.rfind("HTTP/1.1 201", 0), 0u) << answer;
    EXPECT_EQ(readFile("slow.pdf"), std::string(20, 'b'));
    // The same connection then has its deadline again for its next request.
    EXPECT_TRUE(waitClosed(client));
}

}  // namespace
}  // namespace ohmkit::http::test
