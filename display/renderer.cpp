#include "renderer.h"

#include "markers.h"
#include "runtime_error.h"

#include <algorithm>
#include <cmath>

namespace pirolex {

namespace {

constexpr uint32_t kFrameGreen = 0x008000;
constexpr int kGaugeMax = 100;
constexpr int kAnimationPauseMs = 50;
constexpr int kPresentEvery = 25;  // 2D lines between two presentations

// The line buffers have 1024 rows; a bin outside them is a range error, not a stray read.
double Amplitude(const FFTEngine& fft, int32_t k) {
    if (k < 0 || k >= kTableSize) Fail(msg::kRangeCheck);
    return fft.FFTOutput[k].Re;
}

double PhaseOf(const FFTEngine& fft, int32_t k) {
    if (k < 0 || k >= kTableSize) Fail(msg::kRangeCheck);
    return fft.PhaseSpectrum[k].Phase;
}

int32_t HalfSize(const AnalysisState& state) { return CheckedAdd(state.FFTMask, 1) / 2; }

// k x TableStride is the bin on a scale of 1024 units per sample rate, so one frequency lands on
// one column for every FFT size. `shift` is the 3D picture's unscaled step to the right.
int32_t BinColumn(const AnalysisState& state, int32_t k, int32_t shift = 0) {
    return RoundChecked(CheckedMul(k, state.TableStride) * state.XScale + state.PlotLeft + shift);
}

// The first column of bin k in 2D: the first one at or right of the midpoint between bins k - 1
// and k. (2k - 1) x TableStride is exact and the scaled midpoint rises with k, so the edges never
// step back, and each bin covers the columns nearer to it than to its neighbours; at one column
// per bin that is exactly its own column.
int32_t BinLeftEdge(const AnalysisState& state, int32_t k) {
    const int32_t halfUnits = CheckedMul(CheckedSub(CheckedMul(2, k), 1), state.TableStride);
    return detail::ToInt32Checked(std::ceil(halfUnits * state.XScale / 2 + state.PlotLeft));
}

int32_t AxisEnd(const AnalysisState& state) {
    return RoundChecked(512 * state.XScale + state.PlotLeft);
}

void AxisLabels(const AnalysisState& state, PlotCanvas& canvas, Effects& effects) {
    FrequenzMarke(state, canvas, effects, state.PlotLeft, kBlack);
    FrequenzMarke(state, canvas, effects, AxisEnd(state), kBlack);
}

void DrawFrame3D(const AnalysisState& state, PlotCanvas& canvas, Effects& effects) {
    canvas.SetPenColor(kFrameGreen);
    canvas.MoveTo(state.PlotLeft, state.BaselineY);
    canvas.LineTo(AxisEnd(state), state.BaselineY);
    const int32_t top = RoundChecked(state.BaselineY - 200 * state.YScale);
    for (int32_t j = 0; j <= 14; ++j) {
        const double offset = CheckedMul(37, j) * state.XScale;
        canvas.MoveTo(RoundChecked(offset + state.PlotLeft), state.BaselineY);
        canvas.LineTo(RoundChecked(offset + state.PlotLeft + 100), top);
    }
    AxisLabels(state, canvas, effects);
}

void DrawFrame(const AnalysisState& state, PlotCanvas& canvas, Effects& effects) {
    switch (state.GraphMode) {
    case 1: DrawFrame3D(state, canvas, effects); break;
    case 2: AxisLabels(state, canvas, effects); break;
    case 3:
        effects.ShowGauge(true);
        effects.GaugeProgress(0);
        break;
    default: break;
    }
}

// Each later line stands n pixels further right (unscaled) and 2 x n higher (scaled), so line
// 100 lies exactly along the tops of the frame's depth lines.
void DrawLine3D(const Session& session, PlotCanvas& canvas) {
    const AnalysisState& state = session.state;
    const FFTEngine& fft = session.analysis.fft;
    const int32_t n = session.analysis.pass.LineCounter;
    const int32_t lift = CheckedMul(2, n);
    const int32_t h = HalfSize(state);
    for (int32_t k = 0; k < h; ++k) {
        const int32_t x = BinColumn(state, k, n);
        const int32_t y = RoundChecked(state.BaselineY - (lift + Amplitude(fft, k)) * state.YScale);
        if (k == 0)
            canvas.MoveTo(x, y);
        else
            canvas.LineTo(x, y);
    }
}

// Rows skipped between two lines repeat the row beneath them, from the bottom up, so the picture
// has no white stripes when the plot is taller than 250 pixels.
void FillGap(const AnalysisState& state, const RendererState& rows, PlotCanvas& canvas) {
    const int32_t right = AxisEnd(state);
    for (int32_t y = rows.PrevRowY - 1; y > rows.RowY; --y)
        for (int32_t x = state.PlotLeft; x <= right; ++x) canvas.SetPixel(x, y, canvas.Pixel(x, y + 1));
}

// One rounding of the whole sum: the green term's fraction may carry into the red byte.
uint32_t PhaseColour(double phi) {
    return static_cast<uint32_t>(
        RoundChecked((127 * std::sin(phi) + 127) + 256 * (127 * std::cos(phi) + 127)));
}

// Odd levels are dark, even levels bright: the low byte of 255 - 128 x level, never clamped.
uint32_t LevelColour(int32_t level, int32_t drawChannel) {
    const int32_t intensity = CheckedSub(255, CheckedMul(128, level)) & 0xFF;
    return static_cast<uint32_t>(drawChannel == kRight ? CheckedMul(intensity, 256) : intensity);
}

uint32_t PointColour(const Session& session, const Controls& controls, int32_t k) {
    const int32_t level = TruncChecked(Amplitude(session.analysis.fft, k) + 0.5);
    if (level == 0) return kWhite;
    if (controls.IQPhase) return PhaseColour(PhaseOf(session.analysis.fft, k));
    return LevelColour(level, session.state.DrawChannel);
}

// Channel 0 paints in copy mode; channel 1 is ANDed in, so where both channels have a point the
// red and the green cancel to black, and channel 1's white points leave channel 0's picture alone.
void SetChannelPenMode(int32_t drawChannel, PlotCanvas& canvas) {
    if (drawChannel == kLeft) canvas.SetPenMode(PenMode::Copy);
    if (drawChannel == kRight) canvas.SetPenMode(PenMode::Mask);
}

void DrawLine2D(Session& session, PlotCanvas& canvas, const Controls& controls, Effects& effects) {
    const AnalysisState& state = session.state;
    RendererState& rows = session.renderer;
    const int32_t n = session.analysis.pass.LineCounter;
    rows.RowY = RoundChecked(state.BaselineY - n * state.YScale);
    if (n > 1 && CheckedSub(rows.PrevRowY, rows.RowY) >= 2) FillGap(state, rows, canvas);
    rows.PrevRowY = rows.RowY;
    SetChannelPenMode(state.DrawChannel, canvas);
    // Bin 0 is never drawn (the filter always drops it); each other bin paints its columns up to
    // the next bin's first one.
    const int32_t h = HalfSize(state);
    canvas.MoveTo(BinLeftEdge(state, 1), rows.RowY);
    for (int32_t k = 1; k < h; ++k) {
        canvas.SetPenColor(PointColour(session, controls, k));
        canvas.LineTo(BinLeftEdge(state, CheckedAdd(k, 1)), rows.RowY);
    }
    if (n % kPresentEvery == 0) effects.PresentPlot();
}

// 5 pixels per amplitude unit, independent of the plot height; the start point alone takes
// its amplitude unscaled.
void DrawLine1D(const Session& session, PlotCanvas& canvas, Effects& effects) {
    const AnalysisState& state = session.state;
    const FFTEngine& fft = session.analysis.fft;
    canvas.Clear();
    canvas.SetPenColor(kBlack);
    canvas.MoveTo(BinColumn(state, 0), CheckedSub(state.BaselineY, RoundChecked(Amplitude(fft, 0))));
    const int32_t h = HalfSize(state);
    for (int32_t k = 1; k < h; ++k)
        canvas.LineTo(BinColumn(state, k),
                      CheckedSub(state.BaselineY, RoundChecked(5 * Amplitude(fft, k))));
    AxisLabels(state, canvas, effects);
    // The gauge runs 0..100 and holds at 100 on longer passes; a QProgressBar would ignore a
    // value beyond its range instead of clamping it, so the clamp is done here.
    const int32_t progress = CheckedMul(2, session.analysis.pass.LineCounter);
    effects.GaugeProgress(std::min<int32_t>(progress, kGaugeMax));
    effects.Pause(kAnimationPauseMs);
}

}  // namespace

void grafik(Session& session, PlotCanvas& canvas, const Controls& controls, Effects& effects) {
    const AnalysisState& state = session.state;
    effects.ShowImage();
    if (session.analysis.pass.LineStart == 0) DrawFrame(state, canvas, effects);
    canvas.SetPenColor(kBlack);
    if (!state.WaveOpened) return;
    // The pass ends without a line when the recording holds no complete block; the 1D picture,
    // whose labels come with each line, then still gets them.
    if (session.analysis.pass.EndOfData) {
        if (state.GraphMode == 3) AxisLabels(state, canvas, effects);
        return;
    }
    switch (state.GraphMode) {
    case 1: DrawLine3D(session, canvas); break;
    case 2: DrawLine2D(session, canvas, controls, effects); break;
    case 3: DrawLine1D(session, canvas, effects); break;
    default: break;
    }
}

}  // namespace pirolex
