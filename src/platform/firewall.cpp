#include "platform/firewall.h"

#include <algorithm>
#include <charconv>
#include <string_view>

namespace veltrana {

namespace {

// Windows compares paths without regard to case; the letters of a drive and of Latin names are
// what differ in practice ("C:\Program Files" and "c:\program files").
bool samePath(std::string_view a, std::string_view b) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return lower(x) == lower(y); });
}

int number(std::string_view text) {
    int value = -1;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() ? value : -1;
}

// "*", nothing, a port, or a list of ports and ranges; a word ("RPC", "IPHTTPS") is not a port.
bool coversPort(std::string_view ports, int port) {
    if (ports.empty() || ports == "*") {
        return true;
    }
    while (!ports.empty()) {
        const std::size_t comma = ports.find(',');
        std::string_view item = ports.substr(0, comma);
        ports = comma == std::string_view::npos ? std::string_view() : ports.substr(comma + 1);
        const std::size_t dash = item.find('-');
        const int first = number(item.substr(0, dash));
        const int last = dash == std::string_view::npos ? first : number(item.substr(dash + 1));
        if (first >= 0 && first <= port && port <= last) {
            return true;
        }
    }
    return false;
}

}  // namespace

FirewallState firewallState(const std::vector<FirewallProfile>& current,
                            const std::vector<FirewallRule>& rules, const std::string& program,
                            int port) {
    FirewallState state;
    state.known = true;
    for (const FirewallProfile& profile : current) {
        state.profiles |= profile.profile;
        if (profile.enabled) {
            state.enabled = true;
            state.blockAllInbound |= profile.blockAllInbound;
            state.blocksUnlisted |= profile.blocksUnlisted;
        }
    }
    for (const FirewallRule& rule : rules) {
        if (!rule.enabled || !rule.inbound || (rule.profiles & state.profiles) == 0 ||
            !(rule.program.empty() || samePath(rule.program, program)) ||
            !coversPort(rule.localPorts, port)) {
            continue;
        }
        (rule.allows ? state.portAllowed : state.programBlocked) = true;
    }
    return state;
}

}  // namespace veltrana
