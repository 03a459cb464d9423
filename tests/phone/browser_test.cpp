#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <httplib.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpServer>
#include <filesystem>
#include <thread>

#include "phone/routes.h"
#include "phone/server.h"
#include "platform/fs/std_file_system.h"
#include "support/fakes.h"

// The upload page in a real browser: Debian's Chromium, headless, as a phone, driven through
// chromedriver's WebDriver protocol.

namespace veltrana::test {
namespace {

using ::testing::ElementsAre;

constexpr char kElement[] = "element-6066-11e4-a52e-4f735466cecf";

int freePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

QJsonObject parse(const httplib::Result& result) {
    if (!result) {
        return {};
    }
    return QJsonDocument::fromJson(QByteArray::fromStdString(result->body)).object();
}

std::string json(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString();
}

// One browser session of chromedriver.
class Browser {
public:
    Browser(const std::string& profile) : port_(freePort()), driver_("127.0.0.1", port_) {
        chromedriver_.start("chromedriver", {"--port=" + QString::number(port_)});
        driver_.set_read_timeout(60);
        for (int i = 0; i < 100 && !driver_.Get("/status"); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        QJsonArray args;
        for (const char* arg :
             {"--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
              "--disable-background-networking", "--disable-component-update", "--disable-sync"}) {
            args.append(arg);
        }
        args.append(QString::fromStdString("--user-data-dir=" + profile));
        // A phone of today's size, in WeChat's browser on iOS.
        QJsonObject phone{
            {"deviceMetrics", QJsonObject{{"width", 390}, {"height", 844}, {"pixelRatio", 3}}},
            {"userAgent",
             "Mozilla/5.0 (iPhone; CPU iPhone OS 17_0 like Mac OS X) "
             "AppleWebKit/605.1.15 (KHTML, like Gecko) Mobile/15E148 "
             "MicroMessenger/8.0.47"}};
        QJsonObject chrome{
            {"binary", "/usr/bin/chromium"}, {"args", args}, {"mobileEmulation", phone}};
        QJsonObject capabilities{
            {"capabilities",
             QJsonObject{{"alwaysMatch", QJsonObject{{"goog:chromeOptions", chrome}}}}}};
        session_ = parse(driver_.Post("/session", json(capabilities), "application/json"))
                       .value("value")
                       .toObject()
                       .value("sessionId")
                       .toString()
                       .toStdString();
    }
    ~Browser() {
        if (!session_.empty()) {
            driver_.Delete(("/session/" + session_).c_str());
        }
        chromedriver_.terminate();
        chromedriver_.waitForFinished(5000);
    }

    bool started() const { return !session_.empty(); }

    QJsonValue command(const std::string& path, const QJsonObject& body) {
        return parse(driver_.Post(("/session/" + session_ + path).c_str(), json(body),
                                  "application/json"))
            .value("value");
    }
    QJsonValue run(const QString& script) {
        return command("/execute/sync", {{"script", script}, {"args", QJsonArray()}});
    }
    std::string find(const QString& css) {
        return command("/element", {{"using", "css selector"}, {"value", css}})
            .toObject()
            .value(kElement)
            .toString()
            .toStdString();
    }
    // Waits up to 30 seconds for script to give true.
    bool waitFor(const QString& script) {
        for (int i = 0; i < 300; ++i) {
            if (run(script).toBool()) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    }
    std::string screenshot() {
        auto result = driver_.Get(("/session/" + session_ + "/screenshot").c_str());
        return QByteArray::fromBase64(parse(result).value("value").toString().toLatin1())
            .toStdString();
    }

private:
    int port_;
    QProcess chromedriver_;
    httplib::Client driver_;
    std::string session_;
};

TEST(PhoneBrowser, APhoneChoosesAStudentAndKnowledgePointAndUploadsTwoPhotosAndOneForLater) {
    TempDir dir;
    const std::string target = dir.path() + "/Data/李四/物理/电学";
    std::filesystem::create_directories(utf8Path(target));
    StdFileSystem files;
    // The window has 张三's 力学 selected; the teacher files 李四's homework from the phone.
    PhoneServer server(
        files, dir.path(),
        {{{"张三", "张三"}, {"李四", "李四"}},
         {{{"物理", "物理"}, {{"力学", "力学"}, {"电学", "电学"}}}},
         0,
         0,
         0},
        [](const PhoneArrival&) {}, {}, [](const std::string&) {});
    const int port = server.start("127.0.0.1");
    const std::vector<std::string> photos{dir.path() + "/相册/image.jpg",
                                          dir.path() + "/相册/作业 第2页.jpg",
                                          dir.path() + "/相册/待分类.jpg"};
    writeFile(photos[2], "third photo");
    writeFile(photos[0], "first photo");
    writeFile(photos[1], "second photo");

    Browser browser(dir.path() + "/chromium-profile");
    ASSERT_TRUE(browser.started()) << "chromedriver or chromium did not start";
    browser.command("/url",
                    {{"url", QString::fromStdString("http://127.0.0.1:" + std::to_string(port) +
                                                    server.pagePath())}});
    ASSERT_TRUE(browser.waitFor("return document.getElementById('point').options.length == 2"));
    EXPECT_EQ(browser.run("return document.getElementById('student').value").toString(), "0");
    // The next student in roll-call order, the course and knowledge point kept.
    browser.command("/element/" + browser.find("#nextStudent") + "/click", {});
    EXPECT_EQ(browser.run("return document.getElementById('student').value").toString(), "1");
    EXPECT_EQ(browser.run("return document.getElementById('point').value").toString(), "0");
    browser.command("/element/" + browser.find("#point option[value='1']") + "/click", {});
    browser.command("/element/" + browser.find("#files") + "/value",
                    {{"text", QString::fromStdString(photos[0] + "\n" + photos[1])}});
    ASSERT_TRUE(browser.waitFor(
        "return document.getElementById('summary').getAttribute('data-done') == '2'"));
    EXPECT_EQ(browser.run("return document.getElementById('summary').textContent").toString(),
              "已上传 2 个文件");
    if (const char* shot = std::getenv("VELTRANA_PHONE_SCREENSHOT")) {
        writeFile(shot, browser.screenshot());
    }
    EXPECT_THAT(filesIn(target), ElementsAre("image.jpg", "作业 第2页.jpg"));
    EXPECT_EQ(readFile(target + "/作业 第2页.jpg"), "second photo");

    browser.command(
        "/element/" + browser.find(QString("#student option[value='%1']").arg(phone::kInboxNode)) +
            "/click",
        {});
    browser.command("/element/" + browser.find("#files") + "/value",
                    {{"text", QString::fromStdString(photos[2])}});
    ASSERT_TRUE(browser.waitFor(
        "return document.getElementById('summary').getAttribute('data-done') == '3'"));
    EXPECT_THAT(filesIn(dir.path() + "/待整理"), ElementsAre("待分类.jpg"));
}

}  // namespace
}  // namespace veltrana::test
