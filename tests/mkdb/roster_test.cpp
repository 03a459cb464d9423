#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>

#include "mkdb/new_class.h"
#include "mkdb/roster_report.h"
#include "platform/error.h"
#include "support/fakes.h"

namespace veltrana {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;
using Lines = std::vector<std::pair<std::size_t, std::string>>;

std::string roster(const std::string& name) {
    return std::string(VELTRANA_ROSTERS) + "/" + name;
}

Lines linesOf(const mkdb::Roster& read) {
    Lines lines;
    for (const mkdb::RosterName& student : read.names) {
        lines.emplace_back(student.line, student.name);
    }
    return lines;
}

// One roster as LibreOffice saves it in three forms, and as libxlsxwriter writes inline strings:
// the title row and the empty row are skipped, 学号 numbers and the rich-text title do not get
// in the way, the second sheet's 张三 is not read, and every name keeps the row the teacher sees.
TEST(RosterTest, CsvXlsxAndXlsFormsGiveTheSameNamesWithTheirRows) {
    const Lines fromLibreOffice{{3, "王芳"}, {4, "李娜"}, {6, "曾小明"}, {7, "欧阳娜娜"}};
    for (const char* file : {"roster.csv", "roster.xlsx", "roster.xls"}) {
        mkdb::Roster read = mkdb::readRoster(roster(file));
        EXPECT_EQ(linesOf(read), fromLibreOffice) << file;
        EXPECT_THAT(read.where, HasSubstr(file));
    }
    EXPECT_THAT(mkdb::readRoster(roster("roster.xlsx")).where, HasSubstr("工作表“高一（3）班”"));
    EXPECT_EQ(linesOf(mkdb::readRoster(roster("inline-strings.xlsx"))),
              (Lines{{2, "王芳"}, {3, "李娜"}, {4, "曾小明"}, {5, "欧阳娜娜"}}));
}

struct Refusal {
    const char* name;
    std::string content;  // a file made by the test; empty for a committed one of that name
    const char* message;
};

class RefusedRosterTest : public ::testing::TestWithParam<Refusal> {};

TEST_P(RefusedRosterTest, FailsWithAMessageNamingTheFile) {
    test::TempDir dir;
    std::string file = roster(GetParam().name);
    if (!GetParam().content.empty()) {
        file = dir.path() + "/" + GetParam().name;
        test::writeFile(file, GetParam().content);
    }
    try {
        mkdb::readRoster(file);
        ADD_FAILURE() << "read";
    } catch (const Error& error) {
        EXPECT_THAT(error.description(), HasSubstr(GetParam().name));
        EXPECT_THAT(error.description(), HasSubstr(GetParam().message));
    }
}

std::string firstBytesOf(const std::string& name, std::size_t count) {
    return test::readFile(roster(name)).substr(0, count);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusedRosterTest,
    ::testing::Values(
        Refusal{"no-name-column.xlsx", "", "工作表“成绩”第 1 行：找不到姓名列"},
        Refusal{"password.xls", "", "设有打开密码"},
        Refusal{"cut.xlsx", firstBytesOf("roster.xlsx", 3000), "不是完整的 Excel 工作簿"},
        Refusal{"cut.xls", firstBytesOf("roster.xls", 3000), "不是可读的 Excel 97-2003 工作簿"},
        Refusal{"header.csv", "标题\n姓名,学号\n,\n", "只有表头，没有姓名"},
        Refusal{"missing.xlsx", "", "无法读取"}),
    [](const auto& info) {
        std::string name = info.param.name;
        std::erase_if(name, [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); });
        return name;
    });

// Damaged copies of the committed rosters (bits flipped, runs of bytes zeroed, cut short) are read
// or refused with an Error that names the file, never anything else. Zeroed runs start in the
// first sector, half of them in the first 64 bytes: the header, where a reader takes its offsets
// and sizes from (a zeroed directory sector number once made FreeXL read 64 KB off its stack).
// The sanitizer build sees a reader that reads memory it does not own.
TEST(RosterTest, DamagedRostersAreReadOrRefusedByName) {
    test::TempDir dir;
    std::vector<std::pair<std::string, std::string>> originals;
    for (const char* name : {"roster.xls", "password.xls", "roster.xlsx", "inline-strings.xlsx",
                             "no-name-column.xlsx", "roster.csv"}) {
        originals.emplace_back(name, test::readFile(roster(name)));
    }
    std::mt19937 random(20261207);
    auto below = [&random](std::size_t n) { return static_cast<std::size_t>(random() % n); };
    int read = 0;
    int refused = 0;
    for (int i = 0; i < 600; ++i) {
        const auto& [name, bytes] = originals[below(originals.size())];
        std::string damaged = bytes;
        switch (below(3)) {
            case 0:
                for (std::size_t flips = 1 + below(8); flips > 0; --flips) {
                    damaged[below(damaged.size())] ^= static_cast<char>(1 << below(8));
                }
                break;
            case 1: {
                std::size_t at = below(std::min<std::size_t>(damaged.size(), below(2) ? 64 : 512));
                std::size_t length = std::min(1 + below(256), damaged.size() - at);
                damaged.replace(at, length, length, '\0');
                break;
            }
            default:
                damaged.resize(below(damaged.size()));
        }
        std::string file = dir.path() + "/" + std::to_string(i) + "-" + name;
        test::writeFile(file, damaged);
        try {
            mkdb::readRoster(file);
            ++read;
        } catch (const Error& error) {
            EXPECT_THAT(error.description(), HasSubstr(file));
            ++refused;
        }
    }
    // The damage is neither so slight that every copy reads nor so heavy that none does.
    EXPECT_GT(read, 60);
    EXPECT_GT(refused, 60);
}

