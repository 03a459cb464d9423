#include "platform/firewall.h"

namespace veltrana {

namespace {

// Linux has several firewalls (nftables, firewalld, ufw) and reading any of them needs root: the
// state stays unknown, and nothing is offered that would change it.
class NoFirewall final : public Firewall {
public:
    FirewallState state(const std::string&, int) override { return {}; }
    bool runAsAdministrator(const std::string&) override { return false; }
};

}  // namespace

std::unique_ptr<Firewall> systemFirewall() {
    return std::make_unique<NoFirewall>();
}

}  // namespace veltrana
