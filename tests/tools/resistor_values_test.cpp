#include <gtest/gtest.h>

#include <limits>
#include <sstream>

#include "app/command_line.h"
#include "platform/text.h"
#include "tools/resistors/info_resistors_values.h"

namespace ohmkit::resistors {
namespace {

struct ValueCase {
    const char* input;
    const char* shown;
};
void PrintTo(const ValueCase& c, std::ostream* os) { *os << '"' << c.input << '"'; }

class StandardValueLine : public testing::TestWithParam<ValueCase> {};

TEST_P(StandardValueLine, ShowsTheNeighbours)
{
    EXPECT_EQ(InfoResistorsValues::resultLine(GetParam().input), GetParam().shown) << "input \"" << GetParam().input << "\"";
}

INSTANTIATE_TEST_SUITE_P(
    WorkedCases, StandardValueLine,
    testing::Values(ValueCase{"", "Incorrect value"}, ValueCase{"0", "Incorrect value"},
                    ValueCase{"-5", "Incorrect value"}, ValueCase{"10000001", "Incorrect value"},
                    ValueCase{"1", "Nearest value: 1 Ohms"}, ValueCase{"5", "Nearest value: 4.7 or 5.1 Ohms"},
                    ValueCase{"17", "Nearest value: 16 or 18 Ohms"}, ValueCase{"47", "Nearest value: 47 Ohms"},
                    ValueCase{"999", "Nearest value: 910 or 1000 Ohms"}, ValueCase{"1000", "Nearest value: 1.0 KOhm"},
                    ValueCase{"9500", "Nearest value: 9.1 or 10.0 KOhm"},
                    ValueCase{"12345", "Nearest value: 12 or 13 KOhm"}, ValueCase{"47000", "Nearest value: 47 KOhm"},
                    ValueCase{"950000", "Nearest value: 910 or 1000 KOhm"},
                    ValueCase{"1234567", "Nearest value: 1.2 or 1.3 MOhm"},
                    ValueCase{"12.7", "Nearest value: 12 or 13 Ohms"}));

// An exact value in the megohms range shows one megohm figure with one decimal.
INSTANTIATE_TEST_SUITE_P(
    ExactMegohms, StandardValueLine,
    testing::Values(ValueCase{"4700000", "Nearest value: 4.7 MOhm"}, ValueCase{"1000000", "Nearest value: 1.0 MOhm"},
                    ValueCase{"1100000", "Nearest value: 1.1 MOhm"},
                    ValueCase{"10000000", "Nearest value: 10.0 MOhm"},
                    ValueCase{"9999999", "Nearest value: 9.1 or 10.0 MOhm"},
                    ValueCase{"1000001", "Nearest value: 1.0 or 1.1 MOhm"}));

// The edges of each range, the E24 values that a hand-made ohms table once lacked, and how
// the field text is read.
INSTANTIATE_TEST_SUITE_P(
    RangeEdges, StandardValueLine,
    testing::Values(ValueCase{"2", "Nearest value: 2 Ohms"}, ValueCase{"3", "Nearest value: 3 Ohms"},
                    ValueCase{"10", "Nearest value: 10 Ohms"}, ValueCase{"16", "Nearest value: 16 Ohms"},
                    ValueCase{"300", "Nearest value: 300 Ohms"},
                    ValueCase{"360", "Nearest value: 360 Ohms"}, ValueCase{"910", "Nearest value: 910 Ohms"},
                    ValueCase{"1001", "Nearest value: 1.0 or 1.1 KOhm"},
                    ValueCase{"9999", "Nearest value: 9.1 or 10.0 KOhm"}, ValueCase{"10000", "Nearest value: 10 KOhm"},
                    ValueCase{"10001", "Nearest value: 10 or 11 KOhm"}, ValueCase{"300000", "Nearest value: 300 KOhm"},
                    ValueCase{"999999", "Nearest value: 910 or 1000 KOhm"},
                    ValueCase{" 47", "Nearest value: 47 Ohms"}, ValueCase{"+47", "Nearest value: 47 Ohms"},
                    ValueCase{"47x", "Incorrect value"}, ValueCase{"k47", "Incorrect value"},
                    ValueCase{"99999999999999999999999", "Incorrect value"},
                    ValueCase{"-99999999999999999999999", "Incorrect value"}));

// The notation printed on schematics is read as what it says, fractions of an ohm included.
INSTANTIATE_TEST_SUITE_P(
    Notation, StandardValueLine,
    testing::Values(ValueCase{"4k7", "Nearest value: 4.7 KOhm"}, ValueCase{"4K7", "Nearest value: 4.7 KOhm"},
                    ValueCase{"4.7k", "Nearest value: 4.7 KOhm"}, ValueCase{"4,7k", "Nearest value: 4.7 KOhm"},
                    ValueCase{"47R", "Nearest value: 47 Ohms"}, ValueCase{"4R7", "Nearest value: 4.7 Ohms"},
                    ValueCase{"4r7", "Nearest value: 4.7 Ohms"}, ValueCase{"1R5", "Nearest value: 1.5 Ohms"},
                    ValueCase{"1R4", "Nearest value: 1.3 or 1.5 Ohms"}, ValueCase{"2M2", "Nearest value: 2.2 MOhm"},
                    ValueCase{"1M", "Nearest value: 1.0 MOhm"}, ValueCase{"10k", "Nearest value: 10 KOhm"},
                    ValueCase{"47k", "Nearest value: 47 KOhm"}, ValueCase{"12k5", "Nearest value: 12 or 13 KOhm"},
                    ValueCase{"1e3", "Nearest value: 1.0 KOhm"}, ValueCase{"1E3", "Nearest value: 1.0 KOhm"},
                    ValueCase{"4,7e3", "Nearest value: 4.7 KOhm"}, ValueCase{"1e+3", "Nearest value: 1.0 KOhm"},
                    ValueCase{"2.2k Ohm", "Nearest value: 2.2 KOhm"}, ValueCase{" +4k7", "Nearest value: 4.7 KOhm"},
                    ValueCase{"10M", "Nearest value: 10.0 MOhm"}, ValueCase{"4.7R", "Nearest value: 4.7 Ohms"},
                    // Outside one ohm to ten megohms, as for plain numbers.
                    ValueCase{"-4k7", "Incorrect value"}, ValueCase{"11M", "Incorrect value"},
                    ValueCase{"0R4", "Incorrect value"}, ValueCase{"1e-3", "Incorrect value"},
                    ValueCase{"1e400", "Incorrect value"}, ValueCase{"1e8", "Incorrect value"}));

// Decimals, blanks and unit words are read; digit groups and text after the number are
// refused rather than read up to them.
INSTANTIATE_TEST_SUITE_P(
    NotNotation, StandardValueLine,
    testing::Values(ValueCase{"4,7", "Nearest value: 4.7 Ohms"}, ValueCase{"4.7", "Nearest value: 4.7 Ohms"},
                    ValueCase{"1 000", "Incorrect value"}, ValueCase{"47 k", "Nearest value: 47 KOhm"},
                    ValueCase{"1m", "Incorrect value"}, ValueCase{"1e", "Incorrect value"},
                    ValueCase{"12.7e", "Incorrect value"}, ValueCase{"R47", "Incorrect value"},
                    ValueCase{".5k", "Nearest value: 470 or 510 Ohms"}, ValueCase{"0x10", "Incorrect value"},
                    ValueCase{"4.k7", "Incorrect value"}));

// The texts a new user typed, each misread before.
INSTANTIATE_TEST_SUITE_P(
    TypedByUsers, StandardValueLine,
    testing::Values(ValueCase{"10 k", "Nearest value: 10 KOhm"}, ValueCase{"39 kOhm", "Nearest value: 39 KOhm"},
                    ValueCase{"11.5", "Nearest value: 11 or 12 Ohms"}, ValueCase{"1,000", "Incorrect value"},
                    ValueCase{"12V", "Incorrect value"}, ValueCase{"5-", "Incorrect value"},
                    ValueCase{"0R5", "Incorrect value"}, ValueCase{"4m7", "Incorrect value"},
                    ValueCase{"4.7 \u03A9", "Nearest value: 4.7 Ohms"}, ValueCase{"18", "Nearest value: 18 Ohms"},
                    ValueCase{"4k99", "Nearest value: 4.7 or 5.1 KOhm"}, ValueCase{"2.7 / 0.015", "Incorrect value"}));

TEST(StandardValueLine, OtherSeries)
{
    using tools::ESeries;
    EXPECT_EQ(InfoResistorsValues::resultLine("4k99", ESeries::E96), "Nearest value: 4.99 KOhm");
    EXPECT_EQ(InfoResistorsValues::resultLine("5k", ESeries::E96), "Nearest value: 4.99 or 5.11 KOhm");
    EXPECT_EQ(InfoResistorsValues::resultLine("9.19", ESeries::E192), "Nearest value: 9.09 or 9.2 Ohms");
    EXPECT_EQ(InfoResistorsValues::resultLine("16", ESeries::E12), "Nearest value: 15 or 18 Ohms");
    EXPECT_EQ(InfoResistorsValues::resultLine("2k", ESeries::E6), "Nearest value: 1.5 or 2.2 KOhm");
    EXPECT_EQ(InfoResistorsValues::resultLine("1.02M", ESeries::E48), "Nearest value: 1.0 or 1.05 MOhm");
    EXPECT_EQ(InfoResistorsValues::resultLine("10M", ESeries::E192), "Nearest value: 10.0 MOhm");
    // Every value of every series from one ohm to ten megohms is found as itself.
    for (ESeries series : tools::allSeries())
        for (double decade = 1; decade < 1e7; decade *= 10)
            for (int significand : tools::significands(series)) {
                const double v = significand * decade / (tools::significantFigures(series) == 2 ? 10 : 100);
                const std::string line = InfoResistorsValues::resultLine(platform::format("%.17g", v), series);
                ASSERT_EQ(line.find(" or "), std::string::npos) << v << ": " << line;
            }
}

TEST(StandardValueScreen, NotationOfEveryLengthStaysDefined)
{
    EXPECT_EQ(InfoResistorsValues::resultLine(std::string(300, '9') + "k"), "Incorrect value");
    EXPECT_EQ(InfoResistorsValues::resultLine("-" + std::string(300, '9') + "M"), "Incorrect value");
    EXPECT_EQ(InfoResistorsValues::resultLine(std::string(10000, '7') + "e3"), "Incorrect value");
    EXPECT_EQ(InfoResistorsValues::resultLine("0." + std::string(10000, '0') + "1M"), "Incorrect value");
    EXPECT_EQ(InfoResistorsValues::resultLine("4.7005k"), "Nearest value: 4.7 or 5.1 KOhm");
}

// Every E24 value of the three decade tables is found as itself, so no table entry is mistyped.
TEST(StandardValueTables, EveryE24ValueFromOneKilohmIsStandard)
{
    const int mantissas[] = {10, 11, 12, 13, 15, 16, 18, 20, 22, 24, 27, 30, 33, 36, 39, 43, 47, 51, 56, 62, 68, 75, 82, 91};
    for (long long decade : {100LL, 1000LL, 10000LL, 100000LL}) {
        for (int m : mantissas) {
            const long long v = m * decade;
            const std::string line = InfoResistorsValues::resultLine(std::to_string(v));
            EXPECT_EQ(line.find(" or "), std::string::npos) << v << ": " << line;
        }
    }
}

TEST(StandardValueScreen, OpensWithTheKiloOhmsExample)
{
    InfoResistorsValues screen;
    screen.loadViewIfNeeded();
    ASSERT_EQ(screen.outlets().size(), 3u);
    EXPECT_EQ(screen.outlets()[0].name, "textResistance");
    EXPECT_EQ(screen.outlets()[1].name, "labelResult");
    EXPECT_EQ(screen.outlets()[2].name, "pickerSeries");
    EXPECT_EQ(screen.pickerSeries->selectedRowInComponent(0), 2);
    EXPECT_EQ(screen.pickerSeries->rowLook(2, 0).text, "E24");
    EXPECT_EQ(screen.textResistance->text(), "12345");
    EXPECT_EQ(screen.labelResult->text(), "Nearest value: 12 or 13 KOhm");
    EXPECT_EQ(screen.navigationItem().rightImageName, "res_small.png");
}

TEST(StandardValueScreen, RecomputesOnEditAndOnReturn)
{
    InfoResistorsValues screen;
    screen.loadViewIfNeeded();
    screen.textResistance->userEdit("17");
    EXPECT_EQ(screen.labelResult->text(), "Nearest value: 16 or 18 Ohms");
    EXPECT_TRUE(screen.textResistance->isFirstResponder());
    // A text set by code sends no event; the return key recomputes and hides the keyboard.
    screen.textResistance->setText("47000");
    EXPECT_EQ(screen.labelResult->text(), "Nearest value: 16 or 18 Ohms");
    screen.textResistance->userReturn();
    EXPECT_EQ(screen.labelResult->text(), "Nearest value: 47 KOhm");
    EXPECT_FALSE(screen.textResistance->isFirstResponder());
}

TEST(StandardValueScreen, ScriptedModeReachesTheField)
{
    std::ostringstream out, err;
    ASSERT_EQ(app::runScript({"ShowResistanceValues", "textResistance=4700000"}, out, err), 0) << err.str();
    EXPECT_EQ(out.str(), "textResistance: 4700000\nlabelResult: Nearest value: 4.7 MOhm\npickerSeries: 2\n");
}

TEST(StandardValueScreen, TheSeriesWheelChangesTheAnswer)
{
    std::ostringstream out, err;
    ASSERT_EQ(app::runScript({"ShowResistanceValues", "textResistance=4k99", "pick:pickerSeries:0:4"}, out, err), 0)
        << err.str();
    EXPECT_EQ(out.str(), "textResistance: 4k99\nlabelResult: Nearest value: 4.99 KOhm\npickerSeries: 4\n");
}

}  // namespace
}  // namespace ohmkit::resistors
