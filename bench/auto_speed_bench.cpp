// The automatic speed on a 16 s stereo 44100 Hz fly-by, whole and by stage, on one thread.
#include "auto_speed.h"
#include "flyby.h"
#include "flyby_fit.h"
#include "full_spectrogram.h"
#include "harmonic_salience.h"
#include "tone_track.h"

#include <benchmark/benchmark.h>

namespace pirolex {
namespace {

constexpr double kTemperature = 15.0;

const Recording& Flyby() {
    static const Recording recording = [] {
        flyby::Params p;
        p.channels = 2;
        p.seconds = 16.0;
        p.limitToProgramFrames = false;
        p.rpmWobble = 0.005;
        Recording r;
        r.sampleRate = p.sampleRate;
        r.channels = flyby::PcmChannels(p);
        return r;
    }();
    return recording;
}

void BM_EstimateSpeed(benchmark::State& state) {
    Flyby();  // made before the clock runs
    for (auto _ : state) benchmark::DoNotOptimize(EstimateSpeed(Flyby(), kTemperature));
}
BENCHMARK(BM_EstimateSpeed)->Unit(benchmark::kMillisecond);

void BM_Spectrogram(benchmark::State& state) {
    Flyby();
    for (auto _ : state) benchmark::DoNotOptimize(ComputeFullSpectrogram(Flyby()));
}
BENCHMARK(BM_Spectrogram)->Unit(benchmark::kMillisecond);

// The stages that take the spectrogram over are timed from the recording on: less the
// spectrogram's own time, they are what the stage adds. (A copy of the spectrogram per run would
// be timed as well, with its page faults.)
void BM_SpectrogramWhiten(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(Whiten(ComputeFullSpectrogram(Flyby())));
}
BENCHMARK(BM_SpectrogramWhiten)->Unit(benchmark::kMillisecond);

void BM_Salience(benchmark::State& state) {
    const WhitenedSpectrogram w = Whiten(ComputeFullSpectrogram(Flyby()));
    for (auto _ : state) benchmark::DoNotOptimize(HarmonicSalience(w));
}
BENCHMARK(BM_Salience)->Unit(benchmark::kMillisecond);

// Whitening, salience, ridge and refinement together.
void BM_SpectrogramTrack(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(TrackTone(ComputeFullSpectrogram(Flyby())));
}
BENCHMARK(BM_SpectrogramTrack)->Unit(benchmark::kMillisecond);

void BM_Fit(benchmark::State& state) {
    const ToneTrack track = TrackTone(ComputeFullSpectrogram(Flyby()));
    const double c = SpeedOfSound(kTemperature);
    for (auto _ : state) benchmark::DoNotOptimize(FitFlyby(track.times, track.frequencies, c));
}
BENCHMARK(BM_Fit)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace pirolex
