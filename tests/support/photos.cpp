#include "support/photos.h"

#include <QBuffer>
#include <QPainter>
#include <QTransform>

#include "support/fakes.h"

namespace veltrana::test {

namespace {

// The pixels a camera stores so that a viewer applying the orientation shows upright: the
// inverse of what each EXIF value asks of the viewer.
QImage storedFor(const QImage& upright, int orientation) {
    QImage clockwise = upright.transformed(QTransform().rotate(90));
    switch (orientation) {
        case 2:
            return upright.mirrored(true, false);
        case 3:
            return upright.mirrored(true, true);
        case 4:
            return upright.mirrored(false, true);
        case 5:  // transposed: its own inverse
            return clockwise.mirrored(true, false);
        case 6:  // the viewer turns it a quarter clockwise
            return upright.transformed(QTransform().rotate(-90));
        case 7:  // transversed: its own inverse
            return clockwise.mirrored(false, true);
        case 8:  // the viewer turns it a quarter anticlockwise
            return clockwise;
        default:
            return upright;
    }
}

// An APP1 segment holding one EXIF directory with the orientation tag alone.
QByteArray exifOrientation(int orientation) {
    QByteArray payload("Exif\0\0", 6);
    payload.append("MM\0\x2A\0\0\0\x08", 8);        // big-endian TIFF header, directory at 8
    payload.append("\0\x01", 2);                    // one entry:
    payload.append("\x01\x12\0\x03\0\0\0\x01", 8);  // tag 0x0112, type SHORT, one value,
    payload.append('\0').append(static_cast<char>(orientation)).append("\0\0", 2);  // its value
    payload.append("\0\0\0\0", 4);  // and no further directory
    QByteArray segment("\xFF\xE1", 2);
    const auto length = static_cast<int>(payload.size()) + 2;
    segment.append(static_cast<char>(length >> 8)).append(static_cast<char>(length & 0xFF));
    return segment + payload;
}

}  // namespace

QImage quarters(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    int w = size.width() / 2;
    int h = size.height() / 2;
    QPainter painter(&image);
    painter.fillRect(0, 0, w, h, Qt::red);
    painter.fillRect(w, 0, size.width() - w, h, Qt::green);
    painter.fillRect(0, h, w, size.height() - h, Qt::blue);
    painter.fillRect(w, h, size.width() - w, size.height() - h, Qt::yellow);
    return image;
}

void writePhoto(const std::string& path, const QImage& upright, int orientation, int quality) {
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    storedFor(upright, orientation).save(&buffer, "JPEG", quality);
    if (orientation != 0) {
        jpeg.insert(2, exifOrientation(orientation));  // right after the start-of-image marker
    }
    writeFile(path, jpeg.toStdString());
}

}  // namespace veltrana::test
