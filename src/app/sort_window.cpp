#include "app/sort_window.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QThreadPool>
#include <QVBoxLayout>

#include "platform/error.h"
#include "platform/qt/qt_controls.h"
#include "sort/taken_time.h"

namespace veltrana {

namespace {

// How many photos after the one shown are decoded while the teacher looks at it.
constexpr std::size_t kDecodedAhead = 3;

constexpr char kKeys[] =
    "按键：字母（拼音首字母或全拼）、汉字或学号选学生；Tab 转到课程、知识点；"
    "↑↓ 在候选中选择，没有输入时换到上一位/下一位同学；Enter 归档并显示下一张；"
    "空格 跳过；Ctrl+Z 撤销上一次归档；Esc 清除输入";

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

std::string nameOf(const std::string& path) {
    return path.substr(path.rfind(kSeparator) + 1);
}

std::string folderOf(const std::string& path) {
    return path.substr(0, path.rfind(kSeparator));
}

// When the photo was taken, else when the file was last written, as a text that sorts as time.
std::string timeOf(const std::string& path) {
    QFile file(qs(path));
    if (file.open(QIODevice::ReadOnly)) {
        QByteArray head = file.read(static_cast<qint64>(kExifHeadSize));
        std::string taken = takenTime(std::string_view(head.constData(), head.size()));
        if (!taken.empty()) {
            return taken;
        }
    }
    return QFileInfo(qs(path)).lastModified().toString("yyyy:MM:dd HH:mm:ss").toStdString();
}

}  // namespace

SortWindow::SortWindow(FileSystem& fileSystem, SortCatalogue catalogue, std::string appPath,
                       std::function<void(const std::string&)> filedInto, QWidget* parent)
    : QWidget(parent, Qt::Window),
      fileSystem_(fileSystem),
      catalogue_(std::move(catalogue)),
      appPath_(std::move(appPath)),
      filedInto_(std::move(filedInto)) {
    setObjectName("SortWindow");
    setWindowTitle("整理照片");

    preview_ = new QLabel(this);
    preview_->setObjectName("Preview");
    preview_->setAlignment(Qt::AlignCenter);
    preview_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    preview_->setMinimumSize(320, 240);
    preview_->setWordWrap(true);
    strip_ = new QListWidget(this);
    strip_->setObjectName("Strip");
    strip_->setFlow(QListView::LeftToRight);
    strip_->setFixedHeight(44);
    strip_->setFocusPolicy(Qt::NoFocus);
    auto* left = new QVBoxLayout;
    left->addWidget(preview_, 1);
    left->addWidget(strip_);

    position_ = new QLabel(this);
    position_->setObjectName("Position");
    auto* inbox = new QPushButton("整理“待整理”", this);
    auto* choose = new QPushButton("选择照片…", this);
    for (QPushButton* button : {inbox, choose}) {
        button->setFocusPolicy(Qt::NoFocus);
    }
    auto* sources = new QHBoxLayout;
    sources->addWidget(inbox);
    sources->addWidget(choose);
    rollCall_ = new QCheckBox("按学号顺序(&R)：按拍摄时间排列，每归档一张换下一位同学", this);
    rollCall_->setObjectName("RollCall");
    rollCall_->setFocusPolicy(Qt::NoFocus);
    auto* form = new QFormLayout;
    const char* names[] = {"Student", "Course", "Point"};
    const char* captions[] = {"学生", "课程", "知识点"};
    for (int i = 0; i < 3; ++i) {
        fields_[i] = new QLineEdit(this);
        fields_[i]->setObjectName(names[i]);
        fields_[i]->installEventFilter(this);
        form->addRow(captions[i], fields_[i]);
        connect(fields_[i], &QLineEdit::textEdited, this,
                [this, i] { candidatesFor(static_cast<Field>(i)); });
    }
    destination_ = new QLabel(this);
    destination_->setObjectName("Destination");
    QFont bold = destination_->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.3);
    destination_->setFont(bold);
    candidates_ = new QListWidget(this);
    candidates_->setObjectName("Candidates");
    candidates_->setFocusPolicy(Qt::NoFocus);
    auto* keys = new QLabel(kKeys, this);
    keys->setWordWrap(true);
    status_ = new QLabel(this);
    status_->setObjectName("Status");
    status_->setWordWrap(true);
    auto* right = new QVBoxLayout;
    right->addWidget(position_);
    right->addLayout(sources);
    right->addWidget(rollCall_);
    right->addLayout(form);
    right->addWidget(destination_);
    right->addWidget(candidates_, 1);
    right->addWidget(keys);
    right->addWidget(status_);
    auto* rightPane = new QWidget(this);
    rightPane->setLayout(right);
    rightPane->setFixedWidth(360);
    auto* main = new QHBoxLayout(this);
    main->addLayout(left, 1);
    main->addWidget(rightPane);
    resize(1100, 700);

