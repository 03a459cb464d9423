#include "mkdb/mdb_writer.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cstring>
#include <ctime>
#include <deque>
#include <memory>
#include <optional>

#include "mkdb/ucs2.h"
#include "platform/error.h"

// The page layout follows the public notes on the Jet 4 format (mdbtools' HACKING.md): 4096-byte
// pages, the header page 0, the global usage map on page 1, the definition of MSysObjects on
// page 2, then per table its definition, its usage maps, its data and long-value pages.
namespace veltrana::mkdb {

namespace {

constexpr std::size_t kPageSize = 4096;
constexpr std::size_t kDataPageHeader = 14;
constexpr std::size_t kMaxRowSize = 4060;     // the largest row Access puts in a data page
constexpr std::size_t kMaxRowsPerPage = 255;  // a row number is one byte of a row pointer
constexpr std::size_t kMaxColumns = 255;
constexpr std::size_t kMaxNameChars = 64;
constexpr std::size_t kMaxTextChars = 255;
constexpr std::size_t kMaxMemoChars = 65535;       // what Access accepts typed into a memo
constexpr std::size_t kMaxCompressedChars = 1024;  // Access stores longer memos uncompressed
constexpr std::size_t kMaxDecimalDigits = 28;
constexpr std::size_t kInlineMemoBytes = 64;      // memo data up to this size stays in the row
constexpr std::size_t kLongValueRowBytes = 4076;  // one long-value row: an empty page less
                                                  // its header, row pointer and chain pointer
constexpr std::size_t kMemoHeader = 12;
constexpr std::size_t kUsageMapBytes = 64;
constexpr std::size_t kInlineMapPages = (kUsageMapBytes - 5) * 8;
constexpr std::size_t kPagesPerMapPage = (kPageSize - 4) * 8;
constexpr std::size_t kMapPageSlots = (kUsageMapBytes - 1) / 4;
constexpr std::size_t kMaxPages = kMapPageSlots * kPagesPerMapPage;  // about 2 GB
constexpr std::int32_t kErrResourceExceeded = 3035;  // what Jet reports at the 2 GB limit
constexpr std::uint32_t kCatalogPage = 2;
constexpr std::uint32_t kLongValueOwner = 0x4C41564C;  // "LVAL" where data pages name a table
constexpr std::uint32_t kTableMagic = 1625;            // constant of every table definition
constexpr std::uint8_t kUserTable = 0x4E;
constexpr std::uint8_t kSystemTable = 0x53;

// Column type codes and flags of the table definition.
constexpr std::uint8_t kTypeInteger = 0x03;
constexpr std::uint8_t kTypeLong = 0x04;
constexpr std::uint8_t kTypeDateTime = 0x08;
constexpr std::uint8_t kTypeBinary = 0x09;
constexpr std::uint8_t kTypeText = 0x0A;
constexpr std::uint8_t kTypeOle = 0x0B;
constexpr std::uint8_t kTypeMemo = 0x0C;
constexpr std::uint8_t kTypeNumeric = 0x10;
constexpr std::uint8_t kFlagFixed = 0x01;
constexpr std::uint8_t kFlagUpdatable = 0x02;
constexpr std::uint8_t kExtFlagCompressedUnicode = 0x01;

// Sort order "General" of Access 2000 and the code page of Simplified Chinese Windows, used by
// Jet 4 only for text that is not Unicode.
constexpr std::uint16_t kSortGeneral = 0x0409;
constexpr std::uint16_t kCodePage = 936;

using Bytes = std::vector<std::uint8_t>;
using Page = std::array<std::uint8_t, kPageSize>;
using Cell = std::optional<Bytes>;
using Place = std::function<std::string(std::size_t)>;

void put16(std::uint8_t* at, std::uint32_t value) {
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}

void put32(std::uint8_t* at, std::uint32_t value) {
    put16(at, value);
    put16(at + 2, value >> 16);
}

void append16(Bytes& bytes, std::uint32_t value) {
    bytes.push_back(static_cast<std::uint8_t>(value));
    bytes.push_back(static_cast<std::uint8_t>(value >> 8));
}

void append32(Bytes& bytes, std::uint32_t value) {
    append16(bytes, value);
    append16(bytes, value >> 16);
}

Bytes bytesOf32(std::uint32_t value) {
    Bytes bytes;
    append32(bytes, value);
    return bytes;
}

Bytes bytesOf64(std::uint64_t value) {
    Bytes bytes = bytesOf32(static_cast<std::uint32_t>(value));
    append32(bytes, static_cast<std::uint32_t>(value >> 32));
    return bytes;
}

Bytes ucs2Bytes(const std::u16string& text) {
    Bytes bytes;
    bytes.reserve(text.size() * 2);
    for (char16_t c : text) {
        append16(bytes, c);
    }
    return bytes;
}

std::u16string ucs2(std::string_view utf8) {
    std::u16string text;
    appendUcs2(utf8, text);
    return text;
}

std::string quoted(const std::string& name) {
    return "“" + name + "”";
}

// Jet 4 text compression: after the marker FF FE, characters U+0001..U+00FF take one byte and
// a 0 byte switches between one-byte and two-byte characters. A character whose low byte is 0
// would read as a switch, so text holding one stays plain UCS-2, as does text that would not
// get shorter.
Bytes encodeText(const std::u16string& text, bool mayCompress) {
    bool compressible = mayCompress && std::none_of(text.begin(), text.end(),
                                                    [](char16_t c) { return (c & 0xFF) == 0; });
    if (compressible) {
        Bytes packed{0xFF, 0xFE};
        bool oneByte = true;
        std::size_t i = 0;
        while (i < text.size()) {
            std::size_t end = i;
            while (end < text.size() && text[end] <= 0xFF) {
                ++end;
            }
            std::size_t run = end - i;
            // Switching costs a byte each way, so short runs between wide characters stay wide.
            bool pack = run > 0 && (oneByte || run >= 3 || (end == text.size() && run >= 2));
            if (pack != oneByte) {
                packed.push_back(0);
                oneByte = pack;
            }
            if (pack) {
                for (; i < end; ++i) {
                    packed.push_back(static_cast<std::uint8_t>(text[i]));
                }
            } else {
                append16(packed, text[i]);
                ++i;
            }
        }
        if (packed.size() < text.size() * 2) {
            return packed;
        }
    }
    return ucs2Bytes(text);
}

// The pages of the file, kept in memory until the whole file is known.
class PageFile {
public:
    std::uint32_t allocate() {
        if (pages_.size() >= kMaxPages) {
            throw Error(kErrResourceExceeded, "数据库超过了 Access 文件 2 GB 的上限");
        }
        pages_.emplace_back();
        return static_cast<std::uint32_t>(pages_.size() - 1);
    }
    Page& operator[](std::uint32_t number) { return pages_[number]; }
    std::size_t size() const { return pages_.size(); }
    const std::deque<Page>& pages() const { return pages_; }

private:
    std::deque<Page> pages_;  // a deque keeps references to pages valid as it grows
};

// Fills data pages of one owner (a table definition page, "LVAL" or 0 for usage maps) with
// rows. As in Access, rows grow from the end of a page towards its row pointers, and a row
// that does not fit starts a new page.
class RowPages {
public:
    RowPages(PageFile& file, std::uint32_t owner) : file_(file), owner_(owner) {}

