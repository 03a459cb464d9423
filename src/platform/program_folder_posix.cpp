#include <cstdlib>

#include "platform/program_folder.h"

namespace veltrana {

// No OneDrive client of its own here; a folder some other tool keeps in step is its own affair.
std::string syncedFolderOf(const std::string&) {
    return {};
}

std::string suggestedProgramFolder() {
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "~") + "/班级文件库";
}

}  // namespace veltrana
