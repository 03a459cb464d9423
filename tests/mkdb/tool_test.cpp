#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "support/access_files.h"
#include "support/class_db.h"
#include "support/fakes.h"

namespace veltrana {
namespace {

using test::ProcessResult;
using test::runProgram;
using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::StartsWith;

class ToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* path = std::getenv("VELTRANA_MKDB");
        ASSERT_NE(path, nullptr) << "VELTRANA_MKDB names the built veltrana-mkdb";
        tool = path;
        std::filesystem::create_directory(utf8Path(csv));
        test::writeFile(csv + "/Students.csv",
                        "\xEF\xBB\xBF"
                        "ID,UserName,Attrib\r\n1,王子涵,理科\r\n2,\"李,俊杰\",\r\n");
        test::writeFile(csv + "/语文.csv", "ID,KN\n1,\"字音\"\"辨析\"\"\"\n2,\"两行\n知识点\"\n");
    }

    ProcessResult newClass(const std::string& roster, const std::string& file) {
        test::writeFile(dir.path() + "/名单", roster);
        return runProgram({tool, "--class", "理科", "--roster", dir.path() + "/名单", file});
    }

    std::string tool;
    test::TempDir dir;
    std::string csv = dir.path() + "/csv";
    std::string out = dir.path() + "/DataBases.mdb";
};

TEST_F(ToolTest, BadCsvWritesNothingGoodOnesAreWrittenAndDumpedBack) {
    test::writeFile(csv + "/数学.csv", "ID,KN\n1,函数\n2\n");
    ProcessResult refused = runProgram({tool, out, csv});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err.rfind("错误：3274文件“" + csv + kSeparator + "数学.csv”第 3 行", 0), 0u)
        << refused.err;
    EXPECT_EQ(test::filesIn(dir.path()), std::vector<std::string>{"csv"});

    std::filesystem::remove(utf8Path(csv + "/数学.csv"));
    ProcessResult written = runProgram({tool, out, csv});
    ASSERT_EQ(written.exitCode, 0) << written.err;
    ProcessResult students = runProgram({tool, "--dump", out, "Students"});
    EXPECT_EQ(students.exitCode, 0) << students.err;
    EXPECT_EQ(students.out, "ID,UserName,Attrib\n1,王子涵,理科\n2,\"李,俊杰\",\n");
    ProcessResult chinese = runProgram({tool, "--dump", out, "语文"});
    EXPECT_EQ(chinese.out, "ID,KN\n1,\"字音\"\"辨析\"\"\"\n2,\"两行\n知识点\"\n");

    // A missing table, a missing file.
    for (const auto& [file, table] :
         {std::pair(out, "物理"), std::pair(dir.path() + "/无.mdb", "Students")}) {
        ProcessResult failed = runProgram({tool, "--dump", file, table});
        EXPECT_EQ(failed.exitCode, 1);
        EXPECT_THAT(failed.err, StartsWith("错误：")) << table;
    }
    SKIP_REST_WITHOUT_MDBTOOLS_PROGRAMS();
    EXPECT_EQ(runProgram({"mdb-tables", "-1", out}).out, "Students\n语文\n");
}

