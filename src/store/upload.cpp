#include "store/upload.h"

#include <map>

#include "model/folder_name.h"
#include "model/landing_name.h"
#include "platform/case_fold.h"
#include "platform/error.h"
#include "store/last_in_str.h"

namespace veltrana {

namespace {

std::string fileNameOf(const std::string& path) {
    return Mid(path, LastInStr(path, std::string(1, kSeparator)) + 1);
}

// The answers to a name clash. With several files the first three answers can be given for all
// remaining clashes of the upload at once, so thirty clashes are not thirty questions.
enum Answer { kReplace, kKeepBoth, kCancel, kReplaceAll, kKeepBothAll, kCancelAll, kStop };
const std::vector<std::string> kOneFileAnswers{"替换", "保留两者", "取消"};
const std::vector<std::string> kManyFilesAnswers{"替换",         "保留两者", "取消",    "全部替换",
                                                 "全部保留两者", "全部跳过", "停止上传"};

// One press of the button: the files chosen in the dialog, copied one after another.
class Upload {
public:
    Upload(Form& form, bool many) : form_(form), many_(many) {}

    // Copies each file in turn and gives the one message that lists the files not copied, with
    // why, and those that had to take a numbered name (empty when there is nothing to say). With
    // one file a failure is reported as it always was; with several a file that fails does not
    // stop the others. The user stops the upload after the current file, in the progress dialog
    // or at a clash.
    std::string copyAll(const std::vector<std::string>& sources) {
        auto progress = form_.dialogs.progress(kMessageTitle, "停止上传");
        const long total = static_cast<long>(sources.size());
        long next = 0;
        for (; next < total; ++next) {
            const std::string& source = sources[static_cast<std::size_t>(next)];
            auto describe = [&] {
                return "正在上传第 " + std::to_string(next + 1) + " 个文件（共 " +
                       std::to_string(total) + " 个）：" + fileNameOf(source);
            };
            try {
                if (!progress->update(next, total, describe) || !copy(source)) {
                    break;
                }
            } catch (const Error& error) {
                if (!many_) {
                    throw;
                }
                notCopied(source, errorText(error));
            }
        }
        for (; next < total; ++next) {
            notCopied(sources[static_cast<std::size_t>(next)], "上传已停止");
        }
        // One flush of the folder for all the copies, before anything is reported done.
        if (copied_) {
            form_.fileSystem.flushFolder(form_.selectedPath);
        }
        std::string report;
        if (many_ && notCopiedCount_ > 0) {
            report = std::to_string(total) + " 个文件中有 " + std::to_string(notCopiedCount_) +
                     " 个没有上传：" + notCopied_;
        }
        if (!renamed_.empty()) {
            report += (report.empty() ? "" : "\n\n") +
                      std::string("上传期间文件夹里出现了同名的文件，两个都已保留：") + renamed_;
        }
        return report;
    }

private:
    // False when the user stops the whole upload at a clash.
    bool copy(const std::string& source) {
        std::string name = fileNameOf(source);
        if (std::string why = landingNameRefusal(name); !why.empty()) {
            throw Error(err::kPathFileAccess,
                        "路径/文件访问错误：" + why + "。“" + source + "”未上传");
        }
        std::string destination = form_.selectedPath + kSeparator + name;
        if (const std::string* there = nameInFolder(name)) {
            name = *there;
            destination = form_.selectedPath + kSeparator + name;
        }
        // A name that is free now may be taken before the copy lands (a phone, another copy of
        // the program on a shared Data): only the user's 替换 replaces anything.
        OnClash onClash = OnClash::kKeepBoth;
        bool wasFree = true;
        if (form_.fileSystem.exists(destination)) {
            wasFree = false;
            if (form_.fileSystem.sameFile(source, destination)) {
                return true;  // the chosen file already is the one in the folder
            }
            // A silent replace would lose a student's earlier work.
            int answer = answerFor(name);
            if (answer == kStop) {
                return false;
            }
            if (answer == kReplace) {
                onClash = OnClash::kReplace;
            } else if (answer != kKeepBoth) {
                notCopied(source, "已取消");
                return true;
            }
        }
        std::string copied = fileNameOf(
            form_.fileSystem.copyFile(source, destination, onClash, FolderFlush::kLater));
        copied_ = true;
        inFolder_.emplace(caseFoldedUtf16(copied), copied);
        if (wasFree && copied != name) {
            renamed_.append("\n").append(name).append(" 已另存为“").append(copied).append("”");
        }
        return true;
    }

    // The name of the file in the folder that name differs from in case alone, or null. Windows
    // and the USB sticks the Data folder travels on take IMG_0001.JPG and img_0001.jpg for one
    // name, so an upload treats them as one on every system and never puts both in a folder.
    const std::string* nameInFolder(const std::string& name) {
        if (!listed_) {
            for (std::string& file : form_.fileSystem.listFiles(form_.selectedPath)) {
                std::u16string folded = caseFoldedUtf16(file);
                inFolder_.emplace(std::move(folded), std::move(file));
            }
            listed_ = true;
        }
        auto found = inFolder_.find(caseFoldedUtf16(name));
        return found == inFolder_.end() ? nullptr : &found->second;
    }

    // The answer given for all clashes (replace, keep both or cancel), else the user's.
    int answerFor(const std::string& name) {
        if (forAll_ >= 0) {
            return forAll_;
        }
        std::string question = "此位置已有名为“" + name + "”的文件。要替换它吗？";
        if (!many_) {
            return form_.dialogs.ask(question, kMessageTitle, kOneFileAnswers);
        }
        int answer = form_.dialogs.ask(
            question + "\n“全部”的回答也用于这次上传中其余的同名文件；“取消”只跳过这一个文件。",
            kMessageTitle, kManyFilesAnswers);
        if (answer >= kReplaceAll && answer <= kCancelAll) {
            forAll_ = answer - kReplaceAll;
            return forAll_;
        }
        return answer;
    }

    void notCopied(const std::string& source, const std::string& why) {
        notCopied_.append("\n").append(fileNameOf(source)).append("：").append(why);
        ++notCopiedCount_;
    }

    Form& form_;
    bool many_;
    int forAll_ = -1;
    bool listed_ = false;
    std::map<std::u16string, std::string> inFolder_;  // the folder's files by case-folded name
    std::string notCopied_;
    int notCopiedCount_ = 0;
    bool copied_ = false;
    std::string renamed_;  // files whose name was taken while they were copied, a line each
};

}  // namespace

void Command1_Click(Form& form) {
    try {
        if (form.Label3.Caption().empty()) {
            form.dialogs.MsgBox("请选择上传的知识点位置", kMessageTitle);
            return;
        }
        if (form.selectedPath.empty()) {
            form.dialogs.MsgBox(kNoFolderText, kMessageTitle);
            return;
        }
        form.CommonDialog1.ShowSave();
        const std::vector<std::string> sources = form.CommonDialog1.FileNames;
        if (sources.empty()) {
            form.dialogs.MsgBox("请点击需要保存的位置", kMessageTitle);
            return;
        }
        form.fileSystem.removeUnfinishedCopies(form.selectedPath);
        Upload upload(form, sources.size() > 1);
        if (std::string report = upload.copyAll(sources); !report.empty()) {
            form.dialogs.MsgBox(report, kMessageTitle);
        }
    } catch (const Error& error) {
        form.dialogs.MsgBox(errorText(error), kMessageTitle);
    }
}

}  // namespace veltrana
