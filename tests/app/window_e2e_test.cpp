#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QLabel>
#include <QMenuBar>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <QTreeView>
#include <algorithm>
#include <filesystem>

#include "app/form1.h"
#include "app/qt_test_support.h"
#include "db/connection.h"
#include "support/access_files.h"
#include "support/class_db.h"
#include "support/fakes.h"

namespace veltrana {
namespace {

// A process that is stopped, whatever happened, when the test ends.
struct Child {
    QProcess process;
    ~Child() {
        process.kill();
        process.waitForFinished(5000);
    }
};

// What an X tool run in environment prints; empty when it fails or takes longer than timeout ms.
QByteArray output(const QProcessEnvironment& environment, const QString& tool,
                  const QStringList& arguments, int timeout = 10000) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(tool, arguments);
    if (!process.waitForFinished(timeout) || process.exitCode() != 0) {
        return {};
    }
    return process.readAllStandardOutput();
}

int field(const QString& xwininfo, const QString& name) {
    return QRegularExpression(name + ":\\s*(-?\\d+)").match(xwininfo).captured(1).toInt();
}

// The real program on a private X server, whatever the desktop: Xvfb picks a free display
// itself and tells its number on standard output, and no window manager moves the window.
class WindowEndToEndTest : public ::testing::Test {
protected:
    void SetUp() override {
        xvfb.process.start("Xvfb", {"-displayfd", "1", "-screen", "0", "1400x900x24", "-dpi", "96",
                                    "-nolisten", "tcp"});
        ASSERT_TRUE(xvfb.process.waitForStarted(10000)) << "Xvfb does not start";
        xvfb.process.waitForReadyRead(20000);  // the number comes in one write, with its line end
        display = ":" + QString::fromLocal8Bit(xvfb.process.readLine()).trimmed();
        ASSERT_NE(display, ":") << "Xvfb gave no display";
        environment.insert("DISPLAY", display);
        environment.insert("QT_QPA_PLATFORM", "xcb");
        // The X keyboard library copies an unterminated name with strndup, which is correct but
        // fails the sanitizer's strict string checks; the program itself keeps every other check.
        if (environment.contains("ASAN_OPTIONS")) {
            environment.insert("ASAN_OPTIONS",
                               environment.value("ASAN_OPTIONS") + ":strict_string_checks=0");
        }
    }

    // A program folder of its own with the built program, or an unpacked release when
    // VELTRANA_PROGRAM_DIR names one.
    std::string programFolder(bool release) {
        if (const char* unpacked = std::getenv("VELTRANA_PROGRAM_DIR"); release && unpacked) {
            return unpacked;
        }
        const char* program = std::getenv("VELTRANA_PROGRAM");
        EXPECT_NE(program, nullptr) << "VELTRANA_PROGRAM names the built program";
        std::filesystem::copy_file(program, made.path() + "/veltrana");
        std::filesystem::create_directory(made.path() + "/Data");
        return made.path();
    }

    void start(const std::string& dir) {
        veltrana.process.setProcessEnvironment(environment);
        veltrana.process.setProcessChannelMode(QProcess::ForwardedChannels);
        // VELTRANA_LAUNCHER names a program that starts it on another system, with only the
        // display shared.
        QStringList command = {QString::fromStdString(dir + "/veltrana")};
        if (const char* launcher = std::getenv("VELTRANA_LAUNCHER")) {
            command.prepend(launcher);
        }
        veltrana.process.start(command.takeFirst(), command);
        ASSERT_TRUE(veltrana.process.waitForStarted(10000));
    }

    // The id of the mapped window captioned exactly caption, once there is one.
    QString window(const QString& caption) {
        QString pattern = "^" + QRegularExpression::escape(caption) + "$";
        return QString(output(environment, "xdotool",
                              {"search", "--sync", "--onlyvisible", "--name", pattern}, 60000))
            .section('\n', 0, 0);
    }

    // What the teacher types or presses in the window captioned caption.
    void keys(const QString& caption, const QStringList& keys, const QString& typed = {}) {
        QString id = window(caption);
        ASSERT_FALSE(id.isEmpty()) << "no window " << caption.toStdString();
        // Mapped is not yet ready for keys: Qt gives the dialog its focus a moment later, as a
        // teacher's eye takes a moment to find the button.
        QThread::msleep(500);
        if (!typed.isEmpty()) {
            output(environment, "xdotool", {"type", "--window", id, typed});
        }
        for (const QString& key : keys) {
            output(environment, "xdotool", {"key", "--window", id, key});
        }
    }

