#include "tree/form_load.h"

#include "db/class_reader.h"
#include "db/connection.h"
#include "platform/error.h"

namespace veltrana {

namespace {

inline constexpr const char* kRootKey = "爷";
inline constexpr const char* kRootText = "班级";

void addNode(Form& form, const std::string& relative, std::string key, const Value& value) {
    form.TreeView1.Add(relative, key, text(value));
    form.curNode = std::move(key);
}

// The nodes of the class in the order the tables are read: the students, then every student's
// courses, then each subject's knowledge points under every student's course. A table that
// could not be read ends the build there, keeping the nodes added before it.
void buildTree(Form& form, const ClassModel& model) {
    addNode(form, "", kRootKey, kRootText);
    form.TreeView1.setSorted(kRootKey);
    const auto stopAt = [&model](const TableRows& rows) {
        if (&rows == model.firstFailure()) {
            throw *rows.failure;
        }
    };

    stopAt(model.students);
    form.courseField = model.courseField;
    for (const Entry& student : model.students.rows) {
        addNode(form, kRootKey, studentKey(text(student.id)), student.name);
    }
    const int students = static_cast<int>(model.students.rows.size());

    stopAt(model.courses);
    for (int s = 1; s <= students; ++s) {
        for (const Entry& course : model.courses.rows) {
            addNode(form, studentKey(std::to_string(s)), courseKey(s, text(course.id)),
                    course.name);
        }
    }

    for (const Subject& subject : model.subjects) {
        stopAt(subject.points);
        // Under the course node of the subject's number, whether or not a Bflearning row has it:
        // a subject without its course fails here, as a missing parent does.
        const std::string course = std::to_string(subject.course);
        for (int s = 1; s <= students; ++s) {
            for (const Entry& point : subject.points.rows) {
                addNode(form, courseKey(s, course), pointKey(s, subject.course, text(point.id)),
                        point.name);
            }
        }
    }
}

}  // namespace

void Form_Load(Form& form) {
    try {
        connectDatabase(form);
        buildTree(form, readClass(form));
    } catch (const Error& error) {
        showConnectFailure(form, error);
    }
}

}  // namespace veltrana
