#pragma once
// The FFT engine: tables built once for 1024 points serve every size from 128 to 1024; FFTline
// turns the N complex samples in FFTInput into the folded magnitude line in FFTOutput.

#include "analysis_state.h"

#include <array>
#include <cstdint>

namespace pirolex {

inline constexpr int kTableSize = 1024;
inline constexpr int kLevels = 10;

struct ComplexRow {
    double Re = 0.0;
    double Im = 0.0;
};
struct PhaseRow {
    double Magnitude = 0.0;
    double Phase = 0.0;
};
struct TrigRow {
    double Sine = 0.0;
    double Cosine = 0.0;
};
struct LevelRow {
    int32_t Partner = 0;
    int32_t Upper = 0;
    int32_t Twiddle = 0;
};

struct FFTEngine {
    std::array<ComplexRow, kTableSize> FFTInput{};
    std::array<ComplexRow, kTableSize> FFTOutput{};
    std::array<PhaseRow, kTableSize> PhaseSpectrum{};
    std::array<TrigRow, kTableSize> TrigTable{};
    std::array<int32_t, kTableSize> BitReverse{};
    // Indexed [row][level], levels 1..10; index 0 is unused.
    std::array<std::array<LevelRow, kLevels + 1>, kTableSize> LevelTable{};
    int32_t FFTLevel = 0;
    // The plan's Twiddle of the upper rows of group g (rows 2gd + d .. 2gd + 2d - 1, which all
    // share it) at level j, as [j][g]: the same numbers as in LevelTable, packed into 4 KB per
    // level so that a line does not walk the whole plan for them.
    std::array<std::array<int32_t, kTableSize / 2>, kLevels + 1> GroupTwiddle{};
};

int32_t ZWEIpower(int32_t n);
int32_t Quersumme(int32_t n);
void FFTinit(AnalysisState& state, FFTEngine& fft);
// accuracy: 0 = "norm", 1 = "fein".
void FFTline(const AnalysisState& state, FFTEngine& fft, int accuracy);

}  // namespace pirolex
