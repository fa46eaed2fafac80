#pragma once
// The analysis stages written the plain way: row by row through the plan's tables, the filter's
// window summed afresh for every bin in every iteration, divisions where the rule divides. Slow
// and obvious, they are the yardstick for the fast stages (tests compare bit for bit) and the
// "before" figure of the benchmarks. They share the engine's buffers and tables, so both can
// start from the same state, leftovers included.

#include "analysis_state.h"
#include "controls.h"
#include "effects.h"
#include "fft_engine.h"
#include "line_filter.h"
#include "spectrogram_pass.h"

#include <complex>
#include <vector>

namespace direct {

void FFTtwiddle(const pirolex::AnalysisState& state, pirolex::FFTEngine& fft);
void FFTbutterfly(const pirolex::AnalysisState& state, pirolex::FFTEngine& fft);
void FFTline(const pirolex::AnalysisState& state, pirolex::FFTEngine& fft, int accuracy);

void LineFilter(const pirolex::AnalysisState& state, pirolex::FFTEngine& fft,
                pirolex::LineFilterState& filter, const pirolex::Controls& controls,
                pirolex::Effects& effects);

void TakeBlock(const pirolex::AnalysisState& state, pirolex::FFTEngine& fft,
               pirolex::PassState& pass);
void NormPeak(const pirolex::AnalysisState& state, pirolex::FFTEngine& fft);
void DiffBlock(const pirolex::AnalysisState& state, pirolex::FFTEngine& fft);
void NormMean(const pirolex::AnalysisState& state, pirolex::FFTEngine& fft);

void ChannelPass(pirolex::AnalysisState& state, pirolex::Analysis& analysis,
                 const pirolex::Controls& controls, pirolex::Effects& effects,
                 const pirolex::LineSink& grafik);

// X[k] = sum over n of x[n] e^(-2 pi i n k / N), in long double, O(N^2).
std::vector<std::complex<long double>> Dft(const std::vector<std::complex<double>>& x);

}  // namespace direct
