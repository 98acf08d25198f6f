#pragma once
// The main menu: a one-section table of the eleven tools. A tap on a row opens its tool.
#include <memory>
#include <vector>

#include "app/ohmkit_view_item.h"
#include "ui/view_controller.h"

namespace ohmkit::app {

class ViewController : public ui::ViewController, public ui::TableViewDataSource, public ui::TableViewDelegate {
public:
    ViewController();

    void loadView() override;
    void viewDidLoad() override;

    int tableViewNumberOfRowsInSection(ui::TableView& table, int section) override;
    std::shared_ptr<ui::TableViewCell> tableViewCellForRowAtIndexPath(ui::TableView& table, ui::IndexPath path) override;
    std::optional<float> tableViewHeightForRowAtIndexPath(ui::TableView& table, ui::IndexPath path) override;
    void tableViewDidSelectRowAtIndexPath(ui::TableView& table, ui::IndexPath path) override;

    void onShowCapacitor(const void* sender);
    void onShowResistor(const void* sender);
    void onShowResistorValues(const void* sender);
    void onShowResistorSMD(const void* sender);
    void onShowInd(const void* sender);
    void onShowLed(const void* sender);
    void onShowWires(const void* sender);
    void onShowVoltageDrop(const void* sender);
    void onShowNE555(const void* sender);
    void onShowSolarCalc(const void* sender);
    void onShowDatasheet(const void* sender);
    void onButtonRate(const void* sender);

    // Marks every entry of the documents directory as excluded from backups.
    void clearFilesAttributes();

    ui::TableView* tableData = nullptr;
    std::vector<std::shared_ptr<OhmkitViewItem>> items;

private:
    ui::Button* buttonRate_ = nullptr;
};

}  // namespace ohmkit::app
