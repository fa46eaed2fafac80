#pragma once
// Where the pictures lie in the plot bitmap: the left edge of the frequency axis, its scale, the
// baseline and the vertical scale. The window follows its size on every resize, and the command
// line renders at a given window size with the very same numbers, so a picture drawn without a
// window matches the one the window would hold.

#include <cstdint>

namespace pirolex {

// The window's design size, frame included: 846 x 438 outside, 838 pixels of client width.
inline constexpr int kDesignOuterWidth = 846;
inline constexpr int kDesignOuterHeight = 438;

// The smallest window, frame included. Below 242 pixels of width the plot is at most PlotLeft
// wide, XScale is 0 or negative and every frequency label divides by it; below 189 of height the
// baseline leaves the plot and the pictures grow downwards. These keep a margin above both, and
// the command line's --size takes the same lower bound, so it draws nothing the window cannot.
inline constexpr int kMinOuterWidth = 300;
inline constexpr int kMinOuterHeight = 200;

struct PlotView {
    int32_t plotLeft = 10;
    double xScale = 1.0;   // columns per unit of the frequency axis (512 units to half the rate)
    int32_t baselineY = 250;
    double yScale = 1.0;   // rows per line of the 2D picture
};

struct PlotSize {
    int width = 1;
    int height = 1;
};

// The plot image for an outer window size: what the controls beside and around it leave, at
// least one pixel each way.
PlotSize PlotImageSize(int outerWidth, int outerHeight);

// The view for a plot image of this size, so that 615 x 271 (the design) gives XScale 1,
// baseline 250 and YScale 1.
PlotView ViewForImage(PlotSize image);

}  // namespace pirolex
