#include "app/phone_dialog.h"

#include <gmock/gmock.h>
#include <httplib.h>

#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QPushButton>
#include <QTest>

#include "app/qt_test_support.h"
#include "support/fakes.h"

namespace veltrana {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

// A firewall as the test sets it; an administrator's run gives it the state after.
class SetFirewall final : public Firewall {
public:
    SetFirewall(FirewallState now, FirewallState after, std::vector<std::string>& runs)
        : now_(now), after_(after), runs_(runs) {}
    FirewallState state(const std::string&, int) override { return now_; }
    bool runAsAdministrator(const std::string& commandLine) override {
        runs_.push_back(commandLine);
        now_ = after_;
        return true;
    }

private:
    FirewallState now_;
    FirewallState after_;
    std::vector<std::string>& runs_;
};

FirewallState blockedByRule() {
    FirewallState state;
    state.known = true;
    state.profiles = kPrivateNetwork;
    state.enabled = state.blocksUnlisted = state.programBlocked = state.portAllowed = true;
    return state;
}

class PhoneDialogTest : public ::testing::Test {
protected:
    // The dialog over the firewall given, serving, shown offscreen.
    PhoneDialog& open(FirewallState now, FirewallState after = {}) {
        dialog = std::make_unique<PhoneDialog>(
            window.form, [] { return ClassModel(); }, nullptr,
            std::make_unique<SetFirewall>(now, after, runs));
        dialog->start({{"WLAN", "192.168.1.23"}});
        dialog->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        return *dialog;
    }
    template <typename T>
    T& widget(const char* name) {
        return *dialog->findChild<T*>(name);
    }
    std::string text(const char* name) { return widget<QLabel>(name).text().toStdString(); }
    // The wait for the first phone, cut short.
    void noPhoneYet() {
        widget<QTimer>("NoPhoneTimer").start(0);
        QTest::qWait(50);
    }

    test::TempDir dir;
    test::FakeDataAccess data;
    test::FakeWindow window{dir.path(), data};
    std::vector<std::string> runs;
    std::unique_ptr<PhoneDialog> dialog;
};

TEST_F(PhoneDialogTest, ARuleThatBlocksTheProgramIsNamedAndTheAdministratorsCommandRemovesIt) {
    PhoneDialog& shown = open(blockedByRule(), [] {
        FirewallState allowed = blockedByRule();
        allowed.programBlocked = false;
        return allowed;
    }());
    EXPECT_THAT(text("ScanHint"), HasSubstr("在浏览器打开"));
    EXPECT_TRUE(widget<QLabel>("Firewall").isVisible());
    EXPECT_THAT(text("Firewall"), HasSubstr("有一条规则阻止本程序"));
    ASSERT_TRUE(widget<QPushButton>("AllowPhones").isVisible());
    ASSERT_TRUE(widget<QPushButton>("CopyCommand").isVisible());

    const std::string command = allowPhonesCommand(
        QDir::toNativeSeparators(QCoreApplication::applicationFilePath()).toStdString());
    widget<QPushButton>("CopyCommand").click();
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), command);
    widget<QPushButton>("AllowPhones").click();
    EXPECT_THAT(runs, ElementsAre(command));
    EXPECT_FALSE(widget<QLabel>("Firewall").isVisible());
    EXPECT_FALSE(widget<QPushButton>("AllowPhones").isVisible());
    EXPECT_THAT(text("Firewall"), HasSubstr("防火墙允许手机连接（端口 "));
    shown.reject();
}

// With no firewall to read the dialog offers no change; a phone that does not come brings the
// checklist, and one that came keeps it away.
TEST_F(PhoneDialogTest, NoPhoneAfterAWhileBringsTheChecklistAndOneThatCameDoesNot) {
    PhoneDialog& shown = open(FirewallState{});
    EXPECT_FALSE(widget<QLabel>("Firewall").isVisible());
    EXPECT_FALSE(widget<QPushButton>("AllowPhones").isVisible());
    EXPECT_FALSE(widget<QPushButton>("CopyCommand").isVisible());
    EXPECT_FALSE(widget<QLabel>("Checklist").isVisible());
    noPhoneYet();
    ASSERT_TRUE(widget<QLabel>("Checklist").isVisible());
    for (const char* item :
         {"同一个无线网络", "访客网络", "在浏览器打开", "4. 无法读取这台电脑的防火墙设置"}) {
        EXPECT_THAT(text("Checklist"), HasSubstr(item));
    }
    shown.reject();

    // Opened again, and a phone reaches the page (here on the loopback).
    shown.start({{"WLAN", "192.168.1.23"}});
    shown.show();
    EXPECT_FALSE(widget<QLabel>("Checklist").isVisible());
    const std::string address = text("Address");
    const std::size_t path = address.find('/', 7);
    const int port = std::stoi(address.substr(address.rfind(':', path) + 1));
    auto page = httplib::Client("127.0.0.1", port).Get(address.substr(path).c_str());
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    noPhoneYet();
    EXPECT_FALSE(widget<QLabel>("Checklist").isVisible());
    shown.reject();
}

}  // namespace
}  // namespace veltrana
