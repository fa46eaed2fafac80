#pragma once
// A measuring marker as the window keeps it: the frequency it stands for, not a plot column, so
// that it outlives every recompute of the same recording and lands on the same tone whatever the
// plot's size, FFT size or band.

#include "plot_view.h"
#include "settings.h"
#include "tone_snap.h"

#include <cstdint>
#include <optional>

namespace pirolex {

struct PlacedMarker {
    double hz = 0.0;
    // Set when the marker was snapped to a tone's peak: how far the peak wandered over the lines
    // it was measured in, in hertz.
    std::optional<double> spreadHz;
    // The column it was placed on, and the picture's frame then. An unsnapped marker is a click,
    // and a click's speed is worked out with the column arithmetic of the frame it was made in, so
    // its digits stay the same however the picture changes afterwards.
    int32_t column = 0;
    PlotView view;
    Settings settings = StartupSettings();
    // A click's snap as found: also when its lines were heard and how fast the tone changed
    // across them, so that the pair can tell how far each tone still had to go to the pass. Not
    // set for the automatic measurement's markers, which stand at far-off tones.
    std::optional<SnappedTone> clickedTone;
    // The snap was asked for but found no tone at the click: the marker is a plain column.
    bool snapMissed = false;

    bool Snapped() const { return spreadHz.has_value(); }
};

enum class MarkerSide { kA, kB };

}  // namespace pirolex
