#pragma once
// Draws spectrum lines into the plot bitmap, in the chosen picture: 3D (each line a curve, later
// lines further right and higher), 2D (each line a row of coloured points, time upwards) or 1D
// (the latest line alone, as a curve).

#include "drawing.h"
#include "settings.h"
#include "spectrogram_pass.h"

#include <cstdint>

namespace pirolex {

// The rows of the 2D picture, carried from line to line and from pass to pass.
struct RowState {
    int32_t rowY = 0;
    int32_t previousRowY = 0;
};

// The row of the 2D picture's line `number`: line 1 just above the baseline, later lines higher.
int32_t LineRow(const PlotView& view, int32_t number);
// The line drawn at row y, the inverse of LineRow: the nearest line number, which lies outside
// 1..250 below the baseline or above the last row.
int32_t LineAtRow(const PlotView& view, int32_t y);

// One line of a pass over `channel` (kLeft or kRight); line 1 brings the picture's frame.
void DrawSpectrumLine(const SpectrumLine& line, Channel channel, const Settings& settings,
                      const Drawing& drawing, RowState& rows);

// A pass without a single line (the recording holds no complete block): the frame alone, and the
// 1D picture's labels, so the picture is not blank.
void DrawEmptyPicture(const Settings& settings, const Drawing& drawing);

}  // namespace pirolex
