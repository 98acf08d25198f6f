#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "app/command_line.h"
#include "tools/resistors/info_resistors_smd.h"

namespace ohmkit::resistors {
namespace {

struct CodeCase {
    const char* code;
    const char* shown;
};
void PrintTo(const CodeCase& c, std::ostream* os) { *os << '"' << c.code << '"'; }

class SmdCodeLine : public testing::TestWithParam<CodeCase> {};

TEST_P(SmdCodeLine, DecodesTheMarking)
{
    EXPECT_EQ(InfoResistorsSMD::resultLine(GetParam().code), GetParam().shown) << "code \"" << GetParam().code << "\"";
}

INSTANTIATE_TEST_SUITE_P(
    WorkedCases, SmdCodeLine,
    testing::Values(CodeCase{"4501", "Results: 4.500 KOhm"}, CodeCase{"4701", "Results: 4.700 KOhm"},
                    CodeCase{"1000", "Results: 100 Ohm"}, CodeCase{"472", "Results: 4.7 KOhm"},
                    CodeCase{"102", "Results: 1.0 KOhm"}, CodeCase{"082", "Results: 800 Ohm"},
                    CodeCase{"100", "Results: 10 Ohm"}, CodeCase{"105", "Results: 1.0 MOhm"},
                    CodeCase{"478", "Value too big for SMD"}, CodeCase{"01C", "Results: 10.0 KOhm"},
                    CodeCase{"01B", "Results: 1.000 KOhm"}, CodeCase{"02B", "Results: 1.020 KOhm"},
                    CodeCase{"02E", "Results: 1.02 MOhm"}, CodeCase{"68X", "Results: 49.9 Ohm"},
                    CodeCase{"01Z", "Results: 0.100 Ohm"}, CodeCase{"96F", "Results: 97.6 MOhm"},
                    CodeCase{"97A", "Result: incorrect value"}, CodeCase{"99Z", "Result: incorrect value"},
                    CodeCase{"00X", "Results: 0 Ohm"}, CodeCase{"4r7", "Results: 4.7 Ohm"},
                    CodeCase{"1R0R", "Results: 1.0. Ohm"}, CodeCase{"47G", "Results: invalid value"},
                    CodeCase{"47", "Results: invalid value"}, CodeCase{"", "Results: invalid value"},
                    CodeCase{"0000", "Results: 0 Ohm"}, CodeCase{"R47", "Results: 0.47 Ohm"},
                    // Blanks around a code are dropped; an R-value is written as a number.
                    CodeCase{"472 ", "Results: 4.7 KOhm"}, CodeCase{" 01C\t", "Results: 10.0 KOhm"},
                    CodeCase{"0R", "Results: 0 Ohm"}, CodeCase{"1R", "Results: 1 Ohm"},
                    CodeCase{"0R5", "Results: 0.5 Ohm"}, CodeCase{" 4R7 ", "Results: 4.7 Ohm"}));

// Every multiplier of the three-digit code once, with two significant digits 47 (and 4).
INSTANTIATE_TEST_SUITE_P(
    ThreeDigitRows, SmdCodeLine,
    testing::Values(CodeCase{"470", "Results: 47 Ohm"}, CodeCase{"471", "Results: 470 Ohm"},
                    CodeCase{"042", "Results: 400 Ohm"}, CodeCase{"473", "Results: 47 KOhm"},
                    CodeCase{"474", "Results: 470 KOhm"}, CodeCase{"475", "Results: 4.7 MOhm"},
                    CodeCase{"476", "Results: 47 MOhm"}, CodeCase{"477", "Results: 470 MOhm"},
                    CodeCase{"479", "Value too big for SMD"}, CodeCase{"00Q", "Results: 0 Ohm"},
                    CodeCase{"47-", "Results: invalid value"}, CodeCase{"47 ", "Results: invalid value"}));

// Every multiplier letter once; lower case is read as upper case.
INSTANTIATE_TEST_SUITE_P(
    Eia96Rows, SmdCodeLine,
    testing::Values(CodeCase{"24Z", "Results: 0.174 Ohm"}, CodeCase{"24Y", "Results: 1.74 Ohm"},
                    CodeCase{"24X", "Results: 17.4 Ohm"}, CodeCase{"24S", "Results: 17.4 Ohm"},
                    CodeCase{"24A", "Results: 174 Ohm"}, CodeCase{"24B", "Results: 1.740 KOhm"},
                    CodeCase{"24H", "Results: 1.740 KOhm"}, CodeCase{"24C", "Results: 17.4 KOhm"},
                    CodeCase{"24D", "Results: 174 KOhm"}, CodeCase{"24E", "Results: 1.74 MOhm"},
                    CodeCase{"24F", "Results: 17.4 MOhm"}, CodeCase{"01c", "Results: 10.0 KOhm"},
                    CodeCase{"50y", "Results: 3.24 Ohm"}, CodeCase{"96Z", "Results: 0.976 Ohm"},
                    CodeCase{"96A", "Results: 976 Ohm"}, CodeCase{"07Y", "Results: 1.15 Ohm"}));

// Every multiplier of the four-digit code once.
INSTANTIATE_TEST_SUITE_P(
    FourDigitRows, SmdCodeLine,
    testing::Values(CodeCase{"4750", "Results: 475 Ohm"}, CodeCase{"4751", "Results: 4.750 KOhm"},
                    CodeCase{"4702", "Results: 47.0 KOhm"}, CodeCase{"4752", "Results: 47.500 KOhm"},
                    CodeCase{"4753", "Results: 475 KOhm"}, CodeCase{"4754", "Results: 4.75 MOhm"},
                    CodeCase{"1004", "Results: 1.00 MOhm"}, CodeCase{"4755", "Results: 47.5 MOhm"},
                    CodeCase{"4756", "Results: 475 MOhm"}, CodeCase{"4757", "Value too big for SMD"},
                    CodeCase{"4758", "Value too big for SMD"}, CodeCase{"4759", "Value too big for SMD"},
                    CodeCase{"0471", "Results: 0.470 KOhm"}, CodeCase{"475A", "Results: invalid value"},
                    CodeCase{"47051", "Results: invalid value"}));

// Digits that hold no number, or a negative one, are no marking (rather than 0 Ohm or a
// negative value); a "+" or white space before the digits is read past.
INSTANTIATE_TEST_SUITE_P(
    NotANumber, SmdCodeLine,
    testing::Values(CodeCase{"-12", "Results: invalid value"}, CodeCase{"-45", "Results: invalid value"},
                    CodeCase{"-1A", "Results: invalid value"}, CodeCase{"-0X", "Results: invalid value"},
                    CodeCase{"-471", "Results: invalid value"}, CodeCase{"-475", "Results: invalid value"},
                    CodeCase{"ABC", "Results: invalid value"}, CodeCase{"   ", "Results: invalid value"},
                    CodeCase{"AB00", "Results: invalid value"}, CodeCase{"+12", "Results: 100 Ohm"},
                    CodeCase{" 12", "Results: invalid value"}, CodeCase{"0AX", "Results: invalid value"}));

// A letter, blank or point after a digit where digits belong is no marking either (the
// notation of schematics is read on the standard-value screen, not here).
INSTANTIATE_TEST_SUITE_P(
    NotAllDigits, SmdCodeLine,
    testing::Values(CodeCase{"4K7", "Results: invalid value"}, CodeCase{"4k7", "Results: invalid value"},
                    CodeCase{"4 7", "Results: invalid value"}, CodeCase{"4.75", "Results: invalid value"},
                    CodeCase{"4,7", "Results: invalid value"}, CodeCase{"1e3", "Results: invalid value"},
                    CodeCase{"47e1", "Results: invalid value"}, CodeCase{"0x10", "Results: invalid value"},
                    CodeCase{"47 1", "Results: invalid value"}, CodeCase{"4-71", "Results: invalid value"}));

// The decimal-point code needs a number: digits and R only, at least one digit, and no more
// than 12 digits before the point.
INSTANTIATE_TEST_SUITE_P(
    DecimalPointCodes, SmdCodeLine,
    testing::Values(CodeCase{"R", "Results: invalid value"}, CodeCase{"RR", "Results: invalid value"},
                    CodeCase{"-R5", "Results: invalid value"}, CodeCase{"R\xF0\x9F\x94\xA5", "Results: invalid value"},
                    CodeCase{"4R\xF0\x9F\x94\xA5", "Results: invalid value"}, CodeCase{"4R-5", "Results: invalid value"},
                    CodeCase{"4R7 ", "Results: 4.7 Ohm"}, CodeCase{"4R7K", "Results: invalid value"},
                    CodeCase{"r", "Results: invalid value"}, CodeCase{"0R", "Results: 0 Ohm"},
                    CodeCase{"R5", "Results: 0.5 Ohm"}, CodeCase{"+4R7", "Results: 4.7 Ohm"},
                    CodeCase{"100R", "Results: 100 Ohm"}, CodeCase{"999999999999R9", "Results: 999999999999.9 Ohm"},
                    CodeCase{"1000000000000R", "Results: invalid value"}));

TEST(SmdDigits, AnchorsOfTheE96Table)
{
    EXPECT_EQ(InfoResistorsSMD::DecodeSMDDigits("01"), 100);
    EXPECT_EQ(InfoResistorsSMD::DecodeSMDDigits("2"), 102);
    EXPECT_EQ(InfoResistorsSMD::DecodeSMDDigits("03"), 105);
    EXPECT_EQ(InfoResistorsSMD::DecodeSMDDigits("24"), 174);
    EXPECT_EQ(InfoResistorsSMD::DecodeSMDDigits("50"), 324);
    EXPECT_EQ(InfoResistorsSMD::DecodeSMDDigits("68"), 499);
    EXPECT_EQ(InfoResistorsSMD::DecodeSMDDigits("96"), 976);
    for (const char* outside : {"", "00", "97", "99", "-1", "A1", "2147483648"})
        EXPECT_EQ(InfoResistorsSMD::DecodeSMDDigits(outside), 0) << outside;
}

// The table climbs in steps of about 2.4 %: each entry lies within 1 % of 100 * 10^((n-1)/96),
// which catches a mistyped or swapped entry.
TEST(SmdDigits, FollowsTheE96Progression)
{
    int previous = 0;
    for (int n = 1; n <= 96; ++n) {
        const int v = InfoResistorsSMD::DecodeSMDDigits(std::to_string(n));
        const double ideal = 100.0 * std::pow(10.0, (n - 1) / 96.0);
        EXPECT_GT(v, previous) << n;
        EXPECT_LT(std::fabs(v - ideal) / ideal, 0.01) << n << ": " << v;
        previous = v;
    }
}

TEST(SmdScreen, OpensWithTheFourDigitExample)
{
    InfoResistorsSMD screen;
    screen.loadViewIfNeeded();
    ASSERT_EQ(screen.outlets().size(), 2u);
    EXPECT_EQ(screen.outlets()[0].name, "textResistance");
    EXPECT_EQ(screen.outlets()[1].name, "labelResult");
    EXPECT_EQ(screen.textResistance->text(), "4501");
    EXPECT_EQ(screen.labelResult->text(), "Results: 4.500 KOhm");
    EXPECT_EQ(screen.navigationItem().rightImageName, "res_small.png");
}

TEST(SmdScreen, RecomputesOnEditAndOnReturn)
{
    InfoResistorsSMD screen;
    screen.loadViewIfNeeded();
    screen.textResistance->userEdit("4r");
    EXPECT_EQ(screen.labelResult->text(), "Results: 4 Ohm");
    screen.textResistance->userEdit("4");
    EXPECT_EQ(screen.labelResult->text(), "Results: invalid value");
    screen.textResistance->setText("472");
    screen.textResistance->userReturn();
    EXPECT_EQ(screen.labelResult->text(), "Results: 4.7 KOhm");
    EXPECT_FALSE(screen.textResistance->isFirstResponder());
}

TEST(SmdScreen, ScriptedModeReachesTheField)
{
    std::ostringstream out, err;
    ASSERT_EQ(app::runScript({"ShowResistorsSMD", "textResistance=68x"}, out, err), 0) << err.str();
    EXPECT_EQ(out.str(), "textResistance: 68x\nlabelResult: Results: 49.9 Ohm\n");
}

}  // namespace
}  // namespace ohmkit::resistors
