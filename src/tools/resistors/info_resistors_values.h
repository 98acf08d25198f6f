#pragma once
// The standard-value screen: a resistance in whole ohms in, the standard resistor values
// around it out (the value itself when it is standard, else the one below and the one above).
#include <string>
#include <string_view>

#include "ui/view_controller.h"

namespace ohmkit::resistors {

class InfoResistorsValues : public ui::ViewController, public ui::TextFieldDelegate {
public:
    InfoResistorsValues();

    void loadView() override;
    void viewDidLoad() override;

    // The field's editing-changed action.
    void textFieldDidChange(ui::TextField& field);
    // The return key: gives up the keyboard and recomputes.
    bool textFieldShouldReturn(ui::TextField& field) override;

    // Reads the field and shows the result line.
    void showResults();
    // The result line for a field text (what showResults shows).
    static std::string resultLine(std::string_view text);
    // The resistance a field text gives, in whole ohms. The notation printed on schematics is
    // read as what it says: a letter k, K, M or R as decimal point and multiplier ("4k7",
    // "2M2", "47R", "4R7"), a decimal number followed by such a letter ("4.7k", "4,7k"), or a
    // decimal exponent ("1e3"); fractions of an ohm are rounded to nearest. Any other text
    // gives the whole number at its start ("12.7" is 12, "4,7" is 4, empty is 0).
    static long long resistanceValue(std::string_view text);

    ui::TextField* textResistance = nullptr;
    ui::Label* labelResult = nullptr;
};

}  // namespace ohmkit::resistors
