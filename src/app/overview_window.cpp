#include "app/overview_window.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/report_pdf.h"
#include "db/class_reader.h"
#include "platform/error.h"
#include "platform/qt/qt_tree.h"
#include "tree/node_click.h"

namespace veltrana {

namespace {

constexpr int kWidestColumn = 110;

QString fromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

std::int64_t startOf(const QDate& day) {
    return day.startOfDay().toSecsSinceEpoch();
}

// Warmer the more files a cell holds: where the student is weak.
QColor cellColour(int files) {
    if (files >= 7) {
        return {240, 110, 90};
    }
    if (files >= 4) {
        return {250, 170, 100};
    }
    if (files >= 2) {
        return {252, 215, 140};
    }
    return {255, 242, 200};
}

QTableWidgetItem* cell(const QString& text, bool bold = false) {
    auto* item = new QTableWidgetItem(text);
    item->setTextAlignment(Qt::AlignCenter);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    if (bold) {
        QFont font = item->font();
        font.setBold(true);
        item->setFont(font);
    }
    return item;
}

QString count(int files) {
    return files > 0 ? QString::number(files) : QString();
}

// The courses that have knowledge points, in Bflearning's order.
std::vector<const Entry*> coursesWithPoints(const ClassModel& model) {
    std::vector<const Entry*> courses;
    for (const Entry& course : model.courses.rows) {
        if (model.subjectOf(course) != nullptr) {
            courses.push_back(&course);
        }
    }
    return courses;
}

ClassModel readWholeClass(Form& form) {
    ClassModel model = readClass(form, form.courseField);
    if (const TableRows* failed = model.firstFailure()) {
        throw *failed->failure;
    }
    return model;
}

// Asks for the course (or every course) and the range of a 错题集; false when cancelled.
bool askCourseAndRange(QWidget* parent, const QString& title,
                       const std::vector<const Entry*>& courses, const Entry*& course,
                       const RangePicker* presetRange, ReportWhen& when) {
    QDialog dialog(parent);
    dialog.setObjectName("MistakesDialog");
    dialog.setWindowTitle(title);
    auto* layout = new QFormLayout(&dialog);
    auto* courseBox = new QComboBox;
    courseBox->setObjectName("Course");
    courseBox->addItem("全部课程");
    for (const Entry* row : courses) {
        courseBox->addItem(fromUtf8(text(row->name)));
        if (row == course) {
            courseBox->setCurrentIndex(courseBox->count() - 1);
        }
    }
    auto* range = new RangePicker;
    range->setObjectName("Range");
    if (presetRange != nullptr) {
        range->copyFrom(*presetRange);
    }
    layout->addRow("课程：", courseBox);
    layout->addRow("时间：", range);
    auto* buttons = new QDialogButtonBox;
    buttons->addButton("导出", QDialogButtonBox::AcceptRole);
    buttons->addButton("取消", QDialogButtonBox::RejectRole);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    int chosen = courseBox->currentIndex();
    course = chosen > 0 ? courses[static_cast<std::size_t>(chosen - 1)] : nullptr;
    when = range->when();
    return true;
}

}  // namespace

RangePicker::RangePicker(QWidget* parent)
    : QWidget(parent),
      choice_(new QComboBox),
      from_(new QDateEdit(QDate::currentDate().addDays(-30))),
      to_(new QDateEdit(QDate::currentDate())) {
    choice_->setObjectName("RangeChoice");
    choice_->addItems({"全部", "本周", "近 30 天", "两个日期之间"});
    from_->setObjectName("From");
    to_->setObjectName("To");
    for (QDateEdit* date : {from_, to_}) {
        date->setCalendarPopup(true);
        date->setDisplayFormat("yyyy-MM-dd");
        date->setEnabled(false);
        connect(date, &QDateEdit::dateChanged, this, [this] {
            if (onChange) {
                onChange();
            }
        });
    }
    connect(choice_, &QComboBox::currentIndexChanged, this, [this](int index) {
        from_->setEnabled(index == 3);
        to_->setEnabled(index == 3);
        if (onChange) {
            onChange();
        }
    });
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(choice_);
    layout->addWidget(from_);
    layout->addWidget(new QLabel("至"));
    layout->addWidget(to_);
}

void RangePicker::copyFrom(const RangePicker& other) {
    from_->setDate(other.from_->date());
    to_->setDate(other.to_->date());
    choice_->setCurrentIndex(other.choice_->currentIndex());
}

ReportWhen RangePicker::when() const {
    const QDate today = QDate::currentDate();
    ReportWhen when;
    when.month = today.toString("yyyy-MM").toStdString();
    QDate from;
    switch (choice_->currentIndex()) {
        case 1:
            from = today.addDays(1 - today.dayOfWeek());
            when.rangeText = "本周（" + from.toString("yyyy-MM-dd").toStdString() + " 起）";
            break;
        case 2:
            from = today.addDays(-29);
            when.rangeText = "近 30 天（" + from.toString("yyyy-MM-dd").toStdString() + " 起）";
            break;
        case 3:
            from = std::min(from_->date(), to_->date());
            when.range.to = startOf(std::max(from_->date(), to_->date()).addDays(1));
            when.rangeText =
                from.toString("yyyy-MM-dd").toStdString() + " 至 " +
                std::max(from_->date(), to_->date()).toString("yyyy-MM-dd").toStdString();
            break;
        default:
            when.rangeText = "全部";
            return when;
    }
    when.range.from = startOf(from);
    return when;
}

OverviewWindow::OverviewWindow(Form& form, QWidget* parent)
    : QWidget(parent, Qt::Window),
      form_(form),
      model_(readWholeClass(form)),
      courses_(coursesWithPoints(model_)),
      course_(new QComboBox),
      range_(new RangePicker),
      table_(new QTableWidget),
      missing_(new QLabel),
      exportStudent_(new QPushButton),
      exportPoint_(new QPushButton) {
    setObjectName("Overview");
    setWindowTitle("班级概览");
    resize(1000, 640);
    course_->setObjectName("Course");
    for (const Entry* course : courses_) {
        course_->addItem(fromUtf8(text(course->name)));
    }
    range_->setObjectName("Range");
    table_->setObjectName("Table");
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    missing_->setObjectName("Missing");
    missing_->setWordWrap(true);
    missing_->setTextFormat(Qt::PlainText);
    missing_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    exportStudent_->setObjectName("ExportStudent");
    exportPoint_->setObjectName("ExportPoint");
    auto* exportTable = new QPushButton("导出表格…");
    exportTable->setObjectName("ExportTable");
    auto* exportClass = new QPushButton("全班错题集…");
    exportClass->setObjectName("ExportClass");

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel("课程："));
    top->addWidget(course_);
    top->addSpacing(16);
    top->addWidget(new QLabel("时间："));
    top->addWidget(range_);
    top->addStretch();
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(exportTable);
    bottom->addWidget(exportStudent_);
    bottom->addWidget(exportPoint_);
    bottom->addWidget(exportClass);
    bottom->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(new QLabel(
        "点击格子在主窗口中选中该节点并列出文件；点击学生或知识点的标题选中它以导出错题集。"));
    layout->addWidget(table_, 1);
    layout->addWidget(missing_);
    layout->addLayout(bottom);

