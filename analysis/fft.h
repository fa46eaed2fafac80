#pragma once
// The FFT of the pictures. Its tables are built once for 1024 points and serve every size from
// 128 to 1024; a transform turns the N complex samples of a block into the folded magnitude line
// the pictures are drawn from. Written by hand, step by step in a fixed order of operations,
// because every picture up to 1024 points depends on its doubles to the last bit. The larger
// sizes, 2048 to 16384, came later and have no pictures to match: FFTW transforms them, in the
// same scaling, magnitudes, phases and folding.

#include "settings.h"

#include <array>
#include <cstdint>

namespace pirolex {

inline constexpr int kTableSize = 1024;
inline constexpr int kLevels = 10;
// The rows of the buffers: the largest FFT size.
inline constexpr int kMaxFftSize = 1 << kLargestFftExponent;

struct ComplexRow {
    double Re = 0.0;
    double Im = 0.0;
};

// The rows a transform works in. The caller keeps them from line to line and pass to pass: in
// "fein" a transform leaves each bin's phase in `phases`, in "norm" the phases stay what the last
// "fein" line left (all 0 before the first), and the phase colours read them either way.
// Nearly a megabyte: keep it on the heap. The rows FFTW reads and writes are aligned for its
// vector code, as every buffer its plans run on must be alike.
struct FftBuffers {
    alignas(64) std::array<ComplexRow, kMaxFftSize> block{};  // rows 0..N-1: the samples to transform
    alignas(64) std::array<ComplexRow, kMaxFftSize> work{};   // the butterflies, in place
    std::array<double, kMaxFftSize> bins{};           // each bin's magnitude, in natural order
    std::array<double, kMaxFftSize> phases{};         // bin k's phase
    std::array<double, kMaxFftSize / 2> amplitudes{};  // the folded line, bins 0..N/2-1
    // Above 1024 points the pass hands the block over as its levels and transforms it in single
    // precision (see large_block_line.h).
    alignas(64) std::array<float, kMaxFftSize + 1> levels{};
    alignas(64) std::array<float, kMaxFftSize + 2> halfSpectrum{};  // N / 2 + 1 complex bins
};

// Transforms rows 0..N-1 of buffers.block (N = 2^fftExponent, 7..14; otherwise kRangeCheck)
// into buffers.amplitudes[0..N/2-1]: bin 0 alone, each bin k >= 1 plus its mirror N - k, each
// magnitude divided by N. Bin N/2 is dropped. The block is left as it was.
void TransformLine(FftBuffers& buffers, int32_t fftExponent, Accuracy accuracy);

}  // namespace pirolex
