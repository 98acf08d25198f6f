#pragma once
// RC, RL and LC: the time constants with the 63 % and 99 % times and the first-order cut-off
// frequencies of RC and RL, the resonance of LC, and the reactances of C and L at a frequency.
#include "tools/circuits/circuit_screen.h"

namespace ohmkit::circuits {

// The formulas, in ohms, farads, henries, hertz and seconds.
namespace filters {
double timeConstantRC(double ohms, double farads);        // tau = R C
double timeConstantRL(double ohms, double henries);       // tau = L / R
double cutOffRC(double ohms, double farads);              // fc = 1 / (2 pi R C)
double cutOffRL(double ohms, double henries);             // fc = R / (2 pi L)
double resonanceLC(double henries, double farads);        // f0 = 1 / (2 pi sqrt(L C))
double reactanceC(double hertz, double farads);           // Xc = 1 / (2 pi f C)
double reactanceL(double hertz, double henries);          // XL = 2 pi f L
// A step response reaches 63.2 % of its end after one time constant, 99 % after ln(100) of them.
inline constexpr double kTo99Percent = 4.605170185988092;
}  // namespace filters

class InfoFilters : public CircuitScreen {
public:
    InfoFilters();

    void loadView() override;
    void viewDidLoad() override;
    void showResults() override;

    ui::TextField* textResistance = nullptr;   // ohms
    ui::TextField* textCapacitance = nullptr;  // microfarads
    ui::TextField* textInductance = nullptr;   // millihenries
    ui::TextField* textFrequency = nullptr;    // hertz
    ui::Label* labelRC = nullptr;
    ui::Label* labelRL = nullptr;
    ui::Label* labelLC = nullptr;
    ui::Label* labelReactance = nullptr;
    ui::Label* labelHelp = nullptr;
};

}  // namespace ohmkit::circuits
