#include "phone/firewall_advice.h"

#include "phone/server.h"

namespace veltrana {

namespace {

std::string portRange() {
    return std::to_string(kPhonePort) + "-" + std::to_string(kPhonePort + kPhonePorts - 1);
}

}  // namespace

std::string allowPhonesCommand(const std::string& program) {
    // Inside quotes cmd.exe takes blanks, Chinese and & ( ) ^ as they are, but not % (a
    // variable's name between two of them is replaced); a path cannot hold a quote.
    if (program.empty() || program.find_first_of("%\"") != std::string::npos) {
        return {};
    }
    const std::string quoted = "program=\"" + program + "\"";
    return "netsh advfirewall firewall delete rule name=all dir=in " + quoted +
           " & netsh advfirewall firewall add rule name=\"Veltrana 手机上传\" dir=in action=allow"
           " protocol=TCP localport=" +
           portRange() + " profile=private,domain remoteip=localsubnet " + quoted;
}

FirewallAdvice firewallAdvice(const FirewallState& state, int port, const std::string& program) {
    const std::string ports = "TCP 端口 " + std::to_string(kPhonePort) + "–" +
                              std::to_string(kPhonePort + kPhonePorts - 1);
    if (!state.known) {
        return {"无法读取这台电脑的防火墙设置。如果手机打不开网页，请检查防火墙是否允许" + ports +
                    "的连接。",
                false,
                {}};
    }
    if (!state.enabled) {
        return {"防火墙没有阻止手机连接。", false, {}};
    }
    if (state.blockAllInbound) {
        return {
            "防火墙设置为“阻止所有传入连接”，手机连不上这台电脑，允许的程序也不例外。"
            "请在“Windows 安全中心 → 防火墙和网络保护”中为当前网络关闭这一项，"
            "或请学校的网络管理员处理。",
            true,
            {}};
    }
    FirewallAdvice advice;
    advice.inTheWay = true;
    advice.command = allowPhonesCommand(program);
    const std::string what =
        advice.command.empty()
            ? "程序所在文件夹的路径含有“%”，无法自动添加规则，请把程序文件夹移到别处后再试。"
            : "请点“允许手机连接…”并由管理员确认，或点“复制命令”交给学校的网络管理员。";
    if ((state.profiles & (kPrivateNetwork | kDomainNetwork)) == 0 && !state.portAllowed) {
        advice.text =
            "这台电脑把当前网络当作“公用网络”，防火墙不让手机连进来。"
            "如果这是学校或家里的网络，请在“设置 → 网络和 Internet”中把它改为"
            "“专用网络”。" +
            what;
    } else if (state.programBlocked) {
        advice.text =
            "防火墙有一条规则阻止本程序接受连接（没有管理员确认时 Windows 会自动添加），"
            "手机打不开网页。" +
            what;
    } else if (state.blocksUnlisted && !state.portAllowed) {
        advice.text = "防火墙还没有允许本程序接受手机的连接。" + what;
    } else {
        return {"防火墙允许手机连接（端口 " + std::to_string(port) + "）。", false, {}};
    }
    return advice;
}

}  // namespace veltrana
