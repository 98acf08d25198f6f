#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "tools/quantity.h"

namespace ohmkit::tools {
namespace {

struct ReadCase {
    const char* text;
    double value;
};

TEST(ReadOhms, ReadsTheNotationsInUse)
{
    const ReadCase cases[] = {
        {"4k7", 4700},      {"4K7", 4700},      {"4.7k", 4700},     {"4,7k", 4700},     {"2M2", 2.2e6},
        {"47R", 47},        {"47r", 47},        {"4R7", 4.7},       {"0R5", 0.5},       {"R47", 0.47},
        {"1e3", 1000},      {"1E+3", 1000},     {"4,7e3", 4700},    {"10 k", 10000},    {"39 kOhm", 39000},
        {"4.7 \u03A9", 4.7}, {"4k7\u2126", 4700}, {"2.2k Ohm", 2200}, {"47 ohms", 47},    {" +4k7 ", 4700},
        {"11.5", 11.5},     {"47", 47},         {"0", 0},           {"-5", -5},         {"4m7", 0.0047},
        {".5", 0.5},        {"4.", 4},          {"1.000", 1},       {"100 R", 100},     {"12k5", 12500},
{"0,001k", 1}, {"1234,567", 1234.567}, {"4.7 k \u03A9", 4700}, {"1e-400", 0},   {"\t10M\t", 1e7},   {"1G", 1e9},        {"4.7R", 4.7},
    };
    for (const ReadCase& c : cases) {
        const Reading reading = readOhms(c.text);
        EXPECT_TRUE(reading.ok()) << '"' << c.text << '"';
        EXPECT_DOUBLE_EQ(reading.value, c.value) << '"' << c.text << '"';
    }
    // "-0" is zero without a sign, so that nothing prints "-0".
    EXPECT_FALSE(std::signbit(readOhms("-0").value));
}

struct RefusedCase {
    const char* text;
    ReadProblem problem;
};

TEST(ReadOhms, SaysWhyItRefuses)
{
    const RefusedCase cases[] = {
        {"", ReadProblem::Empty},
        {"   ", ReadProblem::Empty},
        {"abc", ReadProblem::NotANumber},
        {"k47", ReadProblem::NotANumber},
        {"-", ReadProblem::NotANumber},
        {"Ohm", ReadProblem::NotANumber},
        {"nan", ReadProblem::NotANumber},
        {"1 000", ReadProblem::ThousandsSeparator},
        {"1,000", ReadProblem::ThousandsSeparator},
        {"4,700k", ReadProblem::ThousandsSeparator},
        {"1'000", ReadProblem::ThousandsSeparator},
        {"1.000.000", ReadProblem::ThousandsSeparator},
        {"1,5,7", ReadProblem::ThousandsSeparator},
        {"12V", ReadProblem::TextAfterNumber},
        {"5-", ReadProblem::TextAfterNumber},
        {"4k7x", ReadProblem::TextAfterNumber},
        {"47x", ReadProblem::TextAfterNumber},
        {"4e", ReadProblem::TextAfterNumber},
        {"4k7k", ReadProblem::TextAfterNumber},
        {"4R7R", ReadProblem::TextAfterNumber},
        {"47 Ohm Ohm", ReadProblem::TextAfterNumber},
        {"4,", ReadProblem::TextAfterNumber},
        {"0x10", ReadProblem::TextAfterNumber},
        {"1e400", ReadProblem::OutOfRange},
        {"1e99999999999999999999", ReadProblem::OutOfRange},
    };
    for (const RefusedCase& c : cases) {
        const Reading reading = readOhms(c.text);
        EXPECT_EQ(reading.problem, c.problem) << '"' << c.text << '"';
        EXPECT_EQ(reading.value, 0) << '"' << c.text << '"';
    }
}

TEST(ReadQuantity, TakesPrefixesAndTheUnit)
{
    struct UnitCase {
        const char* text;
        const char* unit;
        double value;
    };
    const UnitCase cases[] = {
        {"100n", "F", 100e-9},   {"100 nF", "F", 100e-9}, {"4u7", "F", 4.7e-6},   {"4\u00B5" "7", "F", 4.7e-6},
        {"2.2 \u03BCF", "F", 2.2e-6}, {"10p", "F", 10e-12}, {"1.5 kHz", "Hz", 1500}, {"1.5 KHz", "Hz", 1500},
        {"3 mhz", "Hz", 3e-3},   {"5m", "m", 5},          {"5mm", "m", 5e-3},     {"12V", "V", 12},
        {"12", "V", 12},         {"2,5 A", "A", 2.5},     {"1G", "Hz", 1e9},      {"3M3", "Hz", 3.3e6},
    };
    for (const UnitCase& c : cases) {
        const Reading reading = readQuantity(c.text, c.unit);
        EXPECT_TRUE(reading.ok()) << '"' << c.text << '"';
        EXPECT_DOUBLE_EQ(reading.value, c.value) << '"' << c.text << '"';
    }
    // R is a resistance's point, not a prefix of other quantities; nor is a wrong unit taken.
    EXPECT_EQ(readQuantity("4R7", "F").problem, ReadProblem::TextAfterNumber);
    EXPECT_EQ(readQuantity("12 V", "A").problem, ReadProblem::TextAfterNumber);
    EXPECT_EQ(readQuantity("4u7u", "F").problem, ReadProblem::TextAfterNumber);
}

// A field with a fixed unit takes no prefix: "20m" in milliamperes would be a thousandfold slip.
TEST(ReadNumber, TakesTheFieldsUnitAndNoPrefix)
{
    EXPECT_DOUBLE_EQ(readNumber("20", "mA").value, 20);
    EXPECT_DOUBLE_EQ(readNumber("20 mA", "mA").value, 20);
    EXPECT_DOUBLE_EQ(readNumber("2,5h", "h").value, 2.5);
    EXPECT_DOUBLE_EQ(readNumber("1e-5").value, 1e-5);
    for (const char* text : {"20m", "20 A", "4k7", "20 mA", "2h"}) EXPECT_FALSE(readNumber(text).ok()) << text;
    EXPECT_FALSE(readNumber("20m", "mA").ok());
    EXPECT_FALSE(readNumber("20 uA", "mA").ok());
}

TEST(FormatQuantity, ThreeFiguresWithAPrefix)
{
    struct FormatCase {
        double value;
        const char* unit;
        const char* shown;
    };
    const FormatCase cases[] = {
        {4700, "Ohm", "4.7 kOhm"},   {100e-9, "F", "100 nF"},   {1591.5, "Hz", "1.59 kHz"},
        {0, "Ohm", "0 Ohm"},         {-0.0, "V", "0 V"},        {1, "Ohm", "1 Ohm"},
        {999.7, "Ohm", "1 kOhm"},    {999.4, "Ohm", "999 Ohm"}, {1e-6, "F", "1 uF"},
        {0.47, "Ohm", "470 mOhm"},   {12.345, "V", "12.3 V"},   {-2.2e6, "Ohm", "-2.2 MOhm"},
        {9.996, "s", "10 s"},        {1e-12, "F", "1 pF"},      {999e9, "Hz", "999 GHz"},
        {1.2e12, "Ohm", "1.2e+12 Ohm"}, {5e-13, "F", "5e-13 F"}, {99.96, "Hz", "100 Hz"},
    };
    for (const FormatCase& c : cases) EXPECT_EQ(formatQuantity(c.value, c.unit), c.shown) << c.value;
    EXPECT_EQ(formatQuantity(std::numeric_limits<double>::quiet_NaN(), "F"), "--");
    EXPECT_EQ(formatQuantity(-std::numeric_limits<double>::infinity(), "F"), "--");
}

// What formatQuantity prints, readQuantity reads back to three figures.
TEST(FormatQuantity, ReadsBack)
{
    for (double value = 1.234e-12; value < 1e12; value *= 7.3) {
        const Reading back = readQuantity(formatQuantity(value, "F"), "F");
        ASSERT_TRUE(back.ok()) << formatQuantity(value, "F");
        EXPECT_NEAR(back.value / value, 1, 5e-3) << formatQuantity(value, "F");
    }
}

}  // namespace
}  // namespace ohmkit::tools
