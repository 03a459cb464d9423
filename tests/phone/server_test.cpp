#include "phone/server.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <httplib.h>

#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>

#include "phone/routes.h"
#include "platform/fs/std_file_system.h"
#include "platform/socket.h"
#include "support/fakes.h"

namespace veltrana::test {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

// A client from an address of the loopback (127.0.0.0/8) that sends a request head a byte at a
// time and never ends it.
class Dripper {
public:
    Dripper(const std::string& from, int port) : socket_(::socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        ::inet_pton(AF_INET, from.c_str(), &address.sin_addr);
        EXPECT_EQ(::bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
        ::inet_pton(AF_INET, "127.0.0.1", &address.sin_addr);
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        EXPECT_EQ(::connect(socket_, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    }
    ~Dripper() { closeSocket(socket_); }
    Dripper(const Dripper&) = delete;
    Dripper& operator=(const Dripper&) = delete;

    void drip() {
        static const std::string head = "GET /?t=" + std::string(4000, '0');
        long r = sendSome(socket_, &head[sent_++ % head.size()], 1);
        if (sent_ < 3)
            std::fprintf(stderr, "drip %ld\n", r);
    }
    // True when the server has closed the connection.
    bool cutOff() {
        char byte = 0;
        return waitToRead(socket_, std::chrono::milliseconds(0)) &&
               receiveSome(socket_, &byte, 1) <= 0;
    }

private:
    SocketHandle socket_;
    std::size_t sent_ = 0;
};

// A class of two students with one course of two knowledge points; only 力学 has its folders.
class PhoneServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* student : {"张三", "李四"}) {
            std::filesystem::create_directories(utf8Path(data + "/" + student + "/物理/力学"));
        }
        start(limits);
    }

    void start(const PhoneLimits& chosen) {
        PhoneCatalogue catalogue{{{"张三", "张三"}, {"李四", "李四"}},
                                 {{{"物理", "物理"}, {{"力学", "力学"}, {"电学", "电学"}}}},
                                 0,
                                 0,
                                 0};
        server = std::make_unique<PhoneServer>(
            files, dir.path(), catalogue,
            [this](const PhoneArrival& arrival) {
                std::lock_guard lock(mutex);
                arrivals.push_back(arrival);
                arrived.notify_all();
            },
            chosen,
            [this](const std::string& line) {
                std::lock_guard lock(mutex);
                log.push_back(line);
            });
        port = server->start("127.0.0.1");
        token = server->pagePath().substr(2);  // "t=…"
    }

    httplib::Client client() const {
        httplib::Client c("127.0.0.1", port);
        c.set_read_timeout(10);
        return c;
    }

    std::string uploadPath(const std::string& node, const std::string& name) const {
        return std::string(phone::kUploadRoute) + "?" + token + "&" + phone::kNodeParam + "=" +
               node + "&" + phone::kNameParam + "=" + name;
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

    std::size_t logged() {
        std::lock_guard lock(mutex);
        return log.size();
    }

    TempDir dir;
    std::string data = dir.path() + "/Data";
    std::string point = data + "/张三/物理/力学";
    PhoneLimits limits{
        64 << 10, 8 << 20, 0, std::chrono::seconds(30), 1000, std::chrono::seconds(2)};
    StdFileSystem files;
    std::unique_ptr<PhoneServer> server;
    int port = 0;
    std::string token;
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<PhoneArrival> arrivals;
    std::vector<std::string> log;
};

TEST_F(PhoneServerTest, OnlyTheTokenOpensThePageItsCatalogueAndTheUploadAndNoLogShowsIt) {
    std::string wrong = token;
    wrong.back() = wrong.back() == 'a' ? 'b' : 'a';
    const std::string catalogue = phone::kCatalogueRoute;
    for (const std::string& path :
         {std::string("/"), "/?" + wrong, "/?" + token.substr(0, token.size() - 1),
          catalogue + "?" + phone::kTokenParam + "=", catalogue + "?" + token + "0"}) {
        auto result = client().Get(path.c_str());
        ASSERT_TRUE(result) << path;
        EXPECT_EQ(result->status, 403) << path;
    }
    std::string withWrongToken = uploadPath("0.0.0", "a.jpg");
    withWrongToken.replace(withWrongToken.find(token), token.size(), wrong);
    auto refused = client().Post(withWrongToken.c_str(), "x", "image/jpeg");
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 403);
    EXPECT_FALSE(server->reached());

    auto page = client().Get(server->pagePath().c_str());
    EXPECT_TRUE(server->reached());
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    EXPECT_THAT(page->body, HasSubstr("选择照片/拍照"));
    EXPECT_THAT(page->body, Not(HasSubstr("http")));  // nothing from outside
    EXPECT_THAT(page->body, Not(HasSubstr("@")));     // every name filled in
    auto json = client().Get((catalogue + "?" + token).c_str());
    ASSERT_TRUE(json);
    EXPECT_THAT(json->body, HasSubstr(R"("students":["张三","李四"])"));
    EXPECT_THAT(arrivals, IsEmpty());

