#include "app/routes.h"
#include "ui/utils.h"
#include "app/view_controller.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <tuple>
#include <vector>
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

// The menu as its groups show it: group title, then each row's title, icon and screen.
struct MenuCase {
    const char* group;
    std::vector<std::tuple<const char*, const char*, const char*>> rows;
};

const std::vector<MenuCase>& expectedMenu()
{
    static const std::vector<MenuCase> menu = {
        {"Resistors",
         {{"Resistor colors", "res_colors", "InfoResistorsView"},
          {"Resistor values", "res_numbers", "InfoResistorsValues"},
          {"Resistor SMD codes", "res_smd", "InfoResistorsSMD"}}},
        {"Components",
         {{"Capacitor codes", "cap_normal", "InfoCapacitorsView"},
          {"Inductor colors", "ind_normal", "InfoInductionView"},
          {"LED calc", "led_normal", "InfoLedsView"},
          {"NE555 timer calc", "ne555_normal", "InfoNE555View"},
          {"Solar battery calc", "sol_normal", "InfoSolarCalcView"},
          {"Battery life", "battery_normal", "InfoBatteryLife"}}},
        {"Circuits",
         {{"Ohm's law", "ohm_normal", "InfoOhmsLaw"},
          {"RC RL and LC", "filter_normal", "InfoFilters"},
          {"Decibels", "db_normal", "InfoDecibels"}}},
        {"Wires and PCB",
         {{"Wire current load limits", "wire_normal", "InfoWiresView"},
          {"Wire voltage drop", "wire_normalV", "InfoWiresVoltageDrop"},
          {"PCB trace width", "trace_normal", "InfoTraceWidth"}}},
        {"Datasheets", {{"Datasheets storage", "doc_normal", "InfoDatasheetsView"}}},
    };
    return menu;
}

app::ViewController* menuOf(app::AppNavigationController& nav)
{
    return dynamic_cast<app::ViewController*>(nav.topViewController());
}

// The row titles the table shows, over all its sections.
std::vector<std::string> shownTitles(ui::TableView& table)
{
    std::vector<std::string> titles;
    for (int s = 0; s < table.numberOfSections(); ++s)
        for (int r = 0; r < table.numberOfRowsInSection(s); ++r)
            titles.push_back(std::dynamic_pointer_cast<app::OhmkitViewTableCell>(table.cellForRow({s, r}))->m_cDescription->text());
    return titles;
}

}  // namespace

TEST(Menu, GroupsInOrderWithShadingAndHeight)
{
    TempDocuments docs;
    auto nav = app::makeAppNavigationController();
    auto* menu = menuOf(*nav);
    ASSERT_NE(menu, nullptr);
    auto& table = *menu->tableData;
    const auto& expected = expectedMenu();
    ASSERT_EQ(table.numberOfSections(), static_cast<int>(expected.size()));
    for (int s = 0; s < table.numberOfSections(); ++s) {
        const auto& group = expected[static_cast<std::size_t>(s)];
        EXPECT_EQ(table.titleForHeaderInSection(s), group.group);
        ASSERT_EQ(table.numberOfRowsInSection(s), static_cast<int>(group.rows.size())) << group.group;
        for (int row = 0; row < table.numberOfRowsInSection(s); ++row) {
            const auto& [name, icon, screen] = group.rows[static_cast<std::size_t>(row)];
            auto cell = std::dynamic_pointer_cast<app::OhmkitViewTableCell>(table.cellForRow({s, row}));
            ASSERT_TRUE(cell);
            EXPECT_EQ(cell->reuseIdentifier(), "OhmkitViewTableCell");
            EXPECT_EQ(cell->m_cDescription->text(), name);
            EXPECT_EQ(cell->m_cIcon->imageName(), icon);
            EXPECT_EQ(table.heightForRow({s, row}), 64.0f);
            auto shade = row % 2 ? ui::Color::rgb(0.95f, 0.95f, 0.95f) : ui::Color::clear();
            EXPECT_EQ(cell->contentBackgroundColor(), shade) << name;
        }
    }
    EXPECT_EQ(menu->items.size(), 16u);
    EXPECT_TRUE(menu->labelNoMatch->isHidden());
}

