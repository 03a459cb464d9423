#pragma once

#include <string>

namespace veltrana {

// The order in which people read names on a Chinese system: Chinese by pinyin, runs of digits
// by their value (第2次 before 第10次), letters without regard to case. Texts are UTF-8.
bool readingOrderLess(const std::string& a, const std::string& b);

}  // namespace veltrana
