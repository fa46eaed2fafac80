#include "plot_view.h"

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

PlotView ViewForImage(PlotSize image) {
    PlotView view;
    view.xScale = (image.width - view.plotLeft) / (kReferenceWidth - view.plotLeft);
    view.baselineY = image.height - kLabelStrip;
    view.yScale = view.baselineY / kReferenceHeight;
    return view;
}

}  // namespace pirolex
