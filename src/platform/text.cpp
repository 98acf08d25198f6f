#include "platform/text.h"

#include <cctype>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <limits>

namespace ohmkit::platform {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The longest "[sign]digits" prefix after white space; returns the sign and the digits.
struct IntegerPrefix {
    bool negative = false;
    std::string_view digits;
};

IntegerPrefix integerPrefix(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && isWhiteSpace(text[i])) ++i;
    IntegerPrefix p;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) p.negative = text[i++] == '-';
    std::size_t start = i;
    while (i < text.size() && isDigit(text[i])) ++i;
    p.digits = text.substr(start, i - start);
    return p;
}

template <typename T>
T saturatingInteger(std::string_view text)
{
    IntegerPrefix p = integerPrefix(text);
    // Accumulate as a negative number so that the minimum is representable.
    T value = 0;
    const T lowest = std::numeric_limits<T>::min();
    for (char c : p.digits) {
        int d = c - '0';
        if (value < (lowest + d) / 10) {
            value = lowest;
            // keep reading only to saturate; the value is already at its limit
            return p.negative ? lowest : std::numeric_limits<T>::max();
        }
        value = value * 10 - d;
    }
    if (p.negative) return value;
    if (value == lowest) return std::numeric_limits<T>::max();
    return -value;
}

enum class DecimalMark { Point, PointOrComma };

// The longest decimal floating-point prefix: [ws][sign]digits[.digits][(e|E)[sign]digits],
// with at least one digit in the mantissa; with PointOrComma a comma followed by a digit is
// the decimal point too. Returns it without the leading white space, with a point as mark.
std::string floatPrefix(std::string_view text, DecimalMark mark = DecimalMark::Point)
{
    std::size_t i = 0;
    while (i < text.size() && isWhiteSpace(text[i])) ++i;
    std::size_t start = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t mantissaDigits = 0;
    while (i < text.size() && isDigit(text[i])) ++i, ++mantissaDigits;
    std::size_t markAt = std::string_view::npos;
    const bool comma = mark == DecimalMark::PointOrComma && i + 1 < text.size() && text[i] == ',' &&
                       isDigit(text[i + 1]);
    if (i < text.size() && (text[i] == '.' || comma)) {
        markAt = i - start;
        ++i;
        while (i < text.size() && isDigit(text[i])) ++i, ++mantissaDigits;
    }
    if (mantissaDigits == 0) return {};
    std::size_t end = i;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
        std::size_t expStart = j;
        while (j < text.size() && isDigit(text[j])) ++j;
        if (j > expStart) end = j;
    }
    std::string prefix(text.substr(start, end - start));
    if (markAt != std::string_view::npos) prefix[markAt] = '.';
    return prefix;
}

// strtof and strtod round correctly and give +-HUGE_VAL on overflow: saturate to the largest
// finite value.
float readFloat(const std::string& prefix)
{
    if (prefix.empty()) return 0.0f;
    float v = std::strtof(prefix.c_str(), nullptr);
    if (std::isinf(v)) v = std::copysign(std::numeric_limits<float>::max(), v);
    return v;
}

double readDouble(const std::string& prefix)
{
    if (prefix.empty()) return 0.0;
    double v = std::strtod(prefix.c_str(), nullptr);
    if (std::isinf(v)) v = std::copysign(std::numeric_limits<double>::max(), v);
    return v;
}

}  // namespace

bool isWhiteSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

int intValue(std::string_view text) { return saturatingInteger<int>(text); }
long long longLongValue(std::string_view text) { return saturatingInteger<long long>(text); }

float floatValue(std::string_view text) { return readFloat(floatPrefix(text)); }

double doubleValue(std::string_view text) { return readDouble(floatPrefix(text)); }

// A typed zero is zero whatever its sign: adding +0 turns -0 into +0 and changes nothing else.
float typedFloatValue(std::string_view text) { return readFloat(floatPrefix(text, DecimalMark::PointOrComma)) + 0.0f; }

