#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "app/command_line.h"
#include "tools/components/info_solar_calc_view.h"
#include "ui/application.h"

namespace ohmkit::components {
namespace {

std::shared_ptr<InfoSolarCalcView> openSolarScreen()
{
    auto screen = std::make_shared<InfoSolarCalcView>();
    screen->loadViewIfNeeded();
    return screen;
}

void addConsumer(InfoSolarCalcView& s, const char* name, const char* power, const char* usage)
{
    s.textItemName->userEdit(name);
    s.textItemPower->userEdit(power);
    s.textItemUsage->userEdit(usage);
    s.buttonForAction("onButtonAddItem")->userTap();
}

std::vector<std::string> results(const InfoSolarCalcView& s)
{
    return {s.labelResult1->text(), s.labelResult2->text(), s.labelResult3->text(), s.labelResult4->text(),
            s.labelResult5->text(), s.labelResult6->text(), s.labelResultPeakCurrent->text()};
}

std::string rowText(InfoSolarCalcView& s, int row)
{
    auto cell = s.mainTable->cellForRow({0, row});
    return cell ? cell->textLabel().text() : "(none)";
}

using Results = std::vector<std::string>;

TEST(SolarCalc, OpensWithAnEmptyList)
{
    auto s = openSolarScreen();
    EXPECT_EQ(s->textItemName->text(), "LED lamp");
    EXPECT_EQ(s->textItemPower->text(), "9");
    EXPECT_EQ(s->textItemUsage->text(), "4.0");
    EXPECT_EQ(s->textVoltage->text(), "12");
    EXPECT_EQ(s->textSunHours->text(), "5");
    EXPECT_EQ(s->textPanelPower->text(), "100");
    EXPECT_EQ(results(*s), (Results{"0.0 Wh", "0.0 Ah", "0.0 Ah", "0.0 A", "--", "--", "--"}));
    EXPECT_EQ(s->mainTable->numberOfRowsInSection(0), 0);
    EXPECT_FALSE(s->bDeleteMode);
    EXPECT_EQ(s->navigationItem().rightImageName, "sol_small.png");
    EXPECT_EQ(s->scrollView->flashCount(), 1);
}

TEST(SolarCalc, TableIsStyled)
{
    auto s = openSolarScreen();
    EXPECT_EQ(s->mainTable->backgroundColor(), ui::Color::rgb(0.95f, 0.95f, 0.95f, 1.0f));
    EXPECT_EQ(s->mainTable->layer(), (ui::Layer{1, ui::Color::lightGray(), 5, true}));
    addConsumer(*s, "Fridge", "60", "5");
    addConsumer(*s, "Radio", "5", "2.5");
    EXPECT_EQ(s->mainTable->heightForRow({0, 1}), 40.0f);
    auto even = s->mainTable->cellForRow({0, 0});
    auto odd = s->mainTable->cellForRow({0, 1});
    EXPECT_EQ(even->reuseIdentifier(), "tblCell");
    EXPECT_EQ(even->contentBackgroundColor(), ui::Color::clear());
    EXPECT_EQ(odd->contentBackgroundColor(), ui::Color::rgb(0.95f, 0.95f, 0.95f, 1.0f));
    EXPECT_TRUE(odd->textLabel().isBold());
    EXPECT_EQ(odd->textLabel().fontSize(), 15.0f);
    EXPECT_EQ(odd->textLabel().backgroundColor(), ui::Color::clear());
    EXPECT_EQ(odd->textLabel().text(), "Radio, 2.5h, 12.5Wh");
}

TEST(SolarCalc, SuggestedConsumer)
{
    auto s = openSolarScreen();
    s->textItemPower->becomeFirstResponder();
    s->buttonForAction("onButtonAddItem")->userTap();
    EXPECT_FALSE(s->textItemPower->isFirstResponder());
    ASSERT_EQ(s->items.size(), 1u);
    EXPECT_EQ(rowText(*s, 0), "LED lamp, 4.0h, 36.0Wh");
    EXPECT_EQ(results(*s), (Results{"36.0 Wh", "3.6 Ah", "7.2 Ah", "0.7 A", "1", "13.4 W", "8.3 A"}));
}

TEST(SolarCalc, ThreeConsumers)
{
    auto s = openSolarScreen();
    addConsumer(*s, "LED lamp", "9", "4.0");
    addConsumer(*s, "Fridge", "60", "5");
    addConsumer(*s, "TV", "100", "3");
    EXPECT_EQ(rowText(*s, 1), "Fridge, 5.0h, 300.0Wh");
    EXPECT_EQ(rowText(*s, 2), "TV, 3.0h, 300.0Wh");
    EXPECT_EQ(results(*s), (Results{"636.0 Wh", "63.6 Ah", "127.2 Ah", "12.7 A", "2", "13.4 W", "16.7 A"}));
}

struct PanelCase {
    const char* voltage;
    const char* sunHours;
    const char* panelPower;
    Results expected;
};

class SolarInputs : public testing::TestWithParam<PanelCase> {};

// One consumer of 36 Wh a day.
TEST_P(SolarInputs, GiveTheResults)
{
    const PanelCase& c = GetParam();
    auto s = openSolarScreen();
    s->buttonForAction("onButtonAddItem")->userTap();
    s->textVoltage->setText(c.voltage);
    s->textSunHours->setText(c.sunHours);
    s->textPanelPower->setText(c.panelPower);
    s->calculateResults();
    EXPECT_EQ(results(*s), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Limits, SolarInputs,
    testing::Values(
        // Sun hours of 24 turn the panel results off; the battery results stay.
        PanelCase{"12", "24", "100", {"36.0 Wh", "3.6 Ah", "7.2 Ah", "0.7 A", "--", "--", "--"}},
        PanelCase{"12", "23.5", "100", {"36.0 Wh", "3.6 Ah", "7.2 Ah", "0.7 A", "1", "63.2 W", "8.3 A"}},
        // A typed 0.1 is slightly above 0.1 in single precision, so it passes.
        PanelCase{"0.1", "5", "100", {"36.0 Wh", "432.0 Ah", "864.0 Ah", "86.4 A", "1", "13.4 W", "1000.0 A"}},
        PanelCase{"0.09", "5", "100", {"36.0 Wh", "--", "--", "0.0 A", "--", "--", "--"}},
        PanelCase{"-0", "5", "100", {"36.0 Wh", "--", "--", "0.0 A", "--", "--", "--"}},
        PanelCase{"12", "0.1", "100", {"36.0 Wh", "3.6 Ah", "7.2 Ah", "0.7 A", "6", "0.3 W", "50.0 A"}},
        PanelCase{"12", "0.09", "100", {"36.0 Wh", "3.6 Ah", "7.2 Ah", "0.7 A", "--", "--", "--"}},
        PanelCase{"12", "5", "0.09", {"36.0 Wh", "3.6 Ah", "7.2 Ah", "0.7 A", "--", "--", "--"}},
        PanelCase{"12", "5", "", {"36.0 Wh", "3.6 Ah", "7.2 Ah", "0.7 A", "Incorrect input", "--", "--"}},
        PanelCase{"12", "five", "100", {"36.0 Wh", "3.6 Ah", "7.2 Ah", "0.7 A", "Incorrect input", "--", "--"}},
        PanelCase{"", "5", "100", {"36.0 Wh", "Incorrect input", "--", "--", "--", "--", "--"}},
        PanelCase{"24", "5", "50", {"36.0 Wh", "1.8 Ah", "3.6 Ah", "0.4 A", "1", "6.7 W", "2.1 A"}},
        // A decimal comma in any of the three fields.
        PanelCase{"12,5", "4,5", "62,5", {"36.0 Wh", "3.5 Ah", "6.9 Ah", "0.7 A", "1", "7.6 W", "5.0 A"}},
        // A huge voltage leaves too small a charge current for any panel.
        PanelCase{"3e38", "5", "0.11", {"36.0 Wh", "0.0 Ah", "0.0 Ah", "0.0 A", "102", "0.0 W", "0.0 A"}}));

// A negative voltage, sun hour count or panel power is bad input, and so is a result too large
// to print: "Incorrect input" takes the place of the first result it spoils, "--" follows.
INSTANTIATE_TEST_SUITE_P(
    BadInput, SolarInputs,
    testing::Values(
        PanelCase{"-12", "5", "100", {"36.0 Wh", "Incorrect input", "--", "--", "--", "--", "--"}},
        PanelCase{"12", "-5", "100", {"36.0 Wh", "3.6 Ah", "7.2 Ah", "0.7 A", "Incorrect input", "--", "--"}},
        PanelCase{"12", "5", "-100", {"36.0 Wh", "3.6 Ah", "7.2 Ah", "0.7 A", "Incorrect input", "--", "--"}},
        PanelCase{"12", "5", "1e39", {"36.0 Wh", "3.6 Ah", "7.2 Ah", "0.7 A", "Incorrect input", "--", "--"}},
        PanelCase{"12", "5", "1e13", {"36.0 Wh", "3.6 Ah", "7.2 Ah", "0.7 A", "Incorrect input", "--", "--"}},
        PanelCase{"12", "5", "1e11", {"36.0 Wh", "3.6 Ah", "7.2 Ah", "0.7 A", "1", "13440860160.0 W", "8333332992.0 A"}},
        // 0.11 V leaves 393 Ah; sun hours just above 0.1 make a tiny panel output.
        PanelCase{"0.11", "0.11", "0.11", {"36.0 Wh", "392.7 Ah", "785.5 Ah", "78.5 A", "4612", "0.0 W", "4612.0 A"}}));

TEST(SolarCalc, ConsumersTakeADecimalComma)
{
    auto s = openSolarScreen();
    addConsumer(*s, "Router", "7,5", "2,5");
    EXPECT_EQ(rowText(*s, 0), "Router, 2.5h, 18.8Wh");
    EXPECT_EQ(s->labelResult1->text(), "18.8 Wh");
}

TEST(SolarCalc, EmptyListHasNoPanelResults)
{
    auto s = openSolarScreen();
    s->textPanelPower->userEdit("250");
    s->textSunHours->userEdit("8");
    EXPECT_EQ(results(*s), (Results{"0.0 Wh", "0.0 Ah", "0.0 Ah", "0.0 A", "--", "--", "--"}));
}

// A consumer with a negative or absurd power or usage is not added: it would cancel real
// consumers or fill the results with noise.
TEST(SolarCalc, BadConsumersAreNotAdded)
{
    const std::pair<const char*, const char*> bad[] = {{"-5", "4"}, {"9", "-4"}, {"3e38", "1"}, {"1e39", "0"},
                                                       {"0", "1e20"}, {"1e7", "1e7"}};
    for (const auto& [power, usage] : bad) {
        auto s = openSolarScreen();
        addConsumer(*s, "Lamp", "9", "4");
        addConsumer(*s, "Bad", power, usage);
        EXPECT_EQ(s->items.size(), 1u) << power << " W, " << usage << " h";
        EXPECT_EQ(s->mainTable->numberOfRowsInSection(0), 1) << power << " W, " << usage << " h";
        EXPECT_EQ(results(*s), (Results{"Incorrect input", "--", "--", "--", "--", "--", "--"}))
            << power << " W, " << usage << " h";
        // The next edit shows the results of the list again.
        s->textItemPower->userEdit("9");
        EXPECT_EQ(s->labelResult1->text(), "36.0 Wh");
    }
}

TEST(SolarCalc, AbsurdSumIsBadInput)
{
    auto s = openSolarScreen();
    for (int i = 0; i < 3; ++i) addConsumer(*s, "Smelter", "5e11", "1");
    EXPECT_EQ(s->items.size(), 3u);
    EXPECT_EQ(results(*s), (Results{"Incorrect input", "--", "--", "--", "--", "--", "--"}));
}

TEST(SolarCalc, ZeroConsumersAndNegativeZeroAreAccepted)
{
    auto s = openSolarScreen();
    addConsumer(*s, "Off", "-0", "0");
    ASSERT_EQ(s->items.size(), 1u);
    EXPECT_EQ(rowText(*s, 0), "Off, 0.0h, 0.0Wh");
    EXPECT_EQ(s->labelResult1->text(), "0.0 Wh");
}

TEST(SolarCalc, EditingAndReturnRecompute)
{
    auto s = openSolarScreen();
    s->buttonForAction("onButtonAddItem")->userTap();
    s->textVoltage->userEdit("24");
    EXPECT_EQ(s->labelResult2->text(), "1.8 Ah");
    s->textSunHours->setText("24");
    s->textSunHours->userReturn();
    EXPECT_FALSE(s->textSunHours->isFirstResponder());
    EXPECT_EQ(s->labelResult5->text(), "--");
}

TEST(SolarCalc, RowsCannotBeSelected)
{
    auto s = openSolarScreen();
    s->buttonForAction("onButtonAddItem")->userTap();
    s->mainTable->userSelect({0, 0});
    EXPECT_FALSE(s->mainTable->indexPathForSelectedRow().has_value());
}

TEST(SolarCalc, DeleteModeNeedsRowsAndEndsWithTheLastRow)
{
    auto s = openSolarScreen();
    auto* del = s->buttonForAction("onButtonDelItems");
    del->userTap();
    EXPECT_FALSE(s->bDeleteMode);
    EXPECT_FALSE(s->mainTable->isEditing());

    addConsumer(*s, "A", "10", "1");
    addConsumer(*s, "B", "20", "1");
    EXPECT_EQ(s->mainTable->editingStyleForRow({0, 0}), ui::TableViewCellEditingStyle::None);
    del->userTap();
    EXPECT_TRUE(s->bDeleteMode);
    EXPECT_TRUE(s->mainTable->isEditing());
    EXPECT_EQ(s->mainTable->editingStyleForRow({0, 0}), ui::TableViewCellEditingStyle::Delete);
    del->userTap();
    EXPECT_FALSE(s->bDeleteMode);
    EXPECT_FALSE(s->mainTable->isEditing());

    del->userTap();
    s->mainTable->userDelete({0, 0});
    ASSERT_EQ(s->items.size(), 1u);
    EXPECT_EQ(s->items[0].sName, "B");
    EXPECT_EQ(rowText(*s, 0), "B, 1.0h, 20.0Wh");
    EXPECT_EQ(s->labelResult1->text(), "20.0 Wh");
    EXPECT_TRUE(s->bDeleteMode);

    s->mainTable->userDelete({0, 0});
    EXPECT_TRUE(s->items.empty());
    EXPECT_EQ(s->labelResult1->text(), "0.0 Wh");
    EXPECT_FALSE(s->bDeleteMode);
    EXPECT_FALSE(s->mainTable->isEditing());
}

TEST(SolarCalc, ScrollViewSizeFollowsTheIdiom)
{
    auto& app = ui::Application::shared();
    auto phone = openSolarScreen();
    EXPECT_GT(phone->scrollView->bounds().height, 0.0f);
    EXPECT_EQ(phone->scrollView->contentSize(), phone->scrollView->bounds().size());

    app.setUserInterfaceIdiom(ui::UserInterfaceIdiom::Pad);
    auto pad = openSolarScreen();
    app.setUserInterfaceIdiom(ui::UserInterfaceIdiom::Phone);
    EXPECT_EQ(pad->scrollView->bounds(), (ui::Rect{0, 0, 740, 1090}));
    EXPECT_EQ(pad->scrollView->center(), (ui::Point{380, 505}));
    EXPECT_EQ(pad->scrollView->contentSize(), (ui::Size{700, 1080}));
}

// The panel count is an energy balance: 3000 Wh x 1.55 over 300 W x 5 h is 3.1, so 4 panels.
TEST(SolarCalc, PanelsFromTheEnergyBalance)
{
    std::ostringstream out, err;
    ASSERT_EQ(app::runScript({"ShowSolarCalc", "textItemPower=1000", "textItemUsage=3", "tap:onButtonAddItem",
                              "textVoltage=24", "textPanelPower=300"},
                             out, err),
              0)
        << err.str();
    EXPECT_NE(out.str().find("labelResult5: 4\n"), std::string::npos) << out.str();
}

// A day has 24 hours, and an empty or non-numeric field adds no consumer.
TEST(SolarCalc, RefusesImpossibleConsumers)
{
    for (const auto& [power, usage] : {std::pair{"60", "30"}, std::pair{"", "3"}, std::pair{"60", "abc"}}) {
        InfoSolarCalcView s;
        s.loadViewIfNeeded();
        s.textItemPower->setText(power);
        s.textItemUsage->setText(usage);
        s.buttonForAction("onButtonAddItem")->userTap();
        EXPECT_TRUE(s.items.empty()) << power << " x " << usage;
        EXPECT_EQ(s.labelResult1->text(), "Incorrect input");
    }
    // A small load still needs a panel.
    InfoSolarCalcView s;
    s.loadViewIfNeeded();
    s.textItemPower->setText("0.1");
    s.textItemUsage->setText("1");
    s.buttonForAction("onButtonAddItem")->userTap();
    EXPECT_EQ(s.labelResult5->text(), "1");
}

TEST(SolarCalc, ScriptedFromTheMenu)
{
    std::ostringstream out, err;
    ASSERT_EQ(app::runScript({"ShowSolarCalc", "textItemName=Pump", "textItemPower=60", "textItemUsage=5",
                              "tap:onButtonAddItem", "tap:onButtonDelItems"},
                             out, err),
              0)
        << err.str();
    EXPECT_NE(out.str().find("mainTable[0]: Pump, 5.0h, 300.0Wh\n"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("labelResult1: 300.0 Wh\n"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("labelResult5: 1\n"), std::string::npos) << out.str();
}

}  // namespace
}  // namespace ohmkit::components
