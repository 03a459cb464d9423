#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/pinyin_table.h"

namespace veltrana {

// The Hanyu Pinyin reading of one Chinese character. Readings compare as a dictionary files
// them: by syllable, where ü comes after u only when all else is equal (lu, lü, luan, lüe),
// then by tone, the neutral tone after the four.
class Pinyin {
public:
    // A code of the generated table: the syllable's number in dictionary order * 8 + the tone.
    explicit Pinyin(std::uint16_t code) : code_(code) {}

    // Lower case, without tone marks, ü written as ü: "zhang", "lü".
    std::string_view syllable() const;
    // 1 to 4, or 5 for the neutral tone.
    int tone() const { return code_ % 8; }
    // A number that sorts as the readings do.
    std::uint16_t code() const { return code_; }

    auto operator<=>(const Pinyin&) const = default;

private:
    std::uint16_t code_;
};

// The customary reading of a Chinese character, the common one of a character with several (曾
// céng, 单 dān); none for other characters and for the rare ones that Unicode gives no reading.
// Inline, for the sorts of long lists.
inline std::optional<Pinyin> pinyinOf(char32_t c) {
    if (c < pinyin_table::kFirst || c > pinyin_table::kLast) {
        return std::nullopt;
    }
    std::uint16_t code = pinyin_table::kReadings[c - pinyin_table::kFirst];
    return code == 0 ? std::nullopt : std::optional<Pinyin>(Pinyin(code));
}

// The reading of each character of a person's name, with the surname read as a surname: 曾小明
// is zēng xiǎo míng, 单于飞 chán yú fēi. A surname is followed by a given name, so 单于 alone is
// shàn yú. Characters without a reading (letters, digits) have none.
std::vector<std::optional<Pinyin>> nameReading(std::u32string_view name);

}  // namespace veltrana
