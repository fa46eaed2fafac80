#include "analysis_state.h"

#include "runtime_error.h"

namespace pirolex {

void SetFFTExponent(AnalysisState& state, int32_t exponent) {
    int32_t size = 1;
    for (int32_t i = 0; i < exponent; ++i) size = CheckedMul(size, 2);
    state.FFTExponent = exponent;
    state.TableStride = 1024 / size;
    state.FFTMask = size - 1;
}

}  // namespace pirolex
