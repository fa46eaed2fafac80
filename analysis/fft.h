#pragma once
// The exact FFT of the pictures. Its tables are built once for 1024 points and serve every size
// from 128 to 1024; a transform turns the N complex samples of a block into the folded magnitude
// line the pictures are drawn from. Written by hand, step by step in a fixed order of operations,
// because every picture depends on its doubles to the last bit.

#include "settings.h"

#include <array>
#include <cstdint>

namespace pirolex {

inline constexpr int kTableSize = 1024;
inline constexpr int kLevels = 10;

struct ComplexRow {
    double Re = 0.0;
    double Im = 0.0;
};

// The rows a transform works in. The caller keeps them from line to line and pass to pass: in
// "fein" a transform leaves each bin's phase in `phases`, in "norm" the phases stay what the last
// "fein" line left (all 0 before the first), and the phase colours read them either way.
struct FftBuffers {
    std::array<ComplexRow, kTableSize> block{};      // rows 0..N-1: the samples to transform
    std::array<ComplexRow, kTableSize> work{};       // the butterflies, in place
    std::array<double, kTableSize> bins{};           // each bin's magnitude, in natural order
    std::array<double, kTableSize> phases{};         // bin k's phase
    std::array<double, kTableSize / 2> amplitudes{};  // the folded line, bins 0..N/2-1
};

// Transforms rows 0..N-1 of buffers.block (N = 2^fftExponent, 7..10; otherwise kRangeCheck)
// into buffers.amplitudes[0..N/2-1]: bin 0 alone, each bin k >= 1 plus its mirror N - k, each
// magnitude divided by N. Bin N/2 is dropped. The block is left as it was.
void TransformLine(FftBuffers& buffers, int32_t fftExponent, Accuracy accuracy);

}  // namespace pirolex
