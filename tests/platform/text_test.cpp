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

TEST(TypedFloatValue, TakesACommaBeforeADigitAsTheDecimalPoint)
{
    struct Case {
        const char* text;
        float value;
    } cases[] = {
        {"4,5", 4.5f},      {"2,5 m", 2.5f},   {",5", 0.5f},      {"-4,5", -4.5f},  {" +0,25V", 0.25f},
        {"4,5e2", 450.0f},  {"4,", 4.0f},      {"4,x", 4.0f},     {"1,5,7", 1.5f},  {"1.5,7", 1.5f},
        {"1,5.7", 1.5f},    {",", 0.0f},       {", 5", 0.0f},     {"4.5", 4.5f},    {"1e3", 1000.0f},
        {"4k7", 4.0f},      {"0x10", 0.0f},    {"inf", 0.0f},     {"nan", 0.0f},    {"", 0.0f},
        {"1e39", std::numeric_limits<float>::max()},
    };
    for (const auto& c : cases) EXPECT_EQ(typedFloatValue(c.text), c.value) << '"' << c.text << '"';
    EXPECT_EQ(typedDoubleValue("4,7e3"), 4700.0);
    EXPECT_EQ(typedDoubleValue("0,1"), 0.1);
    // Plain readers keep reading a comma as the end of the number.
    EXPECT_EQ(floatValue("4,5"), 4.0f);
    EXPECT_EQ(doubleValue("0,1"), 0.0);
}

TEST(TypedFloatValue, NeverGivesANegativeZero)
{
    for (const char* zero : {"-0", "-0,0", "-0.000", "-0e5", "-"}) {
        EXPECT_FALSE(std::signbit(typedFloatValue(zero))) << zero;
        EXPECT_FALSE(std::signbit(typedDoubleValue(zero))) << zero;
    }
    EXPECT_TRUE(std::signbit(floatValue("-0")));
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

TEST(RoundToFloat, OverflowsToInfinityInsteadOfUndefinedBehaviour)
{
    EXPECT_EQ(roundToFloat(0.1), 0.1f);
    EXPECT_EQ(roundToFloat(1e39), INFINITY);
    EXPECT_EQ(roundToFloat(-1e300), -INFINITY);
    EXPECT_EQ(roundToFloat(static_cast<double>(std::numeric_limits<float>::max())), std::numeric_limits<float>::max());
    EXPECT_TRUE(std::isnan(roundToFloat(std::nan(""))));
}

TEST(ShowableResult, FiniteWithAtMostTwelveDigitsBeforeThePoint)
{
    for (double ok : {0.0, -5.0, 1e-30, 999999999998.99, -999999999998.0})
        EXPECT_TRUE(isShowableResult(ok)) << ok;
    for (double bad : {999999999999.0, 1e12, -1e12, 3.4e38, static_cast<double>(INFINITY), -static_cast<double>(INFINITY), std::nan("")})
        EXPECT_FALSE(isShowableResult(bad)) << bad;
    // The largest showable value prints with 12 digits even with no decimals.
    EXPECT_EQ(format("%.0f", 999999999998.99), "999999999999");
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
