#include "tools/quantity.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <system_error>

namespace ohmkit::tools {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isBlank(char c) { return c == ' ' || c == '\t'; }

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    return true;
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

struct Prefix {
    std::string_view letter;  // UTF-8
    int exponent;
};

// "R" is the ohm's decimal point without a multiplier; only the ohms reader takes it.
constexpr std::array kPrefixes = {
    Prefix{"p", -12}, Prefix{"n", -9}, Prefix{"u", -6}, Prefix{"\u00B5", -6}, Prefix{"\u03BC", -6},
    Prefix{"m", -3},  Prefix{"k", 3},  Prefix{"K", 3},  Prefix{"M", 6},       Prefix{"G", 9},
};
constexpr Prefix kOhmPoint{"R", 0};
constexpr Prefix kOhmPointLower{"r", 0};

constexpr std::array<std::string_view, 6> kOhmSpellings = {"ohm", "ohms", "\u03A9", "\u2126", "R", "r"};

// What a reader accepts as the unit, and whether R is a decimal point.
struct Grammar {
    std::string_view unit;  // empty for the ohms reader, which has its spellings
    bool ohms = false;
    bool prefixes = true;

    bool isUnit(std::string_view text) const
    {
        if (!ohms) return equalsIgnoringCase(text, unit);
        for (std::string_view spelling : kOhmSpellings)
            if (equalsIgnoringCase(text, spelling)) return true;
        return false;
    }

    // The prefix at the start of `text`, if any.
    const Prefix* prefixAt(std::string_view text) const
    {
        if (!prefixes) return nullptr;
        if (ohms && text.starts_with(kOhmPoint.letter)) return &kOhmPoint;
        if (ohms && text.starts_with(kOhmPointLower.letter)) return &kOhmPointLower;
        for (const Prefix& prefix : kPrefixes)
            if (text.starts_with(prefix.letter)) return &prefix;
        return nullptr;
    }
};

std::size_t digitsAt(std::string_view text, std::size_t pos)
{
    std::size_t end = pos;
    while (end < text.size() && isDigit(text[end])) ++end;
    return end - pos;
}

Reading refused(ReadProblem problem) { return Reading{0, problem}; }

// The pieces of a number, put together into one decimal text so that it is rounded once.
struct Number {
    bool negative = false;
    std::string_view whole;
    std::string_view fraction;
    long exponent = 0;
};

Reading toReading(const Number& n)
{
    std::string text;
    if (n.negative) text += '-';
    text += n.whole.empty() ? std::string_view("0") : n.whole;
    if (!n.fraction.empty()) {
        text += '.';
        text += n.fraction;
    }
    text += 'e';
    text += std::to_string(n.exponent);
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec == std::errc::result_out_of_range) {
        // Too small to hold is zero; too large is refused.
        if (n.exponent < 0) return Reading{0, ReadProblem::None};
        return refused(ReadProblem::OutOfRange);
    }
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return refused(ReadProblem::OutOfRange);
    return Reading{value == 0 ? 0.0 : value, ReadProblem::None};
}

// The exponent's digits, capped far beyond any double so that the sum cannot overflow.
long exponentValue(std::string_view digits)
{
    long value = 0;
    for (char c : digits) value = std::min(value * 10 + (c - '0'), 100000L);
    return value;
}

