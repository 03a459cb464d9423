#pragma once

#include <string>
#include <vector>

namespace veltrana {

// The orders in which people read names on a Chinese system, the same on every system: Chinese
// by pinyin and tone (the table in pinyin.h), runs of digits by their value (第2次 before 第10次),
// letters without regard to case. Where the readings tie, the characters decide. Texts are UTF-8.

// The order of a class list, with the surname read as a surname (曾 as Zēng among Z, where the
// word reading is céng). For names of people only: in file names 曾经 or 单元 are words.
bool nameOrderLess(const std::string& a, const std::string& b);

// Sorts file names by the name without its extension first and then by the extension, so
// "hw1.jpg" comes before "hw1 (2).jpg".
void sortFileNames(std::vector<std::string>& names);

}  // namespace veltrana
