#pragma once
// Everything a recompute reads and writes, one per program (the window owns it, on the heap).

#include "analysis_state.h"
#include "spectrogram_pass.h"

#include <cstdint>

namespace pirolex {

// Rows of the 2D picture; they persist between lines and passes.
struct RendererState {
    int32_t RowY = 0;
    int32_t PrevRowY = 0;
};

struct Session {
    AnalysisState state;
    Analysis analysis;
    RendererState renderer;
};

}  // namespace pirolex
