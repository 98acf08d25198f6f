#include <gtest/gtest.h>

#include <cmath>

#include "tools/circuits/circuit_screen.h"

namespace ohmkit::circuits {
namespace {

using State = FieldValue::State;

TEST(CircuitField, ReadsWholeDecimalNumbersOnly)
{
    const struct {
        const char* text;
        State state;
        double value;
    } cases[] = {
        {"", State::Empty, 0},          {"   ", State::Empty, 0},      {"12", State::Number, 12},
        {" 4.7 ", State::Number, 4.7},  {"4,7", State::Number, 4.7},   {",5", State::Number, 0.5},
        {"-3", State::Number, -3},      {"-0", State::Number, 0},      {"1e3", State::Number, 1000},
        {"2.5E-3", State::Number, 0.0025}, {"5.", State::Number, 5},
        {"abc", State::Bad, 0},         {"12abc", State::Bad, 0},      {"1,2,3", State::Bad, 0},
        {".", State::Bad, 0},           {"-", State::Bad, 0},          {"1e", State::Bad, 0},
        {"e5", State::Bad, 0},          {"inf", State::Bad, 0},        {"nan", State::Bad, 0},
        {"0x10", State::Bad, 0},        {"1e999", State::Bad, 0},      {"1 2", State::Bad, 0},
    };
    for (const auto& c : cases) {
        const FieldValue read = readField(c.text);
        EXPECT_EQ(read.state, c.state) << '"' << c.text << '"';
        if (c.state == State::Number) {
            EXPECT_DOUBLE_EQ(read.value, c.value) << c.text;
        }
    }
    EXPECT_FALSE(std::signbit(readField("-0").value));
}

TEST(CircuitField, SiPrefixesInFourDigits)
{
    const struct {
        double value;
        const char* unit;
        const char* text;
    } cases[] = {
        {0, "W", "0 W"},           {1200, "Ohm", "1.2 kOhm"},    {159.15494, "Hz", "159.2 Hz"},
        {1591.549, "Hz", "1.592 kHz"}, {1e-5, "s", "10 us"},     {0.001, "s", "1 ms"},
        {999.96, "Hz", "1 kHz"},   {4.7e6, "Ohm", "4.7 MOhm"},   {1e-12, "F", "1 pF"},
        {2.5e10, "Hz", "25 GHz"},  {-0.0025, "A", "-2.5 mA"},    {1.0, "V", "1 V"},
    };
    for (const auto& c : cases) EXPECT_EQ(siText(c.value, c.unit), c.text) << c.value;
}

}  // namespace
}  // namespace ohmkit::circuits
