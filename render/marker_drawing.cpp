#include "marker_drawing.h"

namespace pirolex {

namespace {
constexpr int32_t kMarkerTop = 20;  // marker lines run from the baseline up to this row
}  // namespace

std::string FrequencyLabelText(const FrequencyAxis& axis, int32_t x) {
    return std::to_string(axis.LabelHz(x)) + " Hz";
}

void DrawFrequencyLabel(const Drawing& drawing, int32_t x, uint32_t colour) {
    drawing.canvas.SetFontColor(colour);
    drawing.canvas.TextOut(x, drawing.view.baselineY, FrequencyLabelText(drawing.axis, x));
    drawing.effects.PresentPlot();
}

void DrawMarker(const Drawing& drawing, int32_t x, uint32_t colour) {
    PlotCanvas& canvas = drawing.canvas;
    canvas.SetPenMode(PenMode::Copy);
    canvas.SetPenColor(colour);
    canvas.MoveTo(x, drawing.view.baselineY);
    canvas.LineTo(x, kMarkerTop);
    DrawFrequencyLabel(drawing, x, colour);
}

}  // namespace pirolex
