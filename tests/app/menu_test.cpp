#include "app/routes.h"
#include "ui/utils.h"
#include "app/view_controller.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sys/stat.h>
#include <sys/xattr.h>

#include "platform/files.h"
#include "platform/log.h"
#include "platform/run_loop.h"
#include "ui/application.h"

using namespace ohmkit;
using namespace std::chrono_literals;

namespace {

struct TempDocuments {
    std::string path;
    TempDocuments()
    {
        char pattern[] = "/tmp/ohmkit-docs-XXXXXX";
        path = ::mkdtemp(pattern);
        ::setenv("OHMKIT_DOCUMENTS", path.c_str(), 1);
    }
    ~TempDocuments()
    {
        std::system(("rm -rf '" + path + "'").c_str());
        ::unsetenv("OHMKIT_DOCUMENTS");
    }
};

}  // namespace

TEST(Menu, ElevenRowsInOrderWithShadingAndHeight)
{
    TempDocuments docs;
    auto nav = app::makeAppNavigationController();
    auto* menu = dynamic_cast<app::ViewController*>(nav->topViewController());
    ASSERT_NE(menu, nullptr);
    auto& table = *menu->tableData;
    const char* names[] = {"Capacitor codes",    "Resistor colors",          "Resistor values",
                           "Resistor SMD codes", "Inductor colors",          "LED calc",
                           "Wire current load limits", "Wire voltage drop", "NE555 timer calc",
                           "Solar battery calc", "Datasheets storage"};
    const char* icons[] = {"cap_normal",   "res_colors", "res_numbers", "res_smd",   "ind_normal", "led_normal",
                           "wire_normal", "wire_normalV", "ne555_normal", "sol_normal", "doc_normal"};
    ASSERT_EQ(table.numberOfRowsInSection(0), 11);
    for (int row = 0; row < 11; ++row) {
        auto cell = std::dynamic_pointer_cast<app::OhmkitViewTableCell>(table.cellForRow({0, row}));
        ASSERT_TRUE(cell);
        EXPECT_EQ(cell->reuseIdentifier(), "OhmkitViewTableCell");
        EXPECT_EQ(cell->m_cDescription->text(), names[row]);
        EXPECT_EQ(cell->m_cIcon->imageName(), icons[row]);
        EXPECT_EQ(table.heightForRow({0, row}), 64.0f);
        auto expected = row % 2 ? ui::Color::rgb(0.95f, 0.95f, 0.95f) : ui::Color::clear();
        EXPECT_EQ(cell->contentBackgroundColor(), expected) << row;
    }
}

TEST(Menu, EveryRowOpensItsRoute)
{
    TempDocuments docs;
    auto nav = app::makeAppNavigationController();
    auto* menu = dynamic_cast<app::ViewController*>(nav->topViewController());
    const char* classes[] = {"InfoCapacitorsView", "InfoResistorsView", "InfoResistorsValues", "InfoResistorsSMD",
                             "InfoInductionView",  "InfoLedsView",      "InfoWiresView",       "InfoWiresVoltageDrop",
                             "InfoNE555View",      "InfoSolarCalcView", "InfoDatasheetsView"};
    for (int row = 0; row < 11; ++row) {
        menu->tableData->userSelect({0, row});
        ASSERT_EQ(nav->viewControllers().size(), 2u) << row;
        auto* screen = nav->topViewController();
        EXPECT_EQ(screen->className(), classes[row]);
        nav->popViewControllerAnimated(false);
    }
    for (const char* route : {"ShowWiresView2", "ShowDatasheet", "ShowFTP"}) EXPECT_TRUE(nav->hasRoute(route));
}

TEST(Menu, MarksEveryDocumentEntryOnLoad)
{
    TempDocuments docs;
    std::ofstream(docs.path + "/a.pdf") << "x";
    std::ofstream(docs.path + "/.hidden") << "x";
    ::mkdir((docs.path + "/folder").c_str(), 0700);
    // Where the file system keeps no user attributes the mark cannot be read back.
    std::string probe = docs.path + "/.probe";
    std::ofstream(probe) << "x";
    const bool attributes = ::setxattr(probe.c_str(), "user.ohmkit.probe", "1", 1, 0) == 0;
    ::unlink(probe.c_str());
    platform::LogCapture log;
    auto nav = app::makeAppNavigationController();
    if (attributes) {
        for (const char* name : {"a.pdf", ".hidden", "folder"})
            EXPECT_TRUE(platform::isExcludedFromBackup(docs.path + "/" + name)) << name;
    }
    EXPECT_TRUE(log.lines().empty());
}

