#include "sort/taken_time.h"

#include <cstdint>
#include <optional>

namespace veltrana {

namespace {

// The TIFF structure inside the APP1 segment, in its own byte order; every read is checked
// against the end, since a phone's file may be cut short or written by anything.
class Tiff {
public:
    explicit Tiff(std::string_view bytes) : bytes_(bytes), little_(bytes.starts_with("II")) {}

    std::optional<std::uint32_t> read(std::size_t at, int size) const {
        if (at + static_cast<std::size_t>(size) > bytes_.size()) {
            return std::nullopt;
        }
        std::uint32_t value = 0;
        for (int i = 0; i < size; ++i) {
            auto byte = static_cast<unsigned char>(
                bytes_[at + static_cast<std::size_t>(little_ ? size - 1 - i : i)]);
            value = (value << 8) | byte;
        }
        return value;
    }

    // The value offset field of the directory entry with that tag in the directory at `at`.
    std::optional<std::uint32_t> entry(std::size_t at, std::uint16_t tag) const {
        auto count = read(at, 2);
        for (std::uint32_t i = 0; count && i < *count; ++i) {
            std::size_t field = at + 2 + 12 * i;
            if (read(field, 2) == tag) {
                return read(field + 8, 4);
            }
        }
        return std::nullopt;
    }

    std::string_view bytes() const { return bytes_; }

private:
    std::string_view bytes_;
    bool little_;
};

constexpr std::uint16_t kExifDirectory = 0x8769;
constexpr std::uint16_t kDateTimeOriginal = 0x9003;
constexpr std::size_t kDateTimeLength = 19;

// The TIFF block of the APP1 "Exif" segment, searched among the segments before the picture.
std::string_view exifBlock(std::string_view jpeg) {
    if (!jpeg.starts_with("\xFF\xD8")) {
        return {};
    }
    std::size_t at = 2;
    while (at + 4 <= jpeg.size() && static_cast<unsigned char>(jpeg[at]) == 0xFF) {
        auto marker = static_cast<unsigned char>(jpeg[at + 1]);
        std::size_t length =
            static_cast<std::size_t>(static_cast<unsigned char>(jpeg[at + 2])) * 256 +
            static_cast<unsigned char>(jpeg[at + 3]);
        if (marker == 0xDA || length < 2) {
            break;  // the picture starts: no EXIF came before it
        }
        std::string_view segment = jpeg.substr(at + 4, length - 2);
        if (marker == 0xE1 && segment.starts_with(std::string_view("Exif\0\0", 6))) {
            return segment.substr(6);
        }
        at += 2 + length;
    }
    return {};
}

}  // namespace

std::string takenTime(std::string_view head) {
    const Tiff tiff(exifBlock(head));
    auto first = tiff.read(4, 4);
    auto exif = first ? tiff.entry(*first, kExifDirectory) : std::nullopt;
    auto at = exif ? tiff.entry(*exif, kDateTimeOriginal) : std::nullopt;
    if (!at || *at + kDateTimeLength > tiff.bytes().size()) {
        return {};
    }
    std::string time(tiff.bytes().substr(*at, kDateTimeLength));
    // "0000:00:00 00:00:00" and blanks are what cameras write when they do not know.
    if (time[0] < '1' || time[0] > '9') {
        return {};
    }
    return time;
}

}  // namespace veltrana
