#include "platform/network.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace veltrana {
namespace {

std::vector<std::string> addressesOf(const std::vector<NetworkAddress>& reachable) {
    std::vector<std::string> addresses;
    for (const NetworkAddress& address : reachable) {
        addresses.push_back(address.address);
    }
    return addresses;
}

TEST(PhoneReachable, TheDefaultRouteComesFirstAndLoopbackAndBridgesNever) {
    const std::vector<NetworkAddress> interfaces{
        {"lo", "127.0.0.1"},
        {"docker0", "172.17.0.1"},
        {"br-5f2a", "172.18.0.1"},
        {"virbr0", "192.168.122.1"},
        {"eth0", "10.1.2.3"},
        {"vEthernet (WSL)", "172.29.0.1"},
        {"VMware Network Adapter VMnet8", "192.168.80.1"},
        {"以太网", "169.254.7.7"},
        {"wlan0", "192.168.1.23"},
    };
    struct Case {
        std::string defaultRoute;
        std::vector<std::string> expected;
    };
    for (const Case& c : std::vector<Case>{
             {"192.168.1.23", {"192.168.1.23", "10.1.2.3"}},
             {"10.1.2.3", {"10.1.2.3", "192.168.1.23"}},
             {"", {"10.1.2.3", "192.168.1.23"}},            // no default route
             {"172.17.0.1", {"10.1.2.3", "192.168.1.23"}},  // never a bridge, even then
         }) {
        EXPECT_EQ(addressesOf(phoneReachable(interfaces, c.defaultRoute)), c.expected)
            << c.defaultRoute;
    }
}

}  // namespace
}  // namespace veltrana
