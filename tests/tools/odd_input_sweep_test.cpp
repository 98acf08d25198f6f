// Every screen with text fields, fed a fixed battery of odd inputs in every field: no result
// may show "inf" or "nan", a minus sign (no result of these screens can be negative), or a
// number with more than 12 digits before its decimal point.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tools/components/info_leds_view.h"
#include "tools/components/info_ne555_view.h"
#include "tools/components/info_solar_calc_view.h"
#include "tools/resistors/info_resistors_smd.h"
#include "tools/resistors/info_resistors_values.h"
#include "tools/wires/info_wires_voltage_drop.h"

namespace ohmkit {
namespace {

const std::vector<std::string>& oddInputs()
{
    static const std::vector<std::string> inputs = {
        "",     "   ",  "-0",   "-5",   "1e38", "1e39", "-1e39", "inf",  "nan", "-nan",
        "0x10", "4,7",  "4k7",  "1e-45", ",",   "0",    "R",     "-R5",  std::string(300, '9'),
        std::string(10000, '7'),
    };
    return inputs;
}

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// What is wrong with a result text, or empty.
std::string faultIn(const std::string& text)
{
    // No text of these screens has "inf" or "nan" inside a word.
    std::string lower;
    for (char c : text) lower += isLetter(c) ? static_cast<char>(c | 0x20) : c;
    for (const char* word : {"inf", "nan"})
        if (lower.find(word) != std::string::npos) return std::string("shows ") + word;
    for (std::size_t i = 0; i + 1 < text.size(); ++i)
        if (text[i] == '-' && (isDigit(text[i + 1]) || text[i + 1] == '.')) return "shows a negative number";
    std::size_t run = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!isDigit(text[i])) {
            run = 0;
            continue;
        }
        if (run == 0 && i > 0 && text[i - 1] == '.') run = 1000;   // digits after a point do not count
        if (++run == 13) return "shows more than 12 digits before the point";
    }
    return {};
}

// The results a screen shows: its labels and the rows of its tables.
std::vector<std::string> results(const ui::ViewController& screen)
{
    std::vector<std::string> texts;
    for (const auto& [name, view] : screen.outlets()) {
        if (view->kind() == ui::View::Kind::Label) texts.push_back(name + ": " + static_cast<ui::Label*>(view)->text());
        if (view->kind() == ui::View::Kind::Table) {
            auto* table = static_cast<ui::TableView*>(view);
            for (int r = 0; r < table->numberOfRowsInSection(0); ++r)
                if (auto cell = table->cellForRow({0, r})) texts.push_back(name + " row: " + cell->textLabel().text());
        }
    }
    return texts;
}

// The fields read as numbers or codes; a consumer's name is shown as typed, so it is left out.
std::vector<ui::TextField*> fields(const ui::ViewController& screen)
{
    std::vector<ui::TextField*> out;
    for (const auto& [name, view] : screen.outlets())
        if (view->kind() == ui::View::Kind::TextField && name != "textItemName")
            out.push_back(static_cast<ui::TextField*>(view));
    return out;
}

std::string shown(const std::string& input)
{
    return input.size() > 20 ? std::to_string(input.size()) + " characters" : '"' + input + '"';
}

struct Screen {
    const char* name;
    std::function<std::shared_ptr<ui::ViewController>()> open;
    std::vector<const char*> actions;   // tapped after every edit, in order
};

void PrintTo(const Screen& s, std::ostream* os) { *os << s.name; }

template <typename T>
std::shared_ptr<ui::ViewController> openScreen()
{
    auto screen = std::make_shared<T>();
    screen->loadViewIfNeeded();
    return screen;
}

class OddInputSweep : public testing::TestWithParam<Screen> {
protected:
    void expectSoundResults(ui::ViewController& screen, const std::string& what)
    {
        for (const char* action : GetParam().actions) {
            screen.buttonForAction(action)->userTap();
            for (const std::string& text : results(screen)) {
                const std::string fault = faultIn(text);
                EXPECT_TRUE(fault.empty()) << GetParam().name << ", " << what << ", after " << action << ": " << fault
                                           << " in \"" << text << "\"";
            }
        }
        for (const std::string& text : results(screen)) {
            const std::string fault = faultIn(text);
            EXPECT_TRUE(fault.empty()) << GetParam().name << ", " << what << ": " << fault << " in \"" << text << "\"";
        }
    }
};

TEST_P(OddInputSweep, EveryFieldOneAtATime)
{
    const std::size_t fieldCount = fields(*GetParam().open()).size();
    ASSERT_GT(fieldCount, 0u);
    for (std::size_t f = 0; f < fieldCount; ++f) {
        for (const std::string& input : oddInputs()) {
            auto screen = GetParam().open();
            ui::TextField* field = fields(*screen)[f];
            field->userEdit(input);
            expectSoundResults(*screen, "field " + std::to_string(f) + " = " + shown(input));
        }
    }
}

TEST_P(OddInputSweep, EveryFieldAtOnce)
{
    for (const std::string& input : oddInputs()) {
        auto screen = GetParam().open();
        for (ui::TextField* field : fields(*screen)) field->userEdit(input);
        expectSoundResults(*screen, "every field = " + shown(input));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Screens, OddInputSweep,
    testing::Values(Screen{"LED", openScreen<components::InfoLedsView>, {"onLedsIncrease", "onLedsDecrease"}},
                    Screen{"NE555", openScreen<components::InfoNE555View>, {}},
                    Screen{"Solar", openScreen<components::InfoSolarCalcView>, {"onButtonAddItem", "onButtonAddItem"}},
                    Screen{"VoltageDrop", openScreen<wires::InfoWiresVoltageDrop>, {}},
                    Screen{"StandardValues", openScreen<resistors::InfoResistorsValues>, {}},
                    Screen{"SmdCodes", openScreen<resistors::InfoResistorsSMD>, {}}),
    [](const testing::TestParamInfo<Screen>& info) { return std::string(info.param.name); });

// The checks themselves catch what they are for.
TEST(OddInputSweepChecks, FindEachFault)
{
    EXPECT_EQ(faultIn("Voltage drop (copper): -nanV"), "shows nan");
    EXPECT_EQ(faultIn("-NAN Wh"), "shows nan");
    EXPECT_EQ(faultIn("T = inf s"), "shows inf");
    EXPECT_EQ(faultIn("t1 = -6930.00 us"), "shows a negative number");
    EXPECT_EQ(faultIn("Results: -.5 Ohm"), "shows a negative number");
    EXPECT_EQ(faultIn("P = 1000000015047466219876688855040.00 W"), "shows more than 12 digits before the point");
    EXPECT_EQ(faultIn("R = 2147483647 Ohm, P = 999999999999.00 W"), "");
    EXPECT_EQ(faultIn("Results: .1234567890123 Ohm"), "");
    EXPECT_EQ(faultIn("Incorrect input"), "");
    EXPECT_EQ(faultIn("--"), "");
    EXPECT_EQ(faultIn("LED forward voltage cannot be null"), "");
}

}  // namespace
}  // namespace ohmkit
