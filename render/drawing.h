#pragma once
// What the drawing needs besides the lines themselves: the canvas, where the picture lies in it,
// the frequency axis, and the screen effects that go with drawing.

#include "frequency_axis.h"
#include "plot_canvas.h"
#include "plot_view.h"

#include <cstdint>
#include <vector>

namespace pirolex {

// What drawing makes happen on screen. The window does it with its widgets; the command line and
// tests use the defaults, which do nothing, or fakes that count the calls.
class PlotEffects {
public:
    virtual ~PlotEffects() = default;
    // Copy the plot bitmap onto the visible image and repaint it at once.
    virtual void PresentPlot() {}
    virtual void ShowImage() {}
    virtual void ShowGauge(bool /*visible*/) {}
    virtual void GaugeProgress(int /*value*/) {}
    // Block the GUI thread; the 1D animation pauses after each line.
    virtual void Pause(int /*milliseconds*/) {}
};

// Which bins each column of the plot shows, worked out once for a picture instead of once for
// each of its lines.
struct ColumnBins {
    struct Range {
        int32_t from;
        int32_t last;
    };
    int32_t binCount = 0;  // of the lines they were worked out for
    std::vector<Range> ranges;
};

struct Drawing {
    PlotCanvas& canvas;
    const PlotView& view;
    const FrequencyAxis& axis;
    PlotEffects& effects;
    mutable ColumnBins columnBins{};
};

}  // namespace pirolex
