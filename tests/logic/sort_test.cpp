#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "sort/destination.h"
#include "sort/sort_session.h"
#include "sort/taken_time.h"
#include "store/file_actions.h"
#include "support/fakes.h"

namespace veltrana::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

// Five students in roll-call order, IDs 1 to 5, and one course with two knowledge points.
SortCatalogue smallClass() {
    SortCatalogue catalogue;
    for (const char* name : {"李四", "吕方", "单雨", "曾国强", "张小明"}) {
        catalogue.nodes.students.push_back({name, name});
    }
    catalogue.studentIds = {"4", "5", "3", "2", "1"};
    catalogue.nodes.courses.push_back({{"物理", "物理"}, {{"力学", "力学"}, {"电学", "电学"}}});
    return catalogue;
}

std::vector<std::string> picked(std::string_view typed, bool persons = true) {
    const SortCatalogue catalogue = smallClass();
    std::vector<Choice> choices = persons ? catalogue.students() : catalogue.points(0);
    std::vector<std::string> names;
    for (int i : matching(typed, choices, persons)) {
        names.push_back(choices[static_cast<std::size_t>(i)].name);
    }
    return names;
}

TEST(SortMatching, InitialsFullPinyinCharactersAndIdPickTheStudent) {
    EXPECT_THAT(picked("zxm"), ElementsAre("张小明"));
    EXPECT_THAT(picked("ZhangXiaoming"), ElementsAre("张小明"));
    EXPECT_THAT(picked("zhangx"), ElementsAre("张小明"));
    EXPECT_THAT(picked("小明"), ElementsAre("张小明"));
    EXPECT_THAT(picked("1"), ElementsAre("张小明"));
    // Surnames match as they are read: 曾 zēng, not céng; 单 shàn, not dān.
    EXPECT_THAT(picked("zgq"), ElementsAre("曾国强"));
    EXPECT_THAT(picked("cgq"), IsEmpty());
    EXPECT_THAT(picked("sy"), ElementsAre("单雨"));
    EXPECT_THAT(picked("dy"), IsEmpty());
    EXPECT_THAT(picked("lvf"), ElementsAre("吕方"));
    // A first letter lists all it fits, initials before a longer pinyin that merely starts so.
    EXPECT_THAT(picked("z"), ElementsAre("曾国强", "张小明"));
    EXPECT_THAT(picked(""), IsEmpty());
    EXPECT_THAT(picked("dx", false), ElementsAre("电学"));
    EXPECT_THAT(picked("力", false), ElementsAre("力学"));
}

TEST(SortTakenTime, ReadsDateTimeOriginalFromTheExifBlock) {
    // A little-endian TIFF: IFD0 with one entry pointing at the Exif IFD, which has the time.
    std::string tiff("II*\0\x08\0\0\0", 8);
    auto u16 = [](int v) { return std::string{char(v & 0xFF), char(v >> 8)}; };
    auto u32 = [&](int v) { return u16(v & 0xFFFF) + u16(v >> 16); };
    tiff += u16(1) + u16(0x8769) + u16(4) + u32(1) + u32(26) + u32(0);   // IFD0 at 8, ends at 26
    tiff += u16(1) + u16(0x9003) + u16(2) + u32(20) + u32(44) + u32(0);  // Exif IFD, ends at 44
    tiff += std::string("2026:09:01 08:15:00\0", 20);
    std::string app1 = std::string("Exif\0\0", 6) + tiff;
    std::string jpeg = std::string("\xFF\xD8\xFF\xE1", 4) +
                       std::string{char((app1.size() + 2) >> 8), char((app1.size() + 2) & 0xFF)} +
                       app1 + "\xFF\xDA";
    EXPECT_EQ(takenTime(jpeg), "2026:09:01 08:15:00");
    EXPECT_EQ(takenTime(jpeg.substr(0, jpeg.size() - 30)), "");  // cut short
    EXPECT_EQ(takenTime("\xFF\xD8\xFF\xDA"), "");
    EXPECT_EQ(takenTime("not a jpeg"), "");
}

class SortSessionTest : public ::testing::Test {
protected:
    std::string inbox(const std::string& name) const {
        return app.path() + kSeparator + kInboxFolder + kSeparator + name;
    }
    std::string point(const std::string& student, const std::string& name = {}) const {
        std::string folder = app.path() + kSeparator + "Data" + kSeparator + student + kSeparator +
                             "物理" + kSeparator + "力学";
        return name.empty() ? folder : folder + kSeparator + name;
    }
    void SetUp() override {
        for (const Choice& student : smallClass().students()) {
            std::filesystem::create_directories(utf8Path(point(student.name)));
        }
        for (int i = 1; i <= 3; ++i) {
            writeFile(inbox("IMG_000" + std::to_string(i) + ".JPG"), "page " + std::to_string(i));
        }
    }
    SortSession session() {
        SortSession made(files, smallClass(), app.path(), inboxPhotos(files, app.path()));
        made.to = {0, 0, 0};
        return made;
    }

