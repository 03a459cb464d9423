#pragma once

#include <filesystem>
#include <vector>

#include "mkdb/mdb_writer.h"

namespace veltrana::mkdb {

// Reads a UTF-8 CSV file (RFC 4180 quoting, an optional byte order mark, CRLF or LF lines) as
// the table named after the file, without ".csv". The header row names the fields. A column
// whose values are all whole numbers of the Long Integer range, written as they read back
// (no leading zeros, no "+"), becomes LongInteger, so 007 stays text; any other column is Text,
// or Memo where a value is longer than 255 characters. A column without any value is Text.
// Empty cells are Null. Faults name the file and the line.
TableData readCsvFile(const std::filesystem::path& file);

// Every *.csv file of the folder, in the order of their names.
std::vector<TableData> readCsvFolder(const std::filesystem::path& folder);

}  // namespace veltrana::mkdb
