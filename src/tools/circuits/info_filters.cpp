#include "tools/circuits/info_filters.h"

#include <cmath>
#include <numbers>

#include "platform/text.h"

namespace ohmkit::circuits {

namespace filters {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

double timeConstantRC(double ohms, double farads) { return ohms * farads; }
double timeConstantRL(double ohms, double henries) { return henries / ohms; }
double cutOffRC(double ohms, double farads) { return 1.0 / (kTwoPi * ohms * farads); }
double cutOffRL(double ohms, double henries) { return ohms / (kTwoPi * henries); }
double resonanceLC(double henries, double farads) { return 1.0 / (kTwoPi * std::sqrt(henries * farads)); }
double reactanceC(double hertz, double farads) { return 1.0 / (kTwoPi * hertz * farads); }
double reactanceL(double hertz, double henries) { return kTwoPi * hertz * henries; }

}  // namespace filters

namespace {

bool showable(std::initializer_list<double> values)
{
    for (double value : values)
        if (!platform::isShowableResult(value)) return false;
    return true;
}

std::string timesText(const char* name, double tau, double cutOff)
{
    return platform::format("%s: tau = %s, 99 %% after %s, fc = %s", name, siText(tau, "s").c_str(),
                            siText(tau * filters::kTo99Percent, "s").c_str(), siText(cutOff, "Hz").c_str());
}

}  // namespace

InfoFilters::InfoFilters() : CircuitScreen("InfoFilters") {}

void InfoFilters::loadView()
{
    setTitle("RC RL and LC");
    textResistance = addField("textResistance");
    textCapacitance = addField("textCapacitance");
    textInductance = addField("textInductance");
    textFrequency = addField("textFrequency");
    labelRC = addOutlet<ui::Label>("labelRC");
    labelRL = addOutlet<ui::Label>("labelRL");
    labelLC = addOutlet<ui::Label>("labelLC");
    labelReactance = addOutlet<ui::Label>("labelReactance");
    labelHelp = addOutlet<ui::Label>("labelHelp");
    labelHelp->setText("tau = RC or L/R (63 % of the step), fc = 1/(2 pi RC) or R/(2 pi L), "
                       "f0 = 1/(2 pi sqrt(LC)), Xc = 1/(2 pi f C), XL = 2 pi f L (first-order circuit theory).");
}

void InfoFilters::viewDidLoad()
{
    setRightBarImage("filter_small.png");
    textResistance->setText("1000");
    textCapacitance->setText("1");
    textInductance->setText("10");
    textFrequency->setText("1000");
    showResults();
}

void InfoFilters::showResults()
{
    const FieldValue R = read(textResistance);
    const FieldValue C = read(textCapacitance);
    const FieldValue L = read(textInductance);
    const FieldValue f = read(textFrequency);
    const double farads = C.value * 1e-6;
    const double henries = L.value * 1e-3;

    // Each line needs its own values above zero; the others may be anything.
    std::string rc = "RC: needs R and C above zero";
    if (R.isPositive() && C.isPositive()) {
        const double tau = filters::timeConstantRC(R.value, farads);
        const double fc = filters::cutOffRC(R.value, farads);
        rc = showable({tau * filters::kTo99Percent, fc}) && tau > 0.0 ? timesText("RC", tau, fc) : kIncorrectInput;
    }
    labelRC->setText(rc);

    std::string rl = "RL: needs R and L above zero";
    if (R.isPositive() && L.isPositive()) {
        const double tau = filters::timeConstantRL(R.value, henries);
        const double fc = filters::cutOffRL(R.value, henries);
        rl = showable({tau * filters::kTo99Percent, fc}) && tau > 0.0 ? timesText("RL", tau, fc) : kIncorrectInput;
    }
    labelRL->setText(rl);

    std::string lc = "LC: needs L and C above zero";
    if (L.isPositive() && C.isPositive()) {
        const double f0 = filters::resonanceLC(henries, farads);
        lc = showable({f0}) && f0 > 0.0 ? "LC: resonance f0 = " + siText(f0, "Hz") : kIncorrectInput;
    }
    labelLC->setText(lc);

    std::string x = "Reactance: needs f, and C or L, above zero";
    if (f.isPositive() && (C.isPositive() || L.isPositive())) {
        std::string parts;
        bool good = true;
        if (C.isPositive()) {
            const double xc = filters::reactanceC(f.value, farads);
            good = good && showable({xc});
            parts += "Xc = " + siText(xc, "Ohm");
        }
        if (L.isPositive()) {
            const double xl = filters::reactanceL(f.value, henries);
            good = good && showable({xl});
            parts += (parts.empty() ? "" : ", ") + ("XL = " + siText(xl, "Ohm"));
        }
        x = good ? "At " + siText(f.value, "Hz") + ": " + parts : kIncorrectInput;
    }
    labelReactance->setText(x);
}

}  // namespace ohmkit::circuits
