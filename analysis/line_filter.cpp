#include "line_filter.h"

#include "runtime_error.h"

#include <string>

namespace pirolex {

namespace {

constexpr int32_t kHalfWindow = 10;
constexpr int32_t kMaxIterations = 21;

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

// An iteration changes only the factor, never the line, so each bin's window mean is formed once.
// The sum runs over the window in ascending order from 0, term by term as (a/10)/2; walking the
// window offsets in the outer loop keeps that order for every bin and lets the bins go in
// parallel.
void WindowMeans(const ComplexRow* line, int32_t h, double* mean) {
    double q[kTableSize];
    for (int32_t j = 0; j <= h; ++j) q[j] = (line[j].Re / 10) / 2;
    for (int32_t k = kHalfWindow; k <= h - kHalfWindow; ++k) mean[k] = 0.0;
    for (int32_t offset = -kHalfWindow; offset <= kHalfWindow; ++offset)
        for (int32_t k = kHalfWindow; k <= h - kHalfWindow; ++k) mean[k] += q[k + offset];
}

int32_t CountKept(const ComplexRow* line, int32_t h, const double* mean, int32_t limit) {
    const double factor = limit / 10.0;
    int32_t kept = 0;
    for (int32_t k = kHalfWindow; k <= h - kHalfWindow; ++k)
        kept += line[k].Re >= factor * mean[k] ? 1 : 0;
    return kept;
}

// Moves the limit one tenth towards the wanted range; reports whether it moved.
bool Adapt(int32_t kept, KeepRange range, int32_t& limit) {
    if (kept > range.hi) {
        limit = CheckedAdd(limit, 1);
        return true;
    }
    if (kept < range.lo) {
        limit = CheckedSub(limit, 1);
        return true;
    }
    return false;
}

void ApplyLimit(ComplexRow* line, int32_t h, const double* mean, int32_t limit) {
    const double factor = limit / 10.0;
    for (int32_t k = 0; k < kHalfWindow; ++k) line[k].Re = 0.0;
    for (int32_t k = kHalfWindow; k <= h - kHalfWindow; ++k) {
        line[k].Im = line[k].Re >= factor * mean[k] ? line[k].Re : 0.0;
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

    ComplexRow* line = fft.FFTOutput.data();
    const int32_t h = (state.FFTMask + 1) / 2 - 1;
    if (h < 2 * kHalfWindow || h >= kTableSize) Fail(msg::kRangeCheck);
    double mean[kTableSize];
    WindowMeans(line, h, mean);

    // The line keeps the bins of the last iteration's factor; the limit may leave the line one
    // step beyond it when the last iteration still adjusted it.
    int32_t used = filter.FilterLimit;
    bool moved = true;
    for (int32_t iteration = 1; moved && iteration <= kMaxIterations; ++iteration) {
        used = filter.FilterLimit;
        moved = Adapt(CountKept(line, h, mean, used), range, filter.FilterLimit);
        if (!controls.ConstPPL) break;
    }
    ApplyLimit(line, h, mean, used);
}

}  // namespace pirolex
