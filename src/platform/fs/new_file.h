#pragma once

#include <cstdio>
#include <string>

namespace veltrana {

// Opens a file that does not exist yet for writing bytes; null with errno set when it cannot,
// EEXIST when the name is taken, so that no other file is ever written over. path is UTF-8.
std::FILE* createNewFile(const std::string& path);

}  // namespace veltrana
