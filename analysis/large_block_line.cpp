#include "large_block_line.h"

#include "checked_arithmetic.h"
#include "fftw_plans.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <mutex>
#include <numbers>
#include <vector>

namespace pirolex {

namespace {

constexpr double kBlockPeak = 100.0;
constexpr float kSmallerShare = 0.33f;

// u_k = e^(2 pi i k / N) and u_k^2 for k = 0..N/2, apart, so that the bin loop runs in vectors.
struct Turns {
    std::vector<float> re, im, squareRe, squareIm;
};

const Turns& TurnsFor(int32_t fftExponent) {
    static std::mutex mutex;
    static std::array<std::unique_ptr<const Turns>, kLargestFftExponent + 1> cache;
    const std::lock_guard<std::mutex> lock(mutex);
    auto& turns = cache[static_cast<size_t>(fftExponent)];
    if (!turns) {
        const int32_t n = int32_t{1} << fftExponent;
        auto made = std::make_unique<Turns>();
        for (int32_t k = 0; k <= n / 2; ++k) {
            const double angle = 2.0 * std::numbers::pi * k / n;
            made->re.push_back(static_cast<float>(std::cos(angle)));
            made->im.push_back(static_cast<float>(std::sin(angle)));
            made->squareRe.push_back(static_cast<float>(std::cos(2 * angle)));
            made->squareIm.push_back(static_cast<float>(std::sin(2 * angle)));
        }
        turns = std::move(made);
    }
    return *turns;
}

inline float Norm(float re, float im) {
    const float x = std::fabs(re), y = std::fabs(im);
    return std::max(x, y) + kSmallerShare * std::min(x, y);
}

}  // namespace

// The bin loop runs in twice as wide vectors where the processor has them (x86 only: WebAssembly
// has no choice of vector width to make at run time).
#if defined(__x86_64__)
__attribute__((target_clones("avx2", "default")))
#endif
void TransformLargeBlock(FftBuffers& b, int32_t fftExponent, Accuracy accuracy) {
    if (fftExponent <= kLargestTableExponent || fftExponent > kLargestFftExponent)
        Fail(ErrorCode::kRangeCheck);
    const int32_t n = int32_t{1} << fftExponent;
    const float* x = b.levels.data();
    float* a = b.levels.data();  // the differences overwrite the levels they are made of

    // The peak of |re| + |im| the pass scales to, twice over in integers: the levels are small
    // integers, and an integer maximum runs in vectors where a float one may not.
    int32_t twicePeak = 0;
    for (int32_t i = 0; i < n; ++i) {
        const auto level = static_cast<int32_t>(x[i]), next = static_cast<int32_t>(x[i + 1]);
        twicePeak = std::max(twicePeak, 2 * std::abs(level) + std::abs(level + next));
    }
    const double peak = twicePeak * 0.5;
    // The rows where b_i is not (a_i + a_{i+1}) / 2 (the circle closes at the last row).
    const float lastButOne = (x[n - 1] - x[n]) * 0.5f;
    const float last = -(x[0] - x[1]) * 0.5f;
    for (int32_t i = 0; i + 1 < n; ++i) a[i] = x[i] - x[i + 1];
    a[n - 1] = 0.0f;

    auto* spectrum = reinterpret_cast<fftwf_complex*>(b.halfSpectrum.data());
    fftwf_execute_dft_r2c(SingleRealForwardPlan(n), a, spectrum);

    const Turns& u = TurnsFor(fftExponent);
    const double scale = (peak != 0.0 ? kBlockPeak / peak : 1.0) / n;
    const bool fein = accuracy == Accuracy::kExact;
    double* amplitudes = b.amplitudes.data();
    double* phases = b.phases.data();
    // Bin k and its mirror N - k: A_{N-k} and B_{N-k} are the conjugates of A_k and B_k, as the
    // rows are real, so X_k = A_k + i B_k and X_{N-k} = conj(A_k) + i conj(B_k). Bin 0 has no
    // mirror to add: u_0 = 1 makes its sums the same without one, so its mirror is taken away.
    const auto bin = [&](int32_t k, float& re, float& im, float& mirrorRe, float& mirrorIm) {
        const float ar = spectrum[k][0], ai = spectrum[k][1];
        const float cr = (1.0f + u.re[k]) * 0.5f, ci = u.im[k] * 0.5f;
        const float br = ar * cr - ai * ci + lastButOne * u.squareRe[k] + last * u.re[k];
        const float bi = ar * ci + ai * cr + lastButOne * u.squareIm[k] + last * u.im[k];
        re = ar - bi;
        im = ai + br;
        mirrorRe = ar + bi;
        mirrorIm = br - ai;
    };
    if (fein) {
        for (int32_t k = 0; k < n / 2; ++k) {
            float re, im, mirrorRe, mirrorIm;
            bin(k, re, im, mirrorRe, mirrorIm);
            const float mirror = k > 0 ? std::hypot(mirrorRe, mirrorIm) : 0.0f;
            amplitudes[k] = (std::hypot(re, im) + mirror) * scale;
            phases[k] = im != 0.0f ? std::atan2(re, im) : 0.0;
        }
        return;
    }
    for (int32_t k = 0; k < n / 2; ++k) {
        float re, im, mirrorRe, mirrorIm;
        bin(k, re, im, mirrorRe, mirrorIm);
        amplitudes[k] = (Norm(re, im) + Norm(mirrorRe, mirrorIm)) * scale;
    }
    float re, im, mirrorRe, mirrorIm;
    bin(0, re, im, mirrorRe, mirrorIm);
    amplitudes[0] = Norm(re, im) * scale;
}

}  // namespace pirolex
