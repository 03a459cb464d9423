#ifdef _WIN32
#include <windows.h>
#endif

#include <filesystem>
#include <thread>

#include "logic/class_test.h"
#include "model/folder_name.h"
#include "model/landing_name.h"
#include "platform/fs/os_file.h"
#include "store/browse.h"
#include "store/last_in_str.h"
#include "store/list_click.h"
#include "store/upload.h"

namespace veltrana::test {
namespace {

using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;
using ::testing::UnorderedElementsAreArray;

// A knowledge point's folder has been clicked; the user's own files lie elsewhere.
class UploadTest : public ClassTest {
protected:
    void SetUp() override {
        std::filesystem::create_directories(utf8Path(folder));
        writeFile(source, "new photo");
        window.label3.caption = "班级\\学生1\\物理\\力学";
        form.selectedPath = folder;
    }
    void upload(const std::vector<std::string>& chosen) {
        window.fileDialog.saveAnswers.push_back(chosen);
        Command1_Click(form);
    }
    // Pages of homework photographed with a phone, as it names them.
    std::vector<std::string> pages(int count) const {
        std::vector<std::string> paths;
        for (int i = 1; i <= count; ++i) {
            paths.push_back(at("手机/DCIM/IMG_000" + std::to_string(i) + ".JPG"));
            writeFile(paths.back(), "page " + std::to_string(i));
        }
        return paths;
    }
    void expectPages(std::initializer_list<int> numbers) const {
        for (int i : numbers) {
            EXPECT_EQ(readFile(inFolder("IMG_000" + std::to_string(i) + ".JPG")),
                      "page " + std::to_string(i));
        }
    }

    std::string inFolder(const std::string& name) const { return folder + kSeparator + name; }