    connect(course_, &QComboBox::currentIndexChanged, this, [this] { recount(); });
    range_->onChange = [this] { recount(); };
    connect(table_, &QTableWidget::cellClicked, this, &OverviewWindow::selectNode);
    connect(table_->verticalHeader(), &QHeaderView::sectionClicked, this,
            &OverviewWindow::chooseStudent);
    connect(table_->horizontalHeader(), &QHeaderView::sectionClicked, this,
            &OverviewWindow::choosePoint);
    connect(exportTable, &QPushButton::clicked, this, [this] {
        run([this] {
            exportText(form_,
                       "班级概览-" + overview_->course().folder + "-" +
                           QDate::currentDate().toString("yyyy-MM-dd").toStdString() + ".csv",
                       overview_->csv());
        });
    });
    connect(exportStudent_, &QPushButton::clicked, this, [this] {
        run([this] {
            const Entry* course = &overview_->course();
            ReportWhen when;
            if (askCourseAndRange(this, "学生错题集", courses_, course, range_, when)) {
                exportReports(form_,
                              {studentReport(form_.fileSystem, form_.appPath, model_,
                                             *overview_->students()[*student_], course, when)});
            }
        });
    });
    connect(exportPoint_, &QPushButton::clicked, this, [this] {
        run([this] {
            exportReports(form_,
                          {pointReport(form_.fileSystem, form_.appPath, model_, overview_->course(),
                                       overview_->points()[*point_], range_->when())});
        });
    });
    connect(exportClass, &QPushButton::clicked, this, [this] {
        run([this] {
            const Entry* course = &overview_->course();
            ReportWhen when;
            if (askCourseAndRange(this, "全班错题集（每名学生一个文件）", courses_, course, range_,
                                  when)) {
                std::vector<Report> reports;
                for (const Entry* student : overview_->students()) {
                    reports.push_back(studentReport(form_.fileSystem, form_.appPath, model_,
                                                    *student, course, when));
                }
                exportReports(form_, reports);
            }
        });
    });
    recount();
}

