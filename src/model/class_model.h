#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/data_access.h"
#include "platform/error.h"

// The class as data: what the database says of the students, the courses of the stream and the
// knowledge points, read once by db/class_reader and then walked by every view (the tree, the
// folders, the check, the phone page) instead of the tables.

namespace veltrana {

// One row: its ID, the text its node shows, and the folder that text gets (empty when it can
// have none).
struct Entry {
    Value id;
    Value name;
    std::string folder;
};

// The rows of one table in the table's order, or as many as were read before it failed.
struct TableRows {
    std::string table;
    std::vector<Entry> rows;
    std::optional<Error> failure;
};

// A subject's knowledge points and the number of the course they belong to.
struct Subject {
    int course = 0;
    TableRows points;
};

struct ClassModel {
    // The stream's course column of Bflearning: "Coursesli" for 理科, else "Courseswen".
    std::string courseField;
    // Student number s (from 1) is students.rows[s - 1]; the tree keys every child of a student
    // by that number.
    TableRows students;
    // Bflearning's rows, named by the stream's course column.
    TableRows courses;
    // The stream's subject tables in their fixed order.
    std::vector<Subject> subjects;

    bool science() const;
    // The first table that could not be read, in reading order; views stop there as the
    // start-up always has.
    const TableRows* firstFailure() const;

    // A subject hangs under the first Bflearning row whose ID is its course number; null when
    // there is none.
    const Entry* courseOf(const Subject& subject) const;
    // The knowledge points under a course row, null when no subject hangs there.
    const Subject* subjectOf(const Entry& course) const;

    // The students in roll-call order: by name as a class list reads (pinyin, the surname read as
    // a surname), then by ID.
    std::vector<const Entry*> rollCall() const;
};

// The keys of the tree's nodes: "父" and the student's ID; "子", the student number and the
// course ID; "孙", the student number, course number and knowledge point ID, joined by "_".
std::string studentKey(const std::string& id);
std::string courseKey(int student, const std::string& courseId);
std::string pointKey(int student, int course, const std::string& pointId);

}  // namespace veltrana