TEST(Menu, EmptyOrMissingDocumentsLoadsNormally)
{
    ::setenv("OHMKIT_DOCUMENTS", "/proc/no-such-folder-for-ohmkit", 1);
    auto nav = app::makeAppNavigationController();
    EXPECT_EQ(dynamic_cast<app::ViewController*>(nav->topViewController())->tableData->numberOfRowsInSection(0), 11);
    ::unsetenv("OHMKIT_DOCUMENTS");
}

TEST(OrientationPolicy, ByIdiomAndScreenSize)
{
    auto& application = ui::Application::shared();
    app::AppNavigationController nav;
    struct Case {
        ui::UserInterfaceIdiom idiom;
        ui::Size screen;
        unsigned mask;
    } cases[] = {
        {ui::UserInterfaceIdiom::Phone, {320, 568}, 2},  {ui::UserInterfaceIdiom::Phone, {320, 480}, 2},
        {ui::UserInterfaceIdiom::Phone, {375, 667}, 30}, {ui::UserInterfaceIdiom::Phone, {667, 375}, 30},
        {ui::UserInterfaceIdiom::Phone, {414, 736}, 30}, {ui::UserInterfaceIdiom::Phone, {390, 844}, 2},
        {ui::UserInterfaceIdiom::Pad, {768, 1024}, 30},  {ui::UserInterfaceIdiom::Pad, {320, 568}, 30},
    };
    for (const auto& c : cases) {
        application.setUserInterfaceIdiom(c.idiom);
        application.setScreenSize(c.screen);
        EXPECT_EQ(nav.supportedInterfaceOrientations(), c.mask) << c.screen.width << "x" << c.screen.height;
    }
    EXPECT_TRUE(nav.shouldAutorotate());
    application.setUserInterfaceIdiom(ui::UserInterfaceIdiom::Phone);
    application.setScreenSize({375, 667});
}

TEST(Utils, SpaceInMebibytesTruncated)
{
    EXPECT_EQ(ui::Utils::mebibytes(1048575), 0);
    EXPECT_EQ(ui::Utils::mebibytes(1048576), 1);
    EXPECT_EQ(ui::Utils::mebibytes(5LL * 1024 * 1024 * 1024), 5120);
    EXPECT_GT(ui::Utils::getTotalSpace(), 0);
    EXPECT_GE(ui::Utils::getTotalSpace(), ui::Utils::getFreeSpace());
}

TEST(Utils, RunAfterDelayRunsLaterNeverInside)
{
    bool ran = false;
    ui::Utils::runAfterDelay(0, [&] { ran = true; });
    EXPECT_FALSE(ran);
    auto start = platform::RunLoop::Clock::now();
    bool late = false;
    ui::Utils::runAfterDelay(0.2f, [&] { late = true; });
    platform::RunLoop::main().runUntil([&] { return late; }, 5s);
    EXPECT_TRUE(ran);
    EXPECT_TRUE(late);
    EXPECT_GE(platform::RunLoop::Clock::now() - start, 190ms);
}

TEST(Utils, BackupMarkOnAMissingFileIsFalseAndSilent)
{
    platform::LogCapture log;
    EXPECT_FALSE(ui::Utils::addSkipBackupAttributeToItemAtURL("file:///tmp/ohmkit-no-such-file"));
    EXPECT_TRUE(log.lines().empty());
}

TEST(Utils, IsIPadFollowsTheIdiom)
{
    auto& application = ui::Application::shared();
    EXPECT_FALSE(ui::AppDelegate::isIPad());
    application.setUserInterfaceIdiom(ui::UserInterfaceIdiom::Pad);
    EXPECT_TRUE(ui::AppDelegate::isIPad());
    application.setUserInterfaceIdiom(ui::UserInterfaceIdiom::Phone);
}
