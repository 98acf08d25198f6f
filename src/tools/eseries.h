#pragma once
// The preferred-number series of resistors and capacitors (IEC 60063): E6, E12 and E24 with
// two significant figures, E48, E96 and E192 with three. Each series repeats in every decade,
// so a value is standard when it is one of the series' significands times a power of ten.
//
// Values are compared with a relative tolerance of 1e-9, so that a figure computed in floating
// point (2.7 / 0.015 is a hair above 180) still counts as the standard value it stands for.
// Every function that takes a value needs it positive and finite, from 1e-300 to 1e300;
// anything else gives NaN (and isStandardValue false).
#include <optional>
#include <span>
#include <string_view>

namespace ohmkit::tools {

enum class ESeries { E6, E12, E24, E48, E96, E192 };

// The relative tolerance of every comparison below.
inline constexpr double kStandardValueTolerance = 1e-9;

// Every series, fewest values first (for a series choice on a screen).
std::span<const ESeries> allSeries();
// "E24"; and the series a name gives: "E24", "e24", blanks around allowed.
std::string_view seriesName(ESeries series);
std::optional<ESeries> parseSeries(std::string_view text);

// The values per decade (24 for E24) and the significant figures of its values (2 or 3).
int valuesPerDecade(ESeries series);
int significantFigures(ESeries series);
// The significands of one decade, ascending: 10, 11, 12 ... 91 for E24, 100 ... 988 for E192.
std::span<const int> significands(ESeries series);

// The standard values around a value: equal when the value is itself standard.
struct StandardNeighbours {
    double below;  // the largest standard value at or below the value
    double above;  // the smallest standard value at or above it
};
StandardNeighbours standardNeighbours(double value, ESeries series);

bool isStandardValue(double value, ESeries series);
double standardValueAtOrAbove(double value, ESeries series);
double standardValueAtOrBelow(double value, ESeries series);
// The neighbour closer by ratio (the series are geometric, so 1.2 is as far from 1.0 as 12 from
// 10); when the value sits exactly between the two, the upper one.
double nearestStandardValue(double value, ESeries series);

}  // namespace ohmkit::tools
