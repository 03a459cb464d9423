#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <functional>

namespace veltrana::test {

// The one application object of a test program, made on first use; QT_QPA_PLATFORM picks the
// platform (offscreen under ctest).
inline QApplication& qtApp() {
    static int argc = 1;
    static char name[] = "veltrana-test";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}

// Base of fixtures whose members are widgets: the application exists before them.
class QtFixture : public ::testing::Test {
protected:
    QtFixture() { qtApp(); }
};

// Hands the next modal dialog to answer once its event loop runs; answer must close it, so a
// test never waits for a user.
inline void whenDialogOpens(std::function<void(QWidget*)> answer) {
    QTimer::singleShot(0, [answer] { answer(QApplication::activeModalWidget()); });
}

}  // namespace veltrana::test
