#include "platform/random_token.h"

#include <QRandomGenerator>
#include <array>

namespace veltrana {

std::string randomToken() {
    // Qt's system generator reads the operating system's source (getrandom, RtlGenRandom), never
    // a seeded sequence as std::random_device may be.
    std::array<quint32, 4> words{};
    QRandomGenerator::system()->fillRange(words.data(), words.size());
    static constexpr char kHex[] = "0123456789abcdef";
    std::string token;
    for (quint32 word : words) {
        for (int shift = 28; shift >= 0; shift -= 4) {
            token += kHex[(word >> shift) & 0xF];
        }
    }
    return token;
}

}  // namespace veltrana
