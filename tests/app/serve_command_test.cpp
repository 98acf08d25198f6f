#include "app/serve_command.h"

#include <gtest/gtest.h>

#include <sstream>

namespace ohmkit::app {
namespace {

// Bad arguments are refused with the usage line before anything is served.
TEST(ServeCommand, RefusesBadArguments)
{
    const std::vector<std::vector<std::string>> cases = {
        {"--port"},
        {"--port", "70000"},
        {"--http-port"},
        {"--http-port", "65536"},
        {"--http-port", "80x"},
        {"--max-clients", "0"},
        {"--max-clients", "-3"},
        {"--max-clients", "12x"},
        {"--max-per-address"},
        {"--idle-timeout", "0"},
        {"--idle-timeout", "soon"},
        {"--idle-timeout", "nan"},
        {"--data-timeout", "-1"},
        {"--data-timeout", "1e12"},
        {"--documents", ""},
        {"--unknown", "1"},
        {"--documents", "/tmp/ohmkit-no-such-folder-at-all"},
    };
    for (const auto& args : cases) {
        std::ostringstream out, err;
        EXPECT_EQ(serveCommand(args, out, err), 2) << args[0];
        EXPECT_TRUE(out.str().empty()) << args[0];
        EXPECT_FALSE(err.str().empty()) << args[0];
    }
    std::ostringstream out, err;
    serveCommand({"--max-clients", "0"}, out, err);
    EXPECT_NE(err.str().find("[--max-clients N] [--max-per-address N] [--idle-timeout SECONDS] [--data-timeout SECONDS] [--http-port N]"),
              std::string::npos)
        << err.str();
}

}  // namespace
}  // namespace ohmkit::app
