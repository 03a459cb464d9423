#include "model/landing_name.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <limits>

#include "platform/file_system.h"

namespace veltrana::test {
namespace {

using ::testing::HasSubstr;

TEST(LandingName, APhotosNameLandsAndEveryRefusalSaysWhy) {
    // 79 Chinese characters and "a.jpg": the longest name that still takes any number.
    std::string longest;
    for (int i = 0; i < 79; ++i) {
        longest += "题";
    }
    longest += "a.jpg";
    ASSERT_EQ(longest.size(), kLongestLandingName);
    EXPECT_LE(numberedName(longest, std::numeric_limits<int>::max()).size(), 255u);
    for (const std::string& name : {std::string("IMG_0001.JPG"), std::string("作业 第2页.jpg"),
                                    std::string("scan.2023.jpg"), std::string("README"), longest}) {
        EXPECT_EQ(landingNameRefusal(name), "") << name;
    }

    struct Case {
        std::string name;
        const char* why;
    };
    for (const Case& c : std::vector<Case>{
             {"", "没有名称"},
             {longest.substr(0, longest.size() - 4) + "c.jpg", "太长"},
             {std::string(300, 'a'), "最多 242 个字节"},
             {".veltrana-0.tmp", "隐藏"},
             {".jpg", "隐藏"},
             {"..", "隐藏"},
             {"../a.jpg", "隐藏"},
             {"a/b.jpg", "不能用作文件名"},
             {"..\\a.jpg", "隐藏"},
             {"C:\\a.jpg", "不能用作文件名"},
             {"a\x01.jpg", "不能用作文件名"},
             {std::string("a\0b.jpg", 7), "不能用作文件名"},
             {"CON.jpg", "不能用作文件名"},
             {"a.jpg ", "不能用作文件名"},
             {"a.", "不能用作文件名"},
             {"\xff.jpg", "不能用作文件名"},
         }) {
        EXPECT_THAT(landingNameRefusal(c.name), HasSubstr(c.why)) << c.name;
    }
}

}  // namespace
}  // namespace veltrana::test
