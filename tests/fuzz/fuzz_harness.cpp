#include "fuzz_harness.h"

#include "fft_engine.h"
#include "plot_canvas.h"
#include "recompute.h"
#include "runtime_error.h"
#include "session.h"
#include "spectrogram_pass.h"
#include "wav_reader.h"

#include <memory>

namespace pirolex::fuzz {

namespace {

// FFT size 128: the cheapest transform, and the widest bin spacing on the plot.
constexpr int32_t kFFTExponent = 7;
// Small enough to keep a recompute quick, large enough for labels and all 250 rows of 2D.
constexpr int kCanvasWidth = 300;
constexpr int kCanvasHeight = 150;
constexpr int kDesignWidth = 615;
constexpr int kLabelStrip = 21;
constexpr double kDesignBaseline = 250.0;
constexpr int32_t kBothChannels = 2;

// What the window has set by the time a file arrives: its start values, "beide", and its resize
// rule for a plot of the canvas size.
void StartValues(AnalysisState& state, FFTEngine& fft) {
    state.GraphMode = 2;
    state.AutoStep = true;
    state.DisplayFilter = true;
    state.ChannelSelect = kBothChannels;
    SetFFTExponent(state, kFFTExponent);
    FFTinit(state, fft);
    state.XScale = (kCanvasWidth - state.PlotLeft) / double(kDesignWidth - state.PlotLeft);
    state.BaselineY = kCanvasHeight - kLabelStrip;
    state.YScale = state.BaselineY / kDesignBaseline;
}

bool Consistent(const AnalysisState& state) {
    return state.StoredCount >= 0 && state.StoredCount <= state.SampleCount &&
           state.StoredCount <= kMaxFrames && state.SampleRate > 0;
}

// The load command: the parse, then what its caller sets (the reader leaves these alone).
bool Load(const uint8_t* data, size_t size, AnalysisState& state, Effects& effects,
          Outcome& outcome) {
    MemorySource source(data, size);
    state.WaveOpened = true;
    try {
        LoadWav(source, state, effects);
        state.FileLoaded = true;
        outcome.consistent = Consistent(state);
        if (state.AutoStep) state.LineStep = Optimum(state);
    } catch (const RuntimeError& e) {
        outcome.loadError = e.what();
        return false;
    }
    outcome.loaded = true;
    return outcome.consistent;
}

// A click on the picture's radio group: new mode, new line step, recompute at once.
ModeOutcome DrawMode(int32_t mode, Session& session, PlotCanvas& canvas, Effects& effects) {
    ModeOutcome result;
    const Controls controls;
    try {
        session.state.GraphMode = mode;
        session.state.LineStep = Optimum(session.state);
        Recompute(session, canvas, controls, effects);
    } catch (const RuntimeError& e) {
        result.error = e.what();
    }
    const PassState& pass = session.analysis.pass;
    result.lines = pass.LineCounter - (pass.EndOfData ? 1 : 0);
    return result;
}

}  // namespace

Outcome RunOneInput(const uint8_t* data, size_t size) {
    Outcome outcome;
    // A fresh session per input, so that every finding reproduces from its bytes alone.
    const auto session = std::make_unique<Session>();
    Effects effects;  // no pauses, no screen
    StartValues(session->state, session->analysis.fft);
    if (!Load(data, size, session->state, effects, outcome)) return outcome;
    PlotCanvas canvas(kCanvasWidth, kCanvasHeight);
    for (int32_t mode = 1; mode <= kGraphModes; ++mode)
        outcome.modes[mode - 1] = DrawMode(mode, *session, canvas, effects);
    return outcome;
}

}  // namespace pirolex::fuzz
