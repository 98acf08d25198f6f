#include <gtest/gtest.h>

#include <sstream>

#include "app/command_line.h"
#include "tools/circuits/info_trace_width.h"

namespace ohmkit::circuits {
namespace {

std::shared_ptr<InfoTraceWidth> openTraceWidth()
{
    auto screen = std::make_shared<InfoTraceWidth>();
    screen->loadViewIfNeeded();
    return screen;
}

// Worked by hand: A = (I / (k dT^0.44))^(1/0.725); width = A / (1.378 mil x oz).
TEST(TraceWidth, OneAmpTenDegreesOneOunceOuterIsTwelveMil)
{
    const auto t = InfoTraceWidth::compute(1, 10, 1, false, 0);
    ASSERT_TRUE(t);
    EXPECT_NEAR(t->areaSquareMils, 16.30, 0.01);
    EXPECT_NEAR(t->widthMils, 11.83, 0.01);
    EXPECT_NEAR(t->widthMm, 0.3004, 0.0001);
}

TEST(TraceWidth, InnerLayersNeedAboutTwoAndAHalfTimesTheWidth)
{
    const auto t = InfoTraceWidth::compute(1, 10, 1, true, 0);
    ASSERT_TRUE(t);
    EXPECT_NEAR(t->areaSquareMils, 42.39, 0.01);
    EXPECT_NEAR(t->widthMils, 30.76, 0.01);
}

TEST(TraceWidth, TwoOunceCopperHalvesTheWidthOfFiveAmpsAtTwentyDegrees)
{
    // 5 A, 20 C outer: A = (5 / (0.048 x 20^0.44))^(1/0.725) = 98.5 mil2, 71.5 mil in 1 oz.
    const auto one = InfoTraceWidth::compute(5, 20, 1, false, 0);
    const auto two = InfoTraceWidth::compute(5, 20, 2, false, 0);
    ASSERT_TRUE(one && two);
    EXPECT_NEAR(one->areaSquareMils, 98.51, 0.01);
    EXPECT_NEAR(one->widthMils, 71.49, 0.01);
    EXPECT_NEAR(two->widthMils * 2, one->widthMils, 1e-9);
}

TEST(TraceWidth, ResistanceDropAndLossOverALength)
{
    // 0.3004 mm x 0.035 mm x 100 mm of copper at 30 C: 1.72e-8 x 1.0393 x 0.1 / 1.0515e-8 m2 = 0.170 Ohm.
    const auto t = InfoTraceWidth::compute(1, 10, 1, false, 100);
    ASSERT_TRUE(t);
    EXPECT_NEAR(t->ohms, 0.170, 0.001);
    EXPECT_DOUBLE_EQ(t->volts, t->ohms);
    EXPECT_DOUBLE_EQ(t->watts, t->ohms);
}

TEST(TraceWidth, ScreenShowsWidthLossAndTheLayerItUses)
{
    auto s = openTraceWidth();
    EXPECT_EQ(s->labelWidth->text(), "Width: 0.300 mm (11.8 mil)");
    EXPECT_EQ(s->labelLoss->text(), "R = 170 mOhm, drop 170 mV, loss 170 mW");
    EXPECT_EQ(s->labelNote->text(), "");
    EXPECT_EQ(s->buttonLayer->title(), "Outer layer, k = 0.048");
    s->buttonLayer->userTap();
    EXPECT_EQ(s->buttonLayer->title(), "Inner layer, k = 0.024");
    EXPECT_EQ(s->labelWidth->text(), "Width: 0.781 mm (30.8 mil)");
    s->textLength->userEdit("");
    EXPECT_EQ(s->labelLoss->text(), "");
    EXPECT_EQ(s->navigationItem().rightImageName, "trace_small.png");
}

TEST(TraceWidth, RefusesWhatNoTrackHasAndMarksWhatTheChartLacks)
{
    auto s = openTraceWidth();
    for (const char* bad : {"0", "-1", "x", ""}) {
        s->textCurrent->userEdit(bad);
        EXPECT_EQ(s->labelWidth->text(), "Incorrect input") << bad;
    }
    s->textCurrent->userEdit("1");
    s->textRise->userEdit("-10");
    EXPECT_EQ(s->labelWidth->text(), "Incorrect input");
    s->textRise->userEdit("10");
    s->textCopper->userEdit("0");
    EXPECT_EQ(s->labelWidth->text(), "Incorrect input");
    s->textCopper->userEdit("1");
    s->textLength->userEdit("-5");
    EXPECT_EQ(s->labelWidth->text(), "Incorrect input");
    s->textLength->userEdit("10");
    s->textCurrent->userEdit("50");
    EXPECT_NE(s->labelNote->text().find("Outside the chart"), std::string::npos);
    s->textCurrent->userEdit("1e200");
    EXPECT_EQ(s->labelWidth->text(), "Incorrect input");
}

TEST(TraceWidth, ScriptedFromItsRoute)
{
    std::ostringstream out, err;
    ASSERT_EQ(app::runScript({"ShowTraceWidth", "tap:onToggleLayer"}, out, err), 0) << err.str();
    EXPECT_NE(out.str().find("labelWidth: Width: 0.781 mm (30.8 mil)\n"), std::string::npos) << out.str();
}

}  // namespace
}  // namespace ohmkit::circuits
