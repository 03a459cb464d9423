#pragma once

#include "platform/form.h"

namespace veltrana {

// Creates every missing folder of the store under Data. Failures propagate to the caller.
void NewFolder_Click(Form& form);

}  // namespace veltrana
