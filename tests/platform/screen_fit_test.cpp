#include "platform/screen_fit.h"

#include <gtest/gtest.h>

#include <cmath>

namespace veltrana {
namespace {

// The main window: 1158 x 571 inside and a menu bar of 21, with Windows 10's frame of 8 and a
// title bar of 31, wanted with its inside at (55, 120).
constexpr ScreenSize kWindow{1158, 592};
constexpr FrameMargins kFrame{8, 31, 8, 8};
constexpr int kWantedX = 55 - 8;
constexpr int kWantedY = 120 - 31;

// Whether the window's frame at fit lies inside available.
bool inside(const WindowFit& fit, ScreenSize size, double scale, FrameMargins margins,
            ScreenRect available) {
    const double grow = fit.factor / scale;
    const int width =
        static_cast<int>(std::lround(size.width * grow)) + margins.left + margins.right;
    const int height =
        static_cast<int>(std::lround(size.height * grow)) + margins.top + margins.bottom;
    return fit.x >= available.x && fit.y >= available.y &&
           fit.x + width <= available.x + available.width &&
           fit.y + height <= available.y + available.height;
}

TEST(FitWindow, WhereItFitsNothingChanges) {
    // 1920 x 1080 at 100 %, and 1366 x 768 at 100 % with its task bar of 40.
    for (ScreenRect available : {ScreenRect{0, 0, 1920, 1040}, ScreenRect{0, 0, 1366, 728}}) {
        WindowFit fit = fitWindow(kWindow, 1, kFrame, available, kWantedX, kWantedY);
        EXPECT_EQ(fit.factor, 1);
        EXPECT_EQ(fit.x, kWantedX);
        EXPECT_EQ(fit.y, kWantedY);
    }
}

// The screens of the school's machines as Qt reports them in logical pixels: 1366 x 768 at
// 125 % (the task bar of 40 takes 32), 1920 x 1080 at 175 % (its 48 take 27), and the same two
// under Xvfb with no task bar and no frame.
TEST(FitWindow, ShrinksByTheTighterSideAndPlacesTheFrameInside) {
    struct Case {
        ScreenRect available;
        FrameMargins frame;
        double factor;
    };
    const Case cases[] = {
        {{0, 0, 1093, 582}, kFrame, 0.91},  // the height decides: 543 of 592
        {{0, 0, 1097, 590}, kFrame, 0.93},  // 551 of 592
        {{0, 0, 1093, 614}, {}, 0.94},      // the width decides: 1093 of 1158
        {{0, 0, 1097, 617}, {}, 0.94},
    };
    for (const Case& c : cases) {
        WindowFit fit = fitWindow(kWindow, 1, c.frame, c.available, kWantedX, kWantedY);
        EXPECT_DOUBLE_EQ(fit.factor, c.factor) << c.available.width;
        EXPECT_TRUE(inside(fit, kWindow, 1, c.frame, c.available)) << c.available.width;
        // Asked again for the shrunk window, as laid out, the answer stays.
        ScreenSize shrunk{static_cast<int>(std::lround(kWindow.width * fit.factor)),
                          static_cast<int>(std::lround(kWindow.height * fit.factor))};
        EXPECT_DOUBLE_EQ(
            fitWindow(shrunk, fit.factor, c.frame, c.available, kWantedX, kWantedY).factor,
            fit.factor);
    }
}

// A task bar on the left or at the top, a second screen left of the first, a place that was
// wanted off the screen: the frame moves the least into the area.
TEST(FitWindow, MovesTheFrameIntoAnAreaAnywhere) {
    WindowFit left = fitWindow(kWindow, 1, kFrame, {62, 0, 1858, 1080}, kWantedX, kWantedY);
    EXPECT_EQ(left.factor, 1);
    EXPECT_EQ(left.x, 62);
    EXPECT_EQ(left.y, kWantedY);

    WindowFit top = fitWindow(kWindow, 1, kFrame, {0, 100, 1920, 980}, kWantedX, kWantedY);
    EXPECT_EQ(top.y, 100);

    WindowFit second = fitWindow(kWindow, 1, kFrame, {-1280, 0, 1280, 984}, kWantedX, kWantedY);
    EXPECT_DOUBLE_EQ(second.factor, 1.0);
    EXPECT_EQ(second.x, -1280 + 1280 - (1158 + 16));
    EXPECT_TRUE(inside(second, kWindow, 1, kFrame, {-1280, 0, 1280, 984}));

    WindowFit dialog = fitWindow({560, 720}, 1, kFrame, {0, 0, 1093, 582}, 600, 300);
    EXPECT_DOUBLE_EQ(dialog.factor, 0.75);
    EXPECT_TRUE(inside(dialog, {560, 720}, 1, kFrame, {0, 0, 1093, 582}));
}

// Below half size the captions cannot be read: the window keeps half and starts at the area's
// corner.
TEST(FitWindow, NeverBelowHalf) {
    WindowFit fit = fitWindow(kWindow, 1, kFrame, {0, 0, 400, 300}, kWantedX, kWantedY);
    EXPECT_DOUBLE_EQ(fit.factor, kSmallestFactor);
    EXPECT_EQ(fit.x, 0);
    EXPECT_EQ(fit.y, 0);
}

}  // namespace
}  // namespace veltrana
