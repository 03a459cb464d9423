#pragma once

#include <string>
#include <vector>

namespace veltrana::mkdb {

// What a check found, each text naming where: faults stop the program or the tool, warnings
// only tell the teacher.
struct Findings {
    std::vector<std::string> faults;
    std::vector<std::string> warnings;
};

}  // namespace veltrana::mkdb
