// How well the automatic speed measurement does on random synthesised fly-bys: speeds of
// 30..350 km/h, closest distances of 3..100 m, engine tones of 200..8000 Hz with 1..5 harmonics,
// -10..35 degrees C, 22050/44100/48000 Hz, mono and stereo, noise, and a slow rpm wobble of up to
// 1 %. Prints the error's median, 95th percentile and worst case, the refusals by reason, and
// how often the true speed lies within 2 sigma of the answer.
//
//   pirolex_auto_speed_accuracy [N=100] [SEED=1] [THREADS=1] [-v] [--dump I]
//
// -v lists every fly-by; --dump I prints fly-by I's track and fitted curve.

#include "auto_speed.h"
#include "flyby.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using pirolex::AutoSpeed;
using pirolex::AutoSpeedRefusal;
namespace flyby = pirolex::flyby;

struct Case {
    flyby::Params params;
    AutoSpeed result;
    double seconds = 0.0;  // time the estimate took
};

const char* RefusalName(AutoSpeedRefusal r) {
    switch (r) {
        case AutoSpeedRefusal::kNone: return "answered";
        case AutoSpeedRefusal::kNoSamples: return "no samples";
        case AutoSpeedRefusal::kTooShort: return "too short";
        case AutoSpeedRefusal::kSilence: return "silence";
        case AutoSpeedRefusal::kNoTone: return "no tone";
        case AutoSpeedRefusal::kNoPass: return "no pass";
        case AutoSpeedRefusal::kHalfPass: return "half a pass";
        case AutoSpeedRefusal::kNoFall: return "no fall";
        case AutoSpeedRefusal::kNoFit: return "no fit";
        case AutoSpeedRefusal::kUnphysical: return "unphysical";
        case AutoSpeedRefusal::kUncertain: return "uncertain";
    }
    return "?";
}

double LogUniform(std::mt19937& rng, double lo, double hi) {
    return std::exp(std::uniform_real_distribution<double>(std::log(lo), std::log(hi))(rng));
}

double Uniform(std::mt19937& rng, double lo, double hi) {
    return std::uniform_real_distribution<double>(lo, hi)(rng);
}

flyby::Params RandomFlyby(std::mt19937& rng, uint32_t seed) {
    flyby::Params p;
    p.speedKmh = Uniform(rng, 30.0, 350.0);
    p.closestDistance = LogUniform(rng, 3.0, 100.0);
    p.temperature = Uniform(rng, -10.0, 35.0);
    const int rates[] = {22050, 44100, 48000};
    p.sampleRate = rates[std::uniform_int_distribution<int>(0, 2)(rng)];
    p.channels = std::uniform_int_distribution<int>(1, 2)(rng);
    p.seconds = Uniform(rng, 8.0, 16.0);
    p.passSeconds = p.seconds * Uniform(rng, 0.35, 0.65);
    p.rpmWobble = Uniform(rng, 0.0, 0.01);
    p.wobbleHz = Uniform(rng, 0.2, 1.5);
    // The engine tone must stay below the Nyquist frequency while it approaches; its harmonics
    // above it are filtered out as a recorder would.
    const double c = flyby::SoundSpeed(p.temperature), v = p.speedKmh / 3.6;
    const double highest = 0.45 * p.sampleRate * (c - v) / c / (1.0 + p.rpmWobble);
    p.baseFrequency = LogUniform(rng, 200.0, std::min(8000.0, highest));
    p.harmonics.assign(1, Uniform(rng, 0.3, 1.0));
    const int count = std::uniform_int_distribution<int>(1, 5)(rng);
    for (int h = 1; h < count; ++h) p.harmonics.push_back(Uniform(rng, 0.05, 1.0));
    p.noiseLevel = LogUniform(rng, 0.001, 0.02);
    p.dropAliasedHarmonics = true;
    p.limitToProgramFrames = false;
    p.seed = seed;
    return p;
}

