#pragma once
// The line filter: keeps the bins of a spectrum line that stand out of their 21-bin neighbourhood.
// Its threshold, in tenths of the neighbourhood's mean, is either fixed or adapted from line to
// line towards a number of kept points; the adapted one is carried from line to line.

#include "settings.h"

#include <cstdint>
#include <span>

namespace pirolex {

// What a filter starts from before any line: 2.0 times the neighbourhood's mean.
inline constexpr int32_t kStartFilterLimit = 20;

// How many kept bins the adaptation accepts for a number of points per line.
struct KeepRange {
    int32_t low = 0;
    int32_t high = 0;
};
KeepRange KeepRangeFor(int32_t pointsPerLine);

// The limit a line starts from: the fixed threshold, or the one carried from the line before.
int32_t StartLimit(const Settings& settings, int32_t carriedLimit);

// Filters bins 0..h of the line in place (h = N/2 - 1; N of at least 64 points, otherwise
// kRangeCheck), starting from StartLimit; returns the limit carried to the next line. The ten
// bins at either end have no full window and are dropped, except in a zoomed band, where the
// lowest ten are tested against the first full window, so low engine tones can be seen.
int32_t FilterLine(std::span<double> line, const Settings& settings, int32_t carriedLimit);

}  // namespace pirolex
