#include "platform/file_system.h"

namespace veltrana {

std::string numberedName(const std::string& name, int n) {
    std::size_t dot = name.rfind('.');
    if (dot == 0 || dot == std::string::npos) {
        dot = name.size();
    }
    return name.substr(0, dot) + " (" + std::to_string(n) + ")" + name.substr(dot);
}

}  // namespace veltrana