Reading read(std::string_view input, const Grammar& grammar)
{
    const std::string_view text = trimmed(input);
    if (text.empty()) return refused(ReadProblem::Empty);
    Number n;
    std::size_t i = 0;
    if (text[i] == '+' || text[i] == '-') n.negative = text[i++] == '-';

    const Prefix* pointPrefix = nullptr;  // a prefix that stands for the decimal point
    n.whole = text.substr(i, digitsAt(text, i));
    i += n.whole.size();
    const std::size_t afterWhole = i;
    if (n.whole.empty()) {
        // ".5", ",5", and for ohms "R47".
        if (i + 1 < text.size() && (text[i] == '.' || text[i] == ',') && isDigit(text[i + 1])) {
            // read below as a fraction
        } else if (const Prefix* p = grammar.prefixAt(text.substr(i));
                   grammar.ohms && p != nullptr && p->exponent == 0 && i + 1 < text.size() && isDigit(text[i + 1])) {
            pointPrefix = p;
            ++i;
            n.fraction = text.substr(i, digitsAt(text, i));
            i += n.fraction.size();
        } else {
            return refused(ReadProblem::NotANumber);
        }
    }

    if (pointPrefix == nullptr && i < text.size()) {
        // Digit groups: "1 000", "1'000", "1_000", and a comma before exactly three digits.
        std::size_t gap = i;
        while (gap < text.size() && isBlank(text[gap])) ++gap;
        if (gap > i && gap < text.size() && isDigit(text[gap])) return refused(ReadProblem::ThousandsSeparator);
        if ((text[i] == '\'' || text[i] == '_') && i + 1 < text.size() && isDigit(text[i + 1]))
            return refused(ReadProblem::ThousandsSeparator);
        // Only where a digit group can stand: after one to three digits that do not start with
        // a zero ("0,001" and "1234,567" are decimals).
        if (text[i] == ',' && !n.whole.empty() && n.whole.size() <= 3 && n.whole[0] != '0' &&
            digitsAt(text, i + 1) == 3)
            return refused(ReadProblem::ThousandsSeparator);
        // The decimal part; a second separator followed by digits is a digit group too.
        if ((text[i] == '.' || text[i] == ',') && i + 1 < text.size() && isDigit(text[i + 1])) {
            n.fraction = text.substr(i + 1, digitsAt(text, i + 1));
            i += 1 + n.fraction.size();
            if (i + 1 < text.size() && (text[i] == '.' || text[i] == ',') && isDigit(text[i + 1]))
                return refused(ReadProblem::ThousandsSeparator);
        } else if (text[i] == '.') {
            ++i;  // "4." is 4
        }
        // The exponent.
        if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
            std::size_t j = i + 1;
            bool negativeExponent = false;
            if (j < text.size() && (text[j] == '+' || text[j] == '-')) negativeExponent = text[j++] == '-';
            const std::size_t count = digitsAt(text, j);
            if (count > 0) {
                const long e = exponentValue(text.substr(j, count));
                n.exponent = negativeExponent ? -e : e;
                i = j + count;
            }
        }
        // "4k7": a prefix between digits, right after whole digits, is the decimal point.
        if (!n.whole.empty() && i == afterWhole) {
            if (const Prefix* p = grammar.prefixAt(text.substr(i));
                p != nullptr && digitsAt(text, i + p->letter.size()) > 0) {
                pointPrefix = p;
                i += p->letter.size();
                n.fraction = text.substr(i, digitsAt(text, i));
                i += n.fraction.size();
            }
        }
    }

    // What follows: nothing, the unit, a prefix, or a prefix and the unit, blanks between.
    std::string_view rest = trimmed(text.substr(i));
    if (pointPrefix != nullptr) {
        n.exponent += pointPrefix->exponent;
    } else if (!rest.empty() && !grammar.isUnit(rest)) {
        const Prefix* p = grammar.prefixAt(rest);
        if (p == nullptr) return refused(ReadProblem::TextAfterNumber);
        n.exponent += p->exponent;
        rest = trimmed(rest.substr(p->letter.size()));
    } else {
        rest = {};
    }
    if (!rest.empty() && !grammar.isUnit(rest)) return refused(ReadProblem::TextAfterNumber);
    // R is a unit or a point, never both: "47RR" and "4R7R" are not resistances.
    if (grammar.ohms && (pointPrefix == &kOhmPoint || pointPrefix == &kOhmPointLower) && !rest.empty() &&
        (rest == "R" || rest == "r"))
        return refused(ReadProblem::TextAfterNumber);
    return toReading(n);
}

}  // namespace

Reading readOhms(std::string_view text) { return read(text, Grammar{{}, true}); }

Reading readQuantity(std::string_view text, std::string_view unit) { return read(text, Grammar{unit, false}); }

Reading readNumber(std::string_view text, std::string_view unit) { return read(text, Grammar{unit, false, false}); }

std::string formatQuantity(double value, std::string_view unit)
{
    if (!std::isfinite(value)) return "--";
    const std::string suffix = " " + std::string(unit);
    if (value == 0) return "0" + suffix;
    static constexpr std::array<std::string_view, 8> kNames = {"p", "n", "u", "m", "", "k", "M", "G"};
    constexpr int kFirst = -4;  // p is 10^(3 x -4)
    const double magnitude = std::fabs(value);
    int group = static_cast<int>(std::floor(std::log10(magnitude) / 3));
    char figure[64];
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (group < kFirst || group >= kFirst + static_cast<int>(kNames.size())) break;
        const double scaledValue = magnitude / std::pow(10.0, 3 * group);
        const int before = scaledValue < 10 ? 1 : scaledValue < 100 ? 2 : 3;
        std::snprintf(figure, sizeof figure, "%.*f", 3 - before, scaledValue);
        // Rounding up to 1000 (999.7) moves to the next prefix; a logarithm a hair short of
        // a power of ten (1e-6 read as 999.99e-9) lands here too.
        if (std::strtod(figure, nullptr) >= 1000) {
            ++group;
            continue;
        }
        std::string text = figure;
        if (text.find('.') != std::string::npos) {
            while (text.back() == '0') text.pop_back();
            if (text.back() == '.') text.pop_back();
        }
        return (value < 0 ? "-" : "") + text + " " + std::string(kNames[group - kFirst]) + std::string(unit);
    }
    std::snprintf(figure, sizeof figure, "%.3g", value);
    return figure + suffix;
}

}  // namespace ohmkit::tools
