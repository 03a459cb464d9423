#pragma once

#include <string>

namespace veltrana {

// Opens a file or folder with the application the desktop associates with it. The application
// is not waited for.
class Shell {
public:
    virtual ~Shell() = default;
    // False when the desktop cannot open it: no application for it, or no desktop to ask. Where
    // the desktop hands the path to a helper program and answers at once, a failure of that
    // program is its own to report.
    virtual bool open(const std::string& path) = 0;
};

}  // namespace veltrana
