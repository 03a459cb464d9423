#include "model/class_model.h"

#include <algorithm>

#include "platform/reading_order.h"

namespace veltrana {

namespace {

inline constexpr const char* kScienceCourseField = "Coursesli";

// IDs are whole numbers in every class the program makes; any other text orders after them.
bool idLess(const Value& a, const Value& b) {
    std::string x = text(a);
    std::string y = text(b);
    return x.size() != y.size() ? x.size() < y.size() : x < y;
}

}  // namespace

bool ClassModel::science() const {
    return courseField == kScienceCourseField;
}

const TableRows* ClassModel::firstFailure() const {
    if (students.failure) {
        return &students;
    }
    if (courses.failure) {
        return &courses;
    }
    for (const Subject& subject : subjects) {
        if (subject.points.failure) {
            return &subject.points;
        }
    }
    return nullptr;
}

const Entry* ClassModel::courseOf(const Subject& subject) const {
    const std::string number = std::to_string(subject.course);
    auto course = std::ranges::find_if(courses.rows,
                                       [&](const Entry& row) { return text(row.id) == number; });
    return course == courses.rows.end() ? nullptr : &*course;
}

const Subject* ClassModel::subjectOf(const Entry& course) const {
    for (const Subject& subject : subjects) {
        if (courseOf(subject) == &course) {
            return &subject;
        }
    }
    return nullptr;
}

std::vector<const Entry*> ClassModel::rollCall() const {
    std::vector<const Entry*> order;
    for (const Entry& student : students.rows) {
        order.push_back(&student);
    }
    std::ranges::stable_sort(order, [](const Entry* a, const Entry* b) {
        const std::string x = text(a->name);
        const std::string y = text(b->name);
        if (nameOrderLess(x, y)) {
            return true;
        }
        return !nameOrderLess(y, x) && idLess(a->id, b->id);
    });
    return order;
}

std::string studentKey(const std::string& id) {
    return "父" + id;
}

std::string courseKey(int student, const std::string& courseId) {
    return "子" + std::to_string(student) + courseId;
}

std::string pointKey(int student, int course, const std::string& pointId) {
    return "孙" + std::to_string(student) + "_" + std::to_string(course) + "_" + pointId;
}

}  // namespace veltrana
