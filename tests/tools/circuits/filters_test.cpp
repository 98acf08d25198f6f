#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "app/command_line.h"
#include "tools/circuits/info_filters.h"

namespace ohmkit::circuits {
namespace {

std::shared_ptr<InfoFilters> openFilters()
{
    auto screen = std::make_shared<InfoFilters>();
    screen->loadViewIfNeeded();
    return screen;
}

TEST(Filters, FormulasAgainstHandWorkedCases)
{
    // 1 kOhm and 1 uF: tau 1 ms, fc = 1 / (2 pi 1e-3) = 159.15 Hz.
    EXPECT_DOUBLE_EQ(filters::timeConstantRC(1000, 1e-6), 1e-3);
    EXPECT_NEAR(filters::cutOffRC(1000, 1e-6), 159.1549, 1e-4);
    // 100 Ohm and 10 mH: tau = L/R = 100 us, fc = 1591.5 Hz.
    EXPECT_DOUBLE_EQ(filters::timeConstantRL(100, 10e-3), 1e-4);
    EXPECT_NEAR(filters::cutOffRL(100, 10e-3), 1591.549, 1e-3);
    // 10 mH with 1 uF resonate at 1 / (2 pi sqrt(1e-8)) = 1591.5 Hz.
    EXPECT_NEAR(filters::resonanceLC(10e-3, 1e-6), 1591.549, 1e-3);
    // A 1 uF capacitor at 50 Hz is 3183 Ohm; a 10 mH coil at 1 kHz is 62.83 Ohm.
    EXPECT_NEAR(filters::reactanceC(50, 1e-6), 3183.099, 1e-3);
    EXPECT_NEAR(filters::reactanceL(1000, 10e-3), 62.83185, 1e-5);
    // 99 % of a step after ln(100) = 4.605 time constants.
    EXPECT_NEAR(1.0 - std::exp(-filters::kTo99Percent), 0.99, 1e-12);
}

TEST(Filters, OpensWithOneKilohmOneMicrofaradTenMillihenries)
{
    auto s = openFilters();
    EXPECT_EQ(s->labelRC->text(), "RC: tau = 1 ms, 99 % after 4.605 ms, fc = 159.2 Hz");
    EXPECT_EQ(s->labelRL->text(), "RL: tau = 10 us, 99 % after 46.05 us, fc = 15.92 kHz");
    EXPECT_EQ(s->labelLC->text(), "LC: resonance f0 = 1.592 kHz");
    EXPECT_EQ(s->labelReactance->text(), "At 1 kHz: Xc = 159.2 Ohm, XL = 62.83 Ohm");
    EXPECT_EQ(s->navigationItem().rightImageName, "filter_small.png");
}

TEST(Filters, EachLineNeedsOnlyItsOwnValues)
{
    auto s = openFilters();
    s->textInductance->userEdit("");
    EXPECT_EQ(s->labelRC->text(), "RC: tau = 1 ms, 99 % after 4.605 ms, fc = 159.2 Hz");
    EXPECT_EQ(s->labelRL->text(), "RL: needs R and L above zero");
    EXPECT_EQ(s->labelLC->text(), "LC: needs L and C above zero");
    EXPECT_EQ(s->labelReactance->text(), "At 1 kHz: Xc = 159.2 Ohm");

    s->textResistance->userEdit("-5");
    EXPECT_EQ(s->labelRC->text(), "RC: needs R and C above zero");
    s->textFrequency->userEdit("0");
    EXPECT_EQ(s->labelReactance->text(), "Reactance: needs f, and C or L, above zero");
}

TEST(Filters, AbsurdValuesAreRefusedNeverInfinite)
{
    auto s = openFilters();
    s->textResistance->userEdit("1e-300");
    s->textCapacitance->userEdit("1e-300");
    s->textInductance->userEdit("1e300");
    EXPECT_EQ(s->labelRC->text(), "Incorrect input");
    EXPECT_EQ(s->labelRL->text(), "Incorrect input");
    s->textFrequency->userEdit("1e300");
    EXPECT_EQ(s->labelReactance->text(), "Incorrect input");
}

TEST(Filters, ScriptedFromItsRoute)
{
    std::ostringstream out, err;
    ASSERT_EQ(app::runScript({"ShowFilters", "textResistance=10000", "textCapacitance=0.1"}, out, err), 0) << err.str();
    EXPECT_NE(out.str().find("labelRC: RC: tau = 1 ms, 99 % after 4.605 ms, fc = 159.2 Hz\n"), std::string::npos)
        << out.str();
}

}  // namespace
}  // namespace ohmkit::circuits
