#pragma once
// The inductor colour-code screen: four swatch wheels (two digits, a multiplier and a
// tolerance band, base unit microhenry) and one result line.
#include <string>
#include <vector>

#include "ui/view_controller.h"

namespace ohmkit::components {

class InfoInductionView : public ui::ViewController, public ui::PickerViewDataSource, public ui::PickerViewDelegate {
public:
    InfoInductionView();

    void loadView() override;
    void viewDidLoad() override;

    int numberOfComponentsInPickerView(ui::PickerView& picker) override;
    int pickerViewNumberOfRowsInComponent(ui::PickerView& picker, int component) override;
    std::optional<float> pickerViewRowHeightForComponent(ui::PickerView& picker, int component) override;
    std::shared_ptr<ui::View> pickerViewViewForRow(ui::PickerView& picker, int row, int component,
                                                   ui::View* reusing) override;
    void pickerViewDidSelectRow(ui::PickerView& picker, int row, int component) override;

    // Writes the result line for the selected rows of wheels 0 to 3.
    void showResults(int data1, int data2, int data3, int data4);
    // The result line itself (what showResults shows).
    static std::string resultLine(int r0, int r1, int r2, int r3);

    ui::PickerView* pickerView = nullptr;
    ui::Label* labelResults = nullptr;
    std::vector<std::string> m_cArrayData1, m_cArrayData2, m_cArrayData3, m_cArrayData4;

private:
    const std::vector<std::string>* wheel(int component) const;
};

}  // namespace ohmkit::components
