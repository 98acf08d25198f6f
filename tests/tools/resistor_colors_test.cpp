#include "tools/resistors/info_resistors_view.h"

#include <gtest/gtest.h>

#include "tools/band_colors.h"

using ohmkit::resistors::InfoResistorsView;

TEST(ResistorColors, WorkedResults)
{
    struct Case {
        int rows[6];
        const char* line;
    } cases[] = {
        {{0, 0, 0, 0, 0, 0}, "Resistance: 10 Ohm +-20%"},
        {{3, 7, 0, 2, 2, 0}, "Resistance: 4.7 KOhm +-5%"},
        {{3, 7, 6, 1, 3, 1}, "Resistance: 4.75 KOhm +-1%, 100ppm"},
        {{0, 0, 0, 1, 0, 0}, "Resistance: 100 Ohm +-20%"},
        {{1, 2, 0, 1, 0, 0}, "Resistance: 220 Ohm +-20%"},
        {{0, 0, 1, 0, 0, 0}, "Resistance: 100 Ohm +-20%"},
        {{0, 0, 1, 1, 0, 0}, "Resistance: 1.00 KOhm +-20%"},
        {{8, 9, 10, 7, 4, 4}, "Resistance: 9990 MOhm +-2%, 25ppm"},
        // One row of each multiplier not covered above, two and three bands.
        {{0, 0, 0, 2, 0, 0}, "Resistance: 1.0 KOhm +-20%"},
        {{3, 7, 0, 3, 1, 0}, "Resistance: 47 KOhm +-10%"},
        {{3, 7, 0, 4, 0, 2}, "Resistance: 470 KOhm +-20%, 50ppm"},
        {{3, 7, 6, 4, 0, 3}, "Resistance: 4.75 MOhm +-20%, 15ppm"},
        {{3, 7, 0, 5, 0, 0}, "Resistance: 4.7 MOhm +-20%"},
        {{3, 7, 6, 5, 0, 0}, "Resistance: 47.5 MOhm +-20%"},
        {{3, 7, 0, 6, 0, 0}, "Resistance: 47 MOhm +-20%"},
        {{3, 7, 6, 6, 0, 0}, "Resistance: 475 MOhm +-20%"},
        {{3, 7, 0, 7, 0, 0}, "Resistance: 470 MOhm +-20%"},
        {{3, 7, 6, 2, 0, 0}, "Resistance: 47.5 KOhm +-20%"},
        {{3, 7, 6, 3, 0, 0}, "Resistance: 475 KOhm +-20%"},
        {{3, 7, 6, 0, 0, 0}, "Resistance: 475 Ohm +-20%"},
        {{-1, 0, 0, 0, 0, 0}, "Resistance: colors are not correct"},
    };
    for (const auto& c : cases) {
        const int* r = c.rows;
        EXPECT_EQ(InfoResistorsView::resultLine(r[0], r[1], r[2], r[3], r[4], r[5]), c.line);
    }
}

// Gold (x0.1) and silver (x0.01) multipliers, appended after violet, and the fine tolerances,
// appended after red; the value text is built from the band digits like the others.
TEST(ResistorColors, LowValuesAndFineTolerances)
{
    enum { Gold = 8, Silver = 9 };
    enum { None, SilverT, GoldT, BrownT, RedT, GreenT, BlueT, VioletT, GrayT };
    struct Case {
        int rows[6];
        const char* line;
    } cases[] = {
        {{3, 7, 0, Gold, GoldT, 0}, "Resistance: 4.7 Ohm +-5%"},
        {{1, 2, 0, Silver, GoldT, 0}, "Resistance: 0.22 Ohm +-5%"},
        {{0, 0, 0, Gold, None, 0}, "Resistance: 1.0 Ohm +-20%"},
        {{0, 0, 0, Silver, None, 0}, "Resistance: 0.10 Ohm +-20%"},
        {{8, 9, 0, Silver, None, 0}, "Resistance: 0.99 Ohm +-20%"},
        {{3, 7, 6, Gold, BrownT, 1}, "Resistance: 47.5 Ohm +-1%, 100ppm"},
        {{3, 7, 6, Silver, BrownT, 0}, "Resistance: 4.75 Ohm +-1%"},
        {{0, 0, 1, Gold, None, 0}, "Resistance: 10.0 Ohm +-20%"},
        {{0, 0, 1, Silver, None, 0}, "Resistance: 1.00 Ohm +-20%"},
        {{3, 7, 0, 2, GreenT, 0}, "Resistance: 4.7 KOhm +-0.5%"},
        {{3, 7, 6, 1, BlueT, 2}, "Resistance: 4.75 KOhm +-0.25%, 50ppm"},
        {{3, 7, 6, 1, VioletT, 0}, "Resistance: 4.75 KOhm +-0.1%"},
        {{3, 7, 6, 1, GrayT, 3}, "Resistance: 4.75 KOhm +-0.05%, 15ppm"},
        // Rows past the wheels cannot be chosen; they keep the plain value and 20 %.
        {{3, 7, 0, 10, 9, 5}, "Resistance: 47 Ohm +-20%"},
    };
    for (const auto& c : cases) {
        const int* r = c.rows;
        EXPECT_EQ(InfoResistorsView::resultLine(r[0], r[1], r[2], r[3], r[4], r[5]), c.line);
    }
}

