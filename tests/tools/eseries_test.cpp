#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "tools/eseries.h"

namespace ohmkit::tools {
namespace {

std::vector<int> listOf(ESeries series)
{
    const auto values = significands(series);
    return {values.begin(), values.end()};
}

// The published lists of one decade.
TEST(ESeriesTables, MatchThePublishedLists)
{
    EXPECT_EQ(listOf(ESeries::E6), (std::vector<int>{10, 15, 22, 33, 47, 68}));
    EXPECT_EQ(listOf(ESeries::E12), (std::vector<int>{10, 12, 15, 18, 22, 27, 33, 39, 47, 56, 68, 82}));
    EXPECT_EQ(listOf(ESeries::E24), (std::vector<int>{10, 11, 12, 13, 15, 16, 18, 20, 22, 24, 27, 30,
                                                      33, 36, 39, 43, 47, 51, 56, 62, 68, 75, 82, 91}));
    EXPECT_EQ(listOf(ESeries::E48),
              (std::vector<int>{100, 105, 110, 115, 121, 127, 133, 140, 147, 154, 162, 169, 178, 187, 196, 205,
                                215, 226, 237, 249, 261, 274, 287, 301, 316, 332, 348, 365, 383, 402, 422, 442,
                                464, 487, 511, 536, 562, 590, 619, 649, 681, 715, 750, 787, 825, 866, 909, 953}));
    EXPECT_EQ(listOf(ESeries::E96),
              (std::vector<int>{100, 102, 105, 107, 110, 113, 115, 118, 121, 124, 127, 130, 133, 137, 140, 143,
                                147, 150, 154, 158, 162, 165, 169, 174, 178, 182, 187, 191, 196, 200, 205, 210,
                                215, 221, 226, 232, 237, 243, 249, 255, 261, 267, 274, 280, 287, 294, 301, 309,
                                316, 324, 332, 340, 348, 357, 365, 374, 383, 392, 402, 412, 422, 432, 442, 453,
                                464, 475, 487, 499, 511, 523, 536, 549, 562, 576, 590, 604, 619, 634, 649, 665,
                                681, 698, 715, 732, 750, 768, 787, 806, 825, 845, 866, 887, 909, 931, 953, 976}));
    EXPECT_EQ(listOf(ESeries::E192),
              (std::vector<int>{
                  100, 101, 102, 104, 105, 106, 107, 109, 110, 111, 113, 114, 115, 117, 118, 120, 121, 123, 124, 126,
                  127, 129, 130, 132, 133, 135, 137, 138, 140, 142, 143, 145, 147, 149, 150, 152, 154, 156, 158, 160,
                  162, 164, 165, 167, 169, 172, 174, 176, 178, 180, 182, 184, 187, 189, 191, 193, 196, 198, 200, 203,
                  205, 208, 210, 213, 215, 218, 221, 223, 226, 229, 232, 234, 237, 240, 243, 246, 249, 252, 255, 258,
                  261, 264, 267, 271, 274, 277, 280, 284, 287, 291, 294, 298, 301, 305, 309, 312, 316, 320, 324, 328,
                  332, 336, 340, 344, 348, 352, 357, 361, 365, 370, 374, 379, 383, 388, 392, 397, 402, 407, 412, 417,
                  422, 427, 432, 437, 442, 448, 453, 459, 464, 470, 475, 481, 487, 493, 499, 505, 511, 517, 523, 530,
                  536, 542, 549, 556, 562, 569, 576, 583, 590, 597, 604, 612, 619, 626, 634, 642, 649, 657, 665, 673,
                  681, 690, 698, 706, 715, 723, 732, 741, 750, 759, 768, 777, 787, 796, 806, 816, 825, 835, 845, 856,
                  866, 876, 887, 898, 909, 920, 931, 942, 953, 965, 976, 988}));
    for (ESeries series : allSeries()) {
        EXPECT_EQ(valuesPerDecade(series), static_cast<int>(significands(series).size()));
        EXPECT_EQ(parseSeries(seriesName(series)), series);
    }
}

TEST(ESeriesNames, ParseOnlyTheSixNames)
{
    EXPECT_EQ(parseSeries(" e96 "), ESeries::E96);
    EXPECT_EQ(parseSeries("E192"), ESeries::E192);
    for (const char* text : {"", "E", "E25", "24", "E24x", "EE24", "E 24"}) EXPECT_EQ(parseSeries(text), std::nullopt) << text;
}

struct AroundCase {
    double value;
    ESeries series;
    double below;
    double above;
    double nearest;
};

// Every decade and both sides of its ends, values of the series themselves, and figures a
// hair off a standard value as floating point computes them.
TEST(ESeriesNeighbours, AroundAValue)
{
    const AroundCase cases[] = {
        {17, ESeries::E24, 16, 18, 18},          {16, ESeries::E24, 16, 16, 16},
        {300, ESeries::E24, 300, 300, 300},       {4.7, ESeries::E24, 4.7, 4.7, 4.7},
        {2.7 / 0.015, ESeries::E24, 180, 180, 180}, {5.14, ESeries::E24, 5.1, 5.6, 5.1},
        {9500, ESeries::E24, 9100, 10000, 9100},  {9600, ESeries::E24, 9100, 10000, 10000},
        {1, ESeries::E6, 1, 1, 1},                {0.99, ESeries::E6, 0.68, 1, 1},
        {1000, ESeries::E12, 1000, 1000, 1000},   {1000.0000001, ESeries::E12, 1000, 1000, 1000},
        {1001, ESeries::E12, 1000, 1200, 1000},   {999, ESeries::E12, 820, 1000, 1000},
        {4.99e3, ESeries::E96, 4990, 4990, 4990}, {9.19, ESeries::E192, 9.09, 9.2, 9.2},
        {9.2, ESeries::E192, 9.2, 9.2, 9.2},      {9.9, ESeries::E192, 9.88, 10, 9.88},
        {1e-12, ESeries::E24, 1e-12, 1e-12, 1e-12}, {3.3e-12, ESeries::E6, 3.3e-12, 3.3e-12, 3.3e-12},
        {2.2e9, ESeries::E12, 2.2e9, 2.2e9, 2.2e9}, {0.0505, ESeries::E48, 0.0487, 0.0511, 0.0511},
    };
    for (const AroundCase& c : cases) {
        const StandardNeighbours around = standardNeighbours(c.value, c.series);
        SCOPED_TRACE(testing::Message() << c.value << " in " << seriesName(c.series));
        EXPECT_DOUBLE_EQ(around.below, c.below);
        EXPECT_DOUBLE_EQ(around.above, c.above);
        EXPECT_DOUBLE_EQ(standardValueAtOrBelow(c.value, c.series), c.below);
        EXPECT_DOUBLE_EQ(standardValueAtOrAbove(c.value, c.series), c.above);
        EXPECT_DOUBLE_EQ(nearestStandardValue(c.value, c.series), c.nearest);
        EXPECT_EQ(isStandardValue(c.value, c.series), c.below == c.above);
    }
}

// The tolerance is relative: a part in a billion is the same value, a part in ten million not.
TEST(ESeriesNeighbours, ToleranceIsRelative)
{
    EXPECT_TRUE(isStandardValue(4.7e6 * (1 + 5e-10), ESeries::E24));
    EXPECT_TRUE(isStandardValue(4.7e-9 * (1 - 5e-10), ESeries::E24));
    EXPECT_FALSE(isStandardValue(4.7e6 * (1 + 1e-7), ESeries::E24));
    EXPECT_DOUBLE_EQ(standardValueAtOrAbove(180 * (1 + 1e-7), ESeries::E24), 200);
}

// A value every series holds in every decade finds itself; one in between finds two values
// that bracket it and are next to each other in the series.
TEST(ESeriesNeighbours, EveryValueOfEveryDecade)
{
    for (ESeries series : allSeries()) {
        const auto values = significands(series);
        for (int decade = -12; decade <= 9; ++decade)
            for (std::size_t i = 0; i < values.size(); ++i) {
                const double value = values[i] * std::pow(10.0, decade);
                ASSERT_TRUE(isStandardValue(value, series)) << value << " " << seriesName(series);
                const double next = (i + 1 < values.size() ? values[i + 1] : values[0] * 10) * std::pow(10.0, decade);
                const double between = std::sqrt(value * next) * 0.999;
                const StandardNeighbours around = standardNeighbours(between, series);
                ASSERT_NEAR(around.below / value, 1, 1e-12) << between;
                ASSERT_NEAR(around.above / next, 1, 1e-12) << between;
                ASSERT_NEAR(nearestStandardValue(between, series) / value, 1, 1e-12) << between;
            }
    }
}

TEST(ESeriesNeighbours, UnusableValuesGiveNaN)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (double value : {0.0, -4.7, nan, inf, 1e-320, 1e305}) {
        EXPECT_TRUE(std::isnan(nearestStandardValue(value, ESeries::E24))) << value;
        EXPECT_TRUE(std::isnan(standardValueAtOrAbove(value, ESeries::E24))) << value;
        EXPECT_FALSE(isStandardValue(value, ESeries::E24)) << value;
    }
}

}  // namespace
}  // namespace ohmkit::tools
