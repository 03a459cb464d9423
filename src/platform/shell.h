#pragma once

#include <string>

namespace veltrana {

// The desktop: opens a file or folder with the application it associates with it (not waited
// for), and keeps the files the user deletes.
class Shell {
public:
    virtual ~Shell() = default;
    // False when the desktop cannot open it: no application for it, or no desktop to ask. Where
    // the desktop hands the path to a helper program and answers at once, a failure of that
    // program is its own to report.
    virtual bool open(const std::string& path) = 0;
    // Moves a file to the system's recycle bin or trash, whence the user can bring it back; false
    // when there is none or the move failed, and the file stays.
    virtual bool moveToTrash(const std::string& path) = 0;
};

}  // namespace veltrana
