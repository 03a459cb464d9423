#pragma once

#include "platform/form.h"

namespace veltrana {

// Asks for a student's name and selects that student's node. Failures propagate to the caller.
void Look_Up_Click(Form& form);

}  // namespace veltrana
