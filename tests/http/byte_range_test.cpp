#include "http/byte_range.h"

#include <gtest/gtest.h>

namespace ohmkit::http {
namespace {

TEST(ByteRange, ReadsOneRangeAndCutsItAtTheEnd)
{
    const struct {
        const char* header;
        std::uint64_t size;
        RangeRequest::Kind kind;
        std::uint64_t first, length;
    } cases[] = {
        {"bytes=0-99", 1000, RangeRequest::Part, 0, 100},
        {"bytes=990-", 1000, RangeRequest::Part, 990, 10},
        {"bytes=-10", 1000, RangeRequest::Part, 990, 10},
        {"bytes=-5000", 1000, RangeRequest::Part, 0, 1000},
        {"bytes=500-5000", 1000, RangeRequest::Part, 500, 500},
        {" bytes= 5 - 6 ", 1000, RangeRequest::Part, 5, 2},
        {"bytes=999-999", 1000, RangeRequest::Part, 999, 1},
        {"bytes=1000-", 1000, RangeRequest::Unsatisfiable, 0, 0},
        {"bytes=-0", 1000, RangeRequest::Unsatisfiable, 0, 0},
        {"bytes=0-", 0, RangeRequest::Unsatisfiable, 0, 0},
        {"bytes=-1", 0, RangeRequest::Unsatisfiable, 0, 0},
        // Not one range in bytes: the whole file.
        {"", 1000, RangeRequest::Whole, 0, 0},
        {"bytes=0-1,5-6", 1000, RangeRequest::Whole, 0, 0},
        {"items=0-1", 1000, RangeRequest::Whole, 0, 0},
        {"bytes=9-3", 1000, RangeRequest::Whole, 0, 0},
        {"bytes=-", 1000, RangeRequest::Whole, 0, 0},
        {"bytes=a-3", 1000, RangeRequest::Whole, 0, 0},
        {"bytes=+1-3", 1000, RangeRequest::Whole, 0, 0},
        {"bytes=99999999999999999999-", 1000, RangeRequest::Whole, 0, 0},
    };
    for (const auto& c : cases) {
        const RangeRequest range = byteRange(c.header, c.size);
        EXPECT_EQ(range.kind, c.kind) << c.header;
        EXPECT_EQ(range.first, c.first) << c.header;
        EXPECT_EQ(range.length, c.length) << c.header;
    }
}

TEST(ByteRange, NamesTheRangeSentAndTheVersion)
{
    EXPECT_EQ(contentRange({RangeRequest::Part, 10, 5}, 100), "bytes 10-14/100");
    EXPECT_EQ(contentRange({RangeRequest::Unsatisfiable, 0, 0}, 100), "bytes */100");
    EXPECT_EQ(httpDate(784111777), "Sun, 06 Nov 1994 08:49:37 GMT");
    EXPECT_NE(entityTag(10, 5, 1), entityTag(10, 5, 2));   // a rewrite within a second shows
    EXPECT_NE(entityTag(10, 5, 1), entityTag(11, 5, 1));
}

}  // namespace
}  // namespace ohmkit::http