    // The row pointer of the stored row: page number above, row number in the low byte.
    std::uint32_t add(const Bytes& row) {
        makeRoom(row.size(), 1);
        Page& page = file_[pages_.back()];
        top_ -= row.size();
        std::copy(row.begin(), row.end(), page.begin() + static_cast<std::ptrdiff_t>(top_));
        put16(&page[kDataPageHeader + 2 * rows_], static_cast<std::uint32_t>(top_));
        ++rows_;
        put16(&page[12], rows_);
        put16(&page[2], static_cast<std::uint32_t>(freeSpace()));
        return (pages_.back() << 8) | (rows_ - 1);
    }

    // Starts a new page unless `count` more rows of `bytes` bytes in all fit on this one.
    void makeRoom(std::size_t bytes, std::size_t count) {
        if (pages_.empty() || rows_ + count > kMaxRowsPerPage || bytes + 2 * count > freeSpace()) {
            newPage();
        }
    }

    void newPage() {
        std::uint32_t number = file_.allocate();
        Page& page = file_[number];
        page[0] = 0x01;
        page[1] = 0x01;
        put32(&page[4], owner_);
        pages_.push_back(number);
        rows_ = 0;
        top_ = kPageSize;
        put16(&page[2], static_cast<std::uint32_t>(freeSpace()));
    }

    const std::vector<std::uint32_t>& pages() const { return pages_; }

private:
    std::size_t freeSpace() const { return top_ - kDataPageHeader - 2 * rows_; }

