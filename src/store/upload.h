#pragma once

#include "platform/form.h"

namespace veltrana {

// Copies a file the user picks into the selected node's folder.
void Command1_Click(Form& form);

}  // namespace veltrana
