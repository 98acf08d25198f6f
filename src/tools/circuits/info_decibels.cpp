#include "tools/circuits/info_decibels.h"

#include <cmath>

#include "platform/text.h"

namespace ohmkit::circuits {

namespace decibels {

double fromVoltageRatio(double ratio) { return 20.0 * std::log10(ratio); }
double fromPowerRatio(double ratio) { return 10.0 * std::log10(ratio); }
double toVoltageRatio(double dB) { return std::pow(10.0, dB / 20.0); }
double toPowerRatio(double dB) { return std::pow(10.0, dB / 10.0); }
double dBmFromWatts(double watts) { return 10.0 * std::log10(watts * 1000.0); }
double wattsFromDBm(double dBm) { return std::pow(10.0, dBm / 10.0) * 1e-3; }

}  // namespace decibels

namespace {

// "6.02 dB"; a level that prints as -0.00 is 0.00.
std::string dBText(double dB, const char* unit)
{
    std::string text = platform::format("%.2f %s", dB, unit);
    if (text.rfind("-0.00 ", 0) == 0) text.erase(0, 1);
    return text;
}

// A ratio in four significant digits: "3.162", "0.5", "1e+06" for the large ones.
std::string ratioText(double ratio) { return platform::format("%.4g", ratio); }

bool showable(double a, double b = 0.0) { return platform::isShowableResult(a) && platform::isShowableResult(b); }

}  // namespace

InfoDecibels::InfoDecibels() : CircuitScreen("InfoDecibels") {}

void InfoDecibels::loadView()
{
    setTitle("Decibels");
    textVoltageRatio = addField("textVoltageRatio");
    labelVoltageRatio = addOutlet<ui::Label>("labelVoltageRatio");
    textPowerRatio = addField("textPowerRatio");
    labelPowerRatio = addOutlet<ui::Label>("labelPowerRatio");
    textDecibels = addField("textDecibels");
    labelDecibels = addOutlet<ui::Label>("labelDecibels");
    textDBm = addField("textDBm");
    labelDBm = addOutlet<ui::Label>("labelDBm");
    textWatts = addField("textWatts");
    labelWatts = addOutlet<ui::Label>("labelWatts");
    textVolts = addField("textVolts");
    labelVolts = addOutlet<ui::Label>("labelVolts");
    textLevel = addField("textLevel");
    labelLevel = addOutlet<ui::Label>("labelLevel");
    labelHelp = addOutlet<ui::Label>("labelHelp");
    labelHelp->setText("dB = 20 log10(V2/V1) = 10 log10(P2/P1); dBm against 1 mW, dBV against 1 V rms, "
                       "dBu against 0.7746 V rms (1 mW in 600 Ohm).");
}

void InfoDecibels::viewDidLoad()
{
    setRightBarImage("db_small.png");
    textVoltageRatio->setText("2");
    textPowerRatio->setText("2");
    textDecibels->setText("3");
    textDBm->setText("0");
    textWatts->setText("1");
    textVolts->setText("1");
    textLevel->setText("0");
    showResults();
}

void InfoDecibels::showResults()
{
    // An empty field leaves its line empty; a ratio, power or voltage must be above zero.
    auto line = [](ui::Label* label, const FieldValue& in, bool positive, auto text) {
        if (in.state == FieldValue::State::Empty) return label->setText("");
        if (!in.isNumber() || (positive && !in.isPositive())) return label->setText(kIncorrectInput);
        std::string out = text(in.value);
        label->setText(out.empty() ? kIncorrectInput : out);
    };
    line(labelVoltageRatio, read(textVoltageRatio), true, [](double r) {
        const double dB = decibels::fromVoltageRatio(r);
        return showable(dB) ? dBText(dB, "dB") : std::string();
    });
    line(labelPowerRatio, read(textPowerRatio), true, [](double r) {
        const double dB = decibels::fromPowerRatio(r);
        return showable(dB) ? dBText(dB, "dB") : std::string();
    });
    line(labelDecibels, read(textDecibels), false, [](double dB) {
        const double v = decibels::toVoltageRatio(dB);
        const double p = decibels::toPowerRatio(dB);
        return showable(v, p) && p > 0.0 ? "Voltage ratio " + ratioText(v) + ", power ratio " + ratioText(p) : std::string();
    });
    line(labelDBm, read(textDBm), false, [](double dBm) {
        const double w = decibels::wattsFromDBm(dBm);
        return showable(w) && w > 0.0 ? "P = " + siText(w, "W") : std::string();
    });
    line(labelWatts, read(textWatts), true, [](double w) {
        const double dBm = decibels::dBmFromWatts(w);
        return showable(dBm) ? dBText(dBm, "dBm") : std::string();
    });
    line(labelVolts, read(textVolts), true, [](double v) {
        const double dBV = decibels::fromVoltageRatio(v);
        const double dBu = decibels::fromVoltageRatio(v / decibels::kDBuVolts);
        return showable(dBV, dBu) ? dBText(dBV, "dBV") + ", " + dBText(dBu, "dBu") : std::string();
    });
    line(labelLevel, read(textLevel), false, [](double dB) {
        const double dBV = decibels::toVoltageRatio(dB);
        const double dBu = dBV * decibels::kDBuVolts;
        return showable(dBV, dBu) && dBu > 0.0
                   ? dBText(dB, "dBV") + " = " + siText(dBV, "V") + ", " + dBText(dB, "dBu") + " = " + siText(dBu, "V")
                   : std::string();
    });
}

}  // namespace ohmkit::circuits
