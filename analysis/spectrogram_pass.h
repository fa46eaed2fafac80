#pragma once
// The spectrogram pass: up to 250 lines per channel, each taken from the sample store, scaled,
// differenced, transformed, normalised, filtered and handed at once to the renderer.

#include "analysis_state.h"
#include "controls.h"
#include "effects.h"
#include "fft_engine.h"
#include "line_filter.h"

#include <cstdint>
#include <functional>
#include <string>

namespace pirolex {

struct PassState {
    int32_t SamplePos = 0;
    bool EndOfData = false;
    int32_t LineCounter = 0;
    int32_t LineStart = 0;
};

// Everything the analysis keeps between lines, passes and recomputes.
struct Analysis {
    FFTEngine fft;
    PassState pass;
    LineFilterState filter;
};

// The line step for the current GraphMode, from SampleCount and FFTMask; never negative.
int32_t Optimum(const AnalysisState& state);

// What the window and the command line say when the recording has no complete block of the
// current FFT size, e.g. "Aufnahme kürzer als ein FFT-Block (1024 Samples)".
std::string ShortRecordingNotice(const AnalysisState& state);

// Called once per finished line; the renderer (grafik) in the program.
using LineSink = std::function<void()>;

// One pass over channel state.DrawChannel. Ends with the gauge hidden. Without one complete
// block it hands the renderer only the frame (EndOfData set) and gives ShortRecordingNotice to
// effects.PlotNotice.
void ChannelPass(AnalysisState& state, Analysis& analysis, const Controls& controls,
                 Effects& effects, const LineSink& grafik);

// The stages of one line, in the order the pass runs them (FFTline and LineFilter sit between).
// Stage 1: N complex samples from frame pass.SamplePos on into FFTInput; sets EndOfData, and
// SamplePos to that first frame + 4 * LineStep.
void TakeBlock(const AnalysisState& state, FFTEngine& fft, PassState& pass);
// Stage 2: scales the block so that its largest |Re| + |Im| is 100.
void NormPeak(const AnalysisState& state, FFTEngine& fft);
// Stage 3: first difference; the last entry becomes 0.
void DiffBlock(const AnalysisState& state, FFTEngine& fft);
// Stage 5: divides the line by its mean over bins 20..N/2-1.
void NormMean(const AnalysisState& state, FFTEngine& fft);

}  // namespace pirolex
