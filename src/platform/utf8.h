#pragma once

#include <array>
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace veltrana {

// Calls onChar with each character of the UTF-8 text in turn. Stops at the first sequence that
// is not well-formed UTF-8 (stray or missing continuation bytes, overlong forms, surrogates,
// values past U+10FFFF) or for which onChar returns false, and returns its byte offset; returns
// npos when the whole text went through.
template <typename OnChar>
std::size_t forEachCharacter(std::string_view utf8, OnChar onChar) {
    constexpr std::array<char32_t, 5> kSmallest{0, 0, 0x80, 0x800, 0x10000};
    std::size_t i = 0;
    while (i < utf8.size()) {
        auto lead = static_cast<unsigned char>(utf8[i]);
        std::size_t length = lead < 0x80           ? 1
                             : (lead >> 5) == 0x6  ? 2
                             : (lead >> 4) == 0xE  ? 3
                             : (lead >> 3) == 0x1E ? 4
                                                   : 0;
        if (length == 0 || i + length > utf8.size()) {
            return i;
        }
        char32_t c = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            auto next = static_cast<unsigned char>(utf8[i + k]);
            if ((next & 0xC0) != 0x80) {
                return i;
            }
            c = (c << 6) | (next & 0x3F);
        }
        if (c < kSmallest[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF) || !onChar(c)) {
            return i;
        }
        i += length;
    }
    return std::string_view::npos;
}

// A path from its UTF-8 text and back. On Windows a path made from a plain std::string is read in
// the system's code page, which mangles Chinese names; these go through UTF-8 on every system.
inline std::filesystem::path utf8Path(std::string_view utf8) {
    const auto* first = reinterpret_cast<const char8_t*>(utf8.data());
    return std::filesystem::path(first, first + utf8.size());
}

inline std::string utf8Text(const std::filesystem::path& path) {
    std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

}  // namespace veltrana
