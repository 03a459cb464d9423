#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "mkdb/csv.h"

namespace veltrana::mkdb {

// The rows of one sheet of a workbook, every cell as text, each row with the number the
// spreadsheet shows it under. Cells after a row's last filled one are left off.
struct Sheet {
    std::string where;  // 文件“…”工作表“…”, for messages
    std::vector<CsvRecord> rows;
};

// Told by the first bytes, not by the name: a teacher's ".xls" is often a renamed .xlsx.
bool isZipFile(std::string_view bytes);
bool isCompoundFile(std::string_view bytes);  // .xls, and any workbook saved with a password

// The first visible sheet of an .xlsx workbook (Excel 2007 and later, WPS) held in bytes:
// shared, inline and rich text, and numbers written as the spreadsheet shows a whole number.
Sheet readXlsx(const std::string& file, std::string_view bytes);

// The first sheet of an Excel 97-2003 workbook. bytes are the file's, to tell a workbook saved
// with a password from a broken one.
Sheet readXls(const std::string& file, std::string_view bytes);

// A number cell as text: a whole number in digits ("20260301", never "2.0260301E7").
std::string numberText(double value);

}  // namespace veltrana::mkdb
