#include "store/phone_upload.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <httplib.h>

#include <cctype>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <random>
#include <thread>

#include "platform/fs/std_file_system.h"
#include "support/fakes.h"

namespace veltrana::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAreArray;

// The name as the page puts it into the address: every byte that is not a letter or digit
// percent-encoded.
std::string encoded(const std::string& name) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text;
    for (char c : name) {
        auto u = static_cast<unsigned char>(c);
        if (std::isalnum(u) != 0) {
            text += c;
        } else {
            text += '%';
            text += kHex[u >> 4];
            text += kHex[u & 0xF];
        }
    }
    return text;
}

std::string randomBytes(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& byte : bytes) {
        byte = static_cast<char>(random());
    }
    return bytes;
}

// A class of two students with one course of two knowledge points; only 力学 has its folders.
class PhoneUploadTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* student : {"张三", "李四"}) {
            std::filesystem::create_directories(utf8Path(data + "/" + student + "/物理/力学"));
        }
        start(limits);
    }

    void start(const PhoneLimits& chosen) {
        server = std::make_unique<PhoneServer>(
            files, dir.path(), catalogue,
            [this](const PhoneArrival& arrival) {
                std::lock_guard lock(mutex);
                arrivals.push_back(arrival);
                arrived.notify_all();
            },
            chosen);
        port = server->start("127.0.0.1");
        token = server->pagePath().substr(4);
    }

    httplib::Client client() const {
        httplib::Client c("127.0.0.1", port);
        c.set_read_timeout(30);
        return c;
    }

    std::string uploadPath(const std::string& node, const std::string& name) const {
        return "/upload?t=" + token + "&node=" + node + "&name=" + encoded(name);
    }

    httplib::Result post(const std::string& node, const std::string& name,
                         const std::string& content) {
        return client().Post(uploadPath(node, name).c_str(), content, "image/jpeg");
    }

    std::vector<PhoneArrival> waitForArrivals(std::size_t count) {
        std::unique_lock lock(mutex);
        arrived.wait_for(lock, std::chrono::seconds(20), [&] { return arrivals.size() >= count; });
        return arrivals;
    }

    // Every file under the program's folder, as paths below Data.
    std::vector<std::string> everyFile() const {
        std::vector<std::string> found;
        for (const auto& entry :
             std::filesystem::recursive_directory_iterator(utf8Path(dir.path()))) {
            if (entry.is_regular_file()) {
                auto relative =
                    std::filesystem::relative(entry.path(), utf8Path(data)).generic_u8string();
                found.emplace_back(relative.begin(), relative.end());
            }
        }
        return found;
    }

    TempDir dir;
    std::string data = dir.path() + "/Data";
    std::string point = data + "/张三/物理/力学";
    PhoneCatalogue catalogue{"班级", {"张三", "李四"}, {{"物理", {"力学", "电学"}}}, 0, 0, 0};
    PhoneLimits limits{64 << 10, 8 << 20, 0, std::chrono::seconds(2), std::chrono::seconds(1),
                       1000};
    StdFileSystem files;
    std::unique_ptr<PhoneServer> server;
    int port = 0;
    std::string token;
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<PhoneArrival> arrivals;
};

TEST_F(PhoneUploadTest, OnlyTheTokenOpensThePageAndItsCatalogue) {
    std::string wrong = token;
    wrong[0] = wrong[0] == 'a' ? 'b' : 'a';
    for (const std::string& path : {std::string("/"), "/?t=" + wrong, "/?t=" + token.substr(1),
                                    std::string("/catalogue?t="), "/catalogue?t=" + token + "0"}) {
        auto result = client().Get(path.c_str());
        ASSERT_TRUE(result) << path;
        EXPECT_EQ(result->status, 403) << path;
    }
    auto refused =
        client().Post(("/upload?node=0.0.0&name=a.jpg&t=" + wrong).c_str(), "x", "image/jpeg");
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 403);

    auto page = client().Get(server->pagePath().c_str());
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    EXPECT_THAT(page->body, HasSubstr("选择照片/拍照"));
    EXPECT_THAT(page->body, ::testing::Not(HasSubstr("http")));  // nothing from outside
    auto json = client().Get(("/catalogue?t=" + token).c_str());
    ASSERT_TRUE(json);
    EXPECT_EQ(json->body, R"({"root":"班级","students":["张三","李四"],"courses":[{"name":"物理",)"
                          R"("points":["力学","电学"]}],"selected":[0,0,0]})");
    EXPECT_THAT(everyFile(), IsEmpty());
    EXPECT_THAT(arrivals, IsEmpty());
}

