#include "app/pictures.h"

#include <gtest/gtest.h>

#include <QBitmap>
#include <QImage>

#include "app/qt_test_support.h"

namespace veltrana {
namespace {

QColor pixel(const QPixmap& picture, int x, int y) {
    return picture.toImage().pixelColor(x, y);
}

bool bluish(const QColor& colour) {
    return colour.alpha() == 255 && colour.blue() > colour.red() + 60;
}

TEST(Pictures, NodePicturesAreBlueFoldersOnATransparentMaskColour) {
    for (const QPixmap& picture : {folderPicture(), folderWithPersonPicture()}) {
        ASSERT_EQ(picture.size(), QSize(20, 20));
        EXPECT_EQ(pixel(picture, 0, 0).alpha(), 0);
        EXPECT_EQ(pixel(picture, 19, 0).alpha(), 0);
        EXPECT_TRUE(bluish(pixel(picture, 4, 12)));
        QImage image = picture.toImage();
        for (int y = 0; y < 20; ++y) {
            for (int x = 0; x < 20; ++x) {
                QColor colour = image.pixelColor(x, y);
                EXPECT_FALSE(colour.alpha() == 255 && colour.rgb() == kMaskColour.rgb())
                    << "mask colour left opaque at " << x << "," << y;
            }
        }
    }
    EXPECT_NE(folderPicture().toImage(), folderWithPersonPicture().toImage());
}

TEST(Pictures, WindowIconIsAnAlarmClockWithABlueCaseAndAYellowFace) {
    QPixmap icon = alarmClockIcon();
    ASSERT_EQ(icon.size(), QSize(32, 32));
    EXPECT_EQ(pixel(icon, 0, 31).alpha(), 0);
    QColor face = pixel(icon, 11, 20);
    EXPECT_GT(face.red(), 200);
    EXPECT_GT(face.green(), 180);
    EXPECT_LT(face.blue(), 100);
    EXPECT_TRUE(bluish(pixel(icon, 5, 17)));
}

// The Windows build embeds src/app/veltrana.ico; it is the drawn icon, written by this test
// when VELTRANA_WRITE_ICON is set.
TEST(Pictures, CommittedWindowsIconIsTheDrawnOne) {
    const QString path = VELTRANA_ICON_FILE;
    QImage drawn = alarmClockIcon().toImage().convertToFormat(QImage::Format_ARGB32);
    if (qEnvironmentVariableIsSet("VELTRANA_WRITE_ICON")) {
        ASSERT_TRUE(drawn.save(path, "ICO"));
    }
    QImage committed(path, "ICO");
    ASSERT_FALSE(committed.isNull()) << path.toStdString();
    EXPECT_EQ(committed.convertToFormat(QImage::Format_ARGB32), drawn)
        << "run this test with VELTRANA_WRITE_ICON=1 to write the icon again";
}

}  // namespace
}  // namespace veltrana
