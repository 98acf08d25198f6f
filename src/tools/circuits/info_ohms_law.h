#pragma once
// Ohm's law and power: of voltage, current, resistance and power, the two the user enters give
// the other two.
#include <optional>

#include "tools/circuits/circuit_screen.h"

namespace ohmkit::circuits {

struct OhmsLaw {
    double volts = 0, amps = 0, ohms = 0, watts = 0;
};

class InfoOhmsLaw : public CircuitScreen {
public:
    InfoOhmsLaw();

    void loadView() override;
    void viewDidLoad() override;
    void showResults() override;

    // The four values from exactly two of them (the others empty), each zero or more; nothing
    // when the two do not fix the others (a zero that would divide).
    static std::optional<OhmsLaw> solve(std::optional<double> volts, std::optional<double> amps,
                                        std::optional<double> ohms, std::optional<double> watts);

    ui::TextField* textVoltage = nullptr;
    ui::TextField* textCurrent = nullptr;
    ui::TextField* textResistance = nullptr;
    ui::TextField* textPower = nullptr;
    ui::Label* labelResult1 = nullptr;
    ui::Label* labelResult2 = nullptr;
    ui::Label* labelHelp = nullptr;
};

}  // namespace ohmkit::circuits