    connect(inbox, &QPushButton::clicked, this, &SortWindow::openInbox);
    connect(choose, &QPushButton::clicked, this, [this] {
        QStringList files = QFileDialog::getOpenFileNames(
            this, "选择照片", {}, "图片 (*.jpg *.jpeg *.png *.bmp *.gif *.heic);;所有文件 (*)");
        if (!files.isEmpty()) {
            std::vector<std::string> paths;
            for (const QString& file : files) {
                // The dialog gives "/" on Windows too; the session splits at the system's own.
                paths.push_back(QDir::toNativeSeparators(file).toStdString());
            }
            openPhotos(paths);
        }
    });
    connect(rollCall_, &QCheckBox::toggled, this, [this] {
        // The photos not filed yet, in the new order; what was filed stays filed.
        std::vector<std::string> rest;
        if (session_) {
            for (const SortSession::Photo& photo : session_->photos()) {
                if (photo.filed.empty()) {
                    rest.push_back(photo.path);
                }
            }
        }
        start(rest);
    });
    start({});
    fields_[kStudent]->setFocus();
}

SortWindow::~SortWindow() = default;

void SortWindow::openInbox() {
    try {
        start(inboxPhotos(fileSystem_, appPath_));
    } catch (const Error& e) {
        say(errorText(e));
    }
}

void SortWindow::openPhotos(const std::vector<std::string>& paths, bool move) {
    start(paths, move);
}

void SortWindow::start(std::vector<std::string> paths, bool move) {
    if (rollCall_->isChecked()) {
        orderByTakenTime(paths, timeOf);
    }
    Destination to;
    if (session_) {
        to = session_->to;
    }
    session_ = std::make_unique<SortSession>(fileSystem_, catalogue_, appPath_, paths, move);
    if (to != Destination{}) {
        session_->to = to;
    }
    session_->rollCall = rollCall_->isChecked();
    ahead_.clear();
    showCurrent();
    candidatesFor(kStudent);
}

