#pragma once

#include <string>
#include <string_view>

namespace veltrana {

// How many bytes from a JPEG file's start takenTime needs: the EXIF block comes first and is at
// most 64 KB.
inline constexpr std::size_t kExifHeadSize = 65536 + 4;

// When the photo was taken, as its EXIF DateTimeOriginal says ("2026:09:01 08:15:00", which
// sorts as the time does), from the first bytes of a JPEG file; empty when there is none or the
// bytes are not what they should be.
std::string takenTime(std::string_view head);

}  // namespace veltrana
