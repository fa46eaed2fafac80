#pragma once
// The power of each bin of one channel's Hann-windowed block, scaled so that a full-scale sine
// peaks at 1 (0 dB): the level picture's line and the rolling picture's line.

#include "fftw_plans.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace pirolex {

class BlockPower {
public:
    explicit BlockPower(int32_t n);
    int32_t Size() const { return n_; }
    // Adds the power of bins 0..n/2-1 of the block at samples (n of them) to `power`.
    void Add(const int16_t* samples, std::vector<double>& power);

private:
    int32_t n_;
    std::unique_ptr<double[], FftwFree> in_;
    std::unique_ptr<fftw_complex[], FftwFree> out_;
    std::vector<double> window_;
    double fullScale_ = 1.0;
    fftw_plan plan_;
};

}  // namespace pirolex
