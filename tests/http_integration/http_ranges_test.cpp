// Partial downloads on the browser server: single byte ranges (206, 416), HEAD, the
// validators that keep a resumed download to one version of a file, and curl resuming.
#include "http_server_fixture_support.h"

namespace ohmkit::http::test {
namespace {

std::string sample()
{
    std::string content;
    for (int i = 0; i < 200000; ++i) content += static_cast<char>((i * 131) ^ (i >> 8));
    return content;
}

TEST_F(HttpServerTest, AnswersASingleByteRangeWith206)
{
    const std::string content = sample();
    writeFile("big.pdf", content);
    const struct {
        const char* range;
        std::size_t first, length;
    } cases[] = {
        {"bytes=0-99", 0, 100},
        {"bytes=1000-", 1000, content.size() - 1000},
        {"bytes=-500", content.size() - 500, 500},
        {"bytes=199990-300000", 199990, 10},   // runs past the end: cut there
        {"bytes=-900000", 0, content.size()},
    };
    for (const auto& c : cases) {
        const CurlResult result = curl({"-H", std::string("Range: ") + c.range, url("files/big.pdf")});
        EXPECT_EQ(result.status, 206) << c.range;
        EXPECT_TRUE(result.body == content.substr(c.first, c.length)) << c.range;
        EXPECT_EQ(result.header("content-range"), "bytes " + std::to_string(c.first) + "-" +
                                                      std::to_string(c.first + c.length - 1) + "/200000")
            << c.range;
        EXPECT_EQ(result.header("content-length"), std::to_string(c.length)) << c.range;
    }
    ASSERT_FALSE(observer_->ended.empty());
    EXPECT_TRUE(observer_->ended.back());
}

TEST_F(HttpServerTest, ARangePastTheEndIs416AndOtherRangesGetTheWholeFile)
{
    writeFile("small.pdf", "0123456789");
    writeFile("empty.txt", "");
    for (const char* range : {"bytes=10-", "bytes=50-60", "bytes=-0"}) {
        const CurlResult result = curl({"-H", std::string("Range: ") + range, url("files/small.pdf")});
        EXPECT_EQ(result.status, 416) << range;
        EXPECT_EQ(result.header("content-range"), "bytes */10") << range;
        EXPECT_EQ(result.body, "") << range;
    }
    EXPECT_EQ(curl({"-H", "Range: bytes=0-", url("files/empty.txt")}).status, 416);
    // Several ranges, other units or text that is no range: the whole file, as the protocol allows.
    for (const char* range : {"bytes=0-1,4-5", "items=0-1", "bytes=5-2", "bytes=x-", "bytes=1-2-3"}) {
        const CurlResult result = curl({"-H", std::string("Range: ") + range, url("files/small.pdf")});
        EXPECT_EQ(result.status, 200) << range;
        EXPECT_EQ(result.body, "0123456789") << range;
    }
}

TEST_F(HttpServerTest, HeadSendsTheHeadersAlone)
{
    writeFile("LM317.pdf", "%PDF-1.4 twelve");
    const int before = static_cast<int>(observer_->ended.size());
    const CurlResult head = curl({"-I", url("files/LM317.pdf")});
    EXPECT_EQ(head.status, 200);
    EXPECT_EQ(head.body.find("twelve"), std::string::npos);   // curl -I puts the headers where the body goes
    EXPECT_EQ(head.header("content-length"), "15");
    EXPECT_EQ(head.header("accept-ranges"), "bytes");
    EXPECT_EQ(head.header("content-type"), "application/pdf");
    EXPECT_FALSE(head.header("etag").empty());
    EXPECT_FALSE(head.header("last-modified").empty());
    EXPECT_EQ(static_cast<int>(observer_->ended.size()), before);   // no download to show
    EXPECT_EQ(curl({"-I", url("")}).status, 200);
}

TEST_F(HttpServerTest, IfRangeServesAPartOnlyOfTheSameVersion)
{
    writeFile("a.pdf", "first version");
    const CurlResult head = curl({"-I", url("files/a.pdf")});
    const std::string tag = head.header("etag");
    const std::string date = head.header("last-modified");
    EXPECT_EQ(curl({"-H", "Range: bytes=6-", "-H", "If-Range: " + tag, url("files/a.pdf")}).body, "version");
    EXPECT_EQ(curl({"-H", "Range: bytes=6-", "-H", "If-Range: " + date, url("files/a.pdf")}).status, 206);
    const CurlResult other = curl({"-H", "Range: bytes=6-", "-H", "If-Range: \"another\"", url("files/a.pdf")});
    EXPECT_EQ(other.status, 200);
    EXPECT_EQ(other.body, "first version");
}

TEST_F(HttpServerTest, CurlResumesADownload)
{
    const std::string content = sample();
    writeFile("big.pdf", content);
    // "-C 150000" is what "-C -" sends for a 150000-byte piece already saved.
    const CurlResult rest = curl({"-C", "150000", url("files/big.pdf")});
    EXPECT_EQ(rest.exitCode, 0);
    EXPECT_EQ(rest.status, 206);
    EXPECT_TRUE(rest.body == content.substr(150000));
}

}  // namespace
}  // namespace ohmkit::http::test
