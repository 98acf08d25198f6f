#include "tools/components/info_induction_view.h"

#include "platform/text.h"
#include "tools/band_colors.h"

namespace ohmkit::components {

using platform::format;

InfoInductionView::InfoInductionView() : ui::ViewController("InfoInductionView") {}

void InfoInductionView::loadView()
{
    setTitle("Inductor colors");
    pickerView = addOutlet<ui::PickerView>("pickerView");
    labelResults = addOutlet<ui::Label>("labelResults");
    pickerView->setDataSource(this);
    pickerView->setDelegate(this);
}

void InfoInductionView::viewDidLoad()
{
    setRightBarImage("ind_small.png");
    m_cArrayData1 = {"Brown", "Red", "Orange", "Yellow", "Green", "Blue", "Violet", "Gray", "White"};
    m_cArrayData2 = {"Black", "Brown", "Red", "Orange", "Yellow", "Green", "Blue", "Violet", "Gray", "White"};
    m_cArrayData3 = {"Black", "Brown", "Red", "Orange", "Yellow", "Gold", "Silver"};
    m_cArrayData4 = {"none", "Black", "Gold", "Silver"};
    pickerView->reloadAllComponents();
    showResults(0, 0, 0, 0);
}

const std::vector<std::string>* InfoInductionView::wheel(int component) const
{
    switch (component) {
    case 0: return &m_cArrayData1;
    case 1: return &m_cArrayData2;
    case 2: return &m_cArrayData3;
    case 3: return &m_cArrayData4;
    default: return nullptr;
    }
}

int InfoInductionView::numberOfComponentsInPickerView(ui::PickerView&) { return 4; }

int InfoInductionView::pickerViewNumberOfRowsInComponent(ui::PickerView&, int component)
{
    return ui::wheelRowCount(wheel(component));
}

std::optional<float> InfoInductionView::pickerViewRowHeightForComponent(ui::PickerView&, int) { return 32.0f; }

std::shared_ptr<ui::View> InfoInductionView::pickerViewViewForRow(ui::PickerView&, int row, int component, ui::View*)
{
    // A new swatch every time; the offered view is not reused.
    const std::string* colour = ui::wheelRowText(wheel(component), row);
    if (!colour) return std::make_shared<ui::Label>();
    return resistors::makeBandSwatch(*colour);
}

void InfoInductionView::pickerViewDidSelectRow(ui::PickerView&, int, int)
{
    showResults(pickerView->selectedRowInComponent(0), pickerView->selectedRowInComponent(1),
                pickerView->selectedRowInComponent(2), pickerView->selectedRowInComponent(3));
}

void InfoInductionView::showResults(int data1, int data2, int data3, int data4)
{
    labelResults->setText(resultLine(data1, data2, data3, data4));
}

std::string InfoInductionView::resultLine(int r0, int r1, int r2, int r3)
{
    // The two digits and the two-digit value.
    const int d1 = r0 + 1;
    const int d2 = r1;
    const int v = 10 * d1 + d2;
    // Value text and unit by the multiplier band, printed digit by digit.
    std::string value;
    const char* unit = "uH";
    switch (r2) {
    case 0:
    default: value = format("%d", v); break;                                       // Black  x 1
    case 1: value = format("%d", 10 * v); break;                                   // Brown  x 10
    case 2: value = format("%d.%d", d1, d2), unit = "mH"; break;                   // Red    x 100
    case 3: value = format("%d", v), unit = "mH"; break;                           // Orange x 1000
    case 4: value = format("%d%d0", d1, d2), unit = "mH"; break;                   // Yellow x 10000
    case 5: value = format("%d.%d", d1, d2); break;                                // Gold   x 0.1
    case 6: value = format("%.3f", static_cast<double>(v) * 0.01); break;          // Silver x 0.01
    }
    // Tolerance band: none and Black 20 %, Gold 5 %, Silver 10 %.
    int tolerance = 20;
    if (r3 == 2) tolerance = 5;
    else if (r3 == 3) tolerance = 10;
    return format("Inductance: %s %s +-%d%%", value.c_str(), unit, tolerance);
}

}  // namespace ohmkit::components
