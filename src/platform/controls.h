#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

// The controls of the main window as the handlers see them. The window implements them with
// Qt widgets; tests implement them with small fakes. Texts are UTF-8.

namespace veltrana {

class Label {
public:
    virtual ~Label() = default;
    virtual std::string Caption() const = 0;
    virtual void setCaption(const std::string& caption) = 0;
};

class ListBox {
public:
    virtual ~ListBox() = default;
    virtual void Clear() = 0;
    virtual void AddItems(const std::vector<std::string>& items) = 0;
    // Text of the selected item, empty when none is selected.
    virtual std::string Text() const = 0;
};

class PictureBox {
public:
    virtual ~PictureBox() = default;
    // Shows the JPEG or PNG picture at path, stretched over the whole control. A file that
    // cannot be read as a picture fails (53 missing, 481 not a picture) and leaves the
    // picture shown before.
    virtual void loadPicture(const std::string& path) = 0;
    virtual void clearPicture() = 0;
};

// The knowledge tree. Every node shows the picture "K1", and "K2" while selected.
class TreeView {
public:
    virtual ~TreeView() = default;
    // Adds a node as the last child of the node keyed relative (a top-level node when relative
    // is empty), or at its sorted place when that node is sorted. Fails with 35602 when key is
    // in use and with 35601 when relative names no node.
    virtual void Add(const std::string& relative, const std::string& key, std::string text) = 0;
    // Keeps the children of the node keyed key in the display order of their texts.
    virtual void setSorted(const std::string& key) = 0;
    // Selects the node keyed key and makes it visible; 35601 when there is none.
    virtual void select(const std::string& key) = 0;
    // Texts of the nodes from the root down to the selected node; 91 when none is selected.
    // Joined by "\" they make the node's full path.
    virtual std::vector<std::string> selectedNodeTexts() const = 0;
    // Removes every node, for the tree of a class made while the window is open.
    virtual void Clear() = 0;
};

// The one file dialog of the window. FileName keeps its value between uses.
class FileDialog {
public:
    virtual ~FileDialog() = default;
    std::string FileName;
    // What the upload's dialog chose last, in full; FileName is the first of them.
    std::vector<std::string> FileNames;
    // Open-file dialog positioned by FileName ("<folder>/*.*" opens in that folder).
    virtual void ShowOpen() = 0;
    // The upload's dialog: picks one or more existing files, never asks to replace them. Sets
    // FileNames to their full paths and FileName to the first, or both to empty when the user
    // cancels.
    virtual void ShowSave() = 0;
    // One existing file of the kinds filter names ("名单 (*.xlsx *.csv);;所有文件 (*)"), the
    // dialog opening in folder; its path, empty when cancelled. FileName is left alone.
    virtual std::string chooseFile(const std::string& folder, const std::string& filter) = 0;
};

// The title of every message, question and input box of the program.
inline constexpr const char* kMessageTitle = "系统提示";

// How far long work is. Nothing shows while the work is short; once it has run for about a
// second, a dialog with a stop button shows the progress, the window repaints, and its other
// controls take no input until the work ends.
class Progress {
public:
    virtual ~Progress() = default;
    // Reports done of total (0 while the total is not known yet). describe gives the words and
    // is called only when the display is due, so reporting every item costs next to nothing.
    // False once the user has asked to stop: the work then stops after the current item.
    virtual bool update(long done, long total, const std::function<std::string()>& describe) = 0;
};

// What the 新建班级 dialog shows of a roster before anything is written.
struct RosterPreview {
    std::string file;
    std::string summary;                // the number of students, or why the roster is refused
    std::vector<std::string> names;     // "第 3 行　王芳", in roster order
    std::vector<std::string> findings;  // "错误：…" and "警告：…", each naming its row
    bool canCreate = false;
};

enum class NewClassAnswer { Create, OtherRoster, Cancel };

// Modal dialogs of the window.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    // OK and Cancel with the exclamation icon; the answer is not used.
    virtual void MsgBox(const std::string& prompt, const std::string& title) = 0;
    // Returns the typed text, empty when cancelled.
    virtual std::string InputBox(const std::string& prompt, const std::string& title) = 0;
    // A question with the given answers as buttons; returns the index of the chosen answer, or
    // -1 when the dialog is closed without one.
    virtual int ask(const std::string& question, const std::string& title,
                    const std::vector<std::string>& answers) = 0;
    // The 新建班级 dialog over a roster read: the teacher picks the stream, 理科 or 文科 (neither
    // at first), and creates the class, picks another roster or cancels. Create is offered only
    // when preview.canCreate; stream is set when the answer is Create.
    virtual NewClassAnswer newClass(const RosterPreview& preview, std::string& stream) = 0;
    // A report in a dialog of its own, its text selectable and copyable.
    virtual void report(const std::string& text, const std::string& title) = 0;
    // Shows or takes away the wait cursor; handlers use WaitCursor below for a whole scope.
    virtual void setBusy(bool busy) = 0;
    // Starts reporting long work; the progress dialog, when it shows, has the given title and
    // a button of the given caption that asks to stop. Reporting ends with the returned object.
    virtual std::unique_ptr<Progress> progress(const std::string& title,
                                               const std::string& stopCaption) = 0;
};

// Wait cursor for the length of a scope.
class WaitCursor {
public:
    explicit WaitCursor(Dialogs& dialogs) : dialogs_(dialogs) { dialogs_.setBusy(true); }
    ~WaitCursor() { dialogs_.setBusy(false); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    Dialogs& dialogs_;
};

}  // namespace veltrana
