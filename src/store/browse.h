#pragma once

#include "platform/form.h"

namespace veltrana {

// Shows the file dialog in the selected node's folder; its answer is not used.
void Command2_Click(Form& form);
// Opens the file selected in the list with its associated application.
void Image1_Click(Form& form);

}  // namespace veltrana
