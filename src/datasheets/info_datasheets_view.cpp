#include "datasheets/info_datasheets_view.h"

#include <algorithm>

#include "datasheets/info_datasheet_open.h"
#include "store/store_entries.h"
#include "store/store_names.h"
#include "platform/files.h"
#include "platform/log.h"
#include "platform/text.h"
#include "ui/utils.h"

namespace ohmkit::datasheets {

using platform::format;

namespace {

constexpr float kRowHeight = 60;

}  // namespace

const char* sortOrderTitle(InfoDatasheetsView::SortOrder order)
{
    switch (order) {
    case InfoDatasheetsView::SortOrder::Name: return "Name";
    case InfoDatasheetsView::SortOrder::Newest: return "Newest first";
    case InfoDatasheetsView::SortOrder::Listing: break;
    }
    return "Folder order";
}

InfoDatasheetsView::InfoDatasheetsView() : ui::ViewController("InfoDatasheetsView") {}

void InfoDatasheetsView::loadView()
{
    setTitle("Datasheets");
    mainTableData = addOutlet<ui::TableView>("mainTableData");
    labelFilesInfo = addOutlet<ui::Label>("labelFilesInfo");
    textFilter = addOutlet<ui::TextField>("textFilter");
    labelSortOrder = addOutlet<ui::Label>("labelSortOrder");
    labelPrompt = addOutlet<ui::Label>("labelPrompt");
    textNewName = addOutlet<ui::TextField>("textNewName");
    labelPromptError = addOutlet<ui::Label>("labelPromptError");
    labelFilesShown = addOutlet<ui::Label>("labelFilesShown");
    addButton("onButtonRefresh", "Refresh", [this] { onButtonRefresh(); });
    addButton("onButtonFTP", "FTP upload", [this] { onButtonFTP(); });
    addButton("onButtonEdit", "Edit", [this] { onButtonEdit(); });
    addButton("onSortListing", sortOrderTitle(SortOrder::Listing), [this] { setSortOrder(SortOrder::Listing); });
    addButton("onSortByName", sortOrderTitle(SortOrder::Name), [this] { setSortOrder(SortOrder::Name); });
    addButton("onSortNewest", sortOrderTitle(SortOrder::Newest), [this] { setSortOrder(SortOrder::Newest); });
    addButton("onButtonConfirmDelete", "Delete", [this] { onButtonConfirmDelete(); });
    addButton("onButtonConfirmRename", "Rename", [this] { onButtonConfirmRename(); });
    addButton("onButtonCancelPrompt", "Cancel", [this] { onButtonCancelPrompt(); });

    mainTableData->setDataSource(this);
    mainTableData->setDelegate(this);
    mainTableData->setRowHeight(kRowHeight);
    textFilter->setPlaceholder("Filter by name");
    textFilter->setEditingChanged([this](ui::TextField&) {
        arrangeRows();
        mainTableData->reloadData();
    });
    labelSortOrder->setText(sortOrderTitle(sortOrder_));
    textNewName->setPlaceholder("New name");
    textNewName->setDelegate(this);
    closePrompt();
}

void InfoDatasheetsView::viewDidLoad()
{
    setRightBarImage("doc_small.png");
    filesList.clear();
}

void InfoDatasheetsView::viewWillAppear(bool) { onButtonRefresh(); }

void InfoDatasheetsView::onButtonRefresh()
{
    updateFilesList();
    mainTableData->reloadData();
}

void InfoDatasheetsView::onButtonFTP() { performSegueWithIdentifier("ShowFTP", this); }

void InfoDatasheetsView::updateFilesList()
{
    const std::string dir = platform::documentsDirectory();
    filesList.clear();
    files_.clear();
    // Every entry, one level, in listing order, is marked and listed; an unreadable folder
    // lists nothing. Only the temporary files of uploads under way are no datasheets yet.
    for (const std::string& name : platform::directoryEntries(dir)) {
        if (!store::isListedName(name)) continue;
        const std::string path = format("%s/%s", dir.c_str(), name.c_str());
        ui::Utils::addSkipBackupAttributeToItemAtURL(ui::fileURLWithPath(path));
        filesList.push_back(name);
        files_.push_back(describeFile(dir, name));
    }
    labelFilesInfo->setText(format("Files: %lu", static_cast<unsigned long>(filesList.size())));
    arrangeRows();
}

void InfoDatasheetsView::arrangeRows()
{
    rows_.clear();
    for (std::size_t i = 0; i < files_.size(); ++i)
        if (nameMatches(files_[i].name, textFilter->text())) rows_.push_back(i);
    const bool narrowed = rows_.size() < files_.size();
    labelFilesShown->setText(narrowed ? format("%lu of %lu shown", static_cast<unsigned long>(rows_.size()),
                                               static_cast<unsigned long>(files_.size()))
                                      : std::string());
    labelFilesShown->setHidden(!narrowed);
    const auto byName = [this](std::size_t a, std::size_t b) { return naturalCompare(files_[a].name, files_[b].name) < 0; };
    switch (sortOrder_) {
    case SortOrder::Listing: break;
    case SortOrder::Name: std::sort(rows_.begin(), rows_.end(), byName); break;
    case SortOrder::Newest:
        std::sort(rows_.begin(), rows_.end(), [&](std::size_t a, std::size_t b) {
            if (files_[a].modified != files_[b].modified) return files_[a].modified > files_[b].modified;
            return byName(a, b);
        });
        break;
    }
}

std::vector<std::string> InfoDatasheetsView::shownNames() const
{
    std::vector<std::string> names;
    for (std::size_t i : rows_) names.push_back(files_[i].name);
    return names;
}

void InfoDatasheetsView::setSortOrder(SortOrder order)
{
    sortOrder_ = order;
    labelSortOrder->setText(sortOrderTitle(order));
    arrangeRows();
    mainTableData->reloadData();
}

void InfoDatasheetsView::onButtonEdit()
{
    const bool editing = !mainTableData->isEditing();
    mainTableData->setEditing(editing, true);
    buttonForAction("onButtonEdit")->setTitle(editing ? "Done" : "Edit");
    if (!editing) closePrompt();
}

// ---- Delete and rename

void InfoDatasheetsView::showPrompt(Prompt prompt, const std::string& question)
{
    prompt_ = prompt;
    labelPrompt->setText(question);
    labelPrompt->setHidden(false);
    textNewName->setHidden(prompt != Prompt::Rename);
    buttonForAction("onButtonConfirmDelete")->setHidden(prompt != Prompt::Delete);
    buttonForAction("onButtonConfirmRename")->setHidden(prompt != Prompt::Rename);
    buttonForAction("onButtonCancelPrompt")->setHidden(false);
    showPromptError({});
}

void InfoDatasheetsView::closePrompt()
{
    prompt_ = Prompt::None;
    promptName_.clear();
    labelPrompt->setText({});
    labelPrompt->setHidden(true);
    textNewName->resignFirstResponder();
    textNewName->setHidden(true);
    for (const char* action : {"onButtonConfirmDelete", "onButtonConfirmRename", "onButtonCancelPrompt"})
        buttonForAction(action)->setHidden(true);
    showPromptError({});
}

void InfoDatasheetsView::showPromptError(const std::string& error)
{
    labelPromptError->setText(error);
    labelPromptError->setHidden(error.empty());
}

// A folder's delete takes everything in it, so the question says how much that is.
std::string InfoDatasheetsView::folderDeleteQuestion(const std::string& name) const
{
    const std::size_t files = store::countFiles(format("%s/%s", platform::documentsDirectory().c_str(), name.c_str()));
    if (files == 0) return format("Delete the empty folder \u201c%s\u201d?", name.c_str());
    return format("Delete the folder \u201c%s\u201d and the %zu %s in it?", name.c_str(), files, files == 1 ? "file" : "files");
}

// A question already asked is answered first: a second one would change, under the user's
// eyes, which entry the open question is about.
void InfoDatasheetsView::beginDelete(const std::string& name)
{
    if (prompt_ != Prompt::None) return;
    const auto it = std::find_if(files_.begin(), files_.end(), [&](const DatasheetFile& f) { return f.name == name; });
    const bool folder = it != files_.end() && it->folder;
    showPrompt(Prompt::Delete, folder ? folderDeleteQuestion(name) : format("Delete \u201c%s\u201d?", name.c_str()));
    promptName_ = name;
}

void InfoDatasheetsView::beginRename(const std::string& name)
{
    if (prompt_ != Prompt::None) return;
    showPrompt(Prompt::Rename, format("Rename \u201c%s\u201d", name.c_str()));
    promptName_ = name;
    textNewName->setText(name);
    textNewName->becomeFirstResponder();
}

void InfoDatasheetsView::onButtonConfirmDelete()
{
    if (prompt_ != Prompt::Delete) return;
    const std::string error = deleteStoreEntry(platform::documentsDirectory(), promptName_);
    if (!error.empty()) {
        platform::logFormat("Delete %s: %s", promptName_.c_str(), error.c_str());
        showPromptError(error);
        return;
    }
    platform::logFormat("Deleted: %s", promptName_.c_str());
    closePrompt();
    onButtonRefresh();
}

void InfoDatasheetsView::onButtonConfirmRename()
{
    if (prompt_ != Prompt::Rename) return;
    const std::string newName = textNewName->text();
    const std::string error = renameStoreEntry(platform::documentsDirectory(), promptName_, newName);
    if (!error.empty()) {
        platform::logFormat("Rename %s: %s", promptName_.c_str(), error.c_str());
        showPromptError(error);
        return;
    }
    platform::logFormat("Renamed: %s -> %s", promptName_.c_str(), newName.c_str());
    closePrompt();
    onButtonRefresh();
}

void InfoDatasheetsView::onButtonCancelPrompt() { closePrompt(); }

bool InfoDatasheetsView::textFieldShouldReturn(ui::TextField& field)
{
    if (&field == textNewName) onButtonConfirmRename();
    return true;
}

// ---- The table

void InfoDatasheetsView::prepareForSegue(ui::StoryboardSegue& segue, const void*)
{
    if (segue.identifier != "ShowDatasheet") return;
    if (auto* viewer = dynamic_cast<InfoDatasheetOpen*>(segue.destination)) viewer->fileName = fileToOpen;
}

const DatasheetFile* InfoDatasheetsView::rowFile(ui::IndexPath path) const
{
    if (path.section != 0 || path.row < 0 || static_cast<std::size_t>(path.row) >= rows_.size()) return nullptr;
    return &files_[rows_[static_cast<std::size_t>(path.row)]];
}

int InfoDatasheetsView::numberOfSectionsInTableView(ui::TableView&) { return 1; }

int InfoDatasheetsView::tableViewNumberOfRowsInSection(ui::TableView&, int)
{
    return static_cast<int>(rows_.size());
}

std::shared_ptr<ui::TableViewCell> InfoDatasheetsView::tableViewCellForRowAtIndexPath(ui::TableView& table,
                                                                                      ui::IndexPath path)
{
    static const std::string cellIdentifier = "Cell";
    auto cell = table.dequeueReusableCellWithIdentifier(cellIdentifier);
    if (!cell) cell = std::make_shared<ui::TableViewCell>(ui::TableViewCell::Style::Subtitle, cellIdentifier);
    const DatasheetFile* file = rowFile(path);
    cell->textLabel().setText(file ? file->name : std::string());
    cell->detailTextLabel().setText(file ? fileDetail(*file) : std::string());
    cell->imageView().setImageName(file ? iconName(*file) : "");
    return cell;
}

void InfoDatasheetsView::tableViewCommitEditingStyle(ui::TableView&, ui::TableViewCellEditingStyle style,
                                                     ui::IndexPath path)
{
    if (style != ui::TableViewCellEditingStyle::Delete) return;
    if (const DatasheetFile* file = rowFile(path)) beginDelete(file->name);
}

void InfoDatasheetsView::tableViewDidSelectRowAtIndexPath(ui::TableView&, ui::IndexPath path)
{
    const DatasheetFile* file = rowFile(path);
    if (!file) return;
    if (mainTableData->isEditing()) {
        beginRename(file->name);
        return;
    }
    fileToOpen = file->name;
    platform::logFormat("Show: %s", fileToOpen.c_str());
    performSegueWithIdentifier("ShowDatasheet", this);
}

}  // namespace ohmkit::datasheets
