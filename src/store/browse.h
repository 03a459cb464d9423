#pragma once

#include "platform/form.h"

namespace veltrana {

// Shows the file dialog in the selected node's folder; its answer is not used.
void Command2_Click(Form& form);
// Opens the file selected in the list (the node's folder when none is) with its associated
// application, and says so when that cannot be done.
void Image1_Click(Form& form);

}  // namespace veltrana
