#include "spectrogram_pass.h"

#include "pair.h"
#include "runtime_error.h"
#include "vector_state.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace pirolex {

namespace {

constexpr int32_t kMaxLines = 250;
constexpr int32_t kLineStartStep = 50;
constexpr int32_t kMeanFirstBin = 20;

// FFTMask indexes FFTInput directly; it must name a row of it.
int32_t BlockSize(const AnalysisState& state) {
    if (state.FFTMask < 0 || state.FFTMask >= kTableSize) Fail(msg::kRangeCheck);
    return state.FFTMask + 1;
}

void RunLine(AnalysisState& state, Analysis& analysis, const Controls& controls,
             Effects& effects) {
    NormPeak(state, analysis.fft);
    DiffBlock(state, analysis.fft);
    FFTline(state, analysis.fft, controls.Accuracy);
    NormMean(state, analysis.fft);
    if (state.DisplayFilter) LineFilter(state, analysis.fft, analysis.filter, controls, effects);
}

}  // namespace

int32_t Optimum(const AnalysisState& state) {
    // From the frames in the file, not those stored: a longer recording gets a wider step and so
    // fewer lines over the stored part. A recording shorter than the block gets step 0 rather
    // than a negative one, which a smaller FFT size would later walk to before the first frame.
    const int32_t span = std::max(CheckedSub(state.SampleCount, state.FFTMask), 0);
    switch (state.GraphMode) {
        case 1: return span / 400;
        case 2: return span / 800;
        case 3: return span / 200;
        default: return state.LineStep;
    }
}

std::string ShortRecordingNotice(const AnalysisState& state) {
    return "Aufnahme kürzer als ein FFT-Block (" + std::to_string(BlockSize(state)) + " Samples)";
}

void TakeBlock(const AnalysisState& state, FFTEngine& fft, PassState& pass) {
    if (state.DrawChannel != kLeft && state.DrawChannel != kRight) Fail(msg::kRangeCheck);
    const SampleRow& samples = state.Samples[state.DrawChannel];
    const int32_t n = BlockSize(state);
    const int32_t first = pass.SamplePos;
    // Each entry reads its frame and the next one, so the block stops two frames before the end.
    const int32_t remaining = CheckedSub(state.StoredCount, first);
    const int32_t count = remaining >= 2 ? std::min(n, remaining - 1) : 0;
    if (count > 0 && (first < 0 || first + count > kMaxFrames)) Fail(msg::kRangeCheck);
    ComplexRow* block = fft.FFTInput.data();
    for (int32_t i = 0; i < count; ++i) {
        const double re = samples[first + i] - 128;
        block[i].Re = re;
        block[i].Im = (samples[first + i + 1] + re - 128) / 2;
    }
    pass.EndOfData = remaining - count < 2;
    pass.SamplePos = CheckedAdd(first, CheckedMul(4, state.LineStep));
}

void NormPeak(const AnalysisState& state, FFTEngine& fft) {
    const int32_t n = BlockSize(state);
    ComplexRow* block = fft.FFTInput.data();
    // Two entries per step, lane by lane |Re| + |Im| as the scalar sum. All sums are >= +0 and
    // never NaN, so the largest value does not depend on the order of comparison.
    Pair peaks = Splat(0.0);
    int32_t i = 0;
    for (; i + 1 < n; i += 2) {
        const Pair first = AbsPair(LoadRow(block[i]));
        const Pair second = AbsPair(LoadRow(block[i + 1]));
        peaks = MaxPair(peaks, LowLanes(first, second) + HighLanes(first, second));
    }
    double peak = std::max(peaks[0], peaks[1]);
    if (i < n) peak = std::max(peak, std::fabs(block[i].Re) + std::fabs(block[i].Im));
    const Pair f = Splat(peak != 0.0 ? 100 / peak : 1.0);
    for (int32_t k = 0; k < n; ++k) StoreRow(block[k], LoadRow(block[k]) * f);
}

void DiffBlock(const AnalysisState& state, FFTEngine& fft) {
    const int32_t n = BlockSize(state);
    ComplexRow* block = fft.FFTInput.data();
    for (int32_t i = 0; i + 1 < n; ++i) {
        block[i].Re -= block[i + 1].Re;
        block[i].Im -= block[i + 1].Im;
    }
    block[n - 1] = {0.0, 0.0};
}

void NormMean(const AnalysisState& state, FFTEngine& fft) {
    if (!state.WaveOpened) return;
    const int32_t h = BlockSize(state) / 2 - 1;
    ComplexRow* line = fft.FFTOutput.data();
    double sum = 0.0;
    for (int32_t k = kMeanFirstBin; k <= h; ++k) sum += line[k].Re;
    const double mean = CheckedDiv(sum, h - (kMeanFirstBin - 1));
    const double f = mean > 0 ? 1 / mean : 1.0;
    for (int32_t k = 0; k <= h; ++k) line[k].Re *= f;
}

void ChannelPass(AnalysisState& state, Analysis& analysis, const Controls& controls,
                 Effects& effects, const LineSink& grafik) {
    PassState& pass = analysis.pass;
    pass.LineCounter = 0;
    pass.LineStart = 0;
    pass.SamplePos = 1;
    do {
        pass.LineStart = CheckedMul(kLineStartStep, pass.LineCounter);
        pass.LineCounter = CheckedAdd(pass.LineCounter, 1);
        ClearUpperVectorState();  // the renderer's Qt calls may have left it set
        TakeBlock(state, analysis.fft, pass);
        // A block cut short by the end of the recording is dropped, not drawn. When that is the
        // first one, the picture would stay blank: it still gets its frame (the renderer draws no
        // line at the end of the data), and the user is told why it is empty.
        if (!pass.EndOfData) {
            RunLine(state, analysis, controls, effects);
            if (grafik) grafik();
        } else if (pass.LineCounter == 1) {
            effects.PlotNotice(ShortRecordingNotice(state));
            if (grafik) grafik();
        }
    } while (!pass.EndOfData && pass.LineCounter < kMaxLines);
    effects.ShowGauge(false);
}

}  // namespace pirolex
