#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "model/class_model.h"
#include "platform/file_system.h"

namespace veltrana {

// When files were filed: from (inclusive) to (exclusive), in seconds since 1970 (UTC).
struct TimeRange {
    std::int64_t from = std::numeric_limits<std::int64_t>::min();
    std::int64_t to = std::numeric_limits<std::int64_t>::max();
    bool contains(std::int64_t time) const { return time >= from && time < to; }
    bool all() const { return *this == TimeRange(); }
    bool operator==(const TimeRange&) const = default;
};

// The folder of a knowledge point of a course for a student; empty when a name on the way can
// have no folder.
std::string pointFolder(const std::string& appPath, const Entry& student, const Entry& course,
                        const Entry& point);

// The files of a folder filed within range, oldest first; none when the folder is missing.
std::vector<DatedFile> filesWithin(FileSystem& fileSystem, const std::string& folder,
                                   const TimeRange& range);

// One course of the class: students in roll-call order by its knowledge points, each cell the
// number of files filed within the range.
class Overview {
public:
    Overview(FileSystem& fileSystem, const std::string& appPath, const ClassModel& model,
             const Entry& course, const TimeRange& range);

    const Entry& course() const { return *course_; }
    const std::vector<const Entry*>& students() const { return students_; }
    const std::vector<Entry>& points() const { return *points_; }
    int count(std::size_t student, std::size_t point) const {
        return counts_[student * points_->size() + point];
    }
    int studentTotal(std::size_t student) const;
    int pointTotal(std::size_t point) const;
    int total() const;
    // 未交: the students with no file in the course within the range, in roll-call order.
    std::vector<const Entry*> missing() const;
    // The tree's key of a cell's node.
    std::string nodeKey(std::size_t student, std::size_t point) const;
    // The table as CSV in UTF-8 with a byte order mark, which Excel and WPS need to read Chinese:
    // a header of the knowledge points, a row per student, the totals last.
    std::string csv() const;

private:
    const ClassModel* model_;
    const Entry* course_;
    const std::vector<Entry>* points_;
    int subjectCourse_ = 0;
    std::vector<const Entry*> students_;
    std::vector<int> counts_;
};

}  // namespace veltrana
