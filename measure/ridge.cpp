#include "ridge.h"

#include <algorithm>
#include <cmath>

namespace pirolex {

namespace {

// Ridge costs in salience units (dB summed over harmonics). Falling is what a pass does, so it
// is cheap and may be fast; rising only comes from the engine's rpm and stays small.
constexpr float kFallCostPerCell = 0.3f;
constexpr float kRiseCostOneCell = 4.0f;
constexpr float kRiseCostTwoCells = 12.0f;
// The fastest fall of the tone's log frequency, per second: v^2 / (c d) at the pass, 10 for
// 350 km/h at 3 m. Closer, faster passes fall within a frame or two and lose those frames.
constexpr double kFastestFall = 12.0;

// The best score arriving at each cell j by a fall from one of the maxFall cells above it, for a
// cost per cell: the maximum of key(i) = score(i) - cost i over i = j + 1 .. j + maxFall, plus
// cost j. Windowed maxima by van Herk and Gil-Werman: running maxima forwards and backwards
// within blocks of the window's length; a window is covered by the backward maximum from its
// start and the forward maximum up to its end.
void FallArrivals(const std::vector<float>& score, int32_t maxFall, std::vector<float>& forward,
                  std::vector<float>& backward, std::vector<float>& arrival) {
    const auto cells = static_cast<int32_t>(score.size());
    const auto key = [&](int32_t i) {
        return score[static_cast<size_t>(i)] - kFallCostPerCell * static_cast<float>(i);
    };
    for (int32_t start = 0; start < cells; start += maxFall) {
        const int32_t end = std::min(cells, start + maxFall);
        forward[static_cast<size_t>(start)] = key(start);
        for (int32_t i = start + 1; i < end; ++i)
            forward[static_cast<size_t>(i)] = std::max(forward[static_cast<size_t>(i - 1)], key(i));
        backward[static_cast<size_t>(end - 1)] = key(end - 1);
        for (int32_t i = end - 2; i >= start; --i)
            backward[static_cast<size_t>(i)] = std::max(backward[static_cast<size_t>(i + 1)], key(i));
    }
    for (int32_t j = 0; j + 1 < cells; ++j)
        arrival[static_cast<size_t>(j)] =
            std::max(backward[static_cast<size_t>(j + 1)],
                     forward[static_cast<size_t>(std::min(j + maxFall, cells - 1))]) +
            kFallCostPerCell * static_cast<float>(j);
    arrival[static_cast<size_t>(cells - 1)] = -1e30f;
}

// The cell in the previous frame that the best path to cell j came from.
int32_t Predecessor(const float* previous, int32_t cells, int32_t j, int32_t maxFall) {
    int32_t arg = j;
    float best = previous[j];
    const auto consider = [&](int32_t i, float cost) {
        if (previous[i] - cost > best) best = previous[i] - cost, arg = i;
    };
    if (j >= 1) consider(j - 1, kRiseCostOneCell);
    if (j >= 2) consider(j - 2, kRiseCostTwoCells);
    for (int32_t i = j + 1; i <= std::min(j + maxFall, cells - 1); ++i)
        consider(i, kFallCostPerCell * static_cast<float>(i - j));
    return arg;
}

// The forward pass keeps every frame's scores; the way back finds each step again from them.
std::vector<int32_t> BestPath(const Salience& s, int32_t maxFall) {
    const int32_t cells = s.grid.cells;
    std::vector<float> scores(s.value.size());
    std::copy(s.Row(0), s.Row(0) + cells, scores.begin());
    std::vector<float> forward(static_cast<size_t>(cells)), backward(forward), arrival(forward),
        previous(forward);
    for (int32_t n = 1; n < s.frameCount; ++n) {
        const float* last = scores.data() + static_cast<size_t>(n - 1) * static_cast<size_t>(cells);
        float* next = scores.data() + static_cast<size_t>(n) * static_cast<size_t>(cells);
        previous.assign(last, last + cells);
        FallArrivals(previous, maxFall, forward, backward, arrival);
        const float* salience = s.Row(n);
        float top = -1e30f;
        for (int32_t j = 0; j < cells; ++j) {
            float best = std::max(last[j], arrival[static_cast<size_t>(j)]);
            if (j >= 1) best = std::max(best, last[j - 1] - kRiseCostOneCell);
            if (j >= 2) best = std::max(best, last[j - 2] - kRiseCostTwoCells);
            next[j] = best + salience[j];
            top = std::max(top, next[j]);
        }
        // Scores relative to the frame's best keep their precision over long recordings.
        for (int32_t j = 0; j < cells; ++j) next[j] -= top;
    }
    std::vector<int32_t> path(static_cast<size_t>(s.frameCount));
    const float* end = scores.data() + static_cast<size_t>(s.frameCount - 1) * static_cast<size_t>(cells);
    path.back() = static_cast<int32_t>(std::max_element(end, end + cells) - end);
    for (int32_t n = s.frameCount - 1; n > 0; --n)
        path[static_cast<size_t>(n - 1)] =
            Predecessor(scores.data() + static_cast<size_t>(n - 1) * static_cast<size_t>(cells), cells,
                        path[static_cast<size_t>(n)], maxFall);
    return path;
}

}  // namespace

std::vector<int32_t> Ridge(const Salience& salience, double hopSeconds) {
    if (salience.frameCount == 0 || salience.grid.cells == 0) return {};
    const auto maxFall = std::max(
        1, static_cast<int32_t>(std::ceil(kFastestFall * hopSeconds / std::log(salience.grid.step))));
    return BestPath(salience, maxFall);
}

}  // namespace pirolex
