#include "spectrogram_renderer.h"

#include "checked_arithmetic.h"
#include "level_scale.h"
#include "marker_drawing.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace pirolex {

namespace {

constexpr uint32_t kFrameGreen = 0x008000;
constexpr int kGaugeMax = 100;
constexpr int kAnimationPauseMs = 50;
constexpr int kPresentEvery = 25;  // 2D lines between two presentations
constexpr int32_t kDepthLines = 14;
constexpr int32_t kDepthStep = 37;

// Above 1024 points a column may hold several bins.
bool ManyBinsPerColumn(const SpectrumLine& line) {
    return line.amplitudes.size() > static_cast<size_t>(kTableSize / 2);
}

// The strongest bin of each column from the plot's left edge to the end column (-1 where no bin
// lies), so that a narrow tone is never lost between columns at the large FFT sizes. Each bin
// covers the columns from the one at or right of its lower midpoint on, as in the 2D picture at
// the small sizes, and a column that no midpoint reaches takes the bin around it; over the whole
// band bin 0 is left out, as the filter drops it there.
// Each column's bins, from..last (from = -1: none), the same for every line of a picture.
const std::vector<ColumnBins::Range>& BinsOfColumns(const Drawing& d, int32_t h) {
    ColumnBins& bins = d.columnBins;
    if (bins.binCount == h) return bins.ranges;
    const FrequencyAxis& axis = d.axis;
    const int32_t left = axis.PlotLeft();
    const int32_t pastRight = CheckedAdd(axis.EndColumn(), 1);
    bins.binCount = h;
    bins.ranges.assign(static_cast<size_t>(std::max(0, pastRight - left)), {-1, -1});
    const int32_t firstBin = axis.Zoomed() ? 0 : 1;
    const double binHz = axis.BinHz(1);
    // The last bin whose lower midpoint lies at or left of column x: (k - 0.5) x binHz at most
    // the column's frequency.
    const auto lastStarted = [&](int32_t x) {
        const double k = std::floor(axis.HzAtColumn(x) / binHz + 0.5);
        return static_cast<int32_t>(std::clamp(k, -1.0, static_cast<double>(h - 1)));
    };
    int32_t previous = lastStarted(left - 1);
    for (int32_t x = left; x < pastRight; ++x) {
        const int32_t last = lastStarted(x);
        int32_t from = std::max(previous + 1, firstBin);
        previous = last;
        if (last < firstBin) continue;
        // No midpoint in this column: the bin around it, if the column is not past the last bin.
        if (from > last) {
            if (axis.HzAtColumn(x) >= (h - 0.5) * binHz) continue;
            from = last;
        }
        bins.ranges[static_cast<size_t>(x - left)] = {from, last};
    }
    return bins.ranges;
}

std::vector<int32_t> StrongestPerColumn(const SpectrumLine& line, const Drawing& d) {
    const std::vector<ColumnBins::Range>& ranges =
        BinsOfColumns(d, static_cast<int32_t>(line.amplitudes.size()));
    std::vector<int32_t> best(ranges.size(), -1);
    const double* amp = line.amplitudes.data();
    for (size_t i = 0; i < ranges.size(); ++i) {
        const auto [from, last] = ranges[i];
        if (from < 0) continue;
        int32_t strongest = from;
        double top = amp[from];
        for (int32_t k = from + 1; k <= last; ++k) {
            const bool higher = amp[k] > top;  // the first of equals stays, as it always has
            top = higher ? amp[k] : top;
            strongest = higher ? k : strongest;
        }
        best[i] = strongest;
    }
    return best;
}

// The curve through each column's strongest bin, `shift` columns further right, at
// rowsPerUnit rows per amplitude unit above lift.
void PeakCurve(const SpectrumLine& line, const Drawing& d, int32_t shift, double rowsPerUnit,
               double lift) {
    const std::vector<int32_t> best = StrongestPerColumn(line, d);
    bool started = false;
    for (size_t i = 0; i < best.size(); ++i) {
        if (best[i] < 0) continue;
        const int32_t x = CheckedAdd(d.axis.PlotLeft() + static_cast<int32_t>(i), shift);
        const int32_t y = RoundChecked(d.view.baselineY - (lift + line.amplitudes[best[i]]) * rowsPerUnit);
        if (started)
            d.canvas.LineTo(x, y);
        else
            d.canvas.MoveTo(x, y);
        started = true;
    }
}

void AxisLabels(const Drawing& d) {
    DrawFrequencyLabel(d, d.view.plotLeft, kBlack);
    DrawFrequencyLabel(d, d.axis.EndColumn(), kBlack);
}

void DrawFrame3D(const Drawing& d) {
    PlotCanvas& canvas = d.canvas;
    const PlotView& v = d.view;
    canvas.SetPenColor(kFrameGreen);
    canvas.MoveTo(v.plotLeft, v.baselineY);
    canvas.LineTo(d.axis.EndColumn(), v.baselineY);
    const int32_t top = RoundChecked(v.baselineY - 200 * v.yScale);
    for (int32_t j = 0; j <= kDepthLines; ++j) {
        const double offset = CheckedMul(kDepthStep, j) * v.xScale;
        canvas.MoveTo(RoundChecked(offset + v.plotLeft), v.baselineY);
        canvas.LineTo(RoundChecked(offset + v.plotLeft + 100), top);
    }
    AxisLabels(d);
}

void DrawFrame1D(const Drawing& d) {
    d.effects.ShowGauge(true);
    d.effects.GaugeProgress(0);
}

// The curve through the bins' points in a zoomed band, cut where it crosses the band's edges so
// that nothing lies left of the plot's left edge or right of the end column (before the 3D
// picture's depth `shift` moves it right).
void BandCurve(const SpectrumLine& line, const Drawing& d, int32_t shift, double rowsPerUnit,
               double lift) {
    const double left = d.axis.PlotLeft();
    const double right = d.axis.EndColumn();
    const auto y = [&](int32_t k) { return d.view.baselineY - (lift + line.amplitudes[k]) * rowsPerUnit; };
    const auto point = [&](double x, double py) {
        return std::pair{CheckedAdd(RoundChecked(x), shift), RoundChecked(py)};
    };
    const int32_t h = static_cast<int32_t>(line.amplitudes.size());
    bool started = false;
    double x0 = d.axis.ColumnOfHz(d.axis.BinHz(0));
    for (int32_t k = 1; k < h; ++k) {
        const double x1 = d.axis.ColumnOfHz(d.axis.BinHz(k));
        const double y0 = y(k - 1), y1 = y(k);
        if (x1 >= left && x0 <= right) {
            const auto at = [&](double x) { return y0 + (y1 - y0) * (x - x0) / (x1 - x0); };
            const double from = std::max(x0, left), to = std::min(x1, right);
            const auto [ax, ay] = point(from, x0 < left ? at(left) : y0);
            const auto [bx, by] = point(to, x1 > right ? at(right) : y1);
            if (!started) d.canvas.MoveTo(ax, ay);
            d.canvas.LineTo(bx, by);
            started = true;
        }
        if (x1 > right) break;
        x0 = x1;
    }
}

// Each later line stands n pixels further right (unscaled) and 2 x n higher (scaled), so line
// 100 lies exactly along the tops of the frame's depth lines.
void DrawLine3D(const SpectrumLine& line, const Drawing& d) {
    const int32_t n = line.number;
    const int32_t lift = CheckedMul(2, n);
    if (ManyBinsPerColumn(line)) return PeakCurve(line, d, n, d.view.yScale, lift);
    if (d.axis.Zoomed()) return BandCurve(line, d, n, d.view.yScale, lift);
    const int32_t h = static_cast<int32_t>(line.amplitudes.size());
    for (int32_t k = 0; k < h; ++k) {
        const int32_t x = d.axis.BinColumn(k, n);
        const int32_t y = RoundChecked(d.view.baselineY - (lift + line.amplitudes[k]) * d.view.yScale);
        if (k == 0)
            d.canvas.MoveTo(x, y);
        else
            d.canvas.LineTo(x, y);
    }
}

// Rows skipped between two lines repeat the row beneath them, from the bottom up, so the picture
// has no white stripes when the plot is taller than 250 pixels.
void FillGap(const Drawing& d, const RowState& rows) {
    const int32_t right = d.axis.EndColumn();
    for (int32_t y = rows.previousRowY - 1; y > rows.rowY; --y)
        for (int32_t x = d.view.plotLeft; x <= right; ++x)
            d.canvas.SetPixel(x, y, d.canvas.Pixel(x, y + 1));
}

// One rounding of the whole sum: the green term's fraction may carry into the red byte.
uint32_t PhaseColour(double phi) {
    return static_cast<uint32_t>(
        RoundChecked((127 * std::sin(phi) + 127) + 256 * (127 * std::cos(phi) + 127)));
}

// Odd levels are dark, even levels bright: the low byte of 255 - 128 x level, never clamped.
uint32_t LevelColour(int32_t level, Channel channel) {
    const int32_t intensity = CheckedSub(255, CheckedMul(128, level)) & 0xFF;
    return static_cast<uint32_t>(channel == Channel::kRight ? CheckedMul(intensity, 256) : intensity);
}

uint32_t PointColour(const SpectrumLine& line, int32_t k, Channel channel, bool iqPhase) {
    const int32_t level = TruncChecked(line.amplitudes[k] + 0.5);
    if (level == 0) return kWhite;
    if (iqPhase) return PhaseColour(line.phases[k]);
    return LevelColour(level, channel);
}

// The left channel paints in copy mode; the right one is ANDed in, so where both channels have a
// point the red and the green cancel to black, and the right channel's white points leave the
// left one's picture alone.
void SetChannelPenMode(Channel channel, PlotCanvas& canvas) {
    canvas.SetPenMode(channel == Channel::kRight ? PenMode::Mask : PenMode::Copy);
}

void DrawBins2D(const SpectrumLine& line, Channel channel, bool iqPhase, const Drawing& d, int32_t rowY) {
    // Bin 0 is never drawn (the filter always drops it); each other bin paints its columns up to
    // the next bin's first one.
    const int32_t h = static_cast<int32_t>(line.amplitudes.size());
    d.canvas.MoveTo(d.axis.BinLeftEdge(1), rowY);
    for (int32_t k = 1; k < h; ++k) {
        d.canvas.SetPenColor(PointColour(line, k, channel, iqPhase));
        d.canvas.LineTo(d.axis.BinLeftEdge(CheckedAdd(k, 1)), rowY);
    }
}

// In a zoomed band every bin from 0 on is drawn, each cut to the columns from the plot's left
// edge to the end column. The edges are those of BinLeftEdge, held to the plot first, as a very
// narrow band puts far bins beyond any column number.
void DrawBins2DInBand(const SpectrumLine& line, Channel channel, bool iqPhase, const Drawing& d,
                      int32_t rowY) {
    const int32_t left = d.axis.PlotLeft();
    const int32_t pastRight = CheckedAdd(d.axis.EndColumn(), 1);
    const double binHz = d.axis.BinHz(1);
    const auto leftEdge = [&](int32_t k) {
        const double column = std::ceil(d.axis.ColumnOfHz((k - 0.5) * binHz));
        return static_cast<int32_t>(std::clamp(column, left - 1.0, static_cast<double>(pastRight)));
    };
    const int32_t h = static_cast<int32_t>(line.amplitudes.size());
    int32_t edge = leftEdge(0);
    for (int32_t k = 0; k < h && edge < pastRight; ++k) {
        const int32_t next = leftEdge(k + 1);
        const int32_t from = std::max(edge, left), to = std::min(next, pastRight);
        if (from < to) {
            d.canvas.SetPenColor(PointColour(line, k, channel, iqPhase));
            d.canvas.MoveTo(from, rowY);
            d.canvas.LineTo(to, rowY);
        }
        edge = next;
    }
}

// Each column in the colour of its strongest bin.
void DrawColumns2D(const SpectrumLine& line, Channel channel, bool iqPhase, const Drawing& d,
                   int32_t rowY) {
    const std::vector<int32_t> best = StrongestPerColumn(line, d);
    const int32_t left = d.axis.PlotLeft();
    for (size_t i = 0; i < best.size(); ++i) {
        if (best[i] < 0) continue;
        const int32_t x = left + static_cast<int32_t>(i);
        d.canvas.SetPenColor(PointColour(line, best[i], channel, iqPhase));
        d.canvas.MoveTo(x, rowY);
        d.canvas.LineTo(x + 1, rowY);
    }
}

void DrawLine2D(const SpectrumLine& line, Channel channel, bool iqPhase, const Drawing& d,
                RowState& rows) {
    const int32_t n = line.number;
    rows.rowY = LineRow(d.view, n);
    if (n > 1 && CheckedSub(rows.previousRowY, rows.rowY) >= 2) FillGap(d, rows);
    rows.previousRowY = rows.rowY;
    SetChannelPenMode(channel, d.canvas);
    if (ManyBinsPerColumn(line)) {
        DrawColumns2D(line, channel, iqPhase, d, rows.rowY);
    } else if (d.axis.Zoomed()) {
        DrawBins2DInBand(line, channel, iqPhase, d, rows.rowY);
    } else {
        DrawBins2D(line, channel, iqPhase, d, rows.rowY);
    }
    if (n % kPresentEvery == 0) d.effects.PresentPlot();
}

// 5 pixels per amplitude unit, independent of the plot height; the start point alone takes
// its amplitude unscaled.
void DrawWholeLine1D(const SpectrumLine& line, const Drawing& d) {
    const int32_t baseline = d.view.baselineY;
    d.canvas.MoveTo(d.axis.BinColumn(0), CheckedSub(baseline, RoundChecked(line.amplitudes[0])));
    const int32_t h = static_cast<int32_t>(line.amplitudes.size());
    for (int32_t k = 1; k < h; ++k)
        d.canvas.LineTo(d.axis.BinColumn(k),
                        CheckedSub(baseline, RoundChecked(5 * line.amplitudes[k])));
}

void DrawLine1D(const SpectrumLine& line, const Drawing& d) {
    d.canvas.Clear();
    d.canvas.SetPenColor(kBlack);
    if (ManyBinsPerColumn(line)) {
        PeakCurve(line, d, 0, 5.0, 0.0);
    } else if (d.axis.Zoomed()) {
        BandCurve(line, d, 0, 5.0, 0.0);
    } else {
        DrawWholeLine1D(line, d);
    }
    AxisLabels(d);
    // The gauge runs 0..100 and holds at 100 on longer passes; a QProgressBar would ignore a
    // value beyond its range instead of clamping it, so the clamp is done here.
    const int32_t progress = CheckedMul(2, line.number);
    d.effects.GaugeProgress(std::min<int32_t>(progress, kGaugeMax));
    d.effects.Pause(kAnimationPauseMs);
}

// Where a level lies on the scale: 0 at its foot, 1 at its top, levelGainDb below full scale.
double OnScale(double levelDb, const Settings& s) {
    const double top = -static_cast<double>(s.levelGainDb);
    return (levelDb - (top - s.levelRangeDb)) / std::max(1, s.levelRangeDb);
}

constexpr int32_t kLegendGap = 8;
constexpr int32_t kLegendWidth = 10;

// The legend right of the end column: the scale from the picture's baseline up to its last
// line's row, labelled with the dB at its top and its foot.
void DrawLevelLegend(const Drawing& d, const Settings& s) {
    const int32_t left = CheckedAdd(d.axis.EndColumn(), kLegendGap);
    const int32_t bottom = d.view.baselineY - 1;
    const int32_t top = LineRow(d.view, kMaxLines);
    if (bottom <= top) return;
    for (int32_t y = top; y <= bottom; ++y) {
        d.canvas.SetPenColor(ScaleColour(static_cast<double>(bottom - y) / (bottom - top)));
        d.canvas.MoveTo(left, y);
        d.canvas.LineTo(left + kLegendWidth, y);
    }
    const int32_t textLeft = left + kLegendWidth + 3;
    d.canvas.SetFontColor(kBlack);
    d.canvas.TextOut(textLeft, top, std::to_string(-s.levelGainDb) + " dB");
    d.canvas.TextOut(textLeft, bottom - d.canvas.TextHeight() + 1,
                     std::to_string(-s.levelGainDb - s.levelRangeDb) + " dB");
}

void DrawFrameLevel(const Drawing& d, const Settings& s) {
    AxisLabels(d);
    DrawLevelLegend(d, s);
}

// A row like the 2D picture's, each column in the scale's colour of its strongest bin.
void DrawLineLevel(const SpectrumLine& line, const Settings& s, const Drawing& d, RowState& rows) {
    const int32_t n = line.number;
    rows.rowY = LineRow(d.view, n);
    if (n > 1 && CheckedSub(rows.previousRowY, rows.rowY) >= 2) FillGap(d, rows);
    rows.previousRowY = rows.rowY;
    d.canvas.SetPenMode(PenMode::Copy);
    const std::vector<int32_t> best = StrongestPerColumn(line, d);
    const int32_t left = d.axis.PlotLeft();
    for (size_t i = 0; i < best.size(); ++i) {
        if (best[i] < 0) continue;
        const int32_t x = left + static_cast<int32_t>(i);
        d.canvas.SetPenColor(ScaleColour(OnScale(line.amplitudes[best[i]], s)));
        d.canvas.MoveTo(x, rows.rowY);
        d.canvas.LineTo(x + 1, rows.rowY);
    }
    if (n % kPresentEvery == 0) d.effects.PresentPlot();
}

// How each picture draws: its frame (with line 1, or alone when there is no line), each line,
// and whether an empty picture still gets the axis labels its lines would bring. In the order
// of Picture.
struct PictureDrawing {
    void (*frame)(const Drawing&, const Settings&);
    void (*line)(const SpectrumLine&, Channel, const Settings&, const Drawing&, RowState&);
    bool emptyGetsLabels;
};
const PictureDrawing kDrawings[kPictureCount] = {
    {[](const Drawing& d, const Settings&) { DrawFrame3D(d); },
     [](const SpectrumLine& l, Channel, const Settings&, const Drawing& d, RowState&) { DrawLine3D(l, d); },
     false},
    {[](const Drawing& d, const Settings&) { AxisLabels(d); },
     [](const SpectrumLine& l, Channel c, const Settings& s, const Drawing& d, RowState& r) {
         DrawLine2D(l, c, s.iqPhase, d, r);
     },
     false},
    {[](const Drawing& d, const Settings&) { DrawFrame1D(d); },
     [](const SpectrumLine& l, Channel, const Settings&, const Drawing& d, RowState&) { DrawLine1D(l, d); },
     true},
    {DrawFrameLevel,
     [](const SpectrumLine& l, Channel, const Settings& s, const Drawing& d, RowState& r) {
         DrawLineLevel(l, s, d, r);
     },
     false},
};

const PictureDrawing& DrawingOf(Picture picture) {
    const auto index = static_cast<size_t>(picture);
    if (index >= std::size(kDrawings)) Fail(ErrorCode::kRangeCheck);
    return kDrawings[index];
}

}  // namespace

int32_t LineRow(const PlotView& view, int32_t number) {
    return RoundChecked(view.baselineY - number * view.yScale);
}

int32_t LineAtRow(const PlotView& view, int32_t y) {
    return RoundChecked((view.baselineY - y) / view.yScale);
}

void DrawSpectrumLine(const SpectrumLine& line, Channel channel, const Settings& settings,
                      const Drawing& drawing, RowState& rows) {
    const PictureDrawing& picture = DrawingOf(settings.picture);
    drawing.effects.ShowImage();
    if (line.number == 1) picture.frame(drawing, settings);
    drawing.canvas.SetPenColor(kBlack);
    picture.line(line, channel, settings, drawing, rows);
}

void DrawEmptyPicture(const Settings& settings, const Drawing& drawing) {
    const PictureDrawing& picture = DrawingOf(settings.picture);
    drawing.effects.ShowImage();
    picture.frame(drawing, settings);
    drawing.canvas.SetPenColor(kBlack);
    // The 1D picture's labels come with each line; without one it still gets them.
    if (picture.emptyGetsLabels) AxisLabels(drawing);
}

}  // namespace pirolex
