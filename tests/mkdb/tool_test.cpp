#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "support/access_files.h"
#include "support/fakes.h"

namespace veltrana {
namespace {

using test::ProcessResult;
using test::runProgram;

class ToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* path = std::getenv("VELTRANA_MKDB");
        ASSERT_NE(path, nullptr) << "VELTRANA_MKDB names the built veltrana-mkdb";
        tool = path;
        std::filesystem::create_directory(csv);
        test::writeFile(csv + "/Students.csv",
                        "\xEF\xBB\xBF"
                        "ID,UserName,Attrib\r\n1,王子涵,理科\r\n2,\"李,俊杰\",\r\n");
        test::writeFile(csv + "/语文.csv", "ID,KN\n1,\"字音\"\"辨析\"\"\"\n2,\"两行\n知识点\"\n");
    }

    std::string tool;
    test::TempDir dir;
    std::string csv = dir.path() + "/csv";
    std::string out = dir.path() + "/DataBases.mdb";
};

TEST_F(ToolTest, writesTheFolderAndDumpsEachTableBack) {
    ProcessResult written = runProgram({tool, out, csv});
    ASSERT_EQ(written.exitCode, 0) << written.err;
    EXPECT_EQ(runProgram({"mdb-tables", "-1", out}).out, "Students\n语文\n");

    ProcessResult students = runProgram({tool, "--dump", out, "Students"});
    EXPECT_EQ(students.exitCode, 0) << students.err;
    EXPECT_EQ(students.out, "ID,UserName,Attrib\n1,王子涵,理科\n2,\"李,俊杰\",\n");
    ProcessResult chinese = runProgram({tool, "--dump", out, "语文"});
    EXPECT_EQ(chinese.out, "ID,KN\n1,\"字音\"\"辨析\"\"\"\n2,\"两行\n知识点\"\n");

    ProcessResult table = runProgram({tool, "--dump", out, "物理"});
    EXPECT_EQ(table.exitCode, 1);
    EXPECT_EQ(table.err.rfind("错误：-2147217865", 0), 0u) << table.err;
    EXPECT_NE(table.err.find("物理"), std::string::npos);
    ProcessResult file = runProgram({tool, "--dump", dir.path() + "/无.mdb", "Students"});
    EXPECT_EQ(file.exitCode, 1);
    EXPECT_EQ(file.err.rfind("错误：", 0), 0u) << file.err;
}

TEST_F(ToolTest, badCsv_exitsWithOneNamingFileAndLineAndWritesNothing) {
    test::writeFile(csv + "/数学.csv", "ID,KN\n1,函数\n2\n");
    ProcessResult result = runProgram({tool, out, csv});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err.rfind("错误：3274文件“" + csv + "/数学.csv”第 3 行", 0), 0u) << result.err;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()),
              1);
}

TEST_F(ToolTest, wrongArguments_exitWithTwoAndUsage) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {tool}, {tool, out}, {tool, "--dump", out}, {tool, "--dump", out, "a", "b"}}) {
        ProcessResult result = runProgram(args);
        EXPECT_EQ(result.exitCode, 2) << args.size();
        EXPECT_NE(result.err.find("veltrana-mkdb OUT.mdb DIR"), std::string::npos);
    }
}

}  // namespace
}  // namespace veltrana
