#pragma once
// PCB trace width by the IPC-2221 chart fit: the width a copper track needs for a current at a
// temperature rise, with the track's resistance, voltage drop and power loss over a length.
#include <optional>

#include "tools/circuits/circuit_screen.h"

namespace ohmkit::circuits {

struct TraceWidth {
    double areaSquareMils = 0;
    double widthMils = 0;
    double widthMm = 0;
    double ohms = 0;    // over the length, at 20 C plus the rise
    double volts = 0;
    double watts = 0;
};

class InfoTraceWidth : public CircuitScreen {
public:
    InfoTraceWidth();

    void loadView() override;
    void viewDidLoad() override;
    void showResults() override;
    // Switches between an outer and an inner layer.
    void onToggleLayer(const void* sender);

    // I = k dT^0.44 A^0.725 solved for A (square mils); k is 0.048 outside, 0.024 inside.
    static constexpr double kOuter = 0.048;
    static constexpr double kInner = 0.024;
    static constexpr double kMilsPerOunce = 1.378;   // copper of 1 oz/ft2 is 35 um thick
    static std::optional<TraceWidth> compute(double amps, double riseC, double ounces, bool inner, double lengthMm);

    ui::TextField* textCurrent = nullptr;   // A
    ui::TextField* textRise = nullptr;      // C
    ui::TextField* textCopper = nullptr;    // oz/ft2
    ui::TextField* textLength = nullptr;    // mm
    ui::Button* buttonLayer = nullptr;
    ui::Label* labelWidth = nullptr;
    ui::Label* labelLoss = nullptr;
    ui::Label* labelNote = nullptr;
    ui::Label* labelHelp = nullptr;
    bool innerLayer = false;
};

}  // namespace ohmkit::circuits
