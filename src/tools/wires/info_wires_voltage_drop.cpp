#include "tools/wires/info_wires_voltage_drop.h"

#include "platform/text.h"
#include "tools/quantity.h"

namespace ohmkit::wires {

using platform::floatValue;
using platform::format;

namespace {

// The table's key for a typed wire size: blanks around dropped, "4/0" to "1/0" as "0000" to
// "0", and a whole number written with zero decimals ("18.0") as the number.
std::string awgKey(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    if (text.size() == 3 && text[0] >= '1' && text[0] <= '4' && text.substr(1) == "/0")
        return std::string(static_cast<std::size_t>(text[0] - '0'), '0');
    if (const std::size_t point = text.find('.'); point != std::string_view::npos && point > 0 &&
                                                  point + 1 < text.size() &&
                                                  text.find_first_not_of('0', point + 1) == std::string_view::npos)
        text = text.substr(0, point);
    return std::string(text);
}

}  // namespace

InfoWiresVoltageDrop::InfoWiresVoltageDrop() : ui::ViewController("InfoWiresVoltageDrop") {}

void InfoWiresVoltageDrop::loadView()
{
    setTitle("Wire voltage drop");
    textAWGNum = addOutlet<ui::TextField>("textAWGNum");
    textCurrent = addOutlet<ui::TextField>("textCurrent");
    textLength = addOutlet<ui::TextField>("textLength");
    labelResult1 = addOutlet<ui::Label>("labelResult1");
    labelResult2 = addOutlet<ui::Label>("labelResult2");
    labelResult3 = addOutlet<ui::Label>("labelResult3");
    labelHint = addOutlet<ui::Label>("labelHint");
    buttonWireInfo = addOutlet<ui::Button>("buttonWireInfo");
    buttonWireInfo->setTitle("AWG wire table");
    buttonWireInfo->setAction("onShowAWGWires", [this] { onShowAWGWires(this); });
    labelHint->setText("AWG sizes from 0000 (4/0) to 40; the length is one way, the return wire is counted.");

    for (ui::TextField* field : {textAWGNum, textCurrent, textLength}) {
        field->setDelegate(this);
        field->setEditingChanged([this](ui::TextField& f) { textFieldDidChange(f); });
        field->setKeyboard(ui::TextField::Keyboard::Decimal);
    }
    textAWGNum->setKeyboard(ui::TextField::Keyboard::Numbers);
}

void InfoWiresVoltageDrop::viewDidLoad()
{
    setRightBarImage("wire_small.png");
    textAWGNum->setText("18");
    textCurrent->setText("5");
    textLength->setText("10");
    showResults();
}

const std::vector<InfoWiresVoltageDrop::Entry>& InfoWiresVoltageDrop::copperResistance()
{
    static const std::vector<Entry> table = {
        {"0000", "0.000161"}, {"000", "0.000203"}, {"00", "0.000256"}, {"0", "0.000323"}, {"1", "0.000407"},
        {"2", "0.000513"},    {"3", "0.000647"},   {"4", "0.000815"},  {"5", "0.00103"},  {"6", "0.00130"},
        {"7", "0.00163"},     {"8", "0.00206"},    {"9", "0.00260"},   {"10", "0.00328"}, {"11", "0.00413"},
        {"12", "0.00521"},    {"13", "0.00657"},   {"14", "0.00829"},  {"15", "0.0104"},  {"16", "0.0132"},
        {"17", "0.0166"},     {"18", "0.0210"},    {"19", "0.0264"},   {"20", "0.0333"},  {"21", "0.0420"},
        {"22", "0.0530"},     {"23", "0.0668"},    {"24", "0.0842"},   {"25", "0.106"},   {"26", "0.134"},
        {"27", "0.169"},      {"28", "0.213"},     {"29", "0.268"},    {"30", "0.339"},   {"31", "0.427"},
        {"32", "0.538"},      {"33", "0.679"},     {"34", "0.856"},    {"35", "1.08"},    {"36", "1.36"},
        {"37", "1.72"},       {"38", "2.16"},      {"39", "2.73"},     {"40", "3.44"},
    };
    return table;
}

bool InfoWiresVoltageDrop::textFieldShouldReturn(ui::TextField& field)
{
    field.resignFirstResponder();
    showResults();
    return true;
}

void InfoWiresVoltageDrop::textFieldDidChange(ui::TextField&) { showResults(); }

void InfoWiresVoltageDrop::onShowAWGWires(const void*) { performSegueWithIdentifier("ShowWiresView2", this); }

void InfoWiresVoltageDrop::showResults()
{
    const std::string awg = awgKey(textAWGNum->text());
    const Entry* found = nullptr;
    for (const Entry& entry : copperResistance())
        if (entry.first == awg) {
            found = &entry;
            break;
        }

    if (!found) {
        labelResult1->setText("Incorrect input");
        labelResult2->setText("");
        labelResult3->setText("");
        return;
    }

    // The resistance exactly as stored.
    const std::string value(found->second);
    labelResult1->setText(format("Resistance, Ohm/m: %s", value.c_str()));

    // The numbers: the stored resistance, and the length and current as typed.
    const float r = floatValue(value);
    // An empty length or current, or text that is no number, is no wire run.
    const tools::Reading length = tools::readNumber(textLength->text(), "m");
    const tools::Reading current = tools::readNumber(textCurrent->text(), "A");
    if (!length.ok() || !current.ok()) {
        labelResult2->setText("Incorrect input");
        labelResult3->setText("");
        return;
    }
    const float L = platform::roundToFloat(length.value);
    const float I = platform::roundToFloat(current.value);

    // Both conductors, out and back.
    const float Vcu = (r * (L + L)) * I;
    const float Val = Vcu * kAluminiumFactor;

    // A negative length or current is bad input, and so is a drop too large to print (only
    // absurd input gives one): the message takes the place of the drops.
    if (L < 0.0f || I < 0.0f || !platform::isShowableResult(Val)) {
        labelResult2->setText("Incorrect input");
        labelResult3->setText("");
        return;
    }

    // Copper, and aluminium from copper.
    labelResult2->setText(format("Voltage drop (copper): %.2fV", static_cast<double>(Vcu)));
    labelResult3->setText(format("Voltage drop (alum.): %.2fV", static_cast<double>(Val)));
}

}  // namespace ohmkit::wires
