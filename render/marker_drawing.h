#pragma once
// Frequency labels and the two measuring markers on the plot.

#include "drawing.h"

#include <cstdint>
#include <string>

namespace pirolex {

// Packed colours (red in the low byte) of the two markers.
inline constexpr uint32_t kMarkerGreen = 0x008000;  // marker A, left button
inline constexpr uint32_t kMarkerRed = 0x0000FF;    // marker B, right button

// "<f> Hz" for plot column x.
std::string FrequencyLabelText(const FrequencyAxis& axis, int32_t x);

// Writes column x's label at (x, baseline) in the given colour, then presents.
void DrawFrequencyLabel(const Drawing& drawing, int32_t x, uint32_t colour);

// A marker: its line from the baseline up and its label. In white it erases one: whatever lies
// under the old line and label turns white, and the next recompute restores it.
void DrawMarker(const Drawing& drawing, int32_t x, uint32_t colour);

}  // namespace pirolex
