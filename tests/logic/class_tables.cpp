#include "logic/class_tables.h"

#include <algorithm>
#include <fstream>

#include "db/queries.h"
#include "support/class_db.h"

namespace veltrana::test {

namespace {

using mkdb::ColumnType;

TableData threeColumns(const std::string& name, const std::vector<std::string>& columns,
                       const std::vector<Row3>& rows) {
    TableData table{name,
                    {{columns[0], ColumnType::LongInteger},
                     {columns[1], ColumnType::Text},
                     {columns[2], ColumnType::Text}},
                    {}};
    for (const Row3& row : rows) {
        table.rows.push_back({row.begin(), row.end()});
    }
    return table;
}

}  // namespace

TableData studentsTable(const std::vector<Row3>& rows) {
    return threeColumns("Students", {"ID", "UserName", "Attrib"}, rows);
}

TableData coursesTable(const std::vector<Row3>& rows) {
    return threeColumns("Bflearning", {"ID", "Coursesli", "Courseswen"}, rows);
}

TableData subjectTable(const std::string& name, const std::vector<Value>& points) {
    TableData table{name, {{"ID", ColumnType::LongInteger}, {"KN", ColumnType::Text}}, {}};
    for (std::size_t i = 0; i < points.size(); ++i) {
        table.rows.push_back({std::to_string(i + 1), points[i]});
    }
    return table;
}

std::vector<TableData> makeClass(int students, int points, const std::string& attrib) {
    std::vector<Row3> studentRows;
    for (int i = 1; i <= students; ++i) {
        studentRows.push_back({std::to_string(i), "学生" + std::to_string(i), attrib});
    }
    std::vector<Row3> courseRows;
    for (std::size_t k = 0; k < 6; ++k) {
        courseRows.push_back(
            {std::to_string(k + 1), kScienceSubjects[k].table, kOtherSubjects[k].table});
    }
    std::vector<TableData> tables{studentsTable(studentRows), coursesTable(courseRows)};
    for (const char* name :
         {"语文", "数学", "英语", "物理", "化学", "生物", "政治", "历史", "地理"}) {
        std::vector<Value> names;
        for (int i = 1; i <= points; ++i) {
            names.push_back(std::string(name) + "知识点" + std::to_string(i));
        }
        tables.push_back(subjectTable(name, names));
    }
    return tables;
}

TableData& tableNamed(std::vector<TableData>& tables, const std::string& name) {
    auto it = std::find_if(tables.begin(), tables.end(),
                           [&name](const TableData& t) { return t.name == name; });
    if (it == tables.end()) {
        throw Error(err::kTableNotFound, "no table " + name);
    }
    return *it;
}

void dropTable(std::vector<TableData>& tables, const std::string& name) {
    std::erase_if(tables, [&name](const TableData& t) { return t.name == name; });
}

std::filesystem::path u8path(const std::string& path) {
    return std::filesystem::path(std::u8string(path.begin(), path.end()));
}

void writeFile(const std::string& path, const std::string& content) {
    std::filesystem::create_directories(u8path(path).parent_path());
    std::ofstream(u8path(path), std::ios::binary) << content;
}

std::string readFile(const std::string& path) {
    std::ifstream in(u8path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string backendName(const ::testing::TestParamInfo<Backend>& info) {
    return info.param == Backend::kMemory ? "Memory" : "AccessFile";
}

ClassTest::ClassTest()
    : window(dir.path(),
             GetParam() == Backend::kMemory ? static_cast<DataAccess&>(memory) : accessFiles) {}

void ClassTest::useClass(const std::vector<TableData>& tables) {
    if (GetParam() == Backend::kAccessFile) {
        writeClassDb(dir.path(), tables);
        return;
    }
    memory.tables.clear();
    for (const TableData& t : tables) {
        Table& table = memory.tables[t.name];
        for (const auto& column : t.columns) {
            table.columns.push_back(column.name);
        }
        table.rows = t.rows;
    }
}

}  // namespace veltrana::test