    PageFile& file_;
    std::uint32_t owner_;
    std::vector<std::uint32_t> pages_;
    std::uint32_t rows_ = 0;
    std::size_t top_ = kPageSize;
};

// A usage map row: a bitmap of the given pages (ascending), inline when they lie within one
// window of the row, otherwise as pointers to map pages that each cover a fixed page range.
Bytes usageMap(PageFile& file, const std::vector<std::uint32_t>& pages) {
    Bytes map(kUsageMapBytes, 0);
    if (pages.empty() || pages.back() - pages.front() < kInlineMapPages) {
        std::uint32_t start = pages.empty() ? 0 : pages.front();
        put32(&map[1], start);
        for (std::uint32_t page : pages) {
            map[5 + (page - start) / 8] |= static_cast<std::uint8_t>(1 << ((page - start) % 8));
        }
        return map;
    }
    map[0] = 0x01;
    std::array<std::uint32_t, kMapPageSlots> mapPages{};
    for (std::uint32_t page : pages) {
        std::size_t slot = page / kPagesPerMapPage;
        if (mapPages[slot] == 0) {
            mapPages[slot] = file.allocate();
            Page& mapPage = file[mapPages[slot]];
            mapPage[0] = 0x05;
            mapPage[1] = 0x01;
            put32(&map[1 + 4 * slot], mapPages[slot]);
        }
        std::size_t bit = page % kPagesPerMapPage;
        file[mapPages[slot]][4 + bit / 8] |= static_cast<std::uint8_t>(1 << (bit % 8));
    }
    return map;
}

struct ColumnDef {
    std::u16string name;
    std::uint8_t type = kTypeText;
    std::uint8_t precision = 0;
    std::uint8_t scale = 0;
    std::uint16_t number = 0;
    std::uint16_t varIndex = 0;
    std::uint16_t fixedOffset = 0;

