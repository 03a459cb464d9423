#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace veltrana::mkdb {

// Appends the UTF-8 text as UCS-2, the character set of Jet 4 text. Returns false, with the
// byte offset of the offending sequence in badOffset, for bytes that are not UTF-8, for NUL
// (readers hand text on as C strings) and for characters beyond U+FFFF (UCS-2 readers give
// them back as "?", so the value would not come back as written).
bool appendUcs2(std::string_view utf8, std::u16string& out, std::size_t* badOffset = nullptr);

}  // namespace veltrana::mkdb
