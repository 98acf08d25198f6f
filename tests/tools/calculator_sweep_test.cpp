// Generated inputs checked against the physics, a few hundred per screen, in one process.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdint>
#include <string>

#include "platform/text.h"
#include "tools/components/info_leds_view.h"
#include "tools/components/info_ne555_view.h"
#include "tools/components/info_solar_calc_view.h"
#include "tools/eseries.h"

namespace ohmkit::components {
namespace {

// A small fixed-seed generator, so that a failure repeats.
class Inputs {
public:
    // A value spread evenly in logarithm from `low` to `high`, with three figures.
    double logUniform(double low, double high)
    {
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        const double unit = static_cast<double>(state_ >> 11) / 9007199254740992.0;
        const double v = low * std::pow(high / low, unit);
        return std::stod(platform::format("%.3g", v));
    }

private:
    std::uint64_t state_ = 0x2545F4914F6CDD1DULL;
};

std::string typed(double v) { return platform::format("%.3g", v); }

// Ohms of a recommendation line: "510 Ohm", "4.3 Ohm", "4.7 KOhm", "47 KOhm".
double recommendedOhms(std::string line, double& watts)
{
    line = platform::replaceAll(line, "> 100 W", "1e9 W");   // no listed rating is enough
    double value = 0;
    char unit[8] = {};
    if (std::sscanf(line.c_str(), "Recommended: %lf %7[KOhm], %lf W (2x margin)", &value, unit, &watts) != 3) return -1;
    return std::string(unit) == "KOhm" ? value * 1000 : value;
}

TEST(CalculatorSweep, LedResistorCarriesNoMoreThanTheRatedCurrent)
{
    Inputs in;
    InfoLedsView s;
    s.loadViewIfNeeded();
    int checked = 0;
    for (int i = 0; i < 400; ++i) {
        const double vf = in.logUniform(1.5, 3.6);
        const int n = 1 + i % 4;
        const double ma = in.logUniform(0.1, 1000);
        const double vs = vf * n + in.logUniform(0.05, 30);
        s.m_cVoltage->setText(typed(vs));
        s.m_cLedsCount->setText(std::to_string(n));
        s.m_cVoltageOnLED->setText(typed(vf));
        s.m_cCurrentOnLED->setText(typed(ma));
        s.showResults();
        const double need = (std::stod(typed(vs)) - n * std::stod(typed(vf))) / (std::stod(typed(ma)) * 0.001);
        if (need < 1 || need > 1e7) continue;
        double watts = 0;
        const double r = recommendedOhms(s.m_cResults2->text(), watts);
        ASSERT_GT(r, 0) << s.m_cResults->text() << " / " << s.m_cResults2->text() << " need " << need;
        const double power = need * std::pow(std::stod(typed(ma)) * 0.001, 2);
        EXPECT_GE(r, need * (1 - 1e-9)) << s.m_cResults2->text() << " for " << need;
        EXPECT_TRUE(tools::isStandardValue(r, tools::ESeries::E24)) << r;
        // The next E24 value below would be too small.
        EXPECT_LT(tools::standardValueAtOrBelow(r * (1 - 1e-6), tools::ESeries::E24), need * (1 + 1e-9));
        if (2 * power <= 100) {
            EXPECT_GE(watts, 2 * power * (1 - 1e-6)) << s.m_cResults2->text();
        }
        ++checked;
    }
    EXPECT_GT(checked, 300);
}

TEST(CalculatorSweep, SolarPanelsCoverTheDaysEnergy)
{
    Inputs in;
    for (int i = 0; i < 300; ++i) {
        InfoSolarCalcView s;
        s.loadViewIfNeeded();
        s.textItemPower->setText(typed(in.logUniform(0.1, 3000)));
        s.textItemUsage->setText(typed(in.logUniform(0.1, 24)));
        s.buttonForAction("onButtonAddItem")->userTap();
        const double panel = in.logUniform(5, 500);
        const double hours = in.logUniform(0.5, 12);
        s.textPanelPower->setText(typed(panel));
        s.textSunHours->setText(typed(hours));
        s.textVoltage->setText(i % 2 ? "12" : "24");
        s.calculateResults();
        ASSERT_EQ(s.items.size(), 1u);
        const double energy = static_cast<double>(s.items[0].fPower) * static_cast<double>(s.items[0].fDailyUsage);
        const double perPanel = std::stod(typed(panel)) * std::stod(typed(hours));
        const long long n = std::stoll(s.labelResult5->text());
        EXPECT_GE(n, 1);
        EXPECT_GE(n * perPanel, energy * 1.55 * (1 - 1e-5)) << n << " panels";
        if (n > 1) {
            EXPECT_LT((n - 1) * perPanel, energy * 1.55 * (1 + 1e-5)) << n << " panels";
        }
    }
}

TEST(CalculatorSweep, TimerFollowsTheFormulas)
{
    Inputs in;
    InfoNE555View s;
    s.loadViewIfNeeded();
    for (int i = 0; i < 300; ++i) {
        const double c = std::stod(typed(in.logUniform(0.001, 1000)));
        const double r1 = std::stod(typed(in.logUniform(0.01, 1000)));
        const double r2 = std::stod(typed(in.logUniform(0.01, 1000)));
        s.m_cDataC2->setText(typed(c));
        s.m_cDataR2_1->setText(typed(r1));
        s.m_cDataR2_2->setText(typed(r2));
        s.showResults();
        double high = 0, low = 0;
        char unit[4] = {}, unit2[4] = {};
        ASSERT_EQ(std::sscanf(s.m_cResults2_1->text().c_str(), "t1 = %lf %3s t2 = %lf %3s", &high, unit, &low, unit2), 4)
            << s.m_cResults2_1->text();
        const std::string u(unit);
        const double scale = u == "s," ? 1e-3 : u == "ms," ? 1 : 1e3;   // shown per millisecond
        const double t1 = 0.693 * (r1 + r2) * c, t2 = 0.693 * r2 * c;   // milliseconds
        EXPECT_NEAR(high, t1 * scale, 0.005 + t1 * scale * 1e-5) << s.m_cResults2_1->text();
        EXPECT_NEAR(low, t2 * scale, 0.005 + t2 * scale * 1e-5) << s.m_cResults2_1->text();
        double duty = 0;
        ASSERT_EQ(std::sscanf(s.m_cResults2_3->text().c_str(), "D = %lf %%", &duty), 1);
        EXPECT_NEAR(duty, 100 * (r1 + r2) / (r1 + 2 * r2), 0.05 + 1e-4);
        double f = 0;
        char funit[5] = {};
        ASSERT_EQ(std::sscanf(s.m_cResults2_2->text().c_str(), "f = %lf %4s", &f, funit), 2);
        const double hz = 1000 / (t1 + t2);
        const std::string fu(funit);
        const double shown = fu == "kHz" ? hz / 1000 : fu == "mHz" ? hz * 1000 : hz;
        EXPECT_NEAR(f, shown, 0.005 + shown * 1e-5) << s.m_cResults2_2->text();
    }
}

}  // namespace
}  // namespace ohmkit::components