TEST_F(PhoneUploadTest, BadNamesNodesAndSizesAreRefusedAndWriteNothing) {
    struct Case {
        const char* what;
        std::string node;
        std::string name;
        std::string content;
        int status;
    };
    const std::vector<Case> cases{
        {"parent", "0.0.0", "../a.jpg", "x", 400},
        {"windows parent", "0.0.0", "..\\a.jpg", "x", 400},
        {"absolute", "0.0.0", "/etc/passwd", "x", 400},
        {"drive", "0.0.0", "C:\\a.jpg", "x", 400},
        {"slash", "0.0.0", "a/b.jpg", "x", 400},
        {"control", "0.0.0", "a\x01.jpg", "x", 400},
        {"nul", "0.0.0", std::string("a\0b.jpg", 7), "x", 400},
        {"device", "0.0.0", "CON.jpg", "x", 400},
        {"300 characters", "0.0.0", std::string(296, 'a') + ".jpg", "x", 400},
        {"our temporary name", "0.0.0", ".veltrana-0.tmp", "x", 400},
        {"no name", "0.0.0", "", "x", 400},
        {"empty", "0.0.0", "a.jpg", "", 400},
        {"over the limit", "0.0.0", "big.jpg", std::string((64 << 10) + 1, 'x'), 413},
        {"no such student", "2.0.0", "a.jpg", "x", 404},
        {"no such point", "0.0.2", "a.jpg", "x", 404},
        {"not a key", "x", "a.jpg", "x", 404},
        {"key too long", "0.0.0.0", "a.jpg", "x", 404},
        {"negative", "-1.0.0", "a.jpg", "x", 404},
        {"no folder yet", "0.0.1", "a.jpg", "x", 409},
    };
    for (const Case& c : cases) {
        auto result = post(c.node, c.name, c.content);
        ASSERT_TRUE(result) << c.what;
        EXPECT_EQ(result->status, c.status) << c.what << ": " << result->body;
    }
    auto refused = waitForArrivals(cases.size());
    EXPECT_THAT(refused.back().failure, HasSubstr("生成文件夹"));
    EXPECT_THAT(refused[cases.size() - 7].failure, HasSubstr("64 KB"));

    // A body in chunks has no length that the limits could refuse it by.
    auto chunked = client().Post(
        uploadPath("0.0.0", "a.jpg").c_str(),
        [](std::size_t offset, httplib::DataSink& sink) {
            if (offset > 0) {
                sink.done();
                return true;
            }
            return sink.write("photo", 5);
        },
        "image/jpeg");
    if (chunked) {  // the answer may come before the client has sent its last chunk
        EXPECT_EQ(chunked->status, 411);
    }
    EXPECT_THAT(waitForArrivals(cases.size() + 1).back().failure, HasSubstr("长度"));
    EXPECT_THAT(everyFile(), IsEmpty());
}

