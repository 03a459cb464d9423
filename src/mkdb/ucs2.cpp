#include "mkdb/ucs2.h"

namespace veltrana::mkdb {

bool appendUcs2(std::string_view utf8, std::u16string& out, std::size_t* badOffset) {
    std::size_t i = 0;
    auto fail = [&] {
        if (badOffset != nullptr) {
            *badOffset = i;
        }
        return false;
    };
    while (i < utf8.size()) {
        auto lead = static_cast<unsigned char>(utf8[i]);
        if (lead < 0x80) {
            if (lead == 0) {
                return fail();
            }
            out.push_back(lead);
            ++i;
            continue;
        }
        // Only two- and three-byte sequences reach the Basic Multilingual Plane.
        std::size_t length = lead >= 0xE0 && lead < 0xF0 ? 3 : lead >= 0xC2 && lead < 0xE0 ? 2 : 0;
        if (length == 0 || i + length > utf8.size()) {
            return fail();
        }
        char32_t c = lead & (length == 2 ? 0x1F : 0x0F);
        for (std::size_t k = 1; k < length; ++k) {
            auto next = static_cast<unsigned char>(utf8[i + k]);
            if ((next & 0xC0) != 0x80) {
                return fail();
            }
            c = (c << 6) | (next & 0x3F);
        }
        // Overlong three-byte forms and UTF-16 surrogates are not characters.
        if ((length == 3 && c < 0x800) || (c >= 0xD800 && c <= 0xDFFF)) {
            return fail();
        }
        out.push_back(static_cast<char16_t>(c));
        i += length;
    }
    return true;
}

}  // namespace veltrana::mkdb
