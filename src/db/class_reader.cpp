#include "db/class_reader.h"

#include "db/connection.h"
#include "db/queries.h"
#include "model/folder_name.h"

namespace veltrana {

namespace {

constexpr std::int32_t kMaxRows = 32767;  // rows are counted in 16 bits

Entry entry(const Recordset& rs, const std::string& nameField) {
    Entry row{rs.Fields("ID"), rs.Fields(nameField), {}};
    row.folder = row.name ? folderNameFor(*row.name) : std::string();
    return row;
}

// Opens one table and reads its rows into into.rows; a failure is kept in into.failure. opened
// runs right after the table is opened, on its first row, before anything else is read.
template <typename Opened>
void readTable(Connection& connection, Recordset& rs, const char* query, int lockType,
               const std::string& nameField, TableRows& into, Opened opened) {
    into.table = tableOfQuery(query);
    try {
        rs.Open(query, connection, kKeysetCursor, lockType, kCommandUnspecified);
        std::int32_t count = rs.RecordCount();
        if (count > kMaxRows) {
            throw Error(err::kOverflow, "溢出：表“" + into.table + "”有 " + std::to_string(count) +
                                            " 行，程序最多能读 32767 行");
        }
        opened(rs);
        for (std::int32_t i = 0; i < count; ++i) {
            into.rows.push_back(entry(rs, nameField));
            rs.MoveNext();
        }
        rs.Close();
    } catch (const Error& error) {
        into.failure = error;
        if (rs.isOpen()) {
            rs.Close();
        }
    }
}

void nothing(const Recordset&) {}

// The window's connection, with a new shared record set to read it through.
Connection& windowConnection(Form& form) {
    form.dbRs = std::make_unique<Recordset>();
    if (!form.dbConn) {
        throw Error(err::kObjectNotSet, "对象变量未设置：没有数据库连接，无法读取班级");
    }
    return *form.dbConn;
}

}  // namespace

ClassModel readClass(Connection& connection, Recordset& rs, const std::string& courseField) {
    ClassModel model;
    model.courseField = courseField;
    readTable(connection, rs, kStudentsQuery, kLockOptimistic, "UserName", model.students,
              [&](const Recordset& opened) {
                  // Without a student there is no Attrib to read, and that fails (3021).
                  if (model.courseField.empty()) {
                      model.courseField = courseFieldFor(opened.Fields("Attrib"));
                  }
              });
    if (model.students.failure) {
        return model;
    }
    readTable(connection, rs, kCoursesQuery, kLockOptimistic, model.courseField, model.courses,
              nothing);
    for (const SubjectTable& table : subjectsFor(model.courseField)) {
        Subject& subject = model.subjects.emplace_back(Subject{table.course, {}});
        readTable(connection, rs, table.query, kLockBatchOptimistic, "KN", subject.points, nothing);
    }
    return model;
}

ClassModel readClass(Form& form, const std::string& courseField) {
    Connection& connection = windowConnection(form);
    return readClass(connection, *form.dbRs, courseField);
}

TableRows readStudents(Form& form) {
    TableRows students;
    Connection& connection = windowConnection(form);
    readTable(connection, *form.dbRs, kStudentsQuery, kLockOptimistic, "UserName", students,
              nothing);
    return students;
}

}  // namespace veltrana
