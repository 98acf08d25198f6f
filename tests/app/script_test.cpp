#include "app/command_line.h"

#include <gtest/gtest.h>

#include <sstream>

using ohmkit::app::runScript;

namespace {

struct Result {
    int status;
    std::string out, err;
};

Result script(std::vector<std::string> args)
{
    std::ostringstream out, err;
    int status = runScript(args, out, err);
    return {status, out.str(), err.str()};
}

}  // namespace

TEST(Script, OpensARouteAndPrintsItsOutlets)
{
    auto r = script({"ShowResistor"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "pickerView: 0 0 0 0 0 0\nlabelResults: Resistance: 10 Ohm +-20%\n");
}

TEST(Script, TurnsWheelsInOrder)
{
    auto r = script({"ShowResistor", "pick:pickerView:0:3", "pick:pickerView:1:7", "pick:pickerView:3:2",
                     "pick:pickerView:4:2"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("labelResults: Resistance: 4.7 KOhm +-5%\n"), std::string::npos) << r.out;
}

TEST(Script, BackShowsTheMenu)
{
    auto r = script({"ShowResistor", "back"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("tableData[0]: Resistor colors\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("tableData[15]: Datasheets storage\n"), std::string::npos);
}

TEST(Script, BadInputIsAnErrorWithStatusTwo)
{
    for (const auto& args : std::vector<std::vector<std::string>>{
             {},
             {"ShowNowhere"},
             {"ShowResistor", "nosuch=1"},
             {"ShowResistor", "labelResults=1"},
             {"ShowResistor", "tap:onNothing"},
             {"ShowResistor", "pick:pickerView:9:0"},
             {"ShowResistor", "pick:pickerView:0:99"},
             {"ShowResistor", "pick:pickerView:x:1"},
             {"ShowResistor", "row:pickerView:0"},
             {"ShowResistor", "dance"},
         }) {
        auto r = script(args);
        EXPECT_EQ(r.status, 2) << (args.empty() ? "" : args.back());
        EXPECT_FALSE(r.err.empty());
        EXPECT_TRUE(r.out.empty());
    }
}
