#pragma once
// The datasheet store's list: every entry of the documents directory, a count line, a refresh
// button and the way to the upload screen; a row opens the viewer.
#include <string>
#include <vector>

#include "ui/view_controller.h"

namespace ohmkit::datasheets {

class InfoDatasheetsView : public ui::ViewController, public ui::TableViewDataSource, public ui::TableViewDelegate {
public:
    InfoDatasheetsView();

    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void prepareForSegue(ui::StoryboardSegue& segue, const void* sender) override;

    void onButtonRefresh();
    void onButtonFTP();
    // Lists the documents directory into filesList, marks every entry excluded from backups
    // and shows the count.
    void updateFilesList();

    int numberOfSectionsInTableView(ui::TableView& table) override;
    int tableViewNumberOfRowsInSection(ui::TableView& table, int section) override;
    std::shared_ptr<ui::TableViewCell> tableViewCellForRowAtIndexPath(ui::TableView& table, ui::IndexPath path) override;
    void tableViewDidSelectRowAtIndexPath(ui::TableView& table, ui::IndexPath path) override;

    ui::TableView* mainTableData = nullptr;
    ui::Label* labelFilesInfo = nullptr;
    std::vector<std::string> filesList;
    std::string fileToOpen;
};

}  // namespace ohmkit::datasheets
