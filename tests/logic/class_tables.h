#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "mkdb/mdb_writer.h"
#include "platform/mdb/mdb_connection.h"
#include "support/fakes.h"

// Class databases for the handler tests, served either from memory or from a real Access file
// written by the project's writer and read back by the project's reader.

namespace veltrana::test {

using mkdb::TableData;
using Row3 = std::array<Value, 3>;

TableData studentsTable(const std::vector<Row3>& rows);  // ID, UserName, Attrib
TableData coursesTable(const std::vector<Row3>& rows);   // ID, Coursesli, Courseswen
TableData subjectTable(const std::string& name, const std::vector<Value>& points);  // ID 1..n

// n students 学生1..n with the given Attrib, the six Bflearning rows, and in each of the nine
// subject tables the knowledge points "<table>知识点1".."<table>知识点<points>".
std::vector<TableData> makeClass(int students, int points, const std::string& attrib = "理科");

TableData& tableNamed(std::vector<TableData>& tables, const std::string& name);
void dropTable(std::vector<TableData>& tables, const std::string& name);

// Files of the tests: UTF-8 paths, folders made as needed.
std::filesystem::path u8path(const std::string& path);
void writeFile(const std::string& path, const std::string& content = "x");
std::string readFile(const std::string& path);

enum class Backend { kMemory, kAccessFile };
std::string backendName(const ::testing::TestParamInfo<Backend>& info);
inline const auto kBackends = ::testing::Values(Backend::kMemory, Backend::kAccessFile);

// A program folder in a temporary directory with the window's fakes over it.
class ClassTest : public ::testing::TestWithParam<Backend> {
protected:
    ClassTest();

    // Makes tables the class database: DataBases.mdb beside the program, or the same tables
    // in memory. A connection open before sees the new tables only once connected again.
    void useClass(const std::vector<TableData>& tables);
    std::string data() const { return dir.path() + kSeparator + "Data"; }
    std::string under(const std::string& relative) const { return data() + kSeparator + relative; }

    TempDir dir;
    FakeDataAccess memory;
    MdbDataAccess accessFiles;
    FakeWindow window;
    Form& form = window.form;
};

}  // namespace veltrana::test
