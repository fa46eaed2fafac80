#pragma once
// A measuring marker as the window keeps it: the frequency it stands for, not a plot column, so
// that it outlives every recompute of the same recording and lands on the same tone whatever the
// plot's size, FFT size or band.

#include "plot_view.h"
#include "settings.h"

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

    bool Snapped() const { return spreadHz.has_value(); }
};

enum class MarkerSide { kA, kB };

}  // namespace pirolex
