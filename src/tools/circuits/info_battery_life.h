#pragma once
// Battery life: hours and days from the capacity, the average current (or the active and sleep
// currents of a duty cycle) and a derating factor for what a real cell gives.
#include <optional>

#include "tools/circuits/circuit_screen.h"

namespace ohmkit::circuits {

class InfoBatteryLife : public CircuitScreen {
public:
    InfoBatteryLife();

    void loadView() override;
    void viewDidLoad() override;
    void showResults() override;

    // The mean of a current that is `activeMilliamps` for `activePercent` of the time and
    // `sleepMilliamps` otherwise.
    static double averageCurrent(double activeMilliamps, double activePercent, double sleepMilliamps);
    // Hours from mAh, mA and the derating (above 0, at most 1); nothing for bad input.
    static std::optional<double> hours(double capacityMilliampHours, double milliamps, double derating);
    static constexpr const char* kDefaultDerating = "0.85";

    ui::TextField* textCapacity = nullptr;        // mAh
    ui::TextField* textCurrent = nullptr;         // mA, average; empty for the duty cycle
    ui::TextField* textActiveCurrent = nullptr;   // mA
    ui::TextField* textActiveTime = nullptr;      // % of the time
    ui::TextField* textSleepCurrent = nullptr;    // mA
    ui::TextField* textDerating = nullptr;
    ui::Label* labelAverage = nullptr;
    ui::Label* labelResult = nullptr;
    ui::Label* labelHelp = nullptr;
};

}  // namespace ohmkit::circuits
