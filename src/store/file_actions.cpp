#include "store/file_actions.h"

#include "model/landing_name.h"
#include "platform/error.h"

namespace veltrana {

namespace {

// The selected file's name, or empty after saying that none is selected.
std::string selectedFile(Form& form) {
    std::string name = form.List1.Text();
    if (name.empty() || form.selectedPath.empty()) {
        form.dialogs.MsgBox("请先在列表中选择文件", kMessageTitle);
        return {};
    }
    return name;
}

}  // namespace

void RenameFile_Click(Form& form) {
    const std::string name = selectedFile(form);
    if (name.empty()) {
        return;
    }
    const std::string renamed = form.dialogs.InputBox("把“" + name + "”重命名为：", kMessageTitle);
    if (renamed.empty() || renamed == name) {
        return;
    }
    if (std::string why = landingNameRefusal(renamed); !why.empty()) {
        form.dialogs.MsgBox("“" + renamed + "”不能用作文件名：" + why, kMessageTitle);
        return;
    }
    try {
        form.fileSystem.moveFile(form.selectedPath + kSeparator + name,
                                 form.selectedPath + kSeparator + renamed);
    } catch (const Error& e) {
        form.dialogs.MsgBox(e.number() == err::kFileAlreadyExists
                                ? "此位置已有名为“" + renamed + "”的文件，“" + name + "”没有改名"
                                : errorText(e),
                            kMessageTitle);
    }
}

void DeleteFile_Click(Form& form) {
    const std::string name = selectedFile(form);
    if (name.empty()) {
        return;
    }
    if (form.dialogs.ask("把“" + name + "”移到回收站吗？", kMessageTitle, {"移到回收站", "取消"}) !=
        0) {
        return;
    }
    if (!form.shell.moveToTrash(form.selectedPath + kSeparator + name)) {
        form.dialogs.MsgBox("无法把“" + name + "”移到回收站，文件没有删除", kMessageTitle);
    }
}

}  // namespace veltrana
