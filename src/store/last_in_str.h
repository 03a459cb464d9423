#pragma once

#include <cstdint>
#include <string>

namespace veltrana {

// 1-based position (in characters) where the last occurrence of pattern in text begins, letters
// compared without case; 0 when pattern is empty or absent. Overlapping hits count.
std::int16_t LastInStr(const std::string& text, const std::string& pattern);

}  // namespace veltrana
