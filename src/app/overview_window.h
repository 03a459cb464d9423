#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

#include "model/class_model.h"
#include "platform/form.h"
#include "report/mistakes.h"
#include "report/overview.h"

class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QTableWidget;

namespace veltrana {
class QtTreeView;
}

namespace veltrana {

// 全部, 本周, 近 30 天 or two dates, as the teacher picks them; onChange runs on every change.
class RangePicker : public QWidget {
public:
    explicit RangePicker(QWidget* parent = nullptr);
    // What it shows: the choice's index and, for two dates, the dates.
    void copyFrom(const RangePicker& other);
    // The range and its words, and the month of today for the file names.
    ReportWhen when() const;

    std::function<void()> onChange;

private:
    QComboBox* choice_;
    QDateEdit* from_;
    QDateEdit* to_;
};

// "班级概览": one course at a time, the students in roll-call order by its knowledge points, each
// cell the number of files filed within the range; 未交 apart; the exports of the table and of
// the 错题集. A click on a cell selects its node in the main window as a click in the tree does.
class OverviewWindow : public QWidget {
public:
    // Reads the class over the window's connection; fails as the tree's reading does.
    OverviewWindow(Form& form, QWidget* parent);
    const Overview& overview() const { return *overview_; }

private:
    void recount();
    void showTable();
    void selectNode(int row, int column);
    void chooseStudent(int row);
    void choosePoint(int column);
    // Runs an export; a failure is said in a message and the window goes on.
    void run(const std::function<void()>& work);

    Form& form_;
    ClassModel model_;
    std::vector<const Entry*> courses_;
    std::unique_ptr<Overview> overview_;
    std::optional<std::size_t> student_;
    std::optional<std::size_t> point_;
    QComboBox* course_;
    RangePicker* range_;
    QTableWidget* table_;
    QLabel* missing_;
    QPushButton* exportStudent_;
    QPushButton* exportPoint_;
};

// The tree's context menu on a student and the nodes below: 导出错题集… for that student, the
// course (or all) and the range asked for in a small dialog first.
void offerMistakesInTree(Form& form, QtTreeView* tree);

}  // namespace veltrana
