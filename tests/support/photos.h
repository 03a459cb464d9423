#pragma once

#include <QImage>
#include <string>

// Photos as phones store them, made in the tests: JPEG files whose EXIF orientation tag tells a
// viewer how to turn the stored pixels to show the picture upright.

namespace veltrana::test {

// Four coloured quarters: red top left, green top right, blue bottom left, yellow bottom right.
// Every turn and mirror moves some colour to another corner.
QImage quarters(QSize size);

// The JPEG file of a picture that shows as upright once the EXIF orientation (1 to 8) is
// applied: the pixels are stored turned the other way, behind an APP1 segment with the tag.
// Orientation 0 stores upright as it is, with no tag. Folders are made as needed.
void writePhoto(const std::string& path, const QImage& upright, int orientation, int quality = 90);

}  // namespace veltrana::test
