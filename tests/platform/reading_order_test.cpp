#include "platform/reading_order.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>

#include "platform/pinyin.h"
#include "platform/utf8.h"

namespace veltrana {
namespace {

using ::testing::ElementsAre;
using Texts = std::vector<std::string>;

// A reading as the roll-call file writes it: "zeng1", "-" for none.
std::string written(const std::optional<Pinyin>& reading) {
    return reading ? std::string(reading->syllable()) + std::to_string(reading->tone()) : "-";
}

std::string writtenReading(const std::string& name) {
    std::u32string characters;
    forEachCharacter(name, [&](char32_t c) {
        characters += c;
        return true;
    });
    std::string text;
    for (const std::optional<Pinyin>& reading : nameReading(characters)) {
        text += text.empty() ? "" : " ";
        text += written(reading);
    }
    return text;
}

TEST(ReadingOrderTest, ClassOfTwoHundredInRollCallOrderWithTheirReadings) {
    std::ifstream file(VELTRANA_ROLL_CALL);
    ASSERT_TRUE(file.is_open()) << VELTRANA_ROLL_CALL;
    Texts rollCall;
    std::string line;
    while (std::getline(file, line)) {
        if (line.starts_with('#')) {
            continue;
        }
        std::size_t tab = line.find('\t');
        rollCall.push_back(line.substr(0, tab));
        EXPECT_EQ(writtenReading(rollCall.back()), line.substr(tab + 1)) << rollCall.back();
    }
    ASSERT_GE(rollCall.size(), 200u);

    Texts added = rollCall;
    std::shuffle(added.begin(), added.end(), std::mt19937(7));
    std::stable_sort(added.begin(), added.end(), nameOrderLess);
    EXPECT_EQ(added, rollCall);
}

TEST(ReadingOrderTest, PinyinOfACharacterInDictionaryOrder) {
    // The customary reading (曾 céng, not the surname's zēng), the standard one where the
    // customary is out of use (罗 luó), a rarer block (䶮), and what has none.
    EXPECT_EQ(written(pinyinOf(U'曾')), "ceng2");
    EXPECT_EQ(written(pinyinOf(U'罗')), "luo2");
    EXPECT_EQ(written(pinyinOf(U'绿')), "lü4");
    EXPECT_EQ(written(pinyinOf(U'䶮')), "yan3");
    EXPECT_EQ(written(pinyinOf(U'吗')), "ma5");
    EXPECT_EQ(written(pinyinOf(U'a')), "-");
    EXPECT_EQ(written(pinyinOf(U'〇')), "-");
    // lu, lü, luan, lüe, lun: ü after u only where all else is equal; tones 1 to 4, neutral last.
    std::vector<char32_t> characters{U'略', U'论', U'乱', U'路', U'旅',
                                     U'骂', U'马', U'吗', U'妈', U'麻'};
    std::sort(characters.begin(), characters.end(),
              [](char32_t a, char32_t b) { return *pinyinOf(a) < *pinyinOf(b); });
    EXPECT_EQ(characters, (std::vector<char32_t>{U'路', U'旅', U'乱', U'略', U'论', U'妈', U'麻',
                                                 U'马', U'骂', U'吗'}));
}

TEST(ReadingOrderTest, FileNamesNumbersByValueANameBeforeItsCopies) {
    Texts names{
        "第10次.jpg", "第２次.jpg", "第2次.png", "007.txt",      "7.txt",
        "10.txt",     ".profile",   "a.tar.gz",  "A.txt",        "hw1 (2).jpg",
        "hw1.jpg",    "绿色.png",   "路.png",    "\xFF\xFE.bin", "",
    };
    sortFileNames(names);
    EXPECT_THAT(names, ElementsAre("", ".profile", "007.txt", "7.txt", "10.txt", "第2次.png",
                                   "第２次.jpg", "第10次.jpg", "路.png", "绿色.png", "A.txt",
                                   "a.tar.gz", "hw1.jpg", "hw1 (2).jpg", "\xFF\xFE.bin"));

    // Names that all begin alike, as a folder of homework often has them.
    names = {"作业10.jpg", "作业2 (2).jpg", "作业2.jpg", "作业", "作业1.jpg", "作业02.jpg"};
    sortFileNames(names);
    EXPECT_THAT(names, ElementsAre("作业", "作业1.jpg", "作业02.jpg", "作业2.jpg", "作业2 (2).jpg",
                                   "作业10.jpg"));
}

}  // namespace
}  // namespace veltrana
