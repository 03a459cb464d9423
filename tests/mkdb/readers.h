#pragma once

#include <string>
#include <vector>

#include "platform/data_access.h"

namespace veltrana::test {

struct ProcessResult {
    int exitCode;
    std::string out;
    std::string err;
};

// Runs a program with its arguments, no shell in between, and collects what it prints.
ProcessResult runProgram(const std::vector<std::string>& args);

// The table as mdbtools' own mdb-export gives it: column names and rows, Null where mdb-export
// prints its Null mark.
Table readWithMdbExport(const std::string& file, const std::string& table);

// The table as the program reads it, through the project's data access layer.
Table readWithOurLayer(const std::string& file, const std::string& table);

}  // namespace veltrana::test
