#include "gmock/gmock.h"
#include "logic/class_tables.h"
#include "platform/fs/std_file_system.h"
#include "store/folder_name.h"

namespace veltrana::test {
namespace {

TEST(FolderName, SafeNames) {
    for (const char* name :
         {"学生1", "物理（选修）", "a b", "x.y", ".hidden", "com10", "CONSOLE"}) {
        EXPECT_TRUE(isSafeFolderName(name)) << name;
    }
}

TEST(FolderName, UnsafeNames) {
    for (const char* name :
         {"",     ".",   "..",      "a/b",  "a\\b",     "/",         "a:b",
          "a*",   "a?",  "a\"b",    "a<b",  "a|b",      "tab\there", "end.",
          "end ", "CON", "nul.txt", "Lpt1", "com9.jpg", "\xE5\xAD",  "\xC0\xAF"}) {
        EXPECT_FALSE(isSafeFolderName(name)) << name;
    }
}

class StdFileSystemTest : public ::testing::Test {
protected:
    std::string at(const std::string& relative) const { return dir.path() + "/" + relative; }

    TempDir dir;
    StdFileSystem files;
};

TEST_F(StdFileSystemTest, CreatesOneLevelOnlyWhereNothingIsYet) {
    EXPECT_TRUE(files.createFolder(at("学生1")));
    EXPECT_TRUE(files.exists(at("学生1")));
    EXPECT_FALSE(files.createFolder(at("学生1")));
    writeFile(at("文件"));
    EXPECT_FALSE(files.createFolder(at("文件")));
    EXPECT_EQ(readFile(at("文件")), "x");
    try {
        files.createFolder(at("没有/课程"));
        ADD_FAILURE();
    } catch (const Error& error) {
        EXPECT_EQ(error.number(), err::kPathNotFound);
        EXPECT_THAT(error.description(), ::testing::HasSubstr(at("没有/课程")));
    }
}

}  // namespace
}  // namespace veltrana::test
