#include "app/pictures.h"

#include <QBitmap>
#include <QImage>
#include <QPainter>
#include <QPolygon>

namespace veltrana {

namespace {

const QColor kCaseBlue{30, 90, 200};
const QColor kFolderBlue{60, 120, 220};
const QColor kFolderFront{110, 165, 240};
const QColor kOutline{20, 50, 120};

// Node pictures are drawn without smoothing on the mask colour, so every pixel is either the
// mask colour, exactly, or picture; then the mask colour is cut out as an image list does.
QPixmap masked(const QImage& drawn) {
    QPixmap picture = QPixmap::fromImage(drawn);
    picture.setMask(picture.createMaskFromColor(kMaskColour, Qt::MaskInColor));
    return picture;
}

QImage nodeCanvas() {
    QImage image(20, 20, QImage::Format_RGB32);
    image.fill(kMaskColour);
    return image;
}

void drawFolder(QPainter& painter) {
    painter.setPen(kOutline);
    painter.setBrush(kFolderBlue);
    painter.drawPolygon(QPolygon(
        {QPoint(1, 4), QPoint(7, 4), QPoint(9, 6), QPoint(18, 6), QPoint(18, 16), QPoint(1, 16)}));
    painter.setBrush(kFolderFront);
    painter.drawPolygon(QPolygon({QPoint(1, 16), QPoint(3, 9), QPoint(19, 9), QPoint(18, 16)}));
}

}  // namespace

QImage alarmClockImage(int size) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    // Drawn on a 32-pixel grid and scaled, so every size is the same clock.
    painter.scale(size / 32.0, size / 32.0);
    painter.setPen(QPen(kOutline, 1));
    // Bells and legs first, so the case covers their inner ends.
    painter.setBrush(kCaseBlue);
    painter.drawEllipse(QRectF(2, 2, 10, 10));
    painter.drawEllipse(QRectF(20, 2, 10, 10));
    painter.setPen(QPen(kOutline, 2.5, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(9, 26), QPointF(6, 30));
    painter.drawLine(QPointF(23, 26), QPointF(26, 30));
    painter.setPen(QPen(kOutline, 1));
    painter.drawEllipse(QRectF(4, 5, 24, 24));
    painter.setBrush(QColor(255, 215, 40));
    painter.drawEllipse(QRectF(7.5, 8.5, 17, 17));
    painter.setPen(QPen(Qt::black, 2, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(16, 17), QPointF(16, 11));
    painter.drawLine(QPointF(16, 17), QPointF(20.5, 19));
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::red);
    painter.drawEllipse(QPointF(16, 17), 1.3, 1.3);
    painter.end();
    return image;
}

QPixmap alarmClockIcon() {
    return QPixmap::fromImage(alarmClockImage(32));
}

QPixmap folderPicture() {
    QImage image = nodeCanvas();
    QPainter painter(&image);
    drawFolder(painter);
    painter.end();
    return masked(image);
}

QPixmap folderWithPersonPicture() {
    QImage image = nodeCanvas();
    QPainter painter(&image);
    drawFolder(painter);
    painter.setPen(QColor(90, 50, 20));
    painter.setBrush(QColor(200, 60, 40));
    painter.drawChord(QRect(9, 14, 10, 10), 0, 180 * 16);
    painter.setBrush(QColor(250, 205, 160));
    painter.drawEllipse(QRect(11, 8, 6, 6));
    painter.end();
    return masked(image);
}

}  // namespace veltrana
