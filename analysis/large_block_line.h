#pragma once
// The line of a picture block above 1024 points, from the block's levels straight away.
//
// The pass forms a block of N complex rows from the levels x_0..x_N: row i is x_i + i (x_i +
// x_{i+1}) / 2, scaled to a peak of 100, then differenced (the last row 0), then transformed. The
// imaginary rows are the mean of neighbouring real ones, so after the difference they are
// b_i = (a_i + a_{i+1}) / 2, a_i being the real rows, except for the last two. Their spectrum is
// therefore the real rows' spectrum A_k times (1 + u_k) / 2, u_k = e^(2 pi i k / N), plus the two
// rows' own terms: one real transform of N points gives the whole line, where a complex one
// would take three times as long. The levels are 8-bit integers, so single precision loses
// nothing the picture could show.

#include "fft.h"

#include <cstdint>

namespace pirolex {

// Reads buffers.levels[0..N] (N = 2^fftExponent, 11..14) and writes what TransformLine would
// for the pass's block of them: buffers.amplitudes[0..N/2-1], and in "fein" buffers.phases of
// bins 0..N/2-1.
void TransformLargeBlock(FftBuffers& buffers, int32_t fftExponent, Accuracy accuracy);

}  // namespace pirolex
