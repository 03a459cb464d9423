#include <filesystem>

#include "gmock/gmock.h"
#include "logic/class_tables.h"
#include "store/browse.h"
#include "store/last_in_str.h"
#include "store/list_click.h"
#include "store/upload.h"

namespace veltrana::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::StartsWith;

std::vector<std::string> filesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(u8path(folder))) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// A knowledge point's folder has been clicked; the user's own files lie elsewhere.
class UploadTest : public ClassTest {
protected:
    void SetUp() override {
        folder = under("学生1/物理/力学");
        std::filesystem::create_directories(u8path(folder));
        source = dir.path() + "/桌面/照片.jpg";
        writeFile(source, "new photo");
        window.label3.caption = "班级\\学生1\\物理\\力学";
        form.selectedPath = folder;
    }
    void upload(const std::string& chosen) {
        window.fileDialog.saveAnswers.push_back(chosen);
        Command1_Click(form);
    }

    std::string folder;
    std::string source;
};

TEST_P(UploadTest, NothingSelectedOrNothingChosenIsSaidSo) {
    window.label3.caption = "";
    Command1_Click(form);
    EXPECT_EQ(window.fileDialog.saves, 0);
    window.label3.caption = "班级";
    upload("");
    EXPECT_THAT(window.dialogs.messages, ElementsAre(Message{"请选择上传的知识点位置", "系统提示"},
                                                     Message{"请点击需要保存的位置", "系统提示"}));
    EXPECT_THAT(filesIn(folder), IsEmpty());
}

TEST_P(UploadTest, CopiesUnderTheFileNameWithoutRefreshingTheList) {
    window.list.items = {"旧的.txt"};
    upload(source);
    writeFile(dir.path() + "/桌面/笔记", "notes");
    upload(dir.path() + "/桌面/笔记");
    EXPECT_THAT(filesIn(folder), ElementsAre("照片.jpg", "笔记"));
    EXPECT_EQ(readFile(folder + "/照片.jpg"), "new photo");
    EXPECT_THAT(window.list.items, ElementsAre("旧的.txt"));
    EXPECT_THAT(window.dialogs.messages, IsEmpty());
    EXPECT_THAT(window.dialogs.questions, IsEmpty());
}

TEST_P(UploadTest, ExistingNameIsAskedAboutAndCancelKeepsTheOldFile) {
    writeFile(folder + "/照片.jpg", "earlier work");
    for (int answer : {2, -1}) {
        window.dialogs.choices.push_back(answer);
        upload(source);
    }
    EXPECT_EQ(readFile(folder + "/照片.jpg"), "earlier work");
    EXPECT_THAT(filesIn(folder), ElementsAre("照片.jpg"));
    ASSERT_EQ(window.dialogs.questions.size(), 2u);
    EXPECT_EQ(window.dialogs.questions[0].title, "系统提示");

    window.dialogs.choices.push_back(0);
    upload(source);
    EXPECT_EQ(readFile(folder + "/照片.jpg"), "new photo");
}

TEST_P(UploadTest, KeepBothGivesTheCopyAFreeName) {
    writeFile(folder + "/照片.jpg", "earlier work");
    writeFile(folder + "/照片 (2).jpg", "second");
    writeFile(folder + "/readme", "text");
    writeFile(dir.path() + "/桌面/readme", "other text");
    window.dialogs.choices = {1, 1};
    upload(source);
    upload(dir.path() + "/桌面/readme");
    EXPECT_EQ(readFile(folder + "/照片 (3).jpg"), "new photo");
    EXPECT_EQ(readFile(folder + "/照片.jpg"), "earlier work");
    EXPECT_EQ(readFile(folder + "/readme (2)"), "other text");
}

TEST_P(UploadTest, ChoosingTheFileInTheFolderItselfCopiesNothing) {
    writeFile(folder + "/照片.jpg", "earlier work");
    upload(folder + "/照片.jpg");
    EXPECT_EQ(readFile(folder + "/照片.jpg"), "earlier work");
    EXPECT_THAT(window.dialogs.questions, IsEmpty());
    EXPECT_THAT(filesIn(folder), ElementsAre("照片.jpg"));
}

TEST_P(UploadTest, FailuresAreReportedAndLeaveNothingBehind) {
    std::filesystem::remove_all(u8path(folder));
    upload(source);  // the folders were never generated
    upload(dir.path() + "/桌面/不存在.jpg");
    std::filesystem::create_directories(u8path(folder + "/照片.jpg/里面"));
    window.dialogs.choices.push_back(0);
    upload(source);  // a folder is in the way of the rename
    ASSERT_EQ(window.dialogs.messages.size(), 3u);
    EXPECT_THAT(window.dialogs.messages[0].prompt, StartsWith("错误：76"));
    EXPECT_THAT(window.dialogs.messages[1].prompt, StartsWith("错误：53"));
    EXPECT_THAT(window.dialogs.messages[2].prompt, StartsWith("错误："));
    EXPECT_EQ(window.dialogs.messages[2].title, "系统提示");
    EXPECT_THAT(filesIn(folder), ElementsAre("照片.jpg"));
}

