#pragma once

#include <QColor>
#include <QPixmap>

namespace veltrana {

// The pixel that the node pictures leave transparent, as an image list's mask colour.
inline const QColor kMaskColour{192, 192, 192};

// The window icon, 32 x 32: an alarm clock with a blue case and a yellow face.
QPixmap alarmClockIcon();
// "K1", a node's picture: a blue folder, 20 x 20.
QPixmap folderPicture();
// "K2", the selected node's picture: the blue folder with a person in front of it, 20 x 20.
QPixmap folderWithPersonPicture();

}  // namespace veltrana
