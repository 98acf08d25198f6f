#include "datasheets/network_controller.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>

namespace ohmkit::datasheets {

namespace {

NetworkController::InterfaceSource& interfaceSource()
{
    static NetworkController::InterfaceSource source;
    return source;
}

bool isWireless(const std::string& name)
{
    struct stat st{};
    return !name.empty() && name.find('/') == std::string::npos &&
           ::stat(("/sys/class/net/" + name + "/wireless").c_str(), &st) == 0;
}

}  // namespace

void NetworkController::setInterfaceSource(InterfaceSource source) { interfaceSource() = std::move(source); }

std::vector<InterfaceAddress> NetworkController::systemInterfaces()
{
    std::vector<InterfaceAddress> list;
    ifaddrs* head = nullptr;
    if (::getifaddrs(&head) != 0) return list;
    for (const ifaddrs* entry = head; entry; entry = entry->ifa_next) {
        InterfaceAddress item;
        item.name = entry->ifa_name ? entry->ifa_name : "";
        item.up = (entry->ifa_flags & IFF_UP) != 0;
        item.loopback = (entry->ifa_flags & IFF_LOOPBACK) != 0;
        item.wireless = isWireless(item.name);
        char text[INET6_ADDRSTRLEN] = {};
        if (entry->ifa_addr && entry->ifa_addr->sa_family == AF_INET) {
            const auto* in = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr);
            if (::inet_ntop(AF_INET, &in->sin_addr, text, sizeof text)) {
                item.family = InterfaceAddress::Family::IPv4;
                item.address = text;
            }
        } else if (entry->ifa_addr && entry->ifa_addr->sa_family == AF_INET6) {
            const auto* in6 = reinterpret_cast<const sockaddr_in6*>(entry->ifa_addr);
            if (::inet_ntop(AF_INET6, &in6->sin6_addr, text, sizeof text)) {
                item.family = InterfaceAddress::Family::IPv6;
                item.address = text;
            }
        }
        list.push_back(std::move(item));
    }
    ::freeifaddrs(head);
    return list;
}

std::string NetworkController::localWifiIPAddress()
{
    const auto& source = interfaceSource();
    return localWifiIPAddress(source ? source() : systemInterfaces());
}

std::string NetworkController::localWifiIPAddress(const std::vector<InterfaceAddress>& interfaces)
{
    // Start with the empty text for both groups.
    std::string wireless;
    std::string other;
    // Walk the whole list: IPv4 addresses of interfaces that are up and not the loopback
    // count; entries without an address and IPv6 addresses are passed over. The last
    // address of each group wins.
    for (const auto& entry : interfaces) {
        if (entry.family != InterfaceAddress::Family::IPv4 || entry.address.empty()) continue;
        if (!entry.up || entry.loopback) continue;
        (entry.wireless ? wireless : other) = entry.address;
    }
    // A wireless interface first, then any other.
    return wireless.empty() ? other : wireless;
}

}  // namespace ohmkit::datasheets
