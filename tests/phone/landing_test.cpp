#include "phone/landing.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

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

// Two students with one course of two knowledge points; only 力学 has its folders, and 电学's
// name can have none.
class PhoneLandingTest : public ::testing::Test {
protected:
    PhoneLandingTest() {
        for (const char* student : {"张三", "李四"}) {
            std::filesystem::create_directories(utf8Path(data + "/" + student + "/物理/力学"));
        }
    }

    std::unique_ptr<PhoneLanding> open(const PhoneLimits& chosen) {
        PhoneCatalogue catalogue{
            {{"张三", "张三"}, {"李四", "李四"}},
            {{{"物理", "物理"}, {{"力学", "力学"}, {"电学", "电学"}, {"a/b", ""}}}},
            0,
            0,
            0};
        return std::make_unique<PhoneLanding>(
            files, dir.path(), catalogue,
            [this](const PhoneArrival& arrival) {
                std::lock_guard lock(mutex);
                arrivals.push_back(arrival);
            },
            chosen);
    }

    // A whole file as a request brings it.
    PhoneArrival send(PhoneLanding& landing, const std::string& node, const std::string& name,
                      const std::string& content) {
        PhoneFile file = landing.begin(node, name, content.size());
        if (file.wanted()) {
            file.write(content.data(), content.size());
        }
        return file.end();
    }

