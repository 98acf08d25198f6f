// The browser server's admission rule and the address it compares, without sockets.
#include "http/http_connections.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <gtest/gtest.h>

#include <cstring>

namespace ohmkit::http {
namespace {

TEST(HttpAdmission, KeepsTheLastQuarterForAddressesThatHoldNone)
{
    const struct {
        std::size_t total, fromAddress;
        unsigned maxClients, maxPerAddress;
        bool admitted;
    } cases[] = {
        {0, 0, 64, 16, true},     // the first of all
        {47, 3, 64, 16, true},    // the last place before the kept quarter
        {48, 3, 64, 16, false},   // a kept place, asked for by an address that holds some
        {48, 0, 64, 16, true},    // ... and by a newcomer
        {63, 0, 64, 16, true},    // the very last place goes to a newcomer too
        {10, 16, 64, 16, false},  // the per-address cap, however empty the house
        {10, 15, 64, 16, true},
        {0, 1, 1, 16, true},      // too few places to keep any
        {1, 1, 3, 16, true},
        {2, 1, 4, 16, true},      // of four places, one is kept
        {3, 1, 4, 16, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(admitsConnection(c.total, c.fromAddress, c.maxClients, c.maxPerAddress), c.admitted)
            << c.total << " open, " << c.fromAddress << " from the address, cap " << c.maxClients;
}

TEST(HttpAdmission, ComparesAnIpv4MappedAddressAsIpv4)
{
    sockaddr_in v4{};
    v4.sin_family = AF_INET;
    ::inet_pton(AF_INET, "192.168.1.5", &v4.sin_addr);
    EXPECT_EQ(comparableAddress(reinterpret_cast<const sockaddr*>(&v4)), "192.168.1.5");

    sockaddr_in6 v6{};
    v6.sin6_family = AF_INET6;
    ::inet_pton(AF_INET6, "::ffff:192.168.1.5", &v6.sin6_addr);
    EXPECT_EQ(comparableAddress(reinterpret_cast<const sockaddr*>(&v6)), "192.168.1.5");
    ::inet_pton(AF_INET6, "fe80::1", &v6.sin6_addr);
    EXPECT_EQ(comparableAddress(reinterpret_cast<const sockaddr*>(&v6)), "fe80::1");

    sockaddr other{};
    other.sa_family = AF_UNIX;
    EXPECT_EQ(comparableAddress(&other), "");
    EXPECT_EQ(comparableAddress(nullptr), "");
}

}  // namespace
}  // namespace ohmkit::http
