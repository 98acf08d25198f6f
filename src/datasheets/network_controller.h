#pragma once
// Network questions about this machine: the address an FTP client on the local network must
// connect to.
//
// The address is the IPv4 address of a wireless interface (one that has
// /sys/class/net/NAME/wireless) when there is one; else of any other interface that is up and
// is not the loopback; else the empty text. Within each group the last address listed wins.
// The interface list can be replaced for tests.
#include <functional>
#include <string>
#include <vector>

namespace ohmkit::datasheets {

// One entry of the system's interface list (an interface with one of its addresses).
struct InterfaceAddress {
    enum class Family { None, IPv4, IPv6 };
    std::string name;
    Family family = Family::None;   // None: an entry without an address
    std::string address;            // dotted decimal for IPv4, textual for IPv6
    bool up = false;
    bool loopback = false;
    bool wireless = false;
};

class NetworkController {
public:
    // The IPv4 address to show to FTP clients, or the empty text.
    static std::string localWifiIPAddress();
    // The same rule applied to a given interface list.
    static std::string localWifiIPAddress(const std::vector<InterfaceAddress>& interfaces);

    // The system's interface list (getifaddrs); empty when it cannot be read.
    static std::vector<InterfaceAddress> systemInterfaces();

    // Replaces the system's list (nullptr restores it).
    using InterfaceSource = std::function<std::vector<InterfaceAddress>()>;
    static void setInterfaceSource(InterfaceSource source);
};

}  // namespace ohmkit::datasheets
