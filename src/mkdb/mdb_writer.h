#pragma once

#include <string>
#include <vector>

#include "platform/data_access.h"

namespace veltrana::mkdb {

enum class ColumnType { LongInteger, Text, Memo };

struct Column {
    std::string name;
    ColumnType type;
};

struct TableData {
    std::string name;
    std::vector<Column> columns;
    std::vector<std::vector<Value>> rows;  // a LongInteger value is its decimal text
};

// Writes the tables as a new Access 2000 (Jet 4) file at path. The file is written under a
// temporary name beside path and renamed into place at the end, so a failure leaves no file.
void writeDatabase(const std::string& path, const std::vector<TableData>& tables);

}  // namespace veltrana::mkdb
