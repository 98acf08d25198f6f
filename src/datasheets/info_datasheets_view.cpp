#include "datasheets/info_datasheets_view.h"

#include "app/utils.h"
#include "datasheets/info_datasheet_open.h"
#include "platform/atomic_upload.h"
#include "platform/files.h"
#include "platform/log.h"
#include "platform/text.h"

namespace ohmkit::datasheets {

using platform::format;

InfoDatasheetsView::InfoDatasheetsView() : ui::ViewController("InfoDatasheetsView") {}

void InfoDatasheetsView::loadView()
{
    setTitle("Datasheets");
    mainTableData = addOutlet<ui::TableView>("mainTableData");
    labelFilesInfo = addOutlet<ui::Label>("labelFilesInfo");
    addButton("onButtonRefresh", "Refresh", [this] { onButtonRefresh(); });
    addButton("onButtonFTP", "FTP upload", [this] { onButtonFTP(); });
    mainTableData->setDataSource(this);
    mainTableData->setDelegate(this);
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
    // 1. Find the documents directory.
    const std::string dir = platform::documentsDirectory();
    // 2. Empty the list.
    filesList.clear();
    // 3. Its entries, one level, in listing order; an unreadable folder lists nothing.
    // 4. Every entry is marked and listed, no sorting; only the temporary files of uploads
    //    under way are no datasheets yet.
    for (const std::string& name : platform::directoryEntries(dir)) {
        if (platform::isUploadTemporaryName(name)) continue;
        const std::string path = format("%s/%s", dir.c_str(), name.c_str());
        app::Utils::addSkipBackupAttributeToItemAtURL(app::fileURLWithPath(path));
        filesList.push_back(name);
    }
    // 5. The count line.
    labelFilesInfo->setText(format("Files: %lu", static_cast<unsigned long>(filesList.size())));
}

void InfoDatasheetsView::prepareForSegue(ui::StoryboardSegue& segue, const void*)
{
    if (segue.identifier != "ShowDatasheet") return;
    if (auto* viewer = dynamic_cast<InfoDatasheetOpen*>(segue.destination)) viewer->fileName = fileToOpen;
}

int InfoDatasheetsView::numberOfSectionsInTableView(ui::TableView&) { return 1; }

int InfoDatasheetsView::tableViewNumberOfRowsInSection(ui::TableView&, int)
{
    return static_cast<int>(filesList.size());
}

std::shared_ptr<ui::TableViewCell> InfoDatasheetsView::tableViewCellForRowAtIndexPath(ui::TableView& table,
                                                                                      ui::IndexPath path)
{
    static const std::string cellIdentifier = "Cell";
    auto cell = table.dequeueReusableCellWithIdentifier(cellIdentifier);
    if (!cell) cell = std::make_shared<ui::TableViewCell>(ui::TableViewCell::Style::Default, cellIdentifier);
    const bool inList = path.row >= 0 && static_cast<std::size_t>(path.row) < filesList.size();
    cell->textLabel().setText(inList ? filesList[static_cast<std::size_t>(path.row)] : std::string());
    return cell;
}

void InfoDatasheetsView::tableViewDidSelectRowAtIndexPath(ui::TableView&, ui::IndexPath path)
{
    if (path.row < 0 || static_cast<std::size_t>(path.row) >= filesList.size()) return;
    fileToOpen = filesList[static_cast<std::size_t>(path.row)];
    platform::logFormat("Show: %s", fileToOpen.c_str());
    performSegueWithIdentifier("ShowDatasheet", this);
}

}  // namespace ohmkit::datasheets
