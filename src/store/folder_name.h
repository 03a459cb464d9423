#pragma once

#include <string>

namespace veltrana {

// True when name can be one folder name on this platform and on Windows: not empty, not "."
// or "..", no "/" or "\", no control or reserved character, no reserved device name, no
// trailing blank or dot.
bool isSafeFolderName(const std::string& name);

}  // namespace veltrana
