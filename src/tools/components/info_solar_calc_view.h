#pragma once
// The solar battery screen: a list of consumers (name, watts, hours a day) with the battery
// voltage, the daily sun hours and the power of one panel give the daily energy, the battery
// capacity (and twice that), a charge current, the number of panels, the averaged output of
// one panel and the peak charging current. The list lives only while the screen is open.
#include <vector>

#include "tools/components/info_solar_calc_item.h"
#include "ui/view_controller.h"

namespace ohmkit::components {

class InfoSolarCalcView : public ui::ViewController,
                          public ui::TextFieldDelegate,
                          public ui::TableViewDataSource,
                          public ui::TableViewDelegate {
public:
    InfoSolarCalcView();

    void loadView() override;
    void viewDidLoad() override;

    // Appends the consumer described by the three item fields; a negative or absurd power or
    // usage is not added and shows "Incorrect input".
    void onButtonAddItem(const void* sender);
    // Toggles delete mode; an empty list does not enter it.
    void onButtonDelItems(const void* sender);
    void textFieldDidChanged(ui::TextField& field);
    bool textFieldShouldReturn(ui::TextField& field) override;
    // Recomputes every result.
    void calculateResults();

    int numberOfSectionsInTableView(ui::TableView& table) override;
    int tableViewNumberOfRowsInSection(ui::TableView& table, int section) override;
    std::optional<float> tableViewHeightForRowAtIndexPath(ui::TableView& table, ui::IndexPath path) override;
    std::shared_ptr<ui::TableViewCell> tableViewCellForRowAtIndexPath(ui::TableView& table, ui::IndexPath path) override;
    std::optional<ui::IndexPath> tableViewWillSelectRowAtIndexPath(ui::TableView& table, ui::IndexPath path) override;
    void tableViewDidSelectRowAtIndexPath(ui::TableView& table, ui::IndexPath path) override;
    ui::TableViewCellEditingStyle tableViewEditingStyleForRowAtIndexPath(ui::TableView& table,
                                                                         ui::IndexPath path) override;
    void tableViewCommitEditingStyle(ui::TableView& table, ui::TableViewCellEditingStyle style,
                                     ui::IndexPath path) override;

    std::vector<InfoSolarCalcItem> items;
    bool bDeleteMode = false;

    ui::ScrollView* scrollView = nullptr;
    ui::TableView* mainTable = nullptr;
    ui::TextField* textItemName = nullptr;
    ui::TextField* textItemPower = nullptr;
    ui::TextField* textItemUsage = nullptr;
    ui::TextField* textVoltage = nullptr;
    ui::TextField* textSunHours = nullptr;
    ui::TextField* textPanelPower = nullptr;
    ui::Label* labelResult1 = nullptr;
    ui::Label* labelResult2 = nullptr;
    ui::Label* labelResult3 = nullptr;
    ui::Label* labelResult4 = nullptr;
    ui::Label* labelResult5 = nullptr;
    ui::Label* labelResult6 = nullptr;
    ui::Label* labelResultPeakCurrent = nullptr;

private:
    // Whether a power and a daily usage make a consumer that can be added.
    static bool isConsumer(float power, float usage);
    // "Incorrect input" in the result label at `first` (0 is labelResult1), "--" in the later ones.
    void showIncorrectInputFrom(std::size_t first);
};

}  // namespace ohmkit::components
