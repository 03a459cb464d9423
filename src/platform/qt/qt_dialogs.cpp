#include "platform/qt/qt_dialogs.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>
#include <algorithm>
#include <optional>

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

// Shows the dialog for one existing file; the chosen path in the platform's spelling, or
// nothing when the user cancels.
std::optional<std::string> chooseFile(QWidget* owner, const std::string& fileName) {
    QFileDialog dialog(owner);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    openAt(dialog, fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return QDir::toNativeSeparators(dialog.selectedFiles().front()).toStdString();
}

}  // namespace

void QtFileDialog::ShowOpen() {
    if (auto chosen = chooseFile(owner_, FileName)) {
        FileName = *chosen;
    }
}

// The upload picks its source with this one: an existing file, so there is nothing to replace
// and nothing to ask.
void QtFileDialog::ShowSave() {
    FileName = chooseFile(owner_, FileName).value_or(std::string());
}

void QtDialogs::MsgBox(const std::string& prompt, const std::string& title) {
    QMessageBox box(QMessageBox::Warning, fromUtf8(title), fromUtf8(prompt),
                    QMessageBox::Ok | QMessageBox::Cancel, owner_);
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
    std::vector<QAbstractButton*> buttons;
    for (const auto& answer : answers) {
        buttons.push_back(box.addButton(fromUtf8(answer), QMessageBox::ActionRole));
    }
    box.exec();
    auto chosen = std::find(buttons.begin(), buttons.end(), box.clickedButton());
    return chosen == buttons.end() ? -1 : static_cast<int>(chosen - buttons.begin());
}

void QtDialogs::setBusy(bool busy) {
    if (busy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}

void QtShell::open(const std::string& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(fromUtf8(path)));
}

}  // namespace veltrana
