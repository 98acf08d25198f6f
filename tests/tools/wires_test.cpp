#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>

#include "app/command_line.h"
#include "platform/files.h"
#include "tools/wires/info_wires_view.h"
#include "tools/wires/info_wires_voltage_drop.h"
#include "ui/utils.h"

namespace ohmkit::wires {
namespace {

std::shared_ptr<InfoWiresVoltageDrop> openDropScreen()
{
    auto screen = std::make_shared<InfoWiresVoltageDrop>();
    screen->loadViewIfNeeded();
    return screen;
}

TEST(WireVoltageDrop, OpensWithEighteenGauge)
{
    auto s = openDropScreen();
    EXPECT_EQ(s->textAWGNum->text(), "18");
    EXPECT_EQ(s->textCurrent->text(), "5");
    EXPECT_EQ(s->textLength->text(), "10");
    EXPECT_EQ(s->labelResult1->text(), "Resistance, Ohm/m: 0.0210");
    EXPECT_EQ(s->labelResult2->text(), "Voltage drop (copper): 2.10V");
    EXPECT_EQ(s->labelResult3->text(), "Voltage drop (alum.): 3.24V");
    EXPECT_EQ(s->navigationItem().rightImageName, "wire_small.png");
}

TEST(WireVoltageDrop, TableHasEveryGaugeOnce)
{
    const auto& table = InfoWiresVoltageDrop::copperResistance();
    ASSERT_EQ(table.size(), 44u);
    std::set<std::string_view> keys;
    for (const auto& [awg, ohms] : table) keys.insert(awg);
    EXPECT_EQ(keys.size(), 44u);
    EXPECT_EQ(table.front(), (InfoWiresVoltageDrop::Entry{"0000", "0.000161"}));
    EXPECT_EQ(table.back(), (InfoWiresVoltageDrop::Entry{"40", "3.44"}));
}

struct DropCase {
    const char* awg;
    const char* current;
    const char* length;
    const char* line1;
    const char* copper;
    const char* aluminium;
};

class WireDrops : public testing::TestWithParam<DropCase> {};

TEST_P(WireDrops, ShowTheThreeLines)
{
    const DropCase& c = GetParam();
    auto s = openDropScreen();
    s->textAWGNum->setText(c.awg);
    s->textCurrent->setText(c.current);
    s->textLength->setText(c.length);
    s->showResults();
    EXPECT_EQ(s->labelResult1->text(), c.line1);
    EXPECT_EQ(s->labelResult2->text(), c.copper);
    EXPECT_EQ(s->labelResult3->text(), c.aluminium);
}

INSTANTIATE_TEST_SUITE_P(
    Drops, WireDrops,
    testing::Values(
        DropCase{"0000", "100", "10", "Resistance, Ohm/m: 0.000161", "Voltage drop (copper): 0.32V",
                 "Voltage drop (alum.): 0.50V"},
        DropCase{"40", "1", "10", "Resistance, Ohm/m: 3.44", "Voltage drop (copper): 68.80V",
                 "Voltage drop (alum.): 106.15V"},
        DropCase{"0", "50", "3", "Resistance, Ohm/m: 0.000323", "Voltage drop (copper): 0.10V",
                 "Voltage drop (alum.): 0.15V"},
        DropCase{"6", "2.5 A", "20m", "Resistance, Ohm/m: 0.00130", "Voltage drop (copper): 0.13V",
                 "Voltage drop (alum.): 0.20V"},
        DropCase{"18", "5", "0", "Resistance, Ohm/m: 0.0210", "Voltage drop (copper): 0.00V",
                 "Voltage drop (alum.): 0.00V"},
        // An empty current or length is no wire run.
        DropCase{"18", "", "10", "Resistance, Ohm/m: 0.0210", "Incorrect input", ""},
        DropCase{"18", "5", "", "Resistance, Ohm/m: 0.0210", "Incorrect input", ""},
        DropCase{"18", "5 A x", "10", "Resistance, Ohm/m: 0.0210", "Incorrect input", ""},
        // A decimal comma in the current or the length.
        DropCase{"18", "5", "2,5", "Resistance, Ohm/m: 0.0210", "Voltage drop (copper): 0.52V",
                 "Voltage drop (alum.): 0.81V"},
        DropCase{"18", "2,5", "10", "Resistance, Ohm/m: 0.0210", "Voltage drop (copper): 1.05V",
                 "Voltage drop (alum.): 1.62V"}));

// A negative current or length, or a drop too large to print, is bad input: the resistance of
// the gauge stays, the message takes the place of the drops.
INSTANTIATE_TEST_SUITE_P(
    BadInput, WireDrops,
    testing::Values(DropCase{"18", "-5", "10", "Resistance, Ohm/m: 0.0210", "Incorrect input", ""},
                    DropCase{"18", "5", "-10", "Resistance, Ohm/m: 0.0210", "Incorrect input", ""},
                    DropCase{"18", "-5", "-10", "Resistance, Ohm/m: 0.0210", "Incorrect input", ""},
                    DropCase{"40", "1e39", "10", "Resistance, Ohm/m: 3.44", "Incorrect input", ""},
                    // 2e38 m doubled overflows to infinity, and infinity times 0 A is no number.
                    DropCase{"18", "0", "2e38", "Resistance, Ohm/m: 0.0210", "Incorrect input", ""},
                    DropCase{"40", "1e10", "10", "Resistance, Ohm/m: 3.44", "Incorrect input", ""},
                    DropCase{"18", "-0", "10", "Resistance, Ohm/m: 0.0210", "Voltage drop (copper): 0.00V",
                             "Voltage drop (alum.): 0.00V"},
                    DropCase{"40", "1e9", "10", "Resistance, Ohm/m: 3.44", "Voltage drop (copper): 68800004096.00V",
                             "Voltage drop (alum.): 106148577280.00V"}));

// The hint's notation, blanks around and zero decimals are read; other texts are no gauge.
INSTANTIATE_TEST_SUITE_P(
    Gauges, WireDrops,
    testing::Values(DropCase{"18 ", "5", "10", "Resistance, Ohm/m: 0.0210", "Voltage drop (copper): 2.10V",
                             "Voltage drop (alum.): 3.24V"},
                    DropCase{" 18", "5", "10", "Resistance, Ohm/m: 0.0210", "Voltage drop (copper): 2.10V",
                             "Voltage drop (alum.): 3.24V"},
                    DropCase{"18.0", "5", "10", "Resistance, Ohm/m: 0.0210", "Voltage drop (copper): 2.10V",
                             "Voltage drop (alum.): 3.24V"},
                    DropCase{"4/0", "5", "10", "Resistance, Ohm/m: 0.000161", "Voltage drop (copper): 0.02V",
                             "Voltage drop (alum.): 0.02V"},
                    DropCase{"3/0", "1", "1", "Resistance, Ohm/m: 0.000203", "Voltage drop (copper): 0.00V",
                             "Voltage drop (alum.): 0.00V"},
                    DropCase{"2/0", "5", "10", "Resistance, Ohm/m: 0.000256", "Voltage drop (copper): 0.03V",
                             "Voltage drop (alum.): 0.04V"},
                    DropCase{"1/0", "5", "10", "Resistance, Ohm/m: 0.000323", "Voltage drop (copper): 0.03V",
                             "Voltage drop (alum.): 0.05V"},
                    DropCase{"5/0", "5", "10", "Incorrect input", "", ""},
                    DropCase{"18.5", "5", "10", "Incorrect input", "", ""},
                    DropCase{".0", "5", "10", "Incorrect input", "", ""},
                    DropCase{"41", "5", "10", "Incorrect input", "", ""},
                    DropCase{"018", "5", "10", "Incorrect input", "", ""},
                    DropCase{"00000", "5", "10", "Incorrect input", "", ""},
                    DropCase{"", "5", "10", "Incorrect input", "", ""}));

TEST(WireVoltageDrop, EditingAndReturnRecompute)
{
    auto s = openDropScreen();
    s->textAWGNum->userEdit("4/0");
    EXPECT_EQ(s->labelResult1->text(), "Resistance, Ohm/m: 0.000161");
    s->textAWGNum->userEdit("4/");
    EXPECT_EQ(s->labelResult1->text(), "Incorrect input");
    EXPECT_EQ(s->labelResult2->text(), "");
    s->textAWGNum->setText("40");
    s->textCurrent->setText("1");
    s->textAWGNum->userReturn();
    EXPECT_FALSE(s->textAWGNum->isFirstResponder());
    EXPECT_EQ(s->labelResult2->text(), "Voltage drop (copper): 68.80V");
}

TEST(WireVoltageDrop, ButtonOpensTheWireTable)
{
    std::ostringstream out, err;
    ASSERT_EQ(app::runScript({"ShowWiresVoltageDrop", "textAWGNum=12", "tap:onShowAWGWires"}, out, err), 0)
        << err.str();
    EXPECT_NE(out.str().find("m_cHTMLData: file://"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("/Wires.htm\n"), std::string::npos) << out.str();
}

TEST(WireVoltageDrop, ScriptedFromTheMenu)
{
    std::ostringstream out, err;
    ASSERT_EQ(app::runScript({"ShowWiresVoltageDrop", "textAWGNum=40", "textCurrent=1"}, out, err), 0) << err.str();
    EXPECT_NE(out.str().find("labelResult1: Resistance, Ohm/m: 3.44\n"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("labelResult3: Voltage drop (alum.): 106.15V\n"), std::string::npos) << out.str();
}

TEST(WireTable, LoadsThePageResource)
{
    auto s = std::make_shared<InfoWiresView>();
    s->loadViewIfNeeded();
    const std::string path = platform::resourcePath("Wires", "htm");
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(s->m_cHTMLData->url(), ui::fileURLWithPath(path));
    EXPECT_EQ(s->navigationItem().rightImageName, "wire_small.png");

    std::ostringstream out, err;
    ASSERT_EQ(app::runScript({"ShowWiresView"}, out, err), 0) << err.str();
    EXPECT_NE(out.str().find("m_cHTMLData: " + ui::fileURLWithPath(path) + "\n"), std::string::npos) << out.str();
}

// The page's copper column must agree with the calculator's table, gauge by gauge.
TEST(WireTable, PageListsEveryGaugeWithTheCalculatorsResistance)
{
    auto page = platform::readFile(platform::resourcePath("Wires", "htm"));
    ASSERT_TRUE(page.has_value());
    // Each data row holds six cells: gauge, diameter, area, copper resistance, two currents.
    std::vector<InfoWiresVoltageDrop::Entry> rows;
    std::vector<std::string> texts;
    std::size_t pos = 0;
    while ((pos = page->find("<tr", pos)) != std::string::npos) {
        const std::size_t end = page->find("</tr>", pos);
        ASSERT_NE(end, std::string::npos);
        std::vector<std::string> cells;
        for (std::size_t td = page->find("<td", pos); td != std::string::npos && td < end; td = page->find("<td", td + 1)) {
            const std::size_t open = page->find('>', td) + 1;
            cells.push_back(page->substr(open, page->find("</td>", open) - open));
        }
        if (cells.size() == 6) {
            texts.push_back(cells[0]);
            texts.push_back(cells[3]);
        }
        pos = end;
    }
    for (std::size_t i = 0; i + 1 < texts.size(); i += 2) rows.emplace_back(texts[i], texts[i + 1]);
    EXPECT_EQ(rows, InfoWiresVoltageDrop::copperResistance());
    EXPECT_NE(page->find("Source"), std::string::npos);
}

}  // namespace
}  // namespace ohmkit::wires
