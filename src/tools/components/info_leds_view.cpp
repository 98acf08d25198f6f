#include "tools/components/info_leds_view.h"

#include <climits>

#include "platform/text.h"

namespace ohmkit::components {

using platform::typedFloatValue;
using platform::format;

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

const std::vector<int>& InfoLedsView::standardResistors()
{
    // Not a complete E24 series: it starts 1, 2, 3 and lacks 16, 18, 300, 360 and 220000.
    static const std::vector<int> values = {
        1,      2,      3,
        10,     11,     12,     13,     15,     20,     22,     24,     27,     30,     33,     36,
        39,     43,     47,     51,     56,     62,     68,     75,     82,     91,
        100,    110,    120,    130,    150,    160,    180,    200,    220,    240,    270,    330,
        390,    430,    470,    510,    560,    620,    680,    750,    820,    910,
        1000,   1100,   1200,   1300,   1500,   1600,   1800,   2000,   2200,   2400,   2700,   3000,
        3300,   3600,   3900,   4300,   4700,   5100,   5600,   6200,   6800,   7500,   8200,   9100,
        10000,  11000,  12000,  13000,  15000,  16000,  18000,  20000,  22000,  24000,  27000,  30000,
        33000,  36000,  39000,  43000,  47000,  51000,  56000,  62000,  68000,  75000,  82000,  91000,
        100000, 110000, 120000, 130000, 150000, 160000, 180000, 200000, 240000, 270000, 300000, 330000,
        360000, 390000, 430000, 470000, 510000, 560000, 620000, 680000, 750000, 820000, 910000,
    };
    return values;
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

int InfoLedsView::ledsCount() const { return platform::intValue(m_cLedsCount->text()); }

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
    const float Vf = typedFloatValue(m_cVoltageOnLED->text());
    const float I = typedFloatValue(m_cCurrentOnLED->text());
    const float Vs = typedFloatValue(m_cVoltage->text());
    const int N = ledsCount();

    // Input checks, in this order; only the first failing one is shown.
    if (static_cast<double>(Vf) < 0.1) return showMessage("LED forward voltage cannot be null");
    if (N <= 0) return showMessage("Incorrect number of LEDs");
    if (I < 1.0f) return showMessage("Incorrect LED current");

    // The voltage left for the resistor.
    const float Vr = Vs - Vf * static_cast<float>(N);
    if (Vr <= 0.0f) return showMessage("Battery voltage is low");

    // The current in amperes: multiplied in double, rounded back to single.
    const float Ia = static_cast<float>(static_cast<double>(I) * 0.001);
    const float ratio = Vr / Ia;
    if (ratio < 1.0f) return showMessage("Battery voltage is low");

    // Resistance truncated toward zero, and the dissipated power. Results too large to
    // print (only an absurd supply gives them) are bad input rather than noise.
    const float P = Ia * Vr;
    if (!platform::isShowableResult(ratio) || !platform::isShowableResult(P)) return showMessage("Incorrect input");
    const long long R = platform::truncToLongLong(ratio);

    // The first standard resistor at or above the exact ratio: one above the truncated R
    // could pass more current than the LED takes (2.857 Ohm must not recommend 2 Ohm).
    std::optional<int> Rs;
    for (int value : standardResistors())
        if (static_cast<float>(value) >= ratio) {
            Rs = value;
            break;
        }

    // The first standard rating at or above P.
    std::optional<float> W;
    for (float rating : powerRatings())
        if (rating >= P) {
            W = rating;
            break;
        }

    const std::string rating = ratingText(W);

    m_cResults->setText(format("R = %lld Ohm, P = %.2f W", R, static_cast<double>(P)));

    if (!Rs) m_cResults2->setText("");
    else if (*Rs < 1000) m_cResults2->setText(format("Recommended: %d Ohm, %s W", *Rs, rating.c_str()));
    else if (*Rs <= 9999)
        m_cResults2->setText(format("Recommended: %d.%d KOhm, %s W", *Rs / 1000, (*Rs % 1000) / 100, rating.c_str()));
    else m_cResults2->setText(format("Recommended: %d KOhm, %s W", *Rs / 1000, rating.c_str()));
}

}  // namespace ohmkit::components
