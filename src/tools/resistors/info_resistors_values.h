#pragma once
// The standard-value screen: a resistance in, the standard resistor values of the chosen
// series around it out (the value itself when it is standard, else the one below and the one
// above).
#include <string>
#include <string_view>

#include "tools/eseries.h"
#include "ui/view_controller.h"

namespace ohmkit::resistors {

class InfoResistorsValues : public ui::ViewController,
                            public ui::TextFieldDelegate,
                            public ui::PickerViewDataSource,
                            public ui::PickerViewDelegate {
public:
    InfoResistorsValues();

    void loadView() override;
    void viewDidLoad() override;

    // The field's editing-changed action.
    void textFieldDidChange(ui::TextField& field);
    // The return key: gives up the keyboard and recomputes.
    bool textFieldShouldReturn(ui::TextField& field) override;

    // The series wheel: one row per series, E6 to E192.
    int numberOfComponentsInPickerView(ui::PickerView& picker) override;
    int pickerViewNumberOfRowsInComponent(ui::PickerView& picker, int component) override;
    std::optional<std::string> pickerViewTitleForRow(ui::PickerView& picker, int row, int component) override;
    void pickerViewDidSelectRow(ui::PickerView& picker, int row, int component) override;

    // Reads the field and shows the result line.
    void showResults();
    // The result line for a field text (what showResults shows). The text is read by
    // tools::readOhms ("4k7", "10 k", "4.7", "39 kOhm"); a text it refuses, or a resistance
    // outside 1 Ohm to 10 MOhm, shows "Incorrect value".
    static std::string resultLine(std::string_view text, tools::ESeries series = tools::ESeries::E24);

    tools::ESeries series = tools::ESeries::E24;

    ui::TextField* textResistance = nullptr;
    ui::Label* labelResult = nullptr;
    ui::PickerView* pickerSeries = nullptr;
};

}  // namespace ohmkit::resistors
