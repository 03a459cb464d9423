#include "mkdb/check.h"

#include <charconv>
#include <map>
#include <set>

#include "db/class_reader.h"
#include "db/connection.h"
#include "platform/error.h"

namespace veltrana::mkdb {

namespace {

std::string shown(const Value& value) {
    return value ? "“" + *value + "”" : "Null";
}

std::string table(const std::string& name) {
    return "表“" + name + "”";
}

class Checker {
public:
    explicit Checker(Findings& findings) : findings_(findings) {}

    void fault(std::string text) { findings_.faults.push_back(std::move(text)); }
    void warning(std::string text) { findings_.warnings.push_back(std::move(text)); }

    // True when the table was read whole; its failure is a fault otherwise.
    bool read(const TableRows& rows) {
        if (rows.failure) {
            fault(rows.failure->description());
        }
        return !rows.failure;
    }

    // The folder the name gets, as 生成文件夹 names it; empty, and a fault, when it gets none.
    std::string folderOf(const std::string& tableName, const Entry& row, const std::string& field) {
        std::string place = table(tableName) + "ID " + text(row.id) + " 的 " + field +
                            (row.name ? "“" + *row.name + "”" : std::string(" 为 Null，"));
        if (row.folder.empty()) {
            fault(place + "不能用作文件夹名称");
        } else if (row.folder != *row.name) {
            warning(place + "末尾的空格或句点不会出现在文件夹名中，文件夹是“" + row.folder + "”");
        }
        return row.folder;
    }

private:
    Findings& findings_;
};

// The tree keys a student by "父" and the ID and hangs course s under "父s", so the IDs must be
// exactly 1..N.
void checkStudentIds(Checker& checker, const std::vector<Entry>& students) {
    std::set<std::string> seen;
    for (const Entry& row : students) {
        std::string id = text(row.id);
        std::size_t number = 0;
        auto [end, error] = std::from_chars(id.data(), id.data() + id.size(), number);
        bool inRange = error == std::errc() && end == id.data() + id.size() && number >= 1 &&
                       number <= students.size() && std::to_string(number) == id;
        if (!inRange || !seen.insert(id).second) {
            checker.fault(table("Students") + "中 UserName 为 " + shown(row.name) +
                          " 的学生 ID 是 " + shown(row.id) + "：学生的 ID 应是 1 到 " +
                          std::to_string(students.size()) + "，每个用一次");
        }
    }
}

// A course node's key is "子", the student number and the course ID written together, so a
// course ID used twice, or IDs of different lengths (student 1 with course 12 and student 11
// with course 2 both give 子112), stop the tree at the first repeated key.
void checkCourseKeys(Checker& checker, const std::vector<Entry>& courses, std::size_t students) {
    std::map<std::string, std::pair<std::size_t, std::string>> keys;
    for (std::size_t s = 1; s <= students; ++s) {
        for (const Entry& row : courses) {
            std::string id = text(row.id);
            auto [other, added] = keys.try_emplace(std::to_string(s) + id, s, id);
            if (added) {
                continue;
            }
            if (other->second.first == s) {
                checker.fault(table("Bflearning") + "中 ID " + shown(row.id) + " 用了两次");
            } else {
                checker.fault(table("Bflearning") + "ID " + shown(row.id) + "：学生 " +
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
    Checker checker(report.findings);
    Recordset rs;
    const ClassModel model = readClass(*connection, rs);
    const std::vector<Entry>& students = model.students.rows;
    if (model.students.failure && students.empty() &&
        model.students.failure->number() == err::kNoCurrentRecord) {
        checker.fault(table("Students") + "没有学生，程序读不到第一名学生的 Attrib");
        return report;
    }
    if (!checker.read(model.students)) {
        return report;
    }
    const std::size_t n = students.size();

    checkStudentIds(checker, students);
    std::map<std::string, Value> studentFolders;  // folder → ID of its first student
    for (const Entry& row : students) {
        std::string folder = checker.folderOf("Students", row, "UserName");
        auto [first, added] = studentFolders.try_emplace(folder, row.id);
        if (!folder.empty() && !added) {
            checker.warning(table("Students") + "ID " + text(row.id) + " 与 ID " +
                            text(first->second) + " 的文件夹都是“" + folder +
                            "”，两名学生共用一套文件夹");
        }
    }
    studentFolders.erase("");

    const bool coursesRead = checker.read(model.courses);
    std::set<std::string> courseFolders;
    if (coursesRead) {
        checkCourseKeys(checker, model.courses.rows, n);
        for (const Entry& row : model.courses.rows) {
            std::string folder = checker.folderOf("Bflearning", row, model.courseField);
            if (!folder.empty()) {
                courseFolders.insert(folder);
            }
        }
    }

    std::size_t points = 0;
    std::map<std::string, std::set<std::string>> pointFolders;  // by course folder
    for (const Subject& subject : model.subjects) {
        const TableRows& rows = subject.points;
        if (!checker.read(rows)) {
            continue;
        }
        if (rows.rows.empty()) {
            checker.warning(table(rows.table) + "没有知识点，课程下面是空的");
            continue;
        }
        points += rows.rows.size();
        std::set<std::string> ids;
        for (const Entry& row : rows.rows) {
            if (!ids.insert(text(row.id)).second) {
                checker.fault(table(rows.table) + "中 ID " + shown(row.id) + " 用了两次");
            }
        }
        const Entry* course = model.courseOf(subject);
        if (coursesRead && course == nullptr) {
            checker.fault(table(rows.table) + "有知识点，但表“Bflearning”中没有 ID 为 " +
                          std::to_string(subject.course) + " 的课程");
        }
        for (const Entry& row : rows.rows) {
            std::string folder = checker.folderOf(rows.table, row, "KN");
            if (!folder.empty() && course != nullptr && !course->folder.empty()) {
                pointFolders[course->folder].insert(folder);
            }
        }
    }

    std::size_t courseCount = model.courses.rows.size();
    std::size_t foldersPerStudent = courseFolders.size();
    for (const auto& [course, names] : pointFolders) {
        foldersPerStudent += names.size();
    }
    report.summary = std::string(model.science() ? "理科" : "文科") + "班：学生 " +
                     std::to_string(n) + " 名，树节点 " +
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
