#pragma once
// The line filter: keeps the bins of a spectrum line that stand out of their 21-bin neighbourhood.

#include "analysis_state.h"
#include "controls.h"
#include "effects.h"
#include "fft_engine.h"

#include <cstdint>

namespace pirolex {

struct LineFilterState {
    int32_t FilterLimit = 20;  // threshold factor in tenths; carried from line to line
};

void LineFilter(const AnalysisState& state, FFTEngine& fft, LineFilterState& filter,
                const Controls& controls, Effects& effects);

}  // namespace pirolex