double typedDoubleValue(std::string_view text) { return readDouble(floatPrefix(text, DecimalMark::PointOrComma)) + 0.0; }

int truncToInt(double value)
{
    if (std::isnan(value)) return 0;
    if (value >= 2147483647.0) return std::numeric_limits<int>::max();
    if (value <= -2147483648.0) return std::numeric_limits<int>::min();
    return static_cast<int>(value);
}

long long truncToLongLong(double value)
{
    if (std::isnan(value)) return 0;
    if (value >= 9223372036854775807.0) return std::numeric_limits<long long>::max();
    if (value <= -9223372036854775808.0) return std::numeric_limits<long long>::min();
    return static_cast<long long>(value);
}

float roundToFloat(double value)
{
    constexpr double largest = std::numeric_limits<float>::max();
    if (std::isnan(value)) return std::numeric_limits<float>::quiet_NaN();
    if (value > largest) return std::numeric_limits<float>::infinity();
    if (value < -largest) return -std::numeric_limits<float>::infinity();
    return static_cast<float>(value);
}

bool isShowableResult(double value)
{
    // Below 999999999999 even a value rounded up to no decimals prints 12 digits at most.
    return std::isfinite(value) && std::fabs(value) < 999999999999.0;
}

std::string format(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, fmt, copy);
    va_end(copy);
    std::string out;
    if (n > 0) {
        out.resize(static_cast<std::size_t>(n));
        std::vsnprintf(out.data(), out.size() + 1, fmt, args);
    }
    va_end(args);
    return out;
}

std::string replaceAll(std::string text, std::string_view from, std::string_view to)
{
    if (from.empty()) return text;
    std::size_t pos = 0;
    while ((pos = text.find(from, pos)) != std::string::npos) {
        text.replace(pos, from.size(), to);
        pos += to.size();
    }
    return text;
}

std::string toUpper(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

std::size_t decodeUtf8At(std::string_view text, std::size_t pos, char32_t& out)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[pos + i]); };
    const std::size_t left = text.size() - pos;
    unsigned char b0 = byte(0);
    if (b0 < 0x80) {
        out = b0;
        return 1;
    }
    std::size_t length;
    char32_t value;
    char32_t minimum;
    if ((b0 & 0xE0) == 0xC0) {
        length = 2, value = b0 & 0x1F, minimum = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        length = 3, value = b0 & 0x0F, minimum = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        length = 4, value = b0 & 0x07, minimum = 0x10000;
    } else {
        return 0;
    }
    if (left < length) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) return 0;
        value = (value << 6) | (byte(i) & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
    out = value;
    return length;
}

bool isValidUtf8(std::string_view text)
{
    for (std::size_t pos = 0; pos < text.size();) {
        char32_t c;
        std::size_t n = decodeUtf8At(text, pos, c);
        if (n == 0) return false;
        pos += n;
    }
    return true;
}

bool hasControlCharacter(std::string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if ((c < 0x20 && c != '\t') || c == 0x7F) return true;
        if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) <= 0x9F) return true;
    }
    return false;
}

std::string humanSize(std::uint64_t bytes)
{
    if (bytes < 1000) return format("%llu B", static_cast<unsigned long long>(bytes));
    static constexpr const char* kUnits[] = {"kB", "MB", "GB", "TB", "PB", "EB"};
    double value = static_cast<double>(bytes);
    for (const char* unit : kUnits) {
        value /= 1000.0;
        // Rounding decides the unit: 999 950 bytes reads "1.0 MB", not "1000 kB".
        if (value < 9.95) return format("%.1f %s", value, unit);
        if (value < 999.5) return format("%.0f %s", value, unit);
    }
    return format("%.0f EB", value);
}

std::string shortDate(std::int64_t secondsSinceEpoch)
{
    if (secondsSinceEpoch <= 0) return {};
    const auto when = static_cast<std::time_t>(secondsSinceEpoch);
    std::tm local{};
    if (!::localtime_r(&when, &local)) return {};
    char text[32];
    const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local);
    return std::string(text, length);
}

}  // namespace ohmkit::platform
