#include "app/sort_window.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <filesystem>

#include "app/qt_test_support.h"
#include "support/fakes.h"
#include "support/photos.h"

namespace veltrana::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace fs = std::filesystem;

const std::vector<std::string> kRollCall{"李四",   "吕方",   "单雨", "王五",
                                         "曾国强", "张小明", "赵六"};

// A class of seven in roll-call order (IDs 1 to 7) with one course of two knowledge points, all
// folders made, and the photos of 待整理.
class SortWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        SortCatalogue catalogue;
        for (std::size_t i = 0; i < kRollCall.size(); ++i) {
            catalogue.nodes.students.push_back({kRollCall[i], kRollCall[i]});
            catalogue.studentIds.push_back(std::to_string(i + 1));
            fs::create_directories(utf8Path(point(kRollCall[i])));
            fs::create_directories(utf8Path(point(kRollCall[i], "电学")));
        }
        catalogue.nodes.courses.push_back({{"物理", "物理"}, {{"力学", "力学"}, {"电学", "电学"}}});
        catalogue.nodes.student = 0;
        catalogue.nodes.course = 0;
        catalogue.nodes.point = 0;
        window = std::make_unique<SortWindow>(
            files, catalogue, app.path(),
            [this](const std::string& folder) { refreshed.push_back(folder); });
        window->show();
    }
    // Photos IMG_0001.JPG ... in 待整理, each taken a minute before the one named before it.
    void photos(int count) {
        for (int i = 1; i <= count; ++i) {
            std::string path = inbox(name(i));
            writePhoto(path, quarters({64, 48}), 6);
            fs::last_write_time(utf8Path(path),
                                fs::file_time_type::clock::now() - std::chrono::minutes(i));
        }
        window->openInbox();
    }
    static std::string name(int i) { return "IMG_000" + std::to_string(i) + ".JPG"; }
    // Paths in the system's own spelling, as the window reports the folders it changed.
    std::string inbox(const std::string& file = {}) const {
        const std::string folder = app.path() + kSeparator + "待整理";
        return file.empty() ? folder : folder + kSeparator + file;
    }
    std::string point(const std::string& student, const std::string& knowledge = "力学") const {
        const std::string s(1, kSeparator);
        return app.path() + s + "Data" + s + student + s + "物理" + s + knowledge;
    }
    // As a keyboard or an input method types it, a key a character.
    void type(const QString& text) {
        for (QChar c : text) {
            QWidget* typing = window->focusWidget();
            if (c.unicode() < 128) {
                QTest::keyClick(typing, c.toLatin1());
            } else {
                QTest::sendKeyEvent(QTest::Press, typing, Qt::Key_unknown, QString(c), {});
                QTest::sendKeyEvent(QTest::Release, typing, Qt::Key_unknown, QString(c), {});
            }
        }
    }
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(window->focusWidget(), key, modifiers);
    }
    std::string destination() const {
        return window->findChild<QLabel*>("Destination")->text().toStdString();
    }
    std::string position() const {
        return window->findChild<QLabel*>("Position")->text().toStdString();
    }

    TempDir app;
    FailingFileSystem files;
    std::unique_ptr<SortWindow> window;
    std::vector<std::string> refreshed;
};

