// The FFT engine: start-up tables against their closed forms, the transform against a plain DFT,
// the magnitude and phase rules, and the fast level steps against the row-by-row reading.

#include "analysis_fixture.h"
#include "direct_stages.h"
#include "fft_engine.h"
#include "runtime_error.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <limits>
#include <numbers>
#include <set>

namespace {

using namespace pirolex;
using analysis_test::MakeAnalysis;
using analysis_test::MakeState;
using analysis_test::SameBuffers;

constexpr double kPi = std::numbers::pi;

class FFTEngineTest : public ::testing::Test {
protected:
    void SetUp() override { analysis_ = MakeAnalysis(); }
    FFTEngine& fft() { return analysis_->fft; }

    // The state of a size chosen by the track bar: mask and stride follow the exponent.
    std::unique_ptr<AnalysisState> Sized(int exponent) {
        auto state = MakeState(exponent);
        SetFFTExponent(*state, exponent);
        return state;
    }

    std::unique_ptr<Analysis> analysis_;
};

int ReverseTenBits(int i) {
    int r = 0;
    for (int bit = 0; bit < 10; ++bit)
        if (i & (1 << bit)) r |= 1 << (9 - bit);
    return r;
}

TEST(FFTHelpers, ZWEIpowerDoublesWithOverflowCheck) {
    EXPECT_EQ(ZWEIpower(0), 1);
    EXPECT_EQ(ZWEIpower(-4), 1);
    EXPECT_EQ(ZWEIpower(7), 128);
    EXPECT_EQ(ZWEIpower(10), 1024);
    EXPECT_EQ(ZWEIpower(30), 1 << 30);
    try {
        ZWEIpower(31);
        FAIL() << "2^31 does not fit a signed 32-bit integer";
    } catch (const RuntimeError& e) {
        EXPECT_STREQ(e.what(), "Integerüberlauf");
    }
}

TEST(FFTHelpers, QuersummeCountsTheLowTenBits) {
    const struct {
        int n, ones;
    } cases[] = {{0, 0}, {1, 1}, {5, 2}, {512, 1}, {1023, 10}, {1024, 0}, {1025, 1}, {4095, 10}};
    for (const auto& c : cases) EXPECT_EQ(Quersumme(c.n), c.ones) << c.n;
}

TEST_F(FFTEngineTest, InitSetsMaskAndStrideFromTheExponent) {
    const struct {
        int exponent, mask, stride;
    } cases[] = {{7, 127, 8}, {8, 255, 4}, {9, 511, 2}, {10, 1023, 1}};
    for (const auto& c : cases) {
        AnalysisState state;
        state.FFTExponent = c.exponent;
        FFTinit(state, fft());
        EXPECT_EQ(state.FFTMask, c.mask);
        EXPECT_EQ(state.TableStride, c.stride);
    }
}

TEST_F(FFTEngineTest, TrigTableHoldsTheRoundedAngles) {
    EXPECT_EQ(fft().TrigTable[0].Sine, 0.0);
    EXPECT_EQ(fft().TrigTable[0].Cosine, 1.0);
    // Not special-cased: the cosine of the double nearest pi/2.
    EXPECT_NE(fft().TrigTable[256].Cosine, 0.0);
    EXPECT_NEAR(fft().TrigTable[256].Cosine, 6.123233995736766e-17, 1e-30);
    EXPECT_EQ(fft().TrigTable[256].Sine, 1.0);
    // Sine and cosine of the angle as rounded to a double, correct to about half an ulp.
    for (int i = 0; i < 1024; ++i) {
        const long double theta = static_cast<double>(i * std::numbers::pi_v<long double> / 512);
        EXPECT_NEAR(fft().TrigTable[i].Sine, std::sin(theta), 1.2e-16) << i;
        EXPECT_NEAR(fft().TrigTable[i].Cosine, std::cos(theta), 1.2e-16) << i;
    }
}

TEST_F(FFTEngineTest, BitReverseSwapsTheTenLowBits) {
    EXPECT_EQ(fft().BitReverse[1], 512);
    EXPECT_EQ(fft().BitReverse[3], 768);
    EXPECT_EQ(fft().BitReverse[1023], 1023);
    for (int i = 0; i < 1024; ++i) EXPECT_EQ(fft().BitReverse[i], ReverseTenBits(i)) << i;
}

TEST_F(FFTEngineTest, LevelTableFollowsItsClosedForm) {
    for (int j = 1; j <= 10; ++j) {
        const int d = 1 << (10 - j);
        std::set<int> distinct;
        for (int k = 0; k < 1024; ++k) {
            const LevelRow& row = fft().LevelTable[k][j];
            const int upper = (k / d) % 2;
            ASSERT_EQ(row.Partner, k ^ d) << "row " << k << " level " << j;
            ASSERT_EQ(row.Upper, upper) << "row " << k << " level " << j;
            const int twiddle = upper == 1 && j > 1 ? ReverseTenBits(k / d - 1) : 0;
            ASSERT_EQ(row.Twiddle, twiddle) << "row " << k << " level " << j;
            distinct.insert(row.Twiddle);
        }
        EXPECT_EQ(distinct.size(), size_t{1} << (j - 1)) << "level " << j;
    }
    EXPECT_EQ(fft().LevelTable[767][2].Twiddle, 0);
    EXPECT_EQ(fft().LevelTable[768][2].Twiddle, 256);
    EXPECT_EQ(fft().LevelTable[1023][2].Twiddle, 256);
    EXPECT_EQ(fft().LevelTable[3][10].Twiddle, 256);
    EXPECT_EQ(fft().LevelTable[5][10].Twiddle, 128);
    EXPECT_EQ(fft().LevelTable[7][10].Twiddle, 384);
}

TEST_F(FFTEngineTest, EachRowsTwiddlesAddUpToItsTarget) {
    for (int i = 0; i < 1024; ++i) {
        int sum = 0;
        for (int j = 1; j <= 10; ++j) sum += fft().LevelTable[i][j].Twiddle;
        const int target = (i * ReverseTenBits(i) + 512 * (std::popcount(unsigned(i)) % 2)) % 1024;
        EXPECT_EQ(sum % 1024, target) << i;
    }
}

// Random complex input against the O(N^2) DFT, in every size and both accuracies.
TEST_F(FFTEngineTest, MatchesThePlainDft) {
    std::mt19937_64 rng(42);
    std::uniform_real_distribution<double> dist(-1.0, 1.0);
    for (int exponent = 7; exponent <= 10; ++exponent) {
        for (int accuracy : {0, 1}) {
            SCOPED_TRACE("N = " + std::to_string(1 << exponent) +
                         (accuracy ? " fein" : " norm"));
            auto state = Sized(exponent);
            const int n = 1 << exponent;
            std::vector<std::complex<double>> x(n);
            for (int i = 0; i < n; ++i) {
                x[i] = {dist(rng), dist(rng)};
                fft().FFTInput[i] = {x[i].real(), x[i].imag()};
            }
            const auto expected = direct::Dft(x);
            FFTline(*state, fft(), accuracy);

            long double rms = 0;
            for (const auto& v : expected) rms += std::norm(v);
            const double scale = std::sqrt(static_cast<double>(rms / n)) / n;
            std::vector<double> bin(n);
            for (int k = 0; k < n; ++k) {
                const double re = static_cast<double>(expected[k].real());
                const double im = static_cast<double>(expected[k].imag());
                if (accuracy == 1) {
                    bin[k] = std::hypot(re, im) / n;
                    const double phase = im != 0 ? std::atan2(re, im) : 0.0;
                    EXPECT_NEAR(std::remainder(fft().PhaseSpectrum[k].Phase - phase, 2 * kPi),
                                0.0, 1e-9)
                        << k;
                } else {
                    const double a = std::fabs(re), b = std::fabs(im);
                    bin[k] = (std::max(a, b) + 0.33 * std::min(a, b)) / n;
                }
                ASSERT_NEAR(fft().FFTInput[k].Re, bin[k], 1e-9 * scale) << "bin " << k;
            }
            EXPECT_NEAR(fft().FFTOutput[0].Re, bin[0], 1e-9 * scale);
            for (int k = 1; k < n / 2; ++k)
                ASSERT_NEAR(fft().FFTOutput[k].Re, bin[k] + bin[n - k], 2e-9 * scale) << k;
            if (accuracy == 1) {
                // The transform itself stays behind in bit-reversed order.
                for (int r = n / 2; r < n; ++r) {
                    const auto& v = expected[fft().BitReverse[r] / state->TableStride];
                    ASSERT_NEAR(fft().FFTOutput[r].Re, static_cast<double>(v.real()),
                                1e-9 * scale * n);
                    ASSERT_NEAR(fft().FFTOutput[r].Im, static_cast<double>(v.imag()),
                                1e-9 * scale * n);
                }
            }
        }
    }
}

// An impulse at row 0 reaches every bin unchanged, so it sets one exact value for all bins.
TEST_F(FFTEngineTest, PhaseTakesReAsYAndZeroImAsZero) {
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
    auto state = Sized(8);
    for (const auto& c : cases) {
        fft().FFTInput = {};
        fft().FFTInput[0] = {c.re, c.im};
        FFTline(*state, fft(), 1);
        for (int k = 0; k < 256; ++k)
            ASSERT_DOUBLE_EQ(fft().PhaseSpectrum[k].Phase, c.phase)
                << "(" << c.re << ", " << c.im << ") bin " << k;
    }
}

TEST_F(FFTEngineTest, ThreeFourFiveInBothAccuracies) {
    auto state = Sized(10);
    for (auto [re, im] : {std::pair{3.0, 4.0}, {-3.0, -4.0}, {4.0, 3.0}, {-4.0, 3.0}}) {
        for (int accuracy : {0, 1}) {
            fft().FFTInput = {};
            fft().FFTInput[0] = {re, im};
            FFTline(*state, fft(), accuracy);
            // "norm": the larger part plus 0.33 times the smaller one.
            const double bin = fft().FFTInput[700].Re;
            EXPECT_NEAR(bin, accuracy == 1 ? 5.0 / 1024 : 4.99 / 1024, 1e-17);
            EXPECT_EQ(fft().FFTOutput[0].Re, bin);
            for (int k = 1; k < 512; ++k) ASSERT_EQ(fft().FFTOutput[k].Re, 2 * bin) << k;
        }
    }
}

// All the energy of e^(2 pi i m n / N) sits in bin m; the line shows it at m or at N - m, and
// not at all for m = N/2.
TEST_F(FFTEngineTest, ComplexExponentialLandsInItsBin) {
    for (int exponent : {7, 10}) {
        const int n = 1 << exponent;
        auto state = Sized(exponent);
        for (int m : {0, 3, n / 2 - 1, n / 2, n / 2 + 1, n - 3}) {
            for (int accuracy : {0, 1}) {
                SCOPED_TRACE("N " + std::to_string(n) + " m " + std::to_string(m) + " acc " +
                             std::to_string(accuracy));
                for (int i = 0; i < n; ++i) {
                    const double angle = 2 * kPi * ((long(m) * i) % n) / n;
                    fft().FFTInput[i] = {std::cos(angle), std::sin(angle)};
                }
                FFTline(*state, fft(), accuracy);
                EXPECT_NEAR(fft().FFTInput[m].Re, 1.0, 1e-12);
                const int row = m < n / 2 ? m : (m > n / 2 ? n - m : -1);
                for (int k = 0; k < n / 2; ++k)
                    ASSERT_NEAR(fft().FFTOutput[k].Re, k == row ? 1.0 : 0.0, 1e-12) << k;
            }
        }
    }
}

TEST_F(FFTEngineTest, RealCosineShowsItsAmplitude) {
    auto state = Sized(9);
    const int n = 512, m = 37;
    const double amplitude = 2.5;
    for (int accuracy : {0, 1}) {
        for (int i = 0; i < n; ++i)
            fft().FFTInput[i] = {amplitude * std::cos(2 * kPi * m * i / n), 0};
        FFTline(*state, fft(), accuracy);
        EXPECT_NEAR(fft().FFTOutput[m].Re, amplitude, 1e-12);
        EXPECT_NEAR(fft().FFTOutput[m + 1].Re, 0.0, 1e-12);
    }
}

// Rows from N on and the previous content of FFTOutput must not reach the line: poison them.
TEST_F(FFTEngineTest, LeftoversHaveNoInfluence) {
    std::mt19937_64 rng(7);
    for (int exponent = 7; exponent <= 10; ++exponent) {
        auto state = Sized(exponent);
        const int n = 1 << exponent;
        for (int accuracy : {0, 1}) {
            FFTEngine& e = fft();
            analysis_test::FillRandom(e.FFTInput, rng);
            const auto block = e.FFTInput;
            e.FFTOutput = {};
            FFTline(*state, e, accuracy);
            const auto clean = e.FFTOutput;

            const double nan = std::numeric_limits<double>::quiet_NaN();
            e.FFTInput = block;
            for (int r = n; r < 1024; ++r) e.FFTInput[r] = {nan, nan};
            for (auto& row : e.FFTOutput) row = {nan, 1e300};
            FFTline(*state, e, accuracy);
            for (int k = 0; k < n / 2; ++k)
                ASSERT_EQ(analysis_test::Bits(e.FFTOutput[k].Re),
                          analysis_test::Bits(clean[k].Re))
                    << "N " << n << " row " << k;
        }
    }
}

// The fused in-place levels against the row-by-row twiddle and butterfly passes, bit for bit,
// leftovers included, over a run of lines of changing size and accuracy.
TEST_F(FFTEngineTest, FusedLevelsMatchTheRowByRowReading) {
    std::mt19937_64 rng(11);
    auto reference = std::make_unique<FFTEngine>(fft());
    analysis_test::FillRandom(fft().FFTOutput, rng);
    analysis_test::FillRandom(fft().PhaseSpectrum, rng);
    *reference = fft();
    std::uniform_int_distribution<int> pick(0, 7);
    for (int line = 0; line < 32; ++line) {
        const int exponent = 7 + pick(rng) % 4;
        const int accuracy = pick(rng) % 2;
        auto state = Sized(exponent);
        analysis_test::FillRandom(fft().FFTInput, rng, 100.0);
        // Zeros of both signs and repeated values, as differenced 8-bit blocks have them.
        for (int r = 0; r < (1 << exponent); ++r) {
            auto& row = fft().FFTInput[r];
            if (line % 2 == 1 && pick(rng) < 3) row = {pick(rng) < 4 ? 0.0 : -0.0, -0.0};
            if (line % 4 == 2) row = {std::round(row.Re / 25), std::round(row.Im / 25) / 2};
            // Only negative zeros tell a skipped twiddle from a multiplication by (1, 0).
            if (line % 8 == 5) row = {-0.0, -0.0};
            reference->FFTInput[r] = row;
        }
        FFTline(*state, fft(), accuracy);
        direct::FFTline(*state, *reference, accuracy);
        ASSERT_TRUE(SameBuffers(*reference, fft()))
            << "line " << line << " N " << (1 << exponent) << " accuracy " << accuracy;
    }
}

TEST_F(FFTEngineTest, RefusesASizeItsTablesCannotServe) {
    auto state = Sized(10);
    state->FFTMask = 2047;
    EXPECT_THROW(FFTline(*state, fft(), 0), RuntimeError);
}

}  // namespace
