#pragma once

#include <string>
#include <vector>

namespace veltrana {

// The order in which people read names on a Chinese system: Chinese by pinyin, runs of digits
// by their value (第2次 before 第10次), letters without regard to case. Texts are UTF-8.
bool readingOrderLess(const std::string& a, const std::string& b);

// Sorts file names in the reading order, by the name without its extension first and then by
// the extension, so "hw1.jpg" comes before "hw1 (2).jpg".
void sortFileNames(std::vector<std::string>& names);

}  // namespace veltrana
