#include "platform/network.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace veltrana {

namespace {

// Bridges that container and virtual-machine software makes on Linux and Windows: they carry an
// address of this computer that no phone can reach.
bool isVirtualBridge(std::string_view name) {
    constexpr std::array<std::string_view, 13> kPrefixes{
        "docker",  "br-",    "veth",  "virbr",   "lxcbr",     "lxdbr",     "cni",
        "flannel", "podman", "vmnet", "vboxnet", "vEthernet", "VirtualBox"};
    return std::any_of(kPrefixes.begin(), kPrefixes.end(),
                       [name](std::string_view prefix) { return name.starts_with(prefix); }) ||
           name.find("VMware") != std::string_view::npos;
}

}  // namespace

std::vector<NetworkAddress> phoneReachable(const std::vector<NetworkAddress>& candidates,
                                           const std::string& defaultRouteAddress) {
    std::vector<NetworkAddress> reachable;
    for (const NetworkAddress& candidate : candidates) {
        std::string_view address = candidate.address;
        if (!address.starts_with("127.") && !address.starts_with("169.254.") &&
            !isVirtualBridge(candidate.interfaceName)) {
            reachable.push_back(candidate);
        }
    }
    std::stable_partition(reachable.begin(), reachable.end(), [&](const NetworkAddress& a) {
        return a.address == defaultRouteAddress;
    });
    return reachable;
}

}  // namespace veltrana
