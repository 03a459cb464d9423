#include "tree/form_load.h"

#include "db/connection.h"
#include "db/queries.h"
#include "platform/error.h"

namespace veltrana {

namespace {

inline constexpr const char* kRootKey = "爷";
inline constexpr const char* kRootText = "班级";

void addNode(Form& form, const std::string& relative, std::string key, Value value) {
    form.TreeView1.Add(relative, key, text(std::move(value)));
    form.curNode = std::move(key);
}

// Every student gets the same children: the rows of the open record set are walked once per
// student and rewound between walks. makeKeys gives the relative and the key of a row's node
// from the student number and the row's ID.
template <typename MakeKeys>
void addUnderEveryStudent(Form& form, Recordset& rs, std::int16_t students,
                          const std::string& textField, MakeKeys makeKeys) {
    for (int s = 1; s <= students; ++s) {
        std::string student = std::to_string(s);
        std::int16_t rows = toInt16(rs.RecordCount());
        for (std::int16_t row = 0; row < rows; ++row) {
            auto [relative, key] = makeKeys(student, text(rs.Fields("ID")));
            addNode(form, relative, std::move(key), rs.Fields(textField));
            rs.MoveNext();
        }
        if (rows > 0) {  // an empty table has nothing to rewind, and ADO refuses to try
            rs.MoveFirst();
        }
    }
}

void buildTree(Form& form) {
    addNode(form, "", kRootKey, kRootText);
    form.TreeView1.setSorted(kRootKey);

    form.dbRs = std::make_unique<Recordset>();
    Recordset& rs = openQuery(form, kStudentsQuery, kLockOptimistic);
    form.courseField = courseFieldFor(rs.Fields("Attrib"));
    std::int16_t students = toInt16(rs.RecordCount());
    for (std::int16_t i = 0; i < students; ++i) {
        addNode(form, kRootKey, "父" + text(rs.Fields("ID")), rs.Fields("UserName"));
        rs.MoveNext();
    }
    rs.Close();

    openQuery(form, kCoursesQuery, kLockOptimistic);
    addUnderEveryStudent(form, rs, students, form.courseField,
                         [](const std::string& student, const std::string& id) {
                             return std::pair("父" + student, "子" + student + id);
                         });
    rs.Close();

    for (const SubjectTable& subject : subjectsFor(form.courseField)) {
        openQuery(form, subject.query, kLockBatchOptimistic);
        std::string course = std::to_string(subject.course);
        addUnderEveryStudent(
            form, rs, students, "KN", [&course](const std::string& student, const std::string& id) {
                return std::pair("子" + student + course, "孙" + student + "_" + course + "_" + id);
            });
        rs.Close();
    }
}

}  // namespace

void Form_Load(Form& form) {
    try {
        connectDatabase(form);
        buildTree(form);
    } catch (const Error& error) {
        showConnectFailure(form, error);
    }
}

}  // namespace veltrana
