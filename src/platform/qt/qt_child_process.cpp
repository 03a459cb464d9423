#include "platform/qt/qt_child_process.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

namespace veltrana {

ChildRun QtChildProcess::run(const std::string& program, const std::vector<std::string>& arguments,
                             std::chrono::milliseconds timeout) {
    // The platform's suffix (".exe") is found as the system finds it.
    QFileInfo given(QDir::fromNativeSeparators(QString::fromStdString(program)));
    QString found = QStandardPaths::findExecutable(given.fileName(), {given.absolutePath()});
    if (found.isEmpty()) {
        return {ChildRun::End::NotStarted, 0, {}, "找不到程序“" + program + "”"};
    }
    QStringList list;
    for (const std::string& argument : arguments) {
        list << QString::fromStdString(argument);
    }
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(found, list);
    if (!process.waitForStarted()) {
        return {ChildRun::End::NotStarted, 0, {}, process.errorString().toStdString()};
    }
    if (!process.waitForFinished(static_cast<int>(timeout.count())) &&
        process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished();
        return {ChildRun::End::TimedOut, 0, {}, {}};
    }
    QByteArray out = process.readAllStandardOutput();
    return {process.exitStatus() == QProcess::CrashExit ? ChildRun::End::Crashed
                                                        : ChildRun::End::Exited,
            process.exitCode(),
            out.toStdString(),
            {}};
}

}  // namespace veltrana
