#pragma once
// A curve of frequency over time drawn over the 2D picture, such as the fly-by the automatic
// measurement fitted to the engine's tone: at each of the picture's lines the column of the
// curve's frequency then, joined from line to line.

#include "drawing.h"

#include <cstdint>
#include <functional>

namespace pirolex {

// Blue, packed with red in the low byte: neither trace (red and green levels, black where both
// channels meet, no blue in the phase colours) nor marker (green, red) uses it.
inline constexpr uint32_t kCurveBlue = 0xFF0000;

// Where the 2D picture's lines lie in the recording.
struct LineTimes {
    int32_t sampleRate = 0;
    int64_t firstFrame = 0;   // the picture's first frame in the recording
    int64_t frameCount = 0;   // frames the picture covers from there
    int32_t lineStep = 0;     // as the pass took it: lines start 4 x lineStep frames apart
    int32_t fftSize = 0;
};

// The moment line `number` stands for: the centre of its block, in seconds from the recording's
// start.
double LineTime(const LineTimes& lines, int32_t number);

// The curve from `fromS` to `toS` (seconds on the recording's clock) in `colour`, only where it
// lies inside the plot: on lines whose block is inside the picture, at frequencies between the
// axis' ends. Presents the plot.
void DrawFittedCurve(const Drawing& drawing, const LineTimes& lines,
                     const std::function<double(double seconds)>& hzAt, double fromS, double toS,
                     uint32_t colour = kCurveBlue);

}  // namespace pirolex
