#pragma once

#include "platform/form.h"

namespace veltrana {

// Shows the clicked node's path, makes its folder the selected path and lists its files in
// the order people read them.
void TreeView1_NodeClick(Form& form);

// Lists the files of the selected node's folder in reading order; an empty list when the node
// has no folder. Fails (76) when the folder is missing.
void ListNodeFiles(Form& form);

}  // namespace veltrana
