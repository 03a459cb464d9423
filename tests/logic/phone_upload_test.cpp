#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <httplib.h>

#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <random>
#include <thread>

#include "platform/fs/std_file_system.h"
#include "store/phone_upload.h"
#include "support/fakes.h"

namespace veltrana::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAreArray;

const std::string kBoundary = "----veltrana7MA4YWxkTrZu0gW";
const std::string kMultipart = "multipart/form-data; boundary=" + kBoundary;

std::string partHead(const std::string& name) {
    return "--" + kBoundary + "\r\nContent-Disposition: form-data; name=\"file\"; filename=\"" +
           name + "\"\r\nContent-Type: image/jpeg\r\n\r\n";
}
const std::string kPartEnd = "\r\n--" + kBoundary + "--\r\n";

std::string body(const std::string& name, const std::string& content) {
    return partHead(name) + content + kPartEnd;
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
            std::filesystem::create_directories(u8path(data + "/" + student + "/物理/力学"));
        }
        start(limits);
    }

    void start(const PhoneLimits& chosen) {
        server = std::make_unique<PhoneServer>(files, dir.path(), catalogue,
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

    httplib::Result post(const std::string& node, const std::string& content,
                         const std::string& type = kMultipart) {
        return client().Post(("/upload?t=" + token + "&node=" + node).c_str(), content, type.c_str());
    }

    std::vector<PhoneArrival> waitForArrivals(std::size_t count) {
        std::unique_lock lock(mutex);
        arrived.wait_for(lock, std::chrono::seconds(20), [&] { return arrivals.size() >= count; });
        return arrivals;
    }

    // Every file under the program's folder, as paths below Data.
    std::vector<std::string> everyFile() const {
        std::vector<std::string> found;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(u8path(dir.path()))) {
            if (entry.is_regular_file()) {
                auto relative = std::filesystem::relative(entry.path(), u8path(data)).u8string();
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
    auto refused = client().Post(("/upload?node=0.0.0&t=" + wrong).c_str(), body("a.jpg", "x"),
                                 kMultipart.c_str());
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 403);

    auto page = client().Get(server->pagePath().c_str());
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    EXPECT_THAT(page->body, HasSubstr("选择照片/拍照"));
    EXPECT_THAT(page->body, ::testing::Not(HasSubstr("http")));  // nothing from outside
    auto json = client().Get(("/catalogue?t=" + token).c_str());
    ASSERT_TRUE(json);
    EXPECT_EQ(json->body,
              R"({"root":"班级","students":["张三","李四"],"courses":[{"name":"物理",)"
              R"("points":["力学","电学"]}],"selected":[0,0,0]})");
    EXPECT_THAT(everyFile(), IsEmpty());
    EXPECT_THAT(arrivals, IsEmpty());
}

TEST_F(PhoneUploadTest, BadNamesBodiesNodesAndSizesAreRefusedAndWriteNothing) {
    struct Case {
        const char* what;
        std::string node;
        std::string content;
        std::string type;
        int status;
    };
    const std::string ok = body("作业.jpg", "photo");
    const std::vector<Case> cases{
        {"parent", "0.0.0", body("../a.jpg", "x"), kMultipart, 400},
        {"windows parent", "0.0.0", body("..\\a.jpg", "x"), kMultipart, 400},
        {"absolute", "0.0.0", body("/etc/passwd", "x"), kMultipart, 400},
        {"drive", "0.0.0", body("C:\\a.jpg", "x"), kMultipart, 400},
        {"slash", "0.0.0", body("a/b.jpg", "x"), kMultipart, 400},
        {"control", "0.0.0", body("a\x01.jpg", "x"), kMultipart, 400},
        {"nul", "0.0.0", body(std::string("a\0b.jpg", 7), "x"), kMultipart, 400},
        {"device", "0.0.0", body("CON.jpg", "x"), kMultipart, 400},
        {"300 characters", "0.0.0", body(std::string(296, 'a') + ".jpg", "x"), kMultipart, 400},
        {"our temporary name", "0.0.0", body(".veltrana-0.tmp", "x"), kMultipart, 400},
        {"no name", "0.0.0", body("", "x"), kMultipart, 400},
        {"not multipart", "0.0.0", "photo", "image/jpeg", 400},
        {"no boundary", "0.0.0", ok, "multipart/form-data", 400},
        {"other boundary", "0.0.0", ok, "multipart/form-data; boundary=xyz", 400},
        {"cut off", "0.0.0", partHead("作业.jpg") + "half a photo", kMultipart, 400},
        {"part without headers end", "0.0.0",
         "--" + kBoundary + "\r\nContent-Disposition: form-data; name=\"file\"", kMultipart, 400},
        {"two files", "0.0.0", partHead("a.jpg") + "x\r\n" + body("b.jpg", "y"), kMultipart, 400},
        {"other field", "0.0.0",
         "--" + kBoundary + "\r\nContent-Disposition: form-data; name=\"x\"\r\n\r\nx" + kPartEnd,
         kMultipart, 400},
        {"over the limit", "0.0.0", body("big.jpg", std::string(65 << 10, 'x')), kMultipart, 413},
        {"no such student", "2.0.0", ok, kMultipart, 404},
        {"no such point", "0.0.2", ok, kMultipart, 404},
        {"not a key", "x", ok, kMultipart, 404},
        {"key too long", "0.0.0.0", ok, kMultipart, 404},
        {"negative", "-1.0.0", ok, kMultipart, 404},
        {"no folder yet", "0.0.1", ok, kMultipart, 409},
    };
    for (const Case& c : cases) {
        auto result = post(c.node, c.content, c.type);
        ASSERT_TRUE(result) << c.what;
        EXPECT_EQ(result->status, c.status) << c.what << ": " << result->body;
    }
    auto refused = waitForArrivals(cases.size());
    EXPECT_THAT(refused.back().failure, HasSubstr("生成文件夹"));
    EXPECT_THAT(everyFile(), IsEmpty());

    // A body sent in chunks, with no length to refuse it by, is cut off at the limit.
    auto chunked = client().Post(
        ("/upload?node=0.0.0&t=" + token).c_str(),
        [](std::size_t offset, httplib::DataSink& sink) {
            std::string chunk = offset == 0 ? partHead("big.jpg") : std::string(16 << 10, 'x');
            if (offset > (1 << 20)) {
                sink.done();
                return true;
            }
            return sink.write(chunk.data(), chunk.size());
        },
        kMultipart.c_str());
    if (chunked) {
        EXPECT_EQ(chunked->status, 413);
    }
    EXPECT_THAT(waitForArrivals(cases.size() + 1).back().failure, HasSubstr("64 KB"));
    EXPECT_THAT(everyFile(), IsEmpty());
}

TEST_F(PhoneUploadTest, AClientThatBreaksOffLeavesNothingAndATrickleTimesOutWithoutBlocking) {
    auto broken = client().Post(
        ("/upload?node=0.0.0&t=" + token).c_str(), 40 << 10,
        [](std::size_t offset, std::size_t, httplib::DataSink& sink) {
            if (offset > 0) {
                return false;  // the phone walked out of the Wi-Fi
            }
            std::string half = partHead("断开.jpg") + std::string(20 << 10, 'x');
            return sink.write(half.data(), half.size());
        },
        kMultipart.c_str());
    EXPECT_FALSE(broken);
    EXPECT_THAT(waitForArrivals(1).back().failure, HasSubstr("没有完整收到"));

    // One byte a second after a quick start, which keeps every single read within its timeout.
    const auto began = std::chrono::steady_clock::now();
    std::thread trickle([&] {
        auto result = client().Post(
            ("/upload?node=0.0.0&t=" + token).c_str(), 10 << 10,
            [](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                std::string bytes = offset == 0 ? partHead("慢.jpg") + std::string(200, 'x') : "x";
                if (offset > 0) {
                    std::this_thread::sleep_for(std::chrono::seconds(1));
                }
                return sink.write(bytes.data(), bytes.size());
            },
            kMultipart.c_str());
        EXPECT_TRUE(!result || result->status == 408);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    auto quick = post("1.0.0", body("快.jpg", "photo"));
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
                auto result = post("0.0.0", body("image.jpg", sent[phone * kPhotos + photo]));
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
    ASSERT_EQ(post("0.0.0", body("第1页.jpg", "page 1"))->status, 200);
    std::atomic<bool> sending = false;
    std::thread phone([&] {
        client().Post(
            ("/upload?node=0.0.0&t=" + token).c_str(), 3 << 20,
            [&](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                std::string bytes = offset == 0 ? partHead("第2页.jpg") : std::string(32 << 10, 'x');
                sending = true;
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                return sink.write(bytes.data(), bytes.size());
            },
            kMultipart.c_str());
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