void OverviewWindow::recount() {
    if (courses_.empty()) {
        missing_->setText("这个班级没有带知识点的课程。");
        return;
    }
    const Entry& course = *courses_[static_cast<std::size_t>(std::max(0, course_->currentIndex()))];
    try {
        overview_ = std::make_unique<Overview>(form_.fileSystem, form_.appPath, model_, course,
                                               range_->when().range);
    } catch (const Error& e) {
        form_.dialogs.MsgBox(errorText(e), kMessageTitle);
        return;
    }
    student_.reset();
    point_.reset();
    showTable();
}

void OverviewWindow::showTable() {
    const Overview& o = *overview_;
    const int students = static_cast<int>(o.students().size());
    const int points = static_cast<int>(o.points().size());
    table_->clear();
    table_->setRowCount(students + 1);
    table_->setColumnCount(points + 1);
    QStringList columns;
    for (const Entry& point : o.points()) {
        columns << fromUtf8(text(point.name));
    }
    table_->setHorizontalHeaderLabels(columns << "合计");
    // Knowledge points have long names: the columns stay narrow, the whole name is its tooltip.
    for (int p = 0; p < points; ++p) {
        table_->horizontalHeaderItem(p)->setToolTip(columns[p]);
    }
    QStringList rows;
    for (const Entry* student : o.students()) {
        rows << fromUtf8(text(student->name));
    }
    table_->setVerticalHeaderLabels(rows << "合计");
    for (int s = 0; s < students; ++s) {
        for (int p = 0; p < points; ++p) {
            int files = o.count(static_cast<std::size_t>(s), static_cast<std::size_t>(p));
            QTableWidgetItem* item = cell(count(files));
            if (files > 0) {
                item->setBackground(cellColour(files));
            }
            table_->setItem(s, p, item);
        }
        table_->setItem(s, points, cell(count(o.studentTotal(static_cast<std::size_t>(s))), true));
    }
    for (int p = 0; p < points; ++p) {
        table_->setItem(students, p, cell(count(o.pointTotal(static_cast<std::size_t>(p))), true));
    }
    table_->setItem(students, points, cell(QString::number(o.total()), true));
    table_->resizeColumnsToContents();
    for (int p = 0; p < points; ++p) {
        table_->setColumnWidth(p, std::min(table_->columnWidth(p), kWidestColumn));
    }

    QStringList none;
    for (const Entry* student : o.missing()) {
        none << fromUtf8(text(student->name));
    }
    missing_->setText(QString("未交（%1 人）：%2").arg(none.size()).arg(none.join("、")));
    chooseStudent(-1);
    choosePoint(-1);
}

