#include "tools/eseries.h"

#include <array>
#include <cctype>
#include <cmath>
#include <limits>
#include <vector>

namespace ohmkit::tools {

namespace {

constexpr std::array kAllSeries = {ESeries::E6, ESeries::E12, ESeries::E24, ESeries::E48, ESeries::E96, ESeries::E192};

// The two-figure series are the standard's own table, not a formula. Rounding 10^(i/24) to
// two figures gives 2.6, 2.9, 3.2, 3.5, 3.8, 4.2, 4.6 and 8.3 where the table has 2.7, 3.0,
// 3.3, 3.6, 3.9, 4.3, 4.7 and 8.2: the series is older than the rule and kept its values.
// E12 is every second value of E24 and E6 every fourth, so only E24 is written down.
constexpr std::array<int, 24> kE24 = {10, 11, 12, 13, 15, 16, 18, 20, 22, 24, 27, 30,
                                      33, 36, 39, 43, 47, 51, 56, 62, 68, 75, 82, 91};

// Every step-th value of a series.
std::vector<int> everyNth(std::span<const int> values, std::size_t step)
{
    std::vector<int> out;
    for (std::size_t i = 0; i < values.size(); i += step) out.push_back(values[i]);
    return out;
}

// The three-figure series are 10^(i/N) rounded to three figures, with one exception that the
// standard fixes: the 186th value of E192 is 920, where the rule gives 919. E96 and E48 are
// every second and every fourth value of E192, so they share it without being touched by it.
std::vector<int> threeFigureSeries()
{
    std::vector<int> out;
    for (int i = 0; i < 192; ++i) out.push_back(static_cast<int>(std::lround(100.0 * std::pow(10.0, i / 192.0))));
    out[185] = 920;
    return out;
}

struct Tables {
    std::vector<int> e6 = everyNth(kE24, 4);
    std::vector<int> e12 = everyNth(kE24, 2);
    std::vector<int> e192 = threeFigureSeries();
    std::vector<int> e96 = everyNth(e192, 2);
    std::vector<int> e48 = everyNth(e192, 4);
};

const Tables& tables()
{
    static const Tables built;
    return built;
}

// 10^n, exact for |n| <= 22 and correctly rounded beyond by the library.
double powerOfTen(int n) { return std::pow(10.0, n); }

// significand x 10^exponent, as the nearest double: dividing by an exact power of ten rounds
// once, so 47 x 10^-1 is the double nearest 4.7, as a typed "4.7" reads.
double scaled(int significand, int exponent)
{
    if (exponent >= 0) return significand * powerOfTen(exponent);
    return significand / powerOfTen(-exponent);
}

bool isUsable(double value) { return std::isfinite(value) && value >= 1e-300 && value <= 1e300; }

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

}  // namespace

std::span<const ESeries> allSeries() { return kAllSeries; }

std::string_view seriesName(ESeries series)
{
    switch (series) {
    case ESeries::E6: return "E6";
    case ESeries::E12: return "E12";
    case ESeries::E24: return "E24";
    case ESeries::E48: return "E48";
    case ESeries::E96: return "E96";
    case ESeries::E192: return "E192";
    }
    return "E24";
}

std::optional<ESeries> parseSeries(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    if (text.size() < 2 || (text[0] != 'E' && text[0] != 'e')) return std::nullopt;
    text.remove_prefix(1);
    for (ESeries series : kAllSeries)
        if (seriesName(series).substr(1) == text) return series;
    return std::nullopt;
}

std::span<const int> significands(ESeries series)
{
    const Tables& t = tables();
    switch (series) {
    case ESeries::E6: return t.e6;
    case ESeries::E12: return t.e12;
    case ESeries::E24: return kE24;
    case ESeries::E48: return t.e48;
    case ESeries::E96: return t.e96;
    case ESeries::E192: return t.e192;
    }
    return kE24;
}

int valuesPerDecade(ESeries series) { return static_cast<int>(significands(series).size()); }

int significantFigures(ESeries series)
{
    switch (series) {
    case ESeries::E6:
    case ESeries::E12:
    case ESeries::E24: return 2;
    case ESeries::E48:
    case ESeries::E96:
    case ESeries::E192: return 3;
    }
    return 2;
}

StandardNeighbours standardNeighbours(double value, ESeries series)
{
    if (!isUsable(value)) return {kNaN, kNaN};
    const std::span<const int> values = significands(series);
    // The decade from the logarithm may be one off next to a power of ten; walking the decades
    // on both sides, then the first value two decades up, covers the value either way.
    const int decade = static_cast<int>(std::floor(std::log10(value)));
    const int shift = significantFigures(series) - 1;
    const double low = value * (1 - kStandardValueTolerance);
    const double high = value * (1 + kStandardValueTolerance);
    double previous = kNaN;
    for (int d = decade - 1; d <= decade + 2; ++d) {
        for (int significand : values) {
            const double candidate = scaled(significand, d - shift);
            if (candidate >= low) {
                if (candidate <= high) return {candidate, candidate};
                return {previous, candidate};
            }
            previous = candidate;
            if (d == decade + 2) break;
        }
    }
    return {kNaN, kNaN};  // not reached: the value is below the first value two decades up
}

bool isStandardValue(double value, ESeries series)
{
    const StandardNeighbours around = standardNeighbours(value, series);
    return std::isfinite(around.above) && around.below == around.above;
}

double standardValueAtOrAbove(double value, ESeries series) { return standardNeighbours(value, series).above; }

double standardValueAtOrBelow(double value, ESeries series) { return standardNeighbours(value, series).below; }

double nearestStandardValue(double value, ESeries series)
{
    const StandardNeighbours around = standardNeighbours(value, series);
    if (!(around.below < around.above)) return around.above;
    // Ratios rather than the product of the neighbours, which overflows near the top.
    return value / around.below < around.above / value ? around.below : around.above;
}

}  // namespace ohmkit::tools
