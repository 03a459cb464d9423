#include "store/last_in_str.h"

#include <algorithm>

#include "platform/case_fold.h"
#include "platform/error.h"

namespace veltrana {

namespace {

// Length in bytes of the UTF-8 sequence led by c, and in UTF-16 units of the character it
// codes. A stray byte counts as one character of its own.
std::size_t sequenceLength(unsigned char c) {
    return c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
}

// The classic InStr with text comparison, over texts folded beforehand: 1-based position of
// pattern in text from start, 0 when it is not there.
std::size_t inStr(std::size_t start, const std::u16string& text, const std::u16string& pattern) {
    if (start > text.size()) {
        return 0;
    }
    auto hit = std::search(text.begin() + static_cast<std::ptrdiff_t>(start - 1), text.end(),
                           pattern.begin(), pattern.end());
    return hit == text.end() ? 0 : static_cast<std::size_t>(hit - text.begin()) + 1;
}

}  // namespace

std::int16_t LastInStr(const std::string& text, const std::string& pattern) {
    if (pattern.empty()) {
        return 0;
    }
    std::u16string t = caseFoldedUtf16(text);
    std::u16string q = caseFoldedUtf16(pattern);
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
