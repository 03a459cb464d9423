#include "platform/reading_order.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "platform/pinyin.h"
#include "platform/utf8.h"

namespace veltrana {

namespace {

// A text's sort key is a string of bytes compared as such: first the text's weights, then, for
// texts that weigh alike, its own UTF-8 bytes, apart by a 0 so that a text that is the start of
// another comes first. The weights put spaces, punctuation and symbols first, then numbers by
// value, then Chinese by pinyin, Chinese without a reading, Latin letters without regard to case
// and all else, as a Chinese system lists them. Each weight is its group's byte, never 0, then a
// value of a fixed length for the group, high byte first; a number's value is its count of
// digits, and the digits follow.
enum Group : char { kSymbol = 1, kNumber, kRead, kUnread, kLetter, kOther };

void appendWeight(std::string& key, Group group, char32_t value, int bytes) {
    char weight[4] = {group};
    for (int i = bytes; i > 0; --i, value >>= 8) {
        weight[i] = static_cast<char>(value & 0xFF);
    }
    key.append(weight, static_cast<std::size_t>(bytes) + 1);
}

// The characters of a UTF-8 text, into a buffer that the caller reuses. A byte that is no part
// of well-formed UTF-8 (a name written on another system) stands as U+DC00 plus its value.
void decode(std::string_view utf8, std::u32string& text) {
    text.resize(utf8.size());
    std::size_t length = 0;
    for (;;) {
        std::size_t bad = forEachCharacter(utf8, [&text, &length](char32_t c) {
            text[length++] = c;
            return true;
        });
        if (bad == std::string_view::npos) {
            text.resize(length);
            return;
        }
        text[length++] = 0xDC00 + static_cast<unsigned char>(utf8[bad]);
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
            appendWeight(key, kNumber, std::min<char32_t>(end - i, 0xFF), 1);
            for (; i < end; ++i) {
                key += static_cast<char>(narrow(text[i]));
            }
            continue;
        }
        if (std::optional<Pinyin> reading = readingAt(i)) {
            appendWeight(key, kRead, reading->code(), 2);
        } else if (isHan(c)) {
            appendWeight(key, kUnread, c, 3);
        } else if (isSymbol(c)) {
            appendWeight(key, kSymbol, c, 3);
        } else if (c < 0x80) {
            appendWeight(key, kLetter, c | 0x20, 1);
        } else {
            appendWeight(key, kOther, c, 3);
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
    // thousand files sorts at once. Names in a folder often begin alike (作业1, 作业2, IMG_0001),
    // so the keys are compared past their common start, most of them by the next eight bytes
    // taken as one number.
    struct Entry {
        std::uint64_t head;
        std::uint32_t keyStart;
        std::uint32_t keyLength;
        std::uint32_t name;
    };
    std::size_t bytes = 0;
    for (const std::string& name : names) {
        bytes += name.size();
    }
    std::string keys;
    keys.reserve(bytes * 3);  // about: each character weighs two to four bytes, then its own
    std::vector<Entry> entries;
    entries.reserve(names.size());
    std::u32string text;
    for (const std::string& name : names) {
        std::size_t start = keys.size();
        appendFileNameKey(keys, name, text);
        entries.push_back({0, static_cast<std::uint32_t>(start),
                           static_cast<std::uint32_t>(keys.size() - start),
                           static_cast<std::uint32_t>(entries.size())});
    }
    const std::string_view all(keys);
    auto key = [all](const Entry& entry) { return all.substr(entry.keyStart, entry.keyLength); };
    const std::string_view first = entries.empty() ? std::string_view() : key(entries.front());
    std::size_t common = first.size();
    for (const Entry& entry : entries) {
        std::string_view other = key(entry);
        std::size_t same = 0;
        while (same < common && same < other.size() && other[same] == first[same]) {
            ++same;
        }
        common = same;
    }
    for (Entry& entry : entries) {
        entry.keyStart += static_cast<std::uint32_t>(common);
        entry.keyLength -= static_cast<std::uint32_t>(common);
        for (std::size_t i = 0; i < 8; ++i) {
            auto byte =
                i < entry.keyLength ? static_cast<unsigned char>(all[entry.keyStart + i]) : 0;
            entry.head = entry.head << 8 | byte;
        }
    }
    std::sort(entries.begin(), entries.end(), [&key](const Entry& a, const Entry& b) {
        return a.head != b.head ? a.head < b.head : key(a) < key(b);
    });
    std::vector<std::string> sorted;
    sorted.reserve(names.size());
    for (const Entry& entry : entries) {
        sorted.push_back(std::move(names[entry.name]));
    }
    names = std::move(sorted);
}

}  // namespace veltrana
