// A web page cannot drive the server through a visitor's browser: a request that a page's
// script sends to the FTP port closes the connection before a line of its body runs.
#include "ftp_server_fixture_support.h"

#include <algorithm>
#include <filesystem>

namespace ohmkit::ftp::test {
namespace {

namespace fs = std::filesystem;

const std::string kBody = "USER a\r\nPASS b\r\nDELE victim.pdf\r\nRNFR keep.pdf\r\nRNTO gone.pdf\r\nMKD made\r\n";

// What a browser sends for fetch('http://127.0.0.1:PORT/', {method: 'POST', body}) run by a
// page of another site: the request line, the headers, the blank line and the body, in one go.
std::string browserPost(std::uint16_t port)
{
    const std::string host = "127.0.0.1:" + std::to_string(port);
    return "POST / HTTP/1.1\r\n"
           "Host: " + host + "\r\n"
           "Connection: keep-alive\r\n"
           "Content-Length: " + std::to_string(kBody.size()) + "\r\n"
           "sec-ch-ua-platform: \"Linux\"\r\n"
           "User-Agent: Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/537.36 (KHTML, like Gecko) "
           "Chrome/131.0.0.0 Safari/537.36\r\n"
           "sec-ch-ua: \"Google Chrome\";v=\"131\", \"Chromium\";v=\"131\", \"Not_A Brand\";v=\"24\"\r\n"
           "Content-Type: text/plain;charset=UTF-8\r\n"
           "sec-ch-ua-mobile: ?0\r\n"
           "Accept: */*\r\n"
           "Origin: http://pages.example\r\n"
           "Sec-Fetch-Site: cross-site\r\n"
           "Sec-Fetch-Mode: cors\r\n"
           "Sec-Fetch-Dest: empty\r\n"
           "Referer: http://pages.example/\r\n"
           "Accept-Encoding: gzip, deflate, br, zstd\r\n"
           "Accept-Language: en-US,en;q=0.9\r\n"
           "\r\n" + kBody;
}

class FtpCrossProtocolTest : public FtpServerTest {
protected:
    void SetUp() override
    {
        FtpServerTest::SetUp();
        writeFileBytes(path("victim.pdf"), "v");
        writeFileBytes(path("keep.pdf"), "k");
    }
    // The store as it was: nothing deleted, renamed or made.
    void expectStoreUntouched()
    {
        EXPECT_EQ(namesIn(base_), (std::vector<std::string>{"keep.pdf", "victim.pdf"}));
    }
    long closingLines() const
    {
        const auto& lines = log_.lines();
        return std::count(lines.begin(), lines.end(), "FC:127.0.0.1 sent HTTP, not FTP, closing");
    }
};

TEST_F(FtpCrossProtocolTest, ABrowsersPostRunsNoneOfItsBody)
{
    std::string answer;
    bool timedOut = true;
    runClient([&] {
        Socket raw(connectTo("127.0.0.1", port()));
        ASSERT_TRUE(raw.sendAll(browserPost(port())));   // as the browser does: without waiting
        answer = raw.readAll(&timedOut);
    });
    EXPECT_FALSE(timedOut);
    // The greeting may already be on its way; nothing after it is.
    EXPECT_TRUE(answer.empty() || answer == "220 Brisklet server ready.\r\n") << answer;
    expectStoreUntouched();
    EXPECT_EQ(closingLines(), 1);
}

TEST_F(FtpCrossProtocolTest, HttpLinesBeforeLoginCloseTheConnection)
{
    const struct {
        const char* name;
        std::vector<std::string> lines;   // sent and answered one by one, then the HTTP line
        std::string http;
    } cases[] = {
        {"a request line first", {}, "GET / HTTP/1.1"},
        {"a request line in pieces", {}, "OPTIONS / HTTP/1.1"},
        {"a header after USER", {"USER a"}, "Host: 127.0.0.1"},
        {"a header first", {}, "Content-Type: text/plain"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        log_.clear();
        runClient([&] {
            ControlClient client = login();
            for (const std::string& line : c.lines) EXPECT_EQ(client.command(line).substr(0, 4), "331 ");
            if (std::string(c.name) == "a request line in pieces") {
                client.sendRaw("OPTIONS / HT");
                EXPECT_TRUE(client.quietFor(100));
                client.sendRaw("TP/1.1\r\nHost: x\r\n\r\nDELE victim.pdf\r\n");
            } else {
                client.send(c.http);
                client.send("DELE victim.pdf");
            }
            EXPECT_EQ(client.readLine(), "<closed>");
        });
        expectStoreUntouched();
        EXPECT_EQ(closingLines(), 1);
    }
}

TEST_F(FtpCrossProtocolTest, AfterLoginAHeaderLikeLineIsAnUnknownCommand)
{
    runClient([&] {
        ControlClient client = login();
        EXPECT_EQ(client.command("USER anna"), "331 Password required for anna");
        EXPECT_EQ(client.command("PASS x"), "230 User anna logged in.");
        EXPECT_EQ(client.command("Host: 127.0.0.1"), "500 'Host:': command not understood.");
        EXPECT_EQ(client.command("NOOP"), "200 NOOP command successful.");
    });
    EXPECT_EQ(closingLines(), 0);
}

}  // namespace
}  // namespace ohmkit::ftp::test
