#include "app/pictures.h"

#include <gtest/gtest.h>

#include <QImage>

#include "app/qt_test_support.h"

namespace veltrana {
namespace {

bool bluish(const QColor& colour) {
    return colour.alpha() == 255 && colour.blue() > colour.red() + 60;
}

TEST(Pictures, NodePicturesAreBlueFoldersWithTheMaskColourTransparent) {
    for (const QPixmap& picture : {folderPicture(), folderWithPersonPicture()}) {
        ASSERT_EQ(picture.size(), QSize(20, 20));
        QImage image = picture.toImage();
        EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0);
        EXPECT_TRUE(bluish(image.pixelColor(4, 12)));
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

// The Windows build embeds src/app/veltrana.ico; it is the drawn icon (a blue alarm clock with
// a yellow face), written by this test when VELTRANA_WRITE_ICON is set.
TEST(Pictures, CommittedWindowsIconIsTheDrawnAlarmClock) {
    QImage drawn = alarmClockIcon().toImage().convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(drawn.size(), QSize(32, 32));
    EXPECT_EQ(drawn.pixelColor(0, 31).alpha(), 0);
    QColor face = drawn.pixelColor(11, 20);
    EXPECT_TRUE(face.red() > 200 && face.green() > 180 && face.blue() < 100);
    EXPECT_TRUE(bluish(drawn.pixelColor(5, 17)));

#ifdef _WIN32
    GTEST_SKIP() << "the Windows build of Qt carries no ICO reader (the icon goes in through the "
                    "resource file); the committed icon is checked on Linux";
#endif
    const QString path = VELTRANA_ICON_FILE;
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