TEST(ResistorColors, OpensAtRowZeroAndRecomputesFromAllWheels)
{
    InfoResistorsView screen;
    screen.loadViewIfNeeded();
    EXPECT_EQ(screen.labelResults->text(), "Resistance: 10 Ohm +-20%");
    EXPECT_EQ(screen.navigationItem().rightImageName, "res_small.png");
    auto& picker = *screen.pickerView;
    const int rows[] = {9, 10, 11, 10, 9, 5};
    ASSERT_EQ(picker.numberOfComponents(), 6);
    for (int c = 0; c < 6; ++c) EXPECT_EQ(picker.numberOfRowsInComponent(c), rows[c]);
    picker.userSelect(5, 4);
    EXPECT_EQ(screen.labelResults->text(), "Resistance: 10 Ohm +-20%, 25ppm");
    picker.userSelect(0, 1);
    EXPECT_EQ(screen.labelResults->text(), "Resistance: 20 Ohm +-20%, 25ppm");
    picker.userSelect(5, 0);
    EXPECT_EQ(screen.labelResults->text(), "Resistance: 20 Ohm +-20%");
}

TEST(ResistorColors, SwatchesAreBandColoursAndNoneShowsADash)
{
    InfoResistorsView screen;
    screen.loadViewIfNeeded();
    auto& picker = *screen.pickerView;
    auto none = picker.rowLook(0, 2);
    EXPECT_EQ(none.text, "-");
    EXPECT_EQ(none.swatch, ohmkit::ui::Color::lightGray());
    auto violet = picker.rowLook(6, 0);
    EXPECT_EQ(violet.text, "");
    EXPECT_EQ(violet.swatch, ohmkit::ui::Color::rgb(238.0f / 255, 130.0f / 255, 238.0f / 255));
    EXPECT_EQ(picker.rowLook(2, 4).swatch, ohmkit::resistors::bandColor("Gold"));
    EXPECT_EQ(ohmkit::resistors::bandColor("Brown"), ohmkit::ui::Color::rgb(0.6f, 0.4f, 0.2f));
    // The appended rows show their own colours.
    EXPECT_EQ(picker.rowLook(8, 3).swatch, ohmkit::resistors::bandColor("Gold"));
    EXPECT_EQ(picker.rowLook(9, 3).swatch, ohmkit::resistors::bandColor("Silver"));
    EXPECT_EQ(picker.rowLook(5, 4).swatch, ohmkit::resistors::bandColor("Green"));
    EXPECT_EQ(picker.rowLook(8, 4).swatch, ohmkit::resistors::bandColor("Gray"));
}

TEST(ResistorColors, GoldMultiplierFromTheWheels)
{
    InfoResistorsView screen;
    screen.loadViewIfNeeded();
    auto& picker = *screen.pickerView;
    picker.userSelect(0, 3);
    picker.userSelect(1, 7);
    picker.userSelect(3, 8);
    picker.userSelect(4, 2);
    EXPECT_EQ(screen.labelResults->text(), "Resistance: 4.7 Ohm +-5%");
    picker.userSelect(4, 6);
    EXPECT_EQ(screen.labelResults->text(), "Resistance: 4.7 Ohm +-0.25%");
}
