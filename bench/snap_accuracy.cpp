// How well two clicks measure a fly-by's speed, with and without the snap: random synthesised
// fly-bys (60..250 km/h, closest distance 3..30 m, engine tones of 300..6000 Hz with 1..4
// harmonics, noise, a slow rpm wobble of up to 0.5 %, -10..35 degrees C), 15.8 s long at
// 44100 Hz with the pass in the middle (7.9 s), so the picture's first 15 % of lines (0..2.4 s)
// and its last (13.4..15.8 s) lie 5.5 s or more before and after it. Marker A is clicked exactly
// half an FFT bin beside the true approach tone, B half a bin beside the true recede tone, each
// on a random side.
//
// Without the snap the clicks land on the picture's columns and the speed is their arithmetic,
// as `pirolex measure` without --snap computes it, "±" from the column resolution; with the snap
// the tones are read in the first and last 15 % of the 2D picture's lines, as `--snap` does, and
// ("window") in the 20th line from either end and five on either side, as a click there snaps
// ("a quarter in": clicks a quarter of the picture from either end, nearer the pass).
// Prints the speed error's median, 90th percentile and worst case, how often the true speed lies
// within the shown "±", and the median "±", all relative to the true speed.
//
// A second set is made like the roadside recordings of a car carrying a loudspeaker: steady low
// tones (300..900 Hz, a weak second harmonic) at 48000 Hz, 60..90 km/h, 2.5..30 m, 12 s with the
// pass in the middle, clicked 2 s either side of the pass (heard), as `--at-a`/`--at-b` or the
// window snap there: "as clicked" takes the snapped tones as they are (as the window did before),
// "far-off" moves each by what the remaining distance to the pass still holds back
// (SpeedFromClickedTones, as the window and --at-a/--at-b do); the rows "far-off" of the first
// set do the same with its window clicks. Also the share within 3 % of the true speed.
//
//   pirolex_snap_accuracy [N=200] [SEED=1] [FFT=1024] [THREADS=1] [-v]

#include "clicked_pair.h"
#include "doppler_speed.h"
#include "flyby.h"
#include "frequency_axis.h"
#include "spectrogram_pass.h"
#include "time_axis.h"
#include "tone_snap.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <optional>
#include <random>
#include <thread>
#include <vector>

