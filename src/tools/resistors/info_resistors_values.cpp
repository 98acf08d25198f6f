#include "tools/resistors/info_resistors_values.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <span>

#include "platform/text.h"

namespace ohmkit::resistors {

using platform::format;

namespace {

// The value tables, in ohms, ascending. The ohms table is a hand-picked list, not the whole
// E24 series. The three others start with their first value twice, so that the first real
// value has a lower neighbour, and end with the first value of the next decade.
constexpr std::int64_t kOhms[] = {
    1,   2,   3,   10,  11,  12,  13,  15,  20,  22,  24,  27,  30,  33,  36,  39,
    43,  47,  51,  56,  62,  68,  75,  82,  91,  100, 110, 120, 130, 150, 160, 180,
    200, 220, 240, 270, 330, 390, 430, 470, 510, 560, 620, 680, 750, 820, 910, 1000,
};

constexpr std::int64_t kLowKiloOhms[] = {
    1000, 1000, 1100, 1200, 1300, 1500, 1600, 1800, 2000, 2200, 2400, 2700, 3000,
    3300, 3600, 3900, 4300, 4700, 5100, 5600, 6200, 6800, 7500, 8200, 9100, 10000,
};

constexpr std::int64_t kKiloOhms[] = {
    10000,  10000,  11000,  12000,  13000,  15000,  16000,  18000,  20000,  22000,
    24000,  27000,  30000,  33000,  36000,  39000,  43000,  47000,  51000,  56000,
    62000,  68000,  75000,  82000,  91000,  100000, 110000, 120000, 130000, 150000,
    160000, 180000, 200000, 220000, 240000, 270000, 300000, 330000, 360000, 390000,
    430000, 470000, 510000, 560000, 620000, 680000, 750000, 820000, 910000, 1000000,
};

constexpr std::int64_t kMegaOhms[] = {
    1000000, 1000000, 1100000, 1200000, 1300000, 1500000, 1600000, 1800000, 2000000,
    2200000, 2400000, 2700000, 3000000, 3300000, 3600000, 3900000, 4300000, 4700000,
    5100000, 5600000, 6200000, 6800000, 7500000, 8200000, 9100000, 10000000,
};

static_assert(std::size(kOhms) == 48 && std::size(kLowKiloOhms) == 26 && std::size(kKiloOhms) == 50 &&
              std::size(kMegaOhms) == 26);

enum class Range { Ohms, LowKiloOhms, KiloOhms, MegaOhms };

// Every table value is below 2^31, so the printed numbers fit an int.
int asInt(std::int64_t value) { return static_cast<int>(value); }

// Whole and tenths of thousands: 4700 gives 4 and 7 (4.7 KOhm).
int thousands(std::int64_t value) { return asInt(value / 1000); }
int tenthsOfThousand(std::int64_t value) { return asInt((value % 1000) / 100); }

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The power of ten of a multiplier letter of the notation printed on schematics, or -1.
// Lower-case "m" would be milli, so only "M" is mega.
int multiplierExponent(char letter)
{
    switch (letter) {
    case 'R':
    case 'r': return 0;
    case 'k':
    case 'K': return 3;
    case 'M': return 6;
    default: return -1;
    }
}

// Whole ohms, rounded to nearest; far outside every range saturates.
long long wholeOhms(double value)
{
    if (!(value < 1e18)) return std::numeric_limits<long long>::max();
    if (!(value > -1e18)) return std::numeric_limits<long long>::min();
    return std::llround(value);
}

}  // namespace

long long InfoResistorsValues::resistanceValue(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && platform::isWhiteSpace(text[i])) ++i;
    const std::size_t signAt = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    const std::size_t wholeAt = i;
    while (i < text.size() && isDigit(text[i])) ++i;
    const std::string_view whole = text.substr(wholeAt, i - wholeAt);
    if (whole.empty()) return platform::longLongValue(text);

    // A decimal part after a point or a comma counts only when a letter or an exponent follows.
    std::string_view fraction;
    std::size_t j = i;
    if (j + 1 < text.size() && (text[j] == '.' || text[j] == ',') && isDigit(text[j + 1])) {
        const std::size_t fractionAt = ++j;
        while (j < text.size() && isDigit(text[j])) ++j;
        fraction = text.substr(fractionAt, j - fractionAt);
    }
    if (j == text.size()) return platform::longLongValue(text);

