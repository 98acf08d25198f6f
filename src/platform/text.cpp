#include "platform/text.h"

#include <cctype>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace ohmkit::platform {

namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The longest "[sign]digits" prefix after white space; returns the sign and the digits.
struct IntegerPrefix {
    bool negative = false;
    std::string_view digits;
};

IntegerPrefix integerPrefix(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && isSpace(text[i])) ++i;
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

// The longest decimal floating-point prefix: [ws][sign]digits[.digits][(e|E)[sign]digits],
// with at least one digit in the mantissa. Returns it without the leading white space.
std::string floatPrefix(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && isSpace(text[i])) ++i;
    std::size_t start = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t mantissaDigits = 0;
    while (i < text.size() && isDigit(text[i])) ++i, ++mantissaDigits;
    if (i < text.size() && text[i] == '.') {
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
    return std::string(text.substr(start, end - start));
}

}  // namespace

int intValue(std::string_view text) { return saturatingInteger<int>(text); }
long long longLongValue(std::string_view text) { return saturatingInteger<long long>(text); }

float floatValue(std::string_view text)
{
    std::string s = floatPrefix(text);
    if (s.empty()) return 0.0f;
    // strtof rounds correctly and gives +-HUGE_VALF on overflow: saturate to the largest finite.
    float v = std::strtof(s.c_str(), nullptr);
    if (std::isinf(v)) v = std::copysign(std::numeric_limits<float>::max(), v);
    return v;
}

double doubleValue(std::string_view text)
{
    std::string s = floatPrefix(text);
    if (s.empty()) return 0.0;
    double v = std::strtod(s.c_str(), nullptr);
    if (std::isinf(v)) v = std::copysign(std::numeric_limits<double>::max(), v);
    return v;
}

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

}  // namespace ohmkit::platform
