#include "mkdb/ucs2.h"

#include "platform/utf8.h"

namespace veltrana::mkdb {

bool appendUcs2(std::string_view utf8, std::u16string& out, std::size_t* badOffset) {
    std::size_t bad = forEachCharacter(utf8, [&out](char32_t c) {
        if (c == 0 || c > 0xFFFF) {
            return false;
        }
        out.push_back(static_cast<char16_t>(c));
        return true;
    });
    if (bad == std::string_view::npos) {
        return true;
    }
    if (badOffset != nullptr) {
        *badOffset = bad;
    }
    return false;
}

}  // namespace veltrana::mkdb
