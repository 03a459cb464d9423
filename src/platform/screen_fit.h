#pragma once

namespace veltrana {

// Sizes and places are in the toolkit's logical pixels, as its screens report them.
struct ScreenSize {
    int width = 0;
    int height = 0;
};

struct ScreenRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

struct FrameMargins {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

struct WindowFit {
    // What the window's own layout is multiplied by: 1 where it fits, less where the display
    // scaling makes it larger than the screen.
    double factor = 1;
    // Where the frame's top-left corner goes: the wanted place, moved the least that keeps the
    // whole frame inside the available area.
    int x = 0;
    int y = 0;
};

// The smallest factor: below it the captions are too small to read, and the window rather
// runs off a screen that small.
inline constexpr double kSmallestFactor = 0.5;

// A window whose inside measures size when laid out at factor scale, whose frame adds margins,
// wanted with its frame's top-left corner at (wantedX, wantedY), on a screen whose area without
// task bars is available. The factor never grows the window past its own layout (1) and is
// rounded down to hundredths, so that asking again for the shrunk window keeps it.
WindowFit fitWindow(ScreenSize size, double scale, FrameMargins margins, ScreenRect available,
                    int wantedX, int wantedY);

}  // namespace veltrana