TEST(Menu, EveryRowOpensItsRoute)
{
    TempDocuments docs;
    auto nav = app::makeAppNavigationController();
    auto* menu = menuOf(*nav);
    const auto& expected = expectedMenu();
    for (int s = 0; s < static_cast<int>(expected.size()); ++s)
        for (int row = 0; row < static_cast<int>(expected[static_cast<std::size_t>(s)].rows.size()); ++row) {
            const char* screen = std::get<2>(expected[static_cast<std::size_t>(s)].rows[static_cast<std::size_t>(row)]);
            menu->tableData->userSelect({s, row});
            ASSERT_EQ(nav->viewControllers().size(), 2u) << screen;
            EXPECT_EQ(nav->topViewController()->className(), screen);
            nav->popViewControllerAnimated(false);
        }
    for (const char* route : {"ShowWiresView2", "ShowDatasheet", "ShowFTP", "ShowOhmsLaw", "ShowFilters",
                              "ShowTraceWidth", "ShowBatteryLife", "ShowDecibels"})
        EXPECT_TRUE(nav->hasRoute(route)) << route;
}

TEST(MenuSearch, FiltersByNameKeywordAndGroupIgnoringCase)
{
    TempDocuments docs;
    auto nav = app::makeAppNavigationController();
    auto* menu = menuOf(*nav);
    auto& table = *menu->tableData;
    using Titles = std::vector<std::string>;
    const struct {
        const char* query;
        Titles titles;
    } cases[] = {
        {"", shownTitles(table)},
        {"   ", shownTitles(table)},
        {"resistor", {"Resistor colors", "Resistor values", "Resistor SMD codes", "LED calc"}},
        {"BATTERY", {"Solar battery calc", "Battery life"}},
        {"dbm", {"Decibels"}},
        {"ipc-2221", {"PCB trace width"}},
        {"AWG drop", {"Wire voltage drop"}},
        {"circuits", {"Ohm's law", "RC RL and LC", "Decibels"}},
        {"  time   constant ", {"RC RL and LC"}},
        {"pdf", {"Datasheets storage"}},
    };
    ASSERT_EQ(cases[0].titles.size(), 16u);
    for (const auto& c : cases) {
        menu->textSearch->userEdit(c.query);
        EXPECT_EQ(shownTitles(table), c.titles) << '"' << c.query << '"';
        EXPECT_TRUE(menu->labelNoMatch->isHidden()) << c.query;
    }
    // The groups that keep no row are gone, and a row of the filtered table opens its tool.
    menu->textSearch->userEdit("ohm");
    ASSERT_EQ(table.numberOfSections(), 1);
    EXPECT_EQ(table.titleForHeaderInSection(0), "Circuits");
    table.userSelect({0, 0});
    EXPECT_EQ(nav->topViewController()->className(), "InfoOhmsLaw");
}

TEST(MenuSearch, NoMatchSaysSoAndReturnOpensTheFirstMatch)
{
    TempDocuments docs;
    auto nav = app::makeAppNavigationController();
    auto* menu = menuOf(*nav);
    menu->textSearch->userEdit("flux capacitor");
    EXPECT_EQ(menu->tableData->numberOfSections(), 0);
    EXPECT_FALSE(menu->labelNoMatch->isHidden());
    EXPECT_EQ(menu->labelNoMatch->text(), "No tool matches \"flux capacitor\".");
    menu->textSearch->userReturn();
    EXPECT_EQ(nav->viewControllers().size(), 1u);

    menu->textSearch->userEdit("decibel");
    menu->textSearch->userReturn();
    EXPECT_EQ(nav->topViewController()->className(), "InfoDecibels");
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
    EXPECT_EQ(menuOf(*nav)->items.size(), 16u);
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
