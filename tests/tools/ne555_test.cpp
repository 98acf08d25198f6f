#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "app/command_line.h"
#include "tools/components/info_ne555_view.h"
#include "ui/application.h"

namespace ohmkit::components {
namespace {

std::shared_ptr<InfoNE555View> openTimerScreen()
{
    auto screen = std::make_shared<InfoNE555View>();
    screen->loadViewIfNeeded();
    return screen;
}

TEST(NE555Calc, OpensWithBothCircuitsComputed)
{
    auto s = openTimerScreen();
    EXPECT_EQ(s->m_cDataC1->text(), "10");
    EXPECT_EQ(s->m_cDataR1->text(), "1");
    EXPECT_EQ(s->m_cDataC2->text(), "10");
    EXPECT_EQ(s->m_cDataR2_1->text(), "1");
    EXPECT_EQ(s->m_cDataR2_2->text(), "1");
    EXPECT_EQ(s->m_cResults1->text(), "Results: T = 11.00 ms");
    EXPECT_EQ(s->m_cResults2_1->text(), "t1 = 13.86 ms, t2 = 6.93 ms");
    EXPECT_EQ(s->m_cResults2_2->text(), "f = 48.10 Hz");
    EXPECT_EQ(s->m_cResults2_3->text(), "D = 66.7 %");
    EXPECT_EQ(s->navigationItem().rightImageName, "ne555_small.png");
}

struct PulseCase {
    const char* c1;
    const char* r1;
    const char* result;
};

class NE555Pulse : public testing::TestWithParam<PulseCase> {};

TEST_P(NE555Pulse, ShowsThePulseLength)
{
    auto s = openTimerScreen();
    s->m_cDataC1->setText(GetParam().c1);
    s->m_cDataR1->setText(GetParam().r1);
    s->showResults();
    EXPECT_EQ(s->m_cResults1->text(), GetParam().result);
}

INSTANTIATE_TEST_SUITE_P(
    Monostable, NE555Pulse,
    testing::Values(PulseCase{"100", "1", "Results: T = 0.11 s"}, PulseCase{"90", "1", "Results: T = 99.00 ms"},
                    // 1000 x (0.090909094 x 1.1) rounds to exactly 100 in single precision.
                    PulseCase{"1000", "0.09090909", "Results: T = 100.00 ms"},
                    PulseCase{"1000", "1", "Results: T = 1.10 s"}, PulseCase{"", "1", "Incorrect input"},
                    PulseCase{"x", "y", "Incorrect input"}, PulseCase{"10", "", "Incorrect input"},
                    PulseCase{"10 uF", "1 kOhm", "Results: T = 11.00 ms"}, PulseCase{"10u", "1", "Incorrect input"},
                    PulseCase{"4,7", "10", "Results: T = 51.70 ms"},
                    // A pulse that would read 0.00 ms is shown in us.
                    PulseCase{"0.001", "1", "Results: T = 1.10 us"},
                    PulseCase{"0,001", "2,2", "Results: T = 2.42 us"},
                    PulseCase{"0.004", "1", "Results: T = 4.40 us"},
                    PulseCase{"0.005", "1", "Results: T = 0.01 ms"},
                    PulseCase{"0.000001", "0.001", "Results: T = 0.00 us"},
                    PulseCase{"0", "1", "Results: T = 0.00 ms"},
                    PulseCase{"-0", "1", "Results: T = 0.00 ms"}));

// Negative parts and pulses too long to print are bad input.
INSTANTIATE_TEST_SUITE_P(
    BadInput, NE555Pulse,
    testing::Values(PulseCase{"-100", "1", "Incorrect input"}, PulseCase{"10", "-1", "Incorrect input"},
                    PulseCase{"-10", "-1", "Incorrect input"}, PulseCase{"1e39", "1", "Incorrect input"},
                    PulseCase{"1e38", "1e38", "Incorrect input"}, PulseCase{"1e15", "1", "Incorrect input"},
                    PulseCase{"1e8", "1", "Results: T = 110000.00 s"}));

struct AstableCase {
    const char* c2;
    const char* r2_1;
    const char* r2_2;
    const char* times;
    const char* frequency;
};

class NE555Astable : public testing::TestWithParam<AstableCase> {};

TEST_P(NE555Astable, ShowsTimesAndFrequency)
{
    const AstableCase& c = GetParam();
    auto s = openTimerScreen();
    s->m_cDataC2->setText(c.c2);
    s->m_cDataR2_1->setText(c.r2_1);
    s->m_cDataR2_2->setText(c.r2_2);
    s->showResults();
    EXPECT_EQ(s->m_cResults2_1->text(), c.times);
    EXPECT_EQ(s->m_cResults2_2->text(), c.frequency);
    EXPECT_EQ(s->m_cResults1->text(), "Results: T = 11.00 ms");   // the pulse is computed apart
}

INSTANTIATE_TEST_SUITE_P(
    Units, NE555Astable,
    testing::Values(AstableCase{"1000", "1", "1", "t1 = 1.39 s, t2 = 0.69 s", "f = 0.48 Hz"},
                    // Both times step up to seconds only when both pass 100 ms.
                    AstableCase{"1000", "1", "0.1", "t1 = 762.30 ms, t2 = 69.30 ms", "f = 1.20 Hz"},
                    // T2 = 0.00693 ms is not above 0.01 ms, so both are shown in us; 48100 Hz in kHz.
                    AstableCase{"0.01", "1", "1", "t1 = 13.86 us, t2 = 6.93 us", "f = 48.10 kHz"},
                    AstableCase{"0.1", "1", "1", "t1 = 0.14 ms, t2 = 0.07 ms", "f = 4.81 kHz"},
                    AstableCase{"1", "1", "1", "t1 = 1.39 ms, t2 = 0.69 ms", "f = 481.00 Hz"},
                    AstableCase{"0,1", "1", "1", "t1 = 0.14 ms, t2 = 0.07 ms", "f = 4.81 kHz"},
                    AstableCase{"10", "0,5", "1,5", "t1 = 13.86 ms, t2 = 10.40 ms", "f = 41.23 Hz"},
                    // The smallest capacitance the screen takes is taken.
                    AstableCase{"0.00001", "1", "1", "t1 = 0.01 us, t2 = 0.01 us", "f = 48100.05 kHz"}));

INSTANTIATE_TEST_SUITE_P(
    Validation, NE555Astable,
    testing::Values(AstableCase{"0.000005", "1", "1", "Error: value too small or incorrect", "f = n/a"},
                    AstableCase{"", "1", "1", "Error: value too small or incorrect", "f = n/a"},
                    AstableCase{"10", "0.0005", "1", "Error: value too small or incorrect", "f = n/a"},
                    AstableCase{"10", "1", "abc", "Error: value too small or incorrect", "f = n/a"},
                    // Negative parts are no circuit (they gave negative times, or a zero period).
                    AstableCase{"-10", "1", "1", "Error: value too small or incorrect", "f = n/a"},
                    AstableCase{"-5", "1", "1", "Error: value too small or incorrect", "f = n/a"},
                    AstableCase{"10", "-2", "1", "Error: value too small or incorrect", "f = n/a"},
                    AstableCase{"10", "1", "-1", "Error: value too small or incorrect", "f = n/a"},
                    // Times too long to print come only from absurd input.
                    AstableCase{"1e39", "1", "1", "Error: value too small or incorrect", "f = n/a"},
                    AstableCase{"1e20", "1e10", "1", "Error: value too small or incorrect", "f = n/a"}));

// A frequency below 0.01 Hz is shown in mHz instead of 0.00 Hz; the other units stay.
INSTANTIATE_TEST_SUITE_P(
    SlowOscillators, NE555Astable,
    testing::Values(AstableCase{"100000", "1", "1", "t1 = 138.60 s, t2 = 69.30 s", "f = 4.81 mHz"},
                    AstableCase{"48200", "1", "1", "t1 = 66.81 s, t2 = 33.40 s", "f = 9.98 mHz"},
                    AstableCase{"48000", "1", "1", "t1 = 66.53 s, t2 = 33.26 s", "f = 0.01 Hz"},
                    AstableCase{"10000", "10000", "10000", "t1 = 138600.00 s, t2 = 69300.00 s", "f = 0.00 mHz"}));

TEST(NE555Calc, DutyCycleIsTheHighTimesShare)
{
    auto s = openTimerScreen();
    s->m_cDataR2_1->setText("3");
    s->showResults();
    EXPECT_EQ(s->m_cResults2_3->text(), "D = 80.0 %");   // (3 + 1) / (3 + 2)
    s->m_cDataR2_1->setText("");
    s->showResults();
    EXPECT_EQ(s->m_cResults2_3->text(), "D = n/a");
}

TEST(NE555Calc, EditingAndReturnRecompute)
{
    auto s = openTimerScreen();
    s->m_cDataC1->userEdit("100");
    EXPECT_EQ(s->m_cResults1->text(), "Results: T = 0.11 s");
    s->m_cDataC2->setText("1000");
    s->m_cDataC2->userReturn();
    EXPECT_FALSE(s->m_cDataC2->isFirstResponder());
    EXPECT_EQ(s->m_cResults2_1->text(), "t1 = 1.39 s, t2 = 0.69 s");
}

TEST(NE555Calc, ScrollViewSizeFollowsTheIdiom)
{
    auto& app = ui::Application::shared();
    auto phone = openTimerScreen();
    EXPECT_GT(phone->scrollView->bounds().height, 0.0f);
    EXPECT_EQ(phone->scrollView->contentSize(), phone->scrollView->bounds().size());

    app.setUserInterfaceIdiom(ui::UserInterfaceIdiom::Pad);
    auto pad = openTimerScreen();
    app.setUserInterfaceIdiom(ui::UserInterfaceIdiom::Phone);
    EXPECT_EQ(pad->scrollView->bounds(), (ui::Rect{0, 0, 760, 950}));
    EXPECT_EQ(pad->scrollView->center(), (ui::Point{420, 505}));
    EXPECT_EQ(pad->scrollView->contentSize(), (ui::Size{760, 950}));
}

TEST(NE555Calc, ScriptedFromTheMenu)
{
    std::ostringstream out, err;
    ASSERT_EQ(app::runScript({"ShowNE555View", "m_cDataC2=0.01", "m_cDataR1=10"}, out, err), 0) << err.str();
    EXPECT_NE(out.str().find("m_cResults1: Results: T = 0.11 s\n"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("m_cResults2_1: t1 = 13.86 us, t2 = 6.93 us\n"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("m_cResults2_2: f = 48.10 kHz\n"), std::string::npos) << out.str();
}

}  // namespace
}  // namespace ohmkit::components
