#include "app/new_class.h"

#include <gmock/gmock.h>

#include <cstdlib>

#include "db/connection.h"
#include "logic/class_test.h"
#include "mkdb/roster_report.h"
#include "platform/qt/qt_child_process.h"
#include "tree/form_load.h"

namespace veltrana {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;
using Texts = std::vector<std::string>;

std::string roster(const std::string& name) {
    return std::string(VELTRANA_ROSTERS) + "/" + name;
}

// The window started in a program folder without a database, its dialogs answered by script.
class NewClassTest : public test::ClassTest {
protected:
    void start() {
        Form_Load(form);
        Form_Shown(form);
    }
    std::string database() const { return databasePath(dir.path()); }
};

TEST_F(NewClassTest, StartWithoutDatabaseRosterToTreeAndFolders) {
    window.fileDialog.chosenFiles = {roster("no-name-column.xlsx"), roster("roster.xlsx")};
    window.dialogs.newClassAnswers = {{NewClassAnswer::OtherRoster, ""},
                                      {NewClassAnswer::Create, "文科"}};
    window.dialogs.choices = {"用名单新建班级", "生成文件夹"};
    start();

    ASSERT_EQ(window.dialogs.previews.size(), 2u);
    const RosterPreview& refused = window.dialogs.previews[0];
    EXPECT_FALSE(refused.canCreate);
    EXPECT_THAT(refused.summary, HasSubstr("找不到姓名列"));
    const RosterPreview& read = window.dialogs.previews[1];
    EXPECT_TRUE(read.canCreate);
    EXPECT_THAT(read.summary, StartsWith("共 4 名学生"));
    EXPECT_THAT(read.names, ElementsAre("第 3 行　王芳", "第 4 行　李娜", "第 6 行　曾小明",
                                        "第 7 行　欧阳娜娜"));
    EXPECT_THAT(read.findings, IsEmpty());
    // The second pick opens where the first was found.
    EXPECT_EQ(window.fileDialog.chooseAt[1].first, VELTRANA_ROSTERS);

    EXPECT_EQ(window.label1.caption, kConnectedText);
    EXPECT_EQ(test::readWithOurLayer(database(), "Students").rows[1],
              (std::vector<Value>{"2", "李娜", "文科"}));
    // The numbers shown are those of the tree on screen.
    ASSERT_EQ(window.dialogs.questions.size(), 2u);
    EXPECT_THAT(window.dialogs.questions[1].prompt,
                HasSubstr("文科班：学生 4 名，树节点 " + std::to_string(window.tree.nodes.size())));
    EXPECT_TRUE(std::filesystem::is_directory(utf8Path(under("欧阳娜娜/历史"))));
}

TEST_F(NewClassTest, FaultyRosterOrExistingDatabaseWriteNothing) {
    test::writeFile(dir.path() + "/名单.csv", "姓名\n王芳\na/b\n王芳\n");
    window.fileDialog.chosenFiles = {dir.path() + "/名单.csv"};
    window.dialogs.newClassAnswers = {{NewClassAnswer::Cancel, ""}};
    NewClass_Click(form);
    const RosterPreview& preview = window.dialogs.previews.at(0);
    EXPECT_FALSE(preview.canCreate);
    EXPECT_THAT(preview.findings,
                ElementsAre(HasSubstr("错误：文件“" + dir.path() + "/名单.csv”第 3 行：姓名“a/b”"),
                            HasSubstr("警告：")));
    EXPECT_FALSE(std::filesystem::exists(utf8Path(database())));

    // The tool beside the program reads the roster; when it crashes, the dialog says so.
    window.tool.ends = ChildRun{ChildRun::End::Crashed, 0, {}, {}};
    window.fileDialog.chosenFiles = {roster("roster.xls")};
    window.dialogs.newClassAnswers = {{NewClassAnswer::Cancel, ""}};
    NewClass_Click(form);
    const RosterPreview& crashed = window.dialogs.previews.at(1);
    EXPECT_FALSE(crashed.canCreate);
    EXPECT_THAT(crashed.summary,
                StartsWith("错误：3274读取文件“" + roster("roster.xls") + "”时，读取名单的程序“" +
                           at("veltrana-mkdb") + "”意外终止"));
    EXPECT_FALSE(std::filesystem::exists(utf8Path(database())));

    useClass(test::classTables({"张伟"}, 1));
    std::string before = test::readFile(database());
    std::size_t asked = window.fileDialog.chooseAt.size();
    NewClass_Click(form);
    EXPECT_THAT(window.dialogs.prompts(kMessageTitle), ElementsAre(HasSubstr("请先关闭程序")));
    EXPECT_EQ(window.fileDialog.chooseAt.size(), asked);  // no roster asked for
    EXPECT_EQ(test::readFile(database()), before);
}

TEST_F(NewClassTest, DamagedDatabaseOffersTheCheckReport) {
    auto tables = test::classTables({"张伟", "a/b"}, 1);
    test::tableNamed(tables, "Students").rows[1][0] = "5";
    useClass(tables);
    window.dialogs.choices = {"查看检查报告"};
    start();
    EXPECT_EQ(window.label1.caption, kConnectFailedText);
    ASSERT_EQ(window.dialogs.shownReports.size(), 1u);
    const std::string& report = window.dialogs.shownReports[0].prompt;
    EXPECT_THAT(report, HasSubstr("错误：表“Students”中 UserName 为 “a/b” 的学生 ID 是 “5”"));
    EXPECT_THAT(report, HasSubstr("错误：表“Students”ID 5 的 UserName“a/b”不能用作文件夹名称"));
    EXPECT_THAT(report, HasSubstr("理科班：学生 2 名"));
}

TEST_F(NewClassTest, DemoClassIsCopiedAndOpened) {
    std::filesystem::create_directory(utf8Path(dir.path() + "/示例班级"));
    test::writeClassDb(dir.path() + "/示例班级", test::classTables({"张伟", "李娜"}, 1));
    window.dialogs.choices = {"复制示例班级", "以后再说"};
    start();
    EXPECT_EQ(window.label1.caption, kConnectedText);
    EXPECT_EQ(test::readWithOurLayer(database(), "Students").rows.size(), 2u);
    EXPECT_FALSE(std::filesystem::exists(utf8Path(data())));  // 以后再说
}

// The real tool in a process of its own reads what the reader reads in this one; a tool that is
// not there, or that dies of a signal, gives a message in place of a roster.
TEST(RosterApartTest, RealToolReadsTheRosterAMissingOrCrashingOneIsNamed) {
    const char* built = std::getenv("VELTRANA_MKDB");
    ASSERT_NE(built, nullptr) << "VELTRANA_MKDB names the built veltrana-mkdb";
    QtChildProcess processes;
    std::string file = roster("roster.xls");
    mkdb::CheckedRoster read =
        mkdb::readRosterApart(processes, utf8Text(utf8Path(built).replace_extension()), file);
    EXPECT_EQ(read.roster.where, mkdb::readRoster(file).where);
    ASSERT_EQ(read.roster.names.size(), 4u);
    EXPECT_EQ(read.roster.names[3].name, "欧阳娜娜");
    EXPECT_EQ(read.roster.names[3].line, 7u);

    test::TempDir dir;
    std::string tool = dir.path() + "/veltrana-mkdb";
    auto refusal = [&] {
        try {
            mkdb::readRosterApart(processes, tool, file);
            return std::string("read");
        } catch (const Error& error) {
            return errorText(error);
        }
    };
    EXPECT_THAT(refusal(), StartsWith("错误：53无法启动读取名单的程序“" + tool + "”"));
#ifndef _WIN32
    test::writeFile(tool, "#!/bin/sh\nkill -SEGV $$\n");
    std::filesystem::permissions(tool, std::filesystem::perms::owner_exec,
                                 std::filesystem::perm_options::add);
    EXPECT_THAT(refusal(), HasSubstr("”时，读取名单的程序“" + tool + "”意外终止"));
#endif
}

}  // namespace
}  // namespace veltrana