void OverviewWindow::selectNode(int row, int column) {
    const Overview& o = *overview_;
    if (row < 0 || column < 0 || static_cast<std::size_t>(row) >= o.students().size() ||
        static_cast<std::size_t>(column) >= o.points().size()) {
        return;
    }
    run([&] {
        form_.TreeView1.select(
            o.nodeKey(static_cast<std::size_t>(row), static_cast<std::size_t>(column)));
        TreeView1_NodeClick(form_);
    });
}

void OverviewWindow::chooseStudent(int row) {
    if (row >= 0 && static_cast<std::size_t>(row) < overview_->students().size()) {
        student_ = static_cast<std::size_t>(row);
        exportStudent_->setText("导出“" + fromUtf8(text(overview_->students()[*student_]->name)) +
                                "”的错题集…");
    } else {
        student_.reset();
        exportStudent_->setText("学生错题集…（先点击学生姓名）");
    }
    exportStudent_->setEnabled(student_.has_value());
}

void OverviewWindow::choosePoint(int column) {
    if (column >= 0 && static_cast<std::size_t>(column) < overview_->points().size()) {
        point_ = static_cast<std::size_t>(column);
        exportPoint_->setText("导出“" + fromUtf8(text(overview_->points()[*point_].name)) +
                              "”的讲评…");
    } else {
        point_.reset();
        exportPoint_->setText("知识点讲评…（先点击知识点）");
    }
    exportPoint_->setEnabled(point_.has_value());
}

void OverviewWindow::run(const std::function<void()>& work) {
    try {
        work();
    } catch (const Error& e) {
        form_.dialogs.MsgBox(errorText(e), kMessageTitle);
    }
}

namespace {

void exportStudentMistakes(Form& form, QWidget* parent, const std::string& key) {
    ClassModel model = readWholeClass(form);
    for (const Entry& student : model.students.rows) {
        if (studentKey(text(student.id)) != key) {
            continue;
        }
        const Entry* course = nullptr;
        ReportWhen when;
        if (askCourseAndRange(parent, fromUtf8(text(student.name) + " 的错题集"),
                              coursesWithPoints(model), course, nullptr, when)) {
            exportReports(
                form, {studentReport(form.fileSystem, form.appPath, model, student, course, when)});
        }
        return;
    }
}

}  // namespace

void offerMistakesInTree(Form& form, QtTreeView* tree) {
    tree->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(tree, &QWidget::customContextMenuRequested, tree, [&form, tree](QPoint at) {
        const KeyedTree& nodes = tree->keyedModel().tree();
        int node = tree->keyedModel().nodeOf(tree->indexAt(at));
        // The student is the node right below the root.
        while (node != KeyedTree::kNone && nodes.node(node).parent != KeyedTree::kNone &&
               nodes.node(nodes.node(node).parent).parent != KeyedTree::kNone) {
            node = nodes.node(node).parent;
        }
        if (node == KeyedTree::kNone || nodes.node(node).parent == KeyedTree::kNone) {
            return;
        }
        const std::string key(nodes.node(node).key);
        QMenu menu(tree);
        QAction* mistakes = menu.addAction("导出错题集…");
        mistakes->setObjectName("ExportMistakes");
        if (menu.exec(tree->viewport()->mapToGlobal(at)) == mistakes) {
            try {
                exportStudentMistakes(form, tree->window(), key);
            } catch (const Error& e) {
                form.dialogs.MsgBox(errorText(e), kMessageTitle);
            }
        }
    });
}

}  // namespace veltrana
