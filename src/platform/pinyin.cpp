#include "platform/pinyin.h"

#include <algorithm>

#include "platform/pinyin_table.h"

namespace veltrana {

namespace {

// Surnames read otherwise than their characters in words, with their readings. Compound
// surnames come before the single ones they begin with.
struct SurnameReading {
    std::u32string_view surname;
    std::string_view reading;
};
constexpr SurnameReading kSurnameReadings[] = {
    {U"尉迟", "yu4 chi2"},     // Yùchí, not wèi
    {U"万俟", "mo4 qi2"},      // Mòqí, not wàn sì
    {U"单于", "chan2 yu2"},    // Chányú, not dān
    {U"长孙", "zhang3 sun1"},  // Zhǎngsūn, not cháng as in 长短
    {U"令狐", "ling2 hu2"},    // Línghú, not lìng
    {U"澹台", "tan2 tai2"},    // Tántái, not dàn
    {U"诸葛", "zhu1 ge3"},     // Zhūgě, not gé
    {U"曾", "zeng1"},          // Zēng, not céng
    {U"单", "shan4"},          // Shàn, not dān
    {U"解", "xie4"},           // Xiè, not jiě
    {U"仇", "qiu2"},           // Qiú, not chóu
    {U"区", "ou1"},            // Ōu, not qū
    {U"朴", "piao2"},          // Piáo, not pǔ
    {U"查", "zha1"},           // Zhā, not chá
    {U"盖", "ge3"},            // Gě, not gài
    {U"乐", "yue4"},           // Yuè, not lè
    {U"缪", "miao4"},          // Miào, not móu
    {U"覃", "qin2"},           // Qín, not tán
    {U"翟", "zhai2"},          // Zhái, not dí
    {U"召", "shao4"},          // Shào, not zhào
    {U"秘", "bi4"},            // Bì, not mì
    {U"种", "chong2"},         // Chóng, not zhǒng
    {U"任", "ren2"},           // Rén, not rèn
    {U"葛", "ge3"},            // Gě, not gé
    {U"纪", "ji3"},            // Jǐ, not jì
    {U"宁", "ning4"},          // Nìng, not níng
    {U"燕", "yan1"},           // Yān, not yàn
    {U"过", "guo1"},           // Guō, not guò
};

// "zeng1" as a reading; none when the table has no such syllable.
std::optional<Pinyin> readingOf(std::string_view numbered) {
    std::string_view syllable = numbered.substr(0, numbered.size() - 1);
    int tone = numbered.back() - '0';
    const auto& syllables = pinyin_table::kSyllables;
    auto found = std::find(syllables.begin(), syllables.end(), syllable);
    if (found == syllables.end() || tone < 1 || tone > 5) {
        return std::nullopt;
    }
    return Pinyin(static_cast<std::uint16_t>((found - syllables.begin()) * 8 + tone));
}

struct Surname {
    std::u32string_view characters;
    std::vector<std::optional<Pinyin>> reading;
};

const std::vector<Surname>& surnames() {
    static const std::vector<Surname> all = [] {
        std::vector<Surname> list;
        for (const auto& [surname, reading] : kSurnameReadings) {
            Surname entry{surname, {}};
            for (std::size_t start = 0; start < reading.size();) {
                std::size_t end = std::min(reading.find(' ', start), reading.size());
                entry.reading.push_back(readingOf(reading.substr(start, end - start)));
                start = end + 1;
            }
            list.push_back(std::move(entry));
        }
        return list;
    }();
    return all;
}

}  // namespace

std::string_view Pinyin::syllable() const {
    return pinyin_table::kSyllables[code_ / 8];
}

std::vector<std::optional<Pinyin>> nameReading(std::u32string_view name) {
    std::vector<std::optional<Pinyin>> reading;
    reading.reserve(name.size());
    for (const Surname& surname : surnames()) {
        if (name.size() > surname.characters.size() && name.starts_with(surname.characters)) {
            reading = surname.reading;
            break;
        }
    }
    for (std::size_t i = reading.size(); i < name.size(); ++i) {
        reading.push_back(pinyinOf(name[i]));
    }
    return reading;
}

}  // namespace veltrana
