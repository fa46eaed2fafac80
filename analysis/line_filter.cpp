#include "line_filter.h"

#include "checked_arithmetic.h"
#include "fft.h"
#include "pair.h"

namespace pirolex {

namespace {

constexpr int32_t kHalfWindow = 10;
constexpr int32_t kMaxIterations = 21;

// The carried limit stays in 0..201 tenths. A bin belongs to its own window, whose sum is divided
// by 20, so above 200 no bin with a level passes, and at 0 or below every bin does: a limit
// outside this range keeps no set of bins that one inside it does not. Without the bound, lines
// that keep too many bins at any factor would push it up without end, and the lines after them
// would need as many steps to come down again.
constexpr int32_t kLowestLimit = 0;
constexpr int32_t kHighestLimit = 201;

// The line as the filter reads it: the amplitudes in one contiguous row, and each tested bin's
// window mean. An iteration changes only the factor, never the line, so the means are formed
// once per line instead of once per iteration.
constexpr int32_t kBlock = 8;
constexpr int32_t kMaxBins = kMaxFftSize / 2;

struct Window {
    double amp[kMaxBins];
    double mean[kMaxBins];
    double share[kMaxBins + kBlock];  // each bin's part of a window mean
};

// A line without signal (digital silence) keeps every bin at any factor and so says nothing
// about the factor the next line needs.
bool HasSignal(const Window& w, int32_t h) {
    for (int32_t k = 0; k <= h; ++k)
        if (w.amp[k] != 0.0) return true;
    return false;
}

// Up to 1024 points each mean is summed over its window in ascending order from 0, term by term
// as (a/10)/2, just as a bin-by-bin loop would; eight neighbouring bins are summed side by side in
// registers, the order within each bin's sum unchanged.
void FormWindow(const double* line, int32_t h, Window& w) {
    double* q = w.share;
    // Above 1024 points no picture depends on the sums' last bits: a running sum, one addition
    // and one subtraction per bin instead of 21, run as four chains over the four quarters of
    // the line side by side, so that no addition waits for the one before it.
    if (h >= kTableSize / 2) {
        for (int32_t j = 0; j <= h; ++j) {
            w.amp[j] = line[j];
            q[j] = w.amp[j] * 0.05;
        }
        // The last quarter may run up to three bins past h - 10; their sums are never read.
        for (int32_t j = h + 1; j <= h + kBlock; ++j) q[j] = 0.0;
        constexpr int kChains = 4;
        const int32_t quarter = (h - 2 * kHalfWindow + 1 + kChains - 1) / kChains;
        double acc[kChains];
        int32_t start[kChains];
        for (int c = 0; c < kChains; ++c) {
            start[c] = kHalfWindow + c * quarter;
            acc[c] = 0.0;
            for (int32_t j = start[c] - kHalfWindow; j < start[c] + kHalfWindow; ++j) acc[c] += q[j];
        }
        for (int32_t t = 0; t < quarter; ++t) {
            for (int c = 0; c < kChains; ++c) {
                const int32_t k = start[c] + t;
                acc[c] += q[k + kHalfWindow];
                w.mean[k] = acc[c];
                acc[c] -= q[k - kHalfWindow];
            }
        }
        return;
    }
    for (int32_t j = 0; j <= h; ++j) {
        w.amp[j] = line[j];
        q[j] = (w.amp[j] / 10) / 2;
    }
    // The last block may run past bin h - 10; its extra sums are never read.
    for (int32_t j = h + 1; j <= h + kBlock; ++j) q[j] = 0.0;
    for (int32_t k = kHalfWindow; k <= h - kHalfWindow; k += kBlock) {
        double acc[kBlock] = {};
        for (int32_t j = k - kHalfWindow; j <= k + kHalfWindow; ++j)
            for (int32_t i = 0; i < kBlock; ++i) acc[i] += q[j + i];
        for (int32_t i = 0; i < kBlock; ++i) w.mean[k + i] = acc[i];
    }
}

// The bins below the first full window, which a zoomed band filters too: each is measured against
// the first full window (bins 0..20), the nearest there is to its own.
int32_t CountLowKept(const Window& w, int32_t limit) {
    const double factor = limit / 10.0;
    int32_t count = 0;
    for (int32_t k = 0; k < kHalfWindow; ++k) count += w.amp[k] >= factor * w.mean[kHalfWindow] ? 1 : 0;
    return count;
}

// Two bins per step: each lane compares exactly as the scalar test does and yields -1 or 0.
int32_t CountKept(const Window& w, int32_t h, int32_t limit) {
    const double factor = limit / 10.0;
    const Pair f = Splat(factor);
    PairMask kept = {0, 0};
    int32_t k = kHalfWindow;
    for (; k + 1 <= h - kHalfWindow; k += 2)
        kept -= LoadPair(&w.amp[k]) >= f * LoadPair(&w.mean[k]);
    int64_t count = kept[0] + kept[1];
    if (k <= h - kHalfWindow) count += w.amp[k] >= factor * w.mean[k] ? 1 : 0;
    return static_cast<int32_t>(count);
}

// Moves the limit one tenth towards the wanted range, within its bounds; reports whether it moved.
bool Adapt(int32_t kept, KeepRange range, int32_t& limit) {
    if (kept > range.high && limit < kHighestLimit) {
        limit = CheckedAdd(limit, 1);
        return true;
    }
    if (kept < range.low && limit > kLowestLimit) {
        limit = CheckedSub(limit, 1);
        return true;
    }
    return false;
}

void ApplyLimit(double* line, int32_t h, const Window& w, int32_t limit, bool lowBins) {
    const double factor = limit / 10.0;
    for (int32_t k = 0; k < kHalfWindow; ++k)
        line[k] = lowBins && w.amp[k] >= factor * w.mean[kHalfWindow] ? w.amp[k] : 0.0;
    for (int32_t k = kHalfWindow; k <= h - kHalfWindow; ++k)
        line[k] = w.amp[k] >= factor * w.mean[k] ? w.amp[k] : 0.0;
    for (int32_t k = h - kHalfWindow + 1; k <= h; ++k) line[k] = 0.0;
}

}  // namespace

// The adaptation aims at P kept bins and accepts anything from P/2 (rounded half to even) to 2P.
KeepRange KeepRangeFor(int32_t pointsPerLine) {
    return {RoundChecked(pointsPerLine * 0.5), CheckedMul(2, pointsPerLine)};
}

int32_t StartLimit(const Settings& settings, int32_t carriedLimit) {
    return settings.filterMode == FilterMode::kThreshold ? settings.threshold : carriedLimit;
}

int32_t FilterLine(std::span<double> line, const Settings& settings, int32_t carriedLimit) {
    int32_t limit = StartLimit(settings, carriedLimit);
    const bool adapts = settings.filterMode == FilterMode::kConstantPoints;
    const KeepRange range = KeepRangeFor(settings.pointsPerLine);
    // The line must hold its two ten-bin margins and fit the window's rows.
    const int32_t h = static_cast<int32_t>(line.size()) - 1;
    if (h < 2 * kHalfWindow || h >= kMaxBins) Fail(ErrorCode::kRangeCheck);
    // Nearly 200 KB, kept per thread rather than on the stack.
    thread_local Window window;
    FormWindow(line.data(), h, window);

    // The line keeps the bins of the last iteration's factor; the limit may leave the line one
    // step beyond it when the last iteration still adjusted it (in threshold mode too, which
    // matters once the mode changes back). A silent line leaves it alone.
    const bool lowBins = settings.BandZoomed();
    int32_t used = limit;
    bool moved = HasSignal(window, h);
    for (int32_t iteration = 1; moved && iteration <= kMaxIterations; ++iteration) {
        used = limit;
        int32_t kept = CountKept(window, h, used);
        if (lowBins) kept = CheckedAdd(kept, CountLowKept(window, used));
        moved = Adapt(kept, range, limit);
        if (!adapts) break;
    }
    ApplyLimit(line.data(), h, window, used, lowBins);
    return limit;
}

}  // namespace pirolex
