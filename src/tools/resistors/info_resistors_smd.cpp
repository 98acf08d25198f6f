#include "tools/resistors/info_resistors_smd.h"

#include <iterator>

#include "platform/text.h"

namespace ohmkit::resistors {

using platform::format;

namespace {

// The E96 series (IEC 60063), ascending, as three significant digits.
constexpr int kE96[] = {
    100, 102, 105, 107, 110, 113, 115, 118, 121, 124, 127, 130, 133, 137, 140, 143,
    147, 150, 154, 158, 162, 165, 169, 174, 178, 182, 187, 191, 196, 200, 205, 210,
    215, 221, 226, 232, 237, 243, 249, 255, 261, 267, 274, 280, 287, 294, 301, 309,
    316, 324, 332, 340, 348, 357, 365, 374, 383, 392, 402, 412, 422, 432, 442, 453,
    464, 475, 487, 499, 511, 523, 536, 549, 562, 576, 590, 604, 619, 634, 649, 665,
    681, 698, 715, 732, 750, 768, 787, 806, 825, 845, 866, 887, 909, 931, 953, 976,
};
static_assert(std::size(kE96) == 96);

const char* const kInvalid = "Results: invalid value";
const char* const kTooBig = "Value too big for SMD";
const char* const kIncorrectIndex = "Result: incorrect value";

// The characters of a code after the blanks and the "+" that are read past.
std::string_view afterLeadingBlanksAndPlus(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && platform::isWhiteSpace(text[i])) ++i;
    if (i < text.size() && text[i] == '+') ++i;
    return text.substr(i);
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Whether the significant-digit characters of a code are a number a marking can carry: only
// digits after the blanks and "+" read past. Text with no digits there ("AB") would read as
// 0, a "-" would make the value negative, and a letter or blank after a digit ("4K7", "4 7")
// would drop the rest of the number; none of them is a marking.
bool isMarkingNumber(std::string_view digits)
{
    const std::string_view rest = afterLeadingBlanksAndPlus(digits);
    if (rest.empty()) return false;
    for (char c : rest)
        if (!isDigit(c)) return false;
    return true;
}

// Whether a code with the letter R is a decimal-point marking: only digits and R after the
// blanks and "+" read past, with at least one digit ("R", "-R5" and "R" with symbols hold no
// number), and no more than 12 digits before the point.
bool isDecimalPointMarking(std::string_view code)
{
    const std::string_view rest = afterLeadingBlanksAndPlus(code);
    bool anyDigit = false;
    for (char c : rest) {
        if (c != 'R' && !isDigit(c)) return false;
        anyDigit = anyDigit || isDigit(c);
    }
    return anyDigit && rest.find('R') <= 12;
}

// Three-digit code: two significant digits c and a multiplier digit m.
std::string threeDigitCode(int c, char m)
{
    switch (m) {
    case '0': return format("Results: %d Ohm", c);
    case '1': return format("Results: %d Ohm", 10 * c);
    case '2':
        if (c >= 10) return format("Results: %d.%d KOhm", c / 10, c % 10);
        return format("Results: %d Ohm", 100 * c);
    case '3': return format("Results: %d KOhm", c);
    case '4': return format("Results: %d0 KOhm", c);
    case '5': return format("Results: %d.%d MOhm", c / 10, c % 10);
    case '6': return format("Results: %d MOhm", c);
    case '7': return format("Results: %d0 MOhm", c);
    case '8':
    case '9': return kTooBig;
    default: return kInvalid;
    }
}

bool isEia96Letter(char letter)
{
    for (char l : {'Z', 'Y', 'X', 'S', 'A', 'B', 'H', 'C', 'D', 'E', 'F'})
        if (letter == l) return true;
    return false;
}

// EIA-96 code: the E96 value v (100 to 976) and a multiplier letter. The fractional factors
// are applied in double precision and printed rounded to the shown decimals.
std::string eia96Code(int v, char letter)
{
    switch (letter) {
    case 'Z': return format("Results: %.3f Ohm", static_cast<double>(v) * 0.001);
    case 'Y': return format("Results: %.2f Ohm", static_cast<double>(v) * 0.01);
    case 'X':
    case 'S': return format("Results: %.1f Ohm", static_cast<double>(v) * 0.1);
    case 'A': return format("Results: %d Ohm", v);
    case 'B':
    case 'H': return format("Results: %d.%.3d KOhm", v / 100, (10 * v) % 1000);
    case 'C': return format("Results: %d.%d KOhm", v / 10, v % 10);
    case 'D': return format("Results: %d KOhm", v);
    case 'E': return format("Results: %d.%.2d MOhm", v / 100, v % 100);
    case 'F': return format("Results: %d.%d MOhm", v / 10, v % 10);
    default: return kInvalid;
    }
}

// Four-digit code: three significant digits c and a multiplier digit m.
std::string fourDigitCode(int c, char m)
{
    switch (m) {
    case '0': return format("Results: %d Ohm", c);
    case '1': return format("Results: %d.%.3d KOhm", c / 100, (10 * c) % 1000);
    // The decimals are a multiple of 100: one 0 or three digits (47.0 for 4702, 47.500 for 4752).
    case '2': return format("Results: %d.%d KOhm", c / 10, (100 * c) % 1000);
    case '3': return format("Results: %d KOhm", c);
    case '4': return format("Results: %d.%.2d MOhm", c / 100, c % 100);
    case '5': return format("Results: %d.%d MOhm", c / 10, c % 10);
    case '6': return format("Results: %d MOhm", c);
    case '7':
    case '8':
    case '9': return kTooBig;
    default: return kInvalid;
    }
}

}  // namespace

InfoResistorsSMD::InfoResistorsSMD() : ui::ViewController("InfoResistorsSMD") {}

void InfoResistorsSMD::loadView()
{
    setTitle("SMD codes");
    textResistance = addOutlet<ui::TextField>("textResistance");
    labelResult = addOutlet<ui::Label>("labelResult");
    textResistance->setPlaceholder("Code, e.g. 472, 4R7, 01C");
    textResistance->setDelegate(this);
    textResistance->setEditingChanged([this](ui::TextField& field) { textFieldDidChange(field); });
}

void InfoResistorsSMD::viewDidLoad()
{
    setRightBarImage("res_small.png");
    textResistance->setText("4501");
    showResults();
}

void InfoResistorsSMD::textFieldDidChange(ui::TextField&) { showResults(); }

bool InfoResistorsSMD::textFieldShouldReturn(ui::TextField& field)
{
    field.resignFirstResponder();
    showResults();
    return true;
}

int InfoResistorsSMD::DecodeSMDDigits(std::string_view digits)
{
    const int n = platform::intValue(digits);
    if (n < 1 || n > 96) return 0;
    return kE96[n - 1];
}

void InfoResistorsSMD::showResults() { labelResult->setText(resultLine(textResistance->text())); }

std::string InfoResistorsSMD::resultLine(std::string_view code)
{
    // Blanks around the code are no part of it (a pasted "472 "); lower-case letters are accepted.
    while (!code.empty() && platform::isWhiteSpace(code.front())) code.remove_prefix(1);
    while (!code.empty() && platform::isWhiteSpace(code.back())) code.remove_suffix(1);
    const std::string text = platform::toUpper(std::string(code));
    // Whatever no later step decodes stays invalid.
    // "R" is the decimal point: shown as typed, with every R made a point. With one R the
    // figure is written as a number: no sign, a 0 before a leading point ("R47" is 0.47)
    // and no point at the end ("0R" is 0, "1R" is 1).
    if (text.find('R') != std::string::npos) {
        if (!isDecimalPointMarking(text)) return kInvalid;
        const std::size_t point = text.find('R');
        if (text.find('R', point + 1) == std::string::npos) {
            std::string_view whole = std::string_view(text).substr(0, point);
            const std::string_view fraction = std::string_view(text).substr(point + 1);
            if (!whole.empty() && whole[0] == '+') whole.remove_prefix(1);
            if (whole.empty()) whole = "0";
            return format("Results: %.*s%s%.*s Ohm", static_cast<int>(whole.size()), whole.data(),
                          fraction.empty() ? "" : ".", static_cast<int>(fraction.size()), fraction.data());
        }
        return format("Results: %s Ohm", platform::replaceAll(text, "R", ".").c_str());
    }
    // Three characters: a three-digit or an EIA-96 code.
    if (text.size() == 3) {
        const std::string_view digits = std::string_view(text).substr(0, 2);
        if (!isMarkingNumber(digits)) return kInvalid;
        const int c = platform::intValue(digits);
        const char m = text[2];
        if (c == 0) return "Results: 0 Ohm";
        if (m >= '0' && m <= '9') return threeDigitCode(c, m);
        if (isEia96Letter(m)) {
            const int v = DecodeSMDDigits(digits);
            if (v == 0) return kIncorrectIndex;
            return eia96Code(v, m);
        }
        return kInvalid;
    }
    // Four characters: a four-digit code (0000 is 0 Ohm through the "0" row).
    if (text.size() == 4) {
        const std::string_view digits = std::string_view(text).substr(0, 3);
        if (!isMarkingNumber(digits)) return kInvalid;
        return fourDigitCode(platform::intValue(digits), text[3]);
    }
    return kInvalid;
}

}  // namespace ohmkit::resistors
