#include "tools/resistors/info_resistors_view.h"

#include <iterator>

#include "platform/text.h"
#include "tools/band_colors.h"

namespace ohmkit::resistors {

using platform::format;

InfoResistorsView::InfoResistorsView() : ui::ViewController("InfoResistorsView") {}

void InfoResistorsView::loadView()
{
    setTitle("Resistor colors");
    pickerView = addOutlet<ui::PickerView>("pickerView");
    labelResults = addOutlet<ui::Label>("labelResults");
    pickerView->setDataSource(this);
    pickerView->setDelegate(this);
}

void InfoResistorsView::viewDidLoad()
{
    setRightBarImage("res_small.png");
    m_cArrayData1 = {"Brown", "Red", "Orange", "Yellow", "Green", "Blue", "Violet", "Gray", "White"};
    m_cArrayData2 = {"Black", "Brown", "Red", "Orange", "Yellow", "Green", "Blue", "Violet", "Gray", "White"};
    m_cArrayData3 = {"none",  "Black", "Brown",  "Red",  "Orange", "Yellow",
                     "Green", "Blue",  "Violet", "Gray", "White"};
    // Gold and silver multipliers and the fine tolerances come after the original rows, so
    // every row keeps its index and its result.
    m_cArrayData4 = {"Black", "Brown", "Red", "Orange", "Yellow", "Green", "Blue", "Violet", "Gold", "Silver"};
    m_cArrayData5 = {"none", "Silver", "Gold", "Brown", "Red", "Green", "Blue", "Violet", "Gray"};
    m_cArrayData6 = {"none", "Brown", "Red", "Orange", "Yellow"};
    pickerView->reloadAllComponents();
    showResults(0, 0, 0, 0, 0, 0);
}

const std::vector<std::string>* InfoResistorsView::wheel(int component) const
{
    switch (component) {
    case 0: return &m_cArrayData1;
    case 1: return &m_cArrayData2;
    case 2: return &m_cArrayData3;
    case 3: return &m_cArrayData4;
    case 4: return &m_cArrayData5;
    case 5: return &m_cArrayData6;
    default: return nullptr;
    }
}

int InfoResistorsView::numberOfComponentsInPickerView(ui::PickerView&) { return 6; }

int InfoResistorsView::pickerViewNumberOfRowsInComponent(ui::PickerView&, int component)
{
    return ui::wheelRowCount(wheel(component));
}

std::optional<float> InfoResistorsView::pickerViewRowHeightForComponent(ui::PickerView&, int) { return 32.0f; }

std::shared_ptr<ui::View> InfoResistorsView::pickerViewViewForRow(ui::PickerView&, int row, int component, ui::View*)
{
    const std::string* colour = ui::wheelRowText(wheel(component), row);
    if (!colour) return std::make_shared<ui::Label>();
    return makeBandSwatch(*colour);
}

std::optional<std::string> InfoResistorsView::pickerViewTitleForRow(ui::PickerView&, int, int) { return "1"; }

void InfoResistorsView::pickerViewDidSelectRow(ui::PickerView& picker, int, int)
{
    showResults(picker.selectedRowInComponent(0), picker.selectedRowInComponent(1), picker.selectedRowInComponent(2),
                picker.selectedRowInComponent(3), picker.selectedRowInComponent(4), picker.selectedRowInComponent(5));
}

void InfoResistorsView::showResults(int data1, int data2, int data3, int data4, int data5, int data6)
{
    labelResults->setText(resultLine(data1, data2, data3, data4, data5, data6));
}

std::string InfoResistorsView::resultLine(int r0, int r1, int r2, int r3, int r4, int r5)
{
    // Digits from the first two wheels.
    if (r0 == -1) return "Resistance: colors are not correct";
    const int d1 = r0 + 1;
    const int d2 = r1;
    // Two or three significant bands.
    const bool three = r2 != 0;
    const int d3 = r2 - 1;
    const int v = three ? 100 * d1 + 10 * d2 + d3 : 10 * d1 + d2;
    // Value text and unit by the multiplier band, printed digit by digit.
    std::string value;
    const char* unit = "Ohm";
    switch (r3) {
    case 0: value = format("%d", v); break;
    case 1:
        if (three) value = format("%d.%d%d", d1, d2, d3), unit = "KOhm";
        else value = format("%d", 10 * v);
        break;
    case 2:
        value = three ? format("%d%d.%d", d1, d2, d3) : format("%d.%d", d1, d2);
        unit = "KOhm";
        break;
    case 3:
        value = three ? format("%d%d%d", d1, d2, d3) : format("%d%d", d1, d2);
        unit = "KOhm";
        break;
    case 4:
        if (three) value = format("%d.%d%d", d1, d2, d3), unit = "MOhm";
        else value = format("%d%d0", d1, d2), unit = "KOhm";
        break;
    case 5:
        value = three ? format("%d%d.%d", d1, d2, d3) : format("%d.%d", d1, d2);
        unit = "MOhm";
        break;
    case 6:
        value = three ? format("%d%d%d", d1, d2, d3) : format("%d%d", d1, d2);
        unit = "MOhm";
        break;
    case 7:
        value = three ? format("%d%d%d0", d1, d2, d3) : format("%d%d0", d1, d2);
        unit = "MOhm";
        break;
    case 8:   // Gold, x0.1
        value = three ? format("%d%d.%d", d1, d2, d3) : format("%d.%d", d1, d2);
        break;
    case 9:   // Silver, x0.01
        value = three ? format("%d.%d%d", d1, d2, d3) : format("0.%d%d", d1, d2);
        break;
    default:
        // Rows beyond the multiplier wheel cannot be selected; show the plain value.
        value = format("%d", v);
        break;
    }
    // Tolerance (in percent, as printed) and temperature coefficient.
    static const char* const tolerances[] = {"20", "10", "5", "1", "2", "0.5", "0.25", "0.1", "0.05"};
    static const int coefficients[] = {0, 100, 50, 15, 25};
    const char* t = r4 >= 0 && r4 < static_cast<int>(std::size(tolerances)) ? tolerances[r4] : "20";
    const int c = r5 >= 1 && r5 < 5 ? coefficients[r5] : 0;
    if (c != 0) return format("Resistance: %s %s +-%s%%, %dppm", value.c_str(), unit, t, c);
    return format("Resistance: %s %s +-%s%%", value.c_str(), unit, t);
}

}  // namespace ohmkit::resistors
