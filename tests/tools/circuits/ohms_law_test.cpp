#include <gtest/gtest.h>

#include <sstream>

#include "app/command_line.h"
#include "tools/circuits/info_ohms_law.h"

namespace ohmkit::circuits {
namespace {

std::shared_ptr<InfoOhmsLaw> openOhmsLaw()
{
    auto screen = std::make_shared<InfoOhmsLaw>();
    screen->loadViewIfNeeded();
    return screen;
}

struct OhmsCase {
    const char* name;
    const char *v, *i, *r, *p;
    const char* result1;
    const char* result2;
};

class OhmsLawCases : public testing::TestWithParam<OhmsCase> {};

TEST_P(OhmsLawCases, TwoValuesGiveTheOtherTwo)
{
    const auto& c = GetParam();
    auto s = openOhmsLaw();
    s->textVoltage->userEdit(c.v);
    s->textCurrent->userEdit(c.i);
    s->textResistance->userEdit(c.r);
    s->textPower->userEdit(c.p);
    EXPECT_EQ(s->labelResult1->text(), c.result1);
    EXPECT_EQ(s->labelResult2->text(), c.result2);
}

INSTANTIATE_TEST_SUITE_P(
    HandWorked, OhmsLawCases,
    testing::Values(
        OhmsCase{"TwelveVoltsAcrossFourPointSevenKilohms", "12", "", "4700", "", "I = 2.553 mA", "P = 30.64 mW"},
        OhmsCase{"NineVoltsAtTwentyMilliamps", "9", "0.02", "", "", "R = 450 Ohm", "P = 180 mW"},
        OhmsCase{"HundredWattLampOn230Volts", "230", "", "", "100", "I = 434.8 mA", "R = 529 Ohm"},
        OhmsCase{"FiftyWattsIntoAnEightOhmSpeaker", "", "", "8", "50", "V = 20 V", "I = 2.5 A"},
        OhmsCase{"TwoAmpsThroughSixOhms", "", "2", "6", "", "V = 12 V", "P = 24 W"},
        OhmsCase{"SixtyWattsAtHalfAnAmp", "", "0,5", "", "60", "V = 120 V", "R = 240 Ohm"},
        OhmsCase{"ZeroVoltsAcrossAResistor", "0", "", "100", "", "I = 0 A", "P = 0 W"},
        // Refusals: never a division by zero, a negative quantity or a third value.
        OhmsCase{"NoCurrentLeavesResistanceUndefined", "5", "0", "", "",
                 "No result for these two values (a zero divides, or too large)", ""},
        OhmsCase{"NegativeResistanceIsRefused", "5", "", "-10", "", "Incorrect input", ""},
        OhmsCase{"TextIsRefused", "5", "", "ten", "", "Incorrect input", ""},
        OhmsCase{"ThreeValuesAreTooMany", "5", "1", "5", "", "Enter exactly two of V, I, R and P", ""},
        OhmsCase{"OneValueIsTooFew", "5", "", "", "", "Enter exactly two of V, I, R and P", ""},
        OhmsCase{"AbsurdlyLargeValuesAreRefused", "1e300", "1e300", "", "",
                 "No result for these two values (a zero divides, or too large)", ""}),
    [](const testing::TestParamInfo<OhmsCase>& info) { return std::string(info.param.name); });

TEST(OhmsLaw, OpensWithTwelveVoltsAtTenMilliamps)
{
    auto s = openOhmsLaw();
    EXPECT_EQ(s->labelResult1->text(), "R = 1.2 kOhm");
    EXPECT_EQ(s->labelResult2->text(), "P = 120 mW");
    EXPECT_EQ(s->navigationItem().rightImageName, "ohm_small.png");
    EXPECT_NE(s->labelHelp->text().find("V = I x R"), std::string::npos);
}

TEST(OhmsLaw, ScriptedFromItsRoute)
{
    std::ostringstream out, err;
    ASSERT_EQ(app::runScript({"ShowOhmsLaw", "textVoltage=", "textCurrent=", "textResistance=8", "textPower=50"}, out, err),
              0)
        << err.str();
    EXPECT_NE(out.str().find("labelResult1: V = 20 V\nlabelResult2: I = 2.5 A\n"), std::string::npos) << out.str();
}

}  // namespace
}  // namespace ohmkit::circuits
