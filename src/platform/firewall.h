#pragma once

#include <memory>
#include <string>
#include <vector>

// What the system's firewall does with connections to this program, as any user may read it, and
// the one change that needs an administrator.
namespace veltrana {

// The kinds of network the firewall tells apart, as bits; a computer may be on several at once.
enum NetworkProfile : unsigned { kDomainNetwork = 1, kPrivateNetwork = 2, kPublicNetwork = 4 };

// An inbound or outbound rule as the firewall lists it. program is empty for a rule of every
// program, localPorts as written ("53127", "80,443", "5000-5010", "*", or empty for all).
struct FirewallRule {
    std::string program;
    std::string localPorts;
    bool inbound = true;
    bool allows = true;
    bool enabled = true;
    unsigned profiles = 0;
};

// One profile's settings.
struct FirewallProfile {
    unsigned profile = 0;
    bool enabled = false;
    bool blockAllInbound = false;  // even programs that a rule allows
    bool blocksUnlisted = false;   // the default inbound action: block what no rule allows
};

// The firewall as read, for the profiles the computer is on now.
struct FirewallState {
    bool known = false;  // false: no firewall that this program can read
    unsigned profiles = 0;
    bool enabled = false;          // on for a current profile
    bool blockAllInbound = false;  // on a current profile
    bool blocksUnlisted = false;   // on a current profile
    bool programBlocked = false;   // an enabled inbound rule of a current profile blocks program
    bool portAllowed = false;      // an enabled inbound rule of a current profile lets port in
};

// What the profiles and rules mean for connections to port of program (a full path, compared
// without regard to case, as Windows does).
FirewallState firewallState(const std::vector<FirewallProfile>& current,
                            const std::vector<FirewallRule>& rules, const std::string& program,
                            int port);

class Firewall {
public:
    virtual ~Firewall() = default;
    virtual FirewallState state(const std::string& program, int port) = 0;
    // Runs commandLine in the system's command interpreter as an administrator, after the system
    // has asked for one, and waits for it to end; false when the teacher declined or it failed.
    virtual bool runAsAdministrator(const std::string& commandLine) = 0;
};

// The firewall of this computer: Windows' on Windows; elsewhere none that can be read.
std::unique_ptr<Firewall> systemFirewall();

}  // namespace veltrana
