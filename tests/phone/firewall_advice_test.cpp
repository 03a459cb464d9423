#include "phone/firewall_advice.h"

#include <gmock/gmock.h>

#include "phone/server.h"

namespace veltrana {
namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

const std::string kProgram = R"(E:\班级 文件库 (2)\veltrana.exe)";

// What Windows adds by itself when a program that is not an administrator's starts to listen:
// a block rule for TCP and one for UDP, every port, here for public networks.
std::vector<FirewallRule> quietBlockRules(const std::string& program, unsigned profiles) {
    return {{program, "", true, false, true, profiles},
            {program, "*", true, false, true, profiles}};
}

FirewallProfile profile(unsigned which, bool blockAll = false) {
    return {which, true, blockAll, true};
}

TEST(FirewallStateTest, RulesCountForThisProgramOrEveryOneOnTheCurrentProfilesAndThisPort) {
    const int port = kPhonePort;
    // The drive letter and case differ: Windows compares paths without case.
    auto blocked = quietBlockRules(R"(e:\班级 文件库 (2)\VELTRANA.exe)", kPublicNetwork);
    EXPECT_TRUE(firewallState({profile(kPublicNetwork)}, blocked, kProgram, port).programBlocked);
    EXPECT_FALSE(firewallState({profile(kPrivateNetwork)}, blocked, kProgram, port).programBlocked);
    // The same program from another drive letter is another program.
    auto elsewhere = quietBlockRules(R"(F:\班级 文件库 (2)\veltrana.exe)", kPublicNetwork);
    EXPECT_FALSE(
        firewallState({profile(kPublicNetwork)}, elsewhere, kProgram, port).programBlocked);

    const std::vector<FirewallRule> ignored{
        {kProgram, "", true, false, false, kPrivateNetwork},  // disabled
        {kProgram, "", false, false, true, kPrivateNetwork},  // outbound
        {"", "RPC", true, true, true, kPrivateNetwork},       // not a port
        {"", "80,443,53000-53126", true, true, true, kPrivateNetwork},
        {R"(C:\x.exe)", "*", true, true, true, kPrivateNetwork},  // another program
    };
    FirewallState none = firewallState({profile(kPrivateNetwork)}, ignored, kProgram, port);
    EXPECT_TRUE(none.known && none.enabled && none.blocksUnlisted);
    EXPECT_FALSE(none.programBlocked || none.portAllowed || none.blockAllInbound);

    const std::vector<FirewallRule> ours{
        {kProgram, "53127-53131", true, true, true, kPrivateNetwork | kDomainNetwork},
        {"", "8000,53129", true, true, true, 0x7fffffff}};
    EXPECT_TRUE(
        firewallState({profile(kDomainNetwork)}, {ours[0]}, kProgram, port + 4).portAllowed);
    EXPECT_FALSE(
        firewallState({profile(kPrivateNetwork)}, {ours[0]}, kProgram, port + 5).portAllowed);
    EXPECT_TRUE(firewallState({profile(kPublicNetwork)}, {ours[1]}, kProgram, 53129).portAllowed);

    // Only an enabled profile's settings count.
    FirewallState off = firewallState({{kPrivateNetwork, false, true, true}}, {}, kProgram, port);
    EXPECT_FALSE(off.enabled || off.blockAllInbound || off.blocksUnlisted);
    EXPECT_EQ(off.profiles, kPrivateNetwork);
}

TEST(FirewallAdviceTest, EachStateSaysWhatStopsThePhoneAndOffersTheRuleWhereItHelps) {
    const int port = kPhonePort;
    auto advise = [&](std::vector<FirewallProfile> current, std::vector<FirewallRule> rules) {
        return firewallAdvice(firewallState(current, rules, kProgram, port), port, kProgram);
    };
    const std::vector<FirewallRule> ours{
        {kProgram, "53127-53131", true, true, true, kPrivateNetwork | kDomainNetwork}};

    FirewallAdvice open = advise({profile(kPrivateNetwork)}, ours);
    EXPECT_EQ(open.text, "防火墙允许手机连接（端口 53127）。");
    EXPECT_FALSE(open.inTheWay);
    EXPECT_THAT(open.command, IsEmpty());
    FirewallAdvice off = advise({{kPublicNetwork, false, true, true}}, {});
    EXPECT_EQ(off.text, "防火墙没有阻止手机连接。");
    EXPECT_FALSE(off.inTheWay);

    // The rule Windows added beats ours: the command deletes it first.
    FirewallAdvice blocked = advise({profile(kPrivateNetwork)}, [&] {
        auto rules = quietBlockRules(kProgram, kPrivateNetwork);
        rules.push_back(ours[0]);
        return rules;
    }());
    EXPECT_THAT(blocked.text, HasSubstr("有一条规则阻止本程序"));
    EXPECT_TRUE(blocked.inTheWay);
    EXPECT_EQ(blocked.command, allowPhonesCommand(kProgram));

    FirewallAdvice unlisted = advise({profile(kDomainNetwork)}, {});
    EXPECT_THAT(unlisted.text, HasSubstr("还没有允许本程序"));
    EXPECT_EQ(unlisted.command, allowPhonesCommand(kProgram));

    // Our rule is for private and domain networks: on a public one the network must change.
    FirewallAdvice publicNetwork = advise({profile(kPublicNetwork)}, ours);
    EXPECT_THAT(publicNetwork.text, HasSubstr("“公用网络”"));
    EXPECT_THAT(publicNetwork.text, HasSubstr("“专用网络”"));
    EXPECT_TRUE(publicNetwork.inTheWay);
    EXPECT_THAT(publicNetwork.command, Not(IsEmpty()));

    // No rule gets past "block all incoming connections".
    FirewallAdvice shields = advise({profile(kPrivateNetwork, true)}, ours);
    EXPECT_THAT(shields.text, HasSubstr("阻止所有传入连接"));
    EXPECT_TRUE(shields.inTheWay);
    EXPECT_THAT(shields.command, IsEmpty());

    FirewallAdvice unknown = firewallAdvice(FirewallState{}, port, kProgram);
    EXPECT_THAT(unknown.text, HasSubstr("无法读取"));
    EXPECT_THAT(unknown.text, HasSubstr("53127–53131"));
    EXPECT_FALSE(unknown.inTheWay);
    EXPECT_THAT(unknown.command, IsEmpty());

    // A path cmd.exe would change cannot go into the line: the teacher is told why.
    const std::string percent = R"(D:\100%\veltrana.exe)";
    FirewallAdvice moved =
        firewallAdvice(firewallState({profile(kPrivateNetwork)}, {}, percent, port), port, percent);
    EXPECT_THAT(moved.command, IsEmpty());
    EXPECT_THAT(moved.text, HasSubstr("“%”"));
}

TEST(FirewallAdviceTest, TheCommandQuotesAPathWithBlanksBracketsAndChinese) {
    EXPECT_EQ(allowPhonesCommand(kProgram),
              "netsh advfirewall firewall delete rule name=all dir=in "
              R"(program="E:\班级 文件库 (2)\veltrana.exe" & )"
              R"(netsh advfirewall firewall add rule name="Veltrana 手机上传" dir=in action=allow )"
              "protocol=TCP localport=53127-53131 profile=private,domain remoteip=localsubnet "
              R"(program="E:\班级 文件库 (2)\veltrana.exe")");
    EXPECT_THAT(allowPhonesCommand(R"(C:\%USERNAME%\veltrana.exe)"), IsEmpty());
}

}  // namespace
}  // namespace veltrana
