#pragma once

#include <QColor>
#include <QImage>
#include <QPixmap>

namespace veltrana {

// The pixel that the node pictures leave transparent, as an image list's mask colour.
inline const QColor kMaskColour{192, 192, 192};

// The program's picture, an alarm clock with a blue case and a yellow face, size x size pixels.
QImage alarmClockImage(int size);
// The window icon: the alarm clock at 32 x 32.
QPixmap alarmClockIcon();
// "K1", a node's picture: a blue folder, 20 x 20.
QPixmap folderPicture();
// "K2", the selected node's picture: the blue folder with a person in front of it, 20 x 20.
QPixmap folderWithPersonPicture();

}  // namespace veltrana
