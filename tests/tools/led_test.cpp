#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "app/command_line.h"
#include "tools/components/info_leds_view.h"

namespace ohmkit::components {
namespace {

std::shared_ptr<InfoLedsView> openLedScreen()
{
    auto screen = std::make_shared<InfoLedsView>();
    screen->loadViewIfNeeded();
    return screen;
}

TEST(LedCalc, OpensWithOneLedAtTwelveVolts)
{
    auto s = openLedScreen();
    EXPECT_EQ(s->m_cVoltage->text(), "12");
    EXPECT_EQ(s->m_cLedsCount->text(), "1");
    EXPECT_EQ(s->m_cVoltageOnLED->text(), "2");
    EXPECT_EQ(s->m_cCurrentOnLED->text(), "20");
    // Twice 0.2 W: the first rating at or above it is 0.5 W.
    EXPECT_EQ(s->m_cResults->text(), "R = 500 Ohm, P = 0.20 W");
    EXPECT_EQ(s->m_cResults2->text(), "Recommended: 510 Ohm, 0.5 W (2x margin)");
    EXPECT_EQ(s->m_cSchematic->imageName(), "led_sch1.png");
    EXPECT_EQ(s->navigationItem().rightImageName, "led_small.png");
}

TEST(LedCalc, StandardListsHaveTheirFixedSizes)
{
    EXPECT_EQ(InfoLedsView::powerRatings().size(), 9u);
}

struct LedCase {
    const char* supply;
    const char* count;
    const char* forward;
    const char* current;
    const char* line1;
    const char* line2;
};

class LedResults : public testing::TestWithParam<LedCase> {};

TEST_P(LedResults, ShowsBothLines)
{
    const LedCase& c = GetParam();
    auto s = openLedScreen();
    s->m_cVoltage->setText(c.supply);
    s->m_cLedsCount->setText(c.count);
    s->m_cVoltageOnLED->setText(c.forward);
    s->m_cCurrentOnLED->setText(c.current);
    s->showResults();
    EXPECT_EQ(s->m_cResults->text(), c.line1);
    EXPECT_EQ(s->m_cResults2->text(), c.line2);
}

INSTANTIATE_TEST_SUITE_P(
    WorkedFigures, LedResults,
    testing::Values(
        LedCase{"5", "2", "2", "20", "R = 50 Ohm, P = 0.02 W", "Recommended: 51 Ohm, 0.125 W (2x margin)"},
        // Vr is 2.3999996 in single precision, the ratio 119.99998: truncated, not rounded.
        LedCase{"12", "3", "3.2", "20", "R = 119 Ohm, P = 0.05 W", "Recommended: 120 Ohm, 0.125 W (2x margin)"},
        LedCase{"12", "2", "2", "20", "R = 400 Ohm, P = 0.16 W", "Recommended: 430 Ohm, 0.5 W (2x margin)"},
        LedCase{"27", "1", "2", "20", "R = 1250 Ohm, P = 0.50 W", "Recommended: 1.3 KOhm, 1 W (2x margin)"},
        LedCase{"12V", " 1 LED", "2.0 v", "20mA", "R = 500 Ohm, P = 0.20 W", "Recommended: 510 Ohm, 0.5 W (2x margin)"}));

// A decimal comma reads as the decimal point in the three decimal fields; the count is whole,
// and a fraction of an LED is no count.
INSTANTIATE_TEST_SUITE_P(
    DecimalComma, LedResults,
    testing::Values(LedCase{"4,5", "1", "2,8", "25", "R = 68 Ohm, P = 0.04 W", "Recommended: 68 Ohm, 0.125 W (2x margin)"},
                    LedCase{"4", "1", "2,8", "25", "R = 48 Ohm, P = 0.03 W", "Recommended: 51 Ohm, 0.125 W (2x margin)"},
                    LedCase{"12", "1", "2", "17,5", "R = 571 Ohm, P = 0.17 W", "Recommended: 620 Ohm, 0.5 W (2x margin)"},
                    LedCase{"12", "2,9", "2", "20", "Incorrect number of LEDs", ""}));

// With 1000 mA the current is exactly 1 A, so R and P both equal the resistor's voltage; the
// recommendation is the E24 value at or above R, the rating the first at or above 2 P.
INSTANTIATE_TEST_SUITE_P(
    RecommendedValues, LedResults,
    testing::Values(LedCase{"6", "1", "2", "1000", "R = 4 Ohm, P = 4.00 W", "Recommended: 4.3 Ohm, 10 W (2x margin)"},
                    LedCase{"4", "1", "2", "1000", "R = 2 Ohm, P = 2.00 W", "Recommended: 2 Ohm, 5 W (2x margin)"},
                    LedCase{"18", "1", "2", "1000", "R = 16 Ohm, P = 16.00 W", "Recommended: 16 Ohm, 50 W (2x margin)"},
                    LedCase{"102", "1", "2", "1000", "R = 100 Ohm, P = 100.00 W", "Recommended: 100 Ohm, > 100 W (2x margin)"},
                    LedCase{"103", "1", "2", "1000", "R = 101 Ohm, P = 101.00 W", "Recommended: 110 Ohm, > 100 W (2x margin)"},
                    LedCase{"1001", "1", "2", "1000", "R = 999 Ohm, P = 999.00 W", "Recommended: 1.0 KOhm, > 100 W (2x margin)"},
                    LedCase{"1002", "1", "2", "1000", "R = 1000 Ohm, P = 1000.00 W",
                            "Recommended: 1.0 KOhm, > 100 W (2x margin)"},
                    LedCase{"4702", "1", "2", "1000", "R = 4700 Ohm, P = 4700.00 W",
                            "Recommended: 4.7 KOhm, > 100 W (2x margin)"},
                    LedCase{"47002", "1", "2", "1000", "R = 47000 Ohm, P = 47000.00 W",
                            "Recommended: 47 KOhm, > 100 W (2x margin)"},
                    LedCase{"910002", "1", "2", "1000", "R = 910000 Ohm, P = 910000.00 W",
                            "Recommended: 910 KOhm, > 100 W (2x margin)"},
                    LedCase{"910003", "1", "2", "1000", "R = 910001 Ohm, P = 910001.00 W",
                            "Recommended: 1000 KOhm, > 100 W (2x margin)"},
                    LedCase{"10000003", "1", "2", "1000", "R = 10000001 Ohm, P = 10000001.00 W", ""}));

INSTANTIATE_TEST_SUITE_P(
    Messages, LedResults,
    testing::Values(LedCase{"12", "1", "0.05", "20", "LED forward voltage cannot be null", ""},
                    LedCase{"12", "1", "-3", "20", "LED forward voltage cannot be null", ""},
                    LedCase{"12", "1", "", "20", "LED forward voltage cannot be null", ""},
                    LedCase{"12", "0", "2", "20", "Incorrect number of LEDs", ""},
                    LedCase{"12", "-4", "2", "20", "Incorrect number of LEDs", ""},
                    LedCase{"12", "1", "2", "0.05", "Incorrect LED current", ""},
                    LedCase{"6", "2", "3", "20", "Battery voltage is low", ""},
                    // 0.01 V left at 20 mA is less than one ohm.
                    LedCase{"2.01", "1", "2", "20", "R below 1 Ohm: the supply is too close to the LED voltage", ""},
                    // Text that is no number is not read as zero.
                    LedCase{"abc", "1", "2", "20", "Incorrect input", ""},
                    LedCase{"12", "1", "2", "20 A", "Incorrect input", ""},
                    LedCase{"12", "1", "2V", "1,000", "Incorrect input", ""},
                    LedCase{"12", "two", "2", "20", "Incorrect number of LEDs", ""},
                    LedCase{"", "1", "2", "20", "Battery voltage is low", ""},
                    LedCase{"-12", "1", "2", "20", "Battery voltage is low", ""},
                    // Only the first failing check is reported.
                    LedCase{"0", "0", "0", "0", "LED forward voltage cannot be null", ""},
                    LedCase{"0", "0", "2", "0", "Incorrect number of LEDs", ""},
                    LedCase{"0", "1", "2", "0", "Incorrect LED current", ""}));

// The recommendation is the first list value at or above the exact ratio, not its truncation:
// a smaller resistor would pass more current than the LED is rated for. The first line keeps
// the truncated R.
INSTANTIATE_TEST_SUITE_P(
    NeverBelowTheNeed, LedResults,
    testing::Values(LedCase{"5", "1", "3.0", "700", "R = 2 Ohm, P = 1.40 W", "Recommended: 3 Ohm, 5 W (2x margin)"},
                    LedCase{"5", "1", "3", "600", "R = 3 Ohm, P = 1.20 W", "Recommended: 3.6 Ohm, 5 W (2x margin)"},
                    LedCase{"12", "1", "2", "21", "R = 476 Ohm, P = 0.21 W", "Recommended: 510 Ohm, 0.5 W (2x margin)"},
                    LedCase{"910002.5", "1", "2", "1000", "R = 910000 Ohm, P = 910000.50 W",
                            "Recommended: 1000 KOhm, > 100 W (2x margin)"},
                    // 2.7 V / 15 mA is 180 Ohm exactly, though floating point makes it a hair more.
                    LedCase{"9", "3", "2.1", "15", "R = 180 Ohm, P = 0.04 W", "Recommended: 180 Ohm, 0.125 W (2x margin)"},
                    // 5.14 Ohm: 5.6, not 10 (which would halve the current).
                    LedCase{"7.14", "1", "2", "1000", "R = 5 Ohm, P = 5.14 W", "Recommended: 5.6 Ohm, 50 W (2x margin)"},
                    LedCase{"12", "1", "2", "0.5", "R = 20000 Ohm, P = 0.01 W", "Recommended: 20 KOhm, 0.125 W (2x margin)"},
                    // Single precision truncates 100000 to 99999 in the first line; the need is exact.
                    LedCase{"12", "1", "2", "0.1", "R = 99999 Ohm, P = 0.00 W", "Recommended: 100 KOhm, 0.125 W (2x margin)"}));

// Results too large to print come only from absurd supplies; they are bad input.
INSTANTIATE_TEST_SUITE_P(
    HugeInputs, LedResults,
    testing::Values(LedCase{"1e30", "1", "2", "1000", "Incorrect input", ""},
                    LedCase{"1e39", "1", "2", "20", "Incorrect input", ""},
                    LedCase{"1.1e12", "1", "2", "1000", "Incorrect input", ""},
                    // Just under 10^12 Ohm and W (as single precision holds them) print in full.
                    LedCase{"999999999002", "1", "2", "1000", "R = 999999995904 Ohm, P = 999999995904.00 W", ""},
                    // Far more than 2^31 Ohm is shown as it is, not saturated.
                    LedCase{"3000000002", "1", "2", "1000", "R = 3000000000 Ohm, P = 3000000000.00 W", ""},
                    LedCase{"12", "1", "2", "1e40", "Incorrect input", ""}));

TEST(LedCalc, DecreaseStopsAtOneWithoutRecomputing)
{
    auto s = openLedScreen();
    s->m_cVoltage->setText("5");   // by code: nothing recomputed yet
    s->buttonForAction("onLedsDecrease")->userTap();
    EXPECT_EQ(s->m_cLedsCount->text(), "1");
    EXPECT_EQ(s->m_cResults->text(), "R = 500 Ohm, P = 0.20 W");

    s->m_cLedsCount->setText("0");
    s->buttonForAction("onLedsDecrease")->userTap();
    EXPECT_EQ(s->m_cLedsCount->text(), "0");
    EXPECT_EQ(s->m_cResults->text(), "R = 500 Ohm, P = 0.20 W");
}

TEST(LedCalc, ButtonsStartFromTheTypedCount)
{
    auto s = openLedScreen();
    s->m_cLedsCount->userEdit("7 leds");
    s->buttonForAction("onLedsIncrease")->userTap();
    EXPECT_EQ(s->m_cLedsCount->text(), "8");
    EXPECT_EQ(s->m_cSchematic->imageName(), "led_schM.png");
    EXPECT_EQ(s->m_cResults->text(), "Battery voltage is low");

    s->m_cLedsCount->setText("3");
    s->buttonForAction("onLedsDecrease")->userTap();
    EXPECT_EQ(s->m_cLedsCount->text(), "2");
    EXPECT_EQ(s->m_cSchematic->imageName(), "led_sch2.png");
    EXPECT_EQ(s->m_cResults->text(), "R = 400 Ohm, P = 0.16 W");
}

TEST(LedCalc, IncreaseSaturatesAtTheLargestCount)
{
    auto s = openLedScreen();
    s->m_cLedsCount->setText("99999999999");   // reads as the largest int
    s->buttonForAction("onLedsIncrease")->userTap();
    EXPECT_EQ(s->m_cLedsCount->text(), "2147483647");
    EXPECT_EQ(s->m_cResults->text(), "Battery voltage is low");
}

TEST(LedCalc, EditingAndReturnRecompute)
{
    auto s = openLedScreen();
    s->m_cLedsCount->userEdit("0");
    EXPECT_EQ(s->m_cResults->text(), "Incorrect number of LEDs");
    EXPECT_EQ(s->m_cResults2->text(), "");
    EXPECT_EQ(s->m_cSchematic->imageName(), "led_schM.png");

    s->m_cLedsCount->setText("3");
    s->m_cVoltageOnLED->setText("3.2");
    s->m_cLedsCount->userReturn();
    EXPECT_FALSE(s->m_cLedsCount->isFirstResponder());
    EXPECT_EQ(s->m_cResults->text(), "R = 119 Ohm, P = 0.05 W");
    EXPECT_EQ(s->m_cSchematic->imageName(), "led_sch3.png");
}

TEST(LedCalc, ScriptedFromTheMenu)
{
    std::ostringstream out, err;
    ASSERT_EQ(app::runScript({"ShowLedCalc", "m_cVoltage=5", "m_cLedsCount=1", "tap:onLedsIncrease"}, out, err), 0)
        << err.str();
    EXPECT_NE(out.str().find("m_cLedsCount: 2\n"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("m_cResults: R = 50 Ohm, P = 0.02 W\n"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("m_cResults2: Recommended: 51 Ohm, 0.125 W (2x margin)\n"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("m_cSchematic: led_sch2.png\n"), std::string::npos) << out.str();
}

}  // namespace
}  // namespace ohmkit::components