TEST_F(PhoneUploadTest, AClientThatBreaksOffLeavesNothingAndATrickleTimesOutWithoutBlocking) {
    auto broken = client().Post(
        uploadPath("0.0.0", "断开.jpg").c_str(), 40 << 10,
        [](std::size_t offset, std::size_t, httplib::DataSink& sink) {
            if (offset > 0) {
                return false;  // the phone walked out of the Wi-Fi
            }
            std::string half(20 << 10, 'x');
            return sink.write(half.data(), half.size());
        },
        "image/jpeg");
    EXPECT_FALSE(broken);
    EXPECT_THAT(waitForArrivals(1).back().failure, HasSubstr("没有完整收到"));

    // One byte a second after a quick start, which keeps every single read within its timeout.
    const auto began = std::chrono::steady_clock::now();
    std::thread trickle([&] {
        auto result = client().Post(
            uploadPath("0.0.0", "慢.jpg").c_str(), 10 << 10,
            [](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                std::string bytes = offset == 0 ? std::string(200, 'x') : "x";
                if (offset > 0) {
                    std::this_thread::sleep_for(std::chrono::seconds(1));
                }
                return sink.write(bytes.data(), bytes.size());
            },
            "image/jpeg");
        EXPECT_TRUE(!result || result->status == 408);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    auto quick = post("1.0.0", "快.jpg", "photo");
    const auto quickTook = std::chrono::steady_clock::now() - began;
    trickle.join();
    ASSERT_TRUE(quick);
    EXPECT_EQ(quick->status, 200);
    EXPECT_LT(quickTook, std::chrono::seconds(1));
    auto ends = waitForArrivals(3);
    EXPECT_THAT(ends.back().failure, HasSubstr("网络太慢"));
    EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(8));
    EXPECT_THAT(everyFile(), ElementsAre("李四/物理/力学/快.jpg"));
}

TEST_F(PhoneUploadTest, EightPhonesOfTwentyPhotosEachAllLandUnderTheirOwnNumbers) {
    constexpr int kPhones = 8;
    constexpr int kPhotos = 20;
    std::vector<std::string> sent;
    std::vector<std::size_t> sentHashes;
    for (int i = 0; i < kPhones * kPhotos; ++i) {
        sent.push_back(randomBytes(20 << 10, static_cast<unsigned>(i)));
        sentHashes.push_back(std::hash<std::string>()(sent.back()));
    }
    std::vector<std::thread> phones;
    std::atomic<int> landed = 0;
    for (int phone = 0; phone < kPhones; ++phone) {
        phones.emplace_back([&, phone] {
            for (int photo = 0; photo < kPhotos; ++photo) {
                // iOS calls every camera shot image.jpg.
                auto result = post("0.0.0", "image.jpg", sent[phone * kPhotos + photo]);
                landed += result && result->status == 200 ? 1 : 0;
            }
        });
    }
    for (std::thread& phone : phones) {
        phone.join();
    }
    EXPECT_EQ(landed.load(), kPhones * kPhotos);
    std::vector<std::string> names{"image.jpg"};
    for (int n = 2; n <= kPhones * kPhotos; ++n) {
        names.push_back("image (" + std::to_string(n) + ").jpg");
    }
    EXPECT_THAT(filesIn(point), UnorderedElementsAreArray(names));
    std::vector<std::size_t> kept;
    for (const std::string& name : filesIn(point)) {
        kept.push_back(std::hash<std::string>()(readFile(point + "/" + name)));
    }
    EXPECT_THAT(kept, UnorderedElementsAreArray(sentHashes));
    std::vector<std::string> given;
    for (const PhoneArrival& arrival : arrivals) {
        EXPECT_EQ(arrival.target, "班级\\张三\\物理\\力学");
        given.push_back(arrival.name);
    }
    EXPECT_THAT(given, UnorderedElementsAreArray(names));
}

TEST_F(PhoneUploadTest, ClosingMidUploadKeepsWhatLandedAndLeavesNoDebris) {
    limits.fileBytes = 4 << 20;
    start(limits);
    ASSERT_EQ(post("0.0.0", "第1页.jpg", "page 1")->status, 200);
    std::atomic<bool> sending = false;
    std::thread phone([&] {
        client().Post(
            uploadPath("0.0.0", "第2页.jpg").c_str(), 3 << 20,
            [&](std::size_t, std::size_t, httplib::DataSink& sink) {
                std::string bytes(32 << 10, 'x');
                sending = true;
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                return sink.write(bytes.data(), bytes.size());
            },
            "image/jpeg");
    });
    while (!sending) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const auto began = std::chrono::steady_clock::now();
    server->stop();
    EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(2));
    phone.join();
    EXPECT_THAT(everyFile(), ElementsAre("张三/物理/力学/第1页.jpg"));
    EXPECT_EQ(readFile(point + "/第1页.jpg"), "page 1");
    EXPECT_THAT(waitForArrivals(2).back().failure, HasSubstr("已关闭"));
    EXPECT_FALSE(client().Get(server->pagePath().c_str()));
}

TEST(PhoneCatalogue, TheWindowsSelectionIsTheDefaultAsFarDownAsItGoes) {
    KeyedTree tree;
    tree.add("", "爷", "班级");
    for (const char* student : {"1", "2"}) {
        tree.add("爷", std::string("父") + student, std::string("学生") + student);
        for (const char* course : {"1", "2"}) {
            std::string key = std::string("子") + student + course;
            tree.add(std::string("父") + student, key, std::string("课程") + course);
            tree.add(key, "孙" + key, "知识点甲");
            tree.add(key, "孙" + key + "b", "知识点乙");
        }
    }
    PhoneCatalogue full = phoneCatalogue(tree, {"班级", "学生2", "课程2", "知识点乙"});
    EXPECT_EQ(full.root, "班级");
    EXPECT_THAT(full.students, ElementsAre("学生1", "学生2"));
    ASSERT_EQ(full.courses.size(), 2u);
    EXPECT_THAT(full.courses[1].points, ElementsAre("知识点甲", "知识点乙"));
    EXPECT_EQ(std::vector({full.student, full.course, full.point}), std::vector({1, 1, 1}));
    struct Case {
        std::vector<std::string> selected;
        std::vector<int> expected;
    };
    for (const Case& c : std::vector<Case>{{{"班级", "学生2", "课程1"}, {1, 0, -1}},
                                           {{"班级", "学生1"}, {0, -1, -1}},
                                           {{"班级"}, {-1, -1, -1}},
                                           {{}, {-1, -1, -1}},
                                           {{"班级", "无此人", "课程1"}, {-1, -1, -1}}}) {
        PhoneCatalogue catalogue = phoneCatalogue(tree, c.selected);
        EXPECT_EQ(std::vector({catalogue.student, catalogue.course, catalogue.point}), c.expected);
    }
}

}  // namespace
}  // namespace veltrana::test