// A file name for the tool; what it runs is told apart by the fake.
constexpr char kTool[] = "/程序/veltrana-mkdb";

// Through the tool's report the window gets what readRoster and checkRoster give, special
// characters and all, and a refusal as the tool made it.
TEST(RosterApartTest, GivesWhatTheReaderGivesAndItsRefusals) {
    test::TempDir dir;
    std::string file = dir.path() + "/名单.csv";
    test::writeFile(file, "姓名\n\"王\\芳\"\n\"a\tb\"\n\"两\r\n行\"\na/b\n王芳.\n");
    test::InProcessTool tool;
    mkdb::CheckedRoster apart = mkdb::readRosterApart(tool, kTool, file);
    mkdb::Roster inProcess = mkdb::readRoster(file);
    EXPECT_EQ(apart.roster.where, inProcess.where);
    EXPECT_EQ(linesOf(apart.roster), linesOf(inProcess));
    EXPECT_EQ(linesOf(apart.roster)[2].second, "两\r\n行");
    mkdb::Findings findings = mkdb::checkRoster(inProcess);
    EXPECT_EQ(apart.findings.faults, findings.faults);
    EXPECT_EQ(apart.findings.warnings, findings.warnings);
    EXPECT_EQ(apart.findings.faults.size(), 4u);  // \ tab CR LF / in names
    EXPECT_EQ(apart.findings.warnings.size(), 1u);
    EXPECT_THAT(tool.runs, ElementsAre(ElementsAre(kTool, "--read-roster", file)));

    try {
        mkdb::readRosterApart(tool, kTool, roster("password.xls"));
        ADD_FAILURE() << "read";
    } catch (const Error& error) {
        EXPECT_EQ(error.number(), mkdb::kErrNotExpectedFormat);
        EXPECT_THAT(error.description(),
                    StartsWith("文件“" + roster("password.xls") + "”设有打开密码"));
    }
}

// A tool that crashed, hung, did not start, or answered something else: a message that says so
// and names the file, whatever the tool wrote before.
TEST(RosterApartTest, AToolThatFailsGivesAClearMessage) {
    const std::string file = roster("roster.xls");
    const std::string whole = "roster\tx\nname\t2\t王芳\nend\n";
    struct Case {
        ChildRun run;
        std::string message;
    };
    for (const auto& [run, message] : std::vector<Case>{
             {{ChildRun::End::Crashed, 0, whole, {}}, "意外终止，文件可能已损坏"},
             {{ChildRun::End::Exited, 3, whole, {}}, "意外终止"},
             {{ChildRun::End::Exited, 0, "roster\tx\nname\t2\t王芳\n", {}}, "意外终止"},
             {{ChildRun::End::Exited, 0, whole + "end\n", {}}, "意外终止"},
             {{ChildRun::End::Exited, 0, "roster\tx\nname\tzwei\t王芳\nend\n", {}}, "意外终止"},
             {{ChildRun::End::Exited, 1, "error\t3274\t\\x\nend\n", {}}, "意外终止"},
             {{ChildRun::End::TimedOut, 0, {}, {}}, "在 60 秒内没有读完"},
             {{ChildRun::End::NotStarted, 0, {}, "没有这个文件"}, "无法启动读取名单的程序"}}) {
        test::InProcessTool tool;
        tool.ends = run;
        try {
            mkdb::readRosterApart(tool, kTool, file);
            ADD_FAILURE() << message;
        } catch (const Error& error) {
            EXPECT_THAT(error.description(), HasSubstr(message));
            EXPECT_THAT(error.description(),
                        HasSubstr(run.end == ChildRun::End::NotStarted ? kTool : file));
        }
    }
}

}  // namespace
}  // namespace veltrana
