#include "platform/text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace ohmkit::platform;

TEST(IntValue, ReadsTheLeadingDecimalInteger)
{
    struct Case {
        const char* text;
        int value;
    } cases[] = {
        {"", 0},          {"abc", 0},       {"12", 12},        {"  42x", 42},     {"\t\n-7", -7},
        {"+5", 5},        {"12.7", 12},     {"0x1F", 0},       {"- 3", 0},        {"007", 7},
        {"1e3", 1},       {"2147483647", 2147483647},          {"2147483648", 2147483647},
        {"-2147483648", std::numeric_limits<int>::min()},      {"-99999999999999999999", std::numeric_limits<int>::min()},
        {"99999999999999999999999", std::numeric_limits<int>::max()},
    };
    for (const auto& c : cases) EXPECT_EQ(intValue(c.text), c.value) << '"' << c.text << '"';
}

TEST(LongLongValue, SaturatesAndStopsAtThePoint)
{
    EXPECT_EQ(longLongValue("12345"), 12345);
    EXPECT_EQ(longLongValue("12.7"), 12);
    EXPECT_EQ(longLongValue("10000001"), 10000001);
    EXPECT_EQ(longLongValue("9223372036854775808"), std::numeric_limits<long long>::max());
    EXPECT_EQ(longLongValue("-9223372036854775809"), std::numeric_limits<long long>::min());
}

TEST(FloatValue, ReadsTheLongestDecimalNumberInSinglePrecision)
{
    EXPECT_EQ(floatValue("3.2"), 3.2f);
    EXPECT_EQ(floatValue(" 0.1V"), 0.1f);
    EXPECT_EQ(floatValue(".5"), 0.5f);
    EXPECT_EQ(floatValue("5."), 5.0f);
    EXPECT_EQ(floatValue("-2.5e2x"), -250.0f);
    EXPECT_EQ(floatValue("1e"), 1.0f);       // a bare exponent mark is trailing text
    EXPECT_EQ(floatValue("1e+"), 1.0f);
    EXPECT_EQ(floatValue("."), 0.0f);
    EXPECT_EQ(floatValue("inf"), 0.0f);
    EXPECT_EQ(floatValue("nan"), 0.0f);
    EXPECT_EQ(floatValue("0x10"), 0.0f);
    EXPECT_EQ(floatValue("1e999"), std::numeric_limits<float>::max());
    EXPECT_EQ(floatValue("-1e999"), -std::numeric_limits<float>::max());
    EXPECT_GT(static_cast<double>(floatValue("0.1")), 0.1);   // 0.1f lies just above 0.1
}

TEST(Truncation, SaturatesInsteadOfUndefinedBehaviour)
{
    EXPECT_EQ(truncToInt(119.99998), 119);
    EXPECT_EQ(truncToInt(-0.9), 0);
    EXPECT_EQ(truncToInt(1e30), std::numeric_limits<int>::max());
    EXPECT_EQ(truncToInt(-1e30), std::numeric_limits<int>::min());
    EXPECT_EQ(truncToInt(std::nan("")), 0);
    EXPECT_EQ(truncToLongLong(1e300), std::numeric_limits<long long>::max());
    EXPECT_EQ(truncToLongLong(-INFINITY), std::numeric_limits<long long>::min());
}

TEST(Format, PrintsLikePrintf)
{
    EXPECT_EQ(format("R = %d Ohm, P = %.2f W", 500, 0.19999999), "R = 500 Ohm, P = 0.20 W");
    EXPECT_EQ(format("%d.%.3d", 4, 5), "4.005");
    EXPECT_EQ(format("%s", ""), "");
    std::string longText(1000, 'x');
    EXPECT_EQ(format("%s!", longText.c_str()), longText + "!");
}

TEST(ReplaceAll, ReplacesEveryOccurrence)
{
    EXPECT_EQ(replaceAll("a _LINK_ b _LINK_", "_LINK_", "ftp://1.2.3.4:2121"), "a ftp://1.2.3.4:2121 b ftp://1.2.3.4:2121");
    EXPECT_EQ(replaceAll("1R0R", "R", "."), "1.0.");
    EXPECT_EQ(replaceAll("aaa", "a", "aa"), "aaaaaa");
    EXPECT_EQ(toUpper("4r7 01c"), "4R7 01C");
}
