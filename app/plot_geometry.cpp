#include "plot_geometry.h"

namespace pirolex {

namespace {
// Room the plot leaves to the left and right of it, and above and below it, in outer pixels.
constexpr int kPlotMarginX = 231;
constexpr int kPlotMarginY = 167;
// The strip under the baseline that holds the frequency labels.
constexpr int kLabelStrip = 21;
constexpr double kReferenceWidth = 615.0;
constexpr double kReferenceHeight = 250.0;
}  // namespace

PlotSize PlotImageSize(int outerWidth, int outerHeight) {
    return {outerWidth > kPlotMarginX ? outerWidth - kPlotMarginX : 1,
            outerHeight > kPlotMarginY ? outerHeight - kPlotMarginY : 1};
}

void SetPlotGeometry(AnalysisState& state, PlotSize image) {
    state.XScale = (image.width - state.PlotLeft) / (kReferenceWidth - state.PlotLeft);
    state.BaselineY = image.height - kLabelStrip;
    state.YScale = state.BaselineY / kReferenceHeight;
}

}  // namespace pirolex
