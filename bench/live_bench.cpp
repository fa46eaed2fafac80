// Listening live at 48 kHz stereo: a synthesised take of several passes played through the
// stream block by block (a tenth of a second each, as a microphone hands them over), with the
// rolling picture drawn from every line. Prints the processor time as a share of one core (the
// stream runs on one thread), and for each pass when it was heard and when it was reported.
//
//   ./build/bench/pirolex_live_bench [PASSES] [SECONDS_PER_PASS] [PICTURE.png]
//
// With a file name the rolling picture as it stands at the end is saved there, to look at.
#include "flyby.h"
#include "live_stream.h"
#include "rolling_picture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

namespace {

using namespace pirolex;

double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
}

struct Truth {
    double heardS;
    double kmh;
};

Recording MakeTake(int passes, double secondsEach, std::vector<Truth>& truth) {
    Recording take;
    take.sampleRate = 48000;
    take.channels.resize(2);
    for (int i = 0; i < passes; ++i) {
        flyby::Params p;
        p.sampleRate = 48000;
        p.channels = 2;
        p.seconds = secondsEach;
        p.limitToProgramFrames = false;
        p.speedKmh = 60.0 + 190.0 * ((i * 37) % 11) / 10.0;
        p.baseFrequency = 500.0 + 300.0 * (i % 5);
        p.closestDistance = 5.0 + 5.0 * (i % 4);
        p.noiseLevel = 0.01;
        p.rpmWobble = 0.003;
        p.seed = static_cast<uint32_t>(i + 1);
        const double offset = take.Seconds();
        truth.push_back({offset + flyby::HeardPassSeconds(p), p.speedKmh});
        const auto channels = flyby::PcmChannels(p);
        for (size_t c = 0; c < 2; ++c) take.channels[c].insert(take.channels[c].end(), channels[c].begin(), channels[c].end());
    }
    return take;
}

}  // namespace

int main(int argc, char** argv) {
    const int passes = argc > 1 ? std::atoi(argv[1]) : 4;
    const double secondsEach = argc > 2 ? std::atof(argv[2]) : 25.0;
    std::vector<Truth> truth;
    const Recording take = MakeTake(passes, secondsEach, truth);

    // The window's plot at its design size.
    LiveStreamSettings settings;
    settings.keptFrames = static_cast<int64_t>(kLiveKeptSeconds * take.sampleRate);
    RollingPicture picture(615, 271, {.sampleRate = take.sampleRate, .fftSize = settings.fftSize,
                                      .hopFrames = settings.hopFrames});
    LiveStream stream(take.sampleRate, take.ChannelCount(), settings);
    RecordingSource source(take);
    std::vector<FlybyPass> reported;
    double pictureCpu = 0.0;
    const double start = CpuSeconds();
    for (;;) {
        const StreamStep step = stream.Pull(source, [&](const SpectrumLine& line) {
            const double before = CpuSeconds();
            picture.AddLine(line);
            pictureCpu += CpuSeconds() - before;
        });
        reported.insert(reported.end(), step.passes.begin(), step.passes.end());
        if (step.state != SourceState::kFrames) break;
    }
    const double listening = CpuSeconds() - start;
    const double finishStart = CpuSeconds();
    const std::vector<FlybyPass> atStop = stream.Finish();
    const double finishing = CpuSeconds() - finishStart;

    std::printf("stream %.1f s (48 kHz stereo, %d passes), %d lines, picture %dx%d\n", take.Seconds(), passes,
                picture.LinesAdded(), picture.Image().width(), picture.Image().height());
    std::printf("listening: %.3f s of processor time = %.2f %% of one core (rolling picture %.2f %%)\n", listening,
                100.0 * listening / take.Seconds(), 100.0 * pictureCpu / take.Seconds());
    std::printf("at the stop: %.3f s for the passes still open\n", finishing);
    // Each pass beside the true pass nearest to it: when that was heard, and how far off the speed is.
    std::printf("%-5s %9s %9s %10s %8s %8s %8s\n", "pass", "heard_s", "true_s", "reported_s", "latency", "kmh",
                "error");
    double worst = 0.0;
    auto print = [&](const FlybyPass& pass, const char* when) {
        const Truth* nearest = &truth.front();
        for (const Truth& t : truth)
            if (std::abs(t.heardS - pass.heardS) < std::abs(nearest->heardS - pass.heardS)) nearest = &t;
        const double latency = pass.reportedS - nearest->heardS;
        worst = std::max(worst, latency);
        if (pass.speed.Answered())
            std::printf("%-5d %9.2f %9.2f %10.2f %8.2f %8.2f %7.2f%% %s\n", pass.number, pass.heardS,
                        nearest->heardS, pass.reportedS, latency, pass.speed.speedKmh,
                        100.0 * (pass.speed.speedKmh / nearest->kmh - 1.0), when);
        else
            std::printf("%-5d %9.2f %9.2f %10.2f %8.2f %8s %8s %s\n", pass.number, pass.heardS, nearest->heardS,
                        pass.reportedS, latency, "refused", "", when);
    };
    for (const FlybyPass& pass : reported) print(pass, "");
    for (const FlybyPass& pass : atStop) print(pass, "(at the stop)");
    std::printf("%zu of %zu passes reported, the latest %.2f s of stream time after it was heard\n",
                reported.size() + atStop.size(), truth.size(), worst);
    if (argc > 3 && !picture.Image().save(argv[3])) {
        std::fprintf(stderr, "cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
