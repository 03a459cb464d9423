#include <filesystem>

#include "gmock/gmock.h"
#include "logic/class_tables.h"
#include "platform/fs/std_file_system.h"
#include "store/folder_name.h"

namespace veltrana::test {
namespace {

using ::testing::ElementsAre;

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

TEST_F(StdFileSystemTest, ListsFilesButNotFoldersInOneOrder) {
    for (const char* name : {"照片.jpg", "b.txt", "A.png", "readme"}) {
        writeFile(at(name));
    }
    files.createFolder(at("子文件夹"));
    EXPECT_THAT(files.listFiles(dir.path()), ElementsAre("A.png", "b.txt", "readme", "照片.jpg"));
    EXPECT_THROW(files.listFiles(at("没有")), Error);
}

TEST_F(StdFileSystemTest, CopyReplacesThroughATemporaryFile) {
    writeFile(at("源.txt"), "new");
    writeFile(at("目标.txt"), "old");
    files.copyFile(at("源.txt"), at("目标.txt"));
    EXPECT_EQ(readFile(at("目标.txt")), "new");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(u8path(dir.path())), {}), 2);
    EXPECT_TRUE(files.sameFile(at("目标.txt"), at("./目标.txt")));
    EXPECT_FALSE(files.sameFile(at("源.txt"), at("目标.txt")));
}

}  // namespace
}  // namespace veltrana::test
