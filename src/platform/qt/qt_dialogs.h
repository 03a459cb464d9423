#pragma once

#include <QWidget>

#include "platform/controls.h"
#include "platform/shell.h"

namespace veltrana {

// Shrinks a dialog that, at the display's scaling, is larger than the area of its owner's screen
// without task bars, to fit that area, though never below what its layout needs; Qt then places
// it inside that area. Call it once the dialog has its size, before it is shown.
void fitDialog(QWidget& dialog);

// CommonDialog1 over QFileDialog, owned by the window it opens over.
class QtFileDialog : public FileDialog {
public:
    explicit QtFileDialog(QWidget* owner) : owner_(owner) {}
    void ShowOpen() override;
    void ShowSave() override;
    std::string chooseFile(const std::string& folder, const std::string& filter) override;

private:
    QWidget* owner_;
};

class QtDialogs : public Dialogs {
public:
    // Long work shows its progress dialog once it has run for progressDelayMs.
    explicit QtDialogs(QWidget* owner, int progressDelayMs = 1000)
        : owner_(owner), progressDelayMs_(progressDelayMs) {}
    void MsgBox(const std::string& prompt, const std::string& title) override;
    std::string InputBox(const std::string& prompt, const std::string& title) override;
    int ask(const std::string& question, const std::string& title,
            const std::vector<std::string>& answers) override;
    NewClassAnswer newClass(const RosterPreview& preview, std::string& stream) override;
    void report(const std::string& text, const std::string& title) override;
    void setBusy(bool busy) override;
    std::unique_ptr<Progress> progress(const std::string& title,
                                       const std::string& stopCaption) override;

private:
    QWidget* owner_;
    int progressDelayMs_;
};

// Opens with the desktop's application for the file: the file manager for a folder.
class QtShell : public Shell {
public:
    bool open(const std::string& path) override;
    bool moveToTrash(const std::string& path) override;
};

}  // namespace veltrana