// The same roster as a spreadsheet saves it on a Chinese Windows (GB18030, CRLF, an empty row),
// as "Unicode text" (UTF-16 with tabs, either byte order) and as a plain list in UTF-8, with blanks
// around names.
TEST_F(ToolTest, RosterInAnyEncodingGivesTheSameClassWithTheBuiltInCatalogue) {
    std::string gb18030 =
        "\xD1\xA7\xBA\xC5,\xD0\xD5\xC3\xFB,\xD0\xD4\xB1\xF0\r\n"  // 学号,姓名,性别
        "1,\xCD\xF5\xB7\xBC,\xC5\xAE\r\n\r\n"                     // 1,王芳,女
        "2,\xA1\xA1\xC0\xEE\xC4\xC8\xA1\xA1,\xC5\xAE\r\n,,\r\n"   // 2,　李娜　,女
        "3,\xD4\xF8\xD0\xA1\xC3\xF7,\xC4\xD0\r\n";                // 3,曾小明,男
    std::string utf16le = "\xFF\xFE";
    std::string utf16be = "\xFE\xFF";
    for (char16_t c : std::u16string(u"学号\t姓名\t性别\r\n1\t王芳\t女\r\n2\t李娜 \t女\r\n"
                                     u"3\t曾小明\t男\r\n")) {
        utf16le += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
        utf16be += {static_cast<char>(c >> 8), static_cast<char>(c & 0xFF)};
    }
    std::vector<std::string> files;
    for (const std::string& roster :
         {gb18030, utf16le, utf16be, std::string("\xEF\xBB\xBF王芳\n\n 李娜\n曾小明\n")}) {
        files.push_back(dir.path() + "/" + std::to_string(files.size()) + ".mdb");
        ProcessResult made = newClass(roster, files.back());
        EXPECT_EQ(made.exitCode, 0) << made.err;
        EXPECT_EQ(made.err, "");
    }
    std::vector<std::vector<Value>> students{
        {"1", "王芳", "理科"}, {"2", "李娜", "理科"}, {"3", "曾小明", "理科"}};
    for (const std::string& file : files) {
        EXPECT_EQ(test::readWithOurLayer(file, "Students").rows, students) << file;
    }
    // A workbook goes through the same reader.
    std::string fromWorkbook = dir.path() + "/xls.mdb";
    ProcessResult made = runProgram({tool, "--class", "理科", "--roster",
                                     std::string(VELTRANA_ROSTERS) + "/roster.xls", fromWorkbook});
    ASSERT_EQ(made.exitCode, 0) << made.err;
    EXPECT_EQ(test::readWithOurLayer(fromWorkbook, "Students").rows[3],
              (std::vector<Value>{"4", "欧阳娜娜", "理科"}));
    EXPECT_EQ(test::readWithOurLayer(files[0], "物理").rows[0],
              (std::vector<Value>{"1", "质点与参考系"}));
    // Nothing printed before the numbers: no subject table lacks its knowledge points.
    ProcessResult checked = runProgram({tool, "--check", files[0]});
    EXPECT_EQ(checked.exitCode, 0) << checked.out;
    EXPECT_THAT(checked.out, StartsWith("理科班：学生 3 名，树节点 "));
}

TEST_F(ToolTest, RosterFaultsAreNamedByLineAndNothingIsWritten) {
    ProcessResult refused = newClass("姓名\n王芳\n王芳.\na/b\n\" . \"\n", out);
    EXPECT_EQ(refused.exitCode, 1);
    std::string roster = "文件“" + dir.path() + "/名单”";
    EXPECT_THAT(refused.err, AllOf(HasSubstr("错误：" + roster + "第 4 行：姓名“a/b”"),
                                   HasSubstr("错误：" + roster + "第 5 行：姓名“.”"),
                                   HasSubstr("警告：" + roster + "第 3 行：姓名“王芳.”"),
                                   HasSubstr("与第 2 行同名")));
    EXPECT_FALSE(std::filesystem::exists(out));

    ProcessResult warned = newClass("name\n王芳\n王芳\n", out);
    EXPECT_EQ(warned.exitCode, 0);
    EXPECT_THAT(warned.err, HasSubstr("两名学生共用一套文件夹"));
    EXPECT_EQ(test::readWithOurLayer(out, "Students").rows.size(), 2u);

    ProcessResult again = newClass("王芳\n", out);  // the database there is never replaced
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_THAT(again.err, StartsWith("错误：58文件已存在"));
    EXPECT_EQ(test::readWithOurLayer(out, "Students").rows.size(), 2u);
}

TEST_F(ToolTest, OwnPointsReplaceTheBuiltInOnesAndMustHoldTheStreamsTables) {
    std::string points = dir.path() + "/知识点";
    std::filesystem::create_directory(utf8Path(points));
    for (const char* subject : {"语文", "数学", "英语", "政治", "历史", "地理"}) {
        test::writeFile(points + "/" + subject + ".csv", std::string("ID,KN\n1,自编") + subject);
    }
    test::writeFile(dir.path() + "/名单.txt", "王芳\n");
    auto make = [&] {
        return runProgram({tool, "--class", "文科", "--roster", dir.path() + "/名单.txt",
                           "--points", points, out});
    };
    ProcessResult made = make();
    ASSERT_EQ(made.exitCode, 0) << made.err;
    EXPECT_EQ(runProgram({tool, "--dump", out, "历史"}).out, "ID,KN\n1,自编历史\n");
    EXPECT_EQ(test::readWithOurLayer(out, "Students").rows[0][2], Value("文科"));

    std::filesystem::remove(utf8Path(points + "/地理.csv"));
    std::filesystem::remove(out);
    ProcessResult refused = make();
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_THAT(refused.err, HasSubstr("地理.csv"));
    EXPECT_FALSE(std::filesystem::exists(out));
}

