#include "tools/components/info_ne555_view.h"

#include <cmath>

#include "platform/text.h"
#include "tools/quantity.h"
#include "ui/utils.h"

namespace ohmkit::components {

using platform::format;

namespace {

const char* const kIncorrectInput = "Incorrect input";

// Whether a time printed with two decimals would read 0.00.
bool printsAsZero(double value) { return format("%.2f", std::fabs(value)) == "0.00"; }

}  // namespace

InfoNE555View::InfoNE555View() : ui::ViewController("InfoNE555View") {}

void InfoNE555View::loadView()
{
    setTitle("NE555 timer calc");
    m_cDataC1 = addOutlet<ui::TextField>("m_cDataC1");
    m_cDataR1 = addOutlet<ui::TextField>("m_cDataR1");
    m_cResults1 = addOutlet<ui::Label>("m_cResults1");
    m_cDataC2 = addOutlet<ui::TextField>("m_cDataC2");
    m_cDataR2_1 = addOutlet<ui::TextField>("m_cDataR2_1");
    m_cDataR2_2 = addOutlet<ui::TextField>("m_cDataR2_2");
    m_cResults2_1 = addOutlet<ui::Label>("m_cResults2_1");
    m_cResults2_2 = addOutlet<ui::Label>("m_cResults2_2");
    scrollView = addOutlet<ui::ScrollView>("scrollView");
    m_cResults2_3 = addOutlet<ui::Label>("m_cResults2_3");

    // The phone form as designed: the scroll view has this size until the window lays it out
    // to the visible part of the screen, so a content size taken from it covers the whole form.
    scrollView->setBounds({0, 0, 375, 560});
    scrollView->setCenter({375.0f / 2, 64 + 560.0f / 2});

    for (ui::TextField* field : {m_cDataC1, m_cDataR1, m_cDataC2, m_cDataR2_1, m_cDataR2_2}) {
        field->setDelegate(this);
        field->setEditingChanged([this](ui::TextField& f) { textFieldDidChange(f); });
        field->setKeyboard(ui::TextField::Keyboard::Decimal);
    }
}

void InfoNE555View::viewDidLoad()
{
    setRightBarImage("ne555_small.png");

    // The scroll view scrolls over its own size; the tablet form is larger.
    scrollView->setContentSize(scrollView->bounds().size());
    if (ui::AppDelegate::isIPad()) {
        scrollView->setBounds({0, 0, 760, 950});
        scrollView->setCenter({420, 505});
        scrollView->setContentSize({760, 950});
    }

    m_cDataC1->setText("10");
    m_cDataR1->setText("1");
    m_cDataC2->setText("10");
    m_cDataR2_1->setText("1");
    m_cDataR2_2->setText("1");
    showResults();
}

bool InfoNE555View::textFieldShouldReturn(ui::TextField& field)
{
    field.resignFirstResponder();
    showResults();
    return true;
}

void InfoNE555View::textFieldDidChange(ui::TextField&) { showResults(); }

void InfoNE555View::showResults()
{
    showMonostable();
    showAstable();
}

void InfoNE555View::showMonostable()
{
    // The fields hold microfarads and kilo-ohms; an empty field or one that is no number is no
    // circuit, and nor is a negative capacitance or resistance.
    const tools::Reading c1 = tools::readNumber(m_cDataC1->text(), "uF");
    const tools::Reading r1 = tools::readNumber(m_cDataR1->text(), "kOhm");
    if (!c1.ok() || !r1.ok()) return m_cResults1->setText(kIncorrectInput);
    const float C1 = platform::roundToFloat(c1.value);
    const float R1 = platform::roundToFloat(r1.value);
    if (C1 < 0.0f || R1 < 0.0f) return m_cResults1->setText(kIncorrectInput);

    // The pulse length in ms: the product in double, rounded to single.
    const float T = platform::roundToFloat(static_cast<double>(C1) * (static_cast<double>(R1) * 1.1));

    // Seconds above 100 ms; a pulse too short to show in ms is shown in us. A time too
    // large to print comes only from absurd input.
    std::string text;
    double shown = static_cast<double>(T);
    if (T > 100.0f) {
        shown = static_cast<double>(T) * 0.001;
        text = format("Results: T = %.2f s", shown);
    } else if (T != 0.0f && printsAsZero(shown)) {
        shown = static_cast<double>(T) * 1000.0;
        text = format("Results: T = %.2f us", shown);
    } else {
        text = format("Results: T = %.2f ms", shown);
    }
    m_cResults1->setText(platform::isShowableResult(shown) ? text : kIncorrectInput);
}

void InfoNE555View::showAstableError()
{
    m_cResults2_1->setText("Error: value too small or incorrect");
    m_cResults2_2->setText("f = n/a");
    m_cResults2_3->setText("D = n/a");
}

void InfoNE555View::showAstable()
{
    const tools::Reading c2 = tools::readNumber(m_cDataC2->text(), "uF");
    const tools::Reading r2_1 = tools::readNumber(m_cDataR2_1->text(), "kOhm");
    const tools::Reading r2_2 = tools::readNumber(m_cDataR2_2->text(), "kOhm");
    if (!c2.ok() || !r2_1.ok() || !r2_2.ok()) return showAstableError();

    // Validation: values too close to zero, and negative values (no circuit has them). The
    // typed values are compared, not their single-precision copies: 0.00001 as a float is a
    // hair below 0.00001 and would refuse the smallest capacitance the screen takes.
    if (c2.value < 0.00001 || r2_1.value < 0.001 || r2_2.value < 0.001) return showAstableError();
    const float C2 = platform::roundToFloat(c2.value);
    const float R2_1 = platform::roundToFloat(r2_1.value);
    const float R2_2 = platform::roundToFloat(r2_2.value);

    // R2_1 counts in the high time only, R2_2 in both.
    const float S = R2_1 + R2_2;

    // Low and high times in ms: each product in double, rounded to single.
    const float T2 = platform::roundToFloat(static_cast<double>(C2) * (static_cast<double>(R2_2) * 0.693));
    const float T1 = platform::roundToFloat(static_cast<double>(C2) * (static_cast<double>(S) * 0.693));

    // Both times in one unit: s when both pass 100 ms, ms when both pass 0.01 ms, else us.
    double t1 = 0.0;
    double t2 = 0.0;
    const char* unit = "us";
    if (T2 > 100.0f && T1 > 100.0f) {
        t1 = static_cast<double>(T1) * 0.001, t2 = static_cast<double>(T2) * 0.001, unit = "s";
    } else if (static_cast<double>(T1) > 0.01 && static_cast<double>(T2) > 0.01) {
        t1 = static_cast<double>(T1), t2 = static_cast<double>(T2), unit = "ms";
    } else {
        t1 = static_cast<double>(T1 * 1000.0f), t2 = static_cast<double>(T2 * 1000.0f);
    }
    // Times too large to print come only from absurd input.
    if (!platform::isShowableResult(t1) || !platform::isShowableResult(t2)) return showAstableError();
    m_cResults2_1->setText(format("t1 = %.2f %s, t2 = %.2f %s", t1, unit, t2, unit));

    // The frequency from the period, which is above zero here. Below 0.01 Hz it is shown
    // in mHz, so that a slow oscillator does not read 0.00 Hz.
    const float P = T2 + T1;
    const float F = 1000.0f / P;
    if (static_cast<double>(F) < 0.01) m_cResults2_2->setText(format("f = %.2f mHz", static_cast<double>(F) * 1000.0));
    else if (F < 1000.0f) m_cResults2_2->setText(format("f = %.2f Hz", static_cast<double>(F)));
    else m_cResults2_2->setText(format("f = %.2f kHz", static_cast<double>(1.0f / P)));

    // The share of the period the output is high: (R1 + R2) / (R1 + 2 R2), always above half.
    m_cResults2_3->setText(format("D = %.1f %%", 100.0 * static_cast<double>(T1) / static_cast<double>(P)));
}

}  // namespace ohmkit::components
