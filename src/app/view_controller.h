#pragma once
// The main menu: the tools in named groups, one table section per group, under a search field
// that keeps the tools whose name or keywords hold every word typed. A tap on a row opens its
// tool.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/ohmkit_view_item.h"
#include "ui/view_controller.h"

namespace ohmkit::app {

struct MenuGroup {
    std::string title;
    std::vector<std::shared_ptr<OhmkitViewItem>> items;
};

class ViewController : public ui::ViewController,
                       public ui::TableViewDataSource,
                       public ui::TableViewDelegate,
                       public ui::TextFieldDelegate {
public:
    ViewController();

    void loadView() override;
    void viewDidLoad() override;

    int numberOfSectionsInTableView(ui::TableView& table) override;
    std::string tableViewTitleForHeaderInSection(ui::TableView& table, int section) override;
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

    // Shows the groups and rows that match the query (all of them when it is blank).
    void filterTools(std::string_view query);
    // Whether every word of the query (case folded) is part of the item's name, keywords or
    // group title.
    static bool matchesQuery(const OhmkitViewItem& item, const std::string& groupTitle, std::string_view query);
    bool textFieldShouldReturn(ui::TextField& field) override;

    // Marks every entry of the documents directory as excluded from backups.
    void clearFilesAttributes();

    ui::TextField* textSearch = nullptr;
    ui::Label* labelNoMatch = nullptr;
    ui::TableView* tableData = nullptr;
    // Every tool, in menu order.
    std::vector<std::shared_ptr<OhmkitViewItem>> items;
    // Every tool by group, and the groups and rows the search leaves (the table's sections).
    std::vector<MenuGroup> groups;
    std::vector<MenuGroup> shown;

private:
    ui::Button* buttonRate_ = nullptr;
};

}  // namespace ohmkit::app
