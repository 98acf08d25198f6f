#include <gtest/gtest.h>

#include <sstream>

#include "app/command_line.h"
#include "tools/circuits/info_decibels.h"

namespace ohmkit::circuits {
namespace {

std::shared_ptr<InfoDecibels> openDecibels()
{
    auto screen = std::make_shared<InfoDecibels>();
    screen->loadViewIfNeeded();
    return screen;
}

TEST(Decibels, OpensWithTheClassicFigures)
{
    auto s = openDecibels();
    EXPECT_EQ(s->labelVoltageRatio->text(), "6.02 dB");    // twice the voltage
    EXPECT_EQ(s->labelPowerRatio->text(), "3.01 dB");      // twice the power
    EXPECT_EQ(s->labelDecibels->text(), "Voltage ratio 1.413, power ratio 1.995");
    EXPECT_EQ(s->labelDBm->text(), "P = 1 mW");
    EXPECT_EQ(s->labelWatts->text(), "30.00 dBm");
    EXPECT_EQ(s->labelVolts->text(), "0.00 dBV, 2.22 dBu");
    EXPECT_EQ(s->labelLevel->text(), "0.00 dBV = 1 V, 0.00 dBu = 774.6 mV");
    EXPECT_EQ(s->navigationItem().rightImageName, "db_small.png");
}

struct DbCase {
    const char* name;
    const char* field;
    const char* text;
    const char* label;
    const char* result;
};

class DecibelCases : public testing::TestWithParam<DbCase> {};

TEST_P(DecibelCases, ConvertsOnItsOwnLine)
{
    auto s = openDecibels();
    static_cast<ui::TextField*>(s->outlet(GetParam().field))->userEdit(GetParam().text);
    EXPECT_EQ(static_cast<ui::Label*>(s->outlet(GetParam().label))->text(), GetParam().result);
}

INSTANTIATE_TEST_SUITE_P(
    HandWorked, DecibelCases,
    testing::Values(DbCase{"TenfoldVoltageIsTwentyDB", "textVoltageRatio", "10", "labelVoltageRatio", "20.00 dB"},
                    DbCase{"HalfTheVoltageIsMinusSixDB", "textVoltageRatio", "0.5", "labelVoltageRatio", "-6.02 dB"},
                    DbCase{"UnityIsZeroNotMinusZero", "textPowerRatio", "1", "labelPowerRatio", "0.00 dB"},
                    DbCase{"ThousandfoldPowerIsThirtyDB", "textPowerRatio", "1000", "labelPowerRatio", "30.00 dB"},
                    DbCase{"MinusTwentyDBIsATenth", "textDecibels", "-20", "labelDecibels",
                           "Voltage ratio 0.1, power ratio 0.01"},
                    DbCase{"TwentyDBmIsHundredMilliwatts", "textDBm", "20", "labelDBm", "P = 100 mW"},
                    DbCase{"MinusThirtyDBmIsOneMicrowatt", "textDBm", "-30", "labelDBm", "P = 1 uW"},
                    DbCase{"OneMilliwattIsZeroDBm", "textWatts", "0.001", "labelWatts", "0.00 dBm"},
                    DbCase{"ProLineLevelIsPlusFourDBu", "textVolts", "1.228", "labelVolts", "1.78 dBV, 4.00 dBu"},
                    DbCase{"ConsumerLineLevelIsMinusTenDBV", "textLevel", "-10", "labelLevel",
                           "-10.00 dBV = 316.2 mV, -10.00 dBu = 244.9 mV"},
                    // Refusals: the logarithm of nothing or of a negative, and levels too large.
                    DbCase{"ZeroRatioIsRefused", "textVoltageRatio", "0", "labelVoltageRatio", "Incorrect input"},
                    DbCase{"NegativePowerIsRefused", "textWatts", "-1", "labelWatts", "Incorrect input"},
                    DbCase{"TextIsRefused", "textVolts", "loud", "labelVolts", "Incorrect input"},
                    DbCase{"HugeGainIsRefused", "textDecibels", "4000", "labelDecibels", "Incorrect input"},
                    DbCase{"VanishingLevelIsRefused", "textDBm", "-4000", "labelDBm", "Incorrect input"},
                    DbCase{"AnEmptyFieldLeavesItsLineEmpty", "textLevel", "", "labelLevel", ""}),
    [](const testing::TestParamInfo<DbCase>& info) { return std::string(info.param.name); });

TEST(Decibels, ScriptedFromItsRoute)
{
    std::ostringstream out, err;
    ASSERT_EQ(app::runScript({"ShowDecibels", "textDBm=30"}, out, err), 0) << err.str();
    EXPECT_NE(out.str().find("labelDBm: P = 1 W\n"), std::string::npos) << out.str();
}

}  // namespace
}  // namespace ohmkit::circuits
