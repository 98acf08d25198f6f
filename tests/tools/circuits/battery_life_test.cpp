#include <gtest/gtest.h>

#include <sstream>

#include "app/command_line.h"
#include "tools/circuits/info_battery_life.h"

namespace ohmkit::circuits {
namespace {

std::shared_ptr<InfoBatteryLife> openBatteryLife()
{
    auto screen = std::make_shared<InfoBatteryLife>();
    screen->loadViewIfNeeded();
    return screen;
}

TEST(BatteryLife, TwoThousandMilliampHoursAtTenMilliampsLastSevenDays)
{
    // 2000 mAh x 0.85 / 10 mA = 170 h = 7.08 days.
    auto s = openBatteryLife();
    EXPECT_EQ(s->textDerating->text(), "0.85");
    EXPECT_EQ(s->labelResult->text(), "Battery life: 170.0 h (7.1 days)");
    EXPECT_EQ(s->labelAverage->text(), "");
    EXPECT_EQ(s->navigationItem().rightImageName, "battery_small.png");
}

TEST(BatteryLife, SensorOnAnAACellWakingOnePercentOfTheTime)
{
    // 20 mA for 1 % and 50 uA otherwise: 0.2 + 0.0495 = 0.2495 mA; 2400 x 0.85 / 0.2495 = 8176 h.
    EXPECT_DOUBLE_EQ(InfoBatteryLife::averageCurrent(20, 1, 0.05), 0.2495);
    auto s = openBatteryLife();
    s->textCapacity->userEdit("2400");
    s->textCurrent->userEdit("");
    EXPECT_EQ(s->labelAverage->text(), "Average current: 249.5 uA");
    EXPECT_EQ(s->labelResult->text(), "Battery life: 8176.4 h (340.7 days)");
}

TEST(BatteryLife, AnEmptyDeratingIsTheDefault)
{
    auto s = openBatteryLife();
    s->textDerating->userEdit("");
    EXPECT_EQ(s->labelResult->text(), "Battery life: 170.0 h (7.1 days)");
    s->textDerating->userEdit("1");
    EXPECT_EQ(s->labelResult->text(), "Battery life: 200.0 h (8.3 days)");
}

TEST(BatteryLife, RefusesWhatNoBatteryHas)
{
    const struct {
        const char* field;
        const char* text;
        const char* result;
    } cases[] = {
        {"textCapacity", "-1", "Incorrect input"},
        {"textCapacity", "lots", "Incorrect input"},
        {"textCurrent", "0", "Incorrect input"},
        {"textCurrent", "-3", "Incorrect input"},
        {"textDerating", "0", "Incorrect input"},
        {"textDerating", "1.5", "Incorrect input"},
        {"textCapacity", "1e300", "Incorrect input"},
    };
    for (const auto& c : cases) {
        auto s = openBatteryLife();
        static_cast<ui::TextField*>(s->outlet(c.field))->userEdit(c.text);
        EXPECT_EQ(s->labelResult->text(), c.result) << c.field << "=" << c.text;
    }
    auto s = openBatteryLife();
    s->textCurrent->userEdit("");
    s->textActiveTime->userEdit("120");
    EXPECT_EQ(s->labelResult->text(), "Incorrect input");
    s->textActiveTime->userEdit("0");
    s->textSleepCurrent->userEdit("0");
    EXPECT_EQ(s->labelResult->text(), "No current: the battery lasts for ever");
}

TEST(BatteryLife, ScriptedFromItsRoute)
{
    std::ostringstream out, err;
    ASSERT_EQ(app::runScript({"ShowBatteryLife", "textCapacity=1000", "textCurrent=50"}, out, err), 0) << err.str();
    EXPECT_NE(out.str().find("labelResult: Battery life: 17.0 h (0.7 days)\n"), std::string::npos) << out.str();
}

}  // namespace
}  // namespace ohmkit::circuits
