#include "tools/circuits/info_battery_life.h"

#include "platform/text.h"

namespace ohmkit::circuits {

InfoBatteryLife::InfoBatteryLife() : CircuitScreen("InfoBatteryLife") {}

void InfoBatteryLife::loadView()
{
    setTitle("Battery life");
    textCapacity = addField("textCapacity");
    textCurrent = addField("textCurrent");
    textActiveCurrent = addField("textActiveCurrent");
    textActiveTime = addField("textActiveTime");
    textSleepCurrent = addField("textSleepCurrent");
    textDerating = addField("textDerating");
    labelAverage = addOutlet<ui::Label>("labelAverage");
    labelResult = addOutlet<ui::Label>("labelResult");
    labelHelp = addOutlet<ui::Label>("labelHelp");
    textCurrent->setPlaceholder("from the duty cycle");
    labelHelp->setText("Life = capacity x derating / average current; average = active x share + sleep x (1 - share). "
                       "Leave the average empty to use the duty cycle.");
}

void InfoBatteryLife::viewDidLoad()
{
    setRightBarImage("battery_small.png");
    textCapacity->setText("2000");
    textCurrent->setText("10");
    textActiveCurrent->setText("20");
    textActiveTime->setText("1");
    textSleepCurrent->setText("0.05");
    textDerating->setText(kDefaultDerating);
    showResults();
}

double InfoBatteryLife::averageCurrent(double activeMilliamps, double activePercent, double sleepMilliamps)
{
    const double share = activePercent / 100.0;
    return activeMilliamps * share + sleepMilliamps * (1.0 - share);
}

std::optional<double> InfoBatteryLife::hours(double capacity, double milliamps, double derating)
{
    if (!(capacity >= 0.0) || !(milliamps > 0.0) || !(derating > 0.0) || derating > 1.0) return std::nullopt;
    const double h = capacity * derating / milliamps;
    if (!platform::isShowableResult(h)) return std::nullopt;
    return h;
}

void InfoBatteryLife::showResults()
{
    auto fail = [this](const char* message) {
        labelAverage->setText("");
        labelResult->setText(message);
    };
    const FieldValue capacity = read(textCapacity);
    FieldValue derating = read(textDerating);
    if (derating.state == FieldValue::State::Empty) derating = readField(kDefaultDerating);
    if (!capacity.isAmount() || !derating.isPositive() || derating.value > 1.0) return fail(kIncorrectInput);

    double milliamps = 0.0;
    const FieldValue average = read(textCurrent);
    if (average.state != FieldValue::State::Empty) {
        if (!average.isPositive()) return fail(kIncorrectInput);
        milliamps = average.value;
        labelAverage->setText("");
    } else {
        const FieldValue active = read(textActiveCurrent);
        const FieldValue share = read(textActiveTime);
        const FieldValue sleep = read(textSleepCurrent);
        if (!active.isAmount() || !share.isAmount() || share.value > 100.0 || !sleep.isAmount())
            return fail(kIncorrectInput);
        milliamps = averageCurrent(active.value, share.value, sleep.value);
        if (!(milliamps > 0.0)) return fail("No current: the battery lasts for ever");
        labelAverage->setText("Average current: " + siText(milliamps * 1e-3, "A"));
    }
    const auto h = hours(capacity.value, milliamps, derating.value);
    if (!h) return fail(kIncorrectInput);
    labelResult->setText(platform::format("Battery life: %.1f h (%.1f days)", *h, *h / 24.0));
}

}  // namespace ohmkit::circuits
