#pragma once

#include <string>
#include <vector>

#include "mkdb/mdb_writer.h"

namespace veltrana::test {

// A science class: the students in row order with IDs 1..n, the six course rows, and in each
// science subject table the knowledge points "<table>知识点1".."<table>知识点<points>".
inline std::vector<mkdb::TableData> scienceClass(const std::vector<std::string>& students,
                                                 int points) {
    using mkdb::ColumnType;
    mkdb::TableData studentTable{"Students",
                                 {{"ID", ColumnType::LongInteger},
                                  {"UserName", ColumnType::Text},
                                  {"Attrib", ColumnType::Text}},
                                 {}};
    for (std::size_t i = 0; i < students.size(); ++i) {
        studentTable.rows.push_back({std::to_string(i + 1), students[i], "理科"});
    }
    mkdb::TableData courses{"Bflearning",
                            {{"ID", ColumnType::LongInteger},
                             {"Coursesli", ColumnType::Text},
                             {"Courseswen", ColumnType::Text}},
                            {}};
    const char* science[] = {"语文", "数学", "英语", "物理", "化学", "生物"};
    const char* other[] = {"语文", "数学", "英语", "政治", "历史", "地理"};
    std::vector<mkdb::TableData> tables{studentTable};
    for (int k = 0; k < 6; ++k) {
        courses.rows.push_back({std::to_string(k + 1), science[k], other[k]});
        mkdb::TableData subject{
            science[k], {{"ID", ColumnType::LongInteger}, {"KN", ColumnType::Text}}, {}};
        for (int p = 1; p <= points; ++p) {
            subject.rows.push_back(
                {std::to_string(p), std::string(science[k]) + "知识点" + std::to_string(p)});
        }
        tables.push_back(subject);
    }
    tables.insert(tables.begin() + 1, courses);
    return tables;
}

}  // namespace veltrana::test
