#pragma once
// The datasheet store's list: every entry of the documents directory with its size, date and
// a type icon, a count line, a refresh button and the way to the upload screen; a row opens
// the viewer.
//
// A filter field narrows the rows to the names that contain what is typed (case-insensitive),
// and the order can be switched between the folder's own listing order (the default), natural
// name order and newest first; both last for the visit only. In editing mode (the Edit button)
// each row offers Delete, which asks for confirmation naming the file, and a tap on a row asks
// for a new name. Names are refused as the FTP server refuses them (see deleteStoreEntry).
#include <string>
#include <vector>

#include "datasheets/datasheet_files.h"
#include "ui/table_view.h"
#include "ui/view_controller.h"

namespace ohmkit::datasheets {

class InfoDatasheetsView : public ui::ViewController,
                           public ui::TableViewDataSource,
                           public ui::TableViewDelegate,
                           public ui::TextFieldDelegate {
public:
    enum class SortOrder { Listing, Name, Newest };
    enum class Prompt { None, Delete, Rename };

    InfoDatasheetsView();

    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void prepareForSegue(ui::StoryboardSegue& segue, const void* sender) override;

    void onButtonRefresh();
    void onButtonFTP();
    // Lists the documents directory into filesList, marks every entry excluded from backups
    // and shows the count; the rows follow the filter and the order.
    void updateFilesList();

    // Editing mode on and off (the Edit / Done button).
    void onButtonEdit();
    void setSortOrder(SortOrder order);
    SortOrder sortOrder() const { return sortOrder_; }
    // Asks to confirm deleting, or for a new name of, the entry `name` (nothing while a
    // question is open).
    void beginDelete(const std::string& name);
    std::string folderDeleteQuestion(const std::string& name) const;
    void beginRename(const std::string& name);
    void onButtonConfirmDelete();
    void onButtonConfirmRename();
    void onButtonCancelPrompt();
    Prompt prompt() const { return prompt_; }

    // The names shown as rows, in row order.
    std::vector<std::string> shownNames() const;

    int numberOfSectionsInTableView(ui::TableView& table) override;
    int tableViewNumberOfRowsInSection(ui::TableView& table, int section) override;
    std::shared_ptr<ui::TableViewCell> tableViewCellForRowAtIndexPath(ui::TableView& table, ui::IndexPath path) override;
    void tableViewCommitEditingStyle(ui::TableView& table, ui::TableViewCellEditingStyle style,
                                     ui::IndexPath path) override;
    void tableViewDidSelectRowAtIndexPath(ui::TableView& table, ui::IndexPath path) override;
    bool textFieldShouldReturn(ui::TextField& field) override;

    ui::TableView* mainTableData = nullptr;
    ui::Label* labelFilesInfo = nullptr;
    ui::TextField* textFilter = nullptr;
    ui::Label* labelSortOrder = nullptr;      // the order in force, in words
    ui::Label* labelPrompt = nullptr;         // the question asked; hidden when none
    ui::TextField* textNewName = nullptr;     // the new name while renaming
    ui::Label* labelPromptError = nullptr;    // why the last answer failed; hidden when none
    ui::Label* labelFilesShown = nullptr;     // "1 of 6 shown" while the filter hides some; else hidden
    std::vector<std::string> filesList;       // every entry, in listing order
    std::string fileToOpen;

private:
    // Applies the filter and the order to the listed files (the rows), without reloading.
    void arrangeRows();
    void showPrompt(Prompt prompt, const std::string& question);
    void closePrompt();
    void showPromptError(const std::string& error);
    const DatasheetFile* rowFile(ui::IndexPath path) const;

    std::vector<DatasheetFile> files_;        // what filesList names, in the same order
    std::vector<std::size_t> rows_;           // indices into files_, as shown
    SortOrder sortOrder_ = SortOrder::Listing;
    Prompt prompt_ = Prompt::None;
    std::string promptName_;
};

// The words for an order ("Folder order", "Name", "Newest first").
const char* sortOrderTitle(InfoDatasheetsView::SortOrder order);

}  // namespace ohmkit::datasheets
