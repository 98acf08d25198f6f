#include "tools/circuits/circuit_screen.h"

#include <cmath>
#include <cstdlib>
#include <limits>

#include "platform/text.h"

namespace ohmkit::circuits {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Skips the digits at `at`; tells whether there was one.
bool skipDigits(std::string_view text, std::size_t& at)
{
    const std::size_t start = at;
    while (at < text.size() && isDigit(text[at])) ++at;
    return at > start;
}

}  // namespace

FieldValue readField(std::string_view text)
{
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && platform::isWhiteSpace(text[begin])) ++begin;
    while (end > begin && platform::isWhiteSpace(text[end - 1])) --end;
    const std::string_view number = text.substr(begin, end - begin);
    if (number.empty()) return {};

    // sign? digits [(.|,) digits] [e sign? digits], with a digit before or after the point.
    std::size_t at = 0;
    if (number[at] == '+' || number[at] == '-') ++at;
    bool digits = skipDigits(number, at);
    if (at < number.size() && (number[at] == '.' || number[at] == ',')) {
        ++at;
        digits = skipDigits(number, at) || digits;
    }
    if (digits && at < number.size() && (number[at] == 'e' || number[at] == 'E')) {
        ++at;
        if (at < number.size() && (number[at] == '+' || number[at] == '-')) ++at;
        digits = skipDigits(number, at);
    }
    if (!digits || at != number.size()) return {FieldValue::State::Bad, 0.0};
    const double value = platform::typedDoubleValue(number);
    // Beyond the double range the reader saturates: no field means that.
    if (!std::isfinite(value) || std::fabs(value) >= std::numeric_limits<double>::max())
        return {FieldValue::State::Bad, 0.0};
    return {FieldValue::State::Number, value};
}

std::string siText(double value, const char* unit)
{
    static const char* const prefixes[] = {"p", "n", "u", "m", "", "k", "M", "G"};
    constexpr int kNone = 4;   // the index of no prefix
    if (value == 0.0 || !std::isfinite(value)) return platform::format("0 %s", unit);
    int group = static_cast<int>(std::floor(std::log10(std::fabs(value)) / 3.0)) + kNone;
    if (group < 0) group = 0;
    if (group > 7) group = 7;
    for (;;) {
        const double scaled = value / std::pow(1000.0, group - kNone);
        std::string digits = platform::format("%.4g", scaled);
        // 999.96 rounds up to "1000": the next prefix says it in one digit.
        if (std::fabs(std::strtod(digits.c_str(), nullptr)) >= 1000.0 && group < 7) {
            ++group;
            continue;
        }
        return platform::format("%s %s%s", digits.c_str(), prefixes[group], unit);
    }
}

bool CircuitScreen::textFieldShouldReturn(ui::TextField& field)
{
    field.resignFirstResponder();
    showResults();
    return true;
}

ui::TextField* CircuitScreen::addField(const std::string& name)
{
    auto* field = addOutlet<ui::TextField>(name);
    field->setDelegate(this);
    field->setEditingChanged([this](ui::TextField&) { showResults(); });
    field->setKeyboard(ui::TextField::Keyboard::Decimal);
    return field;
}

FieldValue CircuitScreen::read(const ui::TextField* field) { return readField(field->text()); }

}  // namespace ohmkit::circuits
