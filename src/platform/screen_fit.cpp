#include "platform/screen_fit.h"

#include <algorithm>
#include <cmath>

namespace veltrana {

namespace {

// The place of a span of length size wanted at wanted, inside [start, start + room): at the
// start when it is longer than the room.
int placeInside(int wanted, int size, int start, int room) {
    return std::max(start, std::min(wanted, start + room - size));
}

}  // namespace

WindowFit fitWindow(ScreenSize size, double scale, FrameMargins margins, ScreenRect available,
                    int wantedX, int wantedY) {
    const int roomWidth = available.width - margins.left - margins.right;
    const int roomHeight = available.height - margins.top - margins.bottom;
    double factor = scale * std::min(static_cast<double>(roomWidth) / size.width,
                                     static_cast<double>(roomHeight) / size.height);
    // A hair over a hundredth is rounding of the division, not room.
    factor = std::floor(factor * 100 + 1e-9) / 100;
    factor = std::clamp(factor, kSmallestFactor, 1.0);

    const double grow = factor / scale;
    const int frameWidth =
        static_cast<int>(std::lround(size.width * grow)) + margins.left + margins.right;
    const int frameHeight =
        static_cast<int>(std::lround(size.height * grow)) + margins.top + margins.bottom;
    return {factor, placeInside(wantedX, frameWidth, available.x, available.width),
            placeInside(wantedY, frameHeight, available.y, available.height)};
}

}  // namespace veltrana