void Run(Case& c) {
    pirolex::Recording recording;
    recording.sampleRate = c.params.sampleRate;
    recording.channels = flyby::PcmChannels(c.params);
    const auto start = std::chrono::steady_clock::now();
    c.result = pirolex::EstimateSpeed(recording, c.params.temperature);
    c.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Percentile(std::vector<double> v, double q) {
    if (v.empty()) return NAN;
    std::sort(v.begin(), v.end());
    return v[static_cast<size_t>(std::lround(q * static_cast<double>(v.size() - 1)))];
}

void PrintCase(size_t i, const Case& c) {
    const flyby::Params& p = c.params;
    const AutoSpeed& r = c.result;
    const double error = 100.0 * (r.speedKmh - p.speedKmh) / p.speedKmh;
    std::printf(
        "%4zu %6.1f km/h %5.1f m %6.0f Hz x%zu %5.1f C %5d Hz %dch %4.1f s pass %4.2f wob %.3f@%.1f "
        "noise %.4f | %-11s %7.2f +- %5.2f km/h err %+6.2f %% (%4.1f sigma) h%d %3.0f ms\n",
        i, p.speedKmh, p.closestDistance, p.baseFrequency, p.harmonics.size(), p.temperature, p.sampleRate,
        p.channels, p.seconds, *p.passSeconds / p.seconds, p.rpmWobble, p.wobbleHz, p.noiseLevel,
        RefusalName(r.refusal), r.speedKmh, r.sigmaKmh, r.Answered() ? error : 0.0,
        r.Answered() && r.sigmaKmh > 0 ? std::fabs(r.speedKmh - p.speedKmh) / r.sigmaKmh : 0.0, r.Harmonic(),
        1000.0 * c.seconds);
}

void Dump(const Case& c) {
    const AutoSpeed& r = c.result;
    for (size_t i = 0; i < r.track.Size(); ++i)
        std::printf("%8.4f %10.3f %10.3f %6.1f\n", r.track.times[i], r.track.frequencies[i],
                    i < r.fittedHz.size() ? r.fittedHz[i] : 0.0, r.track.snrDb[i]);
    std::printf("f0 %.3f v %.3f t0 %.4f d %.3f\n", r.model.restHz, r.model.speed, r.model.closestTime,
                r.model.distance);
}

void Summarise(const std::vector<Case>& cases) {
    std::vector<double> errors, times, zs;
    std::map<std::string, int> refusals;
    int covered = 0;
    for (const Case& c : cases) {
        times.push_back(c.seconds);
        if (!c.result.Answered()) {
            ++refusals[RefusalName(c.result.refusal)];
            continue;
        }
        const double error = std::fabs(c.result.speedKmh - c.params.speedKmh);
        errors.push_back(100.0 * error / c.params.speedKmh);
        zs.push_back(error / std::max(c.result.sigmaKmh, 1e-12));
        if (error <= 2.0 * c.result.sigmaKmh) ++covered;
    }
    std::printf("\nfly-bys          %zu\n", cases.size());
    std::printf("answered         %zu\n", errors.size());
    for (const auto& [reason, count] : refusals)
        std::printf("refused          %d (%s)\n", count, reason.c_str());
    std::printf("median error     %.3f %%\n", Percentile(errors, 0.5));
    std::printf("95th percentile  %.3f %%\n", Percentile(errors, 0.95));
    std::printf("worst            %.3f %%\n", Percentile(errors, 1.0));
    std::printf("within 2 sigma   %d of %zu (%.1f %%)\n", covered, errors.size(),
                errors.empty() ? 0.0 : 100.0 * covered / static_cast<double>(errors.size()));
    std::printf("|error| / sigma  median %.2f, 90th percentile %.2f, worst %.2f\n", Percentile(zs, 0.5),
                Percentile(zs, 0.9), Percentile(zs, 1.0));
    std::printf("time per file    median %.0f ms, worst %.0f ms\n", 1000.0 * Percentile(times, 0.5),
                1000.0 * Percentile(times, 1.0));
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<long> numbers;
    bool verbose = false;
    long dump = -1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-v") == 0) verbose = true;
        else if (std::strcmp(argv[i], "--dump") == 0 && i + 1 < argc)
            dump = std::strtol(argv[++i], nullptr, 10);
        else numbers.push_back(std::strtol(argv[i], nullptr, 10));
    }
    const size_t count = numbers.size() > 0 ? static_cast<size_t>(numbers[0]) : 100;
    const auto seed = static_cast<uint32_t>(numbers.size() > 1 ? numbers[1] : 1);
    const int threads = numbers.size() > 2 ? static_cast<int>(numbers[2]) : 1;

    std::mt19937 rng(seed);
    std::vector<Case> cases(count);
    for (size_t i = 0; i < count; ++i)
        cases[i].params = RandomFlyby(rng, seed * 100000u + static_cast<uint32_t>(i));
    if (dump >= 0 && static_cast<size_t>(dump) < count) {
        Run(cases[static_cast<size_t>(dump)]);
        PrintCase(static_cast<size_t>(dump), cases[static_cast<size_t>(dump)]);
        Dump(cases[static_cast<size_t>(dump)]);
        return 0;
    }
    std::atomic<size_t> next{0};
    std::vector<std::thread> pool;
    for (int t = 0; t < std::max(1, threads); ++t)
        pool.emplace_back([&] {
            for (size_t i = next++; i < count; i = next++) Run(cases[i]);
        });
    for (std::thread& t : pool) t.join();
    if (verbose)
        for (size_t i = 0; i < count; ++i) PrintCase(i, cases[i]);
    Summarise(cases);
    return 0;
}
