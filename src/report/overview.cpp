#include "report/overview.h"

#include <algorithm>
#include <numeric>

#include "platform/error.h"

namespace veltrana {

namespace {

const std::vector<Entry> kNoPoints;

// What list() gives for folder, or nothing when the folder cannot be or is not made yet: it
// holds no file. Any other failure is a real one.
template <typename List>
auto listedOrNone(const std::string& folder, List list) -> decltype(list()) {
    if (folder.empty()) {
        return {};
    }
    try {
        return list();
    } catch (const Error& e) {
        if (e.number() != err::kPathNotFound) {
            throw;
        }
        return {};
    }
}

// The number of files in folder within range; without a range no file's time is looked at.
int countWithin(FileSystem& fileSystem, const std::string& folder, const TimeRange& range) {
    if (range.all()) {
        return static_cast<int>(
            listedOrNone(folder, [&] { return fileSystem.listFiles(folder); }).size());
    }
    return static_cast<int>(filesWithin(fileSystem, folder, range).size());
}

// A CSV field: quoted when it holds a separator, a quote or a line break.
std::string csvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        return text;
    }
    std::string quoted = "\"";
    for (char c : text) {
        quoted += c;
        if (c == '"') {
            quoted += '"';
        }
    }
    return quoted + '"';
}

}  // namespace

std::string pointFolder(const std::string& appPath, const Entry& student, const Entry& course,
                        const Entry& point) {
    if (student.folder.empty() || course.folder.empty() || point.folder.empty()) {
        return {};
    }
    return appPath + kSeparator + "Data" + kSeparator + student.folder + kSeparator +
           course.folder + kSeparator + point.folder;
}

std::vector<DatedFile> filesWithin(FileSystem& fileSystem, const std::string& folder,
                                   const TimeRange& range) {
    std::vector<DatedFile> files =
        listedOrNone(folder, [&] { return fileSystem.listFilesWithTimes(folder); });
    std::erase_if(files, [&](const DatedFile& file) { return !range.contains(file.modified); });
    std::ranges::sort(files, [](const DatedFile& a, const DatedFile& b) {
        return a.modified != b.modified ? a.modified < b.modified : a.name < b.name;
    });
    return files;
}

Overview::Overview(FileSystem& fileSystem, const std::string& appPath, const ClassModel& model,
                   const Entry& course, const TimeRange& range)
    : model_(&model), course_(&course), points_(&kNoPoints), students_(model.rollCall()) {
    if (const Subject* subject = model.subjectOf(course)) {
        points_ = &subject->points.rows;
        subjectCourse_ = subject->course;
    }
    counts_.reserve(students_.size() * points_->size());
    for (const Entry* student : students_) {
        for (const Entry& point : *points_) {
            counts_.push_back(
                countWithin(fileSystem, pointFolder(appPath, *student, course, point), range));
        }
    }
}

int Overview::studentTotal(std::size_t student) const {
    auto row = counts_.begin() + static_cast<std::ptrdiff_t>(student * points_->size());
    return std::accumulate(row, row + static_cast<std::ptrdiff_t>(points_->size()), 0);
}

int Overview::pointTotal(std::size_t point) const {
    int total = 0;
    for (std::size_t s = 0; s < students_.size(); ++s) {
        total += count(s, point);
    }
    return total;
}

int Overview::total() const {
    return std::accumulate(counts_.begin(), counts_.end(), 0);
}

std::vector<const Entry*> Overview::missing() const {
    std::vector<const Entry*> none;
    for (std::size_t s = 0; s < students_.size(); ++s) {
        if (studentTotal(s) == 0) {
            none.push_back(students_[s]);
        }
    }
    return none;
}

std::string Overview::nodeKey(std::size_t student, std::size_t point) const {
    const int number = static_cast<int>(students_[student] - model_->students.rows.data()) + 1;
    return pointKey(number, subjectCourse_, text((*points_)[point].id));
}

std::string Overview::csv() const {
    std::string out = "\xEF\xBB\xBF" + csvField("学生");
    for (const Entry& point : *points_) {
        out += ',' + csvField(text(point.name));
    }
    out += ",合计\r\n";
    for (std::size_t s = 0; s < students_.size(); ++s) {
        out += csvField(text(students_[s]->name));
        for (std::size_t p = 0; p < points_->size(); ++p) {
            out += ',' + std::to_string(count(s, p));
        }
        out += ',' + std::to_string(studentTotal(s)) + "\r\n";
    }
    out += "合计";
    for (std::size_t p = 0; p < points_->size(); ++p) {
        out += ',' + std::to_string(pointTotal(p));
    }
    out += ',' + std::to_string(total()) + "\r\n";
    return out;
}

}  // namespace veltrana