    std::string folder = under("学生1/物理/力学");
    std::string source = at("桌面/照片.jpg");
};

TEST_F(UploadTest, NothingSelectedOrNothingChosenIsSaidSo) {
    window.label3.caption = "";
    Command1_Click(form);
    EXPECT_EQ(window.fileDialog.saves, 0);
    window.label3.caption = "班级";
    upload({});
    EXPECT_THAT(window.dialogs.messages, ElementsAre(Message{"请选择上传的知识点位置", "系统提示"},
                                                     Message{"请点击需要保存的位置", "系统提示"}));
    EXPECT_THAT(filesIn(folder), IsEmpty());
}

TEST_F(UploadTest, CopiesEachChosenFileWritableWithoutRefreshingTheList) {
    window.list.items = {"旧的.txt"};
    std::filesystem::permissions(utf8Path(source), std::filesystem::perms::owner_read);
    upload({source});
    writeFile(at("桌面/笔记"), "notes");
    upload({at("桌面/笔记")});
    upload(pages(3));
    EXPECT_THAT(filesIn(folder),
                ElementsAre("IMG_0001.JPG", "IMG_0002.JPG", "IMG_0003.JPG", "照片.jpg", "笔记"));
    EXPECT_EQ(readFile(inFolder("照片.jpg")), "new photo");
    expectPages({1, 2, 3});
    auto copied = std::filesystem::status(utf8Path(inFolder("照片.jpg"))).permissions();
    EXPECT_NE(copied & std::filesystem::perms::owner_write, std::filesystem::perms::none);
    EXPECT_THAT(window.list.items, ElementsAre("旧的.txt"));
    EXPECT_THAT(window.dialogs.messages, IsEmpty());
    EXPECT_THAT(window.dialogs.questions, IsEmpty());
    EXPECT_EQ(window.dialogs.progressDialogs.back(), (Message{"系统提示", "停止上传"}));
    EXPECT_EQ(window.dialogs.reports.back().text, "正在上传第 3 个文件（共 3 个）：IMG_0003.JPG");

    upload({inFolder("照片.jpg")});  // the file in the folder itself: nothing to copy or ask
    EXPECT_EQ(readFile(inFolder("照片.jpg")), "new photo");
    EXPECT_THAT(window.dialogs.questions, IsEmpty());
}

TEST_F(UploadTest, ExistingNameIsAskedAboutCancelKeepsKeepBothRenamesReplaceReplaces) {
    writeFile(inFolder("照片.jpg"), "earlier work");
    writeFile(inFolder("照片 (2).jpg"), "second");
    // Closing the box cancels, and one file has no answer for all.
    window.dialogs.choices = {"取消", "全部替换", "保留两者", "替换"};
    for (int i = 0; i < 2; ++i) {
        upload({source});
    }
    EXPECT_EQ(readFile(inFolder("照片.jpg")), "earlier work");
    EXPECT_THAT(filesIn(folder), ElementsAre("照片 (2).jpg", "照片.jpg"));
    EXPECT_EQ(window.dialogs.questions.at(0).title, "系统提示");

    upload({source});
    EXPECT_EQ(readFile(inFolder("照片 (3).jpg")), "new photo");
    EXPECT_EQ(readFile(inFolder("照片.jpg")), "earlier work");
    upload({source});
    EXPECT_EQ(readFile(inFolder("照片.jpg")), "new photo");

    writeFile(inFolder("readme"), "text");
    writeFile(at("桌面/readme"), "other text");
    window.dialogs.choices = {"保留两者"};
    upload({at("桌面/readme")});
    EXPECT_EQ(readFile(inFolder("readme (2)")), "other text");
    EXPECT_THAT(window.dialogs.messages, IsEmpty());
}

TEST_F(UploadTest, OneAnswerServesAllClashesOfSeveralFiles) {
    std::vector<std::string> chosen = pages(4);
    for (const char* name : {"IMG_0002.JPG", "IMG_0004.JPG"}) {
        writeFile(inFolder(name), "earlier work");
    }
    window.dialogs.choices = {"全部替换"};
    upload(chosen);
    EXPECT_EQ(window.dialogs.questions.size(), 1u);
    expectPages({1, 2, 3, 4});
    EXPECT_THAT(window.dialogs.messages, IsEmpty());

    window.dialogs.choices = {"全部保留两者"};
    upload({chosen[0], chosen[1]});
    EXPECT_EQ(readFile(inFolder("IMG_0002 (2).JPG")), "page 2");
    window.dialogs.choices = {"替换", "取消", "全部跳过", "替换", "停止上传"};
    upload(chosen);
    upload(chosen);
    EXPECT_EQ(window.dialogs.questions.size(), 7u);
    EXPECT_EQ(filesIn(folder).size(), 6u);
    EXPECT_THAT(window.dialogs.prompts("系统提示"),
                ElementsAre("4 个文件中有 3 个没有上传：\nIMG_0002.JPG：已取消\n"
                            "IMG_0003.JPG：已取消\nIMG_0004.JPG：已取消",
                            "4 个文件中有 3 个没有上传：\nIMG_0002.JPG：上传已停止\n"
                            "IMG_0003.JPG：上传已停止\nIMG_0004.JPG：上传已停止"));
}

// A phone or a second copy of the program on a shared Data puts a file of the same name into the
// folder while the upload copies: both stay whole, and the upload says what its copy is called.
// The folder is flushed once per upload, not per file.
TEST_F(UploadTest, AFileThatTakesTheNameDuringTheCopyStaysAndTheCopyIsNumbered) {
    window.files.meanwhile = [&](const std::string& destination) {
        if (destination != inFolder("IMG_0001.JPG")) {
            writeFile(destination, "from the phone");
        }
    };
    upload(pages(2));
    upload({source});
    expectPages({1});
    EXPECT_EQ(readFile(inFolder("IMG_0002 (2).JPG")), "page 2");
    EXPECT_EQ(readFile(inFolder("照片 (2).jpg")), "new photo");
    for (const char* name : {"IMG_0002.JPG", "照片.jpg"}) {
        EXPECT_EQ(readFile(inFolder(name)), "from the phone");
    }
    const std::string kept = "上传期间文件夹里出现了同名的文件，两个都已保留：\n";
    EXPECT_THAT(window.dialogs.prompts("系统提示"),
                ElementsAre(kept + "IMG_0002.JPG 已另存为“IMG_0002 (2).JPG”",
                            kept + "照片.jpg 已另存为“照片 (2).jpg”"));
    EXPECT_EQ(window.files.foldersFlushed, 2);
}

// Windows and the USB sticks a Data folder travels on take names that differ in case alone for
// one name, so the upload does too, on every system: the file there keeps its name.
TEST_F(UploadTest, NameThatDiffersInCaseAloneIsAClash) {
    writeFile(inFolder("IMG_0001.JPG"), "earlier work");
    std::string phone = at("手机/img_0001.jpg");
    writeFile(phone, "new photo");
    window.dialogs.choices = {"取消", "保留两者", "替换"};
    for (int i = 0; i < 3; ++i) {
        upload({phone});
    }
    ASSERT_EQ(window.dialogs.questions.size(), 3u);
    EXPECT_THAT(window.dialogs.questions[0].prompt, HasSubstr("“IMG_0001.JPG”"));
    EXPECT_THAT(filesIn(folder), ElementsAre("IMG_0001 (2).JPG", "IMG_0001.JPG"));
    EXPECT_EQ(readFile(inFolder("IMG_0001 (2).JPG")), "new photo");
    EXPECT_EQ(readFile(inFolder("IMG_0001.JPG")), "new photo");
}

// On Windows a viewer that holds a photo open keeps it from being replaced, and an editor that
// writes one keeps it from being read (sharing violations): each such file alone is reported,
// whole as it was, and the others are copied.
TEST_F(UploadTest, FileHeldOpenByAnotherProgramIsReportedAloneAndStaysWhole) {
#ifdef _WIN32
    std::vector<std::string> chosen = pages(3);
    writeFile(inFolder("IMG_0002.JPG"), "earlier work");
    auto hold = [](const std::string& path, DWORD access, DWORD shared) {
        return CreateFileW(utf8Path(path).c_str(), access, shared, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    HANDLE viewer = hold(inFolder("IMG_0002.JPG"), GENERIC_READ, FILE_SHARE_READ);
    HANDLE editor = hold(chosen[2], GENERIC_WRITE, 0);
    ASSERT_NE(viewer, INVALID_HANDLE_VALUE);
    ASSERT_NE(editor, INVALID_HANDLE_VALUE);
    window.dialogs.choices = {"全部替换"};
    upload(chosen);
    CloseHandle(viewer);
    CloseHandle(editor);
    expectPages({1});
    EXPECT_EQ(readFile(inFolder("IMG_0002.JPG")), "earlier work");
    EXPECT_THAT(filesIn(folder), ElementsAre("IMG_0001.JPG", "IMG_0002.JPG"));
    EXPECT_THAT(
        window.dialogs.prompts("系统提示"),
        ElementsAre(AllOf(
            StartsWith("3 个文件中有 2 个没有上传：\nIMG_0002.JPG：错误：70文件正被其他程序使用"),
            HasSubstr("\nIMG_0003.JPG：错误：70文件正被其他程序使用"))));
#else
    GTEST_SKIP() << "only Windows keeps others from a file that a program holds open";
#endif
}

// Virus scanners, the search indexer and OneDrive hold a file that was just written for a moment:
// a rename that meets one is tried again for about half a second, then fails as before. A name
// that is taken is no such moment.
TEST(RetryWhileHeld, ARenameThatMeetsAHolderIsTriedAgainForAMomentAndOnlyThen) {
    const auto held = std::make_error_code(std::errc::device_or_resource_busy);
    const auto taken = std::make_error_code(std::errc::file_exists);
    auto attempts = [&](int heldFor, std::error_code then) {
        int calls = 0;
        std::error_code ec;
        os::retryWhileHeld([&](std::error_code& e) { e = calls++ < heldFor ? held : then; }, ec);
        return std::pair(calls, ec);
    };
    EXPECT_EQ(attempts(3, {}), std::pair(4, std::error_code()));
    EXPECT_EQ(attempts(100, {}), std::pair(6, held));
    EXPECT_EQ(attempts(1, taken), std::pair(2, taken));
    EXPECT_EQ(attempts(0, taken), std::pair(1, taken));
}

// The same with a real holder: a program that opened the file without sharing it.
TEST_F(UploadTest, FileHeldForAMomentIsReplacedAndOneHeldOnIsReportedWhole) {
#ifdef _WIN32
    writeFile(inFolder("照片.jpg"), "earlier work");
    auto hold = [this] {
        return CreateFileW(utf8Path(inFolder("照片.jpg")).c_str(), GENERIC_READ, 0, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    HANDLE scanner = hold();
    ASSERT_NE(scanner, INVALID_HANDLE_VALUE);
    std::thread letGo([scanner] {
        Sleep(150);
        CloseHandle(scanner);
    });
    window.dialogs.choices = {"替换"};
    upload({source});
    letGo.join();
    EXPECT_EQ(readFile(inFolder("照片.jpg")), "new photo");

    HANDLE editor = hold();
    ASSERT_NE(editor, INVALID_HANDLE_VALUE);
    writeFile(source, "newer photo");
    window.dialogs.choices = {"替换"};
    upload({source});
    CloseHandle(editor);
    EXPECT_EQ(readFile(inFolder("照片.jpg")), "new photo");
    EXPECT_THAT(filesIn(folder), ElementsAre("照片.jpg"));
    EXPECT_THAT(window.dialogs.prompts("系统提示"),
                ElementsAre(StartsWith("错误：70文件正被其他程序使用")));
#else
    GTEST_SKIP() << "only Windows keeps others from a file that a program holds open";
#endif
}

// A path of Windows' 260 characters or more works where the system takes it, and is refused
// on Windows with what to do; nothing is left half made.
TEST_F(UploadTest, PathBeyondWindowsLimitWorksOrIsRefusedWithWhatToDo) {
    std::string deep = folder + kSeparator + std::string(120, 'a');
    std::string deeper = deep + kSeparator + std::string(120, 'b');
    std::string photo = at("桌面/" + std::string(130, 'c') + ".jpg");
    writeFile(photo, "new photo");
    ASSERT_TRUE(window.files.createFolder(deep));
    form.selectedPath = deep;
    upload({photo});
#ifdef _WIN32
    EXPECT_TRUE(failsWith([&] { window.files.createFolder(deeper); }, err::kPathFileAccess,
                          {"路径太长", deeper, "D:\\班级文件库"}));
    EXPECT_THAT(filesIn(deep), IsEmpty());
    EXPECT_THAT(window.dialogs.prompts("系统提示"), ElementsAre(StartsWith("错误：75路径太长")));
#else
    EXPECT_TRUE(window.files.createFolder(deeper));
    EXPECT_EQ(readFile(deep + kSeparator + std::string(130, 'c') + ".jpg"), "new photo");
    EXPECT_THAT(window.dialogs.messages, IsEmpty());
#endif
}

TEST_F(UploadTest, AFailingFileDoesNotStopTheOthersAndAStopLeavesWholeFilesOnly) {
    std::vector<std::string> chosen = pages(5);
    window.files.failCopying = chosen[1];
    window.dialogs.stopAtReport = 3;
    upload(chosen);
    EXPECT_THAT(filesIn(folder), ElementsAre("IMG_0001.JPG", "IMG_0003.JPG"));
    expectPages({1, 3});
    EXPECT_THAT(
        window.dialogs.prompts("系统提示"),
        ElementsAre("5 个文件中有 3 个没有上传：\nIMG_0002.JPG：错误：61磁盘已满：无法复制文件“" +
                    chosen[1] + "”到“" + inFolder("IMG_0002.JPG") + "”\n" +
                    "IMG_0004.JPG：上传已停止\nIMG_0005.JPG：上传已停止"));
}

TEST_F(UploadTest, CopiesCutOffADayAgoAreRemovedByTheNextUploadAndYoungerOnesStay) {
    std::vector<std::string> teachers{".hidden", "a.veltrana-.tmp", "a.veltrana-1.tmp.jpg",
                                      "veltrana-1.tmp", "作业.txt"};
    for (const std::string& name : teachers) {
        writeFile(inFolder(name));
    }
    const auto dayAndMinuteAgo = std::filesystem::file_time_type::clock::now() -
                                 std::chrono::hours(24) - std::chrono::minutes(1);
    for (const char* name : {".veltrana-0.tmp", ".veltrana-17.tmp", "big.bin.veltrana-0.tmp"}) {
        writeFile(inFolder(name), "half a copy");
        std::filesystem::last_write_time(utf8Path(inFolder(name)), dayAndMinuteAgo);
    }
    writeFile(inFolder(".veltrana-3.tmp"), "another upload is writing this");
    EXPECT_THAT(window.files.listFiles(folder), UnorderedElementsAreArray(teachers));
    upload({source});
    teachers.insert(teachers.end(), {"照片.jpg", ".veltrana-3.tmp"});
    EXPECT_THAT(filesIn(folder), UnorderedElementsAreArray(teachers));
}

TEST_F(UploadTest, SingleFileFailuresAreReportedAndLeaveNoStrayFile) {
    upload({at("桌面/不存在.jpg")});
    upload({at("桌面/..")});
    // The phone's rule: room for " (2)" in a long name, and no hidden file.
    upload({at("桌面/" + std::string(kLongestLandingName - 3, 'a') + ".jpg")});
    upload({at("桌面/.照片.jpg")});
    window.files.failCopying = source;
    upload({source});
    window.files.failCopying.clear();
    writeFile(inFolder("照片.jpg"), "earlier work");
    std::filesystem::permissions(utf8Path(inFolder("照片.jpg")),
                                 std::filesystem::perms::owner_read);
    window.dialogs.choices.push_back("替换");
    upload({source});
    EXPECT_EQ(readFile(inFolder("照片.jpg")), "earlier work");
    std::filesystem::permissions(
        utf8Path(inFolder("照片.jpg")), std::filesystem::perms::owner_write,
        std::filesystem::perm_options::add);  // Windows removes no read-only file
    std::filesystem::remove(utf8Path(inFolder("照片.jpg")));
    std::filesystem::create_directories(utf8Path(inFolder("照片.jpg/里面")));
    window.dialogs.choices.push_back("替换");
    upload({source});  // a folder is in the way of the rename
    EXPECT_THAT(filesIn(folder), ElementsAre("照片.jpg"));
    std::filesystem::remove_all(utf8Path(folder));
    upload({source});  // the folders were never generated

    EXPECT_THAT(window.dialogs.prompts("系统提示"),
                ElementsAre(StartsWith("错误：53"), StartsWith("错误：75"), HasSubstr("太长"),
                            HasSubstr("隐藏文件"), StartsWith("错误：61磁盘已满"),
                            StartsWith("错误：70"), StartsWith("错误："), StartsWith("错误：76")));
}

TEST(LastInStr, PositionOfTheLastHitInUtf16Units) {
    EXPECT_EQ(LastInStr("abc", "\\"), 0);
    EXPECT_EQ(LastInStr("aaa", "aa"), 2);
    EXPECT_EQ(LastInStr("abc", ""), 0);
    EXPECT_EQ(LastInStr("", "a"), 0);
    EXPECT_EQ(LastInStr("C:\\a\\b.txt", "\\"), 5);
    EXPECT_EQ(LastInStr("桌面/照片/猫.jpg", "/"), 6);
    EXPECT_EQ(LastInStr("😀/a", "/"), 3);  // a character outside the BMP counts twice
    EXPECT_EQ(LastInStr("ŁÓDŹ/Žal", "łódź/žAL"), 1);
    EXPECT_EQ(LastInStr("Ńł", "Ń"), 1);                     // ł is no Ń
    EXPECT_EQ(LastInStr("Straße/ΣΊΣΥΦΟΣ", "/σίσυφος"), 7);  // folding keeps every position
    EXPECT_EQ(LastInStr(std::string(32765, 'a') + "/", "/"), 32766);
    EXPECT_TRUE(failsWith([] { LastInStr(std::string(32766, 'a') + "/", "/"); }, err::kOverflow));
    EXPECT_EQ(Mid("😀/猫.jpg", 4), "猫.jpg");
    EXPECT_EQ(Mid("abc", 9), "");
}

TEST(FolderName, SafeAndUnsafeNames) {
    for (const char* name : {"学生1", "物理（选修）", "a b", ".hidden", "com10", "CONSOLE", "COM0",
                             "LPT\u2074", "con-1.txt"}) {
        EXPECT_TRUE(isSafeFolderName(name)) << name;
        EXPECT_EQ(folderNameFor(name), name);
    }
    for (const char* name : {"",
                             ".",
                             "..",
                             "a/b",
                             "a\\b",
                             "a:b",
                             "a*",
                             "a?",
                             "a\"b",
                             "a<b",
                             "a|b",
                             "tab\there",
                             "end.",
                             "end ",
                             "CON",
                             "nul.txt",
                             "Lpt1",
                             "\xE5\xAD",
                             "aux .tar.gz",
                             "conout$",
                             "CONIN$.log",
                             "COM\u00B9",
                             "lpt\u00B3.txt",
                             "\x7F",
                             "\x1B[0m"}) {
        EXPECT_FALSE(isSafeFolderName(name)) << name;
    }
    // Trailing blanks and dots go, as Windows drops them; what is left must still be safe.
    EXPECT_EQ(folderNameFor("王芳 "), "王芳");
    EXPECT_EQ(folderNameFor(" 王芳. . "), " 王芳");
    for (const char* name : {" ", ". .", "...", "CON.", "a/b.", ""}) {
        EXPECT_EQ(folderNameFor(name), "") << name;
    }
}

class ListAndBrowseTest : public ClassTest {
protected:
    void SetUp() override {
        form.selectedPath = under("学生1");
        window.label3.caption = "班级\\学生1";
        for (const char* name :
             {"photo.jpg", "photo.png", "IMG_0001.JPG", "a.jpeg", "图.PNG", "scan.2023.jpg",
              "作业.第2次.Jpg", "photo.bmp", "photo.jpg.txt", "jpg", "readme"}) {
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

TEST_F(ListAndBrowseTest, PicturesAreNamedByWhatFollowsTheLastDotInAnyCase) {
    for (const char* name : {"photo.jpg", "photo.png", "IMG_0001.JPG", "a.jpeg", "图.PNG",
                             "scan.2023.jpg", "作业.第2次.Jpg"}) {
        EXPECT_EQ(clickOn(name), under("学生1/") + name) << name;
    }
    for (const char* name : {"photo.bmp", "photo.jpg.txt", "jpg", "readme"}) {
        EXPECT_EQ(clickOn(name), "") << name;
    }
    window.list.items.push_back("gone.png");
    EXPECT_THROW(clickOn("gone.png"), Error);
    EXPECT_EQ(window.picture.shown, "before");
}

TEST_F(ListAndBrowseTest, BrowseAndPictureClickUseTheSelectionAndSayWhenNothingOpens) {
    window.fileDialog.FileName = "/home/照片.jpg";
    window.label3.caption = "";
    Command2_Click(form);
    window.label3.caption = "班级\\学生1";
    Command2_Click(form);
    EXPECT_THAT(window.fileDialog.openedAt,
                ElementsAre("/home/照片.jpg", under("学生1") + kSeparator + "*.*"));

    window.list.pick("readme");
    Image1_Click(form);
    window.list.selected = -1;
    Image1_Click(form);
    EXPECT_THAT(window.shell.opened, ElementsAre(under("学生1/readme"), under("学生1/")));
    EXPECT_THAT(window.dialogs.messages, IsEmpty());

    window.shell.noApplication = true;
    window.list.pick("photo.bmp");
    Image1_Click(form);
    std::filesystem::remove(utf8Path(under("学生1/readme")));
    window.list.pick("readme");
    Image1_Click(form);
    EXPECT_EQ(window.shell.opened.size(), 3u);  // a file that is gone is not handed on
    EXPECT_THAT(
        window.dialogs.prompts("系统提示"),
        ElementsAre("无法打开“" + under("学生1/photo.bmp") + "”：系统中没有可以打开它的程序",
                    "找不到“" + under("学生1/readme") + "”，它可能已被移动或删除"));
}

}  // namespace
}  // namespace veltrana::test
