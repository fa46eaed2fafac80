#include "line_filter.h"

#include "pair.h"
#include "runtime_error.h"
#include "vector_state.h"

#include <string>

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

struct KeepRange {
    int32_t lo;
    int32_t hi;
};

// The adaptation aims at P kept bins and accepts anything from P/2 (rounded half to even) to 2P.
KeepRange KeepRangeFor(int32_t points) {
    return {RoundChecked(points * 0.5), CheckedMul(2, points)};
}

void ShowCaptions(int32_t limit, KeepRange range, Effects& effects) {
    effects.LimLabel("Limit : " + std::to_string(limit));
    effects.CFARLabel("CFAR : " + std::to_string(range.lo) + " .. " + std::to_string(range.hi));
}

// The line as the filter reads it: the amplitudes in one contiguous row, and each tested bin's
// window mean. An iteration changes only the factor, never the line, so the means are formed
// once per line instead of once per iteration.
struct Window {
    double amp[kTableSize];
    double mean[kTableSize];
};

constexpr int32_t kBlock = 8;

// A line without signal (digital silence) keeps every bin at any factor and so says nothing
// about the factor the next line needs.
bool HasSignal(const Window& w, int32_t h) {
    for (int32_t k = 0; k <= h; ++k)
        if (w.amp[k] != 0.0) return true;
    return false;
}

// Each mean is summed over its window in ascending order from 0, term by term as (a/10)/2, just
// as a bin-by-bin loop would. Eight neighbouring bins are summed side by side in registers; the
// order within each bin's sum is unchanged.
void FormWindow(const ComplexRow* line, int32_t h, Window& w) {
    double q[kTableSize + kBlock];
    for (int32_t j = 0; j <= h; ++j) {
        w.amp[j] = line[j].Re;
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
    if (kept > range.hi && limit < kHighestLimit) {
        limit = CheckedAdd(limit, 1);
        return true;
    }
    if (kept < range.lo && limit > kLowestLimit) {
        limit = CheckedSub(limit, 1);
        return true;
    }
    return false;
}

void ApplyLimit(ComplexRow* line, int32_t h, const Window& w, int32_t limit) {
    const double factor = limit / 10.0;
    for (int32_t k = 0; k < kHalfWindow; ++k) line[k].Re = 0.0;
    for (int32_t k = kHalfWindow; k <= h - kHalfWindow; ++k) {
        line[k].Im = w.amp[k] >= factor * w.mean[k] ? w.amp[k] : 0.0;
        line[k].Re = line[k].Im;
    }
    for (int32_t k = h - kHalfWindow + 1; k <= h; ++k) line[k].Re = 0.0;
}

}  // namespace

void LineFilter(const AnalysisState& state, FFTEngine& fft, LineFilterState& filter,
                const Controls& controls, Effects& effects) {
    if (!state.WaveOpened) return;
    if (!controls.ConstPPL) filter.FilterLimit = controls.LimPosition;
    const KeepRange range = KeepRangeFor(controls.CFARPosition);
    ShowCaptions(filter.FilterLimit, range, effects);
    ClearUpperVectorState();  // the labels are Qt widgets in the program

    // The line must hold its two ten-bin margins and fit the buffer.
    if (state.FFTMask < 4 * kHalfWindow + 1 || state.FFTMask >= kTableSize)
        Fail(msg::kRangeCheck);
    ComplexRow* line = fft.FFTOutput.data();
    const int32_t h = (state.FFTMask + 1) / 2 - 1;
    Window window;
    FormWindow(line, h, window);

    // The line keeps the bins of the last iteration's factor; the limit may leave the line one
    // step beyond it when the last iteration still adjusted it. A silent line leaves it alone.
    int32_t used = filter.FilterLimit;
    bool moved = HasSignal(window, h);
    for (int32_t iteration = 1; moved && iteration <= kMaxIterations; ++iteration) {
        used = filter.FilterLimit;
        moved = Adapt(CountKept(window, h, used), range, filter.FilterLimit);
        if (!controls.ConstPPL) break;
    }
    ApplyLimit(line, h, window, used);
}

}  // namespace pirolex
