// The FFT of the pictures: against a plain DFT in long double, the magnitude and phase
// rules, known signals in their bins, and buffers left from earlier lines.

#include "failure.h"
#include "fft.h"
#include "large_block_line.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <complex>
#include <limits>
#include <memory>
#include <numbers>
#include <random>

namespace {

using namespace pirolex;

constexpr double kPi = std::numbers::pi;

uint64_t Bits(double x) { return std::bit_cast<uint64_t>(x); }

// X[k] = sum over n of x[n] e^(-2 pi i n k / N), in long double, O(N^2).
std::vector<std::complex<long double>> Dft(const std::vector<std::complex<double>>& x) {
    const size_t n = x.size();
    std::vector<std::complex<long double>> out(n);
    for (size_t k = 0; k < n; ++k) {
        std::complex<long double> sum = 0;
        for (size_t i = 0; i < n; ++i) {
            const long double angle = -2 * std::numbers::pi_v<long double> * ((i * k) % n) / n;
            sum += std::complex<long double>(x[i].real(), x[i].imag()) *
                   std::complex<long double>(std::cos(angle), std::sin(angle));
        }
        out[k] = sum;
    }
    return out;
}

class FftTest : public ::testing::Test {
protected:
    void Transform(int exponent, Accuracy accuracy) { TransformLine(*buffers_, exponent, accuracy); }
    FftBuffers& b() { return *buffers_; }