bool SortWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        for (int i = 0; i < 3; ++i) {
            if (watched == fields_[i]) {
                auto* key = static_cast<QKeyEvent*>(event);
                return onKey(static_cast<Field>(i), key->key(), key->modifiers());
            }
        }
    }
    if (event->type() == QEvent::FocusIn) {
        for (int i = 0; i < 3; ++i) {
            if (watched == fields_[i]) {
                candidatesFor(static_cast<Field>(i));
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool SortWindow::onKey(Field field, int key, Qt::KeyboardModifiers modifiers) {
    const bool typed = !fields_[field]->text().isEmpty();
    switch (key) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (!typed || accept(field)) {
                fileCurrent();
            }
            return true;
        case Qt::Key_Space:
            session_->skip();
            showCurrent();
            return true;
        case Qt::Key_Z:
            if (!(modifiers & Qt::ControlModifier)) {
                return false;
            }
            try {
                say(session_->undo());
                filedInto_(catalogue_.folder(appPath_, session_->to));
                if (!session_->done()) {
                    filedInto_(folderOf(session_->photos()[session_->current()].path));
                }
            } catch (const Error& e) {
                say(errorText(e));
            }
            showCurrent();
            return true;
        case Qt::Key_Up:
        case Qt::Key_Down: {
            int by = key == Qt::Key_Down ? 1 : -1;
            if (typed) {
                candidates_->setCurrentRow(
                    std::clamp(candidates_->currentRow() + by, 0, candidates_->count() - 1));
            } else {
                step(field, by);
            }
            return true;
        }
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            if (!typed || accept(field)) {
                int next = (field + (key == Qt::Key_Tab ? 1 : 2)) % 3;
                fields_[next]->setFocus();
            }
            return true;
        case Qt::Key_Escape:
            fields_[field]->clear();
            candidatesFor(field);
            return true;
        default:
            return false;
    }
}

bool SortWindow::accept(Field field) {
    QListWidgetItem* item = candidates_->currentItem();
    if (!item) {
        say("没有与“" + fields_[field]->text().toStdString() + "”相符的" +
            (field == kStudent  ? "学生"
             : field == kCourse ? "课程"
                                : "知识点"));
        return false;
    }
    int index = item->data(Qt::UserRole).toInt();
    Destination& to = session_->to;
    if (field == kStudent) {
        to.student = index;
    } else if (field == kCourse) {
        if (to.course != index) {
            to.point = catalogue_.points(index).empty() ? -1 : 0;
        }
        to.course = index;
    } else {
        to.point = index;
    }
    fields_[field]->clear();
    candidatesFor(field);
    showCurrent();
    return true;
}

void SortWindow::step(Field field, int by) {
    Destination& to = session_->to;
    if (field == kStudent) {
        session_->stepStudent(by);
    } else if (field == kCourse && !catalogue_.nodes.courses.empty()) {
        int course =
            std::clamp(to.course + by, 0, static_cast<int>(catalogue_.courses().size()) - 1);
        if (course != to.course) {
            to.course = course;
            to.point = catalogue_.points(course).empty() ? -1 : 0;
        }
    } else if (field == kPoint && !catalogue_.points(to.course).empty()) {
        to.point =
            std::clamp(to.point + by, 0, static_cast<int>(catalogue_.points(to.course).size()) - 1);
    }
    candidatesFor(field);
    showCurrent();
}

void SortWindow::fileCurrent() {
    if (session_->done()) {
        return;
    }
    const std::string folder = catalogue_.folder(appPath_, session_->to);
    const std::string from = folderOf(session_->photos()[session_->current()].path);
    try {
        say(session_->file());
        filedInto_(folder);
        filedInto_(from);  // a file moved on from a node's folder has left it
    } catch (const Error& e) {
        say(errorText(e));
    }
    showCurrent();
}

void SortWindow::candidatesFor(Field field) {
    std::vector<Choice> choices = field == kStudent  ? catalogue_.students()
                                  : field == kCourse ? catalogue_.courses()
                                                     : catalogue_.points(session_->to.course);
    const Destination& to = session_->to;
    const int chosen = field == kStudent ? to.student : field == kCourse ? to.course : to.point;
    std::vector<int> shown;
    const std::string typed = fields_[field]->text().toStdString();
    if (typed.empty()) {
        for (int i = 0; i < static_cast<int>(choices.size()); ++i) {
            shown.push_back(i);
        }
    } else {
        shown = matching(typed, choices, field == kStudent);
    }
    candidates_->clear();
    for (int index : shown) {
        const Choice& choice = choices[static_cast<std::size_t>(index)];
        auto* item = new QListWidgetItem(
            qs(choice.id.empty() ? choice.name : choice.name + "（" + choice.id + "）"));
        item->setData(Qt::UserRole, index);
        candidates_->addItem(item);
        if (typed.empty() && index == chosen) {
            candidates_->setCurrentItem(item);
        }
    }
    if (!typed.empty() && candidates_->count() > 0) {
        candidates_->setCurrentRow(0);
    }
    if (candidates_->currentItem()) {
        candidates_->scrollToItem(candidates_->currentItem());
    }
}

void SortWindow::showCurrent() {
    const auto& photos = session_->photos();
    const std::size_t current = session_->current();
    destination_->setText("归档到：" + qs(catalogue_.describe(session_->to)));
    strip_->clear();
    std::size_t filed = 0;
    for (const SortSession::Photo& photo : photos) {
        filed += photo.filed.empty() ? 0 : 1;
        strip_->addItem(qs((photo.filed.empty() ? "" : "✓ ") + nameOf(photo.path)));
    }
    if (session_->done()) {
        position_->setText(QString("共 %1 张，已归档 %2 张").arg(photos.size()).arg(filed));
        shown_ = QImage();
        preview_->setPixmap({});
        preview_->setText(photos.empty() ? "没有要整理的照片" : "这批照片已看完");
        return;
    }
    position_->setText(QString("第 %1 / %2 张").arg(current + 1).arg(photos.size()));
    strip_->setCurrentRow(static_cast<int>(current));
    strip_->scrollToItem(strip_->currentItem());
    const std::string& path = photos[current].path;
    QString error;
    std::tie(shown_, error) = decoded(path);
    if (shown_.isNull()) {
        preview_->setText("无法显示这张照片：" + qs(nameOf(path)) + "\n（" + error +
                          "）\n仍可以归档或跳过");
    } else {
        preview_->setPixmap(QPixmap::fromImage(shown_));
    }
    decodeAhead();
}

std::pair<QImage, QString> SortWindow::decoded(const std::string& path) {
    if (decodeSize_ != preview_->size()) {
        decodeSize_ = preview_->size();
        ahead_.clear();
    }
    if (auto found = ahead_.find(path); found != ahead_.end()) {
        return found->second.get();
    }
    std::pair<QImage, QString> result;
    result.first = decodeUpright(qs(path), decodeSize_, true, result.second);
    return result;
}

void SortWindow::decodeAhead() {
    const auto& photos = session_->photos();
    std::map<std::string, std::shared_future<std::pair<QImage, QString>>> kept;
    std::size_t queued = 0;
    for (std::size_t i = session_->current() + 1; i < photos.size() && queued < kDecodedAhead;
         ++i) {
        if (!photos[i].filed.empty()) {
            continue;
        }
        ++queued;
        const std::string& path = photos[i].path;
        if (auto found = ahead_.find(path); found != ahead_.end()) {
            kept.insert(*found);
            continue;
        }
        auto promise = std::make_shared<std::promise<std::pair<QImage, QString>>>();
        kept.emplace(path, promise->get_future().share());
        QThreadPool::globalInstance()->start([promise, file = qs(path), size = decodeSize_] {
            std::pair<QImage, QString> result;
            result.first = decodeUpright(file, size, true, result.second);
            promise->set_value(std::move(result));
        });
    }
    ahead_ = std::move(kept);
}

void SortWindow::say(const std::string& line) {
    status_->setText(qs(line));
}

void SortWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (session_ && !session_->done() && decodeSize_ != preview_->size()) {
        showCurrent();
    }
}

}  // namespace veltrana
