#include "store/browse.h"

#include "platform/error.h"
#include "model/folder_name.h"

namespace veltrana {

void Command2_Click(Form& form) {
    try {
        if (!form.Label3.Caption().empty()) {
            if (form.selectedPath.empty()) {
                form.dialogs.MsgBox(kNoFolderText, kMessageTitle);
                return;
            }
            form.CommonDialog1.FileName = form.selectedPath + kSeparator + "*.*";
        }
        form.CommonDialog1.ShowOpen();
    } catch (const Error&) {
        // The dialog only shows the folder; nothing depends on it having worked.
    }
}

void Image1_Click(Form& form) {
    if (!form.Label3.Caption().empty() && form.selectedPath.empty()) {
        form.dialogs.MsgBox(kNoFolderText, kMessageTitle);
        return;
    }
    const std::string path = form.selectedPath + kSeparator + form.List1.Text();
    // A click that opens nothing must say why, or the teacher clicks again and again.
    if (!form.fileSystem.exists(path)) {
        form.dialogs.MsgBox("找不到“" + path + "”，它可能已被移动或删除", kMessageTitle);
    } else if (!form.shell.open(path)) {
        form.dialogs.MsgBox("无法打开“" + path + "”：系统中没有可以打开它的程序", kMessageTitle);
    }
}

}  // namespace veltrana