TEST_F(SortWindowTest, TypedInitialsPinyinCharactersAndIdsFileEachPhotoAndMoveOn) {
    photos(7);
    EXPECT_EQ(position(), "第 1 / 7 张");
    EXPECT_TRUE(showsQuartersUpright(window->shownPicture()));
    type("zxm");
    press(Qt::Key_Return);
    EXPECT_EQ(position(), "第 2 / 7 张");
    EXPECT_THAT(destination(), HasSubstr("张小明 / 物理 / 力学"));
    type("wangwu");
    press(Qt::Key_Return);
    type("李四");
    press(Qt::Key_Return);
    type("7");
    press(Qt::Key_Return);
    type("zgq");  // 曾 read as a surname
    press(Qt::Key_Return);
    type("sy");  // 单 likewise: shàn, not dān
    press(Qt::Key_Return);
    // The course stays; Tab, Tab and "dx" take 电学 for the last one, and the student stays too.
    press(Qt::Key_Tab);
    press(Qt::Key_Tab);
    type("dx");
    press(Qt::Key_Return);
    EXPECT_THAT(filesIn(point("张小明")), ElementsAre(name(1)));
    EXPECT_THAT(filesIn(point("王五")), ElementsAre(name(2)));
    EXPECT_THAT(filesIn(point("李四")), ElementsAre(name(3)));
    EXPECT_THAT(filesIn(point("赵六")), ElementsAre(name(4)));
    EXPECT_THAT(filesIn(point("曾国强")), ElementsAre(name(5)));
    EXPECT_THAT(filesIn(point("单雨")), ElementsAre(name(6)));
    EXPECT_THAT(filesIn(point("单雨", "电学")), ElementsAre(name(7)));
    EXPECT_THAT(filesIn(inbox()), IsEmpty());
    EXPECT_EQ(position(), "共 7 张，已归档 7 张");
    // The main window lists again both the folder that gained the photo and the one it left.
    EXPECT_THAT(std::vector(refreshed.end() - 2, refreshed.end()),
                ElementsAre(point("单雨", "电学"), inbox()));

    // Three undos bring three photos back under their old names, the last filed first.
    for (int i = 0; i < 3; ++i) {
        press(Qt::Key_Z, Qt::ControlModifier);
    }
    EXPECT_THAT(filesIn(inbox()), ElementsAre(name(5), name(6), name(7)));
    EXPECT_EQ(position(), "第 5 / 7 张");
    EXPECT_THAT(destination(), HasSubstr("曾国强 / 物理 / 力学"));
    EXPECT_THAT(filesIn(point("曾国强")), IsEmpty());
}

TEST_F(SortWindowTest, SpaceSkipsAndAPhotoThatCannotBeDecodedIsStillFiled) {
    photos(2);
    writeFile(inbox("IMG_0000.JPG"), "not a picture");
    window->openInbox();
    EXPECT_TRUE(window->shownPicture().isNull());
    EXPECT_THAT(window->findChild<QLabel*>("Preview")->text().toStdString(),
                HasSubstr("无法显示这张照片"));
    press(Qt::Key_Space);
    EXPECT_EQ(position(), "第 2 / 3 张");
    EXPECT_FALSE(window->shownPicture().isNull());
    press(Qt::Key_Space);
    press(Qt::Key_Space);
    EXPECT_THAT(filesIn(inbox()), ElementsAre("IMG_0000.JPG", name(1), name(2)));

    window->openInbox();
    type("nothing");
    press(Qt::Key_Return);
    EXPECT_THAT(window->findChild<QLabel*>("Status")->text().toStdString(),
                HasSubstr("没有与“nothing”相符的学生"));
    press(Qt::Key_Escape);
    press(Qt::Key_Return);
    EXPECT_THAT(filesIn(point("李四")), ElementsAre("IMG_0000.JPG"));
}

TEST_F(SortWindowTest, RollCallFilesOneKeyAPhotoAndOneKeyPassesAnAbsentStudent) {
    photos(6);
    window->findChild<QCheckBox*>("RollCall")->setChecked(true);
    // Taken in the order 6, 5, ... 1: the notebooks as they lay on the stack.
    press(Qt::Key_Return);
    press(Qt::Key_Return);
    press(Qt::Key_Down);  // 单雨 is absent
    for (int i = 0; i < 4; ++i) {
        press(Qt::Key_Return);
    }
    EXPECT_THAT(filesIn(point("李四")), ElementsAre(name(6)));
    EXPECT_THAT(filesIn(point("吕方")), ElementsAre(name(5)));
    EXPECT_THAT(filesIn(point("单雨")), IsEmpty());
    EXPECT_THAT(filesIn(point("王五")), ElementsAre(name(4)));
    EXPECT_THAT(filesIn(point("曾国强")), ElementsAre(name(3)));
    EXPECT_THAT(filesIn(point("张小明")), ElementsAre(name(2)));
    EXPECT_THAT(filesIn(point("赵六")), ElementsAre(name(1)));
}

}  // namespace
}  // namespace veltrana::test
