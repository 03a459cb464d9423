#include "mkdb/roster_report.h"

#include <charconv>
#include <optional>
#include <vector>

#include "mkdb/mdb_writer.h"
#include "mkdb/text_file.h"
#include "platform/error.h"

namespace veltrana::mkdb {

namespace {

// A damaged workbook may keep a reader busy for ever; a sound roster takes a second or two.
constexpr std::chrono::seconds kReadingTime{60};

// The characters a field cannot hold as they are, and the letters that stand for them.
constexpr std::string_view kSpecial = "\\\t\r\n";
constexpr std::string_view kLetters = "\\trn";

std::string escaped(const std::string& field) {
    std::string text;
    for (char c : field) {
        std::size_t special = kSpecial.find(c);
        if (special == std::string_view::npos) {
            text += c;
        } else {
            text += {'\\', kLetters[special]};
        }
    }
    return text;
}

void writeLine(std::ostream& out, const std::vector<std::string>& fields) {
    for (std::size_t i = 0; i < fields.size(); ++i) {
        out << (i == 0 ? "" : "\t") << escaped(fields[i]);
    }
    out << '\n';
}

// The fields of a line; none when an escape is not one of ours.
std::optional<std::vector<std::string>> fieldsOf(std::string_view line) {
    std::vector<std::string> fields(1);
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '\t') {
            fields.emplace_back();
        } else if (line[i] != '\\') {
            fields.back() += line[i];
        } else {
            std::size_t letter =
                ++i < line.size() ? kLetters.find(line[i]) : std::string_view::npos;
            if (letter == std::string_view::npos) {
                return std::nullopt;
            }
            fields.back() += kSpecial[letter];
        }
    }
    return fields;
}

template <typename Number>
std::optional<Number> numberIn(const std::string& field) {
    Number number{};
    auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), number);
    if (error != std::errc() || end != field.data() + field.size()) {
        return std::nullopt;
    }
    return number;
}

// What the tool wrote, when it is a whole report: the roster, or the refusal thrown.
std::optional<CheckedRoster> parsed(std::string_view report) {
    std::vector<std::vector<std::string>> lines;
    while (!report.empty()) {
        std::size_t end = report.find('\n');
        auto fields =
            end == std::string_view::npos ? std::nullopt : fieldsOf(report.substr(0, end));
        if (!fields) {
            return std::nullopt;
        }
        lines.push_back(std::move(*fields));
        report.remove_prefix(end + 1);
    }
    if (lines.size() < 2 || lines.back() != std::vector<std::string>{"end"}) {
        return std::nullopt;
    }
    lines.pop_back();
    const std::vector<std::string>& first = lines.front();
    if (lines.size() == 1 && first.size() == 3 && first[0] == "error") {
        if (auto number = numberIn<std::int32_t>(first[1])) {
            throw Error(*number, first[2]);
        }
        return std::nullopt;
    }
    if (first.size() != 2 || first[0] != "roster") {
        return std::nullopt;
    }
    CheckedRoster read{{first[1], {}}, {}};
    for (auto line = lines.begin() + 1; line != lines.end(); ++line) {
        const std::string& kind = line->front();
        auto row =
            kind == "name" && line->size() == 3 ? numberIn<std::size_t>((*line)[1]) : std::nullopt;
        if (row) {
            read.roster.names.push_back({*row, (*line)[2]});
        } else if (kind == "fault" && line->size() == 2) {
            read.findings.faults.push_back((*line)[1]);
        } else if (kind == "warning" && line->size() == 2) {
            read.findings.warnings.push_back((*line)[1]);
        } else {
            return std::nullopt;
        }
    }
    return read;
}

}  // namespace

int writeRosterReport(const std::string& file, std::ostream& out) {
    try {
        Roster roster = readRoster(file);
        Findings findings = checkRoster(roster);
        writeLine(out, {"roster", roster.where});
        for (const RosterName& student : roster.names) {
            writeLine(out, {"name", std::to_string(student.line), student.name});
        }
        for (const std::string& fault : findings.faults) {
            writeLine(out, {"fault", fault});
        }
        for (const std::string& warning : findings.warnings) {
            writeLine(out, {"warning", warning});
        }
        writeLine(out, {"end"});
        return 0;
    } catch (const Error& error) {
        writeLine(out, {"error", std::to_string(error.number()), error.description()});
        writeLine(out, {"end"});
        return 1;
    }
}

CheckedRoster readRosterApart(ChildProcess& processes, const std::string& tool,
                              const std::string& file) {
    ChildRun run = processes.run(tool, {"--read-roster", file}, kReadingTime);
    const std::string save =
        "窗口不受影响，也没有写入任何文件。请在 Excel 或 WPS 中打开它，另存为 .xlsx 后再选择";
    switch (run.end) {
        case ChildRun::End::NotStarted:
            throw Error(err::kFileNotFound, "无法启动读取名单的程序“" + tool + "”：" + run.why +
                                                "。它应在程序文件夹中，请重新解压程序后再试");
        case ChildRun::End::TimedOut:
            throw Error(kErrNotExpectedFormat,
                        fileWhere(file) + "在 " + std::to_string(kReadingTime.count()) +
                            " 秒内没有读完，已停止读取，文件可能已损坏。" + save);
        case ChildRun::End::Crashed:
        case ChildRun::End::Exited:
            break;
    }
    std::optional<CheckedRoster> read;
    if (run.end == ChildRun::End::Exited && (run.exitCode == 0 || run.exitCode == 1)) {
        read = parsed(run.out);  // throws the refusal
    }
    if (!read) {
        throw Error(kErrNotExpectedFormat, "读取" + fileWhere(file) + "时，读取名单的程序“" + tool +
                                               "”意外终止，文件可能已损坏。" + save);
    }
    return std::move(*read);
}

}  // namespace veltrana::mkdb
