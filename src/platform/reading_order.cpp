#include "platform/reading_order.h"

#include <algorithm>
#include <string_view>

#include "platform/pinyin.h"
#include "platform/utf8.h"

namespace veltrana {

namespace {

// A text's sort key is a string of bytes compared as such: first the text's weights, then, for
// texts that weigh alike, its own UTF-8 bytes, apart by a 0 so that a text that is the start of
// another comes first. The weights put spaces, punctuation and symbols first, then numbers by
// value, then Chinese by pinyin, Chinese without a reading, Latin letters without regard to case
// and all else, as a Chinese system lists them.
enum Group : char32_t { kSymbol = 1, kNumber, kRead, kUnread, kLetter, kOther };

// Three bytes per weight, high byte first: the group, then 21 bits for a character, a reading's
// code or a digit. The first byte is never 0.
void appendWeight(std::string& key, Group group, char32_t value) {
    char32_t weight = group << 21 | std::min<char32_t>(value, 0x1FFFFF);
    key += static_cast<char>(weight >> 16);
    key += static_cast<char>(weight >> 8 & 0xFF);
    key += static_cast<char>(weight & 0xFF);
}

// The characters of a UTF-8 text, into a buffer that the caller reuses. A byte that is no part
// of well-formed UTF-8 (a name written on another system) stands as U+DC00 plus its value.
void decode(std::string_view utf8, std::u32string& text) {
    text.clear();
    for (;;) {
        std::size_t bad = forEachCharacter(utf8, [&text](char32_t c) {
            text += c;
            return true;
        });
        if (bad == std::string_view::npos) {
            return;
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

// Appends the weights of text, with Chinese read as readingAt(i) gives the reading of its i-th
// character.
template <typename ReadingAt>
void appendWeights(std::string& key, std::u32string_view text, ReadingAt readingAt) {
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
            appendWeight(key, kNumber, static_cast<char32_t>(end - i));
            for (; i < end; ++i) {
                appendWeight(key, kNumber, narrow(text[i]) - U'0');
            }
            continue;
        }
        if (std::optional<Pinyin> reading = readingAt(i)) {
            appendWeight(key, kRead, reading->code());
        } else if (isHan(c)) {
            appendWeight(key, kUnread, c);
        } else if (isSymbol(c)) {
            appendWeight(key, kSymbol, c);
        } else if (c < 0x80) {
            appendWeight(key, kLetter, c | 0x20);
        } else {
            appendWeight(key, kOther, c);
        }
        ++i;
    }
}

// Chinese by the characters' own readings, then the text's own bytes.
void appendTextKey(std::string& key, std::u32string_view text, std::string_view utf8) {
    appendWeights(key, text, [text](std::size_t i) { return pinyinOf(text[i]); });
    key += '\0';
    key += utf8;
}

std::string nameKey(const std::string& name) {
    std::u32string text;
    decode(name, text);
    std::vector<std::optional<Pinyin>> surnameRead = nameReading(text);
    std::string key;
    appendWeights(key, text, [&surnameRead](std::size_t i) { return surnameRead[i]; });
    key += '\0';
    appendTextKey(key, text, name);
    return key;
}

// The key of a file name: its stem, then its extension.
void appendFileNameKey(std::string& key, std::string_view name, std::u32string& text) {
    std::size_t dot = name.rfind('.');
    std::size_t stemBytes = dot == 0 || dot == std::string_view::npos ? name.size() : dot;
    decode(name.substr(0, stemBytes), text);
    appendTextKey(key, text, name.substr(0, stemBytes));
    key += '\0';
    decode(name.substr(stemBytes), text);
    appendTextKey(key, text, name.substr(stemBytes));
}

}  // namespace

bool nameOrderLess(const std::string& a, const std::string& b) {
    return nameKey(a) < nameKey(b);
}

void sortFileNames(std::vector<std::string>& names) {
    // One key per name, all in one buffer, rather than two per comparison: a folder of twenty
    // thousand files sorts at once.
    struct Entry {
        std::size_t keyStart;
        std::size_t keyLength;
        std::size_t name;
    };
    std::size_t bytes = 0;
    for (const std::string& name : names) {
        bytes += name.size();
    }
    std::string keys;
    keys.reserve(bytes * 4);  // weights of three bytes for each character, then the bytes
    std::vector<Entry> entries;
    entries.reserve(names.size());
    std::u32string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        std::size_t start = keys.size();
        appendFileNameKey(keys, names[i], text);
        entries.push_back({start, keys.size() - start, i});
    }
    std::string_view all(keys);
    std::sort(entries.begin(), entries.end(), [all](const Entry& a, const Entry& b) {
        return all.substr(a.keyStart, a.keyLength) < all.substr(b.keyStart, b.keyLength);
    });
    std::vector<std::string> sorted;
    sorted.reserve(names.size());
    for (const Entry& entry : entries) {
        sorted.push_back(std::move(names[entry.name]));
    }
    names = std::move(sorted);
}

}  // namespace veltrana
