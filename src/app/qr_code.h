#pragma once

#include <QImage>
#include <string>

namespace veltrana {

// text as a QR code, black on white with the quiet zone of four modules that scanners need,
// each module modulePixels square.
QImage qrCode(const std::string& text, int modulePixels);

}  // namespace veltrana
