#pragma once

#include <string>
#include <vector>

namespace veltrana {

// An address of this computer, with the interface it belongs to as the system shows it
// ("wlan0", "WLAN", "以太网").
struct NetworkAddress {
    std::string interfaceName;
    std::string address;  // IPv4, dotted
};

// Of the IPv4 addresses of the interfaces that are up, those a phone on the same network can
// reach: no loopback, no self-assigned address, no bridge of containers or virtual machines. The
// one the default route leaves by comes first, then the rest in the system's order.
std::vector<NetworkAddress> phoneReachable(const std::vector<NetworkAddress>& candidates,
                                           const std::string& defaultRouteAddress);

// phoneReachable over this computer's interfaces.
std::vector<NetworkAddress> phoneAddresses();

}  // namespace veltrana
