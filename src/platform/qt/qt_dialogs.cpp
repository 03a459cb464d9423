#include "platform/qt/qt_dialogs.h"

#include <QApplication>
#include <QButtonGroup>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QUrl>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>

#include "platform/screen_fit.h"

namespace veltrana {

namespace {

QString fromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

// "<folder>\*.*" is the classic way to open the dialog in a folder; here a wildcard name
// becomes the folder plus a filter ("*.*" meaning every file, with or without a dot). Any other
// name is offered as the file to choose.
void openAt(QFileDialog& dialog, const std::string& fileName) {
    if (fileName.empty()) {
        return;
    }
    QFileInfo preset(QDir::fromNativeSeparators(fromUtf8(fileName)));
    QString name = preset.fileName();
    if (name.contains('*') || name.contains('?')) {
        dialog.setDirectory(preset.path());
        if (name != "*.*") {
            dialog.setNameFilter(name);
        }
    } else {
        dialog.selectFile(preset.filePath());
    }
}

// Shows the dialog for existing files (one, or many in ExistingFiles mode); the chosen paths in
// the platform's spelling, none when the user cancels.
std::vector<std::string> chooseFiles(QWidget* owner, const std::string& fileName,
                                     QFileDialog::FileMode mode) {
    QFileDialog dialog(owner);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(mode);
    openAt(dialog, fileName);
    std::vector<std::string> chosen;
    if (dialog.exec() == QDialog::Accepted) {
        for (const QString& path : dialog.selectedFiles()) {
            chosen.push_back(QDir::toNativeSeparators(path).toStdString());
        }
    }
    return chosen;
}

// A progress dialog that appears only once the work has run for a while, and is brought up to
// date a few times a second, so that reporting every item of a run of half a million costs a
// clock reading per item.
class QtProgress : public Progress {
public:
    QtProgress(QWidget* owner, int showAfterMs, const std::string& title,
               const std::string& stopCaption)
        : owner_(owner),
          showAfterMs_(showAfterMs),
          title_(fromUtf8(title)),
          stopCaption_(fromUtf8(stopCaption)) {
        clock_.start();
    }

    bool update(long done, long total, const std::function<std::string()>& describe) override {
        qint64 now = clock_.elapsed();
        if (now < nextRefresh_) {
            return !stopped_;
        }
        nextRefresh_ = now + kRefreshMs;
        if (!dialog_ && now >= showAfterMs_) {
            show();
        }
        if (!dialog_) {
            // Repaint, but keep the clicks for after the work, as a busy window always did.
            QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            return true;
        }
        dialog_->setMaximum(static_cast<int>(total));
        dialog_->setValue(static_cast<int>(total > 0 ? std::min(done, total) : 0));
        dialog_->setLabelText(fromUtf8(describe()));
        // The dialog is modal to the window, so only its stop button takes input now.
        QApplication::processEvents();
        return !stopped_;
    }

private:
    static constexpr qint64 kRefreshMs = 100;

    void show() {
        dialog_ = std::make_unique<QProgressDialog>(owner_);
        auto* words = new QLabel;  // the words name folders and files: text, never markup
        words->setTextFormat(Qt::PlainText);
        dialog_->setLabel(words);
        dialog_->setWindowTitle(title_);
        dialog_->setCancelButtonText(stopCaption_);
        dialog_->setWindowModality(Qt::WindowModal);
        dialog_->setMinimumDuration(0);
        dialog_->setAutoReset(false);
        dialog_->setAutoClose(false);
        dialog_->setMinimumWidth(420);
        QObject::connect(dialog_.get(), &QProgressDialog::canceled, [this] { stopped_ = true; });
        // The wait cursor over the window stays, but the stop button must look clickable.
        QApplication::changeOverrideCursor(Qt::BusyCursor);
        dialog_->show();
    }

