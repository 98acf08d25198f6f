#include <gtest/gtest.h>

#include <sstream>

#include "app/command_line.h"
#include "tools/components/info_induction_view.h"

namespace ohmkit::components {
namespace {

// Wheel rows: first digit Brown..White, second Black..White,
// multiplier Black Brown Red Orange Yellow Gold Silver, tolerance none Black Gold Silver.
enum Digit1 { Brown1, Red1, Orange1, Yellow1, Green1, Blue1, Violet1, Gray1, White1 };
enum Digit2 { Black2, Brown2, Red2, Orange2, Yellow2, Green2, Blue2, Violet2, Gray2, White2 };
enum Mult { BlackM, BrownM, RedM, OrangeM, YellowM, GoldM, SilverM };
enum Tol { NoneT, BlackT, GoldT, SilverT };

struct BandCase {
    int r0, r1, r2, r3;
    const char* shown;
};
void PrintTo(const BandCase& c, std::ostream* os) { *os << c.r0 << c.r1 << c.r2 << c.r3; }

class InductorLine : public testing::TestWithParam<BandCase> {};

TEST_P(InductorLine, ShowsValueAndTolerance)
{
    const auto& c = GetParam();
    EXPECT_EQ(InfoInductionView::resultLine(c.r0, c.r1, c.r2, c.r3), c.shown);
}

INSTANTIATE_TEST_SUITE_P(
    WorkedCases, InductorLine,
    testing::Values(BandCase{Brown1, Black2, BlackM, NoneT, "Inductance: 10 uH +-20%"},
                    BandCase{Yellow1, Violet2, RedM, SilverT, "Inductance: 4.7 mH +-10%"},
                    BandCase{Yellow1, Violet2, YellowM, GoldT, "Inductance: 470 mH +-5%"},
                    BandCase{Brown1, Black2, SilverM, NoneT, "Inductance: 0.100 uH +-20%"},
                    BandCase{Red1, Red2, GoldM, NoneT, "Inductance: 2.2 uH +-20%"},
                    BandCase{Red1, Red2, BrownM, NoneT, "Inductance: 220 uH +-20%"},
                    BandCase{Red1, Red2, OrangeM, NoneT, "Inductance: 22 mH +-20%"},
                    BandCase{Red1, Red2, OrangeM, BlackT, "Inductance: 22 mH +-20%"}));

// Every multiplier row once, with the highest digits.
INSTANTIATE_TEST_SUITE_P(
    EveryMultiplier, InductorLine,
    testing::Values(BandCase{White1, White2, BlackM, GoldT, "Inductance: 99 uH +-5%"},
                    BandCase{White1, White2, BrownM, GoldT, "Inductance: 990 uH +-5%"},
                    BandCase{White1, White2, RedM, GoldT, "Inductance: 9.9 mH +-5%"},
                    BandCase{White1, White2, OrangeM, GoldT, "Inductance: 99 mH +-5%"},
                    BandCase{White1, White2, YellowM, GoldT, "Inductance: 990 mH +-5%"},
                    BandCase{White1, White2, GoldM, GoldT, "Inductance: 9.9 uH +-5%"},
                    BandCase{White1, White2, SilverM, SilverT, "Inductance: 0.990 uH +-10%"},
                    BandCase{Blue1, Gray2, SilverM, SilverT, "Inductance: 0.680 uH +-10%"},
                    BandCase{Gray1, Brown2, RedM, SilverT, "Inductance: 8.1 mH +-10%"}));

class InductorScreen : public testing::Test {
protected:
    void SetUp() override { screen.loadViewIfNeeded(); }
    InfoInductionView screen;
};

TEST_F(InductorScreen, OpensOnBrownBlackBlackNone)
{
    ASSERT_EQ(screen.outlets().size(), 2u);
    EXPECT_EQ(screen.outlets()[0].name, "pickerView");
    EXPECT_EQ(screen.outlets()[1].name, "labelResults");
    EXPECT_EQ(screen.labelResults->text(), "Inductance: 10 uH +-20%");
    EXPECT_EQ(screen.navigationItem().rightImageName, "ind_small.png");
    const int counts[] = {9, 10, 7, 4};
    for (int wheel = 0; wheel < 4; ++wheel) {
        EXPECT_EQ(screen.pickerView->numberOfRowsInComponent(wheel), counts[wheel]);
        EXPECT_EQ(screen.pickerView->selectedRowInComponent(wheel), 0);
        EXPECT_EQ(screen.pickerView->rowHeightForComponent(wheel), 32.0f);
    }
}

TEST_F(InductorScreen, SwatchesShowTheBandColours)
{
    auto& picker = *screen.pickerView;
    auto look = picker.rowLook(5, 2);   // Gold
    EXPECT_EQ(look.swatch, ui::Color::rgb(1.0f, 215.0f / 255, 0));
    EXPECT_EQ(look.text, "");
    look = picker.rowLook(6, 2);        // Silver
    EXPECT_EQ(look.swatch, ui::Color::rgb(192.0f / 255, 192.0f / 255, 192.0f / 255));
    look = picker.rowLook(0, 3);        // none
    EXPECT_EQ(look.swatch, ui::Color::lightGray());
    EXPECT_EQ(look.text, "-");
    look = picker.rowLook(6, 0);        // Violet
    EXPECT_EQ(look.swatch, ui::Color::rgb(238.0f / 255, 130.0f / 255, 238.0f / 255));

    auto swatch = screen.pickerViewViewForRow(picker, 1, 1, nullptr);   // Brown
    ASSERT_TRUE(swatch);
    EXPECT_EQ(swatch->bounds().size(), (ui::Size{32, 32}));
    auto outside = screen.pickerViewViewForRow(picker, 0, 4, nullptr);
    ASSERT_TRUE(outside);
    EXPECT_EQ(outside->backgroundColor(), ui::Color::clear());
    EXPECT_EQ(screen.pickerViewNumberOfRowsInComponent(picker, 4), 0);
}

TEST_F(InductorScreen, WheelTurnsRecompute)
{
    screen.pickerView->userSelect(0, Yellow1);
    screen.pickerView->userSelect(1, Violet2);
    screen.pickerView->userSelect(2, RedM);
    EXPECT_EQ(screen.labelResults->text(), "Inductance: 4.7 mH +-20%");
    screen.pickerView->userSelect(3, SilverT);
    EXPECT_EQ(screen.labelResults->text(), "Inductance: 4.7 mH +-10%");
}

TEST(InductorScript, ScriptedModeTurnsTheWheels)
{
    std::ostringstream out, err;
    ASSERT_EQ(app::runScript({"ShowInductorView", "pick:pickerView:2:6", "pick:pickerView:3:2"}, out, err), 0)
        << err.str();
    EXPECT_EQ(out.str(), "pickerView: 0 0 6 2\nlabelResults: Inductance: 0.100 uH +-5%\n");
}

}  // namespace
}  // namespace ohmkit::components
