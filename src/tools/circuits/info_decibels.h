#pragma once
// Decibels: voltage and power ratios to dB and back, dBm to and from watts, and volts to and
// from dBV (1 V) and dBu (0.7746 V, 1 mW in 600 Ohm). Each field converts on its own line.
#include "tools/circuits/circuit_screen.h"

namespace ohmkit::circuits {

namespace decibels {
double fromVoltageRatio(double ratio);   // 20 log10 r
double fromPowerRatio(double ratio);     // 10 log10 r
double toVoltageRatio(double dB);
double toPowerRatio(double dB);
double dBmFromWatts(double watts);       // 10 log10 (P / 1 mW)
double wattsFromDBm(double dBm);
inline constexpr double kDBuVolts = 0.7745966692414834;   // sqrt(0.6)
}  // namespace decibels

class InfoDecibels : public CircuitScreen {
public:
    InfoDecibels();

    void loadView() override;
    void viewDidLoad() override;
    void showResults() override;

    ui::TextField* textVoltageRatio = nullptr;
    ui::Label* labelVoltageRatio = nullptr;
    ui::TextField* textPowerRatio = nullptr;
    ui::Label* labelPowerRatio = nullptr;
    ui::TextField* textDecibels = nullptr;
    ui::Label* labelDecibels = nullptr;
    ui::TextField* textDBm = nullptr;
    ui::Label* labelDBm = nullptr;
    ui::TextField* textWatts = nullptr;
    ui::Label* labelWatts = nullptr;
    ui::TextField* textVolts = nullptr;
    ui::Label* labelVolts = nullptr;
    ui::TextField* textLevel = nullptr;   // dBV and dBu to volts
    ui::Label* labelLevel = nullptr;
    ui::Label* labelHelp = nullptr;
};

}  // namespace ohmkit::circuits
