#include "datasheets/info_datasheets_view.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

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
    EXPECT_EQ(viewer->documentKind(), datasheets::DocumentKind::Pdf);
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
    EXPECT_EQ(viewer->documentKind(), datasheets::DocumentKind::Unsupported);
}

TEST(DatasheetList, ScriptedMode)
{
    TempDocuments docs;
    docs.write("a.pdf", "%PDF-1.4\n");
    std::ostringstream out, err;
    ASSERT_EQ(app::runScript({"ShowDatasheetsView"}, out, err), 0) << err.str();
    EXPECT_EQ(out.str(), "mainTableData[0]: a.pdf\nlabelFilesInfo: Files: 1\n");

    std::ostringstream viewerOut, viewerErr;
    ASSERT_EQ(app::runScript({"ShowDatasheetsView", "row:mainTableData:0"}, viewerOut, viewerErr), 0) << viewerErr.str();
    EXPECT_EQ(viewerOut.str(), "webView: file://" + docs.path() + "/a.pdf\nwaitCursor: stopped\n");
}
