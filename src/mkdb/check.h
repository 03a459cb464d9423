#pragma once

#include <string>

#include "mkdb/findings.h"
#include "platform/data_access.h"

namespace veltrana::mkdb {

struct CheckReport {
    // Faults: what would stop the start-up or 生成文件夹. Warnings: what works but the teacher
    // should know.
    Findings findings;
    // The stream found and the numbers of students, tree nodes and the folders that 生成文件夹
    // would make; empty when the students could not be read.
    std::string summary;
};

// Reads the database file the way the program does (the same connection, record set and query
// texts) and gathers, all at once, everything the window would stumble on, each naming table,
// ID, field and value.
CheckReport checkDatabase(DataAccess& dataAccess, const std::string& file);

// "错误：…" and "警告：…" lines, one a finding; what the tool prints and the window shows.
std::string findingLines(const Findings& findings);

// The report as the teacher reads it: the findings, the numbers, and whether the program works.
std::string reportText(const CheckReport& report);

}  // namespace veltrana::mkdb
