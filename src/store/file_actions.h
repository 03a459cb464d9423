#pragma once

#include "platform/form.h"

namespace veltrana {

// The list's context menu, on the file selected in the node shown: a new name, never one that
// is taken; or the system's recycle bin, never a plain delete. The window lists the folder again
// after each.
void RenameFile_Click(Form& form);
void DeleteFile_Click(Form& form);

}  // namespace veltrana
