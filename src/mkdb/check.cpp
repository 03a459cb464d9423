#include "mkdb/check.h"

#include <charconv>
#include <map>
#include <optional>
#include <set>

#include "db/connection.h"
#include "db/queries.h"
#include "platform/error.h"
#include "model/folder_name.h"

namespace veltrana::mkdb {

namespace {

using Rows = std::vector<std::vector<Value>>;

constexpr std::int32_t kMaxRows = 32767;  // the program counts rows in 16 bits

std::string shown(const Value& value) {
    return value ? "“" + *value + "”" : "Null";
}

std::string table(const std::string& name) {
    return "表“" + name + "”";
}

class Checker {
public:
    Checker(Connection& connection, Findings& findings)
        : connection_(connection), findings_(findings) {}

    void fault(std::string text) { findings_.faults.push_back(std::move(text)); }
    void warning(std::string text) { findings_.warnings.push_back(std::move(text)); }

    // The fields of every row, read as the program reads them; nothing, and the fault, where the
    // program would fail.
    std::optional<Rows> read(const char* query, const std::vector<std::string>& fields) {
        try {
            Recordset rs;
            rs.Open(query, connection_, kKeysetCursor, kLockOptimistic, kCommandUnspecified);
            std::int32_t count = rs.RecordCount();
            if (count > kMaxRows) {
                fault(table(tableOfQuery(query)) + "有 " + std::to_string(count) +
                      " 行，程序最多能读 32767 行");
                return std::nullopt;
            }
            Rows rows(static_cast<std::size_t>(count));
            for (std::vector<Value>& row : rows) {
                for (const std::string& field : fields) {
                    row.push_back(rs.Fields(field));
                }
                rs.MoveNext();
            }
            return rows;
        } catch (const Error& error) {
            fault(error.description());
            return std::nullopt;
        }
    }

