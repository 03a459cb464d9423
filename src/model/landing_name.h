#pragma once

#include <cstddef>
#include <string>

namespace veltrana {

// File systems allow 255 bytes in a name, and a name that is taken gets " (n)" before its
// extension, which may need " (2147483647)": a file name this long or shorter always fits, also
// as a numbered copy. A byte of UTF-8 is never less than a unit of Windows' UTF-16, so it fits
// there too.
inline constexpr std::size_t kLongestLandingName = 255 - 13;

// Why a file may not be put under name into a node's folder, as the teacher reads it; empty when
// it may. One rule for the window's upload and for the phone's: the name must be one file name on
// this system and on Windows (see isSafeFolderName), not hidden (no leading dot, which also keeps
// clear of the copies' own temporary names), and short enough to take a number.
std::string landingNameRefusal(const std::string& name);

}  // namespace veltrana
