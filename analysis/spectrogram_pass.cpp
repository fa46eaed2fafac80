#include "spectrogram_pass.h"

#include "checked_arithmetic.h"
#include "large_block_line.h"
#include "pair.h"
#include "vector_state.h"

#include <algorithm>
#include <cmath>

namespace pirolex {

namespace {

constexpr int32_t kMeanFirstBin = 20;
constexpr double kBlockPeak = 100.0;

// N complex samples from frame `position` (1-based in the picture's span) on: the frame's level
// and the mean of it and the next one. Each entry reads two frames, so the block stops two
// frames before the end; returns false when it does not fill the block (or has fewer than two
// frames left), which ends the pass.
bool TakeBlock(const PictureSamples& samples, int32_t position, int32_t n, ComplexRow* block) {
    const int32_t remaining = CheckedSub(samples.Count(), position);
    const int32_t count = remaining >= 2 ? std::min(n, remaining - 1) : 0;
    if (count > 0 && position < 1) Fail(ErrorCode::kRangeCheck);
    const int32_t first = position - 1;
    for (int32_t i = 0; i < count; ++i) {
        const double re = samples.Level(first + i);
        block[i].Re = re;
        block[i].Im = (samples.Level(first + i + 1) + re) / 2;
    }
    return remaining - count >= 2;
}

// Above the tables: the levels x_0..x_N the block would be formed of, whether they all exist
// (a full block, as TakeBlock tells it).
bool TakeLevels(const PictureSamples& samples, int32_t position, int32_t n, float* levels) {
    const int32_t remaining = CheckedSub(samples.Count(), position);
    if (remaining < n + 2) return false;
    if (position < 1) Fail(ErrorCode::kRangeCheck);
    const int32_t first = position - 1;
    samples.CopyLevels(first, n + 1, levels);
    return true;
}

// Scales the block so that its largest |Re| + |Im| is 100. Two entries per step, lane by lane as
// the scalar sum. All sums are >= +0 and never NaN, so the largest value does not depend on the
// order of comparison.
void NormPeak(ComplexRow* block, int32_t n) {
    Pair peaks = Splat(0.0);
    int32_t i = 0;
    for (; i + 1 < n; i += 2) {
        const Pair first = AbsPair(LoadRow(block[i]));
        const Pair second = AbsPair(LoadRow(block[i + 1]));
        peaks = MaxPair(peaks, LowLanes(first, second) + HighLanes(first, second));
    }
    double peak = std::max(peaks[0], peaks[1]);
    if (i < n) peak = std::max(peak, std::fabs(block[i].Re) + std::fabs(block[i].Im));
    const Pair f = Splat(peak != 0.0 ? kBlockPeak / peak : 1.0);
    for (int32_t k = 0; k < n; ++k) StoreRow(block[k], LoadRow(block[k]) * f);
}

// First difference; the last entry becomes 0.
void DiffBlock(ComplexRow* block, int32_t n) {
    for (int32_t i = 0; i + 1 < n; ++i) {
        block[i].Re -= block[i + 1].Re;
        block[i].Im -= block[i + 1].Im;
    }
    block[n - 1] = {0.0, 0.0};
}

// Divides the line by its mean over bins 20..h.
void NormMean(double* line, int32_t h) {
    double sum = 0.0;
    if (h >= kTableSize / 2) {
        // Above 1024 points no picture depends on the sum's last bits: four sums side by side.
        double part[4] = {};
        int32_t k = kMeanFirstBin;
        for (; k + 3 <= h; k += 4)
            for (int i = 0; i < 4; ++i) part[i] += line[k + i];
        for (; k <= h; ++k) part[0] += line[k];
        sum = (part[0] + part[1]) + (part[2] + part[3]);
    } else {
        for (int32_t k = kMeanFirstBin; k <= h; ++k) sum += line[k];
    }
    const double mean = CheckedDiv(sum, h - (kMeanFirstBin - 1));
    const double f = mean > 0 ? 1 / mean : 1.0;
    for (int32_t k = 0; k <= h; ++k) line[k] *= f;
}

}  // namespace

int32_t LineStep(Picture picture, int64_t recordingFrames, int32_t fftMask) {
    const int64_t span = std::max<int64_t>(recordingFrames - fftMask, 0);
    const int64_t steps = TraitsOf(picture).lineSteps;
    return static_cast<int32_t>(std::min<int64_t>(span / steps, INT32_MAX));
}

int64_t LineFirstFrame(int32_t number, int32_t lineStep, int64_t spanFirst) {
    return spanFirst + int64_t{4} * lineStep * (number - 1);
}

PassEnd RunSpectrogramPass(const PictureSamples& samples, const Settings& settings,
                           int32_t lineStep, int32_t filterLimit, FftBuffers& buffers,
                           const LineHandler& onLine) {
    if (settings.fftExponent < kSmallestFftExponent || settings.fftExponent > kLargestFftExponent)
        Fail(ErrorCode::kRangeCheck);
    const int32_t n = settings.FftSize();
    const int32_t half = n / 2;
    const int32_t advance = CheckedMul(4, lineStep);
    PassEnd end;
    end.filterLimit = filterLimit;
    int32_t position = 1;
    for (int32_t number = 1; number <= kMaxLines; ++number) {
        ClearUpperVectorState();  // the drawing's Qt calls may have left it set
        // A block cut short by the end of the recording is dropped, not drawn.
        const bool large = settings.fftExponent > kLargestTableExponent;
        const bool full = large ? TakeLevels(samples, position, n, buffers.levels.data())
                                : TakeBlock(samples, position, n, buffers.block.data());
        const int32_t first = position;
        position = CheckedAdd(position, advance);
        if (!full) {
            end.tooShort = number == 1;
            break;
        }
        if (large) {
            TransformLargeBlock(buffers, settings.fftExponent, settings.accuracy);
        } else {
            ComplexRow* block = buffers.block.data();
            NormPeak(block, n);
            DiffBlock(block, n);
            TransformLine(buffers, settings.fftExponent, settings.accuracy);
        }
        double* line = buffers.amplitudes.data();
        NormMean(line, half - 1);
        end.caption = FilterCaption{StartLimit(settings, end.filterLimit),
                                    KeepRangeFor(settings.pointsPerLine)};
        end.filterLimit = FilterLine({line, static_cast<size_t>(half)}, settings, end.filterLimit);
        end.lines = number;
        if (onLine) {
            const std::span<const double> amplitudes(line, static_cast<size_t>(half));
            const std::span<const double> phases(buffers.phases.data(), static_cast<size_t>(half));
            onLine({number, samples.FirstFrame() + first - 1, amplitudes, phases});
        }
    }
    return end;
}

}  // namespace pirolex
