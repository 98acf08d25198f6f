#include "ftp/ftp_connection.h"

#include <gtest/gtest.h>

#include <set>

namespace ohmkit::ftp {
namespace {

// Many PASV commands in the same second must not crowd onto a few ports: every port of the
// range has to be reachable, or concurrent clients keep drawing ports that are already taken.
TEST(PassivePortTest, ChoicesInOneBurstSpreadOverTheRange)
{
    std::set<std::uint16_t> ports;
    std::set<int> lowBits;
    for (int i = 0; i < 300; ++i) {
        const std::uint16_t port = FtpConnection::choosePasvDataPort();
        EXPECT_GE(port, 1024);
        ports.insert(port);
        lowBits.insert(port % 1024);
    }
    EXPECT_GT(ports.size(), 250u);
    EXPECT_GT(lowBits.size(), 100u);
}

}  // namespace
}  // namespace ohmkit::ftp
