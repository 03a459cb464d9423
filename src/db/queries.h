#pragma once

#include <array>
#include <string>

#include "platform/data_access.h"

namespace veltrana {

inline constexpr const char* kStudentsQuery = "Select * from Students ";
inline constexpr const char* kCoursesQuery = "Select * from Bflearning";

struct SubjectTable {
    const char* table;
    const char* query;
    int course;  // the Bflearning ID whose course node the table's knowledge points hang under
};

inline constexpr std::array<SubjectTable, 6> kScienceSubjects{{
    {"语文", "Select * from 语文", 1},
    {"数学", "Select * from 数学", 2},
    {"英语", "Select * from 英语", 3},
    {"物理", "Select * from 物理", 4},
    {"化学", "Select * from 化学", 5},
    {"生物", "Select * from 生物", 6},
}};

inline constexpr std::array<SubjectTable, 6> kOtherSubjects{{
    {"语文", "Select * from 语文", 1},
    {"数学", "Select * from 数学", 2},
    {"英语", "Select * from 英语", 3},
    {"政治", "Select * from 政治", 4},
    {"历史", "Select * from 历史", 5},
    {"地理", "Select * from 地理", 6},
}};

inline constexpr const char* kScienceStream = "理科";
inline constexpr const char* kScienceCourseField = "Coursesli";
inline constexpr const char* kOtherCourseField = "Courseswen";

// The course column of the whole class, from the first student's Attrib: science only for
// exactly "理科".
inline const char* courseFieldFor(const Value& firstAttrib) {
    return text(firstAttrib) == kScienceStream ? kScienceCourseField : kOtherCourseField;
}

inline const std::array<SubjectTable, 6>& subjectsFor(const std::string& courseField) {
    return courseField == kScienceCourseField ? kScienceSubjects : kOtherSubjects;
}

// Record-set options the readers pass: keyset cursor, optimistic lock, command type unspecified.
inline constexpr int kKeysetCursor = 1;
inline constexpr int kLockOptimistic = 3;
inline constexpr int kLockBatchOptimistic = 4;
inline constexpr int kCommandUnspecified = -1;

}  // namespace veltrana
