#include "platform/case_fold.h"

#include <QString>

namespace veltrana {

std::u16string caseFoldedUtf16(const std::string& utf8) {
    QString folded = QString::fromStdString(utf8).toCaseFolded();
    return std::u16string(reinterpret_cast<const char16_t*>(folded.utf16()),
                          static_cast<std::size_t>(folded.size()));
}

}  // namespace veltrana
