#include "tools/circuits/info_trace_width.h"

#include <cmath>

#include "platform/text.h"

namespace ohmkit::circuits {

namespace {

constexpr double kMmPerMil = 0.0254;
constexpr double kCopperOhmMetre = 1.72e-8;   // resistivity at 20 C
constexpr double kCopperPerKelvin = 0.00393;  // its rise per kelvin

}  // namespace

InfoTraceWidth::InfoTraceWidth() : CircuitScreen("InfoTraceWidth") {}

void InfoTraceWidth::loadView()
{
    setTitle("PCB trace width");
    textCurrent = addField("textCurrent");
    textRise = addField("textRise");
    textCopper = addField("textCopper");
    textLength = addField("textLength");
    buttonLayer = addButton("onToggleLayer", "", [this] { onToggleLayer(this); });
    labelWidth = addOutlet<ui::Label>("labelWidth");
    labelLoss = addOutlet<ui::Label>("labelLoss");
    labelNote = addOutlet<ui::Label>("labelNote");
    labelHelp = addOutlet<ui::Label>("labelHelp");
    labelHelp->setText("I = k x dT^0.44 x A^0.725, A in mil2, k = 0.048 outer, 0.024 inner layers (IPC-2221); "
                       "1 oz copper = 35 um; resistance at 20 C plus the rise.");
}

void InfoTraceWidth::viewDidLoad()
{
    setRightBarImage("trace_small.png");
    textCurrent->setText("1");
    textRise->setText("10");
    textCopper->setText("1");
    textLength->setText("100");
    innerLayer = false;
    showResults();
}

void InfoTraceWidth::onToggleLayer(const void*)
{
    innerLayer = !innerLayer;
    showResults();
}

std::optional<TraceWidth> InfoTraceWidth::compute(double amps, double riseC, double ounces, bool inner, double lengthMm)
{
    if (!(amps > 0.0) || !(riseC > 0.0) || !(ounces > 0.0) || !(lengthMm >= 0.0)) return std::nullopt;
    const double k = inner ? kInner : kOuter;
    TraceWidth t;
    t.areaSquareMils = std::pow(amps / (k * std::pow(riseC, 0.44)), 1.0 / 0.725);
    t.widthMils = t.areaSquareMils / (ounces * kMilsPerOunce);
    t.widthMm = t.widthMils * kMmPerMil;
    const double areaSquareMetres = t.areaSquareMils * (kMmPerMil * 1e-3) * (kMmPerMil * 1e-3);
    t.ohms = kCopperOhmMetre * (1.0 + kCopperPerKelvin * riseC) * (lengthMm * 1e-3) / areaSquareMetres;
    t.volts = amps * t.ohms;
    t.watts = amps * t.volts;
    for (double value : {t.areaSquareMils, t.widthMils, t.ohms, t.watts})
        if (!platform::isShowableResult(value)) return std::nullopt;
    return t;
}

void InfoTraceWidth::showResults()
{
    buttonLayer->setTitle(innerLayer ? "Inner layer, k = 0.024" : "Outer layer, k = 0.048");
    const FieldValue I = read(textCurrent);
    const FieldValue dT = read(textRise);
    const FieldValue oz = read(textCopper);
    FieldValue length = read(textLength);
    // No length: the width alone.
    if (length.state == FieldValue::State::Empty) length = {FieldValue::State::Number, 0.0};

    std::optional<TraceWidth> t;
    if (I.isNumber() && dT.isNumber() && oz.isNumber() && length.isNumber())
        t = compute(I.value, dT.value, oz.value, innerLayer, length.value);
    if (!t) {
        labelWidth->setText(kIncorrectInput);
        labelLoss->setText("");
        labelNote->setText("");
        return;
    }
    labelWidth->setText(platform::format("Width: %.3f mm (%.1f mil)", t->widthMm, t->widthMils));
    if (length.value > 0.0)
        labelLoss->setText(platform::format("R = %s, drop %s, loss %s", siText(t->ohms, "Ohm").c_str(),
                                            siText(t->volts, "V").c_str(), siText(t->watts, "W").c_str()));
    else
        labelLoss->setText("");
    // The chart the fit comes from covers these; beyond them the figure is an extrapolation.
    const bool charted = I.value <= 35.0 && dT.value >= 10.0 && dT.value <= 100.0 && t->widthMils <= 400.0;
    labelNote->setText(charted ? "" : "Outside the chart (up to 35 A, 10 to 100 C rise, 400 mil): an estimate only.");
}

}  // namespace ohmkit::circuits
