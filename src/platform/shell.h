#pragma once

#include <string>

namespace veltrana {

// Opens a file or folder with the application the desktop associates with it. The answer is
// not waited for and not reported.
class Shell {
public:
    virtual ~Shell() = default;
    virtual void open(const std::string& path) = 0;
};

}  // namespace veltrana
