#pragma once

#include "platform/form.h"

namespace veltrana {

// Connects and builds the whole knowledge tree, once, before the window shows. A failure
// anywhere shows the connect-failure texts and keeps the nodes added so far.
void Form_Load(Form& form);

}  // namespace veltrana
