#pragma once

#include <ostream>
#include <string>

#include "mkdb/findings.h"
#include "mkdb/new_class.h"
#include "platform/child_process.h"

namespace veltrana::mkdb {

// A roster as read and checked, what the 新建班级 dialog shows.
struct CheckedRoster {
    Roster roster;
    Findings findings;
};

// veltrana-mkdb --read-roster FILE: readRoster and checkRoster of the file, written to out one
// item a line, its fields after tabs (a backslash, tab, CR or LF in a field written as \\, \t,
// \r, \n), in UTF-8:
//   roster <where>, then name <row> <name> for each name, fault <text>, warning <text>, end
// or, when the file is refused: error <number> <description>, end.
// Returns the tool's exit status: 0 read, 1 refused.
int writeRosterReport(const std::string& file, std::ostream& out);

// readRoster and checkRoster of the file through the tool (the path of veltrana-mkdb, without
// ".exe") in a process of its own: a reader library that fails on a damaged workbook takes that
// process down, never the caller. A refusal is the tool's Error as it gave it; a tool that could
// not start (53), crashed, ran past its time or answered anything else (3274) gives an Error
// that says so.
CheckedRoster readRosterApart(ChildProcess& processes, const std::string& tool,
                              const std::string& file);

}  // namespace veltrana::mkdb