    bool fixed() const {
        return type == kTypeInteger || type == kTypeLong || type == kTypeDateTime ||
               type == kTypeNumeric;
    }
    bool longValue() const { return type == kTypeMemo || type == kTypeOle; }
    bool unicode() const { return type == kTypeText || type == kTypeMemo; }
    std::uint16_t length() const {
        switch (type) {
            case kTypeInteger:
                return 2;
            case kTypeLong:
                return 4;
            case kTypeDateTime:
                return 8;
            case kTypeNumeric:
                return 17;
            case kTypeText:
                return 2 * kMaxTextChars;
            case kTypeBinary:
                return 255;
            default:
                return 0;  // long values live outside the row
        }
    }
};

// Column numbers, fixed-data offsets and variable-data slots; as in Access, long values take
// the last variable slots so the shorter columns keep their place in the row.
struct Layout {
    std::vector<ColumnDef> columns;
    std::vector<std::size_t> varOrder;  // column indexes by variable slot
    std::size_t fixedBytes = 0;
};

Layout makeLayout(std::vector<ColumnDef> columns) {
    Layout layout;
    std::size_t shortSlots = std::count_if(columns.begin(), columns.end(), [](const ColumnDef& c) {
        return !c.fixed() && !c.longValue();
    });
    std::uint16_t nextShort = 0;
    auto nextLong = static_cast<std::uint16_t>(shortSlots);
    for (std::size_t i = 0; i < columns.size(); ++i) {
        ColumnDef& column = columns[i];
        column.number = static_cast<std::uint16_t>(i);
        if (column.fixed()) {
            // A fixed column carries the next variable slot, as Access writes it.
            column.varIndex = nextShort;
            column.fixedOffset = static_cast<std::uint16_t>(layout.fixedBytes);
            layout.fixedBytes += column.length();
        } else {
            column.varIndex = column.longValue() ? nextLong++ : nextShort++;
        }
    }
    layout.varOrder.resize(nextLong);
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (!columns[i].fixed()) {
            layout.varOrder[columns[i].varIndex] = i;
        }
    }
    layout.columns = std::move(columns);
    return layout;
}

// A Jet 4 row: column count, fixed data, variable data, then from the end backwards the null
// mask (a set bit is a value), the number of variable columns, their offsets in reverse order
// and the offset where variable data ends.
Bytes encodeRow(const Layout& layout, const std::vector<Cell>& cells) {
    const std::size_t count = layout.columns.size();
    Bytes row(2 + layout.fixedBytes, 0);
    put16(&row[0], static_cast<std::uint32_t>(count));
    Bytes nullMask((count + 7) / 8, 0);
    for (std::size_t i = 0; i < count; ++i) {
        const ColumnDef& column = layout.columns[i];
        if (cells[i]) {
            nullMask[i / 8] |= static_cast<std::uint8_t>(1 << (i % 8));
            if (column.fixed()) {
                std::copy(cells[i]->begin(), cells[i]->end(), row.begin() + 2 + column.fixedOffset);
            }
        }
    }
    if (!layout.varOrder.empty()) {
        std::vector<std::uint32_t> offsets;
        for (std::size_t i : layout.varOrder) {
            offsets.push_back(static_cast<std::uint32_t>(row.size()));
            if (cells[i]) {
                row.insert(row.end(), cells[i]->begin(), cells[i]->end());
            }
        }
        append16(row, static_cast<std::uint32_t>(row.size()));
        for (auto it = offsets.rbegin(); it != offsets.rend(); ++it) {
            append16(row, *it);
        }
        append16(row, static_cast<std::uint32_t>(offsets.size()));
    }
    row.insert(row.end(), nullMask.begin(), nullMask.end());
    return row;
}

// A memo field in the row: its length with flags, a pointer to its long-value row, and the
// data itself when it is short. Longer data goes to `longValues` in one row, or in a chain of
// rows that each point to the next; without `longValues` it is only sized.
Bytes encodeMemo(const Bytes& data, RowPages* longValues) {
    Bytes field(kMemoHeader, 0);
    std::uint32_t length = static_cast<std::uint32_t>(data.size());
    if (data.size() <= kInlineMemoBytes) {
        put32(&field[0], length | 0x80000000u);
        field.insert(field.end(), data.begin(), data.end());
    } else if (longValues != nullptr && data.size() <= kLongValueRowBytes) {
        put32(&field[0], length | 0x40000000u);
        put32(&field[4], longValues->add(data));
    } else if (longValues != nullptr) {
        // Written from the last piece to the first, so each piece knows where the next is.
        std::uint32_t next = 0;
        std::size_t pieces = (data.size() + kLongValueRowBytes - 1) / kLongValueRowBytes;
        for (std::size_t piece = pieces; piece-- > 0;) {
            auto begin = data.begin() + static_cast<std::ptrdiff_t>(piece * kLongValueRowBytes);
            auto end = data.begin() + static_cast<std::ptrdiff_t>(
                                          std::min(data.size(), (piece + 1) * kLongValueRowBytes));
            Bytes row = bytesOf32(next);
            row.insert(row.end(), begin, end);
            next = longValues->add(row);
        }
        put32(&field[0], length);
        put32(&field[4], next);
    }
    return field;
}

bool validName(const std::u16string& name) {
    return !name.empty() && name.size() <= kMaxNameChars && name.front() != u' ' &&
           std::none_of(name.begin(), name.end(), [](char16_t c) {
               return c < 0x20 || c == u'.' || c == u'!' || c == u'`' || c == u'[' || c == u']';
           });
}

std::u16string foldCase(std::u16string name) {
    for (char16_t& c : name) {
        if (c >= u'a' && c <= u'z') {
            c = static_cast<char16_t>(c - u'a' + u'A');
        }
    }
    return name;
}

void checkName(const std::string& name, const std::string& what, const std::string& where) {
    std::u16string text;
    if (!appendUcs2(name, text) || !validName(text)) {
        throw Error(kErrNotValidName, where + "：" + what + quoted(name) +
                                          "不是有效的名称（不能为空、不超过 64 个字符、不含 "
                                          ". ! ` [ ] 和控制字符、不以空格开头）");
    }
}

void checkDefinition(const TableData& table, const Place& place) {
    checkName(table.name, "表名", place(0));
    if (table.columns.empty()) {
        throw Error(kErrNoField, place(0) + "：表" + quoted(table.name) + "没有字段");
    }
    if (table.columns.size() > kMaxColumns) {
        throw Error(kErrTooManyFields, place(0) + "：表" + quoted(table.name) + "有 " +
                                           std::to_string(table.columns.size()) +
                                           " 个字段，最多 255 个");
    }
    std::vector<std::u16string> seen;
    for (const Column& column : table.columns) {
        checkName(column.name, "字段名", place(0));
        if (column.type == ColumnType::Decimal &&
            (column.precision < 1 || column.precision > kMaxDecimalDigits ||
             column.scale > column.precision)) {
            throw Error(kErrConversion, place(0) + "：小数字段" + quoted(column.name) +
                                            "的精度应为 1 到 28，小数位数不超过精度");
        }
        std::u16string folded = foldCase(ucs2(column.name));
        if (std::find(seen.begin(), seen.end(), folded) != seen.end()) {
            throw Error(kErrFieldDefinedTwice,
                        place(0) + "：字段" + quoted(column.name) + "重复定义");
        }
        seen.push_back(std::move(folded));
    }
}

std::uint8_t typeCode(ColumnType type) {
    switch (type) {
        case ColumnType::LongInteger:
            return kTypeLong;
        case ColumnType::Text:
            return kTypeText;
        case ColumnType::Decimal:
            return kTypeNumeric;
        case ColumnType::Memo:
            break;
    }
    return kTypeMemo;
}

Layout userLayout(const TableData& table) {
    std::vector<ColumnDef> columns;
    for (const Column& column : table.columns) {
        columns.push_back(
            {ucs2(column.name), typeCode(column.type), column.precision, column.scale});
    }
    return makeLayout(std::move(columns));
}

// A Decimal value as Jet stores it: a sign byte, then the whole number of units of the scale in
// 128 bits, as four 32-bit words from the most significant on, each little-endian. Empty when
// the text is not a number of the form -123.45 that the column can hold.
std::optional<Bytes> decimalBytes(std::string_view text, const Column& column) {
    bool negative = text.starts_with('-');
    text.remove_prefix(negative ? 1 : 0);
    std::size_t point = std::min(text.find('.'), text.size());
    std::string_view whole = text.substr(0, point);
    std::string_view fraction = text.substr(std::min(point + 1, text.size()));
    auto digitsOnly = [](std::string_view part) {
        return std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (whole.empty() || !digitsOnly(whole) || !digitsOnly(fraction) ||
        (point < text.size() && fraction.empty()) || fraction.size() > column.scale) {
        return std::nullopt;
    }
    whole.remove_prefix(std::min(whole.find_first_not_of('0'), whole.size()));
    if (whole.size() > static_cast<std::size_t>(column.precision - column.scale)) {
        return std::nullopt;
    }
    std::string units = std::string(whole) + std::string(fraction) +
                        std::string(column.scale - fraction.size(), '0');
    std::array<std::uint32_t, 4> words{};  // least significant first
    for (char digit : units) {
        std::uint64_t carry = static_cast<std::uint64_t>(digit - '0');
        for (std::uint32_t& word : words) {
            std::uint64_t value = std::uint64_t{word} * 10 + carry;
            word = static_cast<std::uint32_t>(value);
            carry = value >> 32;
        }
    }
    bool zero = std::all_of(words.begin(), words.end(), [](std::uint32_t w) { return w == 0; });
    Bytes bytes{static_cast<std::uint8_t>(negative && !zero ? 0x80 : 0)};
    for (auto word = words.rbegin(); word != words.rend(); ++word) {
        append32(bytes, *word);
    }
    return bytes;
}

// The stored row of a user table. Memo data goes to the column's long-value pages, or is only
// sized when there are none.
Bytes encodeUserRow(const Layout& layout, const TableData& table, std::size_t index,
                    const std::vector<RowPages*>& longValues, const Place& place) {
    const std::vector<Value>& values = table.rows[index];
    if (values.size() != table.columns.size()) {
        throw Error(kErrNotExpectedFormat, place(index + 1) + "：有 " +
                                               std::to_string(values.size()) + " 个值，表" +
                                               quoted(table.name) + "有 " +
                                               std::to_string(table.columns.size()) + " 个字段");
    }
    std::vector<Cell> cells(values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (!values[i]) {
            continue;
        }
        const Column& column = table.columns[i];
        const std::string& value = *values[i];
        auto fault = [&](std::int32_t number, const std::string& problem) {
            return Error(number,
                         place(index + 1) + "：字段" + quoted(column.name) + "的值" + problem);
        };
        if (column.type == ColumnType::LongInteger) {
            if (!isLongInteger(value)) {
                throw fault(kErrConversion,
                            quoted(value) + "不是长整型（-2147483648 到 2147483647）的整数");
            }
            std::int32_t number = 0;
            std::from_chars(value.data(), value.data() + value.size(), number);
            cells[i] = bytesOf32(static_cast<std::uint32_t>(number));
            continue;
        }
        if (column.type == ColumnType::Decimal) {
            cells[i] = decimalBytes(value, column);
            if (!cells[i]) {
                throw fault(kErrConversion, quoted(value) + "不是精度 " +
                                                std::to_string(column.precision) + "、小数位数 " +
                                                std::to_string(column.scale) +
                                                " 的小数字段能存放的数");
            }
            continue;
        }
        std::u16string text;
        std::size_t bad = 0;
        if (!appendUcs2(value, text, &bad)) {
            throw fault(kErrConversion, "在第 " + std::to_string(bad + 1) +
                                            " 个字节处不是 UTF-8 编码的基本平面字符");
        }
        std::size_t limit = column.type == ColumnType::Text ? kMaxTextChars : kMaxMemoChars;
        if (text.size() > limit) {
            throw fault(kErrFieldTooSmall, "有 " + std::to_string(text.size()) +
                                               " 个字符，超过了字段能容纳的 " +
                                               std::to_string(limit) + " 个");
        }
        if (column.type == ColumnType::Text) {
            cells[i] = encodeText(text, true);
        } else {
            cells[i] =
                encodeMemo(encodeText(text, text.size() <= kMaxCompressedChars), longValues[i]);
        }
    }
    Bytes row = encodeRow(layout, cells);
    if (row.size() > kMaxRowSize) {
        throw Error(kErrRecordTooLarge, place(index + 1) + "：记录有 " +
                                            std::to_string(row.size()) +
                                            " 字节，超过了一页能存放的 4060 字节");
    }
    return row;
}

// The table definition: header, column descriptions, column names, the usage maps of the
// long-value columns and the end mark. Map pointers are row pointers (row in the low byte).
Bytes tableDefinition(const Layout& layout, std::uint8_t tableType, std::uint32_t rowCount,
                      std::uint32_t ownedMap, std::uint32_t freeMap,
                      const std::vector<std::pair<std::uint32_t, std::uint32_t>>& longValueMaps) {
    Bytes bytes(63, 0);
    bytes[0] = 0x02;
    bytes[1] = 0x01;
    put32(&bytes[12], kTableMagic);
    put32(&bytes[16], rowCount);
    bytes[24] = 0x01;  // lets Access hand out autonumbers
    bytes[40] = tableType;
    const auto count = static_cast<std::uint32_t>(layout.columns.size());
    put16(&bytes[41], count);
    put16(&bytes[43], static_cast<std::uint32_t>(layout.varOrder.size()));
    put16(&bytes[45], count);
    put32(&bytes[55], ownedMap);
    put32(&bytes[59], freeMap);
    for (const ColumnDef& column : layout.columns) {
        bytes.push_back(column.type);
        append32(bytes, kTableMagic);
        append16(bytes, column.number);
        append16(bytes, column.varIndex);
        append16(bytes, column.number);
        if (column.unicode()) {
            append16(bytes, kSortGeneral);
            append16(bytes, 0);  // sort order version 0: "General" of Access 2000
        } else if (column.type == kTypeNumeric) {
            bytes.push_back(column.precision);
            bytes.push_back(column.scale);
            append16(bytes, 0);
        } else {
            append32(bytes, 0);
        }
        bytes.push_back(column.fixed() ? kFlagFixed | kFlagUpdatable : kFlagUpdatable);
        bytes.push_back(column.unicode() ? kExtFlagCompressedUnicode : 0);
        append32(bytes, 0);
        append16(bytes, column.fixedOffset);
        append16(bytes, column.length());
    }
    for (const ColumnDef& column : layout.columns) {
        append16(bytes, static_cast<std::uint32_t>(column.name.size() * 2));
        Bytes name = ucs2Bytes(column.name);
        bytes.insert(bytes.end(), name.begin(), name.end());
    }
    std::size_t next = 0;
    for (const ColumnDef& column : layout.columns) {
        if (column.longValue()) {
            append16(bytes, column.number);
            append32(bytes, longValueMaps[next].first);
            append32(bytes, longValueMaps[next].second);
            ++next;
        }
    }
    append16(bytes, 0xFFFF);
    put32(&bytes[8], static_cast<std::uint32_t>(bytes.size()));
    return bytes;
}

std::size_t definitionPageCount(std::size_t bytes) {
    constexpr std::size_t kFollowPage = kPageSize - 8;
    return bytes <= kPageSize ? 1 : 1 + (bytes - kPageSize + kFollowPage - 1) / kFollowPage;
}

// One table being written: its definition pages are taken first and its usage maps follow,
// as Access places them; rows and long values go on pages taken as they fill.
class TableStore {
public:
    TableStore(PageFile& file, Layout layout, std::uint8_t tableType)
        : file_(file), layout_(std::move(layout)), tableType_(tableType), maps_(file, 0) {
        std::size_t longColumns = 0;
        for (const ColumnDef& column : layout_.columns) {
            longColumns += column.longValue() ? 1 : 0;
        }
        std::vector<std::pair<std::uint32_t, std::uint32_t>> noMaps(longColumns);
        std::size_t size = tableDefinition(layout_, tableType_, 0, 0, 0, noMaps).size();
        for (std::size_t i = definitionPageCount(size); i > 0; --i) {
            definitionPages_.push_back(file_.allocate());
        }
        maps_.newPage();
        rows_.emplace(file_, definitionPages_.front());
        for (const ColumnDef& column : layout_.columns) {
            if (column.longValue()) {
                longValuePages_.push_back(std::make_unique<RowPages>(file_, kLongValueOwner));
            }
            longValues_.push_back(column.longValue() ? longValuePages_.back().get() : nullptr);
        }
    }

    const Layout& layout() const { return layout_; }
    std::uint32_t definitionPage() const { return definitionPages_.front(); }
    // Long-value pages by column, null for the other columns.
    const std::vector<RowPages*>& longValues() const { return longValues_; }

    void addRow(const Bytes& row) {
        rows_->add(row);
        ++rowCount_;
    }

    // Writes the usage maps and the definition once all rows are stored. Maps of pages with
    // free space stay empty: Access then takes new pages for rows it adds.
    void finish() {
        std::vector<std::uint32_t> none;
        auto mapPair = [&](const std::vector<std::uint32_t>& owned) {
            Bytes ownedMap = usageMap(file_, owned);
            maps_.makeRoom(2 * kUsageMapBytes, 2);  // both maps of an owner share a page
            std::uint32_t ownedRow = maps_.add(ownedMap);
            return std::make_pair(ownedRow, maps_.add(usageMap(file_, none)));
        };
        auto [owned, free] = mapPair(rows_->pages());
        std::vector<std::pair<std::uint32_t, std::uint32_t>> longValueMaps;
        for (const auto& pages : longValuePages_) {
            longValueMaps.push_back(mapPair(pages->pages()));
        }
        Bytes definition =
            tableDefinition(layout_, tableType_, rowCount_, owned, free, longValueMaps);
        writeDefinition(definition);
    }

private:
    // The first page takes the definition as it is; each further page repeats the 8-byte page
    // header and continues the definition, linked from the page before.
    void writeDefinition(const Bytes& definition) {
        std::size_t done = 0;
        for (std::size_t i = 0; i < definitionPages_.size(); ++i) {
            Page& page = file_[definitionPages_[i]];
            std::size_t start = i == 0 ? 0 : 8;
            std::size_t length = std::min(kPageSize - start, definition.size() - done);
            std::copy_n(definition.begin() + static_cast<std::ptrdiff_t>(done), length,
                        page.begin() + static_cast<std::ptrdiff_t>(start));
            done += length;
            page[0] = 0x02;
            page[1] = 0x01;
            std::size_t used = start + length;
            put16(&page[2],
                  static_cast<std::uint32_t>(used + 8 < kPageSize ? kPageSize - used - 8 : 0));
            put32(&page[4], i + 1 < definitionPages_.size() ? definitionPages_[i + 1] : 0);
        }
    }

    PageFile& file_;
    Layout layout_;
    std::uint8_t tableType_;
    std::vector<std::uint32_t> definitionPages_;
    RowPages maps_;
    std::optional<RowPages> rows_;
    std::vector<std::unique_ptr<RowPages>> longValuePages_;
    std::vector<RowPages*> longValues_;
    std::uint32_t rowCount_ = 0;
};

// MSysObjects with the columns Access gives it; the catalog rows name every object, and a
// table's Id is the page of its definition.
Layout catalogLayout() {
    std::vector<ColumnDef> columns;
    for (auto [name, type] : std::initializer_list<std::pair<const char16_t*, std::uint8_t>>{
             {u"Id", kTypeLong},
             {u"ParentId", kTypeLong},
             {u"Name", kTypeText},
             {u"Type", kTypeInteger},
             {u"DateCreate", kTypeDateTime},
             {u"DateUpdate", kTypeDateTime},
             {u"Owner", kTypeBinary},
             {u"Flags", kTypeLong},
             {u"Database", kTypeMemo},
             {u"Connect", kTypeMemo},
             {u"ForeignName", kTypeText},
             {u"RmtInfoShort", kTypeBinary},
             {u"RmtInfoLong", kTypeOle},
             {u"Lv", kTypeOle},
             {u"LvProp", kTypeOle},
             {u"LvModule", kTypeOle},
             {u"LvExtra", kTypeOle},
         }) {
        columns.push_back({name, type});
    }
    return makeLayout(std::move(columns));
}

constexpr std::uint32_t kDatabasesId = 0x0F000000;
constexpr std::uint32_t kTablesId = 0x0F000001;
constexpr std::uint32_t kRelationshipsId = 0x0F000002;
constexpr std::uint16_t kObjectTable = 1;
constexpr std::uint16_t kObjectContainer = 3;
constexpr std::uint32_t kSystemObject = 0x80000000;
constexpr std::uint32_t kSystemTableFlags = 0x80000002;

Bytes catalogRow(const Layout& layout, std::uint32_t id, std::uint32_t parentId,
                 const std::string& name, std::uint16_t type, std::uint32_t flags, double created) {
    std::vector<Cell> cells(layout.columns.size());
    Bytes date = bytesOf64(std::bit_cast<std::uint64_t>(created));
    cells[0] = bytesOf32(id);
    cells[1] = bytesOf32(parentId);
    cells[2] = encodeText(ucs2(name), true);
    cells[3] = Bytes{static_cast<std::uint8_t>(type), static_cast<std::uint8_t>(type >> 8)};
    cells[4] = date;
    cells[5] = date;
    cells[6] = Bytes{0xA6, 0x33};  // the owner Access records for its default user, Admin
    cells[7] = bytesOf32(flags);
    return encodeRow(layout, cells);
}

// RC4, with which Jet 4 masks part of the header page.
void applyRc4(const std::array<std::uint8_t, 4>& key, std::uint8_t* data, std::size_t length) {
    std::array<std::uint8_t, 256> state;
    for (std::size_t i = 0; i < state.size(); ++i) {
        state[i] = static_cast<std::uint8_t>(i);
    }
    std::uint8_t j = 0;
    for (std::size_t i = 0; i < state.size(); ++i) {
        j = static_cast<std::uint8_t>(j + state[i] + key[i % key.size()]);
        std::swap(state[i], state[j]);
    }
    std::uint8_t a = 0;
    std::uint8_t b = 0;
    for (std::size_t k = 0; k < length; ++k) {
        a = static_cast<std::uint8_t>(a + 1);
        b = static_cast<std::uint8_t>(b + state[a]);
        std::swap(state[a], state[b]);
        data[k] ^= state[static_cast<std::uint8_t>(state[a] + state[b])];
    }
}

// Page 0: engine name, Jet version 4 and, masked, the code page, no page encryption, an empty
// password (stored masked with the creation date, as Jet 4 does), sort order and creation date.
void writeHeader(Page& page, double created) {
    page[1] = 0x01;
    std::memcpy(&page[4], "Standard Jet DB", 15);
    put32(&page[0x14], 1);
    put16(&page[0x3C], kCodePage);
    Bytes dateMask = bytesOf32(static_cast<std::uint32_t>(static_cast<std::int32_t>(created)));
    for (std::size_t i = 0; i < 40; ++i) {
        page[0x42 + i] = dateMask[i % 4];
    }
    put16(&page[0x6E], kSortGeneral);
    Bytes date = bytesOf64(std::bit_cast<std::uint64_t>(created));
    std::copy(date.begin(), date.end(), &page[0x72]);
    toggleHeaderMask(page.data());
}

// The global usage map on page 1 lists free pages; a new file has none. Its map pages must
// cover every page of the file, or Access would take the pages beyond them for free.
void writeGlobalMap(PageFile& file, RowPages& page1) {
    Bytes map(kUsageMapBytes, 0);
    map[0] = 0x01;
    for (std::size_t slot = 0; slot * kPagesPerMapPage < file.size(); ++slot) {
        std::uint32_t number = file.allocate();
        file[number][0] = 0x05;
        file[number][1] = 0x01;
        put32(&map[1 + 4 * slot], number);
    }
    page1.add(map);
}

// Days since 30 December 1899, the date of Access.
double accessNow() {
    return static_cast<double>(std::time(nullptr)) / 86400.0 + 25569.0;
}

}  // namespace

bool isLongInteger(std::string_view text) {
    std::string_view digits = text.substr(!text.empty() && text.front() == '-' ? 1 : 0);
    if (digits.empty() || (digits.front() == '0' && text.size() > 1)) {
        return false;
    }
    std::int32_t number = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    return error == std::errc() && end == text.data() + text.size();
}

void checkTable(const TableData& table, const std::function<std::string(std::size_t)>& place) {
    checkDefinition(table, place);
    Layout layout = userLayout(table);
    std::vector<RowPages*> sizingOnly(table.columns.size(), nullptr);
    for (std::size_t i = 0; i < table.rows.size(); ++i) {
        encodeUserRow(layout, table, i, sizingOnly, place);
    }
}

void toggleHeaderMask(std::uint8_t* page) {
    applyRc4({0xC7, 0xDA, 0x39, 0x6B}, page + 0x18, 128);
}

void writeDatabase(const std::vector<TableData>& tables, const ByteSink& out) {
    std::vector<std::u16string> names;
    for (const TableData& table : tables) {
        auto place = [&](std::size_t row) {
            return "表" + quoted(table.name) +
                   (row == 0 ? "的定义" : "第 " + std::to_string(row) + " 行");
        };
        checkDefinition(table, place);
        std::u16string folded = foldCase(ucs2(table.name));
        if (folded == u"MSYSOBJECTS" ||
            std::find(names.begin(), names.end(), folded) != names.end()) {
            throw Error(kErrTableExists, "表" + quoted(table.name) + "已存在");
        }
        names.push_back(std::move(folded));
    }

    const double created = accessNow();
    PageFile file;
    file.allocate();
    RowPages globalMap(file, 0);
    globalMap.newPage();
    TableStore catalog(file, catalogLayout(), kSystemTable);
    std::vector<std::uint32_t> definitionPages;
    for (const TableData& table : tables) {
        TableStore store(file, userLayout(table), kUserTable);
        auto place = [&](std::size_t row) {
            return "表" + quoted(table.name) + "第 " + std::to_string(row) + " 行";
        };
        for (std::size_t i = 0; i < table.rows.size(); ++i) {
            store.addRow(encodeUserRow(store.layout(), table, i, store.longValues(), place));
        }
        store.finish();
        definitionPages.push_back(store.definitionPage());
    }

    const Layout& layout = catalog.layout();
    catalog.addRow(catalogRow(layout, kDatabasesId, kDatabasesId, "Databases", kObjectContainer,
                              kSystemObject, created));
    catalog.addRow(catalogRow(layout, kTablesId, kDatabasesId, "Tables", kObjectContainer,
                              kSystemObject, created));
    catalog.addRow(catalogRow(layout, kRelationshipsId, kDatabasesId, "Relationships",
                              kObjectContainer, kSystemObject, created));
    catalog.addRow(catalogRow(layout, kCatalogPage, kTablesId, "MSysObjects", kObjectTable,
                              kSystemTableFlags, created));
    for (std::size_t i = 0; i < tables.size(); ++i) {
        catalog.addRow(catalogRow(layout, definitionPages[i], kTablesId, tables[i].name,
                                  kObjectTable, 0, created));
    }
    catalog.finish();
    writeGlobalMap(file, globalMap);
    writeHeader(file[0], created);
    for (const Page& page : file.pages()) {
        out(reinterpret_cast<const char*>(page.data()), page.size());
    }
}

}  // namespace veltrana::mkdb