    // The folder the name gets, as 生成文件夹 names it; empty, and a fault, when it gets none.
    std::string folderOf(const std::string& tableName, const Value& id, const std::string& field,
                         const Value& name) {
        std::string place = table(tableName) + "ID " + text(id) + " 的 " + field +
                            (name ? "“" + *name + "”" : std::string(" 为 Null，"));
        std::string folder = name ? folderNameFor(*name) : std::string();
        if (folder.empty()) {
            fault(place + "不能用作文件夹名称");
        } else if (folder != *name) {
            warning(place + "末尾的空格或句点不会出现在文件夹名中，文件夹是“" + folder + "”");
        }
        return folder;
    }

private:
    Connection& connection_;
    Findings& findings_;
};

// The tree keys a student by "父" and the ID and hangs course s under "父s", so the IDs must be
// exactly 1..N.
void checkStudentIds(Checker& checker, const Rows& students) {
    std::set<std::string> seen;
    for (const std::vector<Value>& row : students) {
        std::string id = text(row[0]);
        std::size_t number = 0;
        auto [end, error] = std::from_chars(id.data(), id.data() + id.size(), number);
        bool inRange = error == std::errc() && end == id.data() + id.size() && number >= 1 &&
                       number <= students.size() && std::to_string(number) == id;
        if (!inRange || !seen.insert(id).second) {
            checker.fault(table("Students") + "中 UserName 为 " + shown(row[1]) + " 的学生 ID 是 " +
                          shown(row[0]) + "：学生的 ID 应是 1 到 " +
                          std::to_string(students.size()) + "，每个用一次");
        }
    }
}

// A course node's key is "子", the student number and the course ID written together, so a
// course ID used twice, or IDs of different lengths (student 1 with course 12 and student 11
// with course 2 both give 子112), stop the tree at the first repeated key.
void checkCourseKeys(Checker& checker, const Rows& courses, std::size_t students) {
    std::map<std::string, std::pair<std::size_t, std::string>> keys;
    for (std::size_t s = 1; s <= students; ++s) {
        for (const std::vector<Value>& row : courses) {
            std::string id = text(row[0]);
            auto [other, added] = keys.try_emplace(std::to_string(s) + id, s, id);
            if (added) {
                continue;
            }
            if (other->second.first == s) {
                checker.fault(table("Bflearning") + "中 ID " + shown(row[0]) + " 用了两次");
            } else {
                checker.fault(table("Bflearning") + "ID " + shown(row[0]) + "：学生 " +
                              std::to_string(s) + " 的这门课程与学生 " +
                              std::to_string(other->second.first) + " 的课程 " +
                              other->second.second + " 的节点键都是“子" + other->first +
                              "”，课程的 ID 应是一位数");
            }
            return;
        }
    }
}

}  // namespace

CheckReport checkDatabase(DataAccess& dataAccess, const std::string& file) {
    CheckReport report;
    auto connection = dataAccess.newConnection();
    try {
        connection->Open(connectionStringFor(file));
    } catch (const Error& error) {
        report.findings.faults.push_back(error.description());
        return report;
    }
    Checker checker(*connection, report.findings);
    std::optional<Rows> students = checker.read(kStudentsQuery, {"ID", "UserName", "Attrib"});
    if (!students) {
        return report;
    }
    if (students->empty()) {
        checker.fault(table("Students") + "没有学生，程序读不到第一名学生的 Attrib");
        return report;
    }
    const std::string courseField = courseFieldFor(students->front()[2]);
    const std::size_t n = students->size();

    checkStudentIds(checker, *students);
    std::map<std::string, Value> studentFolders;  // folder → ID of its first student
    for (const std::vector<Value>& row : *students) {
        std::string folder = checker.folderOf("Students", row[0], "UserName", row[1]);
        auto [first, added] = studentFolders.try_emplace(folder, row[0]);
        if (!folder.empty() && !added) {
            checker.warning(table("Students") + "ID " + text(row[0]) + " 与 ID " +
                            text(first->second) + " 的文件夹都是“" + folder +
                            "”，两名学生共用一套文件夹");
        }
    }
    studentFolders.erase("");

    // Course folders by course ID, the first row of an ID as 生成文件夹 finds it.
    std::optional<Rows> courses = checker.read(kCoursesQuery, {"ID", courseField});
    std::map<std::string, std::string> courseFolderById;
    std::set<std::string> courseFolders;
    if (courses) {
        checkCourseKeys(checker, *courses, n);
        for (const std::vector<Value>& row : *courses) {
            std::string folder = checker.folderOf("Bflearning", row[0], courseField, row[1]);
            courseFolderById.try_emplace(text(row[0]), folder);
            if (!folder.empty()) {
                courseFolders.insert(folder);
            }
        }
    }

    std::size_t points = 0;
    std::map<std::string, std::set<std::string>> pointFolders;  // by course folder
    for (const SubjectTable& subject : subjectsFor(courseField)) {
        std::optional<Rows> rows = checker.read(subject.query, {"ID", "KN"});
        if (!rows) {
            continue;
        }
        if (rows->empty()) {
            checker.warning(table(subject.table) + "没有知识点，课程下面是空的");
            continue;
        }
        points += rows->size();
        std::set<std::string> ids;
        for (const std::vector<Value>& row : *rows) {
            if (!ids.insert(text(row[0])).second) {
                checker.fault(table(subject.table) + "中 ID " + shown(row[0]) + " 用了两次");
            }
        }
        auto course = courseFolderById.find(std::to_string(subject.course));
        if (courses && course == courseFolderById.end()) {
            checker.fault(table(subject.table) + "有知识点，但表“Bflearning”中没有 ID 为 " +
                          std::to_string(subject.course) + " 的课程");
        }
        for (const std::vector<Value>& row : *rows) {
            std::string folder = checker.folderOf(subject.table, row[0], "KN", row[1]);
            if (!folder.empty() && course != courseFolderById.end() && !course->second.empty()) {
                pointFolders[course->second].insert(folder);
            }
        }
    }

    std::size_t courseCount = courses ? courses->size() : 0;
    std::size_t foldersPerStudent = courseFolders.size();
    for (const auto& [course, names] : pointFolders) {
        foldersPerStudent += names.size();
    }
    report.summary = std::string(courseField == kScienceCourseField ? "理科" : "文科") +
                     "班：学生 " + std::to_string(n) + " 名，树节点 " +
                     std::to_string(1 + n + n * (courseCount + points)) + " 个，生成文件夹将建立 " +
                     std::to_string(1 + studentFolders.size() * (1 + foldersPerStudent)) +
                     " 个文件夹（含 Data）";
    return report;
}

std::string findingLines(const Findings& findings) {
    std::string lines;
    for (const std::string& fault : findings.faults) {
        lines += "错误：" + fault + "\n";
    }
    for (const std::string& warning : findings.warnings) {
        lines += "警告：" + warning + "\n";
    }
    return lines;
}

std::string reportText(const CheckReport& report) {
    std::string text = findingLines(report.findings);
    if (!report.summary.empty()) {
        text += report.summary + "\n";
    }
    return text + (report.findings.faults.empty()
                       ? "程序可以使用这个数据库\n"
                       : "程序在这个数据库上会出错，请先改正上面的错误\n");
}

}  // namespace veltrana::mkdb
