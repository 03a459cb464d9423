#pragma once

#include <string>
#include <vector>

#include "mkdb/findings.h"
#include "mkdb/mdb_writer.h"
#include "platform/file_system.h"

namespace veltrana::mkdb {

struct RosterName {
    std::size_t line;
    std::string name;  // blanks around it, full-width ones too, trimmed
};

struct Roster {
    std::string where;  // the file, and the sheet of a workbook, for messages
    std::vector<RosterName> names;
};

// The names of a class roster: the first sheet of an Excel workbook (.xlsx or .xls), or a CSV
// or text file in any encoding readTextFile takes. The header is the first row, among the first
// ten, with a cell 姓名, UserName or name (in any case); the title rows above it are skipped, and
// the names are that column below it. Without such a header, a roster whose rows all hold one
// cell is a list of names. Rows whose cells are all blank are skipped. Fails naming the file
// (and sheet and row) when it cannot be read, is protected by a password, has no name column
// or no name at all.
Roster readRoster(const std::string& file);

// Faults for names that cannot have a folder; warnings for names whose folder drops trailing
// blanks or dots and for names used twice (those students share one set of folders).
Findings checkRoster(const Roster& roster);

// "文件“…”第 5 行：" and the like, naming the row of the roster.
std::string rowOf(const Roster& roster, std::size_t line);

// The nine subject tables in their usual order: 语文 … 生物, then 政治, 历史, 地理.
std::vector<std::string> subjectTableNames();

// The standard senior-high knowledge points built into the program, one table per subject.
std::vector<TableData> builtInPoints();

// Writes the class database of the roster at out, students numbered in roster order, with the
// stream (理科 or 文科) and the subject tables given. Never over a file that is there (58), and
// whole or not at all. A roster with faults must not get here: its names are checked again as
// the Students table, each fault naming its row.
void writeClass(FileSystem& files, const std::string& out, const Roster& roster,
                const std::string& stream, std::vector<TableData> subjects);

// writeDatabase into a new file at out, which lands as the uploads do: flushed to the disk under
// a temporary name, then renamed only if out is free, so a failure leaves nothing and a file that
// is there, or comes meanwhile, is never replaced (58).
void writeNewDatabase(FileSystem& files, const std::string& out,
                      const std::vector<TableData>& tables);

// The tables of a class: Students with IDs 1..N in the order given, each with `attrib`;
// Bflearning with the six courses of both streams; then the subject tables as given.
std::vector<TableData> classTables(const std::vector<std::string>& students,
                                   const std::string& attrib, std::vector<TableData> subjects);

}  // namespace veltrana::mkdb
