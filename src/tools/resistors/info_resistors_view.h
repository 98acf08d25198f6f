#pragma once
// The resistor colour-code screen: six band wheels, one result line.
#include <string>
#include <vector>

#include "ui/view_controller.h"

namespace ohmkit::resistors {

class InfoResistorsView : public ui::ViewController, public ui::PickerViewDataSource, public ui::PickerViewDelegate {
public:
    InfoResistorsView();

    void loadView() override;
    void viewDidLoad() override;

    int numberOfComponentsInPickerView(ui::PickerView& picker) override;
    int pickerViewNumberOfRowsInComponent(ui::PickerView& picker, int component) override;
    std::optional<float> pickerViewRowHeightForComponent(ui::PickerView& picker, int component) override;
    std::shared_ptr<ui::View> pickerViewViewForRow(ui::PickerView& picker, int row, int component, ui::View* reusing) override;
    std::optional<std::string> pickerViewTitleForRow(ui::PickerView& picker, int row, int component) override;
    void pickerViewDidSelectRow(ui::PickerView& picker, int row, int component) override;

    // Computes the result line from the selected rows of wheels 0 to 5 and shows it.
    void showResults(int data1, int data2, int data3, int data4, int data5, int data6);
    // The result line itself (what showResults shows).
    static std::string resultLine(int r0, int r1, int r2, int r3, int r4, int r5);

    ui::PickerView* pickerView = nullptr;
    ui::Label* labelResults = nullptr;
    std::vector<std::string> m_cArrayData1, m_cArrayData2, m_cArrayData3, m_cArrayData4, m_cArrayData5,
        m_cArrayData6;

private:
    const std::vector<std::string>* wheel(int component) const;
};

}  // namespace ohmkit::resistors
