#include <gtest/gtest.h>

#include <sstream>

#include "app/command_line.h"
#include "tools/components/info_capacitors_view.h"

namespace ohmkit::components {
namespace {

const std::string kHead = "<head><style type=\"text/css\"> body { -webkit-text-size-adjust: none; } </style></head>";

// Wheel rows of a marking: digits 1-9 and 0-9, multiplier 9,0..5, letter " EFGHJKMPZBCD".
struct Rows {
    int r0, r1, r2, r3;
};
Rows rowsOf(int d1, int d2, int m, char letter = ' ')
{
    const std::string letters = " EFGHJKMPZBCD";
    return {d1 - 1, d2, m == 9 ? 0 : m + 1, static_cast<int>(letters.find(letter))};
}

class CapacitorPage : public testing::Test {
protected:
    void SetUp() override { screen.loadViewIfNeeded(); }
    std::string page(Rows r) const { return screen.resultPage(r.r0, r.r1, r.r2, r.r3); }
    InfoCapacitorsView screen;
};

TEST_F(CapacitorPage, OpensOnTheFirstRowOfEveryWheel)
{
    ASSERT_EQ(screen.outlets().size(), 2u);
    EXPECT_EQ(screen.outlets()[0].name, "m_cPickerView");
    EXPECT_EQ(screen.outlets()[1].name, "m_cResultsHTMLView");
    EXPECT_EQ(screen.m_cResultsHTMLView->html(),
              kHead + "<body>Selected capacitor: <B>109 </B><BR/><B>Capacitance:</B><BR/>1.0 pF<BR/>0.001 nF<BR/>"
                      "0.000001 uF</body>");
    EXPECT_EQ(screen.navigationItem().rightImageName, "cap_small.png");
    for (int wheel = 0; wheel < 4; ++wheel) EXPECT_EQ(screen.m_cPickerView->selectedRowInComponent(wheel), 0);
}

TEST_F(CapacitorPage, WholePageWithATolerance)
{
    EXPECT_EQ(page(rowsOf(4, 7, 3, 'K')),
              kHead + "<body>Selected capacitor: <B>473K</B><BR/><B>Capacitance:</B><BR/>47000 pF<BR/>47 nF<BR/>"
                      "0.047 uF<BR/><B>Tolerance:</B> +/- 10%</body>");
}

TEST_F(CapacitorPage, WheelsHoldTheirRows)
{
    auto& picker = *screen.m_cPickerView;
    EXPECT_EQ(picker.numberOfComponents(), 4);
    const int counts[] = {9, 10, 7, 13};
    for (int wheel = 0; wheel < 4; ++wheel) EXPECT_EQ(picker.numberOfRowsInComponent(wheel), counts[wheel]);
    EXPECT_EQ(screen.pickerViewNumberOfRowsInComponent(picker, 4), 0);
    EXPECT_EQ(screen.pickerViewTitleForRow(picker, 0, 2), "9");
    EXPECT_EQ(screen.pickerViewTitleForRow(picker, 6, 2), "5");
    EXPECT_EQ(screen.pickerViewTitleForRow(picker, 0, 3), " ");
    EXPECT_EQ(screen.pickerViewTitleForRow(picker, 12, 3), "D");
    EXPECT_EQ(screen.pickerViewTitleForRow(picker, 0, 4), "");
}

struct CapacitanceCase {
    int d1, d2, m;
    const char* pF;
    const char* nF;
    const char* uF;
};
void PrintTo(const CapacitanceCase& c, std::ostream* os) { *os << c.d1 << c.d2 << c.m; }

class CapacitanceTexts : public CapacitorPage, public testing::WithParamInterface<CapacitanceCase> {};

TEST_P(CapacitanceTexts, WrittenExactly)
{
    const auto& c = GetParam();
    const std::string expected = std::string("<BR/>") + c.pF + " pF<BR/>" + c.nF + " nF<BR/>" + c.uF + " uF</body>";
    const std::string shown = page(rowsOf(c.d1, c.d2, c.m));
    EXPECT_NE(shown.find(expected), std::string::npos) << shown;
}

// Every multiplier with the fixed texts of the digits 1, 0 and with the templates.
INSTANTIATE_TEST_SUITE_P(
    EveryMultiplier, CapacitanceTexts,
    testing::Values(CapacitanceCase{1, 0, 9, "1.0", "0.001", "0.000001"},
                    CapacitanceCase{4, 7, 9, "4.7", "0.0047", "0.0000047"},
                    CapacitanceCase{1, 0, 0, "10", "0.01", "0.00001"},
                    CapacitanceCase{4, 7, 0, "47", "0.047", "0.000047"},
                    CapacitanceCase{1, 0, 1, "100", "0.1", "0.0001"},
                    CapacitanceCase{4, 7, 1, "470", "0.47", "0.00047"},
                    CapacitanceCase{1, 0, 2, "1000", "1.0", "0.001"},
                    CapacitanceCase{2, 0, 2, "2000", "2.0", "0.0020"},
                    CapacitanceCase{1, 0, 3, "10000", "10", "0.01"},
                    CapacitanceCase{4, 7, 3, "47000", "47", "0.047"},
                    CapacitanceCase{1, 0, 4, "100000", "100", "0.1"},
                    CapacitanceCase{2, 2, 4, "220000", "220", "0.22"},
                    CapacitanceCase{1, 0, 5, "1000000", "1000", "1.0"},
                    CapacitanceCase{9, 9, 5, "9900000", "9900", "9.9"},
                    CapacitanceCase{1, 1, 0, "11", "0.011", "0.000011"}));

struct ToleranceCase {
    char letter;
    const char* text;
};
void PrintTo(const ToleranceCase& c, std::ostream* os) { *os << c.letter; }

class ToleranceLine : public CapacitorPage, public testing::WithParamInterface<ToleranceCase> {};

TEST_P(ToleranceLine, FollowsTheCode)
{
    const auto& t = GetParam();
    const std::string shown = page(rowsOf(2, 2, 2, t.letter));
    EXPECT_NE(shown.find(std::string("<B>222") + t.letter + "</B>"), std::string::npos) << shown;
    EXPECT_NE(shown.find(std::string("uF<BR/><B>Tolerance:</B> ") + t.text + "</body>"), std::string::npos) << shown;
}

INSTANTIATE_TEST_SUITE_P(
    EveryLetter, ToleranceLine,
    testing::Values(ToleranceCase{'E', "+/- 0.5%"}, ToleranceCase{'F', "+/- 1%"}, ToleranceCase{'G', "+/- 2%"},
                    ToleranceCase{'H', "+/- 3%"}, ToleranceCase{'J', "+/- 5%"}, ToleranceCase{'K', "+/- 10%"},
                    ToleranceCase{'M', "+/- 20%"}, ToleranceCase{'P', "+100%, -0%"},
                    ToleranceCase{'Z', "+80%, -20%"}, ToleranceCase{'B', "+/- 0.1 pF"},
                    ToleranceCase{'C', "+/- 0.25 pF"}, ToleranceCase{'D', "+/- 0.5 pF"}));

TEST_F(CapacitorPage, NoLetterMeansNoToleranceLine)
{
    const std::string shown = page(rowsOf(2, 2, 2, ' '));
    EXPECT_NE(shown.find("<B>222 </B>"), std::string::npos);
    EXPECT_EQ(shown.find("Tolerance"), std::string::npos);
}

TEST_F(CapacitorPage, WheelTurnReloadsThePage)
{
    auto& picker = *screen.m_cPickerView;
    picker.userSelect(0, 3);   // 4
    picker.userSelect(1, 7);   // 7
    picker.userSelect(2, 4);   // x 1000
    picker.userSelect(3, 6);   // K
    EXPECT_EQ(screen.m_cResultsHTMLView->html(), page(rowsOf(4, 7, 3, 'K')));
    EXPECT_TRUE(screen.m_cResultsHTMLView->url().empty());
}

TEST_F(CapacitorPage, RowsOutsideTheWheelsLeaveThePage)
{
    const std::string before = screen.m_cResultsHTMLView->html();
    EXPECT_EQ(screen.resultPage(9, 0, 0, 0), "");
    EXPECT_EQ(screen.resultPage(0, -1, 0, 0), "");
    screen.showResults(0, 0, 7, 0);
    EXPECT_EQ(screen.m_cResultsHTMLView->html(), before);
}

TEST(CapacitorScreen, ScriptedModeTurnsTheWheels)
{
    std::ostringstream out, err;
    ASSERT_EQ(app::runScript({"ShowCapacitor", "pick:m_cPickerView:0:3", "pick:m_cPickerView:1:7",
                              "pick:m_cPickerView:2:4", "pick:m_cPickerView:3:8"},
                             out, err),
              0)
        << err.str();
    EXPECT_EQ(out.str(), "m_cPickerView: 3 7 4 8\nm_cResultsHTMLView: " + kHead +
                             "<body>Selected capacitor: <B>473P</B><BR/><B>Capacitance:</B><BR/>47000 pF<BR/>47 nF<BR/>"
                             "0.047 uF<BR/><B>Tolerance:</B> +100%, -0%</body>\n");
}

}  // namespace
}  // namespace ohmkit::components