TEST_P(UploadTest, ReadOnlyFileIsNotReplaced) {
    writeFile(folder + "/照片.jpg", "earlier work");
    std::filesystem::permissions(u8path(folder + "/照片.jpg"), std::filesystem::perms::owner_read);
    window.dialogs.choices.push_back(0);
    upload(source);
    EXPECT_EQ(readFile(folder + "/照片.jpg"), "earlier work");
    ASSERT_EQ(window.dialogs.messages.size(), 1u);
    EXPECT_THAT(window.dialogs.messages[0].prompt, StartsWith("错误：70"));
    EXPECT_THAT(filesIn(folder), ElementsAre("照片.jpg"));
}

TEST_P(UploadTest, FailedCopyIsReported) {
    window.files.failCopies = true;
    upload(source);
    ASSERT_EQ(window.dialogs.messages.size(), 1u);
    EXPECT_THAT(window.dialogs.messages[0].prompt, StartsWith("错误：61磁盘已满"));
}

TEST_P(UploadTest, NameThatCannotBeAFileNameIsRefused) {
    upload(dir.path() + "/桌面/..");
    ASSERT_EQ(window.dialogs.messages.size(), 1u);
    EXPECT_THAT(window.dialogs.messages[0].prompt, StartsWith("错误：75"));
    EXPECT_THAT(filesIn(folder), IsEmpty());
}

// The store needs no database.
INSTANTIATE_TEST_SUITE_P(NoDatabase, UploadTest, ::testing::Values(Backend::kMemory), backendName);

TEST(LastInStr, PositionOfTheLastHit) {
    EXPECT_EQ(LastInStr("abc", "\\"), 0);
    EXPECT_EQ(LastInStr("aaa", "aa"), 2);
    EXPECT_EQ(LastInStr("xAbxab", "AB"), 5);
    EXPECT_EQ(LastInStr("abc", ""), 0);
    EXPECT_EQ(LastInStr("", "a"), 0);
    EXPECT_EQ(LastInStr("C:\\a\\b.txt", "\\"), 5);
    EXPECT_EQ(LastInStr("桌面/照片/猫.jpg", "/"), 6);
    EXPECT_EQ(LastInStr("😀/a", "/"), 3);  // a character outside the BMP counts twice
    EXPECT_EQ(LastInStr("ÄBΓД", "äbγд"), 1);
}

TEST(LastInStr, HitsBeyond32766Overflow) {
    EXPECT_EQ(LastInStr(std::string(32765, 'a') + "/", "/"), 32766);
    for (std::size_t before : {32766u, 40000u}) {
        try {
            LastInStr(std::string(before, 'a') + "/", "/");
            ADD_FAILURE() << before;
        } catch (const Error& error) {
            EXPECT_EQ(error.number(), err::kOverflow);
        }
    }
}

TEST(Mid, CutsAtUtf16Positions) {
    EXPECT_EQ(Mid("C:\\a\\b.txt", 6), "b.txt");
    EXPECT_EQ(Mid("😀/猫.jpg", 4), "猫.jpg");
    EXPECT_EQ(Mid("abc", 1), "abc");
    EXPECT_EQ(Mid("abc", 9), "");
}

class ListAndBrowseTest : public ClassTest {
protected:
    void SetUp() override {
        form.selectedPath = under("学生1");
        window.label3.caption = "班级\\学生1";
        for (const char* name : {"photo.jpg", "photo.png", "photo.JPG", "photo.jpeg", "photo.bmp",
                                 "scan.2023.jpg", "readme"}) {
            writeFile(under(std::string("学生1/") + name));
            window.list.items.push_back(name);
        }
    }
    std::string clickOn(const std::string& name) {
        window.picture.shown = "before";
        window.list.pick(name);
        List1_Click(form);
        return window.picture.shown;
    }
};

TEST_P(ListAndBrowseTest, OnlyLowerCaseJpgAndPngArePreviewed) {
    EXPECT_EQ(clickOn("photo.jpg"), under("学生1/photo.jpg"));
    EXPECT_EQ(clickOn("photo.png"), under("学生1/photo.png"));
    for (const char* name : {"photo.JPG", "photo.jpeg", "photo.bmp", "scan.2023.jpg", "readme"}) {
        EXPECT_EQ(clickOn(name), "") << name;
    }
}

TEST_P(ListAndBrowseTest, PictureThatCannotBeLoadedFailsAndKeepsThePreview) {
    window.list.items.push_back("gone.png");
    EXPECT_THROW(clickOn("gone.png"), Error);
    EXPECT_EQ(window.picture.shown, "before");
}

TEST_P(ListAndBrowseTest, BrowsePresetsTheFolderOnlyWhenANodeWasClicked) {
    window.fileDialog.FileName = "/home/照片.jpg";
    window.label3.caption = "";
    Command2_Click(form);
    window.label3.caption = "班级\\学生1";
    Command2_Click(form);
    EXPECT_THAT(window.fileDialog.openedAt,
                ElementsAre("/home/照片.jpg", under("学生1") + kSeparator + "*.*"));
}

TEST_P(ListAndBrowseTest, PictureClickOpensTheSelectedEntry) {
    window.list.pick("readme");
    Image1_Click(form);
    window.list.selected = -1;
    Image1_Click(form);
    EXPECT_THAT(window.shell.opened, ElementsAre(under("学生1/readme"), under("学生1/")));
}

INSTANTIATE_TEST_SUITE_P(NoDatabase, ListAndBrowseTest, ::testing::Values(Backend::kMemory),
                         backendName);

}  // namespace
}  // namespace veltrana::test
