#include "report/mistakes.h"

#include <algorithm>

#include "store/list_click.h"

namespace veltrana {

namespace {

std::string classLine(const ClassModel& model) {
    return "班级：" + std::string(model.science() ? "理科" : "文科") + "，" +
           std::to_string(model.students.rows.size()) + " 名学生";
}

void addSection(std::vector<ReportSection>& sections, std::string heading, FileSystem& fileSystem,
                const std::string& folder, const TimeRange& range) {
    ReportSection section{std::move(heading), {}};
    for (DatedFile& file : filesWithin(fileSystem, folder, range)) {
        bool picture = isPictureName(file.name);
        section.files.push_back(
            {folder + kSeparator + file.name, std::move(file.name), file.modified, picture});
    }
    if (!section.files.empty()) {
        sections.push_back(std::move(section));
    }
}

}  // namespace

std::size_t Report::pictures() const {
    std::size_t count = 0;
    for (const ReportSection& section : sections) {
        for (const ReportFile& file : section.files) {
            count += file.picture ? 1 : 0;
        }
    }
    return count;
}

Report studentReport(FileSystem& fileSystem, const std::string& appPath, const ClassModel& model,
                     const Entry& student, const Entry* course, const ReportWhen& when) {
    const std::string name = text(student.name);
    Report report;
    report.title = name + " 的错题集";
    report.sectionsAre = "知识点";
    report.cover = {classLine(model), "学生：" + name,
                    "课程：" + (course ? text(course->name) : std::string("全部课程")),
                    "时间：" + when.rangeText};
    report.fileName = student.folder + (course ? "-" + course->folder : std::string()) +
                      "-错题集-" + when.month + ".pdf";
    for (const Entry& row : model.courses.rows) {
        const Subject* subject = model.subjectOf(row);
        if ((course != nullptr && course != &row) || subject == nullptr) {
            continue;
        }
        for (const Entry& point : subject->points.rows) {
            std::string heading =
                course ? text(point.name) : text(row.name) + " · " + text(point.name);
            addSection(report.sections, std::move(heading), fileSystem,
                       pointFolder(appPath, student, row, point), when.range);
        }
    }
    return report;
}

Report pointReport(FileSystem& fileSystem, const std::string& appPath, const ClassModel& model,
                   const Entry& course, const Entry& point, const ReportWhen& when) {
    const std::string name = text(point.name);
    Report report;
    report.title = "“" + name + "”讲评";
    report.sectionsAre = "学生";
    report.cover = {classLine(model), "知识点：" + text(course.name) + " · " + name,
                    "时间：" + when.rangeText};
    report.fileName = course.folder + "-" + point.folder + "-讲评-" + when.month + ".pdf";
    for (const Entry* student : model.rollCall()) {
        addSection(report.sections, text(student->name), fileSystem,
                   pointFolder(appPath, *student, course, point), when.range);
    }
    return report;
}

std::size_t coverPages(const Report& report) {
    return std::max<std::size_t>(
        1, (report.sections.size() + kCountsPerCoverPage - 1) / kCountsPerCoverPage);
}

std::vector<ReportPage> layOut(const Report& report,
                               const std::function<bool(const ReportFile&)>& wide) {
    std::vector<ReportPage> pages;
    for (std::size_t s = 0; s < report.sections.size(); ++s) {
        const std::vector<ReportFile>& files = report.sections[s].files;
        const std::size_t first = pages.size();
        std::vector<std::size_t> others;
        for (std::size_t f = 0; f < files.size(); ++f) {
            if (!files[f].picture) {
                others.push_back(f);
                continue;
            }
            ReportPage* last = pages.size() > first ? &pages.back() : nullptr;
            if (last && !last->listing && last->files.size() == 1 &&
                wide(files[last->files.front()]) && wide(files[f])) {
                last->files.push_back(f);
            } else {
                pages.push_back({s, false, false, {f}});
            }
        }
        for (std::size_t i = 0; i < others.size(); i += kNamesPerPage) {
            auto from = others.begin() + static_cast<std::ptrdiff_t>(i);
            auto to = others.begin() +
                      static_cast<std::ptrdiff_t>(std::min(others.size(), i + kNamesPerPage));
            pages.push_back({s, false, true, {from, to}});
        }
        pages[first].startsSection = true;
    }
    return pages;
}

}  // namespace veltrana