    // A request's line follows its answer.
    for (int i = 0; i < 100 && logged() < 8; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::lock_guard lock(mutex);
    EXPECT_EQ(log.size(), 8u);
    EXPECT_THAT(log, Contains("phone: 127.0.0.1 GET /catalogue 200"));
    for (const std::string& line : log) {
        EXPECT_THAT(line, Not(HasSubstr(token.substr(2)))) << line;
        EXPECT_THAT(line, Not(HasSubstr(wrong.substr(2)))) << line;
    }
}

// One firewall rule serves every time: the server listens on its port, on the next free one when
// another program holds it, and on any port when all of them are held.
TEST_F(PhoneServerTest, ListensOnItsPortOrTheNextFreeOneAndOnAnyWhenAllAreHeld) {
    const auto inRange = [](int p) { return p >= kPhonePort && p < kPhonePort + kPhonePorts; };
    EXPECT_TRUE(inRange(port)) << port;
    auto another = [this] {
        auto s = std::make_unique<PhoneServer>(files, dir.path(), PhoneCatalogue{},
                                               PhoneLanding::Listener{}, limits,
                                               [](const std::string&) {});
        const int listening = s->start("127.0.0.1");
        return std::pair(listening, std::move(s));
    };
    auto [next, second] = another();
    EXPECT_TRUE(inRange(next)) << next;
    EXPECT_NE(next, port);

    // Another program on the rest; where one of ours listens already its bind fails.
    std::vector<SocketHandle> holders;
    for (int p = kPhonePort; p < kPhonePort + kPhonePorts; ++p) {
        holders.push_back(::socket(AF_INET, SOCK_STREAM, 0));
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(p));
        ::inet_pton(AF_INET, "127.0.0.1", &address.sin_addr);
        if (::bind(holders.back(), reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0) {
            ::listen(holders.back(), 1);
        }
    }
    auto [any, third] = another();
    EXPECT_FALSE(inRange(any)) << any;
    auto answer = httplib::Client("127.0.0.1", any).Get(third->pagePath().c_str());
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 200);
    for (SocketHandle holder : holders) {
        closeSocket(holder);
    }
}

TEST_F(PhoneServerTest, EachRefusalHasItsStatusAndAClientThatBreaksOffLeavesNothing) {
    struct Case {
        std::string node;
        std::string name;
        std::string content;
        int status;
    };
    const std::vector<Case> cases{
        {"0.0.0", "../a.jpg", "x", 400},
        {"2.0.0", "a.jpg", "x", 404},
        {"0.0.1", "a.jpg", "x", 409},
        {"0.0.0", "big.jpg", std::string((64 << 10) + 1, 'x'), 413},
    };
    for (const Case& c : cases) {
        auto result = post(c.node, c.name, c.content);
        ASSERT_TRUE(result) << c.name;
        EXPECT_EQ(result->status, c.status) << c.name << ": " << result->body;
    }
    EXPECT_THAT(waitForArrivals(cases.size()).back().failure, HasSubstr("64 KB"));

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
    EXPECT_EQ(waitForArrivals(cases.size() + 1).back().refusal, Refusal::kNoLength);

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
    EXPECT_THAT(waitForArrivals(cases.size() + 2).back().failure, HasSubstr("没有完整收到"));
    EXPECT_THAT(filesIn(point), IsEmpty());
}

TEST_F(PhoneServerTest, ClientsThatDripTheirHeadsCannotKeepAPhoneWaiting) {
    std::vector<std::unique_ptr<Dripper>> drippers;
    std::atomic<bool> dripping = true;
    std::mutex dripperMutex;
    std::thread drip([&] {
        while (dripping) {
            {
                std::lock_guard lock(dripperMutex);
                for (auto& dripper : drippers) {
                    dripper->drip();
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
        }
    });
    auto holdThirty = [&](auto addressOf) {
        std::vector<std::unique_ptr<Dripper>> connected;
        for (int i = 0; i < 30; ++i) {
            connected.push_back(std::make_unique<Dripper>(addressOf(i), port));
            // The server's queue of connections not yet taken is short, and a connection that
            // finds it full waits a second before it tries again.
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        std::lock_guard lock(dripperMutex);
        drippers = std::move(connected);
    };
    auto cutOff = [&]() -> long {
        std::lock_guard lock(dripperMutex);
        return std::count_if(drippers.begin(), drippers.end(),
                             [](auto& dripper) { return dripper->cutOff(); });
    };

    // Thirty connections from one address: all but four are cut off at once, with time enough
    // for their heads, and a phone beside them is served. Each of them sends often enough not to
    // stall.
    limits.stall = std::chrono::seconds(10);
    limits.head = std::chrono::seconds(60);
    start(limits);
    holdThirty([](int) { return std::string("127.0.0.2"); });
    auto waitForCutOff = [&](long count) {
        for (int i = 0; i < 100 && cutOff() < count; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return cutOff();
    };
    EXPECT_EQ(waitForCutOff(26), 26);
    auto first = post("0.0.0", "第1页.jpg", "page 1");
    ASSERT_TRUE(first);
    EXPECT_EQ(first->status, 200);

    // Thirty connections from thirty addresses take every thread of the server, until the time
    // for a request head is up; then the phone's upload is served.
    limits.head = std::chrono::seconds(1);
    start(limits);
    holdThirty([](int i) { return "127.0.0." + std::to_string(10 + i); });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    auto second = post("0.0.0", "第2页.jpg", "page 2");  // waits 10 seconds at most
    dripping = false;
    drip.join();
    ASSERT_TRUE(second);
    EXPECT_EQ(second->status, 200);
    EXPECT_THAT(filesIn(point), ElementsAre("第1页.jpg", "第2页.jpg"));
    EXPECT_EQ(waitForCutOff(30), 30);
}

TEST_F(PhoneServerTest, ClosingMidUploadKeepsWhatLandedAndLeavesNoDebris) {
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
    EXPECT_THAT(filesIn(point), ElementsAre("第1页.jpg"));
    EXPECT_EQ(readFile(point + "/第1页.jpg"), "page 1");
    EXPECT_THAT(waitForArrivals(2).back().failure, HasSubstr("已关闭"));
    EXPECT_FALSE(client().Get(server->pagePath().c_str()));
}

}  // namespace
}  // namespace veltrana::test