// Broken in many ways at once: every fault and warning is listed, each naming table, ID, field
// and value, and the numbers still come out.
TEST_F(ToolTest, CheckListsEverythingTheWindowWouldStumbleOn) {
    std::vector<std::string> names = test::numberedStudents(11);
    names[1] = "a/b";
    names[3] = "学生1";
    auto tables = test::classTables(names, 2);
    auto rows = [&](const char* table) -> auto& {
        return test::tableNamed(tables, table).rows;
    };
    rows("Students")[2][0] = "12";
    rows("Bflearning")[3] = {"12", "班会", "班会"};  // no course 4; student 1's 12 is 11's 2
    rows("语文").resize(32768, {"3", "多"});
    rows("数学")[1][0] = "1";
    rows("生物")[0][1] = "细胞 .";
    rows("化学").clear();
    test::tableNamed(tables, "英语").columns[1].name = "Name";
    test::writeClassDb(dir.path(), tables);

    ProcessResult checked = runProgram({tool, "--check", out});
    EXPECT_EQ(checked.exitCode, 1);
    for (const char* finding :
         {"错误：表“Students”中 UserName 为 “学生3” 的学生 ID 是 “12”：学生的 ID 应是 1 到 11",
          "错误：表“Students”ID 2 的 UserName“a/b”不能用作文件夹名称",
          "错误：表“Bflearning”ID “2”：学生 11 的这门课程与学生 1 的课程 12 的节点键都是“子112”",
          "错误：溢出：表“语文”有 32768 行，程序最多能读 32767 行", "错误：表“数学”中 ID “1” 用了两次",
          "错误：在集合中找不到与名称对应的项目：表“英语”中没有字段“KN”",
          "错误：表“物理”有知识点，但表“Bflearning”中没有 ID 为 4 的课程",
          "警告：表“Students”ID 4 与 ID 1 的文件夹都是“学生1”",
          "警告：表“生物”ID 1 的 KN“细胞 .”末尾的空格或句点不会出现在文件夹名中，文件夹是“细胞”",
          "警告：表“化学”没有知识点",
          // Nodes: 1 + 11 + 11 × (6 courses + 6 points of the readable tables). Folders: Data
          // and nine student folders (a/b gets none, 学生1 is shared), each with 6 courses and
          // the 4 points of 数学 and 生物 (物理 has no course).
          "理科班：学生 11 名，树节点 144 个，生成文件夹将建立 100 个文件夹（含 Data）"}) {
        EXPECT_THAT(checked.out, HasSubstr(finding));
    }

    ProcessResult missing = runProgram({tool, "--check", dir.path() + "/无.mdb"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_THAT(missing.out, HasSubstr("找不到数据库文件"));
}

TEST_F(ToolTest, HelpVersionAndWrongArguments) {
    ProcessResult help = runProgram({tool, "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_THAT(help.out,
                AllOf(HasSubstr("--class 理科 --roster 名单.xlsx"), HasSubstr("--check")));
    ProcessResult version = runProgram({tool, "--version"});
    EXPECT_EQ(version.exitCode, 0);
    std::erase(version.out, '\r');  // Windows' console ends a line with CR LF
    EXPECT_EQ(version.out, "veltrana-mkdb " VELTRANA_VERSION "\n");

    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{tool},
                                               {tool, "--dump", out},
                                               {tool, "--check", out, "--dump", out},
                                               {tool, "--class", "理科", out},
                                               {tool, "--class", "数学", "--roster", csv, out},
                                               {tool, "--bogus", out, csv}}) {
        ProcessResult result = runProgram(args);
        EXPECT_EQ(result.exitCode, 2) << args.size();
        EXPECT_NE(result.err.find("veltrana-mkdb OUT.mdb DIR"), std::string::npos);
    }
}

}  // namespace
}  // namespace veltrana
