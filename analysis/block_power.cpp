#include "block_power.h"

#include <cmath>
#include <numbers>

namespace pirolex {

BlockPower::BlockPower(int32_t n)
    : n_(n), in_(fftw_alloc_real(static_cast<size_t>(n))),
      out_(fftw_alloc_complex(static_cast<size_t>(n / 2 + 1))), window_(static_cast<size_t>(n)),
      plan_(RealForwardPlan(n)) {
    for (int32_t i = 0; i < n; ++i)
        window_[static_cast<size_t>(i)] = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * i / n);
    double sum = 0.0;
    for (double w : window_) sum += w;
    // A sine of amplitude A peaks at A x sum / 2: this makes its power A^2, 0 dB at full scale.
    fullScale_ = 4.0 / (sum * sum);
}

void BlockPower::Add(const int16_t* samples, std::vector<double>& power) {
    for (int32_t i = 0; i < n_; ++i) in_[i] = samples[i] / 32768.0 * window_[static_cast<size_t>(i)];
    fftw_execute_dft_r2c(plan_, in_.get(), out_.get());
    for (int32_t k = 0; k < n_ / 2; ++k)
        power[static_cast<size_t>(k)] += (out_[k][0] * out_[k][0] + out_[k][1] * out_[k][1]) * fullScale_;
}

}  // namespace pirolex