    std::unique_ptr<FftBuffers> buffers_ = std::make_unique<FftBuffers>();
};

// Random complex input against the DFT, in every size of the tables and both accuracies, and in
// 2048, the first size FFTW transforms (the larger ones take the same path).
TEST_F(FftTest, MatchesThePlainDft) {
    std::mt19937_64 rng(42);
    std::uniform_real_distribution<double> dist(-1.0, 1.0);
    for (int exponent = 7; exponent <= 11; ++exponent) {
        for (Accuracy accuracy : {Accuracy::kApproximate, Accuracy::kExact}) {
            const bool fein = accuracy == Accuracy::kExact;
            SCOPED_TRACE("N = " + std::to_string(1 << exponent) + (fein ? " fein" : " norm"));
            const int n = 1 << exponent;
            std::vector<std::complex<double>> x(n);
            for (int i = 0; i < n; ++i) {
                x[i] = {dist(rng), dist(rng)};
                b().block[i] = {x[i].real(), x[i].imag()};
            }
            const auto expected = Dft(x);
            Transform(exponent, accuracy);

            long double rms = 0;
            for (const auto& v : expected) rms += std::norm(v);
            const double scale = std::sqrt(static_cast<double>(rms / n)) / n;
            std::vector<double> bin(n);
            for (int k = 0; k < n; ++k) {
                const double re = static_cast<double>(expected[k].real());
                const double im = static_cast<double>(expected[k].imag());
                if (fein) {
                    bin[k] = std::hypot(re, im) / n;
                    const double phase = im != 0 ? std::atan2(re, im) : 0.0;
                    EXPECT_NEAR(std::remainder(b().phases[k] - phase, 2 * kPi), 0.0, 1e-9) << k;
                } else {
                    const double a = std::fabs(re), c = std::fabs(im);
                    bin[k] = (std::max(a, c) + 0.33 * std::min(a, c)) / n;
                }
            }
            EXPECT_NEAR(b().amplitudes[0], bin[0], 1e-9 * scale);
            for (int k = 1; k < n / 2; ++k)
                ASSERT_NEAR(b().amplitudes[k], bin[k] + bin[n - k], 2e-9 * scale) << k;
        }
    }
}

// An impulse at row 0 reaches every bin unchanged, so it sets one exact value for all bins.
TEST_F(FftTest, PhaseTakesReAsYAndZeroImAsZero) {
    const struct {
        double re, im, phase;
    } cases[] = {
        {1, 0, 0},                // im = 0: phase 0, not pi/2
        {-1, 0, 0},               // whatever re is
        {0, 1, 0},                //
        {1, 1, kPi / 4},          //
        {1, -1, 3 * kPi / 4},     //
        {-1, -1, -3 * kPi / 4},   //
        {-1, 1, -kPi / 4},        //
        {0, -1, kPi},             //
    };
    for (const auto& c : cases) {
        b().block = {};
        b().block[0] = {c.re, c.im};
        Transform(8, Accuracy::kExact);
        for (int k = 0; k < 256; ++k)
            ASSERT_DOUBLE_EQ(b().phases[k], c.phase) << "(" << c.re << ", " << c.im << ") bin " << k;
    }
}

// "norm" leaves the phases of the last "fein" line alone.
TEST_F(FftTest, NormKeepsTheLastFeinPhases) {
    b().block[0] = {1, 1};
    Transform(8, Accuracy::kExact);
    b().block[0] = {1, -1};
    Transform(8, Accuracy::kApproximate);
    EXPECT_DOUBLE_EQ(b().phases[100], kPi / 4);
}

TEST_F(FftTest, ThreeFourFiveInBothAccuracies) {
    for (auto [re, im] : {std::pair{3.0, 4.0}, {-3.0, -4.0}, {4.0, 3.0}, {-4.0, 3.0}}) {
        for (Accuracy accuracy : {Accuracy::kApproximate, Accuracy::kExact}) {
            b().block = {};
            b().block[0] = {re, im};
            Transform(10, accuracy);
            // "norm": the larger part plus 0.33 times the smaller one.
            const double bin = accuracy == Accuracy::kExact ? 5.0 / 1024 : 4.99 / 1024;
            EXPECT_NEAR(b().amplitudes[0], bin, 1e-17);
            for (int k = 1; k < 512; ++k) ASSERT_EQ(b().amplitudes[k], 2 * b().amplitudes[0]) << k;
        }
    }
}

// All the energy of e^(2 pi i m n / N) sits in bin m; the line shows it at m or at N - m, and
// not at all for m = N/2.
TEST_F(FftTest, ComplexExponentialLandsInItsBin) {
    for (int exponent : {7, 10}) {
        const int n = 1 << exponent;
        for (int m : {0, 3, n / 2 - 1, n / 2, n / 2 + 1, n - 3}) {
            for (Accuracy accuracy : {Accuracy::kApproximate, Accuracy::kExact}) {
                SCOPED_TRACE("N " + std::to_string(n) + " m " + std::to_string(m));
                for (int i = 0; i < n; ++i) {
                    const double angle = 2 * kPi * ((long(m) * i) % n) / n;
                    b().block[i] = {std::cos(angle), std::sin(angle)};
                }
                Transform(exponent, accuracy);
                const int row = m < n / 2 ? m : (m > n / 2 ? n - m : -1);
                for (int k = 0; k < n / 2; ++k)
                    ASSERT_NEAR(b().amplitudes[k], k == row ? 1.0 : 0.0, 1e-12) << k;
            }
        }
    }
}

TEST_F(FftTest, RealCosineShowsItsAmplitude) {
    const int n = 512, m = 37;
    const double amplitude = 2.5;
    for (Accuracy accuracy : {Accuracy::kApproximate, Accuracy::kExact}) {
        for (int i = 0; i < n; ++i) b().block[i] = {amplitude * std::cos(2 * kPi * m * i / n), 0};
        Transform(9, accuracy);
        EXPECT_NEAR(b().amplitudes[m], amplitude, 1e-12);
        EXPECT_NEAR(b().amplitudes[m + 1], 0.0, 1e-12);
    }
}

// Rows from N on and whatever earlier lines left in the buffers must not reach the line.
TEST_F(FftTest, LeftoversHaveNoInfluence) {
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> dist(-1.0, 1.0);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (int exponent = 7; exponent <= 10; ++exponent) {
        const int n = 1 << exponent;
        for (Accuracy accuracy : {Accuracy::kApproximate, Accuracy::kExact}) {
            auto clean = std::make_unique<FftBuffers>();
            for (int r = 0; r < n; ++r) clean->block[r] = {dist(rng), dist(rng)};
            b() = *clean;
            TransformLine(*clean, exponent, accuracy);
            for (int r = n; r < kTableSize; ++r) b().block[r] = {nan, nan};
            for (auto& row : b().work) row = {nan, 1e300};
            b().bins.fill(nan);
            b().amplitudes.fill(nan);
            Transform(exponent, accuracy);
            for (int k = 0; k < n / 2; ++k)
                ASSERT_EQ(Bits(b().amplitudes[k]), Bits(clean->amplitudes[k])) << "N " << n << " bin " << k;
        }
    }
}

// Above the tables the pass hands over levels; the line must be the one the block formed of them
// (rows x_i + i (x_i + x_{i+1}) / 2, peak 100, differenced) gives through the general transform.
TEST_F(FftTest, LargeBlockFromLevelsMatchesTheFormedBlock) {
    std::mt19937_64 rng(3);
    std::uniform_int_distribution<int> level(-128, 127);
    for (int exponent = 11; exponent <= 14; ++exponent) {
        const int n = 1 << exponent;
        std::vector<double> x(n + 1);
        // A tone over noise, so that the line has both strong and weak bins.
        for (int i = 0; i <= n; ++i)
            x[i] = std::clamp(std::round(90 * std::sin(0.3 * i) + level(rng) / 4.0), -128.0, 127.0);
        double peak = 0;
        for (int i = 0; i < n; ++i) peak = std::max(peak, std::fabs(x[i]) + std::fabs((x[i] + x[i + 1]) / 2));
        for (int i = 0; i < n; ++i) b().block[i] = {x[i] * 100 / peak, (x[i] + x[i + 1]) / 2 * 100 / peak};
        for (int i = 0; i + 1 < n; ++i)
            b().block[i] = {b().block[i].Re - b().block[i + 1].Re, b().block[i].Im - b().block[i + 1].Im};
        b().block[n - 1] = {0, 0};
        for (Accuracy accuracy : {Accuracy::kApproximate, Accuracy::kExact}) {
            SCOPED_TRACE("N = " + std::to_string(n));
            Transform(exponent, accuracy);
            const std::vector<double> amplitudes(b().amplitudes.begin(), b().amplitudes.begin() + n / 2);
            const std::vector<double> phases(b().phases.begin(), b().phases.begin() + n / 2);
            for (int i = 0; i <= n; ++i) b().levels[i] = static_cast<float>(x[i]);
            TransformLargeBlock(b(), exponent, accuracy);
            const double strongest = *std::max_element(amplitudes.begin(), amplitudes.end());
            for (int k = 0; k < n / 2; ++k) {
                ASSERT_NEAR(b().amplitudes[k], amplitudes[k], 1e-5 * strongest) << k;
                if (accuracy == Accuracy::kExact && amplitudes[k] > 0.01 * strongest) {
                    ASSERT_NEAR(std::remainder(b().phases[k] - phases[k], 2 * kPi), 0.0, 1e-3) << k;
                }
            }
        }
    }
}

TEST_F(FftTest, RefusesASizeOutsideTheSlider) {
    for (int exponent : {6, 15}) EXPECT_THROW(Transform(exponent, Accuracy::kApproximate), Failure) << exponent;
}

}  // namespace
