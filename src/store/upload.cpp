#include "store/upload.h"

#include "platform/error.h"
#include "store/folder_name.h"
#include "store/last_in_str.h"

namespace veltrana {

namespace {

// The first free name of the pattern "名字 (2).jpg" in folder, for keeping both files.
std::string freeName(FileSystem& fileSystem, const std::string& folder, const std::string& name) {
    std::size_t dot = name.rfind('.');
    if (dot == 0 || dot == std::string::npos) {
        dot = name.size();
    }
    for (int n = 2;; ++n) {
        std::string candidate = folder + kSeparator + name.substr(0, dot) + " (" +
                                std::to_string(n) + ")" + name.substr(dot);
        if (!fileSystem.exists(candidate)) {
            return candidate;
        }
    }
}

enum Answer { kReplace, kKeepBoth, kCancel };

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
        const std::string source = form.CommonDialog1.FileName;
        if (source.empty()) {
            form.dialogs.MsgBox("请点击需要保存的位置", kMessageTitle);
            return;
        }
        std::int16_t cut = LastInStr(source, std::string(1, kSeparator));
        std::string name = Mid(source, cut + 1);
        if (!isSafeFolderName(name)) {
            throw Error(err::kPathFileAccess,
                        "路径/文件访问错误：“" + name + "”不能用作文件名，“" + source + "”未上传");
        }
        std::string destination = form.selectedPath + kSeparator + name;
        if (form.fileSystem.exists(destination)) {
            if (form.fileSystem.sameFile(source, destination)) {
                return;  // the chosen file already is the one in the folder
            }
            // A silent replace would lose a student's earlier work.
            int answer = form.dialogs.ask("此位置已有名为“" + name + "”的文件。要替换它吗？",
                                          kMessageTitle, {"替换", "保留两者", "取消"});
            if (answer == kKeepBoth) {
                destination = freeName(form.fileSystem, form.selectedPath, name);
            } else if (answer != kReplace) {
                return;
            }
        }
        form.fileSystem.copyFile(source, destination);
    } catch (const Error& error) {
        form.dialogs.MsgBox(errorText(error), kMessageTitle);
    }
}

}  // namespace veltrana
