#pragma once

#include <string>

namespace veltrana {

// The UTF-8 text in UTF-16 with every character case-folded as the toolkit folds it (Unicode's
// simple folding, one character for one), so that two folded texts compare without case and a
// position in a folded text is the same position in the text.
std::u16string caseFoldedUtf16(const std::string& utf8);

}  // namespace veltrana
