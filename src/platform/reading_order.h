#pragma once

#include <string>

namespace veltrana {

// The order in which people read names on a Chinese system: Chinese by pinyin, runs of digits
// by their value (第2次 before 第10次), letters without regard to case. Texts are UTF-8.
bool readingOrderLess(const std::string& a, const std::string& b);

// The order of a class list: readingOrderLess, with the surname read as a surname (曾 as Zēng
// among Z, where readingOrderLess has céng). For names of people only: file names keep
// readingOrderLess, since 曾经 or 单元 there are words, not surnames.
bool nameOrderLess(const std::string& a, const std::string& b);

}  // namespace veltrana
