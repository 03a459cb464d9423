#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "mkdb/mdb_writer.h"

namespace veltrana::test {

// Writes the tables as a real Access file "DataBases.mdb" in dir, with the project's own
// writer, and returns its path: a fixture for tests that read class databases.
std::string writeClassDb(const std::filesystem::path& dir,
                         const std::vector<mkdb::TableData>& tables);

}  // namespace veltrana::test
