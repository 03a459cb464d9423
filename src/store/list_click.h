#pragma once

#include "platform/form.h"

namespace veltrana {

// Previews a listed JPEG or PNG picture (.jpg, .jpeg or .png in any case); any other name clears
// the preview. Failures propagate.
void List1_Click(Form& form);

}  // namespace veltrana
