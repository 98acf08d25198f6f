#pragma once
// What the circuit calculators share: a screen of decimal fields that recomputes on every edit
// and on the return key, the reading of one field, and results printed with SI prefixes.
#include <string>
#include <string_view>

#include "ui/view_controller.h"

namespace ohmkit::circuits {

// A field's text read as a number: empty, not a number, or a number.
struct FieldValue {
    enum class State { Empty, Bad, Number };
    State state = State::Empty;
    double value = 0.0;

    bool isNumber() const { return state == State::Number; }
    // A number that is zero or more.
    bool isAmount() const { return isNumber() && value >= 0.0; }
    // A number above zero.
    bool isPositive() const { return isNumber() && value > 0.0; }
};

// The whole text must be one decimal number (a comma before a digit is the decimal point, an
// exponent is allowed); blanks around it are ignored. "-0" reads as 0.
FieldValue readField(std::string_view text);

// A value with the SI prefix (p to G) that puts it between 1 and 1000, in four significant
// digits without trailing zeros: "1.2 kOhm", "159.2 Hz", "10 us", "0 W".
std::string siText(double value, const char* unit);

// The texts every circuit screen shows for input it cannot use.
inline constexpr const char* kIncorrectInput = "Incorrect input";

class CircuitScreen : public ui::ViewController, public ui::TextFieldDelegate {
public:
    using ui::ViewController::ViewController;

    bool textFieldShouldReturn(ui::TextField& field) override;
    // Recomputes every result line from the fields.
    virtual void showResults() = 0;

protected:
    // A decimal field outlet that recomputes the results on every edit.
    ui::TextField* addField(const std::string& name);
    // The field's text read as a number.
    static FieldValue read(const ui::TextField* field);
};

}  // namespace ohmkit::circuits