    TempDir app;
    FailingFileSystem files;
};

TEST_F(SortSessionTest, FilesSkipsAndUndoesBackToTheOldNames) {
    SortSession s = session();
    EXPECT_THAT(s.file(), HasSubstr("李四 / 物理 / 力学"));
    s.skip();
    s.to.student = 4;
    s.file();
    EXPECT_TRUE(s.done());
    EXPECT_THAT(filesIn(point("李四")), ElementsAre("IMG_0001.JPG"));
    EXPECT_THAT(filesIn(point("张小明")), ElementsAre("IMG_0003.JPG"));
    EXPECT_THAT(filesIn(inbox("")), ElementsAre("IMG_0002.JPG"));

    // Filed again from elsewhere: a copy, under a free name, the original untouched.
    const std::string elsewhere = app.path() + kSeparator + "桌面" + kSeparator + "IMG_0001.JPG";
    writeFile(elsewhere, "another day");
    SortSession copies(files, smallClass(), app.path(), {elsewhere});
    copies.to = {0, 0, 0};
    EXPECT_THAT(copies.file(), HasSubstr("名为“IMG_0001 (2).JPG”"));
    EXPECT_EQ(readFile(point("李四", "IMG_0001 (2).JPG")), "another day");
    EXPECT_EQ(copies.undo(), "已撤销：“IMG_0001.JPG”回到了原处");
    EXPECT_EQ(readFile(elsewhere), "another day");

    s.undo();
    EXPECT_EQ(s.current(), 2u);
    EXPECT_EQ(s.to, (Destination{4, 0, 0}));
    s.undo();
    EXPECT_EQ(s.current(), 0u);
    EXPECT_EQ(s.undo(), "没有可以撤销的归档");
    EXPECT_THAT(filesIn(inbox("")), ElementsAre("IMG_0001.JPG", "IMG_0002.JPG", "IMG_0003.JPG"));
    EXPECT_EQ(readFile(inbox("IMG_0003.JPG")), "page 3");
    EXPECT_THAT(filesIn(point("李四")), IsEmpty());  // the copy went too

    // A name there in another case is the same name on Windows and on a USB stick.
    writeFile(point("张小明", "img_0003.jpg"), "a third day");
    SortSession again(files, smallClass(), app.path(), {inbox("IMG_0003.JPG")});
    again.to = {4, 0, 0};
    EXPECT_THAT(again.file(), HasSubstr("名为“img_0003 (2).jpg”"));
    EXPECT_EQ(readFile(point("张小明", "img_0003 (2).jpg")), "page 3");
}

TEST_F(SortSessionTest, UndoLeavesAFileChangedSinceAlone) {
    SortSession s = session();
    s.file();
    writeFile(point("李四", "IMG_0001.JPG"), "drawn on by the teacher");
    EXPECT_THAT(s.undo(), HasSubstr("归档后已被修改或移走，没有撤销"));
    EXPECT_EQ(readFile(point("李四", "IMG_0001.JPG")), "drawn on by the teacher");
    EXPECT_FALSE(s.canUndo());
}

TEST_F(SortSessionTest, AMoveLeavesTheInboxOnlyAfterItLanded) {
    SortSession s = session();
    bool originalWhileCopying = false;
    files.meanwhile = [&](const std::string&) {
        originalWhileCopying = std::filesystem::exists(utf8Path(inbox("IMG_0001.JPG")));
    };
    s.file();
    EXPECT_TRUE(originalWhileCopying);
    files.failCopying = inbox("IMG_0002.JPG");
    EXPECT_THROW(s.file(), Error);
    EXPECT_THAT(filesIn(inbox("")), ElementsAre("IMG_0002.JPG", "IMG_0003.JPG"));  // no claim left
    EXPECT_EQ(s.current(), 1u);
    s.to.point = -1;
    EXPECT_THROW(s.file(), Error);
}

