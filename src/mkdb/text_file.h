#pragma once

#include <string>
#include <string_view>

namespace veltrana::mkdb {

// The text of a file as a spreadsheet saves it, in UTF-8 without a byte order mark. The encoding
// comes from the bytes: a byte order mark names UTF-8 or UTF-16 LE/BE; without one, text that is
// valid UTF-8 is UTF-8, and anything else GB18030 (which covers GBK and GB2312, what Excel and
// WPS write on a Chinese Windows). Refused with `where` and the line: bytes that are none of
// these, NUL, and characters beyond U+FFFF, which Jet 4 text cannot hold.
std::string decodeText(std::string_view bytes, const std::string& where);

// The file's bytes; fails naming the file (53 missing, 75 unreadable).
std::string readFileBytes(const std::string& file);

// decodeText of the file's bytes, where naming the file.
std::string readTextFile(const std::string& file);

// "文件“name”".
std::string fileWhere(const std::string& file);

}  // namespace veltrana::mkdb