    // Whether the status lines and the tree's rows of the program's window, pixel for pixel, are
    // those of the same window made here on the same folder; the program may still be drawing, so
    // it has a minute to get there.
    ::testing::AssertionResult showsWhatTheSameWindowShows(const std::string& dir) {
        QString id = window("Veltrana(1.0.0)");
        test::FakeDialogs dialogs;
        Form1 sameWindow(dir, Form1Services{&dialogs});
        sameWindow.load();
        sameWindow.show();
        if (sameWindow.findChild<QLabel*>("Label1")->text().toStdString() != kConnectedText) {
            return ::testing::AssertionFailure() << "the folder's database does not connect";
        }
        const QImage expected = sameWindow.grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QWidget* shown[] = {sameWindow.findChild<QLabel*>("Label1"),
                                  sameWindow.findChild<QLabel*>("Label2"),
                                  sameWindow.findChild<QTreeView*>("TreeView1")->viewport()};
        auto differs = [&](const QImage& actual) {
            return std::any_of(std::begin(shown), std::end(shown), [&](const QWidget* control) {
                QRect place(control->mapTo(&sameWindow, QPoint(0, 0)), control->size());
                return actual.copy(place) != expected.copy(place);
            });
        };
        // ImageMagick's picture of the X window; PPM carries no colour space, so it compares
        // equal to a grab of the same pixels.
        QDeadlineTimer deadline(60000);
        QImage actual;
        do {
            actual =
                QImage::fromData(output(environment, "import", {"-window", id, "ppm:-"}), "PPM")
                    .convertToFormat(QImage::Format_RGB32);
        } while (differs(actual) && !deadline.hasExpired());
        if (differs(actual)) {
            return ::testing::AssertionFailure()
                   << "the window does not show what the same window shows here";
        }
        return ::testing::AssertionSuccess();
    }

    test::TempDir made;
    Child xvfb;
    Child veltrana;
    QString display;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
};

// The window the teacher sees appears with its caption, size and place, and shows the database
// connected and the tree. The folder holds a small class, or is an unpacked release.
TEST_F(WindowEndToEndTest, ProgramOpensItsWindowConnectedWithTheFixedClientArea) {
    std::string dir = programFolder(true);
    if (dir == made.path()) {
        test::writeClassDb(dir, test::classTables({"张伟", "李娜"}, 3));
    }
    start(dir);
    QString id = window("Veltrana(1.0.0)");
    ASSERT_FALSE(id.isEmpty()) << "no window captioned Veltrana(1.0.0) on "
                               << display.toStdString();
    QString info = output(environment, "xwininfo", {"-id", id});

    // The X window holds the menu bar and, below it, the client area of 1158 x 571.
    test::FakeDialogs dialogs;
    int menuHeight = Form1(dir, Form1Services{&dialogs}).menuBar()->sizeHint().height();
    EXPECT_EQ(field(info, "Width"), 1158);
    EXPECT_EQ(field(info, "Height"), 571 + menuHeight);
    EXPECT_EQ(field(info, "Absolute upper-left X"), 55);
    EXPECT_EQ(field(info, "Absolute upper-left Y") + menuHeight, 141);
    EXPECT_TRUE(showsWhatTheSameWindowShows(dir));

    veltrana.process.terminate();
    EXPECT_TRUE(veltrana.process.waitForFinished(10000));
}

// A teacher's first start: the program folder holds the roster workbook the school sent and no
// database. Six actions, each commented, and no terminal, lead to the class's tree and folders.
TEST_F(WindowEndToEndTest, FirstStartFromTheRosterWorkbookToTheTreeAndFolders) {
    std::string dir = programFolder(false);
    std::filesystem::copy_file(std::string(VELTRANA_ROSTERS) + "/roster.xlsx",
                               dir + "/roster.xlsx");
    start(dir);                                   // 1. start the program
    keys("系统提示", {"space"});                  // 2. 用名单新建班级
    keys("打开", {"Return"}, "roster.xlsx");      // 3. choose the roster
    keys("新建班级", {"space", "Tab", "space"});  // 4. 理科, 5. 新建
    keys("系统提示", {"space"});                  // 6. 生成文件夹

    QDeadlineTimer deadline(60000);
    std::string last = dir + "/Data/欧阳娜娜/生物";
    while (!std::filesystem::exists(test::u8path(last)) && !deadline.hasExpired()) {
        QThread::msleep(100);
    }
    EXPECT_TRUE(std::filesystem::is_directory(test::u8path(dir + "/Data/王芳/数学")));
    EXPECT_TRUE(std::filesystem::is_directory(test::u8path(last)));
    EXPECT_EQ(test::readWithOurLayer(dir + "/DataBases.mdb", "Students").rows[0],
              (std::vector<Value>{"1", "王芳", "理科"}));
    EXPECT_TRUE(showsWhatTheSameWindowShows(dir));

    veltrana.process.terminate();
    EXPECT_TRUE(veltrana.process.waitForFinished(10000));
}

}  // namespace
}  // namespace veltrana