TEST_F(SortSessionTest, TwoWindowsOnOneInboxNeverFileAPhotoTwiceOrLoseOne) {
    SortSession a = session();
    SortSession b = session();
    b.to.student = 1;
    a.file();
    EXPECT_THAT(b.file(), HasSubstr("另一个程序已整理了它"));
    EXPECT_EQ(b.photos().size(), 2u);
    b.file();  // IMG_0002
    // A claim held by a window that is filing the photo right now.
    writeFile(inbox(".sorting-IMG_0003.JPG"));
    EXPECT_THAT(a.file(), HasSubstr("已不在待整理中"));
    EXPECT_THAT(a.file(), HasSubstr("正由另一个程序整理"));
    EXPECT_TRUE(a.done());
    EXPECT_THAT(filesIn(point("李四")), ElementsAre("IMG_0001.JPG"));
    EXPECT_THAT(filesIn(point("吕方")), ElementsAre("IMG_0002.JPG"));
    EXPECT_THAT(filesIn(inbox("")), ElementsAre(".sorting-IMG_0003.JPG", "IMG_0003.JPG"));

    // A claim hours old was left by a copy that was killed while filing: the photo is free.
    std::filesystem::last_write_time(
        utf8Path(inbox(".sorting-IMG_0003.JPG")),
        std::filesystem::file_time_type::clock::now() - std::chrono::hours(2));
    SortSession c = session();
    EXPECT_THAT(c.file(), HasSubstr("已归档到"));
    EXPECT_THAT(filesIn(inbox("")), IsEmpty());
}

TEST_F(SortSessionTest, RollCallMovesToTheNextStudentAfterEachFiling) {
    SortSession s = session();
    s.rollCall = true;
    s.file();
    s.stepStudent(1);  // 吕方 is absent
    s.file();
    s.file();
    EXPECT_THAT(filesIn(point("李四")), ElementsAre("IMG_0001.JPG"));
    EXPECT_THAT(filesIn(point("单雨")), ElementsAre("IMG_0002.JPG"));
    EXPECT_THAT(filesIn(point("曾国强")), ElementsAre("IMG_0003.JPG"));
    EXPECT_EQ(s.to.student, 4);
    s.stepStudent(5);
    EXPECT_EQ(s.to.student, 4);

    std::vector<std::string> paths{"c", "a", "b"};
    orderByTakenTime(paths, [](const std::string& p) { return p == "c" ? "2026:01" : "2026:02"; });
    EXPECT_THAT(paths, ElementsAre("c", "a", "b"));
}

}  // namespace
}  // namespace veltrana::test

namespace veltrana::test {
namespace {

TEST(FileActions, RenameNeverTakesANameAndDeleteGoesToTheTrashOnly) {
    TempDir app;
    FakeDataAccess data;
    FakeWindow window(app.path(), data);
    const std::string folder = app.path() + "/Data/李四/物理/力学";
    writeFile(folder + "/IMG_0001.JPG", "first");
    writeFile(folder + "/IMG_0002.JPG", "second");
    window.form.selectedPath = folder;
    window.list.items = {"IMG_0001.JPG", "IMG_0002.JPG"};
    window.list.pick("IMG_0001.JPG");

    window.dialogs.typed = {"IMG_0002.JPG", ".hidden.jpg", "第一页.jpg"};
    RenameFile_Click(window.form);
    RenameFile_Click(window.form);
    EXPECT_THAT(filesIn(folder), ElementsAre("IMG_0001.JPG", "IMG_0002.JPG"));
    RenameFile_Click(window.form);
    EXPECT_THAT(filesIn(folder), ElementsAre("IMG_0002.JPG", "第一页.jpg"));
    EXPECT_EQ(readFile(folder + "/IMG_0002.JPG"), "second");
    ASSERT_EQ(window.dialogs.messages.size(), 2u);
    EXPECT_THAT(window.dialogs.messages[0].prompt, HasSubstr("已有名为“IMG_0002.JPG”的文件"));
    EXPECT_THAT(window.dialogs.messages[1].prompt, HasSubstr("不能用作文件名"));

    window.list.pick("IMG_0002.JPG");
    window.dialogs.choices = {"取消", "移到回收站", "移到回收站"};
    DeleteFile_Click(window.form);
    DeleteFile_Click(window.form);  // no trash on this desktop
    EXPECT_THAT(window.dialogs.messages.back().prompt, HasSubstr("文件没有删除"));
    EXPECT_THAT(filesIn(folder), ElementsAre("IMG_0002.JPG", "第一页.jpg"));
    window.shell.trash = app.path() + "/回收站";
    std::filesystem::create_directories(utf8Path(window.shell.trash));
    DeleteFile_Click(window.form);
    EXPECT_THAT(filesIn(folder), ElementsAre("第一页.jpg"));
    EXPECT_EQ(readFile(window.shell.trash + "/IMG_0002.JPG"), "second");
}

}  // namespace
}  // namespace veltrana::test
