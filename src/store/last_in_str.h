#pragma once

#include <cstdint>
#include <string>

namespace veltrana {

// 1-based position (in UTF-16 characters) where the last occurrence of pattern in text begins,
// letters compared without case; 0 when pattern is empty or absent. Overlapping hits count. A
// hit at 32767 or later fails with an overflow, as the 16-bit positions of the classic run
// time did.
std::int16_t LastInStr(const std::string& text, const std::string& pattern);

// The part of text from the 1-based UTF-16 position start to its end; empty past the end.
std::string Mid(const std::string& text, int start);

}  // namespace veltrana
