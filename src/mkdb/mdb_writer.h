#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/data_access.h"

namespace veltrana::mkdb {

enum class ColumnType { LongInteger, Text, Memo, Decimal };

struct Column {
    std::string name;
    ColumnType type;
    // Of a Decimal column: its digits in all (1 to 28) and after the point (at most precision).
    std::uint8_t precision = 18;
    std::uint8_t scale = 0;
};

struct TableData {
    std::string name;
    std::vector<Column> columns;
    std::vector<std::vector<Value>> rows;  // a number is its decimal text, "-12.5"
};

// Numbers of the faults Access reports when it refuses the same definition or value.
inline constexpr std::int32_t kErrTableExists = 3010;
inline constexpr std::int32_t kErrRecordTooLarge = 3047;
inline constexpr std::int32_t kErrNotValidName = 3125;
inline constexpr std::int32_t kErrFieldTooSmall = 3163;
inline constexpr std::int32_t kErrTooManyFields = 3190;
inline constexpr std::int32_t kErrFieldDefinedTwice = 3191;
inline constexpr std::int32_t kErrNoField = 3264;
inline constexpr std::int32_t kErrNotExpectedFormat = 3274;
inline constexpr std::int32_t kErrConversion = 3421;

// Whole numbers of the Long Integer range in the one form that reads back unchanged: an
// optional "-", no leading zeros, no "+", no "-0".
bool isLongInteger(std::string_view text);

// Refuses, as Access would, what cannot be stored: names that are empty, longer than 64
// characters, hold . ! ` [ ] or control characters or start with a blank; repeated column names
// (without regard to case); no or more than 255 columns; a Decimal column of a precision outside
// 1 to 28 or a scale above it; values that are not whole numbers in a Long Integer column, or
// that a Decimal column cannot hold; texts over 255 characters; rows that do not fit a data page.
// The description starts with place(0) for faults of the definition and place(i) for the i-th
// row.
void checkTable(const TableData& table, const std::function<std::string(std::size_t)>& place);

// Takes the bytes of a file in order; whatever it throws ends the writing.
using ByteSink = std::function<void(const char* data, std::size_t size)>;

// Writes the tables as a new Access 2000 (Jet 4) file into out. Every table is checked before
// the first byte goes out; the file itself is the caller's business.
void writeDatabase(const std::vector<TableData>& tables, const ByteSink& out);

// Jet hides part of the header page (page 0) under RC4 with a fixed key. Masking and unmasking
// are the same operation; tests use it to set header fields of a written file.
void toggleHeaderMask(std::uint8_t* page);

}  // namespace veltrana::mkdb
