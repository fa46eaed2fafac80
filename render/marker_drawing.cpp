#include "marker_drawing.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace pirolex {

namespace {

constexpr int32_t kMarkerTop = 20;  // marker lines run from the baseline up to this row
// Marker dashes: painted rows, then rows left as they are, from the baseline up.
constexpr int32_t kDashRows = 4;
constexpr int32_t kGapRows = 4;
constexpr int32_t kGuideDotEvery = 3;  // a harmonic guide paints every third row

// Paints the rows of column x above the baseline up to the marker top whose place in the
// period `every` is below `painted`.
void PatternedColumn(const Drawing& d, int32_t x, uint32_t colour, int32_t painted, int32_t every) {
    for (int32_t y = d.view.baselineY - 1; y > kMarkerTop; --y)
        if ((d.view.baselineY - y) % every < painted) d.canvas.SetPixel(x, y, colour);
}

struct LabelBox {
    int32_t left;
    int32_t width;
    int32_t Right() const { return left + width; }
};

// A label that would run off the canvas's right edge ends at it instead.
void KeepInside(LabelBox& box, int32_t canvasWidth) {
    box.left = std::max(0, std::min(box.left, canvasWidth - box.width));
}

// The labels' boxes: each at its column, unless the two would overlap; then the left one ends
// at its column and the right one starts at its own, both kept inside the canvas where it has
// room for them side by side.
void PlaceApart(LabelBox& left, int32_t leftColumn, LabelBox& right, int32_t rightColumn,
                int32_t canvasWidth) {
    if (left.Right() <= right.left || right.Right() <= left.left) return;
    left.left = leftColumn - left.width;
    right.left = rightColumn;
    if (left.left < 0) {
        left.left = 0;
        right.left = std::max(right.left, left.Right());
    }
    if (right.Right() > canvasWidth) {
        right.left = std::max(0, canvasWidth - right.width);
        left.left = std::max(0, std::min(left.left, right.left - left.width));
    }
}

}  // namespace

std::string FrequencyLabelText(const FrequencyAxis& axis, int32_t x) {
    return std::to_string(axis.LabelHz(x)) + " Hz";
}

void DrawFrequencyLabel(const Drawing& drawing, int32_t x, uint32_t colour) {
    drawing.canvas.SetFontColor(colour);
    drawing.canvas.TextOut(x, drawing.view.baselineY, FrequencyLabelText(drawing.axis, x));
    drawing.effects.PresentPlot();
}

void DrawMarkers(const Drawing& drawing, const std::optional<MarkerMark>& a,
                 const std::optional<MarkerMark>& b) {
    PlotCanvas& canvas = drawing.canvas;
    canvas.SetPenMode(PenMode::Copy);
    for (const std::optional<MarkerMark>* m : {&a, &b})
        if (*m) PatternedColumn(drawing, (*m)->column, (*m)->colour, kDashRows, kDashRows + kGapRows);

    LabelBox boxA{a ? a->column : 0, a ? canvas.TextWidth(a->label) : 0};
    LabelBox boxB{b ? b->column : 0, b ? canvas.TextWidth(b->label) : 0};
    KeepInside(boxA, canvas.Width());
    KeepInside(boxB, canvas.Width());
    if (a && b) {
        if (a->column <= b->column)
            PlaceApart(boxA, a->column, boxB, b->column, canvas.Width());
        else
            PlaceApart(boxB, b->column, boxA, a->column, canvas.Width());
    }
    for (const auto& [m, box] : {std::pair{&a, boxA}, std::pair{&b, boxB}}) {
        if (!*m) continue;
        canvas.SetFontColor((*m)->colour);
        canvas.TextOut(box.left, drawing.view.baselineY, (*m)->label);
    }
    drawing.effects.PresentPlot();
}

void DrawHarmonicGuides(const Drawing& drawing, double hzA) {
    const FrequencyAxis& axis = drawing.axis;
    for (const double multiple : {2.0, 3.0, 0.5}) {
        const double hz = hzA * multiple;
        if (!(hz >= axis.LowHz() && hz <= axis.HighHz())) continue;
        const double column = std::nearbyint(axis.ColumnOfHz(hz));
        if (!(column >= axis.PlotLeft() && column <= axis.EndColumn())) continue;
        PatternedColumn(drawing, static_cast<int32_t>(column), kMarkerGreen, 1, kGuideDotEvery);
    }
    drawing.effects.PresentPlot();
}

}  // namespace pirolex
