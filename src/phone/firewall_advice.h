#pragma once

#include <string>

#include "platform/firewall.h"

// What the "手机上传" dialog tells the teacher about the firewall, and the one change it offers.
namespace veltrana {

struct FirewallAdvice {
    std::string text;       // plain Chinese, one short paragraph
    bool inTheWay = false;  // the firewall keeps phones out, or will: shown at once
    // For "允许手机连接…" and "复制命令": one line for cmd.exe run as an administrator; empty when
    // no rule would help or the program's path cannot be written into one.
    std::string command;
};

// Windows' firewall asks only an administrator whether a program may accept connections; for
// everybody else it quietly adds rules that block it, and a block rule beats every allow rule.
// So the line deletes the program's inbound rules, then allows the phone ports, for private and
// domain networks and phones on the same subnet only.
std::string allowPhonesCommand(const std::string& program);

// What state means for phones that connect to port of program.
FirewallAdvice firewallAdvice(const FirewallState& state, int port, const std::string& program);

}  // namespace veltrana
