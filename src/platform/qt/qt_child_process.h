#pragma once

#include "platform/child_process.h"

namespace veltrana {

// Over QProcess. The child's error output goes where this program's goes.
class QtChildProcess : public ChildProcess {
public:
    ChildRun run(const std::string& program, const std::vector<std::string>& arguments,
                 std::chrono::milliseconds timeout) override;
};

}  // namespace veltrana
