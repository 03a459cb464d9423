#include "support/class_db.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include "db/queries.h"
#include "mkdb/new_class.h"
#include "platform/fs/std_file_system.h"
#include "platform/utf8.h"

namespace veltrana::test {

using mkdb::ColumnType;

std::vector<std::string> numberedStudents(int count) {
    std::vector<std::string> names;
    for (int i = 1; i <= count; ++i) {
        names.push_back("学生" + std::to_string(i));
    }
    return names;
}

TableData subjectTable(const std::string& name, int points) {
    TableData table{name, {{"ID", ColumnType::LongInteger}, {"KN", ColumnType::Text}}, {}};
    for (int p = 1; p <= points; ++p) {
        table.rows.push_back({std::to_string(p), name + "知识点" + std::to_string(p)});
    }
    return table;
}

std::vector<TableData> classTables(const std::vector<std::string>& students, int points,
                                   const std::string& attrib) {
    std::vector<TableData> subjects;
    for (const SubjectTable& subject :
         subjectsFor(attrib == kScienceStream ? kScienceCourseField : kOtherCourseField)) {
        subjects.push_back(subjectTable(subject.table, points));
    }
    return mkdb::classTables(students, attrib, std::move(subjects));
}

TableData& tableNamed(std::vector<TableData>& tables, const std::string& name) {
    auto it = std::find_if(tables.begin(), tables.end(),
                           [&name](const TableData& t) { return t.name == name; });
    if (it == tables.end()) {
        throw std::invalid_argument("no table " + name);
    }
    return *it;
}

std::string writeClassDb(const std::string& dir, const std::vector<TableData>& tables) {
    std::string path = dir + kSeparator + "DataBases.mdb";
    std::error_code ignored;
    std::filesystem::remove(utf8Path(path), ignored);
    StdFileSystem files;
    mkdb::writeNewDatabase(files, path, tables);
    return path;
}

}  // namespace veltrana::test
