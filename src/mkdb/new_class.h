#pragma once

#include <string>
#include <vector>

#include "mkdb/findings.h"
#include "mkdb/mdb_writer.h"

namespace veltrana::mkdb {

struct RosterName {
    std::size_t line;
    std::string name;  // blanks around it, full-width ones too, trimmed
};

// The names of a class roster saved from a spreadsheet, a CSV or text file in any encoding
// readTextFile takes: the column headed 姓名, UserName or name (in any case), or, without such
// a header, the one column of a file that has one. Rows whose cells are all blank are skipped.
// Fails naming the file (and line) when there is no name column or no name at all.
std::vector<RosterName> readRoster(const std::string& file);

// Faults for names that cannot have a folder; warnings for names whose folder drops trailing
// blanks or dots and for names used twice (those students share one set of folders).
Findings checkRoster(const std::vector<RosterName>& roster, const std::string& file);

// The nine subject tables in their usual order: 语文 … 生物, then 政治, 历史, 地理.
std::vector<std::string> subjectTableNames();

// The tables of a class: Students with IDs 1..N in the order given, each with `attrib`;
// Bflearning with the six courses of both streams; then the subject tables as given.
std::vector<TableData> classTables(const std::vector<std::string>& students,
                                   const std::string& attrib, std::vector<TableData> subjects);

}  // namespace veltrana::mkdb
