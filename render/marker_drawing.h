#pragma once
// Frequency labels, the two measuring markers and the harmonic guides on the plot.

#include "drawing.h"

#include <cstdint>
#include <optional>
#include <string>

namespace pirolex {

// Packed colours (red in the low byte) of the two markers.
inline constexpr uint32_t kMarkerGreen = 0x008000;  // marker A, left button
inline constexpr uint32_t kMarkerRed = 0x0000FF;    // marker B, right button

// "<f> Hz" for plot column x.
std::string FrequencyLabelText(const FrequencyAxis& axis, int32_t x);

// Writes column x's label at (x, baseline) in the given colour, then presents.
void DrawFrequencyLabel(const Drawing& drawing, int32_t x, uint32_t colour);

struct MarkerMark {
    int32_t column = 0;
    uint32_t colour = 0;   // kMarkerGreen (A) or kMarkerRed (B)
    std::string label;     // e.g. "4823 Hz", or "4822.8 Hz" once snapped
};

// Both markers (either may be absent): dashed lines from the baseline up, whose gaps leave the
// trace under them visible, and their labels on opaque boxes below the baseline. A label starts
// at its marker's column; when the two labels would overlap, the left marker's label ends at its
// column and the right one's starts at its own, so both stay readable. Presents.
void DrawMarkers(const Drawing& drawing, const std::optional<MarkerMark>& a,
                 const std::optional<MarkerMark>& b);

// Thin dotted lines in marker A's colour at 2x, 3x and 0.5x hzA, those inside the band. Presents.
void DrawHarmonicGuides(const Drawing& drawing, double hzA);

}  // namespace pirolex
