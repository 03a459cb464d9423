#pragma once

#include "platform/form.h"

namespace veltrana {

// Shows the clicked node's path, makes its folder the selected path and lists its files in
// the order people read them.
void TreeView1_NodeClick(Form& form);

}  // namespace veltrana
