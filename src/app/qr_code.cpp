#include "app/qr_code.h"

#include <qrencode.h>

#include <QPainter>
#include <memory>

#include "platform/error.h"

namespace veltrana {

QImage qrCode(const std::string& text, int modulePixels) {
    // Medium error correction: a phone held at an angle to a screen with glare still reads it.
    std::unique_ptr<QRcode, decltype(&QRcode_free)> code(
        QRcode_encodeString(text.c_str(), 0, QR_ECLEVEL_M, QR_MODE_8, 1), &QRcode_free);
    if (!code) {
        throw Error(err::kPathFileAccess, "无法为“" + text + "”生成二维码");
    }
    constexpr int kQuietZone = 4;
    const int modules = code->width + 2 * kQuietZone;
    QImage image(modules * modulePixels, modules * modulePixels, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    for (int y = 0; y < code->width; ++y) {
        for (int x = 0; x < code->width; ++x) {
            if (code->data[y * code->width + x] & 1) {  // bit 0 is "dark"
                painter.fillRect((x + kQuietZone) * modulePixels, (y + kQuietZone) * modulePixels,
                                 modulePixels, modulePixels, Qt::black);
            }
        }
    }
    return image;
}

}  // namespace veltrana
