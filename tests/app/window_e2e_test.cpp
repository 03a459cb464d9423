#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QMenuBar>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <filesystem>

#include "app/form1.h"
#include "app/qt_test_support.h"
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

// Output of a short X tool run in environment; empty when it fails.
QString runTool(const QProcessEnvironment& environment, const QString& tool,
                const QStringList& arguments) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(tool, arguments);
    if (!process.waitForFinished(10000) || process.exitCode() != 0) {
        return {};
    }
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

int field(const QString& xwininfo, const QString& name) {
    return QRegularExpression(name + ":\\s*(-?\\d+)").match(xwininfo).captured(1).toInt();
}

// The real program, started from a program folder of its own on an X server (a private Xvfb
// when there is no display): the window the teacher sees appears with its caption and size.
TEST(WindowEndToEndTest, ProgramOpensItsWindowWithTheFixedClientArea) {
    const char* program = std::getenv("VELTRANA_PROGRAM");
    ASSERT_NE(program, nullptr) << "VELTRANA_PROGRAM names the built program";
    test::TempDir dir;
    std::filesystem::copy_file(program, dir.path() + "/veltrana");
    std::filesystem::create_directory(dir.path() + "/Data");
    test::writeClassDb(dir.path(), test::classTables({"张伟", "李娜"}, 3));

    Child xvfb;
    QString display = QString::fromLocal8Bit(qgetenv("DISPLAY"));
    if (display.isEmpty()) {
        // The server picks a free display itself and tells its number on standard output.
        xvfb.process.start("Xvfb", {"-displayfd", "1", "-screen", "0", "1400x900x24", "-dpi", "96",
                                    "-nolisten", "tcp"});
        ASSERT_TRUE(xvfb.process.waitForStarted(10000)) << "Xvfb does not start";
        QDeadlineTimer deadline(20000);
        while (!xvfb.process.canReadLine() && !deadline.hasExpired()) {
            xvfb.process.waitForReadyRead(500);
        }
        display = ":" + QString::fromLocal8Bit(xvfb.process.readLine()).trimmed();
        ASSERT_NE(display, ":") << "Xvfb gave no display";
    }

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DISPLAY", display);
    environment.insert("QT_QPA_PLATFORM", "xcb");
    // The X keyboard library copies an unterminated name with strndup, which is correct but
    // fails the sanitizer's strict string checks; the program itself keeps every other check.
    if (environment.contains("ASAN_OPTIONS")) {
        environment.insert("ASAN_OPTIONS",
                           environment.value("ASAN_OPTIONS") + ":strict_string_checks=0");
    }
    Child veltrana;
    veltrana.process.setProcessEnvironment(environment);
    veltrana.process.setProcessChannelMode(QProcess::ForwardedChannels);
    veltrana.process.start(QString::fromStdString(dir.path() + "/veltrana"), {});
    ASSERT_TRUE(veltrana.process.waitForStarted(10000));

    // The mapped window captioned exactly "Veltrana(1.0.0)", as xwininfo describes it.
    QString info;
    QDeadlineTimer deadline(60000);
    while (info.isEmpty() && !deadline.hasExpired() &&
           veltrana.process.state() == QProcess::Running) {
        QString ids =
            runTool(environment, "xdotool", {"search", "--name", "^Veltrana\\(1\\.0\\.0\\)$"});
        for (const QString& id : ids.split('\n', Qt::SkipEmptyParts)) {
            QString window = runTool(environment, "xwininfo", {"-id", id});
            info = window.contains("IsViewable") ? window : info;
        }
        QThread::msleep(200);
    }
    ASSERT_FALSE(info.isEmpty()) << "no window captioned Veltrana(1.0.0) on "
                                 << display.toStdString();

    // The X window holds the menu bar and, below it, the client area of 1158 x 571.
    test::FakeDialogs dialogs;
    Form1 sameWindow(dir.path(), Form1Services{&dialogs});
    int menuHeight = sameWindow.menuBar()->sizeHint().height();
    EXPECT_EQ(field(info, "Width"), 1158);
    EXPECT_EQ(field(info, "Height"), 571 + menuHeight);
    EXPECT_EQ(field(info, "Absolute upper-left X"), 55);
    EXPECT_EQ(field(info, "Absolute upper-left Y") + menuHeight, 141);

    veltrana.process.terminate();
    EXPECT_TRUE(veltrana.process.waitForFinished(10000));
}

}  // namespace
}  // namespace veltrana
