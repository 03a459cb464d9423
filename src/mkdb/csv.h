#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "mkdb/mdb_writer.h"

namespace veltrana::mkdb {

struct CsvRecord {
    std::size_t line;  // where the record starts; a quoted field may run over several lines
    std::vector<std::string> fields;
};

// The records of CSV text: RFC 4180 quoting, CRLF or LF lines, fields separated by commas or by
// tabs, whichever the first line holds more of (a spreadsheet's "Unicode text" has tabs).
// Faults name `where` and the line.
std::vector<CsvRecord> csvRecords(std::string_view text, const std::string& where);

// The table of CSV text. The header row names the fields. A column whose values are all whole
// numbers of the Long Integer range, written as they read back (no leading zeros, no "+"),
// becomes LongInteger, so 007 stays text; any other column is Text, or Memo where a value is
// longer than 255 characters. A column without any value is Text. Empty cells are Null.
TableData csvTable(std::string name, std::string_view text, const std::string& where);

// The table of a CSV file in any encoding readTextFile takes, named after the file without
// ".csv".
TableData readCsvFile(const std::string& file);

// Every *.csv file of the folder, in the order of their names.
std::vector<TableData> readCsvFolder(const std::string& folder);

}  // namespace veltrana::mkdb
