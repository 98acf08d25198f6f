#include "tools/resistors/info_resistors_values.h"

#include <cmath>
#include <cstdlib>

#include "platform/text.h"
#include "tools/quantity.h"

namespace ohmkit::resistors {

using platform::format;

namespace {

// The result's unit by the typed value's decade, and the fewest decimals it always shows:
// "4.7 KOhm" and "1.0 KOhm" from 1 to 10 kilo-ohms, whole kilo-ohms up to a megohm.
struct Range {
    double scale;
    int minimumDecimals;
    const char* unit;
};

Range rangeOf(double ohms)
{
    if (ohms < 1000) return {1, 0, "Ohms"};
    if (ohms < 10000) return {1000, 1, "KOhm"};
    if (ohms < 1000000) return {1000, 0, "KOhm"};
    return {1000000, 1, "MOhm"};
}

// A standard value in the range's unit, with as many decimals as it needs (4.99 KOhm in E96)
// and at least the range's own.
std::string figure(double ohms, const Range& range)
{
    const double value = ohms / range.scale;
    std::string text;
    for (int decimals = range.minimumDecimals; decimals <= 6; ++decimals) {
        text = format("%.*f", decimals, value);
        if (std::fabs(std::strtod(text.c_str(), nullptr) - value) <= value * tools::kStandardValueTolerance) break;
    }
    return text;
}

}  // namespace

InfoResistorsValues::InfoResistorsValues() : ui::ViewController("InfoResistorsValues") {}

void InfoResistorsValues::loadView()
{
    setTitle("Resistor values");
    textResistance = addOutlet<ui::TextField>("textResistance");
    labelResult = addOutlet<ui::Label>("labelResult");
    pickerSeries = addOutlet<ui::PickerView>("pickerSeries");
    // Letters are part of the notation ("4k7"), so the field takes the full keyboard.
    textResistance->setPlaceholder("Ohms, or 4k7, 4.7k, 2M2, 47R");
    textResistance->setDelegate(this);
    textResistance->setEditingChanged([this](ui::TextField& field) { textFieldDidChange(field); });
    pickerSeries->setDataSource(this);
    pickerSeries->setDelegate(this);
}

void InfoResistorsValues::viewDidLoad()
{
    setRightBarImage("res_small.png");
    pickerSeries->reloadAllComponents();
    pickerSeries->selectRow(static_cast<int>(series), 0);
    textResistance->setText("12345");
    showResults();
}

void InfoResistorsValues::textFieldDidChange(ui::TextField&) { showResults(); }

bool InfoResistorsValues::textFieldShouldReturn(ui::TextField& field)
{
    field.resignFirstResponder();
    showResults();
    return true;
}

int InfoResistorsValues::numberOfComponentsInPickerView(ui::PickerView&) { return 1; }

int InfoResistorsValues::pickerViewNumberOfRowsInComponent(ui::PickerView&, int component)
{
    return component == 0 ? static_cast<int>(tools::allSeries().size()) : 0;
}

std::optional<std::string> InfoResistorsValues::pickerViewTitleForRow(ui::PickerView&, int row, int component)
{
    const auto all = tools::allSeries();
    if (component != 0 || row < 0 || row >= static_cast<int>(all.size())) return std::nullopt;
    return std::string(tools::seriesName(all[static_cast<std::size_t>(row)]));
}

void InfoResistorsValues::pickerViewDidSelectRow(ui::PickerView&, int row, int component)
{
    const auto all = tools::allSeries();
    if (component != 0 || row < 0 || row >= static_cast<int>(all.size())) return;
    series = all[static_cast<std::size_t>(row)];
    showResults();
}

void InfoResistorsValues::showResults() { labelResult->setText(resultLine(textResistance->text(), series)); }

std::string InfoResistorsValues::resultLine(std::string_view text, tools::ESeries series)
{
    // A text the reader refuses (thousands separators, text after the number) is not guessed at.
    const tools::Reading reading = tools::readOhms(text);
    if (!reading.ok()) return "Incorrect value";
    // One ohm to ten megohms, both standard in every series.
    const double v = reading.value;
    const double tolerance = tools::kStandardValueTolerance;
    if (!(v >= 1 * (1 - tolerance) && v <= 1e7 * (1 + tolerance))) return "Incorrect value";
    const tools::StandardNeighbours around = tools::standardNeighbours(v, series);
    if (!std::isfinite(around.below) || !std::isfinite(around.above)) return "Incorrect value";
    // The typed value's decade chooses the unit, so 999 shows "910 or 1000 Ohms".
    const Range range = rangeOf(v);
    if (around.below == around.above)
        return format("Nearest value: %s %s", figure(around.above, range).c_str(), range.unit);
    return format("Nearest value: %s or %s %s", figure(around.below, range).c_str(), figure(around.above, range).c_str(),
                  range.unit);
}

}  // namespace ohmkit::resistors
