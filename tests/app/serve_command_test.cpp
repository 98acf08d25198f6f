#include "app/serve_command.h"

#include "platform/log.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <sstream>
#include <string>

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

// A port another program holds is named as such, with its number.
TEST(ServeCommand, SaysThatATakenPortIsInUse)
{
    const int holder = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(holder, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    ASSERT_EQ(::bind(holder, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(holder, 1), 0);
    socklen_t length = sizeof address;
    ::getsockname(holder, reinterpret_cast<sockaddr*>(&address), &length);
    const std::string port = std::to_string(ntohs(address.sin_port));
    platform::LogCapture log;
    std::ostringstream out, err;
    EXPECT_EQ(serveCommand({"--port", port, "--documents", "/tmp"}, out, err), 1);
    ::close(holder);
    EXPECT_EQ(err.str(), "serve: cannot listen: port " + port + " is in use\n");
    EXPECT_TRUE(log.contains("Listening on " + port +
                             " failed: Error Domain=EventSocketErrorDomain Code=-1 \"Address already in use\""));
}

}  // namespace
}  // namespace ohmkit::app