    // "4k7", "47R", "2M2": the letter is the decimal point and the multiplier.
    // "4.7k", "4,7k": the letter is the multiplier after a decimal number.
    if (const int exponent = multiplierExponent(text[j]); exponent >= 0) {
        if (fraction.empty()) {
            const std::size_t fractionAt = ++j;
            while (j < text.size() && isDigit(text[j])) ++j;
            fraction = text.substr(fractionAt, j - fractionAt);
        }
        const std::string number = std::string(text.substr(signAt, wholeAt - signAt)) + std::string(whole) + "." +
                                   std::string(fraction) + "e" + std::to_string(exponent);
        return wholeOhms(platform::doubleValue(number));
    }
    // "1e3", "4,7e3": a decimal exponent.
    if ((text[j] == 'e' || text[j] == 'E') && j + 1 < text.size() &&
        (isDigit(text[j + 1]) || ((text[j + 1] == '+' || text[j + 1] == '-') && j + 2 < text.size() && isDigit(text[j + 2]))))
        return wholeOhms(platform::typedDoubleValue(text));
    // Anything else: the whole ohms at the start, the decimal part dropped.
    return platform::longLongValue(text);
}

InfoResistorsValues::InfoResistorsValues() : ui::ViewController("InfoResistorsValues") {}

void InfoResistorsValues::loadView()
{
    setTitle("Resistor values");
    textResistance = addOutlet<ui::TextField>("textResistance");
    labelResult = addOutlet<ui::Label>("labelResult");
    // Letters are part of the notation ("4k7"), so the field takes the full keyboard.
    textResistance->setPlaceholder("Ohms, or 4k7, 4.7k, 2M2, 47R");
    textResistance->setDelegate(this);
    textResistance->setEditingChanged([this](ui::TextField& field) { textFieldDidChange(field); });
}

void InfoResistorsValues::viewDidLoad()
{
    setRightBarImage("res_small.png");
    textResistance->setText("12345");
    showResults();
}

void InfoResistorsValues::textFieldDidChange(ui::TextField&) { showResults(); }

bool InfoResistorsValues::textFieldShouldReturn(ui::TextField& field)
{
    field.resignFirstResponder();
    showResults();
    return true;
}

void InfoResistorsValues::showResults() { labelResult->setText(resultLine(textResistance->text())); }

std::string InfoResistorsValues::resultLine(std::string_view text)
{
    // The resistance in whole ohms: the notation printed on schematics, else the whole
    // number at the start of the text (a decimal point ends it).
    const long long v = resistanceValue(text);
    // One ohm to ten megohms.
    if (v < 1 || v > 10000000) return "Incorrect value";
    // The range and its table.
    Range range;
    std::span<const std::int64_t> table;
    if (v <= 999) range = Range::Ohms, table = kOhms;
    else if (v <= 9999) range = Range::LowKiloOhms, table = kLowKiloOhms;
    else if (v <= 999999) range = Range::KiloOhms, table = kKiloOhms;
    else range = Range::MegaOhms, table = kMegaOhms;
    // The first entry from index 1 on that is not below v; each table ends at or above
    // its range's upper bound, so there always is one.
    std::size_t i = 1;
    while (i + 1 < table.size() && table[i] < v) ++i;
    const std::int64_t upper = table[i];
    const std::int64_t lower = table[i - 1];
    // The single form for a standard value, else the pair around it.
    const bool exact = upper == v;
    switch (range) {
    case Range::Ohms:
        if (exact) return format("Nearest value: %d Ohms", asInt(upper));
        return format("Nearest value: %d or %d Ohms", asInt(lower), asInt(upper));
    case Range::LowKiloOhms:
        if (exact) return format("Nearest value: %d.%d KOhm", thousands(upper), tenthsOfThousand(upper));
        return format("Nearest value: %d.%d or %d.%d KOhm", thousands(lower), tenthsOfThousand(lower),
                      thousands(upper), tenthsOfThousand(upper));
    case Range::KiloOhms:
        if (exact) return format("Nearest value: %d KOhm", thousands(upper));
        return format("Nearest value: %d or %d KOhm", thousands(lower), thousands(upper));
    case Range::MegaOhms: {
        // Megohms with one decimal, from the value in kilo-ohms: 4700000 shows 4.7.
        const std::int64_t k = upper / 1000;
        const std::int64_t kLower = lower / 1000;
        if (exact) return format("Nearest value: %d.%d MOhm", thousands(k), tenthsOfThousand(k));
        return format("Nearest value: %d.%d or %d.%d MOhm", thousands(kLower), tenthsOfThousand(kLower),
                      thousands(k), tenthsOfThousand(k));
    }
    }
    return "Incorrect value";
}

}  // namespace ohmkit::resistors
