#include "mkdb/new_class.h"

#include <QFile>
#include <QString>
#include <algorithm>
#include <array>
#include <cctype>
#include <map>

#include "db/queries.h"
#include "mkdb/csv.h"
#include "mkdb/text_file.h"
#include "mkdb/workbook.h"
#include "platform/error.h"
#include "platform/file_system.h"
#include "platform/utf8.h"
#include "model/folder_name.h"

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

// A header among the first rows: title rows ("2026级高一（3）班学生名单") sit above it.
constexpr std::size_t kHeaderRows = 10;

// Whatever a roster file is, its rows.
Sheet rowsOf(const std::string& file) {
    std::string bytes = readFileBytes(file);
    if (isZipFile(bytes)) {
        return readXlsx(file, bytes);
    }
    if (isCompoundFile(bytes)) {
        return readXls(file, bytes);
    }
    std::string where = fileWhere(file);
    return {where, csvRecords(decodeText(bytes, where), where)};
}

}  // namespace

std::string rowOf(const Roster& roster, std::size_t line) {
    return roster.where + "第 " + std::to_string(line) + " 行：";
}

Roster readRoster(const std::string& file) {
    Sheet sheet = rowsOf(file);
    Roster roster{sheet.where, {}};
    std::vector<CsvRecord>& rows = sheet.rows;
    for (CsvRecord& row : rows) {
        while (!row.fields.empty() && trimmed(row.fields.back()).empty()) {
            row.fields.pop_back();
        }
    }
    std::erase_if(rows, [](const CsvRecord& row) { return row.fields.empty(); });
    if (rows.empty()) {
        throw Error(kErrNotExpectedFormat, sheet.where + "中没有姓名，名单是空的");
    }
    auto searched = rows.begin() + static_cast<std::ptrdiff_t>(std::min(rows.size(), kHeaderRows));
    auto header = std::find_if(rows.begin(), searched, [](const CsvRecord& row) {
        return std::any_of(row.fields.begin(), row.fields.end(), isNameHeader);
    });
    bool listOfNames = header == searched;
    std::size_t column = 0;
    if (listOfNames) {
        auto wide = std::find_if(rows.begin(), rows.end(),
                                 [](const CsvRecord& row) { return row.fields.size() != 1; });
        if (wide != rows.end()) {
            throw Error(kErrNotExpectedFormat,
                        rowOf(roster, wide->line) +
                            "找不到姓名列：前 10 行中应有一行表头含“姓名”（或 UserName、name），"
                            "或者每行只写一个姓名");
        }
    } else {
        column = static_cast<std::size_t>(
            std::find_if(header->fields.begin(), header->fields.end(), isNameHeader) -
            header->fields.begin());
    }
    for (auto row = listOfNames ? rows.begin() : header + 1; row != rows.end(); ++row) {
        std::string name = column < row->fields.size() ? trimmed(row->fields[column]) : "";
        roster.names.push_back({row->line, std::move(name)});
    }
    if (roster.names.empty()) {
        throw Error(kErrNotExpectedFormat, sheet.where + "中只有表头，没有姓名，名单是空的");
    }
    return roster;
}

Findings checkRoster(const Roster& roster) {
    Findings findings;
    std::map<std::string, const RosterName*> byFolder;
    for (const RosterName& student : roster.names) {
        std::string place = rowOf(roster, student.line);
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

std::vector<TableData> builtInPoints() {
    std::vector<TableData> tables;
    for (const std::string& name : subjectTableNames()) {
        std::string where = "内置知识点表“" + name + "”";
        QFile file(":/catalogue/" + QString::fromStdString(name) + ".csv");
        if (!file.open(QIODevice::ReadOnly)) {
            throw Error(err::kFileNotFound, where + "缺失");
        }
        QByteArray bytes = file.readAll();
        tables.push_back(csvTable(
            name,
            decodeText(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                       where),
            where));
    }
    return tables;
}

void writeClass(FileSystem& files, const std::string& out, const Roster& roster,
                const std::string& stream, std::vector<TableData> subjects) {
    std::vector<std::string> names;
    for (const RosterName& student : roster.names) {
        names.push_back(student.name);
    }
    std::vector<TableData> tables = classTables(names, stream, std::move(subjects));
    checkTable(tables[0], [&](std::size_t row) {
        return rowOf(roster, roster.names[row == 0 ? 0 : row - 1].line);
    });
    writeNewDatabase(files, out, tables);
}

// A database already there may hold what the teacher changed in Access; it is never replaced,
// not even one that comes while this one is written: the new file takes its name only if free.
void writeNewDatabase(FileSystem& files, const std::string& out,
                      const std::vector<TableData>& tables) {
    const Error there(err::kFileAlreadyExists, "文件已存在：“" + out +
                                                   "”。已有的数据库不会被覆盖，请先把它移走"
                                                   "（移到别的文件夹或改名），或换一个文件名");
    if (files.exists(out)) {
        throw there;
    }
    const std::filesystem::path path = utf8Path(out);
    const std::string folder = path.has_parent_path() ? utf8Text(path.parent_path()) : ".";
    std::unique_ptr<IncomingFile> file = files.receive(folder);
    writeDatabase(tables, [&](const char* data, std::size_t size) { file->write(data, size); });
    try {
        file->land(utf8Text(path.filename()), OnClash::kRefuse);
    } catch (const Error& error) {
        if (error.number() == err::kFileAlreadyExists) {
            throw there;
        }
        throw;
    }
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
