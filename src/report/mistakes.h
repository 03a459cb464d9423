#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "model/class_model.h"
#include "platform/file_system.h"
#include "report/overview.h"

// A 错题集: the files of a student, or of one knowledge point across the class, gathered into
// sections and laid out on pages, before anything is drawn.

namespace veltrana {

struct ReportFile {
    std::string path;
    std::string name;
    std::int64_t modified = 0;
    bool picture = false;
};

// A knowledge point of a student, or a student of a knowledge point, with its files oldest first.
struct ReportSection {
    std::string heading;
    std::vector<ReportFile> files;
};

struct Report {
    std::string title;
    // The cover's lines under the title: the class, whose files, the range.
    std::vector<std::string> cover;
    // Only sections that have files, and what they are: "知识点" or "学生".
    std::vector<ReportSection> sections;
    std::string sectionsAre;
    // What it holds, "张三-数学-错题集-2026-12.pdf": every part a folder name, so a file name too.
    std::string fileName;

    std::size_t pictures() const;
};

// What the report is about, besides whose files: the range in words and the month it is made.
struct ReportWhen {
    TimeRange range;
    std::string rangeText;
    std::string month;  // "2026-12"
};

// A student's files in one course, or in every course when course is null; a section per
// knowledge point.
Report studentReport(FileSystem& fileSystem, const std::string& appPath, const ClassModel& model,
                     const Entry& student, const Entry* course, const ReportWhen& when);

// One knowledge point across the class, for going over it in class (讲评); a section per
// student in roll-call order.
Report pointReport(FileSystem& fileSystem, const std::string& appPath, const ClassModel& model,
                   const Entry& course, const Entry& point, const ReportWhen& when);

// A page after the cover: one or two pictures of a section, or names of its other files.
struct ReportPage {
    std::size_t section = 0;
    bool startsSection = false;  // carries the section's heading
    bool listing = false;        // files holds names to list rather than pictures to show
    std::vector<std::size_t> files;
};

inline constexpr std::size_t kNamesPerPage = 25;
// The cover lists the number of files of every section, this many to a page.
inline constexpr std::size_t kCountsPerCoverPage = 30;

// The pages the cover takes: one, and more when the sections do not fit on it.
std::size_t coverPages(const Report& report);

// A section's pictures come first, two to a page when both fit half a page (wide, once upright),
// otherwise one; then its other files, kNamesPerPage names to a page.
std::vector<ReportPage> layOut(const Report& report,
                               const std::function<bool(const ReportFile&)>& wide);

}  // namespace veltrana
