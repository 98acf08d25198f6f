// Which command lines are HTTP, as a browser sends it to the FTP port.
#include "ftp/http_request_lines.h"

#include <gtest/gtest.h>

namespace ohmkit::ftp {
namespace {

TEST(HttpRequestLines, KnowsARequestLineFromACommand)
{
    const struct {
        const char* line;
        bool request;
    } cases[] = {
        {"POST / HTTP/1.1", true},
        {"GET /index.html HTTP/1.0", true},
        {"OPTIONS * HTTP/1.1", true},
        {"PRI * HTTP/2.0", true},
        {"HEAD /a%20b http/1.1", true},
        {"PUT http://10.0.0.5:2121/x HTTP/2", true},
        {"STOR HTTP/1.1", false},                // a file named like a version
        {"STOR my file HTTP/1.1.pdf", false},
        {"RETR a  HTTP/1.1", false},             // no target between the blanks
        {"GET / HTTP/", false},
        {"GET / HTTPS/1.1", false},
        {"GET / HTTP/1.1 x", false},
        {"USER anonymous", false},
        {"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(isHttpRequestLine(c.line), c.request) << c.line;
}

TEST(HttpRequestLines, KnowsAHeaderLineFromACommand)
{
    const struct {
        const char* line;
        bool header;
    } cases[] = {
        {"Host: 127.0.0.1:2121", true},
        {"Content-Type: text/plain;charset=UTF-8", true},
        {"sec-ch-ua-mobile: ?0", true},
        {"Origin:http://example.test", true},
        {"X-Empty:", true},
        {"CWD C:/datasheets", false},            // a colon after a blank
        {"USER a:b", false},
        {": value", false},
        {"PASV", false},
        {"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(isHttpHeaderLine(c.line), c.header) << c.line;
}

}  // namespace
}  // namespace ohmkit::ftp