namespace {

using namespace pirolex;

constexpr int32_t kRate = 44100;
// The design plot: the axis starts at column 10, one column per unit, 615 columns wide.
constexpr int32_t kPlotLeft = 10;
constexpr int32_t kPlotWidth = 615;

struct Result {
    std::optional<DopplerSpeed> speed;
};

struct Case {
    flyby::Params params;
    int32_t temperature = 15;
    double clickA = 0, clickB = 0;
    Result columns, snapped, window, windowNear;
    // The same window clicks with each tone moved to its far-off value, as the window does now.
    Result windowFar, windowNearFar;
    // The roadside set: clicks 2 s either side of the pass.
    Result asClicked, farOff;
};

double Uniform(std::mt19937& rng, double lo, double hi) {
    return std::uniform_real_distribution<double>(lo, hi)(rng);
}

double LogUniform(std::mt19937& rng, double lo, double hi) {
    return std::exp(Uniform(rng, std::log(lo), std::log(hi)));
}

constexpr int32_t kRoadsideRate = 48000;
constexpr double kRoadsideClickS = 2.0;

Case RoadsideCase(std::mt19937& rng, uint32_t seed, int32_t fftSize) {
    Case c;
    flyby::Params& p = c.params;
    p.speedKmh = Uniform(rng, 60, 90);
    p.closestDistance = Uniform(rng, 2.5, 30);
    c.temperature = std::uniform_int_distribution<int32_t>(0, 30)(rng);
    p.temperature = c.temperature;
    p.sampleRate = kRoadsideRate;
    p.seconds = 12;
    p.baseFrequency = Uniform(rng, 300, 900);
    p.harmonics = {1.0, Uniform(rng, 0.05, 0.5)};
    p.rpmWobble = Uniform(rng, 0, 0.001);
    p.wobbleHz = Uniform(rng, 0.2, 1.5);
    p.noiseLevel = LogUniform(rng, 0.001, 0.01);
    p.seed = seed;
    const double halfBin = 0.5 * kRoadsideRate / fftSize;
    auto side = [&] { return std::bernoulli_distribution(0.5)(rng) ? halfBin : -halfBin; };
    c.clickA = flyby::ApproachFrequency(p) + side();
    c.clickB = flyby::RecedeFrequency(p) + side();
    return c;
}

Case RandomCase(std::mt19937& rng, uint32_t seed, int32_t fftSize) {
    Case c;
    flyby::Params& p = c.params;
    p.speedKmh = Uniform(rng, 60, 250);
    p.closestDistance = Uniform(rng, 3, 30);
    c.temperature = std::uniform_int_distribution<int32_t>(-10, 35)(rng);
    p.temperature = c.temperature;
    p.sampleRate = kRate;
    p.seconds = 15.8;
    p.rpmWobble = Uniform(rng, 0, 0.005);
    p.wobbleHz = Uniform(rng, 0.2, 1.5);
    p.baseFrequency = LogUniform(rng, 300, 6000);
    p.harmonics.assign(1, 1.0);
    const int count = std::uniform_int_distribution<int>(1, 4)(rng);
    for (int h = 1; h < count; ++h) p.harmonics.push_back(Uniform(rng, 0.1, 0.8));
    p.noiseLevel = LogUniform(rng, 0.001, 0.01);
    p.dropAliasedHarmonics = true;
    p.seed = seed;
    const double halfBin = 0.5 * kRate / fftSize;
    auto side = [&] { return std::bernoulli_distribution(0.5)(rng) ? halfBin : -halfBin; };
    c.clickA = flyby::ApproachFrequency(p) + side();
    c.clickB = flyby::RecedeFrequency(p) + side();
    return c;
}

// The lines the 2D picture of the whole recording draws: each block needs its FFT size and two
// frames more inside the recording.
int32_t PictureLines(int64_t frames, int32_t lineStep, int32_t fftSize) {
    int32_t lines = 0;
    while (lines < kMaxLines && LineFirstFrame(lines + 1, lineStep, 0) + fftSize + 2 <= frames) ++lines;
    return lines;
}

void Run(Case& c, int32_t fftSize) {
    const Recording recording{kRate, flyby::PcmChannels(c.params)};
    const FrequencyAxis axis(kRate, 1024 / fftSize, kPlotLeft, 1.0);
    const int32_t columnA = axis.NearestColumn(c.clickA, kPlotWidth);
    const int32_t columnB = axis.NearestColumn(c.clickB, kPlotWidth);
    const FrequencyAxis::MarkedPair marked = axis.Marked(columnA, columnB);
    c.columns.speed = SpeedFromFrequencies(marked.halfDifferenceHz, marked.meanHz, axis.ResolutionHz(),
                                           c.temperature);

    const int32_t step = LineStep(Picture::k2D, recording.FrameCount(), fftSize - 1);
    const SnapBlocks blocks =
        EdgeLineBlocks(PictureLines(recording.FrameCount(), step, fftSize), step, 0);
    const auto a = SnapToTone(recording, Channel::kLeft, fftSize, c.clickA, blocks.approach);
    const auto b = SnapToTone(recording, Channel::kLeft, fftSize, c.clickB, blocks.recede);
    if (a && b) c.snapped.speed = SpeedFromSnapped(a->hz, a->spreadHz, b->hz, b->spreadHz, c.temperature);

    // The window snaps around the clicked line: clicks on the 20th line from either end of the
    // picture.
    const int32_t lines = PictureLines(recording.FrameCount(), step, fftSize);
    auto around = [&](int32_t clicked, double hz) {
        return BlocksAroundLine(clicked, lines, step, 0, SnapBlockFrames(fftSize, hz, kRate));
    };
    auto windowSpeed = [&](int32_t fromEnd, Result& asClicked, Result& farOff) {
        const auto wa = SnapToTone(recording, Channel::kLeft, fftSize, c.clickA, around(fromEnd, c.clickA));
        const auto wb =
            SnapToTone(recording, Channel::kLeft, fftSize, c.clickB, around(lines + 1 - fromEnd, c.clickB));
        if (!wa || !wb) return;
        asClicked.speed = SpeedFromSnapped(wa->hz, wa->spreadHz, wb->hz, wb->spreadHz, c.temperature);
        farOff.speed = SpeedFromClickedTones(*wa, *wb, c.temperature);
    };
    windowSpeed(20, c.window, c.windowFar);
    // Clicks nearer the pass, a quarter of the picture from either end, where the tone is still
    // on its way to its far-off value.
    windowSpeed(lines / 4, c.windowNear, c.windowNearFar);
}

void RunRoadside(Case& c, int32_t fftSize) {
    const Recording recording{kRoadsideRate, flyby::PcmChannels(c.params)};
    const int32_t step = LineStep(Picture::k2D, recording.FrameCount(), fftSize - 1);
    const int32_t lines = PictureLines(recording.FrameCount(), step, fftSize);
    // The pass is heard the closest distance's travel time after the source passes.
    const double passHeard =
        c.params.seconds / 2 + c.params.closestDistance / flyby::SoundSpeed(c.params.temperature);
    auto snapAt = [&](double seconds, double hz) {
        const int32_t line = TimeAxis{kRoadsideRate, fftSize, step, 0, lines}.NearestLine(seconds);
        return SnapToTone(recording, Channel::kLeft, fftSize, hz, BlocksAroundLine(line, lines, step, 0,
                                                                       SnapBlockFrames(fftSize, hz, kRoadsideRate)));
    };
    const auto a = snapAt(passHeard - kRoadsideClickS, c.clickA);
    const auto b = snapAt(passHeard + kRoadsideClickS, c.clickB);
    if (!a || !b) return;
    c.asClicked.speed = SpeedFromSnapped(a->hz, a->spreadHz, b->hz, b->spreadHz, c.temperature);
    c.farOff.speed = SpeedFromClickedTones(*a, *b, c.temperature);
}

double Percentile(std::vector<double> v, double q) {
    if (v.empty()) return NAN;
    std::sort(v.begin(), v.end());
    return v[static_cast<size_t>(std::lround(q * static_cast<double>(v.size() - 1)))];
}

void Summarise(const char* name, const std::vector<Case>& cases, Result Case::*which) {
    std::vector<double> errors, widths;
    int covered = 0;
    for (const Case& c : cases) {
        const std::optional<DopplerSpeed>& speed = (c.*which).speed;
        if (!speed) continue;
        const double error = std::fabs(speed->kmh - c.params.speedKmh);
        errors.push_back(100 * error / c.params.speedKmh);
        widths.push_back(100 * speed->resolutionKmh / c.params.speedKmh);
        if (error <= speed->resolutionKmh) ++covered;
    }
    const auto within3 = std::count_if(errors.begin(), errors.end(), [](double e) { return e <= 3.0; });
    const auto share = [&](double count) {
        return errors.empty() ? 0.0 : 100.0 * count / static_cast<double>(errors.size());
    };
    std::printf("| %-20s | %4zu/%zu | %7.2f %% | %7.2f %% | %7.2f %% | %5.1f %% | %7.2f %% | %5.1f %% |\n",
                name, errors.size(), cases.size(), Percentile(errors, 0.5), Percentile(errors, 0.9),
                Percentile(errors, 1.0), share(covered), Percentile(widths, 0.5),
                share(static_cast<double>(within3)));
}

void PrintCase(size_t i, const Case& c) {
    const flyby::Params& p = c.params;
    auto print = [&](const Result& r) {
        if (!r.speed) return std::printf("      keine        ");
        return std::printf(" %7.2f +- %6.2f", r.speed->kmh, r.speed->resolutionKmh);
    };
    std::printf("%4zu %6.1f km/h %4.1f m %6.0f Hz x%zu wob %.4f@%.1f noise %.4f |", i, p.speedKmh,
                p.closestDistance, p.baseFrequency, p.harmonics.size(), p.rpmWobble, p.wobbleHz, p.noiseLevel);
    print(c.columns);
    std::printf(" |");
    print(c.snapped);
    std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<long> numbers;
    bool verbose = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-v") == 0)
            verbose = true;
        else
            numbers.push_back(std::strtol(argv[i], nullptr, 10));
    }
    const size_t n = numbers.size() > 0 ? static_cast<size_t>(numbers[0]) : 200;
    const auto seed = static_cast<uint32_t>(numbers.size() > 1 ? numbers[1] : 1);
    const auto fftSize = static_cast<int32_t>(numbers.size() > 2 ? numbers[2] : 1024);
    const int threads = static_cast<int>(numbers.size() > 3 ? numbers[3] : 1);
    if (fftSize < 128 || fftSize > 1024 || (fftSize & (fftSize - 1)) != 0) {
        std::fprintf(stderr, "FFT must be 128, 256, 512 or 1024\n");
        return 2;
    }

