#pragma once
// The voltage-drop screen: the voltage lost in a two-conductor cable run of a given AWG size,
// length and current, for copper and for aluminium. A button opens the wire current-load page.
#include <string_view>
#include <utility>
#include <vector>

#include "ui/view_controller.h"

namespace ohmkit::wires {

class InfoWiresVoltageDrop : public ui::ViewController, public ui::TextFieldDelegate {
public:
    InfoWiresVoltageDrop();

    void loadView() override;
    void viewDidLoad() override;

    bool textFieldShouldReturn(ui::TextField& field) override;
    void textFieldDidChange(ui::TextField& field);
    // Opens the wire current-load page.
    void onShowAWGWires(const void* sender);
    // Recomputes the three result lines.
    void showResults();

    // Copper resistance in ohms per metre by AWG text ("0000" is 4/0), stored and shown as text.
    using Entry = std::pair<std::string_view, std::string_view>;
    static const std::vector<Entry>& copperResistance();
    // Aluminium's resistance relative to copper's.
    static constexpr float kAluminiumFactor = 1.5428572f;

    ui::TextField* textAWGNum = nullptr;
    ui::TextField* textCurrent = nullptr;
    ui::TextField* textLength = nullptr;
    ui::Label* labelResult1 = nullptr;
    ui::Label* labelResult2 = nullptr;
    ui::Label* labelResult3 = nullptr;
    ui::Label* labelHint = nullptr;
    ui::Button* buttonWireInfo = nullptr;
};

}  // namespace ohmkit::wires
