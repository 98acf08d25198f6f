#include "tools/components/info_leds_view.h"

#include <climits>
#include <cmath>

#include "platform/text.h"
#include "tools/eseries.h"
#include "tools/quantity.h"

namespace ohmkit::components {

using platform::format;

namespace {

// A field's number in the given unit ("12", "12 V", "500 mV", "20mA"); an empty field reads 0,
// so that each check below names the field that is missing. Other text that is not a number
// is none. The current's field is in milliamperes already, so it takes no prefix.
std::optional<double> fieldValue(const std::string& text, std::string_view unit, bool prefixes = true)
{
    const tools::Reading reading = prefixes ? tools::readQuantity(text, unit) : tools::readNumber(text, unit);
    if (reading.ok()) return reading.value;
    if (reading.problem == tools::ReadProblem::Empty) return 0.0;
    return std::nullopt;
}

// The count: a whole number, "3" or "3 LEDs"; none for a fraction or other text.
std::optional<int> wholeCount(const std::string& text)
{
    std::optional<double> count = fieldValue(text, "LED", false);
    if (!count) count = fieldValue(text, "LEDs", false);
    if (!count || *count != std::floor(*count) || !(std::fabs(*count) <= INT_MAX)) return std::nullopt;
    return static_cast<int>(*count);
}

// A recommended resistance as the result line writes it: whole ohms below 1000 (with the one
// decimal of the values under 10, "4.3 Ohm"), then kilo-ohms.
std::string resistorText(double ohms)
{
    if (ohms < 10 && ohms != std::floor(ohms)) return format("%.1f Ohm", ohms);
    const long long r = std::llround(ohms);
    if (r < 1000) return format("%lld Ohm", r);
    if (r <= 9999) return format("%lld.%lld KOhm", r / 1000, (r % 1000) / 100);
    return format("%lld KOhm", r / 1000);
}

}  // namespace

InfoLedsView::InfoLedsView() : ui::ViewController("InfoLedsView") {}

void InfoLedsView::loadView()
{
    setTitle("LED calc");
    m_cVoltage = addOutlet<ui::TextField>("m_cVoltage");
    m_cLedsCount = addOutlet<ui::TextField>("m_cLedsCount");
    m_cVoltageOnLED = addOutlet<ui::TextField>("m_cVoltageOnLED");
    m_cCurrentOnLED = addOutlet<ui::TextField>("m_cCurrentOnLED");
    m_cResults = addOutlet<ui::Label>("m_cResults");
    m_cResults2 = addOutlet<ui::Label>("m_cResults2");
    m_cSchematic = addOutlet<ui::ImageView>("m_cSchematic");
    addButton("onLedsDecrease", "-", [this] { onLedsDecrease(this); });
    addButton("onLedsIncrease", "+", [this] { onLedsIncrease(this); });

    for (ui::TextField* field : {m_cVoltage, m_cLedsCount, m_cVoltageOnLED, m_cCurrentOnLED}) {
        field->setDelegate(this);
        field->setEditingChanged([this](ui::TextField& f) { textFieldDidChange(f); });
        field->setKeyboard(ui::TextField::Keyboard::Decimal);
    }
    m_cLedsCount->setKeyboard(ui::TextField::Keyboard::Numbers);
}

void InfoLedsView::viewDidLoad()
{
    setRightBarImage("led_small.png");
    m_cVoltage->setText("12");
    m_cLedsCount->setText("1");
    m_cVoltageOnLED->setText("2");
    m_cCurrentOnLED->setText("20");
    updateView();
    showResults();
}

const std::vector<float>& InfoLedsView::powerRatings()
{
    static const std::vector<float> ratings = {0.125f, 0.25f, 0.5f, 1.0f, 2.0f, 5.0f, 10.0f, 50.0f, 100.0f};
    return ratings;
}

std::string InfoLedsView::ratingText(std::optional<float> rating)
{
    if (!rating) return "> 100";
    const float W = *rating;
    if (static_cast<double>(W) < 0.2) return format("%.3f", static_cast<double>(W));
    if (W < 0.5f) return format("%.2f", static_cast<double>(W));
    if (W < 1.0f) return format("%.1f", static_cast<double>(W));
    return format("%d", platform::truncToInt(W));
}

const char* InfoLedsView::schematicForCount(int count)
{
    switch (count) {
    case 1: return "led_sch1.png";
    case 2: return "led_sch2.png";
    case 3: return "led_sch3.png";
    default: return "led_schM.png";
    }
}

int InfoLedsView::ledsCount() const
{
    // The buttons start from what the field holds, a fraction's whole part included.
    const std::optional<int> count = wholeCount(m_cLedsCount->text());
    return count ? *count : platform::intValue(m_cLedsCount->text());
}

void InfoLedsView::onLedsDecrease(const void*)
{
    const int count = ledsCount();
    if (count < 2) return;
    m_cLedsCount->setText(format("%d", count - 1));
    updateView();
    showResults();
}

void InfoLedsView::onLedsIncrease(const void*)
{
    const int count = ledsCount();
    // The count read from the text saturates at the largest int; it stays there.
    m_cLedsCount->setText(format("%d", count < INT_MAX ? count + 1 : count));
    updateView();
    showResults();
}

void InfoLedsView::updateView() { m_cSchematic->setImageName(schematicForCount(ledsCount())); }

bool InfoLedsView::textFieldShouldReturn(ui::TextField& field)
{
    field.resignFirstResponder();
    updateView();
    showResults();
    return true;
}

void InfoLedsView::textFieldDidChange(ui::TextField&)
{
    showResults();
    updateView();
}

void InfoLedsView::showMessage(const char* message)
{
    m_cResults->setText(message);
    m_cResults2->setText("");
}

void InfoLedsView::showResults()
{
    const std::optional<double> forward = fieldValue(m_cVoltageOnLED->text(), "V");
    const std::optional<double> milliamperes = fieldValue(m_cCurrentOnLED->text(), "mA", false);
    const std::optional<double> supply = fieldValue(m_cVoltage->text(), "V");
    const std::optional<int> count = wholeCount(m_cLedsCount->text());
    // Text that is no number is not guessed at; a fractional count is no number of LEDs.
    if (!forward || !milliamperes || !supply) return showMessage("Incorrect input");
    const float Vf = platform::roundToFloat(*forward);
    const float I = platform::roundToFloat(*milliamperes);
    const float Vs = platform::roundToFloat(*supply);
    if (!std::isfinite(Vf) || !std::isfinite(I) || !std::isfinite(Vs)) return showMessage("Incorrect input");

    // Input checks, in this order; only the first failing one is shown.
    if (static_cast<double>(Vf) < 0.1) return showMessage("LED forward voltage cannot be null");
    if (!count || *count <= 0) return showMessage("Incorrect number of LEDs");
    const int N = *count;
    if (*milliamperes < 0.1) return showMessage("Incorrect LED current");

    // The voltage left for the resistor.
    const float Vr = Vs - Vf * static_cast<float>(N);
    if (Vr <= 0.0f) return showMessage("Battery voltage is low");

    // The current in amperes: multiplied in double, rounded back to single.
    const float Ia = static_cast<float>(static_cast<double>(I) * 0.001);
    const float ratio = Vr / Ia;
    // The exact need, worked out in double from the typed figures so that 2.7 V / 15 mA is
    // 180 Ohm, not a hair above it.
    const double need = (*supply - *forward * N) / (*milliamperes * 0.001);
    // Under an ohm, a few millivolts of forward-voltage spread change the current by half:
    // no resistor sets it.
    if (!(need >= 1 - tools::kStandardValueTolerance))
        return showMessage("R below 1 Ohm: the supply is too close to the LED voltage");

    // Resistance truncated toward zero, and the dissipated power. Results too large to
    // print (only an absurd supply gives them) are bad input rather than noise.
    const float P = Ia * Vr;
    if (!platform::isShowableResult(ratio) || !platform::isShowableResult(P)) return showMessage("Incorrect input");
    const long long R = platform::truncToLongLong(ratio);

    // The first E24 value at or above the exact need: a smaller resistor would pass more
    // current than the LED takes. Ten megohms is the end of the usual ranges.
    const double Rs = tools::standardValueAtOrAbove(need, tools::ESeries::E24);

    // The first standard rating at or above twice the power: a resistor run at its full
    // rating runs hot.
    std::optional<float> W;
    for (float rating : powerRatings())
        if (static_cast<double>(rating) >= 2.0 * static_cast<double>(P)) {
            W = rating;
            break;
        }

    const std::string rating = ratingText(W);

    m_cResults->setText(format("R = %lld Ohm, P = %.2f W", R, static_cast<double>(P)));

    if (!(Rs <= 1e7 * (1 + tools::kStandardValueTolerance))) m_cResults2->setText("");
    else m_cResults2->setText(format("Recommended: %s, %s W (2x margin)", resistorText(Rs).c_str(), rating.c_str()));
}

}  // namespace ohmkit::components
