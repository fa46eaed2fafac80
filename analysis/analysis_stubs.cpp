// Temporary: empty bodies until the engine, the filter and the pass are written.
#include "spectrogram_pass.h"

namespace pirolex {
int32_t ZWEIpower(int32_t n) { int32_t r = 1; for (int32_t i = 0; i < n; ++i) r *= 2; return r; }
int32_t Quersumme(int32_t) { return 0; }
void FFTinit(AnalysisState& state, FFTEngine&) { SetFFTExponent(state, state.FFTExponent); }
void FFTline(const AnalysisState&, FFTEngine&, int) {}
void LineFilter(const AnalysisState&, FFTEngine&, LineFilterState&, const Controls&, Effects&) {}
int32_t Optimum(const AnalysisState&) { return 0; }
void ChannelPass(AnalysisState&, Analysis&, const Controls&, Effects&, const LineSink&) {}
}  // namespace pirolex