    // Every file under Data, as paths below it.
    std::vector<std::string> everyFile() const {
        std::vector<std::string> found;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(utf8Path(data))) {
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
    PhoneLimits limits{64 << 10, 200 << 10, 0, std::chrono::seconds(30), 1000};
    StdFileSystem files;
    std::mutex mutex;
    std::vector<PhoneArrival> arrivals;
};

TEST_F(PhoneLandingTest, WhatTheNodeTheNameOrTheLengthDoesNotAllowIsRefusedBeforeAnyByte) {
    auto landing = open(limits);
    struct Case {
        const char* what;
        std::string node;
        std::string name;
        std::optional<std::uint64_t> length;
        Refusal refusal;
    };
    const std::vector<Case> cases{
        {"no such student", "2.0.0", "a.jpg", 1, Refusal::kNoSuchNode},
        {"no such point", "0.0.3", "a.jpg", 1, Refusal::kNoSuchNode},
        {"not a key", "x", "a.jpg", 1, Refusal::kNoSuchNode},
        {"key too long", "0.0.0.0", "a.jpg", 1, Refusal::kNoSuchNode},
        {"negative", "-1.0.0", "a.jpg", 1, Refusal::kNoSuchNode},
        {"no folder yet", "0.0.1", "a.jpg", 1, Refusal::kNoFolder},
        {"no folder ever", "0.0.2", "a.jpg", 1, Refusal::kNoFolder},
        {"parent", "0.0.0", "../a.jpg", 1, Refusal::kBadName},
        {"slash", "0.0.0", "a/b.jpg", 1, Refusal::kBadName},
        {"no length", "0.0.0", "a.jpg", std::nullopt, Refusal::kNoLength},
        {"empty", "0.0.0", "a.jpg", 0, Refusal::kEmpty},
        {"over the limit", "0.0.0", "big.jpg", (64 << 10) + 1, Refusal::kTooLarge},
    };
    for (const Case& c : cases) {
        PhoneFile file = landing->begin(c.node, c.name, c.length);
        EXPECT_FALSE(file.wanted()) << c.what;
        EXPECT_FALSE(file.write("x", 1)) << c.what;
        EXPECT_EQ(file.end().refusal, c.refusal) << c.what;
    }
    ASSERT_EQ(arrivals.size(), cases.size());
    EXPECT_THAT(arrivals[5].failure, HasSubstr("生成文件夹"));
    EXPECT_THAT(arrivals[6].failure, HasSubstr("不能用作文件夹名称"));
    EXPECT_THAT(arrivals[7].failure, HasSubstr("隐藏"));
    EXPECT_THAT(arrivals.back().failure, HasSubstr("64 KB"));
    EXPECT_EQ(arrivals.back().target, "张三\\物理\\力学");
    EXPECT_THAT(everyFile(), IsEmpty());
}

TEST_F(PhoneLandingTest, AFileCutShortTooSlowOverTheSessionOrAfterClosingLeavesNothing) {
    limits.slowAfter = std::chrono::seconds(0);
    auto landing = open(limits);
    std::string page(40 << 10, 'x');
    EXPECT_EQ(send(*landing, "0.0.0", "第1页.jpg", page).failure, "");

    PhoneFile shortOne = landing->begin("0.0.0", "断开.jpg", page.size());
    EXPECT_TRUE(shortOne.write(page.data(), page.size() / 2));
    EXPECT_EQ(shortOne.end().refusal, Refusal::kBroken);

    // Over its first second a file must come at 1000 bytes a second.
    PhoneFile slow = landing->begin("1.0.0", "慢.jpg", page.size());
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    EXPECT_FALSE(slow.write("x", 1));
    EXPECT_EQ(slow.end().refusal, Refusal::kTooSlow);

    // 40 KB landed, 20 KB came of the short one and 1 byte of the slow: 200 KB are soon full.
    EXPECT_EQ(send(*landing, "0.0.0", "第2页.jpg", page).failure, "");
    EXPECT_EQ(send(*landing, "0.0.0", "第3页.jpg", page).failure, "");
    EXPECT_EQ(send(*landing, "0.0.0", "第4页.jpg", page).failure, "");
    PhoneArrival over = send(*landing, "0.0.0", "第5页.jpg", page);
    EXPECT_EQ(over.refusal, Refusal::kTooLarge);
    EXPECT_THAT(over.failure, HasSubstr("200 KB"));

    auto second = open(limits);
    PhoneFile closing = second->begin("0.0.0", "第6页.jpg", page.size());
    EXPECT_TRUE(closing.write(page.data(), 100));
    second->close();
    EXPECT_FALSE(closing.write(page.data() + 100, 100));
    EXPECT_EQ(closing.end().refusal, Refusal::kClosed);
    EXPECT_THAT(everyFile(), UnorderedElementsAreArray(
                                 {"张三/物理/力学/第1页.jpg", "张三/物理/力学/第2页.jpg",
                                  "张三/物理/力学/第3页.jpg", "张三/物理/力学/第4页.jpg"}));
}

TEST_F(PhoneLandingTest, EightPhonesOfTwentyPhotosEachAllLandUnderTheirOwnNumbers) {
    limits.sessionBytes = 100 << 20;
    auto landing = open(limits);
    constexpr int kPhones = 8;
    constexpr int kPhotos = 20;
    std::vector<std::string> sent;
    for (int i = 0; i < kPhones * kPhotos; ++i) {
        std::mt19937 random(static_cast<unsigned>(i));
        std::string& bytes = sent.emplace_back(20 << 10, '\0');
        for (char& byte : bytes) {
            byte = static_cast<char>(random());
        }
    }
    std::vector<std::thread> phones;
    for (int phone = 0; phone < kPhones; ++phone) {
        phones.emplace_back([&, phone] {
            for (int photo = 0; photo < kPhotos; ++photo) {
                // iOS calls every camera shot image.jpg; a phone sends a photo in pieces.
                const std::string& bytes = sent[static_cast<std::size_t>(phone * kPhotos + photo)];
                PhoneFile file = landing->begin("0.0.0", "image.jpg", bytes.size());
                for (std::size_t at = 0; at < bytes.size(); at += 4096) {
                    file.write(bytes.data() + at, std::min<std::size_t>(4096, bytes.size() - at));
                }
                file.end();
            }
        });
    }
    for (std::thread& phone : phones) {
        phone.join();
    }
    std::vector<std::string> names{"image.jpg"};
    for (int n = 2; n <= kPhones * kPhotos; ++n) {
        names.push_back("image (" + std::to_string(n) + ").jpg");
    }
    EXPECT_THAT(filesIn(point), UnorderedElementsAreArray(names));
    std::vector<std::string> kept;
    std::vector<std::string> given;
    for (const std::string& name : filesIn(point)) {
        kept.push_back(readFile(point + "/" + name));
    }
    for (const PhoneArrival& arrival : arrivals) {
        EXPECT_EQ(arrival.failure, "");
        given.push_back(arrival.name);
    }
    EXPECT_THAT(kept, UnorderedElementsAreArray(sent));
    EXPECT_THAT(given, UnorderedElementsAreArray(names));
}

}  // namespace
}  // namespace veltrana::test
