#pragma once
// The SMD-code screen: decodes the marking of a surface-mount resistor typed by the user.
// Four forms, tried in this order: "R" as decimal point (4R7), three digits (472), EIA-96
// (01C: an index into the E96 series and a multiplier letter), four digits (4701).
#include <string>
#include <string_view>

#include "ui/view_controller.h"

namespace ohmkit::resistors {

class InfoResistorsSMD : public ui::ViewController, public ui::TextFieldDelegate {
public:
    InfoResistorsSMD();

    void loadView() override;
    void viewDidLoad() override;

    // The field's editing-changed action.
    void textFieldDidChange(ui::TextField& field);
    // The return key: gives up the keyboard and recomputes.
    bool textFieldShouldReturn(ui::TextField& field) override;

    // The E96 value (three significant digits, 100 to 976) that an EIA-96 number names,
    // reading the text as an integer; 0 for any number outside 1 to 96.
    static int DecodeSMDDigits(std::string_view digits);

    // Decodes the field's text into the label.
    void showResults();
    // The result line for a code (what showResults shows).
    static std::string resultLine(std::string_view code);

    ui::TextField* textResistance = nullptr;
    ui::Label* labelResult = nullptr;
};

}  // namespace ohmkit::resistors
