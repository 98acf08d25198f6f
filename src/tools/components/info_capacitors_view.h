#pragma once
// The capacitor-code screen: four wheels (two significant digits, a multiplier digit and a
// tolerance letter) and a result page with the code and the capacitance in pF, nF and uF,
// written as exact decimal text.
#include <string>
#include <vector>

#include "ui/view_controller.h"

namespace ohmkit::components {

class InfoCapacitorsView : public ui::ViewController,
                           public ui::PickerViewDataSource,
                           public ui::PickerViewDelegate {
public:
    InfoCapacitorsView();

    void loadView() override;
    void viewDidLoad() override;

    int numberOfComponentsInPickerView(ui::PickerView& picker) override;
    int pickerViewNumberOfRowsInComponent(ui::PickerView& picker, int component) override;
    std::optional<std::string> pickerViewTitleForRow(ui::PickerView& picker, int row, int component) override;
    void pickerViewDidSelectRow(ui::PickerView& picker, int row, int component) override;

    // Rebuilds the result page from the selected rows of wheels 0 to 3.
    void showResults(int data1, int data2, int data3, int data4);
    // The page for the given rows (what showResults loads); empty for a row outside its wheel.
    std::string resultPage(int data1, int data2, int data3, int data4) const;

    ui::PickerView* m_cPickerView = nullptr;
    ui::WebView* m_cResultsHTMLView = nullptr;
    std::vector<std::string> m_cArrayData1, m_cArrayData2, m_cArrayData3, m_cArrayData4;

private:
    const std::vector<std::string>* wheel(int component) const;
};

}  // namespace ohmkit::components
