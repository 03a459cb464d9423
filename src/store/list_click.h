#pragma once

#include "platform/form.h"

namespace veltrana {

// Previews a listed .jpg or .png; any other name clears the preview. Failures propagate.
void List1_Click(Form& form);

}  // namespace veltrana
