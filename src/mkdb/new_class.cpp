#include "mkdb/new_class.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <map>

#include "db/queries.h"
#include "mkdb/csv.h"
#include "mkdb/text_file.h"
#include "platform/error.h"
#include "store/folder_name.h"

namespace veltrana::mkdb {

namespace {

// Blanks around a cell, the ideographic blank (U+3000) of Chinese input methods among them.
constexpr std::array<std::string_view, 3> kBlanks{" ", "\t", "\u3000"};

std::string trimmed(std::string_view cell) {
    auto blankAt = [&cell](bool front) -> std::size_t {
        for (std::string_view blank : kBlanks) {
            if (front ? cell.starts_with(blank) : cell.ends_with(blank)) {
                return blank.size();
            }
        }
        return 0;
    };
    while (std::size_t length = blankAt(true)) {
        cell.remove_prefix(length);
    }
    while (std::size_t length = blankAt(false)) {
        cell.remove_suffix(length);
    }
    return std::string(cell);
}

bool isNameHeader(const std::string& cell) {
    std::string name = trimmed(cell);
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return name == "姓名" || name == "username" || name == "name";
}

std::string lineOf(const std::string& file, std::size_t line) {
    return fileWhere(file) + "第 " + std::to_string(line) + " 行：";
}

}  // namespace

std::vector<RosterName> readRoster(const std::string& file) {
    std::vector<CsvRecord> records = csvRecords(readTextFile(file), fileWhere(file));
    std::erase_if(records, [](const CsvRecord& record) {
        return std::all_of(record.fields.begin(), record.fields.end(),
                           [](const std::string& cell) { return trimmed(cell).empty(); });
    });
    if (records.empty()) {
        throw Error(kErrNotExpectedFormat, fileWhere(file) + "中没有姓名，名单是空的");
    }
    const std::vector<std::string>& header = records.front().fields;
    auto column = std::find_if(header.begin(), header.end(), isNameHeader);
    bool listOfNames = column == header.end();
    if (listOfNames) {
        auto wide = std::find_if(records.begin(), records.end(),
                                 [](const CsvRecord& record) { return record.fields.size() != 1; });
        if (wide != records.end()) {
            throw Error(kErrNotExpectedFormat,
                        lineOf(file, wide->line) +
                            "找不到姓名列：表头应有“姓名”（或 UserName、name）一列，"
                            "或者每行只写一个姓名");
        }
    }
    std::size_t index = listOfNames ? 0 : static_cast<std::size_t>(column - header.begin());
    std::vector<RosterName> roster;
    for (auto record = records.begin() + (listOfNames ? 0 : 1); record != records.end(); ++record) {
        std::string name =
            index < record->fields.size() ? trimmed(record->fields[index]) : std::string();
        roster.push_back({record->line, std::move(name)});
    }
    if (roster.empty()) {
        throw Error(kErrNotExpectedFormat, fileWhere(file) + "中只有表头，没有姓名，名单是空的");
    }
    return roster;
}

Findings checkRoster(const std::vector<RosterName>& roster, const std::string& file) {
    Findings findings;
    std::map<std::string, const RosterName*> byFolder;
    for (const RosterName& student : roster) {
        std::string place = lineOf(file, student.line);
        std::string folder = folderNameFor(student.name);
        if (folder.empty()) {
            findings.faults.push_back(
                place + (student.name.empty()
                             ? std::string("没有姓名")
                             : "姓名“" + student.name +
                                   "”不能用作文件夹名称（不能含 / \\ : * ? \" < > | 等字符，"
                                   "也不能只有空格和句点）"));
            continue;
        }
        if (folder != student.name) {
            findings.warnings.push_back(place + "姓名“" + student.name +
                                        "”末尾的空格或句点不会出现在文件夹名中，文件夹是“" +
                                        folder + "”");
        }
        auto [first, added] = byFolder.emplace(folder, &student);
        if (!added) {
            findings.warnings.push_back(place + "姓名“" + student.name + "”与第 " +
                                        std::to_string(first->second->line) +
                                        " 行同名，两名学生共用一套文件夹");
        }
    }
    return findings;
}

std::vector<std::string> subjectTableNames() {
    std::vector<std::string> names;
    for (const auto* subjects : {&kScienceSubjects, &kOtherSubjects}) {
        for (const SubjectTable& subject : *subjects) {
            if (std::find(names.begin(), names.end(), subject.table) == names.end()) {
                names.push_back(subject.table);
            }
        }
    }
    return names;
}

std::vector<TableData> classTables(const std::vector<std::string>& students,
                                   const std::string& attrib, std::vector<TableData> subjects) {
    std::vector<TableData> tables{{"Students",
                                   {{"ID", ColumnType::LongInteger},
                                    {"UserName", ColumnType::Text},
                                    {"Attrib", ColumnType::Text}},
                                   {}},
                                  {"Bflearning",
                                   {{"ID", ColumnType::LongInteger},
                                    {kScienceCourseField, ColumnType::Text},
                                    {kOtherCourseField, ColumnType::Text}},
                                   {}}};
    for (std::size_t i = 0; i < students.size(); ++i) {
        tables[0].rows.push_back({std::to_string(i + 1), students[i], attrib});
    }
    for (std::size_t k = 0; k < kScienceSubjects.size(); ++k) {
        tables[1].rows.push_back({std::to_string(kScienceSubjects[k].course),
                                  kScienceSubjects[k].table, kOtherSubjects[k].table});
    }
    std::move(subjects.begin(), subjects.end(), std::back_inserter(tables));
    return tables;
}

}  // namespace veltrana::mkdb
