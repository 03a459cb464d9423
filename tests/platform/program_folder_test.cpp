#include "platform/program_folder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>

#include "platform/file_system.h"
#include "platform/utf8.h"
#include "support/fakes.h"

namespace veltrana {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

TEST(FolderAdvice, NamesWhereToMoveAFolderThatCannotBeWrittenOrThatOneDriveKeeps) {
    EXPECT_EQ(folderAdvice({true, "", "D:\\班级文件库"}), "");

    std::string unwritable = folderAdvice({false, "", "D:\\班级文件库"});
    EXPECT_THAT(unwritable, StartsWith("程序文件夹不能写入：请关闭程序，把整个文件夹移到 "
                                       "D:\\班级文件库 再启动。"));
    // Not writable comes first: OneDrive does not matter while nothing can be kept at all.
    EXPECT_EQ(folderAdvice({false, "C:\\Users\\王老师\\OneDrive", "D:\\班级文件库"}), unwritable);

    std::string synced =
        folderAdvice({true, "C:\\Users\\王老师\\OneDrive - 实验中学", "C:\\班级文件库"});
    EXPECT_THAT(synced, StartsWith("程序文件夹在 OneDrive 里：建议关闭程序，把整个文件夹移到 "
                                   "C:\\班级文件库。"));
    EXPECT_THAT(synced, HasSubstr("“C:\\Users\\王老师\\OneDrive - 实验中学”里学生的照片"));
    EXPECT_THAT(synced, HasSubstr("DataBases.mdb"));

    EXPECT_THAT(folderAdvice({false, "", "/home/wang/班级文件库"}),
                HasSubstr("移到 /home/wang/班级文件库 再启动"));
}

// A folder of its own can be written, and the probe leaves nothing behind; one that is not
// there cannot. A OneDrive folder is one only Windows names.
TEST(ProgramFolderFacts, AsTheSystemSaysThem) {
    test::TempDir dir;
    ProgramFolderFacts facts = programFolderFacts(dir.path());
    EXPECT_TRUE(facts.writable);
    EXPECT_TRUE(std::filesystem::is_empty(utf8Path(dir.path())));
    EXPECT_FALSE(facts.suggestedFolder.empty());
    EXPECT_FALSE(programFolderFacts(dir.path() + kSeparator + "不在").writable);

    std::string program = dir.path() + kSeparator + "veltrana";
#ifdef _WIN32
    std::string oneDrive = dir.path() + "\\";
    for (char& c : oneDrive) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    ASSERT_EQ(_wputenv_s(L"OneDriveCommercial", utf8Path(oneDrive).wstring().c_str()), 0);
    EXPECT_EQ(syncedFolderOf(program), oneDrive);
    EXPECT_EQ(syncedFolderOf(dir.path() + "x\\veltrana"), "");
    _wputenv_s(L"OneDriveCommercial", L"");
#else
    ASSERT_EQ(setenv("OneDrive", dir.path().c_str(), 1), 0);
    EXPECT_EQ(syncedFolderOf(program), "");
    EXPECT_EQ(suggestedProgramFolder(), std::string(std::getenv("HOME")) + "/班级文件库");
    unsetenv("OneDrive");
#endif
}

}  // namespace
}  // namespace veltrana
