#pragma once
// Helpers shared by the analysis suites: a state and engine on the heap (the sample store alone is
// 1.4 MB), an Effects fake that records what it is told, and a bit-exact buffer comparison.

#include "analysis_state.h"
#include "effects.h"
#include "fft_engine.h"
#include "spectrogram_pass.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace analysis_test {

inline std::unique_ptr<pirolex::AnalysisState> MakeState(int exponent) {
    auto state = std::make_unique<pirolex::AnalysisState>();
    state->FFTExponent = exponent;
    state->WaveOpened = true;
    state->DisplayFilter = true;
    return state;
}

// Tables built once; the tables do not depend on the size.
inline std::unique_ptr<pirolex::Analysis> MakeAnalysis() {
    auto analysis = std::make_unique<pirolex::Analysis>();
    pirolex::AnalysisState scratch;
    scratch.FFTExponent = 10;
    pirolex::FFTinit(scratch, analysis->fft);
    return analysis;
}

class RecordingEffects : public pirolex::Effects {
public:
    void LimLabel(const std::string& text) override { limLabels.push_back(text); }
    void CFARLabel(const std::string& text) override { cfarLabels.push_back(text); }
    void ShowGauge(bool visible) override { gauge.push_back(visible); }
    void PlotNotice(const std::string& text) override { notices.push_back(text); }

    std::vector<std::string> limLabels;
    std::vector<std::string> cfarLabels;
    std::vector<bool> gauge;
    std::vector<std::string> notices;
};

inline double& First(pirolex::ComplexRow& row) { return row.Re; }
inline double& Second(pirolex::ComplexRow& row) { return row.Im; }
inline double& First(pirolex::PhaseRow& row) { return row.Magnitude; }
inline double& Second(pirolex::PhaseRow& row) { return row.Phase; }
inline double First(const pirolex::ComplexRow& row) { return row.Re; }
inline double Second(const pirolex::ComplexRow& row) { return row.Im; }
inline double First(const pirolex::PhaseRow& row) { return row.Magnitude; }
inline double Second(const pirolex::PhaseRow& row) { return row.Phase; }

// Fills every row of a buffer, leftover rows included, with values in [-scale, scale).
template <typename Rows>
void FillRandom(Rows& rows, std::mt19937_64& rng, double scale = 1.0) {
    std::uniform_real_distribution<double> dist(-scale, scale);
    for (auto& row : rows) {
        First(row) = dist(rng);
        Second(row) = dist(rng);
    }
}

inline uint64_t Bits(double x) { return std::bit_cast<uint64_t>(x); }

// Rows of two doubles compared by their bit patterns, so -0 and +0 or two NaNs are told apart.
template <typename Rows>
::testing::AssertionResult SameBits(const Rows& expected, const Rows& actual) {
    for (size_t r = 0; r < expected.size(); ++r) {
        const double e[2] = {First(expected[r]), Second(expected[r])};
        const double a[2] = {First(actual[r]), Second(actual[r])};
        for (int f = 0; f < 2; ++f)
            if (Bits(e[f]) != Bits(a[f]))
                return ::testing::AssertionFailure()
                       << "row " << r << " field " << f << ": expected " << e[f] << ", got "
                       << a[f];
    }
    return ::testing::AssertionSuccess();
}

inline ::testing::AssertionResult SameBuffers(const pirolex::FFTEngine& expected,
                                              const pirolex::FFTEngine& actual) {
    if (auto r = SameBits(expected.FFTInput, actual.FFTInput); !r) return r << " (FFTInput)";
    if (auto r = SameBits(expected.FFTOutput, actual.FFTOutput); !r) return r << " (FFTOutput)";
    if (auto r = SameBits(expected.PhaseSpectrum, actual.PhaseSpectrum); !r)
        return r << " (PhaseSpectrum)";
    if (expected.FFTLevel != actual.FFTLevel)
        return ::testing::AssertionFailure() << "FFTLevel " << expected.FFTLevel << " vs "
                                             << actual.FFTLevel;
    return ::testing::AssertionSuccess();
}

}  // namespace analysis_test
