#include "store/last_in_str.h"

#include <algorithm>

#include "platform/error.h"

namespace veltrana {

namespace {

// Length in bytes of the UTF-8 sequence led by c, and in UTF-16 units of the character it
// codes. A stray byte counts as one character of its own.
std::size_t sequenceLength(unsigned char c) {
    return c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
}

std::u16string toUtf16(const std::string& s) {
    std::u16string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        auto c = static_cast<unsigned char>(s[i]);
        std::size_t length = std::min(sequenceLength(c), s.size() - i);
        char32_t code = length == 1 ? c : c & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            code = (code << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(code));
        }
        i += length;
    }
    return out;
}

// Lower case for the alphabets a teacher types in file names: Latin, Greek, Cyrillic and the
// full-width Latin of Chinese input methods. Everything else compares as it is.
char16_t foldCase(char16_t c) {
    if ((c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) ||
        (c >= 0x391 && c <= 0x3AB && c != 0x3A2) || (c >= 0x410 && c <= 0x42F)) {
        return static_cast<char16_t>(c + 0x20);
    }
    if (c >= 0x400 && c <= 0x40F) {
        return static_cast<char16_t>(c + 0x50);
    }
    if (c >= 0xFF21 && c <= 0xFF3A) {
        return static_cast<char16_t>(c + 0x20);
    }
    if (c >= 0x100 && c <= 0x17F && c % 2 == 0 && c != 0x130 && c != 0x138) {
        return static_cast<char16_t>(c + 1);
    }
    return c;
}

// The classic InStr with text comparison: 1-based position of pattern in text from start, 0
// when it is not there.
std::size_t inStr(std::size_t start, const std::u16string& text, const std::u16string& pattern) {
    auto equal = [](char16_t a, char16_t b) { return foldCase(a) == foldCase(b); };
    if (start > text.size()) {
        return 0;
    }
    auto hit = std::search(text.begin() + static_cast<std::ptrdiff_t>(start - 1), text.end(),
                           pattern.begin(), pattern.end(), equal);
    return hit == text.end() ? 0 : static_cast<std::size_t>(hit - text.begin()) + 1;
}

}  // namespace

std::int16_t LastInStr(const std::string& text, const std::string& pattern) {
    if (pattern.empty()) {
        return 0;
    }
    std::u16string t = toUtf16(text);
    std::u16string q = toUtf16(pattern);
    std::int16_t last = 0;
    std::int16_t found = 0;
    do {
        last = found;
        std::int16_t start = toInt16(found + 1);
        found = toInt16(static_cast<std::int64_t>(inStr(static_cast<std::size_t>(start), t, q)));
    } while (found != 0);
    return last;
}

std::string Mid(const std::string& text, int start) {
    std::size_t i = 0;
    for (int position = 1; position < start && i < text.size();) {
        std::size_t length = sequenceLength(static_cast<unsigned char>(text[i]));
        position += length == 4 ? 2 : 1;
        i = std::min(i + length, text.size());
    }
    return text.substr(i);
}

}  // namespace veltrana
