#pragma once
// The LED series-resistor screen: from the supply voltage, the number of LEDs in series, their
// forward voltage and current it shows the exact resistance with its dissipated power, and a
// recommended resistor (the E24 value at or above the need) with a standard power rating of at
// least twice the dissipation.
// The schematic picture follows the LED count.
#include <optional>
#include <string>
#include <vector>

#include "ui/view_controller.h"

namespace ohmkit::components {

class InfoLedsView : public ui::ViewController, public ui::TextFieldDelegate {
public:
    InfoLedsView();

    void loadView() override;
    void viewDidLoad() override;

    // The buttons beside the count: they work on the count field's text.
    void onLedsDecrease(const void* sender);
    void onLedsIncrease(const void* sender);
    // Shows the schematic for the current count.
    void updateView();
    // Computes and shows both result lines.
    void showResults();

    bool textFieldShouldReturn(ui::TextField& field) override;
    void textFieldDidChange(ui::TextField& field);

    // Standard power ratings (watts), ascending.
    static const std::vector<float>& powerRatings();
    // How a rating is written; no rating (the power is above the largest) reads "> 100".
    static std::string ratingText(std::optional<float> rating);
    // The schematic picture for a count of LEDs.
    static const char* schematicForCount(int count);

    ui::TextField* m_cVoltage = nullptr;
    ui::TextField* m_cLedsCount = nullptr;
    ui::TextField* m_cVoltageOnLED = nullptr;
    ui::TextField* m_cCurrentOnLED = nullptr;
    ui::Label* m_cResults = nullptr;
    ui::Label* m_cResults2 = nullptr;
    ui::ImageView* m_cSchematic = nullptr;

private:
    void showMessage(const char* message);
    int ledsCount() const;
};

}  // namespace ohmkit::components
