#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "mkdb/new_class.h"
#include "platform/error.h"
#include "support/fakes.h"

namespace veltrana {
namespace {

using ::testing::HasSubstr;
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
TEST(RosterTest, csvXlsxAndXlsFormsGiveTheSameNamesWithTheirRows) {
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

TEST_P(RefusedRosterTest, failsWithAMessageNamingTheFile) {
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

}  // namespace
}  // namespace veltrana
