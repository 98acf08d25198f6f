#include "tools/circuits/info_ohms_law.h"

#include <cmath>

#include "platform/text.h"

namespace ohmkit::circuits {

InfoOhmsLaw::InfoOhmsLaw() : CircuitScreen("InfoOhmsLaw") {}

void InfoOhmsLaw::loadView()
{
    setTitle("Ohm's law");
    textVoltage = addField("textVoltage");
    textCurrent = addField("textCurrent");
    textResistance = addField("textResistance");
    textPower = addField("textPower");
    labelResult1 = addOutlet<ui::Label>("labelResult1");
    labelResult2 = addOutlet<ui::Label>("labelResult2");
    labelHelp = addOutlet<ui::Label>("labelHelp");
    for (ui::TextField* field : {textVoltage, textCurrent, textResistance, textPower}) field->setPlaceholder("empty");
    labelHelp->setText("Enter two values and leave two empty. V = I x R (Ohm's law), P = V x I (Joule's law).");
}

void InfoOhmsLaw::viewDidLoad()
{
    setRightBarImage("ohm_small.png");
    textVoltage->setText("12");
    textCurrent->setText("0.01");
    showResults();
}

std::optional<OhmsLaw> InfoOhmsLaw::solve(std::optional<double> V, std::optional<double> I, std::optional<double> R,
                                          std::optional<double> P)
{
    const int given = int{V.has_value()} + int{I.has_value()} + int{R.has_value()} + int{P.has_value()};
    if (given != 2) return std::nullopt;
    OhmsLaw r;
    if (V && I) {
        if (*I == 0.0) return std::nullopt;
        r = {*V, *I, *V / *I, *V * *I};
    } else if (V && R) {
        if (*R == 0.0) return std::nullopt;
        r = {*V, *V / *R, *R, *V * *V / *R};
    } else if (V && P) {
        if (*V == 0.0 || *P == 0.0) return std::nullopt;
        r = {*V, *P / *V, *V * *V / *P, *P};
    } else if (I && R) {
        r = {*I * *R, *I, *R, *I * *I * *R};
    } else if (I && P) {
        if (*I == 0.0) return std::nullopt;
        r = {*P / *I, *I, *P / (*I * *I), *P};
    } else {
        if (*R == 0.0) return std::nullopt;
        r = {std::sqrt(*P * *R), std::sqrt(*P / *R), *R, *P};
    }
    for (double value : {r.volts, r.amps, r.ohms, r.watts})
        if (!platform::isShowableResult(value)) return std::nullopt;
    return r;
}

void InfoOhmsLaw::showResults()
{
    const ui::TextField* fields[] = {textVoltage, textCurrent, textResistance, textPower};
    std::optional<double> values[4];
    int given = 0;
    for (int i = 0; i < 4; ++i) {
        const FieldValue read = CircuitScreen::read(fields[i]);
        if (read.state == FieldValue::State::Empty) continue;
        // A negative value is no quantity here: the signs of V and I go together.
        if (!read.isAmount()) {
            labelResult1->setText(kIncorrectInput);
            labelResult2->setText("");
            return;
        }
        values[i] = read.value;
        ++given;
    }
    if (given != 2) {
        labelResult1->setText("Enter exactly two of V, I, R and P");
        labelResult2->setText("");
        return;
    }
    const auto solved = solve(values[0], values[1], values[2], values[3]);
    if (!solved) {
        labelResult1->setText("No result for these two values (a zero divides, or too large)");
        labelResult2->setText("");
        return;
    }
    // The two values the user did not enter, in the order V, I, R, P.
    const std::string texts[] = {"V = " + siText(solved->volts, "V"), "I = " + siText(solved->amps, "A"),
                                 "R = " + siText(solved->ohms, "Ohm"), "P = " + siText(solved->watts, "W")};
    ui::Label* lines[] = {labelResult1, labelResult2};
    int next = 0;
    for (int i = 0; i < 4 && next < 2; ++i)
        if (!values[i]) lines[next++]->setText(texts[i]);
}

}  // namespace ohmkit::circuits
