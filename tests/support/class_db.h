#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "mkdb/mdb_writer.h"

namespace veltrana::test {

using mkdb::TableData;

// "学生1".."学生<count>".
std::vector<std::string> numberedStudents(int count);

// A subject table with the knowledge points "<name>知识点1".."<name>知识点<points>".
TableData subjectTable(const std::string& name, int points);

// A class: the students in row order with IDs 1..n and the given Attrib, the six Bflearning
// rows, and the six subject tables of the stream attrib names ("理科" science, anything else the
// other), each a subjectTable.
std::vector<TableData> classTables(const std::vector<std::string>& students, int points,
                                   const std::string& attrib = "理科");

TableData& tableNamed(std::vector<TableData>& tables, const std::string& name);

// Writes the tables as a real Access file "DataBases.mdb" in dir, in place of one that is there,
// the way the program writes a new class, and returns its path.
std::string writeClassDb(const std::string& dir, const std::vector<TableData>& tables);

}  // namespace veltrana::test
