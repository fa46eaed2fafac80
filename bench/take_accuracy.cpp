// How well the pass finder does on random synthesised takes of several minutes, clean and field
// takes side by side (see tools/take.h for what they hold), and on takes without a pass: the
// passes found within 1.5 s of when they are heard, of those the speeds within 3 %, the refused
// ones listed, phantom passes (listed where no pass was), and the time the search took per
// second of take.
//
//   pirolex_take_accuracy [TAKES=6] [SEED=1] [SECONDS=180] [RATE=44100] [CHANNELS=1] [-v]

#include "flyby.h"
#include "pass_finder.h"
#include "take.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

namespace flyby = pirolex::flyby;

struct Tally {
    int takes = 0, passes = 0, found = 0, accurate = 0, refused = 0, phantoms = 0, missedFar = 0;
    double takeSeconds = 0.0, searchSeconds = 0.0;
};

double HeardAt(const flyby::Take& take, const flyby::Params& p) {
    return p.passSeconds.value_or(0.0) + p.closestDistance / flyby::SoundSpeed(take.temperature);
}

void Measure(const flyby::Take& take, Tally& tally, bool verbose) {
    pirolex::Recording recording;
    recording.sampleRate = take.sampleRate;
    recording.channels = flyby::TakeChannels(take);
    const auto start = std::chrono::steady_clock::now();
    const pirolex::PassSearch search = pirolex::FindPasses(recording, take.temperature);
    tally.searchSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    tally.takeSeconds += take.seconds;
    ++tally.takes;
    std::vector<bool> matched(search.passes.size(), false);
    for (const flyby::Params& p : take.passes) {
        ++tally.passes;
        const double heard = HeardAt(take, p);
        const pirolex::FlybyPass* best = nullptr;
        for (size_t i = 0; i < search.passes.size(); ++i) {
            if (std::fabs(search.passes[i].heardS - heard) > 3.0) continue;
            matched[i] = true;
            if (!best || std::fabs(search.passes[i].heardS - heard) < std::fabs(best->heardS - heard)) best = &search.passes[i];
        }
        const bool found = best && std::fabs(best->heardS - heard) <= 1.5;
        const bool answered = found && best->speed.Answered();
        const bool accurate = answered && std::fabs(best->speed.speedKmh / p.speedKmh - 1.0) <= 0.03;
        tally.found += found;
        tally.accurate += accurate;
        tally.refused += found && !answered;
        if (verbose && !accurate)
            std::printf("  take seed %u: pass at %7.2f s %6.1f km/h %5.1f m %6.0f Hz burst %4.1f: %s\n", take.seed, heard,
                        p.speedKmh, p.closestDistance, p.baseFrequency, p.burstDb,
                        !best ? "not found"
                              : (std::to_string(best->heardS) + " s, " +
                                 (best->speed.Answered() ? std::to_string(best->speed.speedKmh) + " km/h"
                                                         : "refused " + std::to_string(int(best->speed.refusal))))
                                    .c_str());
    }
    for (size_t i = 0; i < search.passes.size(); ++i) {
        if (matched[i]) continue;
        ++tally.phantoms;
        if (verbose)
            std::printf("  take seed %u: phantom at %.2f s, %s %.1f km/h\n", take.seed, search.passes[i].heardS,
                        search.passes[i].speed.Answered() ? "answered" : "refused", search.passes[i].speed.speedKmh);
            std::printf("    refusal %d\n", int(search.passes[i].speed.refusal));
    }
}

void Print(const char* name, const Tally& t) {
    const auto share = [](int part, int whole) { return whole > 0 ? 100.0 * part / whole : 0.0; };
    std::printf("%-8s %5d %6d %6d (%5.1f %%) %6d (%5.1f %%) %7d %8d %10.2f %%\n", name, t.takes, t.passes, t.found,
                share(t.found, t.passes), t.accurate, share(t.accurate, t.found), t.refused, t.phantoms,
                100.0 * t.searchSeconds / std::max(t.takeSeconds, 1e-9));
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args;
    bool verbose = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-v") == 0) verbose = true;
        else args.emplace_back(argv[i]);
    }
    const auto arg = [&](size_t i, double fallback) { return i < args.size() ? std::atof(args[i].c_str()) : fallback; };
    const int takes = static_cast<int>(arg(0, 6));
    const auto seed = static_cast<uint32_t>(arg(1, 1));
    flyby::TakeShape shape;
    shape.seconds = arg(2, 180);
    shape.sampleRate = static_cast<int>(arg(3, 44100));
    shape.channels = static_cast<int>(arg(4, 1));

    std::printf("set      takes passes  found (<=1.5 s)   within 3 %%   refused phantoms  time/length\n");
    for (const bool field : {false, true}) {
        Tally tally;
        for (int i = 0; i < takes; ++i) {
            shape.seed = seed + static_cast<uint32_t>(i);
            shape.field = field;
            Measure(flyby::RandomTake(shape), tally, verbose);
        }
        Print(field ? "field" : "clean", tally);
    }
    const std::pair<flyby::TakeSound, const char*> sounds[] = {{flyby::TakeSound::kIdle, "idle"},
                                                               {flyby::TakeSound::kHum, "hum"},
                                                               {flyby::TakeSound::kWind, "wind"},
                                                               {flyby::TakeSound::kVoices, "voices"}};
    for (const auto& [sound, name] : sounds) {
        Tally tally;
        for (int i = 0; i < std::max(1, takes / 3); ++i) {
            shape.seed = seed + static_cast<uint32_t>(i);
            shape.field = i % 2 == 1;
            Measure(flyby::PasslessTake(sound, shape), tally, verbose);
        }
        Print(name, tally);
    }
    return 0;
}
