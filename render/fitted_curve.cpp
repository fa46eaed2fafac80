#include "fitted_curve.h"

#include "spectrogram_pass.h"
#include "spectrogram_renderer.h"
#include "time_axis.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace pirolex {

namespace {

struct Point {
    int32_t x;
    int32_t y;
};

// The column whose label is nearest the frequency, as a marker for it is placed; none outside
// the axis.
std::optional<int32_t> ColumnOf(const Drawing& d, double hz) {
    const int32_t left = d.view.plotLeft;
    const int32_t right = d.axis.EndColumn();
    if (!std::isfinite(hz) || hz < static_cast<double>(d.axis.LabelHz(left)) ||
        hz > static_cast<double>(d.axis.LabelHz(right)))
        return std::nullopt;
    return d.axis.NearestColumn(hz, std::min(right + 1, d.canvas.Width()));
}

}  // namespace

void DrawFittedCurve(const Drawing& drawing, const TimeAxis& time,
                     const std::function<double(double seconds)>& hzAt, double fromS, double toS,
                     uint32_t colour) {
    if (time.sampleRate <= 0) return;
    PlotCanvas& canvas = drawing.canvas;
    canvas.SetPenMode(PenMode::Copy);
    canvas.SetPenColor(colour);
    Point previous{0, 0};
    bool joined = false;  // whether the previous line had a point to join
    const int32_t count = time.LinesInSpan();
    for (int32_t n = 1; n <= count; ++n) {
        const double t = time.Seconds(n);
        std::optional<int32_t> x;
        if (t >= fromS && t <= toS) x = ColumnOf(drawing, hzAt(t));
        if (!x) {
            joined = false;
            continue;
        }
        const Point p{*x, LineRow(drawing.view, n)};
        if (joined) {
            canvas.MoveTo(previous.x, previous.y);
            canvas.LineTo(p.x, p.y);
        }
        canvas.SetPixel(p.x, p.y, colour);  // LineTo leaves the end point, and a lone point has none
        previous = p;
        joined = true;
    }
    drawing.effects.PresentPlot();
}

}  // namespace pirolex
