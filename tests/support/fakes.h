#pragma once

#include <algorithm>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/child_process.h"
#include "platform/controls.h"
#include "platform/data_access.h"
#include "platform/error.h"
#include "platform/file_system.h"
#include "platform/form.h"
#include "platform/fs/std_file_system.h"
#include "platform/keyed_tree.h"
#include "platform/shell.h"
#include "platform/utf8.h"

// Controls, dialogs and services that the handler tests drive and then inspect. Each records
// what the handlers did to it; scripted answers stand in for the user.

namespace veltrana::test {

// Whether the Windows build runs under Wine rather than on Windows itself.
bool underWine();

// The next scripted answer, or none when the script has run out.
template <typename T>
T next(std::deque<T>& script, T none) {
    if (script.empty()) {
        return none;
    }
    T answer = std::move(script.front());
    script.pop_front();
    return answer;
}

// The tree with plain byte order for sorted children.
class FakeTree : public TreeView {
public:
    void Add(const std::string& relative, const std::string& key, std::string text) override {
        nodes.add(relative, key, std::move(text));
    }
    void setSorted(const std::string& key) override { nodes.setSorted(key); }
    void select(const std::string& key) override { selected = nodes.require(key); }
    std::vector<std::string> selectedNodeTexts() const override {
        if (selected == KeyedTree::kNone) {
            throw Error(err::kObjectNotSet, "对象变量未设置：没有选中的节点");
        }
        return nodes.pathTexts(selected);
    }
    void Clear() override {
        nodes = KeyedTree();
        selected = KeyedTree::kNone;
    }
    std::string selectedKey() const {
        return selected == KeyedTree::kNone ? std::string() : std::string(nodes.node(selected).key);
    }

    KeyedTree nodes;
    int selected = KeyedTree::kNone;
};

class FakeList : public ListBox {
public:
    void Clear() override {
        items.clear();
        selected = -1;
    }
    void AddItems(const std::vector<std::string>& added) override {
        items.insert(items.end(), added.begin(), added.end());
    }
    std::string Text() const override {
        return selected >= 0 ? items.at(static_cast<std::size_t>(selected)) : std::string();
    }
    // Selects the item with that text, as a user's click does; fails when it is not listed.
    void pick(const std::string& text) {
        auto it = std::find(items.begin(), items.end(), text);
        if (it == items.end()) {
            throw Error(err::kElementNotFound, "列表中没有“" + text + "”");
        }
        selected = static_cast<int>(it - items.begin());
    }

    std::vector<std::string> items;
    int selected = -1;
};

class FakeLabel : public Label {
public:
    std::string Caption() const override { return caption; }
    void setCaption(const std::string& text) override { caption = text; }

    std::string caption;
};

// Shows a picture only when the file is there (53 otherwise, keeping the picture before).
class FakePicture : public PictureBox {
public:
    void loadPicture(const std::string& path) override {
        if (!std::filesystem::is_regular_file(utf8Path(path))) {
            throw Error(err::kFileNotFound, "文件未找到：“" + path + "”");
        }
        shown = path;
    }
    void clearPicture() override { shown.clear(); }

    std::string shown;  // path of the picture shown, empty when none
};

class FakeFileDialog : public FileDialog {
public:
    void ShowOpen() override { openedAt.push_back(FileName); }
    // With no answer left the user cancels.
    void ShowSave() override {
        ++saves;
        FileNames = next(saveAnswers, std::vector<std::string>());
        FileName = FileNames.empty() ? std::string() : FileNames.front();
    }

    // Records where it opened; the next chosen file, or cancelled when none is left.
    std::string chooseFile(const std::string& folder, const std::string& filter) override {
        chooseAt.push_back({folder, filter});
        return next(chosenFiles, std::string());
    }

    std::deque<std::vector<std::string>> saveAnswers;  // the files chosen at each ShowSave
    std::deque<std::string> chosenFiles;
    std::vector<std::pair<std::string, std::string>> chooseAt;  // folder and filter
    int saves = 0;
    std::vector<std::string> openedAt;  // FileName at each ShowOpen
};

struct Message {
    std::string prompt;
    std::string title;
    bool operator==(const Message&) const = default;
};

// One report of long work, as the progress dialog would show it.
struct ProgressReport {
    long done;
    long total;
    std::string text;
};

class FakeDialogs : public Dialogs {
public:
    void MsgBox(const std::string& prompt, const std::string& title) override {
        messages.push_back({prompt, title});
    }
    // Cancelled (empty) when no typed answer is left.
    std::string InputBox(const std::string& prompt, const std::string& title) override {
        inputBoxes.push_back({prompt, title});
        return next(typed, std::string());
    }
    // The answer of the next chosen text; closed (-1) when no choice is left or the text is
    // not among the answers.
    int ask(const std::string& question, const std::string& title,
            const std::vector<std::string>& answers) override {
        questions.push_back({question, title});
        auto chosen = std::find(answers.begin(), answers.end(), next(choices, std::string()));
        return chosen == answers.end() ? -1 : static_cast<int>(chosen - answers.begin());
    }
    // Records what it showed; the next scripted answer and stream, cancelled when none is left.
    NewClassAnswer newClass(const RosterPreview& preview, std::string& stream) override {
        previews.push_back(preview);
        auto [answer, chosen] =
            next(newClassAnswers, std::pair(NewClassAnswer::Cancel, std::string()));
        stream = chosen;
        return answer;
    }
    void report(const std::string& text, const std::string& title) override {
        shownReports.push_back({text, title});
    }
    void setBusy(bool busy) override { busyChanges.push_back(busy); }
    // Every report is recorded with its words; the user asks to stop at the report numbered
    // stopAtReport (counted from 0 over the whole test), and from then on.
    std::unique_ptr<Progress> progress(const std::string& title,
                                       const std::string& stopCaption) override;
    // The prompts of the messages, each marked with its title when that is not title.
    std::vector<std::string> prompts(const std::string& title) const {
        std::vector<std::string> shown;
        for (const Message& m : messages) {
            shown.push_back(m.title == title ? m.prompt : "[" + m.title + "] " + m.prompt);
        }
        return shown;
    }

