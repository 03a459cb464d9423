#pragma once

#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QImage>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace veltrana::test {

// The application object of a test program: made before the first test and deleted after the
// last, inside main, while Qt's own statics still exist.
class QtApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override { app_ = std::make_unique<QApplication>(argc_, argv_); }
    void TearDown() override { app_.reset(); }

private:
    int argc_ = 1;
    char name_[14] = "veltrana-test";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> app_;
};

inline ::testing::Environment* const qtApplication =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

// Hands the next modal dialog to answer once its event loop runs; answer must close it.
inline void whenDialogOpens(std::function<void(QWidget*)> answer) {
    QTimer::singleShot(0, [answer] { answer(QApplication::activeModalWidget()); });
}

// Whether shown has the quarters of test::quarters the right way up, whatever its size, within
// what JPEG does to a colour.
inline ::testing::AssertionResult showsQuartersUpright(const QImage& shown) {
    const std::pair<QPoint, QColor> expected[] = {
        {{1, 1}, Qt::red}, {{3, 1}, Qt::green}, {{1, 3}, Qt::blue}, {{3, 3}, Qt::yellow}};
    for (const auto& [middle, colour] : expected) {
        QColor seen =
            shown.pixelColor(middle.x() * shown.width() / 4, middle.y() * shown.height() / 4);
        int distance = std::abs(seen.red() - colour.red()) +
                       std::abs(seen.green() - colour.green()) +
                       std::abs(seen.blue() - colour.blue());
        if (distance > 60) {
            return ::testing::AssertionFailure() << seen.name().toStdString() << " where "
                                                 << colour.name().toStdString() << " belongs";
        }
    }
    return ::testing::AssertionSuccess();
}

// Texts of the children of parent, as a view sees them once it opens parent.
inline std::vector<std::string> rowTexts(QAbstractItemModel& model,
                                         const QModelIndex& parent = {}) {
    model.fetchMore(parent);
    std::vector<std::string> texts;
    for (int row = 0; row < model.rowCount(parent); ++row) {
        texts.push_back(model.index(row, 0, parent).data().toString().toStdString());
    }
    return texts;
}

}  // namespace veltrana::test
