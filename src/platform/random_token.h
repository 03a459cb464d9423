#pragma once

#include <string>

namespace veltrana {

// 128 bits from the system's secure random source, as 32 lower-case hex digits: a secret that a
// link can carry and nobody can guess.
std::string randomToken();

}  // namespace veltrana
