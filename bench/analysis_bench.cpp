// What a recompute costs: the full recompute of a 700000-frame stereo fly-by ("beide", 2D,
// N = 1024, constant points per line) with the renderer, the analysis alone, and one transform
// and one filter run on their own.
//
//   ./build/bench/pirolex_bench --benchmark_filter=Recompute
//   ./build/bench/pirolex_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true

#include "loudness_overview.h"
#include "picture.h"
#include "plot_canvas.h"
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
// around the middle of the recording, loudest at the pass, over a little wind noise. Its samples
// carry 8-bit levels, as a recording the pictures were first drawn from.
Recording FlyBy() {
    std::mt19937 rng(1);
    std::normal_distribution<double> wind(0.0, 4.0);
    Recording r;
    r.sampleRate = kRate;
    r.channels.assign(2, std::vector<int16_t>(kMaxFrames));
    double phase = 0.0;
    for (int32_t i = 1; i <= kMaxFrames; ++i) {
        const double t = double(i - kMaxFrames / 2) / kRate;
        const double pitch = 3000 - 300 * std::tanh(t / 1.5);
        phase += 2 * std::numbers::pi * pitch / kRate;
        const double loudness = 60 / (1 + t * t);
        const double engine =
            loudness * (std::sin(phase) + 0.4 * std::sin(2 * phase) + 0.2 * std::sin(3 * phase));
        for (int ch : {0, 1}) {
            const double v = 128 + engine * (ch == 0 ? 1.0 : 0.8) + wind(rng);
            r.channels[ch][i - 1] = int16_t((std::clamp(std::lround(v), 0L, 255L) - 128) * 256);
        }
    }
    return r;
}

// The window after loading the fly-by with the start-up settings and choosing "beide".
Settings BothChannels(Accuracy accuracy) {
    Settings s = StartupSettings();
    s.channel = Channel::kBoth;
    s.accuracy = accuracy;
    return s;
}

int32_t Step(const Recording& r, const Settings& s) { return LineStep(s.picture, r.FrameCount(), s.FftMask()); }

void BM_Recompute(benchmark::State& run, Accuracy accuracy) {
    const Recording recording = FlyBy();
    const Settings settings = BothChannels(accuracy);
    auto state = std::make_unique<PictureState>();
    PlotCanvas canvas(615, 271);
    const PlotView view = ViewForImage({615, 271});
    PlotEffects effects;
    int lines = 0;
    ClearUpperVectorState();  // whatever ran before may have left Qt's AVX state behind
    for (auto _ : run) {
        lines = DrawPicture(recording, settings, Step(recording, settings), *state, canvas, view, effects).lines;
        benchmark::ClobberMemory();
    }
    run.SetItemsProcessed(run.iterations() * 2 * lines);
    run.counters["lines"] = 2 * lines;
}
BENCHMARK_CAPTURE(BM_Recompute, Norm, Accuracy::kApproximate)->Unit(kMs)->Apply(Steady);
BENCHMARK_CAPTURE(BM_Recompute, Fein, Accuracy::kExact)->Unit(kMs)->Apply(Steady);

