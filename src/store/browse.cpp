#include "store/browse.h"

#include "platform/error.h"
#include "store/folder_name.h"

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
    form.shell.open(form.selectedPath + kSeparator + form.List1.Text());
}

}  // namespace veltrana