    std::vector<Message> messages;
    std::vector<Message> inputBoxes;
    std::deque<std::string> typed;
    std::vector<Message> questions;
    std::deque<std::string> choices;
    std::vector<RosterPreview> previews;
    std::deque<std::pair<NewClassAnswer, std::string>> newClassAnswers;
    std::vector<Message> shownReports;  // text and title of each report dialog
    std::vector<bool> busyChanges;
    std::vector<Message> progressDialogs;  // title and stop button's caption of each start
    std::vector<ProgressReport> reports;
    long stopAtReport = -1;
};

// Records every path it is asked to open; with noApplication set, the desktop has none for it.
class FakeShell : public Shell {
public:
    bool open(const std::string& path) override {
        opened.push_back(path);
        return !noApplication;
    }
    // Keeps the file in trash, a folder of the test's choosing; false when that is empty.
    bool moveToTrash(const std::string& path) override {
        if (trash.empty()) {
            return false;
        }
        std::filesystem::rename(utf8Path(path), utf8Path(trash) / utf8Path(path).filename());
        return true;
    }

    std::vector<std::string> opened;
    bool noApplication = false;
    std::string trash;
};

// The tool's --read-roster run in this process, so the window's tests need no program beside
// them; or, with `ends` set, a run that ends that way (crashed, timed out, ...).
class InProcessTool : public ChildProcess {
public:
    ChildRun run(const std::string& program, const std::vector<std::string>& arguments,
                 std::chrono::milliseconds timeout) override;

    std::vector<std::vector<std::string>> runs;  // the program and its arguments, each run
    std::optional<ChildRun> ends;
};

// Tables held in memory, served through the real Connection and Recordset.
class FakeDataAccess : public DataAccess {
public:
    std::unique_ptr<Connection> newConnection() override;

    std::map<std::string, Table> tables;
    std::vector<std::string> openedFiles;
};

// The real file system, with failures on demand and files that another program puts into a
// folder while one is being written there.
class FailingFileSystem : public StdFileSystem {
public:
    bool createFolder(const std::string& path) override {
        if (path == failCreating) {
            throw Error(err::kPermissionDenied, "没有权限：无法创建文件夹“" + path + "”");
        }
        bool created = StdFileSystem::createFolder(path);
        foldersCreated += created ? 1 : 0;
        return created;
    }
    std::string copyFile(const std::string& source, const std::string& destination, OnClash onClash,
                         FolderFlush folderFlush) override {
        if (source == failCopying) {
            throw Error(err::kDiskFull,
                        "磁盘已满：无法复制文件“" + source + "”到“" + destination + "”");
        }
        if (meanwhile) {
            meanwhile(destination);
        }
        return StdFileSystem::copyFile(source, destination, onClash, folderFlush);
    }
    void flushFolder(const std::string& folder) override {
        ++foldersFlushed;
        StdFileSystem::flushFolder(folder);
    }
    std::unique_ptr<IncomingFile> receive(const std::string& folder) override;

    std::string failCreating;  // createFolder of this path fails
    std::string failCopying;   // copyFile from this path fails as on a full disk
    int failWrite = 0;         // the n-th write of each received file fails as on a full disk
    bool failLanding = false;  // the rename that lands a received file fails
    // Runs once a copy to path or a received file to be named path is under way, before it lands.
    std::function<void(const std::string& path)> meanwhile;
    int foldersCreated = 0;
    int foldersFlushed = 0;
};

// A folder of its own under base (the system's temporary folder when empty), removed with
// everything in it.
class TempDir {
public:
    explicit TempDir(const std::string& base = {});
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// Files of the tests, folders made as needed.
void writeFile(const std::string& path, const std::string& content = "x");
std::string readFile(const std::string& path);
// Names of what folder holds, sorted.
std::vector<std::string> filesIn(const std::string& folder);

// The main window made of fakes, with the real file system under a program folder.
struct FakeWindow {
    FakeWindow(const std::string& appPath, DataAccess& dataAccess)
        : form{tree,  list,  picture, label1,  label2, label3, fileDialog, dialogs, dataAccess,
               files, shell, tool,    appPath, {},     {},     {},         {},      {}} {}

    FakeTree tree;
    FakeList list;
    FakePicture picture;
    FakeLabel label1;
    FakeLabel label2;
    FakeLabel label3;
    FakeFileDialog fileDialog;
    FakeDialogs dialogs;
    FailingFileSystem files;
    FakeShell shell;
    InProcessTool tool;
    Form form;
};

}  // namespace veltrana::test
