#pragma once
// Reading numbers from text the way the calculators' fields are read, and printf-style
// formatting of result texts.
//
// The readers skip leading white space, take an optional sign and the longest decimal number
// at the start; trailing characters are ignored and text without a number reads 0. They never
// read hexadecimal, "inf" or "nan". Out-of-range values saturate.
//
// Fields where a user types a decimal number use the typed readers, which also take a comma
// followed by a digit as the decimal point, as most of Europe writes it.
#include <cstdint>
#include <string>
#include <string_view>

namespace ohmkit::platform {

// The white space the readers skip: blank, tab, and the line and page breaks.
bool isWhiteSpace(char c);

int intValue(std::string_view text);                 // "12.7" reads 12
long long longLongValue(std::string_view text);
float floatValue(std::string_view text);             // single precision, correctly rounded
double doubleValue(std::string_view text);

// A decimal number as typed into a field: read like floatValue, and a comma followed by a
// digit is the decimal point too ("4,5" is 4.5, ",5" is 0.5); any other comma ends the number
// ("4," is 4, "1,5,7" is 1.5). "-0" reads as 0, so that no result shows a negative zero.
float typedFloatValue(std::string_view text);
double typedDoubleValue(std::string_view text);

// Float-to-integer conversions that are defined for every input: truncation toward zero,
// saturating at the type's limits, NaN gives 0.
int truncToInt(double value);
long long truncToLongLong(double value);
// Double to single precision for every input: values beyond the float range become infinite,
// as IEEE arithmetic gives, instead of an undefined conversion.
float roundToFloat(double value);

// Whether a computed result can be shown as a number: finite, and printing with at most 12
// digits before the decimal point. Larger magnitudes come only from absurd input.
bool isShowableResult(double value);

// printf with the compiler's format checking; the result as a std::string.
// Texts that the program stores with "%@" are written here with "%s" and c_str().
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// Replaces every occurrence of `from` in `text` by `to`.
std::string replaceAll(std::string text, std::string_view from, std::string_view to);
std::string toUpper(std::string text);               // ASCII letters only

// UTF-8: the length of the well-formed character at `pos` (and its value in `out`), 0 when the
// bytes there are not one (overlong forms, surrogates and values above U+10FFFF are not).
std::size_t decodeUtf8At(std::string_view text, std::size_t pos, char32_t& out);
// True when `text` is well-formed UTF-8.
bool isValidUtf8(std::string_view text);
// True when UTF-8 `text` holds a control character other than TAB: U+0000 to U+001F, U+007F
// or U+0080 to U+009F.
bool hasControlCharacter(std::string_view text);

// A byte count in decimal units: "0 B", "999 B", "1.0 kB", "12 kB", "1.5 MB", "2.0 GB".
std::string humanSize(std::uint64_t bytes);
// A modification time in local time, "2024-05-01 14:32"; empty when unknown.
std::string shortDate(std::int64_t secondsSinceEpoch);

}  // namespace ohmkit::platform
