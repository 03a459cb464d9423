#include "platform/reading_order.h"

#include <algorithm>
#include <numeric>

#include "platform/pinyin.h"
#include "platform/utf8.h"

namespace veltrana {

namespace {

// A text's sort key is a string of weights compared one by one, in levels apart by a 0, so that a
// text that is the start of another comes first. The first level puts spaces, punctuation and
// symbols first, then numbers by value, then Chinese by pinyin, Chinese without a reading, Latin
// letters without regard to case and all else, as a Chinese system lists them.
constexpr char32_t kSymbol = 1 << 24;
constexpr char32_t kNumber = 2 << 24;
constexpr char32_t kRead = 3 << 24;
constexpr char32_t kUnread = 4 << 24;
constexpr char32_t kLetter = 5 << 24;
constexpr char32_t kOther = 6 << 24;

// The characters of a UTF-8 text. A byte that is no part of well-formed UTF-8 (a name written on
// another system) stands as U+DC00 plus its value, so that texts that differ keep differing.
std::u32string characters(std::string_view utf8) {
    std::u32string text;
    text.reserve(utf8.size());
    for (;;) {
        std::size_t bad = forEachCharacter(utf8, [&text](char32_t c) {
            text += c;
            return true;
        });
        if (bad == std::string_view::npos) {
            return text;
        }
        text += 0xDC00 + static_cast<unsigned char>(utf8[bad]);
        utf8.remove_prefix(bad + 1);
    }
}

// Full-width letters, digits and signs, typed with a Chinese input method, as their ASCII forms.
char32_t narrow(char32_t c) {
    return c >= 0xFF01 && c <= 0xFF5E ? c - 0xFEE0 : c == 0x3000 ? U' ' : c;
}

bool isDigit(char32_t c) {
    return c >= U'0' && c <= U'9';
}

bool isHan(char32_t c) {
    return (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) ||
           (c >= 0xF900 && c <= 0xFAFF) || (c >= 0x20000 && c <= 0x3FFFF);
}

bool isSymbol(char32_t c) {
    if (c < 0x80) {
        return !((c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z') || isDigit(c));
    }
    return c < 0xC0 || c == 0xD7 || c == 0xF7 || (c >= 0x2000 && c < 0x2C00) ||
           (c >= 0x3000 && c < 0x3040) || (c >= 0xFE10 && c < 0xFE70) ||
           (c >= 0xFF00 && c < 0xFFF0) || (c >= 0x1F000 && c < 0x1FB00);
}

// Appends the first-level weights of text, with Chinese read as readingAt(i) gives the reading
// of its i-th character.
template <typename ReadingAt>
void appendWeights(std::u32string& key, std::u32string_view text, ReadingAt readingAt) {
    for (std::size_t i = 0; i < text.size();) {
        char32_t c = narrow(text[i]);
        if (isDigit(c)) {
            // The count of digits without the leading zeros, then the digits: 9 before 10.
            std::size_t end = i;
            while (end < text.size() && isDigit(narrow(text[end]))) {
                ++end;
            }
            while (i < end && narrow(text[i]) == U'0') {
                ++i;
            }
            key += kNumber + static_cast<char32_t>(end - i);
            for (; i < end; ++i) {
                key += kNumber + (narrow(text[i]) - U'0');
            }
            continue;
        }
        if (std::optional<Pinyin> reading = readingAt(i)) {
            key += kRead + reading->code();
        } else if (isHan(c)) {
            key += kUnread + c;
        } else if (isSymbol(c)) {
            key += kSymbol + c;
        } else if (c < 0x80) {
            key += kLetter + (c | 0x20);
        } else {
            key += kOther + c;
        }
        ++i;
    }
}

// Chinese by the characters' own readings, then the characters themselves.
void appendTextKey(std::u32string& key, std::u32string_view text) {
    appendWeights(key, text, [text](std::size_t i) { return pinyinOf(text[i]); });
    key += U'\0';
    key += text;
}

std::u32string nameKey(const std::string& name) {
    std::u32string text = characters(name);
    std::vector<std::optional<Pinyin>> surnameRead = nameReading(text);
    std::u32string key;
    appendWeights(key, text, [&surnameRead](std::size_t i) { return surnameRead[i]; });
    key += U'\0';
    appendTextKey(key, text);
    return key;
}

std::u32string fileNameKey(const std::string& name) {
    std::u32string text = characters(name);
    std::size_t dot = text.rfind(U'.');
    std::size_t stemLength = dot == 0 || dot == std::u32string::npos ? text.size() : dot;
    std::u32string key;
    appendTextKey(key, std::u32string_view(text).substr(0, stemLength));
    key += U'\0';
    appendTextKey(key, std::u32string_view(text).substr(stemLength));
    return key;
}

}  // namespace

bool nameOrderLess(const std::string& a, const std::string& b) {
    return nameKey(a) < nameKey(b);
}

void sortFileNames(std::vector<std::string>& names) {
    // One key per name rather than two per comparison, so that a folder of twenty thousand files
    // sorts at once.
    std::vector<std::u32string> keys;
    keys.reserve(names.size());
    for (const std::string& name : names) {
        keys.push_back(fileNameKey(name));
    }
    std::vector<std::size_t> order(names.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(),
              [&keys](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });
    std::vector<std::string> sorted;
    sorted.reserve(names.size());
    for (std::size_t i : order) {
        sorted.push_back(std::move(names[i]));
    }
    names = std::move(sorted);
}

}  // namespace veltrana