    std::mt19937 rng(seed);
    std::vector<Case> cases;
    for (size_t i = 0; i < n; ++i) cases.push_back(RandomCase(rng, seed * 1000 + static_cast<uint32_t>(i), fftSize));
    std::atomic<size_t> next{0};
    std::vector<std::thread> pool;
    for (int t = 0; t < std::max(1, threads); ++t) {
        pool.emplace_back([&] {
            for (size_t i; (i = next++) < cases.size();) Run(cases[i], fftSize);
        });
    }
    for (std::thread& t : pool) t.join();

    std::vector<Case> roadside;
    for (size_t i = 0; i < n; ++i)
        roadside.push_back(RoadsideCase(rng, seed * 1000 + 500 + static_cast<uint32_t>(i), fftSize));
    next = 0;
    pool.clear();
    for (int t = 0; t < std::max(1, threads); ++t) {
        pool.emplace_back([&] {
            for (size_t i; (i = next++) < roadside.size();) RunRoadside(roadside[i], fftSize);
        });
    }
    for (std::thread& t : pool) t.join();

    if (verbose) {
        for (size_t i = 0; i < cases.size(); ++i) PrintCase(i, cases[i]);
        for (size_t i = 0; i < roadside.size(); ++i) {
            const Case& c = roadside[i];
            std::printf("roadside %3zu %5.1f km/h %5.1f m %4.0f Hz |", i, c.params.speedKmh,
                        c.params.closestDistance, c.params.baseFrequency);
            for (const Result* r : {&c.asClicked, &c.farOff}) {
                if (r->speed)
                    std::printf(" %7.2f +- %6.2f", r->speed->kmh, r->speed->resolutionKmh);
                else
                    std::printf("      keine        ");
            }
            std::printf("\n");
        }
    }
    std::printf("%zu fly-bys, seed %u, FFT size %d, clicks half a bin beside the tones\n\n", n, seed, fftSize);
    std::printf("| clicks               | answered | median    | 90th pct  | worst     | within ± | median ± | within 3 %% |\n");
    std::printf("|----------------------|----------|-----------|-----------|-----------|----------|----------|----------|\n");
    Summarise("columns", cases, &Case::columns);
    Summarise("snapped", cases, &Case::snapped);
    Summarise("window", cases, &Case::window);
    Summarise("window, a quarter in", cases, &Case::windowNear);
    Summarise("window, far-off", cases, &Case::windowFar);
    Summarise("quarter in, far-off", cases, &Case::windowNearFar);
    std::printf("\nroadside: 300..900 Hz at 48000 Hz, 60..90 km/h, 2.5..30 m, clicks 2 s from the pass\n\n");
    Summarise("2 s, as clicked", roadside, &Case::asClicked);
    Summarise("2 s, far-off", roadside, &Case::farOff);
    // The passes as close as the roadside recordings' (2.5..4 m).
    std::vector<Case> close;
    std::copy_if(roadside.begin(), roadside.end(), std::back_inserter(close),
                 [](const Case& c) { return c.params.closestDistance <= 4.0; });
    Summarise("2 s, as clicked, <4 m", close, &Case::asClicked);
    Summarise("2 s, far-off, <4 m", close, &Case::farOff);
    return 0;
}
