#include "support/class_db.h"

#include <algorithm>
#include <stdexcept>

namespace veltrana::test {

using mkdb::ColumnType;

std::vector<std::string> numberedStudents(int count) {
    std::vector<std::string> names;
    for (int i = 1; i <= count; ++i) {
        names.push_back("学生" + std::to_string(i));
    }
    return names;
}

std::vector<TableData> classTables(const std::vector<std::string>& students, int points,
                                   const std::string& attrib) {
    const char* science[] = {"语文", "数学", "英语", "物理", "化学", "生物"};
    const char* other[] = {"语文", "数学", "英语", "政治", "历史", "地理"};
    std::vector<TableData> tables{{"Students",
                                   {{"ID", ColumnType::LongInteger},
                                    {"UserName", ColumnType::Text},
                                    {"Attrib", ColumnType::Text}},
                                   {}},
                                  {"Bflearning",
                                   {{"ID", ColumnType::LongInteger},
                                    {"Coursesli", ColumnType::Text},
                                    {"Courseswen", ColumnType::Text}},
                                   {}}};
    for (std::size_t i = 0; i < students.size(); ++i) {
        tables[0].rows.push_back({std::to_string(i + 1), students[i], attrib});
    }
    for (int k = 0; k < 6; ++k) {
        tables[1].rows.push_back({std::to_string(k + 1), science[k], other[k]});
        std::string name = attrib == "理科" ? science[k] : other[k];
        TableData subject{name, {{"ID", ColumnType::LongInteger}, {"KN", ColumnType::Text}}, {}};
        for (int p = 1; p <= points; ++p) {
            subject.rows.push_back({std::to_string(p), name + "知识点" + std::to_string(p)});
        }
        tables.push_back(subject);
    }
    return tables;
}

TableData& tableNamed(std::vector<TableData>& tables, const std::string& name) {
    auto it = std::find_if(tables.begin(), tables.end(),
                           [&name](const TableData& t) { return t.name == name; });
    if (it == tables.end()) {
        throw std::invalid_argument("no table " + name);
    }
    return *it;
}

std::string writeClassDb(const std::filesystem::path& dir, const std::vector<TableData>& tables) {
    std::string path = (dir / "DataBases.mdb").string();
    mkdb::writeDatabase(path, tables);
    return path;
}

}  // namespace veltrana::test