// The same recompute ("norm") at each FFT size from 1024 up, side by side: the large sizes
// transform longer blocks through FFTW and draw many bins per column.
void BM_RecomputeFftSize(benchmark::State& run) {
    const Recording recording = FlyBy();
    Settings settings = BothChannels(Accuracy::kApproximate);
    settings.fftExponent = static_cast<int32_t>(std::lround(std::log2(run.range(0))));
    auto state = std::make_unique<PictureState>();
    PlotCanvas canvas(615, 271);
    const PlotView view = ViewForImage({615, 271});
    PlotEffects effects;
    ClearUpperVectorState();
    for (auto _ : run) {
        DrawPicture(recording, settings, Step(recording, settings), *state, canvas, view, effects);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_RecomputeFftSize)->ArgName("fft")->RangeMultiplier(2)->Range(1024, 16384)->Unit(kMs)->Apply(Steady);

// Both channel passes without the renderer.
void BM_RecomputeAnalysisOnly(benchmark::State& run, Accuracy accuracy) {
    const Recording recording = FlyBy();
    const Settings settings = BothChannels(accuracy);
    auto buffers = std::make_unique<FftBuffers>();
    int32_t limit = kStartFilterLimit;
    int lines = 0;
    ClearUpperVectorState();  // whatever ran before may have left Qt's AVX state behind
    for (auto _ : run) {
        lines = 0;
        for (int channel : {0, 1}) {
            const PassEnd end = RunSpectrogramPass(PictureSamples(recording, channel), settings,
                                                   Step(recording, settings), limit, *buffers, {});
            limit = end.filterLimit;
            lines += end.lines;
        }
        benchmark::ClobberMemory();
    }
    run.SetItemsProcessed(run.iterations() * lines);
}
BENCHMARK_CAPTURE(BM_RecomputeAnalysisOnly, Norm, Accuracy::kApproximate)->Unit(kMs)->Apply(Steady);
BENCHMARK_CAPTURE(BM_RecomputeAnalysisOnly, Fein, Accuracy::kExact)->Unit(kMs)->Apply(Steady);

// The 1024-point block of the fly-by's middle, as the pass hands it to the transform, taken
// from the pass's line there.
std::unique_ptr<FftBuffers> BuffersAtPass(const Recording& recording, std::vector<double>* line) {
    auto buffers = std::make_unique<FftBuffers>();
    Settings settings = BothChannels(Accuracy::kApproximate);
    int32_t limit = kStartFilterLimit;
    auto block = std::make_unique<decltype(FftBuffers::block)>();
    RunSpectrogramPass(PictureSamples(recording, 0), settings, Step(recording, settings), limit,
                       *buffers, [&](const SpectrumLine& l) {
                           if (l.number != 100) return;
                           *block = buffers->block;
                           if (line) line->assign(l.amplitudes.begin(), l.amplitudes.end());
                       });
    buffers->block = *block;
    return buffers;
}

void BM_TransformLine(benchmark::State& run, Accuracy accuracy) {
    const Recording recording = FlyBy();
    auto buffers = BuffersAtPass(recording, nullptr);
    ClearUpperVectorState();  // whatever ran before may have left Qt's AVX state behind
    for (auto _ : run) {
        TransformLine(*buffers, kLargestFftExponent, accuracy);
        benchmark::DoNotOptimize(buffers->amplitudes[0]);
    }
}
BENCHMARK_CAPTURE(BM_TransformLine, Norm, Accuracy::kApproximate)->Unit(kUs)->Apply(Steady);
BENCHMARK_CAPTURE(BM_TransformLine, Fein, Accuracy::kExact)->Unit(kUs)->Apply(Steady);

// One filter run on a line of the fly-by (before filtering it again): with a limit that has
// settled, and on a silent line, which always takes all 21 iterations.
void BM_LineFilter(benchmark::State& run, bool silent) {
    const Recording recording = FlyBy();
    std::vector<double> line;
    BuffersAtPass(recording, &line);
    if (silent) std::fill(line.begin(), line.end(), 0.0);
    const Settings settings = StartupSettings();
    int32_t settled = kStartFilterLimit;
    for (int i = 0; i < 40; ++i) {
        std::vector<double> scratch = line;
        settled = FilterLine(scratch, settings, settled);
    }
    std::vector<double> work;
    ClearUpperVectorState();  // whatever ran before may have left Qt's AVX state behind
    for (auto _ : run) {
        work = line;
        benchmark::DoNotOptimize(FilterLine(work, settings, settled));
    }
}
BENCHMARK_CAPTURE(BM_LineFilter, Settled, false)->Unit(kUs)->Apply(Steady);
BENCHMARK_CAPTURE(BM_LineFilter, Silent, true)->Unit(kUs)->Apply(Steady);

}  // namespace

namespace {

// The window's overview strip over a 30-minute stereo take at 48 kHz: 173 million samples read
// once on each load, on the GUI thread.
void BM_LoudnessOverviewHalfHour(benchmark::State& state) {
    Recording take;
    take.sampleRate = 48000;
    std::mt19937 noise(7);
    std::uniform_int_distribution<int> level(-3000, 3000);
    for (int c = 0; c < 2; ++c) {
        take.channels.emplace_back(size_t{48000} * 1800);
        for (int16_t& s : take.channels.back()) s = static_cast<int16_t>(level(noise));
    }
    for (auto _ : state) benchmark::DoNotOptimize(LoudnessOverview(take, 1024));
}
BENCHMARK(BM_LoudnessOverviewHalfHour)->Unit(kMs)->Apply(Steady);

}  // namespace