    QWidget* owner_;
    qint64 showAfterMs_;
    QString title_;
    QString stopCaption_;
    QElapsedTimer clock_;
    qint64 nextRefresh_ = 0;
    bool stopped_ = false;
    std::unique_ptr<QProgressDialog> dialog_;
};

}  // namespace

void fitDialog(QWidget& dialog) {
    dialog.ensurePolished();
    dialog.winId();  // the platform's window, whose frame the platform may know already
    QWidget* owner = dialog.parentWidget() != nullptr ? dialog.parentWidget()->window() : &dialog;
    const QRect available = owner->screen()->availableGeometry();
    const QMargins frame = dialog.windowHandle()->frameMargins();
    WindowFit fit = fitWindow({dialog.width(), dialog.height()}, 1,
                              {frame.left(), frame.top(), frame.right(), frame.bottom()},
                              {available.x(), available.y(), available.width(), available.height()},
                              dialog.x(), dialog.y());
    if (fit.factor < 1) {
        dialog.resize((dialog.size() * fit.factor).expandedTo(dialog.minimumSizeHint()));
    }
}

void QtFileDialog::ShowOpen() {
    std::vector<std::string> chosen = chooseFiles(owner_, FileName, QFileDialog::ExistingFile);
    if (!chosen.empty()) {
        FileName = chosen.front();
    }
}

// The upload picks its sources with this one: existing files, so there is nothing to replace
// and nothing to ask.
void QtFileDialog::ShowSave() {
    FileNames = chooseFiles(owner_, FileName, QFileDialog::ExistingFiles);
    FileName = FileNames.empty() ? std::string() : FileNames.front();
}

std::string QtFileDialog::chooseFile(const std::string& folder, const std::string& filter) {
    QFileDialog dialog(owner_);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDirectory(fromUtf8(folder));
    dialog.setNameFilters(fromUtf8(filter).split(";;"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return QDir::toNativeSeparators(dialog.selectedFiles().front()).toStdString();
}

void QtDialogs::MsgBox(const std::string& prompt, const std::string& title) {
    QMessageBox box(QMessageBox::Warning, fromUtf8(title), fromUtf8(prompt),
                    QMessageBox::Ok | QMessageBox::Cancel, owner_);
    // Messages carry names of students, knowledge points and files: text, never markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

std::string QtDialogs::InputBox(const std::string& prompt, const std::string& title) {
    bool ok = false;
    QString text = QInputDialog::getText(owner_, fromUtf8(title), fromUtf8(prompt),
                                         QLineEdit::Normal, QString(), &ok);
    return ok ? text.toStdString() : std::string();
}

int QtDialogs::ask(const std::string& question, const std::string& title,
                   const std::vector<std::string>& answers) {
    QMessageBox box(QMessageBox::Question, fromUtf8(title), fromUtf8(question),
                    QMessageBox::NoButton, owner_);
    box.setTextFormat(Qt::PlainText);
    std::vector<QAbstractButton*> buttons;
    for (const auto& answer : answers) {
        buttons.push_back(box.addButton(fromUtf8(answer), QMessageBox::ActionRole));
    }
    box.exec();
    auto chosen = std::find(buttons.begin(), buttons.end(), box.clickedButton());
    return chosen == buttons.end() ? -1 : static_cast<int>(chosen - buttons.begin());
}

// The roster's file, its numbers and names, what is wrong with it, and the stream to choose; the
// controls carry object names, so tests find them.
NewClassAnswer QtDialogs::newClass(const RosterPreview& preview, std::string& stream) {
    QDialog dialog(owner_);
    dialog.setWindowTitle("新建班级");
    dialog.resize(560, 520);
    auto* layout = new QVBoxLayout(&dialog);
    auto* file = new QLabel("名单：" + fromUtf8(preview.file));
    file->setTextFormat(Qt::PlainText);
    file->setWordWrap(true);
    auto* summary = new QLabel(fromUtf8(preview.summary));
    summary->setObjectName("summary");
    summary->setTextFormat(Qt::PlainText);
    summary->setWordWrap(true);
    summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(file);
    layout->addWidget(summary);
    auto list = [&](const char* name, const std::vector<std::string>& lines) {
        auto* widget = new QListWidget;
        widget->setObjectName(name);
        for (const std::string& line : lines) {
            widget->addItem(fromUtf8(line));
        }
        widget->setVisible(!lines.empty());
        layout->addWidget(widget, static_cast<int>(std::min<std::size_t>(lines.size(), 3)));
        return widget;
    };
    list("names", preview.names);
    list("findings", preview.findings);

    auto* streams = new QGroupBox("学科方向");
    auto* streamRow = new QHBoxLayout(streams);
    QButtonGroup group;
    for (const char* name : {"理科", "文科"}) {
        auto* choice = new QRadioButton(name);
        choice->setObjectName(name);
        group.addButton(choice);
        streamRow->addWidget(choice);
    }
    streams->setEnabled(preview.canCreate);
    layout->addWidget(streams);
    // The keys work as well: Space picks 理科, the arrows 文科, Tab reaches 新建.
    group.buttons().front()->setFocus();

    auto* buttons = new QDialogButtonBox;
    QPushButton* create = buttons->addButton("新建", QDialogButtonBox::AcceptRole);
    create->setObjectName("create");
    create->setEnabled(false);
    QPushButton* other = buttons->addButton("换一个名单…", QDialogButtonBox::ActionRole);
    other->setObjectName("other");
    buttons->addButton("取消", QDialogButtonBox::RejectRole)->setObjectName("cancel");
    layout->addWidget(buttons);
    QObject::connect(&group, &QButtonGroup::buttonClicked, create, [create] {
        create->setEnabled(true);
        create->setDefault(true);
    });
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(other, &QPushButton::clicked, &dialog, [&dialog] { dialog.done(2); });

    fitDialog(dialog);
    int result = dialog.exec();
    if (result == QDialog::Accepted && group.checkedButton() != nullptr) {
        stream = group.checkedButton()->text().toStdString();
        return NewClassAnswer::Create;
    }
    return result == 2 ? NewClassAnswer::OtherRoster : NewClassAnswer::Cancel;
}

void QtDialogs::report(const std::string& text, const std::string& title) {
    QDialog dialog(owner_);
    dialog.setWindowTitle(fromUtf8(title));
    dialog.resize(720, 420);
    auto* layout = new QVBoxLayout(&dialog);
    auto* lines = new QPlainTextEdit(fromUtf8(text));
    lines->setObjectName("report");
    lines->setReadOnly(true);
    lines->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    layout->addWidget(lines);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    buttons->button(QDialogButtonBox::Close)->setText("关闭");
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    fitDialog(dialog);
    dialog.exec();
}

void QtDialogs::setBusy(bool busy) {
    if (busy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}

std::unique_ptr<Progress> QtDialogs::progress(const std::string& title,
                                              const std::string& stopCaption) {
    return std::make_unique<QtProgress>(owner_, progressDelayMs_, title, stopCaption);
}

bool QtShell::open(const std::string& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(fromUtf8(path)));
}

bool QtShell::moveToTrash(const std::string& path) {
    return QFile::moveToTrash(fromUtf8(path));
}

}  // namespace veltrana
