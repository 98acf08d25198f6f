#include "datasheets/info_datasheets_view.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <sstream>

#include "app/command_line.h"
#include "app/routes.h"
#include "datasheets/info_datasheet_open.h"
#include "datasheets_test_support.h"
#include "platform/files.h"
#include "platform/log.h"
#include "ui/application.h"

using namespace ohmkit;
using datasheets::InfoDatasheetOpen;
using datasheets::InfoDatasheetsView;
using datasheets::test::TempDocuments;
using datasheets::test::runMainLoopUntil;

namespace {

// The application's navigation stack with the list screen opened from the menu.
struct Store {
    // The upload screen may be opened: never on the real port in a test.
    datasheets::test::ScopedEnv port{"OHMKIT_FTP_PORT", std::to_string(datasheets::test::freeLoopbackPort())};
    datasheets::test::ScopedEnv httpPort{"OHMKIT_HTTP_PORT", std::to_string(datasheets::test::freeLoopbackPort())};
    std::shared_ptr<app::AppNavigationController> nav = app::makeAppNavigationController();
    InfoDatasheetsView* list = nullptr;

    Store()
    {
        ui::ViewController* menu = nav->topViewController();
        EXPECT_TRUE(nav->performSegue("ShowDatasheetsView", *menu, menu));
        list = dynamic_cast<InfoDatasheetsView*>(nav->topViewController());
    }
    ~Store()
    {
        while (nav->popViewControllerAnimated(false)) {}
    }
    std::vector<std::string> rows() const
    {
        std::vector<std::string> out;
        for (int r = 0; r < list->mainTableData->numberOfRowsInSection(0); ++r)
            out.push_back(list->mainTableData->cellForRow({0, r})->textLabel().text());
        return out;
    }
};

std::vector<std::string> sorted(std::vector<std::string> names)
{
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST(DatasheetList, EmptyFolderShowsNoRows)
{
    TempDocuments docs;
    Store store;
    ASSERT_NE(store.list, nullptr);
    EXPECT_EQ(store.list->mainTableData->numberOfSections(), 1);
    EXPECT_TRUE(store.rows().empty());
    EXPECT_EQ(store.list->labelFilesInfo->text(), "Files: 0");
    EXPECT_EQ(store.list->navigationItem().rightImageName, "doc_small.png");
}

TEST(DatasheetList, ListsEveryEntryAndMarksItExcludedFromBackup)
{
    TempDocuments docs;
    docs.write("LM317.pdf", "%PDF-1.4\n");
    docs.write(".hidden", "x");
    docs.write(".ohmkit-upload-Ab12Cd", "an upload under way");
    docs.write("notes without extension", "x");
    ::mkdir((docs.path() + "/sub folder").c_str(), 0700);
    docs.write("sub folder/inside.pdf", "x");   // one level only

    Store store;
    const std::vector<std::string> expected = {".hidden", "LM317.pdf", "notes without extension", "sub folder"};
    EXPECT_EQ(sorted(store.rows()), expected);
    // Listing order, as the folder lists itself: no sorting.
    std::vector<std::string> inOrder = platform::directoryEntries(docs.path());
    std::erase(inOrder, ".ohmkit-upload-Ab12Cd");
    EXPECT_EQ(store.rows(), inOrder);
    EXPECT_EQ(store.list->labelFilesInfo->text(), "Files: 4");
    for (const auto& name : expected) EXPECT_TRUE(platform::isExcludedFromBackup(docs.path() + "/" + name)) << name;
    EXPECT_FALSE(platform::isExcludedFromBackup(docs.path() + "/sub folder/inside.pdf"));
}

TEST(DatasheetList, RebuiltWhenAboutToAppearAndOnRefresh)
{
    TempDocuments docs;
    Store store;
    EXPECT_EQ(store.list->labelFilesInfo->text(), "Files: 0");

    docs.write("a.pdf", "x");   // arrives while the list is shown
    EXPECT_EQ(store.list->labelFilesInfo->text(), "Files: 0");
    store.list->buttonForAction("onButtonRefresh")->userTap();
    EXPECT_EQ(store.rows(), std::vector<std::string>{"a.pdf"});

    // Uploaded while the upload screen is shown: listed on return, without refresh.
    store.list->buttonForAction("onButtonFTP")->userTap();
    ASSERT_EQ(store.nav->topViewController()->className(), "InfoDatasheetsFTP");
    docs.write("b.pdf", "x");
    store.nav->popViewControllerAnimated(true);
    EXPECT_EQ(sorted(store.rows()), (std::vector<std::string>{"a.pdf", "b.pdf"}));
    EXPECT_EQ(store.list->labelFilesInfo->text(), "Files: 2");
    EXPECT_TRUE(platform::isExcludedFromBackup(docs.path() + "/b.pdf"));
}

TEST(DatasheetList, ARowOpensTheViewerWithThatName)
{
    TempDocuments docs;
    const std::string name = "TL431 ref\xc3\xa9rence.pdf";   // a blank and a non-ASCII letter
    docs.write(name, datasheets::test::minimalPdf("TL431"));
    Store store;
    platform::LogCapture log;
    store.list->mainTableData->userSelect({0, 0});

    auto* viewer = dynamic_cast<InfoDatasheetOpen*>(store.nav->topViewController());
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(store.list->fileToOpen, name);
    EXPECT_TRUE(log.contains("Show: " + name));
    EXPECT_EQ(viewer->fileName, name);
    EXPECT_EQ(viewer->navigationItem().title, name);
    EXPECT_EQ(viewer->webView->url(), "file://" + docs.path() + "/" + name);
    EXPECT_EQ(viewer->documentKind(), ui::DocumentKind::Pdf);
}

TEST(DatasheetViewer, TheWaitCursorSpinsUntilTheLoadFinishes)
{
    TempDocuments docs;
    docs.write("a.txt", "hello\n");
    Store store;
    store.list->mainTableData->userSelect({0, 0});
    auto* viewer = dynamic_cast<InfoDatasheetOpen*>(store.nav->topViewController());
    ASSERT_NE(viewer, nullptr);
    EXPECT_TRUE(viewer->waitCursor->isAnimating());
    EXPECT_TRUE(viewer->webView->isLoading());
    EXPECT_TRUE(runMainLoopUntil([&] { return !viewer->webView->isLoading(); }));
    EXPECT_FALSE(viewer->waitCursor->isAnimating());
    EXPECT_EQ(viewer->webView->stoppedLoads(), 0);
}

TEST(DatasheetViewer, LeavingWhileLoadingStopsTheLoad)
{
    TempDocuments docs;
    docs.write("big.pdf", "%PDF-1.4\n");
    Store store;
    store.list->mainTableData->userSelect({0, 0});
    auto viewerRef = store.nav->viewControllers().back();
    auto* viewer = dynamic_cast<InfoDatasheetOpen*>(viewerRef.get());
    ASSERT_NE(viewer, nullptr);
    ASSERT_TRUE(viewer->webView->isLoading());

    // Moving to a parent changes nothing.
    viewer->didMoveToParentViewController(store.nav.get());
    EXPECT_TRUE(viewer->webView->isLoading());
    EXPECT_EQ(viewer->webView->delegate(), viewer);

    store.nav->popViewControllerAnimated(true);
    EXPECT_FALSE(viewer->webView->isLoading());
    EXPECT_EQ(viewer->webView->stoppedLoads(), 1);
    EXPECT_EQ(viewer->webView->delegate(), nullptr);
    // A late report from the front end reaches nobody.
    viewer->webView->loadDidFinish();
    runMainLoopUntil([] { return false; }, 0.05);
    EXPECT_EQ(store.nav->topViewController(), store.list);
}

TEST(DatasheetViewer, AVanishedFileIsStillHandedToTheViewer)
{
    TempDocuments docs;
    docs.write("gone.pdf", "x");
    Store store;
    ::unlink((docs.path() + "/gone.pdf").c_str());
    store.list->mainTableData->userSelect({0, 0});
    auto* viewer = dynamic_cast<InfoDatasheetOpen*>(store.nav->topViewController());
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(viewer->fileName, "gone.pdf");
    EXPECT_EQ(viewer->documentKind(), ui::DocumentKind::Unsupported);
}

TEST(DatasheetList, ScriptedMode)
{
    TempDocuments docs;
    docs.write("a.pdf", "%PDF-1.4\n");
    std::ostringstream out, err;
    ASSERT_EQ(app::runScript({"ShowDatasheetsView"}, out, err), 0) << err.str();
    EXPECT_EQ(out.str(), "mainTableData[0]: a.pdf\nlabelFilesInfo: Files: 1\ntextFilter: \nlabelSortOrder: Folder order\n"
                         "labelPrompt: \ntextNewName: \nlabelPromptError: \nlabelFilesShown: \n");

    std::ostringstream viewerOut, viewerErr;
    ASSERT_EQ(app::runScript({"ShowDatasheetsView", "row:mainTableData:0"}, viewerOut, viewerErr), 0) << viewerErr.str();
    EXPECT_EQ(viewerOut.str(), "webView: file://" + docs.path() +
                                   "/a.pdf\nwaitCursor: stopped\nlabelFileInfo: 9 B \u00b7 PDF document\nlabelOpenError: \n");

    // Renaming from a script: editing mode, the row, the new name, return.
    std::ostringstream renameOut, renameErr;
    ASSERT_EQ(app::runScript({"ShowDatasheetsView", "tap:onButtonEdit", "row:mainTableData:0", "textNewName=b.pdf",
                              "return:textNewName"},
                             renameOut, renameErr),
              0)
        << renameErr.str();
    EXPECT_EQ(renameOut.str().rfind("mainTableData[0]: b.pdf\n", 0), 0u) << renameOut.str();
}

namespace {

// Gives a file a modification time (seconds since the epoch).
void touch(const std::string& path, std::time_t when)
{
    const timespec times[2] = {{when, 0}, {when, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

}  // namespace

TEST(DatasheetList, RowsShowSizeDateAndATypeIcon)
{
    TempDocuments docs;
    docs.write("LM358.pdf", datasheets::test::minimalPdf("LM358"));
    ::mkdir((docs.path() + "/old").c_str(), 0700);
    Store store;
    for (int r = 0; r < 2; ++r) {
        auto cell = store.list->mainTableData->cellForRow({0, r});
        const bool folder = cell->textLabel().text() == "old";
        EXPECT_EQ(cell->style(), ui::TableViewCell::Style::Subtitle);
        EXPECT_EQ(cell->imageView().imageName(), folder ? "doc_folder" : "doc_pdf");
        const std::string size = folder ? "Folder" : datasheets::humanSize(datasheets::test::minimalPdf("LM358").size());
        const std::string& detail = cell->detailTextLabel().text();
        EXPECT_EQ(detail.rfind(size + " \u00b7 20", 0), 0u) << detail;   // then the date
    }
    EXPECT_EQ(store.list->mainTableData->heightForRow({0, 0}), 60.0f);
}

TEST(DatasheetList, FilterNarrowsTheRowsAsYouTypeAndKeepsTheCount)
{
    TempDocuments docs;
    for (const char* name : {"LM317.pdf", "lm358.pdf", "NE555.pdf", "notes.txt"}) docs.write(name, "x");
    Store store;
    store.list->textFilter->userEdit("lm3");
    EXPECT_EQ(sorted(store.list->shownNames()), (std::vector<std::string>{"LM317.pdf", "lm358.pdf"}));
    EXPECT_EQ(sorted(store.rows()), sorted(store.list->shownNames()));
    EXPECT_EQ(store.list->labelFilesInfo->text(), "Files: 4");   // the count line counts the store
    EXPECT_EQ(store.list->labelFilesShown->text(), "2 of 4 shown");
    EXPECT_FALSE(store.list->labelFilesShown->isHidden());
    store.list->textFilter->userEdit("xyz");
    EXPECT_TRUE(store.rows().empty());
    EXPECT_EQ(store.list->labelFilesShown->text(), "0 of 4 shown");
    // The filter holds across a refresh and a return from another screen.
    store.list->textFilter->userEdit("NE5");
    store.list->buttonForAction("onButtonRefresh")->userTap();
    EXPECT_EQ(store.rows(), std::vector<std::string>{"NE555.pdf"});
    EXPECT_EQ(store.list->labelFilesShown->text(), "1 of 4 shown");
    store.list->textFilter->userEdit("");
    EXPECT_EQ(store.rows(), platform::directoryEntries(docs.path()));
    // A filter that hides nothing says nothing more than the count.
    EXPECT_TRUE(store.list->labelFilesShown->isHidden());
    EXPECT_EQ(store.list->labelFilesShown->text(), "");
    store.list->textFilter->userEdit(".");
    EXPECT_TRUE(store.list->labelFilesShown->isHidden());
}

TEST(DatasheetList, SortByNameOrNewestForThisVisitOnly)
{
    TempDocuments docs;
    const std::pair<const char*, std::time_t> files[] = {
        {"LM1117.pdf", 1700000300}, {"lm358.pdf", 1700000100}, {"LM317.pdf", 1700000200}, {"a.txt", 1700000200}};
    for (const auto& [name, when] : files) {
        docs.write(name, "x");
        touch(docs.path() + "/" + name, when);
    }
    {
        Store store;
        EXPECT_EQ(store.list->labelSortOrder->text(), "Folder order");
        store.list->buttonForAction("onSortByName")->userTap();
        EXPECT_EQ(store.list->labelSortOrder->text(), "Name");
        EXPECT_EQ(store.rows(), (std::vector<std::string>{"a.txt", "LM317.pdf", "lm358.pdf", "LM1117.pdf"}));
        store.list->buttonForAction("onSortNewest")->userTap();
        EXPECT_EQ(store.list->labelSortOrder->text(), "Newest first");
        // Equal times fall back to the name order.
        EXPECT_EQ(store.rows(), (std::vector<std::string>{"LM1117.pdf", "a.txt", "LM317.pdf", "lm358.pdf"}));
        store.list->textFilter->userEdit("lm3");
        EXPECT_EQ(store.rows(), (std::vector<std::string>{"LM317.pdf", "lm358.pdf"}));
        store.list->buttonForAction("onSortListing")->userTap();
        store.list->textFilter->userEdit("");
        EXPECT_EQ(store.rows(), platform::directoryEntries(docs.path()));
        store.list->buttonForAction("onSortNewest")->userTap();
    }
    // Nothing is kept: the next visit starts in the folder's order.
    Store again;
    EXPECT_EQ(again.list->sortOrder(), InfoDatasheetsView::SortOrder::Listing);
    EXPECT_EQ(again.rows(), platform::directoryEntries(docs.path()));
}

TEST(DatasheetList, DeleteAsksNamingTheFileAndCanBeCancelled)
{
    TempDocuments docs;
    docs.write("LM317.pdf", "x");
    ::mkdir((docs.path() + "/old").c_str(), 0700);
    docs.write("old/inner.pdf", "x");
    Store store;
    auto& list = *store.list;
    EXPECT_TRUE(list.labelPrompt->isHidden());
    EXPECT_TRUE(list.buttonForAction("onButtonConfirmDelete")->isHidden());

    // Delete needs editing mode, as in any table.
    list.mainTableData->userDelete({0, 0});
    EXPECT_EQ(list.prompt(), InfoDatasheetsView::Prompt::None);
    list.buttonForAction("onButtonEdit")->userTap();
    EXPECT_TRUE(list.mainTableData->isEditing());
    EXPECT_EQ(list.buttonForAction("onButtonEdit")->title(), "Done");

    const auto rowOf = [&](const std::string& name) {
        const auto rows = store.rows();
        return static_cast<int>(std::find(rows.begin(), rows.end(), name) - rows.begin());
    };
    list.mainTableData->userDelete({0, rowOf("LM317.pdf")});
    EXPECT_EQ(list.prompt(), InfoDatasheetsView::Prompt::Delete);
    EXPECT_FALSE(list.labelPrompt->isHidden());
    EXPECT_EQ(list.labelPrompt->text(), "Delete \u201cLM317.pdf\u201d?");
    EXPECT_FALSE(list.buttonForAction("onButtonConfirmDelete")->isHidden());
    EXPECT_TRUE(list.buttonForAction("onButtonConfirmRename")->isHidden());
    EXPECT_TRUE(list.textNewName->isHidden());
    list.buttonForAction("onButtonCancelPrompt")->userTap();
    EXPECT_TRUE(list.labelPrompt->isHidden());
    EXPECT_TRUE(platform::fileExists(docs.path() + "/LM317.pdf"));

    list.mainTableData->userDelete({0, rowOf("old")});
    EXPECT_EQ(list.labelPrompt->text(), "Delete the folder \u201cold\u201d and the 1 file in it?");
    list.buttonForAction("onButtonConfirmDelete")->userTap();
    EXPECT_FALSE(platform::fileExists(docs.path() + "/old"));
    EXPECT_EQ(list.prompt(), InfoDatasheetsView::Prompt::None);
    EXPECT_EQ(store.rows(), std::vector<std::string>{"LM317.pdf"});
    EXPECT_EQ(list.labelFilesInfo->text(), "Files: 1");
}

// While a question is open, another row's Delete or a tap on another row (reached from the
// keyboard behind the dialog) does not change which entry it asks about.
TEST(DatasheetList, AnOpenQuestionKeepsItsEntry)
{
    TempDocuments docs;
    docs.write("a.pdf", "x");
    docs.write("b.pdf", "x");
    Store store;
    auto& list = *store.list;
    list.buttonForAction("onSortByName")->userTap();
    list.buttonForAction("onButtonEdit")->userTap();
    list.mainTableData->userDelete({0, 0});
    list.mainTableData->userDelete({0, 1});
    list.mainTableData->userSelect({0, 1});
    EXPECT_EQ(list.prompt(), InfoDatasheetsView::Prompt::Delete);
    EXPECT_EQ(list.labelPrompt->text(), "Delete \u201ca.pdf\u201d?");
    list.buttonForAction("onButtonConfirmDelete")->userTap();
    EXPECT_EQ(store.rows(), std::vector<std::string>{"b.pdf"});

    list.mainTableData->userSelect({0, 0});
    list.mainTableData->userDelete({0, 0});
    EXPECT_EQ(list.prompt(), InfoDatasheetsView::Prompt::Rename);
    list.buttonForAction("onButtonCancelPrompt")->userTap();
    EXPECT_TRUE(platform::fileExists(docs.path() + "/b.pdf"));
    list.mainTableData->userDelete({0, 0});
    EXPECT_EQ(list.prompt(), InfoDatasheetsView::Prompt::Delete);   // a closed question is no bar
}

TEST(DatasheetList, AFailedDeleteIsShownInThePrompt)
{
    TempDocuments docs;
    docs.write("gone.pdf", "x");
    Store store;
    auto& list = *store.list;
    list.buttonForAction("onButtonEdit")->userTap();
    list.mainTableData->userDelete({0, 0});
    ::unlink((docs.path() + "/gone.pdf").c_str());   // removed meanwhile by an FTP client
    list.buttonForAction("onButtonConfirmDelete")->userTap();
    EXPECT_EQ(list.prompt(), InfoDatasheetsView::Prompt::Delete);
    EXPECT_FALSE(list.labelPromptError->isHidden());
    EXPECT_EQ(list.labelPromptError->text(), "\u201cgone.pdf\u201d no longer exists.");
    // Leaving editing mode closes the question.
    list.buttonForAction("onButtonEdit")->userTap();
    EXPECT_EQ(list.prompt(), InfoDatasheetsView::Prompt::None);
    EXPECT_TRUE(list.labelPromptError->isHidden());
}

TEST(DatasheetList, RenameFromEditingModeRefusesNamesOutsideTheStore)
{
    TempDocuments docs;
    docs.write("LM317.pdf", "x");
    Store store;
    auto& list = *store.list;
    list.buttonForAction("onButtonEdit")->userTap();
    list.mainTableData->userSelect({0, 0});
    EXPECT_EQ(store.nav->topViewController(), store.list);   // no viewer in editing mode
    EXPECT_EQ(list.prompt(), InfoDatasheetsView::Prompt::Rename);
    EXPECT_EQ(list.labelPrompt->text(), "Rename \u201cLM317.pdf\u201d");
    EXPECT_FALSE(list.textNewName->isHidden());
    EXPECT_TRUE(list.textNewName->isFirstResponder());
    EXPECT_EQ(list.textNewName->text(), "LM317.pdf");

    list.textNewName->userEdit("../LM317.pdf");
    list.buttonForAction("onButtonConfirmRename")->userTap();
    EXPECT_EQ(list.labelPromptError->text(), "\u201c../LM317.pdf\u201d is not inside the datasheet store.");
    EXPECT_EQ(list.prompt(), InfoDatasheetsView::Prompt::Rename);   // the user may correct it
    EXPECT_TRUE(platform::fileExists(docs.path() + "/LM317.pdf"));

    // The return key confirms.
    list.textNewName->userEdit("LM317 regulator.pdf");
    list.textNewName->userReturn();
    EXPECT_EQ(list.prompt(), InfoDatasheetsView::Prompt::None);
    EXPECT_EQ(store.rows(), std::vector<std::string>{"LM317 regulator.pdf"});
    EXPECT_FALSE(list.textNewName->isFirstResponder());
}

TEST(DatasheetViewer, AFileItCannotShowOffersTheDefaultApplicationAndSaysWhenThatFails)
{
    TempDocuments docs;
    docs.write("board.zip", std::string("PK\x03\x04\x14\0\0\0", 8));
    Store store;
    store.list->mainTableData->userSelect({0, 0});
    auto* viewer = dynamic_cast<InfoDatasheetOpen*>(store.nav->topViewController());
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(viewer->documentKind(), ui::DocumentKind::Unsupported);
    EXPECT_EQ(viewer->labelFileInfo->text(), "8 B \u00b7 ZIP file");
    EXPECT_TRUE(viewer->labelOpenError->isHidden());

    std::vector<std::string> asked;
    bool opens = false;
    ui::Application::shared().setURLOpener([&](const std::string& url) {
        asked.push_back(url);
        return opens;
    });
    viewer->buttonForAction("onButtonOpenExternally")->userTap();
    EXPECT_EQ(asked, std::vector<std::string>{"file://" + docs.path() + "/board.zip"});
    EXPECT_FALSE(viewer->labelOpenError->isHidden());
    EXPECT_EQ(viewer->labelOpenError->text(), "No application on this computer could open \u201c" "board.zip\u201d.");
    // A later success clears the message.
    opens = true;
    viewer->buttonForAction("onButtonOpenExternally")->userTap();
    EXPECT_TRUE(viewer->labelOpenError->isHidden());
    ui::Application::shared().setURLOpener(nullptr);
}
