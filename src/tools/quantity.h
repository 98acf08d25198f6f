#pragma once
// Reading a typed quantity ("4k7", "10 k", "39 kOhm", "100n", "4u7 F") and printing one with an
// SI prefix ("4.7 kOhm", "100 nF").
//
// What the readers take, blanks around the whole text allowed:
//   - a decimal number with a point or a comma as decimal point ("4.7", "4,7", ".5"), an
//     optional sign and an optional exponent ("1e3", "4,7e-3");
//   - then, after optional blanks, an SI prefix (p, n, u, µ, m, k, K, M, G) and the unit, each
//     optional ("10 k", "39 kOhm", "4.7 Ω", "100nF");
//   - or a prefix standing for the decimal point: "4k7", "2M2", "4u7", "0R5" (for ohms, R is
//     the point without a multiplier, and may lead: "R47").
// Refused, with the reason in the reading so that the screen can show its message:
//   - thousands separators ("1 000", "1,000", "1'000", "1.000.000"): a comma before exactly
//     three digits, after one to three digits not starting with 0, is refused rather than
//     guessed, as a European "1,000" is one and an English one a thousand ("0,001" and
//     "4,7" are decimals; a point is always the decimal point);
//   - anything after the number and its unit ("12V" for ohms, "5-"): reading up to it
//     would answer a question the user did not ask;
//   - text without a number, and numbers too large to hold (1e400).
#include <string>
#include <string_view>

namespace ohmkit::tools {

enum class ReadProblem {
    None,
    Empty,               // nothing but blanks
    NotANumber,          // no digits where the number starts ("abc", "k47")
    ThousandsSeparator,  // "1 000", "1,000"
    TextAfterNumber,     // "12V", "5-", "4k7x"
    OutOfRange,          // beyond what a double holds ("1e400")
};

struct Reading {
    double value = 0;  // the quantity in the base unit (ohms, farads); 0 unless ok()
    ReadProblem problem = ReadProblem::None;

    bool ok() const { return problem == ReadProblem::None; }
};

// A resistance in ohms. The unit may be written "Ohm", "Ohms", "ohm", "ohms", "Ω" (Greek
// capital omega or the ohm sign), or "R" after the number ("47R", "47 R").
Reading readOhms(std::string_view text);

// A quantity of the given unit ("F", "Hz", "V", "A", "H", "s", "W", "m"), matched ignoring
// the case of ASCII letters after the prefix. The bare unit is tried before a prefix, so with
// unit "m" a "5m" is five metres and "5mm" five millimetres.
Reading readQuantity(std::string_view text, std::string_view unit);

// A number in a field whose unit is fixed ("mA", "h", "uF"): no prefixes, so "20m" in a
// milliampere field is refused rather than read as 0.02 mA; the unit itself may follow
// ("20 mA"), matched as readQuantity matches it. An empty unit takes the number alone.
Reading readNumber(std::string_view text, std::string_view unit = {});

// The value with the SI prefix that puts it from 1 to below 1000, to three significant
// figures without trailing zeros, a blank and the unit: 4700 "Ohm" gives "4.7 kOhm", 1e-7 "F"
// "100 nF", 1591.5 "Hz" "1.59 kHz", 0 "0 Ohm". Prefixes run from p to G (micro is "u"); beyond
// them the figure is printed with an exponent ("1.2e+12 Ohm"). NaN and infinities give "--".
std::string formatQuantity(double value, std::string_view unit);

}  // namespace ohmkit::tools
