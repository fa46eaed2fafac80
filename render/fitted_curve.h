#pragma once
// A curve of frequency over time drawn over the 2D picture, such as the fly-by the automatic
// measurement fitted to the engine's tone: at each of the picture's lines the column of the
// curve's frequency then, joined from line to line. The lines' moments are the time axis's.

#include "drawing.h"
#include "time_axis.h"

#include <cstdint>
#include <functional>

namespace pirolex {

// Blue, packed with red in the low byte: neither trace (red and green levels, black where both
// channels meet, no blue in the phase colours) nor marker (green, red) uses it.
inline constexpr uint32_t kCurveBlue = 0xFF0000;

// The curve from `fromS` to `toS` (seconds on the recording's clock) in `colour`, only where it
// lies inside the plot: on lines whose block is inside the picture, at frequencies between the
// axis' ends. Presents the plot.
void DrawFittedCurve(const Drawing& drawing, const TimeAxis& time,
                     const std::function<double(double seconds)>& hzAt, double fromS, double toS,
                     uint32_t colour = kCurveBlue);

}  // namespace pirolex
