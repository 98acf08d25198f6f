#include "datasheets/network_controller.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>

using ohmkit::datasheets::InterfaceAddress;
using ohmkit::datasheets::NetworkController;
using Family = InterfaceAddress::Family;

namespace {

InterfaceAddress ipv4(const std::string& name, const std::string& address, bool wireless = false)
{
    return {name, Family::IPv4, address, true, false, wireless};
}

InterfaceAddress wifi(const std::string& address) { return ipv4("wlan0", address, true); }

struct Case {
    const char* what;
    std::vector<InterfaceAddress> list;
    const char* expected;
};

}  // namespace

TEST(NetworkController, ChoosesByTheWirelessFirstRule)
{
    InterfaceAddress loopback{"lo", Family::IPv4, "127.0.0.1", true, true, false};
    InterfaceAddress downWifi = wifi("192.168.1.9");
    downWifi.up = false;
    InterfaceAddress noAddress{"wlan0", Family::None, "", true, false, true};
    InterfaceAddress wifi6{"wlan0", Family::IPv6, "fe80::1", true, false, true};

    const Case cases[] = {
        {"no interfaces", {}, ""},
        {"only the loopback", {loopback}, ""},
        {"wireless", {loopback, wifi("192.168.1.5")}, "192.168.1.5"},
        {"wireless before wired, whatever the order", {wifi("192.168.1.5"), ipv4("eth0", "10.0.0.2")}, "192.168.1.5"},
        {"wired when no wireless", {loopback, ipv4("eth0", "10.0.0.2")}, "10.0.0.2"},
        {"last wireless address wins", {wifi("192.168.1.5"), wifi("192.168.1.6")}, "192.168.1.6"},
        {"last wired address wins", {ipv4("eth0", "10.0.0.2"), ipv4("eth1", "10.0.0.3")}, "10.0.0.3"},
        {"IPv6 passed over", {wifi("192.168.1.5"), wifi6}, "192.168.1.5"},
        {"only IPv6 on the wireless", {wifi6, ipv4("eth0", "10.0.0.2")}, "10.0.0.2"},
        {"entry without an address passed over", {wifi("192.168.1.5"), noAddress}, "192.168.1.5"},
        {"a wireless interface that is down", {downWifi, ipv4("eth0", "10.0.0.2")}, "10.0.0.2"},
        {"nothing usable", {loopback, downWifi, wifi6, noAddress}, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(NetworkController::localWifiIPAddress(c.list), c.expected) << c.what;
}

TEST(NetworkController, TheInterfaceListCanBeReplaced)
{
    NetworkController::setInterfaceSource([] { return std::vector<InterfaceAddress>{wifi("192.168.1.5")}; });
    EXPECT_EQ(NetworkController::localWifiIPAddress(), "192.168.1.5");
    NetworkController::setInterfaceSource(nullptr);
}

TEST(NetworkController, TheSystemAnswerIsEmptyOrDottedDecimal)
{
    // Whatever this machine's network is: never the loopback, never IPv6.
    std::string address = NetworkController::localWifiIPAddress();
    if (!address.empty()) {
        in_addr parsed{};
        EXPECT_EQ(::inet_pton(AF_INET, address.c_str(), &parsed), 1) << address;
        EXPECT_NE(address.rfind("127.", 0), 0u) << address;
    }
    bool sawLoopback = false;
    for (const auto& entry : NetworkController::systemInterfaces())
        if (entry.loopback && entry.family == Family::IPv4) sawLoopback = entry.address == "127.0.0.1" || sawLoopback;
    EXPECT_TRUE(sawLoopback);
}
