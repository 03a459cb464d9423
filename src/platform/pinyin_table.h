#pragma once

#include <cstdint>
#include <span>
#include <string_view>

// The pinyin of the reading order, generated at build time from Unicode's Han database by
// pinyin_table.awk: one reading per character of the two blocks of common Chinese characters.

namespace veltrana::pinyin_table {

// CJK Unified Ideographs Extension A and the main block.
constexpr char32_t kFirst = 0x3400;
constexpr char32_t kLast = 0x9FFF;

// The toneless syllables, in dictionary order.
extern const std::span<const std::string_view> kSyllables;

// The reading of each character from kFirst to kLast: its syllable's number * 8 + its tone (1 to
// 4, 5 for the neutral one), or 0 when the database gives none.
extern const std::uint16_t kReadings[kLast - kFirst + 1];

}  // namespace veltrana::pinyin_table
