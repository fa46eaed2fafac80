// What a recompute costs: the full recompute of a 700000-frame stereo fly-by ("beide", 2D,
// N = 1024, constant points per line) with the renderer, the analysis alone, and one transform
// and one filter run on their own. The "Direct" variants run the plain readings of the stages
// (tests/analysis/direct_stages) on the same data, for comparison.
//
//   ./build/bench/pirolex_bench --benchmark_filter=Recompute
//   ./build/bench/pirolex_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true

#include "analysis_state.h"
#include "direct_stages.h"
#include "effects.h"
#include "plot_canvas.h"
#include "recompute.h"
#include "session.h"
#include "spectrogram_pass.h"
#include "vector_state.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <random>
#include <vector>

namespace {

using namespace pirolex;

constexpr int kRate = 44100;

// Other work on a shared machine only ever adds time, so with --benchmark_repetitions the
// smallest repetition is the steadiest figure.
double Fastest(const std::vector<double>& times) {
    return *std::min_element(times.begin(), times.end());
}
void Steady(benchmark::internal::Benchmark* b) { b->ComputeStatistics("min", Fastest); }
constexpr auto kMs = benchmark::kMillisecond;
constexpr auto kUs = benchmark::kMicrosecond;

// A model engine passing by: a tone with two harmonics whose pitch falls from 3300 Hz to 2700 Hz
// around the middle of the recording, loudest at the pass, over a little wind noise.
void RecordFlyBy(AnalysisState& state) {
    std::mt19937 rng(1);
    std::normal_distribution<double> wind(0.0, 4.0);
    double phase = 0.0;
    for (int32_t i = 1; i <= kMaxFrames; ++i) {
        const double t = double(i - kMaxFrames / 2) / kRate;
        const double pitch = 3000 - 300 * std::tanh(t / 1.5);
        phase += 2 * std::numbers::pi * pitch / kRate;
        const double loudness = 60 / (1 + t * t);
        const double engine =
            loudness * (std::sin(phase) + 0.4 * std::sin(2 * phase) + 0.2 * std::sin(3 * phase));
        for (int ch : {kLeft, kRight}) {
            const double v = 128 + engine * (ch == kLeft ? 1.0 : 0.8) + wind(rng);
            state.Samples[ch][i] = uint8_t(std::clamp(std::lround(v), 0L, 255L));
        }
    }
    state.SampleCount = state.StoredCount = kMaxFrames;
    state.SampleRate = kRate;
    state.Channels = 2;
    state.FileLoaded = state.WaveOpened = true;
}

// The session as the window leaves it after loading the fly-by with the start-up defaults and
// choosing "beide".
std::unique_ptr<Session> LoadedSession() {
    auto session = std::make_unique<Session>();
    AnalysisState& state = session->state;
    state.FFTExponent = 10;
    FFTinit(state, session->analysis.fft);
    state.GraphMode = 2;
    state.AutoStep = state.DisplayFilter = true;
    state.ChannelSelect = 2;
    RecordFlyBy(state);
    state.LineStep = Optimum(state);
    return session;
}

Controls WithAccuracy(int accuracy) {
    Controls controls;
    controls.Accuracy = accuracy;
    return controls;
}

int LinesPerRecompute(Session& session) {
    int lines = 0;
    Effects none;
    for (int channel : {kLeft, kRight}) {
        session.state.DrawChannel = channel;
        ChannelPass(session.state, session.analysis, Controls{}, none, [&] { ++lines; });
    }
    return lines;
}

void BM_Recompute(benchmark::State& run, int accuracy) {
    auto session = LoadedSession();
    PlotCanvas canvas(615, 271);
    Effects effects;
    const Controls controls = WithAccuracy(accuracy);
    const int lines = LinesPerRecompute(*session);
    ClearUpperVectorState();  // whatever ran before may have left Qt's AVX state behind
    for (auto _ : run) {
        Recompute(*session, canvas, controls, effects);
        benchmark::ClobberMemory();
    }
    run.SetItemsProcessed(run.iterations() * lines);
    run.counters["lines"] = lines;
}
BENCHMARK_CAPTURE(BM_Recompute, Norm, 0)->Unit(kMs)->Apply(Steady);
BENCHMARK_CAPTURE(BM_Recompute, Fein, 1)->Unit(kMs)->Apply(Steady);

// Both channel passes without the renderer; `plain` runs the plain readings of the stages.
void BM_RecomputeAnalysisOnly(benchmark::State& run, bool plain, int accuracy) {
    auto session = LoadedSession();
    Effects effects;
    const Controls controls = WithAccuracy(accuracy);
    const int lines = LinesPerRecompute(*session);
    ClearUpperVectorState();  // whatever ran before may have left Qt's AVX state behind
    for (auto _ : run) {
        for (int channel : {kLeft, kRight}) {
            session->state.DrawChannel = channel;
            if (plain)
                direct::ChannelPass(session->state, session->analysis, controls, effects, {});
            else
                ChannelPass(session->state, session->analysis, controls, effects, {});
        }
        benchmark::ClobberMemory();
    }
    run.SetItemsProcessed(run.iterations() * lines);
}
BENCHMARK_CAPTURE(BM_RecomputeAnalysisOnly, Norm, false, 0)->Unit(kMs)->Apply(Steady);
BENCHMARK_CAPTURE(BM_RecomputeAnalysisOnly, Fein, false, 1)->Unit(kMs)->Apply(Steady);
BENCHMARK_CAPTURE(BM_RecomputeAnalysisOnly, DirectNorm, true, 0)->Unit(kMs)->Apply(Steady);
BENCHMARK_CAPTURE(BM_RecomputeAnalysisOnly, DirectFein, true, 1)->Unit(kMs)->Apply(Steady);

// A block from the middle of the fly-by, ready for the transform (stages 1 to 3 done).
std::unique_ptr<Session> SessionAtPass() {
    auto session = LoadedSession();
    PassState pass{kMaxFrames / 2, false, 0, 0};
    TakeBlock(session->state, session->analysis.fft, pass);
    NormPeak(session->state, session->analysis.fft);
    DiffBlock(session->state, session->analysis.fft);
    return session;
}

void BM_FFTline(benchmark::State& run, bool plain, int accuracy) {
    auto session = SessionAtPass();
    FFTEngine& fft = session->analysis.fft;
    const auto block = fft.FFTInput;
    ClearUpperVectorState();  // whatever ran before may have left Qt's AVX state behind
    for (auto _ : run) {
        fft.FFTInput = block;
        if (plain)
            direct::FFTline(session->state, fft, accuracy);
        else
            FFTline(session->state, fft, accuracy);
        benchmark::DoNotOptimize(fft.FFTOutput[0].Re);
    }
}
BENCHMARK_CAPTURE(BM_FFTline, Norm, false, 0)->Unit(kUs)->Apply(Steady);
BENCHMARK_CAPTURE(BM_FFTline, Fein, false, 1)->Unit(kUs)->Apply(Steady);
BENCHMARK_CAPTURE(BM_FFTline, DirectNorm, true, 0)->Unit(kUs)->Apply(Steady);
BENCHMARK_CAPTURE(BM_FFTline, DirectFein, true, 1)->Unit(kUs)->Apply(Steady);

// One filter run on a line of the fly-by: with a limit that has settled (one iteration), and on
// a silent line, which always takes all 21 iterations.
void BM_LineFilter(benchmark::State& run, bool plain, bool silent) {
    auto session = SessionAtPass();
    FFTEngine& fft = session->analysis.fft;
    FFTline(session->state, fft, 0);
    NormMean(session->state, fft);
    if (silent) fft.FFTOutput = {};
    Effects effects;
    const Controls controls;
    LineFilterState settled;
    for (int i = 0; i < 40; ++i) {
        auto scratch = std::make_unique<FFTEngine>(fft);
        LineFilter(session->state, *scratch, settled, controls, effects);
    }
    const auto line = fft.FFTOutput;
    ClearUpperVectorState();  // whatever ran before may have left Qt's AVX state behind
    for (auto _ : run) {
        fft.FFTOutput = line;
        LineFilterState filter = settled;
        if (plain)
            direct::LineFilter(session->state, fft, filter, controls, effects);
        else
            LineFilter(session->state, fft, filter, controls, effects);
        benchmark::DoNotOptimize(fft.FFTOutput[100].Re);
    }
}
BENCHMARK_CAPTURE(BM_LineFilter, Settled, false, false)->Unit(kUs)->Apply(Steady);
BENCHMARK_CAPTURE(BM_LineFilter, Silent, false, true)->Unit(kUs)->Apply(Steady);
BENCHMARK_CAPTURE(BM_LineFilter, DirectSettled, true, false)->Unit(kUs)->Apply(Steady);
BENCHMARK_CAPTURE(BM_LineFilter, DirectSilent, true, true)->Unit(kUs)->Apply(Steady);

}  // namespace
